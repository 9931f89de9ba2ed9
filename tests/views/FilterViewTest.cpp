// The document's filter as the views show it: a real search of a scratch tree, a filter of
// chosen files set on its document, the list's rows and the blocks' pixels read back, and
// the filter kept true through a delete and a refresh.
#include "model/EntryFilter.h"
#include "support/ViewHarness.h"
#include "support/ViewProbe.h"
#include "views/VolraBlockView.h"
#include "views/VolraListView.h"
#include "views/VolraPrefs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {
// Files of every depth; the names say which ones the tests let through ("in").
void WriteFilterTree(const TempTree& tree)
{
    tree.Files({{"a/in1", 1000},
                {"a/out1", 2000},
                {"a/b/in2", 3000},
                {"a/b/out2", 500},
                {"c/in3", 4000},
                {"c/out3", 100},
                {"d/out4", 700},
                {"in0", 50},
                {"out0", 60}});
}

// Every file below dir whose name begins with "in", walked here apart from the filter.
std::vector<std::string> InNamesBelow(const CEntry& dir)
{
    std::vector<std::string> names;
    for (const CEntry* child : dir.GetChildren()) {
        if (child->IsDirectory()) {
            const std::vector<std::string> below = InNamesBelow(*child);
            names.insert(names.end(), below.begin(), below.end());
        } else if (child->GetName().starts_with("in")) {
            names.emplace_back(child->GetName());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A fill for a filter: every file of the directory's subtree whose name begins with "in".
void AddInFiles(CEntry& dir, CEntryFilter& filter)
{
    for (CEntry* child : dir.GetChildren()) {
        if (child->IsDirectory())
            AddInFiles(*child, filter);
        else if (child->GetName().starts_with("in"))
            filter.Add(*child);
    }
}

class ListFilterTest : public ViewHarness<CVolraListView> {
protected:
    void SetUp() override
    {
        WriteFilterTree(tree);
        Open(600, 400);
    }
    std::vector<std::string> Rows() const { return Names(view->GetRows()); }
    std::vector<std::string> SortedRows() const
    {
        std::vector<std::string> rows = Rows();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // A fixed set: the "in" files below the directory as they are now.
    void SetFixedFilter(CEntry& dir)
    {
        auto pFilter = std::make_unique<CEntryFilter>(*doc->GetRoot(), "Chosen");
        AddInFiles(dir, *pFilter);
        doc->SetFilter(std::move(pFilter));
    }
    // A rule: the "in" files below whatever directory is current.
    void SetRuleFilter()
    {
        auto pFilter = std::make_unique<CEntryFilter>(*doc->GetRoot(), "Rule");
        AddInFiles(*doc->GetCurrent(), *pFilter);
        doc->SetFilter(std::move(pFilter), [](CEntry& current, CEntryFilter& filter) { AddInFiles(current, filter); });
    }
};

class BlockFilterTest : public ViewHarness<CVolraBlockView> {
protected:
    void SetUp() override
    {
        WriteFilterTree(tree);
        Open(600, 400);
    }
    // The middle pixel of a file's block; for a directory, one in its bottom border, which
    // none of its children covers.
    QColor PixelOf(const QImage& image, const CEntry* pEntry) const
    {
        const CRect rc = view->GetLayout().RectOf(pEntry).value_or(CRect());
        return image.pixelColor(pEntry->IsDirectory() ? QPoint(rc.left + 4, rc.bottom - 4) : rc.ToQRect().center());
    }
};
}  // namespace

// Only the filter's files, from every depth, sorted by the list's column; nothing else of the
// document changes, the status bar counts them, and cleared the list is as it was.
TEST_F(ListFilterTest, ShowsOnlyTheFilesLetThroughAndClearedShowsAllAgain)
{
    const std::vector<std::string> before = Rows();
    const std::int64_t nRootSize = root->GetSize();
    CEntry* a = Child(root, "a");
    doc->SetSelected(Child(a, "out1"));
    ASSERT_TRUE(ExecuteCommand(*view, ID_SHOW_ALL_FILES));  // off: the filter reaches every depth anyway
    spy.hints.clear();

    SetFixedFilter(*root);
    EXPECT_EQ(spy.hints, (std::vector<LPARAM>{HINT_FILTER_CHANGED}));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"in3", "in2", "in1", "in0"})) << "largest first";
    EXPECT_EQ(SortedRows(), InNamesBelow(*root));
    EXPECT_EQ(doc->FilterText(), "Chosen: 4 files, 7.86k");
    EXPECT_EQ(doc->GetCurrent(), root);
    EXPECT_EQ(doc->GetSelected(), Child(a, "out1")) << "the selection stays, though not among the rows";
    EXPECT_EQ(root->GetSize(), nRootSize);

    // A fixed set stays what it is below another current directory.
    doc->SetCurrent(a);
    EXPECT_EQ(SortedRows(), InNamesBelow(*a));
    EXPECT_EQ(doc->FilterText(), "Chosen: 2 files, 3.91k");
    doc->SetCurrent(Child(root, "d"));
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(doc->FilterText(), "Chosen: 0 files, 0 bytes");
    doc->SetCurrent(root);

    view->OnColumnClick(static_cast<int>(EListColumn::Name));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"in0", "in1", "in2", "in3"}));
    view->OnColumnClick(static_cast<int>(EListColumn::Path));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"in2", "in1", "in3", "in0"})) << "a/b/in2, a/in1, c/in3, in0";
    view->OnColumnClick(static_cast<int>(EListColumn::Size));
    view->OnColumnClick(static_cast<int>(EListColumn::Size));

    spy.hints.clear();
    doc->ClearFilter();
    EXPECT_EQ(spy.hints, (std::vector<LPARAM>{HINT_FILTER_CHANGED}));
    EXPECT_EQ(doc->FilterText(), "");
    ASSERT_TRUE(ExecuteCommand(*view, ID_SHOW_ALL_FILES));
    EXPECT_EQ(Rows(), before);
    spy.hints.clear();
    doc->ClearFilter();
    EXPECT_TRUE(spy.hints.empty()) << "no filter, nothing to redraw";
}

