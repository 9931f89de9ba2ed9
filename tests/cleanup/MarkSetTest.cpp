#include "model/MarkSet.h"
#include "support/EntryBuild.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
std::vector<std::string> Paths(const std::vector<const CEntry*>& entries)
{
    std::vector<std::string> paths;
    for (const CEntry* p : entries)
        paths.push_back(p->GetPath());
    return paths;
}

CEntry* Dir(CEntry& parent, const std::string& name) { return AddEntry(parent, name, 0, true); }
}  // namespace

TEST(MarkSet, NestedMarksCountOnceAndComeBackWhenTheOuterGoes)
{
    CEntry* root = MakeRoot("/r");
    CEntry* a = Dir(*root, "a");
    CEntry* x = AddEntry(*a, "x", 5);
    CEntry* y = Dir(*a, "y");
    CEntry* z = AddEntry(*y, "z", 10);
    CEntry* b = AddEntry(*root, "b", 1);
    CEntry* c = Dir(*root, "c");
    CMarkSet marks(*root);

    struct Step {
        std::vector<const CEntry*> toggled;
        std::vector<std::string> top;
        std::size_t nCount;
        std::vector<const CEntry*> covered;  // of x, z, b, c
    };
    const Step steps[] = {
        {{z, c}, {"/r/a/y/z", "/r/c"}, 2, {z, c}},
        {{a}, {"/r/a", "/r/c"}, 3, {x, z, c}},  // z inside a: listed once, through a
        {{a}, {"/r/a/y/z", "/r/c"}, 2, {z, c}},  // unmarking a leaves z's own mark
        {{c, z, b}, {"/r/b"}, 1, {b}},
        {{b}, {}, 0, {}},
    };
    for (const Step& step : steps) {
        for (const CEntry* p : step.toggled)
            marks.Toggle(*p);
        SCOPED_TRACE(step.top.empty() ? "none" : step.top.front());
        EXPECT_EQ(Paths(marks.TopMarked()), step.top);
        EXPECT_EQ(marks.Count(), step.nCount);
        for (const CEntry* p : {x, z, b, c})
            EXPECT_EQ(marks.IsCovered(*p), std::ranges::count(step.covered, p) == 1) << p->GetPath();
    }
    marks.SetMarked(*x, true);
    marks.SetMarked(*x, true);  // marking twice is one mark
    EXPECT_EQ(marks.Count(), 1u);
    marks.Clear();
    EXPECT_TRUE(marks.IsEmpty());
    EXPECT_FALSE(marks.IsMarked(*x));
}

// As the document does it: a fresh copy read, swapped in, the marks told, the old freed.
TEST(MarkSet, MarksFollowARefreshAndADeleteAndNeverOutliveTheirEntry)
{
    CEntryArena& arena = HandArena();
    CEntry* root = MakeRoot("/r");
    CEntry* d = Dir(*root, "d");
    CEntry* other = AddEntry(*root, "other", 1);
    std::vector<const CEntry*> marked{other, d};
    for (const char* name : {"gone", "keep", "turns"})
        marked.push_back(AddEntry(*d, name, 1));
    CEntry* sub = Dir(*d, "sub");
    marked.push_back(AddEntry(*sub, "deep", 1));
    marked.push_back(Dir(*sub, "emptied"));
    SortChildrenByName(*d);  // as the walk leaves every directory
    CMarkSet marks(*root);
    for (const CEntry* p : marked)
        marks.SetMarked(*p, true);

    // d read again: "gone" went, "turns" became a directory, "new" and "emptied/inner" came.
    CEntry* fresh = arena.NewCopyForRereading(*d);
    AddEntry(*fresh, "keep", 1);
    AddEntry(*fresh, "new", 1);
    CEntry* freshSub = Dir(*fresh, "sub");
    AddEntry(*freshSub, "deep", 1);
    AddEntry(*Dir(*freshSub, "emptied"), "inner", 1);
    Dir(*fresh, "turns");
    ASSERT_TRUE(root->ReplaceChild(d, fresh));
    marks.Replaced(*d, *fresh);
    arena.Free(d);
    EXPECT_EQ(Paths(marks.TopMarked()), (std::vector<std::string>{"/r/d", "/r/other"}));
    marks.SetMarked(*fresh, false);
    EXPECT_EQ(Paths(marks.TopMarked()),
              (std::vector<std::string>{"/r/d/keep", "/r/d/sub/deep", "/r/d/sub/emptied", "/r/other"}));
    EXPECT_EQ(marks.Count(), 4u);

    // A delete: what was marked below goes with it, and the places it leaves, made into new
    // entries, are not marked.
    marks.Forget(*freshSub);
    ASSERT_TRUE(fresh->RemoveChild(freshSub));
    arena.Free(freshSub);
    EXPECT_EQ(Paths(marks.TopMarked()), (std::vector<std::string>{"/r/d/keep", "/r/other"}));
    EXPECT_EQ(marks.Count(), 2u);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(marks.IsMarked(*AddEntry(*fresh, "again" + std::to_string(i), 1)));

    // The root read again: the marks follow it to the new root.
    CEntry* freshRoot = arena.NewCopyForRereading(*root);
    AddEntry(*freshRoot, "other", 1);
    marks.Replaced(*root, *freshRoot);
    arena.Free(root);
    EXPECT_EQ(Paths(marks.TopMarked()), std::vector<std::string>{"/r/other"});
    EXPECT_EQ(marks.Count(), 1u);
}
