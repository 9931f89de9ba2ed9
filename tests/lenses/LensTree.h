#pragma once
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

// A folder of files with names of many kinds (upper case, dot files, "tar.gz", versioned
// libraries, blanks, a name that is not UTF-8), the same every time, searched as the program
// searches it. Files keeps what the test wrote: relative path and length.
struct LensTree {
    TempTree tree;
    TempTree data;
    ScopedDataHome dataHome{data.Path("share")};
    std::unique_ptr<AgreeingDriveDoc> doc;
    std::map<std::string, std::int64_t> files;

    LensTree()
    {
        static const char* const kDirs[] = {"cache", "Src", "img", ".hidden", "My Docs", "iso"};
        static const char* const kBases[] = {"ka", "Lo", "MI", "report", "Debian", "isolinux", "da ta", "caf\xe9"};
        static const char* const kExts[] = {".txt", ".TXT", ".iso",  ".ISO",    ".c",   ".tar.gz", ".mp4",
                                            ".JPG", "",     ".so.6", ".\xc9XT", ".a.b", "."};
        std::mt19937 random(7);
        const auto pick = [&](const auto& list) { return std::string(list[random() % std::size(list)]); };
        for (int i = 0; i < 400; ++i) {
            std::string path;
            for (std::uint32_t depth = random() % 4; depth > 0; --depth)
                path += pick(kDirs) + "/";
            const std::string name = random() % 15 == 0 ? ".bashrc" : pick(kBases) + std::to_string(i) + pick(kExts);
            Add(path + name, static_cast<std::int64_t>(random() % 9000));
        }
        // Names that patterns of a few bytes find across a "/".
        for (const char* name : {"cache/kalo.iso", "iso/cache/Ka.TXT", "My Docs/img/ISO.c"})
            Add(name, 1234);
        // Names longer than an index keeps in its items' head byte, either side of it.
        for (const std::size_t n : {62, 63, 64, 255})
            Add("iso/" + std::string(n - 1, 'l') + "g/" + std::string(n - 4, 'n') + ".iso",
                static_cast<std::int64_t>(n));
        doc = std::make_unique<AgreeingDriveDoc>();
        doc->PresetRoot(tree.Root(), "Folder " + tree.Root());
        doc->SetProgressInterval(std::chrono::milliseconds(0));
        EXPECT_TRUE(doc->OnNewDocument());
    }

    void Add(const std::string& relative, std::int64_t length)
    {
        tree.File(relative, length);
        files[relative] = length;
    }

    // The entry at a relative path, or null.
    CEntry* At(const std::string& relative) const { return EntryAtPath(doc->GetRoot(), relative); }

    // Deletes an item as the Delete command does, and forgets its files.
    void Delete(const std::string& relative)
    {
        CEntry* pEntry = At(relative);
        ASSERT_NE(pEntry, nullptr) << relative;
        doc->SetSelected(pEntry);
        doc->OnDeleteFile();
        std::erase_if(files, [&](const auto& f) { return f.first.starts_with(relative + "/") || f.first == relative; });
    }

    // Reads a directory again as F5 does.
    void Refresh(const std::string& relative)
    {
        CEntry* pDir = At(relative);
        ASSERT_NE(pDir, nullptr) << relative;
        doc->SetCurrent(pDir);
        doc->OnRefresh();
    }
};
