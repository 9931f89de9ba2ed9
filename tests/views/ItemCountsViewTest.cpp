// How many files lie below each item, as the list's Items column and the tree panel's counts
// show it: a real search of a scratch tree, held against the count of the files the test
// wrote, and again after a delete and a refresh.
#include "framework/CmdUI.h"
#include "support/ViewHarness.h"
#include "views/ListModel.h"
#include "views/TreePanelModel.h"
#include "views/VolraListView.h"
#include "views/VolraPrefs.h"
#include "views/VolraTreeView.h"

#include <QTableView>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {
// The files written, and so the count below each directory: a 3 (b 2), c 1, d 0.
const char* const kFiles[] = {"a/one", "a/b/two", "a/b/three", "c/four", "five"};

// Directory path -> files below it, worked out from the paths written.
std::map<std::string, int> CountsWritten(const std::vector<std::string>& files)
{
    std::map<std::string, int> counts{{"", 0}};
    for (const std::string& file : files) {
        ++counts[""];
        for (std::size_t slash = file.find('/'); slash != std::string::npos; slash = file.find('/', slash + 1))
            ++counts[file.substr(0, slash)];
    }
    return counts;
}

class ItemsColumnTest : public ViewHarness<CVolraListView> {
protected:
    void SetUp() override
    {
        for (const char* file : kFiles)
            tree.File(file, 10);
        tree.Dir("d");
        written.assign(std::begin(kFiles), std::end(kFiles));
        Open(800, 400);
    }
    // Each row's Items cell by path below the root ("a/b", "five").
    std::map<std::string, std::string> ItemsCells() const
    {
        const CListModel& model = *view->GetModel();
        std::map<std::string, std::string> cells;
        for (int r = 0; r < model.rowCount(); ++r) {
            const std::string path = model.EntryAt(r)->GetPath().substr(tree.Root().size() + 1);
            cells[path] = model.data(model.index(r, static_cast<int>(EListColumn::Items))).toString().toStdString();
        }
        return cells;
    }
    // What the cells should say: a directory's count of the files written, 1 for a file.
    std::map<std::string, std::string> Expected() const
    {
        const std::map<std::string, int> counts = CountsWritten(written);
        std::map<std::string, std::string> cells;
        for (const auto& [dir, n] : counts)
            if (!dir.empty())
                cells[dir] = std::to_string(n);
        cells["d"] = "0";
        for (const std::string& file : written)
            cells[file] = "1";
        return cells;
    }
    std::vector<std::string> written;
};

class TreePanelCounts : public ViewHarness<CVolraTreeView> {
protected:
    void TearDown() override
    {
        ViewHarness::TearDown();
        AfxGetPrefs().m_bShowCounts = FALSE;
        AfxGetPrefs().m_bShowSizes = TRUE;
    }
    std::string LabelOf(const CEntry* pEntry) const { return view->GetModel()->Label(*pEntry).toStdString(); }
    void ShowSizesAndCounts(BOOL bSizes, BOOL bCounts)
    {
        AfxGetPrefs().m_bShowSizes = bSizes;
        AfxGetPrefs().m_bShowCounts = bCounts;
        doc->UpdateAllViews(nullptr, HINT_REDRAW);  // as accepting the preferences does
    }
};
}  // namespace

// The column's counts agree with the files written, sort the rows, and follow a delete and
// a refresh.
TEST_F(ItemsColumnTest, CountsFilesBelowSortsAndFollowsTheTree)
{
    EXPECT_EQ(view->GetModel()->headerData(static_cast<int>(EListColumn::Items), Qt::Horizontal).toString(), "Items");
    EXPECT_EQ(ItemsCells(), Expected());

    view->OnColumnClick(static_cast<int>(EListColumn::Items));
    view->OnColumnClick(static_cast<int>(EListColumn::Items));
    const std::vector<CEntry*>& rows = view->GetRows();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0]->GetName(), "a") << "3 files, the most";
    EXPECT_EQ(rows[1]->GetName(), "b");
    EXPECT_EQ(rows.back()->GetName(), "d") << "none at all";

    TempTree trash;
    ScopedDataHome dataHome(trash.Path("share"));
    doc->SetSelected(Child(Child(root, "a"), "b"));
    ASSERT_TRUE(ExecuteCommand(*view, ID_DELETE));
    std::erase_if(written, [](const std::string& f) { return f.starts_with("a/b/"); });
    EXPECT_EQ(ItemsCells(), Expected());

    tree.File("d/six", 1);
    tree.File("d/e/seven", 1);
    doc->SetCurrent(Child(root, "d"));
    doc->OnRefresh();
    doc->SetCurrent(doc->GetRoot());
    written.insert(written.end(), {"d/six", "d/e/seven"});
    std::map<std::string, std::string> expected = Expected();
    expected["d"] = "2";
    EXPECT_EQ(ItemsCells(), expected);
}

// "Show counts instead of sizes": the panel's brackets hold the files below each directory.
TEST_F(TreePanelCounts, ShowCountsReplacesSizesAndFollowsTheTree)
{
    for (const char* file : kFiles)
        tree.File(file, 2048);
    Open(300, 300);
    CEntry* a = Child(root, "a");
    const std::map<std::string, int> counts = CountsWritten({std::begin(kFiles), std::end(kFiles)});

    ShowSizesAndCounts(TRUE, FALSE);
    EXPECT_EQ(LabelOf(a), "a [6.00k]");
    ShowSizesAndCounts(TRUE, TRUE);
    EXPECT_EQ(LabelOf(a), "a [" + std::to_string(counts.at("a")) + " files]");
    EXPECT_EQ(LabelOf(Child(root, "c")), "c [1 file]");
    EXPECT_EQ(LabelOf(root), std::string(root->GetName()) + " [" + std::to_string(counts.at("")) + " files]");
    ShowSizesAndCounts(FALSE, TRUE);
    EXPECT_EQ(LabelOf(a), "a [3 files]") << "counts, whether sizes show or not";

    tree.File("a/eight", 1);
    doc->SetCurrent(a);
    doc->OnRefresh();
    a = doc->GetCurrent();
    EXPECT_EQ(LabelOf(a), "a [4 files]");
    ShowSizesAndCounts(FALSE, FALSE);
    EXPECT_EQ(LabelOf(a), "a");
}