// Deleting drops what went and a directory left without a passing file; a refresh carries a
// fixed set to the same files and applies a rule afresh, new files included.
TEST_F(ListFilterTest, DeleteAndRefreshKeepTheFilterTrue)
{
    TempTree trash;
    ScopedDataHome dataHome(trash.Path("share"));
    CEntry* a = Child(root, "a");
    SetFixedFilter(*root);
    const CEntryFilter* pFilter = doc->GetFilter();
    ASSERT_NE(pFilter, nullptr);
    EXPECT_TRUE(pFilter->Passes(*a));
    EXPECT_FALSE(pFilter->Passes(*Child(root, "d")));

    doc->SetSelected(Child(a, "in1"));
    ASSERT_TRUE(ExecuteCommand(*view, ID_DELETE));
    EXPECT_EQ(SortedRows(), (std::vector<std::string>{"in0", "in2", "in3"}));
    EXPECT_EQ(doc->FilterText(), "Chosen: 3 files, 6.88k");
    EXPECT_TRUE(pFilter->Passes(*a)) << "a/b/in2 is still there";
    doc->SetSelected(Child(a, "b"));
    ASSERT_TRUE(ExecuteCommand(*view, ID_DELETE));
    EXPECT_EQ(SortedRows(), (std::vector<std::string>{"in0", "in3"}));
    EXPECT_FALSE(pFilter->Passes(*a)) << "a holds no passing file any more";
    EXPECT_TRUE(pFilter->Passes(*root));
    EXPECT_EQ(pFilter->Count(), 2u);

    // A fixed set: the new "in" file is none of its files.
    tree.File("c/in5", 10);
    tree.Remove("c/in3");
    doc->SetCurrent(Child(root, "c"));
    doc->OnRefresh();
    root = doc->GetRoot();
    EXPECT_EQ(doc->GetFilter(), pFilter);
    EXPECT_TRUE(Rows().empty()) << "in3 is gone, in5 was never chosen";
    EXPECT_FALSE(pFilter->Passes(*doc->GetCurrent()));
    doc->SetCurrent(root);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"in0"}));

    // A rule: applied again after the refresh, and for each new current directory.
    SetRuleFilter();
    EXPECT_EQ(SortedRows(), (std::vector<std::string>{"in0", "in5"}));
    tree.File("c/in6", 20);
    doc->SetCurrent(Child(root, "c"));
    doc->OnRefresh();
    EXPECT_EQ(SortedRows(), (std::vector<std::string>{"in5", "in6"}));
    EXPECT_EQ(doc->FilterText(), "Rule: 2 files, 30 bytes");
    doc->SetCurrent(root);
    doc->OnRefresh();  // a new root: the rule follows it
    ASSERT_NE(doc->GetRoot(), root);
    EXPECT_EQ(SortedRows(), (std::vector<std::string>{"in0", "in5", "in6"}));
    EXPECT_EQ(SortedRows(), InNamesBelow(*doc->GetRoot()));
}

