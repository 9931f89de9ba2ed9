#include "doc/Resource.h"
#include "framework/CmdTarget.h"
#include "support/ComparedSearch.h"

#include <gtest/gtest.h>

TEST(ComparisonFollowsTree, RefreshAndDeleteKeepItAndTheMarksTrue)
{
    CEntry::ShowDiskSizes(false);
    ComparedSearch c;
    const CSearchComparison& comparison = *c.doc->GetComparison();
    EXPECT_EQ(comparison.ChangeText(*c.At({"a", "grows"})), "+2.93k");
    EXPECT_EQ(comparison.ChangeText(*c.At({"a", "b", "shrinks"})), "-4.87k");
    EXPECT_EQ(comparison.ChangeText(*c.At({"a", "b", "c", "d"})), "new");
    EXPECT_EQ(comparison.ChangeText(*c.At({"keep"})), "");
    EXPECT_EQ(c.doc->ComparisonText().substr(c.doc->ComparisonText().find(": ")), ": -2.19k, 4 new, 4 removed")
        << "fresh, fresh/f, d, d/new are new; x, x/y, x/y/gone, c/gone are gone";
    c.ExpectTrue("attaching");

    // Marks go along: one kept through the refresh below, both dropped with what is trashed.
    ASSERT_TRUE(c.doc->SetMarked(*c.At({"a", "b", "c"}), true));
    ASSERT_TRUE(c.doc->SetMarked(*c.At({"fresh", "f"}), true));

    // A refresh of a directory changed again: a file back, one more gone, one more new.
    c.tree.File("a/b/c/gone", 300);
    c.tree.Remove("a/b/shrinks");
    c.tree.File("a/b/later", 1);
    c.doc->SetCurrent(c.At({"a", "b"}));
    ASSERT_TRUE(ExecuteCommand(c.view, ID_REFRESH));
    c.ExpectTrue("refreshing a/b");
    EXPECT_TRUE(c.doc->GetMarks()->IsMarked(*c.At({"a", "b", "c"}))) << "the mark follows the fresh copy";

    // The root read again: the comparison follows the new root.
    c.tree.Files({{"x/y/gone", 7}});
    c.doc->SetCurrent(c.doc->GetRoot());
    ASSERT_TRUE(ExecuteCommand(c.view, ID_REFRESH));
    c.ExpectTrue("refreshing the root");

    // The marked items trashed as one batch: both are removed from then on, as a delete
    // would have them, and their marks go.
    ASSERT_TRUE(ExecuteCommand(c.view, ID_TRASH_MARKED));
    c.ExpectTrue("trashing the marked");
    EXPECT_EQ(c.At({"a", "b", "c"}), nullptr);
    EXPECT_FALSE(c.doc->HasMarks()) << "both marked items were trashed";

    // Deleting an item held before (it becomes removed, with all below it) and a new one.
    for (const std::vector<std::string>& path : {std::vector<std::string>{"a", "b"}, {"fresh"}, {"x", "y", "gone"}}) {
        c.doc->SetSelected(c.At(path));
        ASSERT_TRUE(ExecuteCommand(c.view, ID_DELETE));
        c.ExpectTrue(("deleting " + path.front()).c_str());
    }

    c.doc->SetComparison(nullptr);
    EXPECT_EQ(c.doc->ComparisonText(), "");
}
