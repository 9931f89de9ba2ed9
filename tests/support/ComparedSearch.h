#pragma once
#include "model/SearchComparison.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

// What a comparison says of a tree, path by path ("new", "-1000" ...), with its counts.
inline std::map<std::string, std::string> Described(const CSearchComparison& comparison)
{
    std::map<std::string, std::string> said;
    std::vector<const CEntry*> pending{&comparison.GetCurrentRoot()};
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        const CEntry* pEarlier = comparison.EarlierOf(*p);
        said[p->GetPath()] = pEarlier == nullptr ? "new" : std::to_string(p->GetSize() - pEarlier->GetSize());
        for (const CEntry* pGone : comparison.RemovedChildren(*p))
            said[p->GetPath() + "/" + std::string(pGone->GetName())] = "removed";
        pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
    }
    said["(counts)"] = std::to_string(comparison.NewCount()) + " new, " + std::to_string(comparison.RemovedCount());
    return said;
}

// An earlier search of a tree and a current one of the same tree changed since, compared:
// keep (100 bytes, unchanged), a/grows (1000 -> 4000), a/b/shrinks (5000 -> 10), a/b/c/gone
// (300, removed), x/y/gone (7, removed with x and y), a/b/c/d/new (50) and fresh/f (9) new.
// Whatever the current document does next, its comparison must say what a comparison made
// afresh against a second, independent search of the folder says.
struct ComparedSearch {
    TempTree tree;
    TempTree data;
    ScopedDataHome dataHome{data.Path("share")};
    std::unique_ptr<TestDriveDoc> earlier;
    std::unique_ptr<AgreeingDriveDoc> doc = std::make_unique<AgreeingDriveDoc>();
    HintSpy view;

    ComparedSearch()
    {
        tree.Files({{"keep", 100}, {"a/grows", 1000}, {"a/b/shrinks", 5000}, {"a/b/c/gone", 300}, {"x/y/gone", 7}});
        earlier = Search(tree.Root());
        tree.File("a/grows", 4000);
        tree.File("a/b/shrinks", 10);
        tree.Remove("a/b/c/gone");
        tree.Remove("x");
        tree.Files({{"a/b/c/d/new", 50}, {"fresh/f", 9}});
        doc->PresetRoot(tree.Root(), "Folder " + tree.Root());
        EXPECT_TRUE(doc->OnNewDocument());
        doc->AddView(&view);
        doc->SetComparison(std::make_unique<CSearchComparison>(*earlier->GetRoot(), *doc->GetRoot()));
    }
    CEntry* At(const std::vector<std::string>& names) const { return EntryAt(doc->GetRoot(), names); }
    void ExpectTrue(const char* after) const
    {
        ASSERT_NE(doc->GetComparison(), nullptr) << after;
        const auto again = Search(tree.Root());
        ASSERT_NE(again, nullptr);
        const CSearchComparison afresh(*earlier->GetRoot(), *again->GetRoot());
        EXPECT_EQ(Described(*doc->GetComparison()), Described(afresh)) << after;
        EXPECT_EQ(&doc->GetComparison()->GetCurrentRoot(), doc->GetRoot()) << after;
    }
};
