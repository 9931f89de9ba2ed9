#include "lenses/EntryFind.h"
#include "LensTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fnmatch.h>
#include <new>

namespace {

struct Found {
    std::vector<std::string> paths;  // relative to the directory searched, sorted
    std::int64_t nTotal = 0;
    bool operator==(const Found&) const = default;
};

// What the C library finds among the files the test wrote: fnmatch for a glob (its "*"
// runs across "/" without FNM_PATHNAME), strcasestr for a substring.
Found Expected(const LensTree& t, const std::string& under, const std::string& pattern)
{
    const bool bGlob = pattern.find_first_of("*?[") != std::string::npos;
    const bool bPaths = pattern.find('/') != std::string::npos;
    Found found;
    const std::string prefix = under.empty() ? "" : under + "/";
    for (const auto& [path, length] : t.files) {
        if (!path.starts_with(prefix))
            continue;
        const std::string relative = path.substr(prefix.size());
        const std::string subject = bPaths ? relative : relative.substr(relative.rfind('/') + 1);
        const bool bMatch = bGlob ? ::fnmatch(pattern.c_str(), subject.c_str(), FNM_CASEFOLD) == 0
                                  : ::strcasestr(subject.c_str(), pattern.c_str()) != nullptr;
        if (bMatch) {
            found.paths.push_back(relative);
            found.nTotal += length;
        }
    }
    std::sort(found.paths.begin(), found.paths.end());
    return found;
}

Found Got(const CEntry& dir, const CFindResult& result)
{
    Found found;
    for (const CEntry* pMatch : result.matches) {
        found.paths.emplace_back();
        AppendRelativePath(*pMatch, dir, found.paths.back());
    }
    std::sort(found.paths.begin(), found.paths.end());
    found.nTotal = result.nTotal;
    EXPECT_EQ(result.GetCount(), found.paths.size());
    return found;
}

}  // namespace

// Every kind of pattern, below the root and below a folder, against the C library's
// reading of it over the files the test wrote; typing on narrows to the same result as
// searching afresh.
TEST(EntryFind, FindsWhatTheCLibraryFinds)
{
    LensTree t;
    const char* const patterns[] = {
        "iso",      ".ISO",      "*.iso", "*.tar.gz", "ka?.*", "*[0-9].[tj]*", "cache/", "cache/*", "*/cache/*",
        "My Docs/", "*o*/*.txt", "zzqq",  "",         "*",     "*.so.6",       "da ta",  ".bashrc", "he/k",
        "s/img/i",
    };
    // Walking the tree, and reading the names' index: the same matches in the same order.
    for (const std::string under : {"", "cache", "iso"}) {
        CEntry& dir = *t.At(under);
        CEntryFind indexed;
        indexed.Prepare(dir);
        for (const char* pattern : patterns) {
            CEntryFind walking;
            const Found expected = Expected(t, under, pattern);
            std::vector<CEntry*> told;
            const CFindResult& result = walking.Find(dir, pattern, [&](CEntry& match) { told.push_back(&match); });
            EXPECT_EQ(Got(dir, result), expected) << "in \"" << under << "\": " << pattern;
            EXPECT_EQ(told, result.matches) << "each match told, in order: " << pattern;
            indexed.Forget();
            indexed.Prepare(dir);
            EXPECT_EQ(indexed.Find(dir, pattern).matches, result.matches)
                << "indexed, in \"" << under << "\": " << pattern;
        }
        EXPECT_EQ(Expected(t, under, "").paths.size(), Expected(t, under, "*").paths.size()) << "every file";
        EXPECT_TRUE(Expected(t, under, "zzqq").paths.empty()) << "no file";
    }
    // Keystroke by keystroke, each from the last result, and back again.
    CEntry& root = *t.At("");
    CEntryFind typing;
    typing.Prepare(root);
    for (const char* pattern : {"", "i", "is", "iso", "iso", "is", "c", "ca", "cache/", "cache/k", "g/n", "*/l*g/*"}) {
        std::vector<CEntry*> told;
        const CFindResult& result = typing.Find(root, pattern, [&](CEntry& match) { told.push_back(&match); });
        EXPECT_EQ(Got(root, result), Expected(t, "", pattern)) << "typed: " << pattern;
        EXPECT_EQ(told, result.matches) << "typed: " << pattern;
    }

    // Whoever is told may run out of memory halfway: the half result is never narrowed
    // from, the next keystroke looks at everything again.
    for (const char* pattern : {"i", "cache/"}) {
        CEntryFind failing;
        ASSERT_FALSE(failing.Find(root, "").matches.empty());
        int nTold = 0;
        EXPECT_THROW(failing.Find(root, pattern,
                                  [&](CEntry&) {
                                      if (++nTold == 2)
                                          throw std::bad_alloc();
                                  }),
                     std::bad_alloc);
        const std::string longer = std::string(pattern) + "s";
        EXPECT_EQ(Got(root, failing.Find(root, longer)), Expected(t, "", longer)) << pattern;
        EXPECT_EQ(Got(root, failing.Find(root, pattern)), Expected(t, "", pattern)) << pattern;
    }
}

// Matches point into the tree: after a delete and after a refresh that changed what the
// tree holds, a Find looks afresh even before anyone calls Forget.
TEST(EntryFind, FollowsTheTreeThroughDeleteAndRefresh)
{
    LensTree t;
    CEntry& root = *t.At("");
    CEntryFind find;
    find.Prepare(root);  // the names' index, too, is of the tree before
    ASSERT_FALSE(find.Find(root, "iso").matches.empty());

    t.Delete("iso");
    t.Delete("cache/kalo.iso");
    EXPECT_EQ(Got(root, find.Find(root, "iso")), Expected(t, "", "iso"));
    t.Add("cache/fresh.iso", 4000);
    t.Refresh("cache");
    const Found after = Got(root, find.Find(root, "iso"));
    EXPECT_EQ(after, Expected(t, "", "iso"));
    EXPECT_NE(std::find(after.paths.begin(), after.paths.end(), "cache/fresh.iso"), after.paths.end());
    find.Forget();
    EXPECT_TRUE(find.GetResult().matches.empty());

    // A file searched for alone is found by its name.
    CEntry& file = *t.At("cache/fresh.iso");
    EXPECT_EQ(find.Find(file, "*.ISO").GetCount(), 1u);
    EXPECT_EQ(find.Find(file, "cache/*").GetCount(), 0u);
}