// The filter's files keep their colours, the rest is washed towards white, directories with a
// passing file inside keep theirs; cleared, the picture is pixel for pixel what it was.
TEST_F(BlockFilterTest, DimsWhatTheFilterLeavesOutAndClearedPaintsAsBefore)
{
    const QImage before = GrabImage(*view);
    CEntry* a = Child(root, "a");
    CEntry* d = Child(root, "d");
    auto pFilter = std::make_unique<CEntryFilter>(*root, "Chosen");
    pFilter->Add(*Child(a, "in1"));
    doc->SetSelected(nullptr);
    spy.hints.clear();
    doc->SetFilter(std::move(pFilter));
    const QImage filtered = GrabImage(*view);

    for (const CEntry* pKept : {Child(a, "in1"), a})
        EXPECT_EQ(PixelOf(filtered, pKept), PixelOf(before, pKept)) << pKept->GetName();
    for (const CEntry* pOut : {Child(a, "out1"), Child(Child(root, "c"), "in3"), d, Child(d, "out4")}) {
        const QColor was = PixelOf(before, pOut);
        const QColor now = PixelOf(filtered, pOut);
        EXPECT_NE(now, was) << pOut->GetName();
        EXPECT_GT(now.lightness(), was.lightness()) << pOut->GetName();
    }

    // The selection keeps its grey, filtered out or not.
    doc->SetSelected(Child(d, "out4"));
    EXPECT_EQ(PixelOf(GrabImage(*view), Child(d, "out4")), CVolraBlockView::kSelectedFill);
    doc->SetSelected(nullptr);

    doc->ClearFilter();
    EXPECT_EQ(GrabImage(*view), before);
}

// "Show directories" off: files only, so the largest files below come first; the choice goes
// to the preferences, where the next list starts from, and works beside the other options.
TEST_F(ListFilterTest, ShowDirectoriesOffListsFilesOnlyAndIsKept)
{
    struct PrefsBack {
        ~PrefsBack() { AfxGetPrefs().m_bShowDirectories = TRUE; }
    } back;
    const auto checked = [](CCmdTarget& list) {
        const CommandState state = StateOf(list, ID_SHOW_DIRECTORIES);
        EXPECT_TRUE(state.bEnabled);
        return state.nCheck != 0;
    };
    EXPECT_TRUE(checked(*view));
    EXPECT_TRUE(
        std::any_of(view->GetRows().begin(), view->GetRows().end(), [](const CEntry* p) { return p->IsDirectory(); }));

    ASSERT_TRUE(ExecuteCommand(*view, ID_SHOW_DIRECTORIES));
    EXPECT_FALSE(checked(*view));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"in3", "in2", "out1", "in1", "out4", "out2", "out3", "out0", "in0"}));
    EXPECT_EQ(AfxGetPrefs().m_bShowDirectories, FALSE);
    CVolraListView next(&parent);
    EXPECT_FALSE(checked(next)) << "a new list starts as the last one was left";

    ASSERT_TRUE(ExecuteCommand(*view, ID_SHOW_ALL_FILES));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"out0", "in0"})) << "the current directory's own files";
    doc->SetCurrent(Child(root, "a"));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"out1", "in1"}));
    SetRuleFilter();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"in2", "in1"}));
    doc->ClearFilter();

    ASSERT_TRUE(ExecuteCommand(*view, ID_SHOW_ALL_FILES));
    ASSERT_TRUE(ExecuteCommand(*view, ID_SHOW_DIRECTORIES));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"b", "in2", "out1", "in1", "out2"}));
    EXPECT_EQ(AfxGetPrefs().m_bShowDirectories, TRUE);
}
