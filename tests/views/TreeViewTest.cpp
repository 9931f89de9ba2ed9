// The tree panel as a search window holds it: attached to the document of a real search,
// told of the finished search, then driven by the document's navigation, by keys and by
// the mouse.
#include "framework/CmdTarget.h"
#include "support/Input.h"
#include "support/ViewHarness.h"
#include "views/TreePanelModel.h"
#include "views/VolraPrefs.h"
#include "views/VolraTreeView.h"

#include <QAbstractItemModelTester>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>


namespace {
class TreePanelTest : public ViewHarness<CVolraTreeView> {
protected:
    // Root: a/b/c/d (deep), a/b/c2, a/files (files only), m/n; a file at the top.
    void SetUp() override
    {
        tree.Files({{"a/b/c/d/deep.txt", 10}, {"a/b/c2/x", 5}, {"a/files/f1", 100},
                   {"a/files/f2", 200}, {"m/n/o", 1}, {"top", 7}});
        Open(250, 110);  // room for a few nodes only: revealing must scroll
        parent.show();
    }
    void TearDown() override
    {
        ViewHarness::TearDown();
        AfxGetPrefs().m_bShowSizes = m_bShowSizes;
    }

    CEntry* At(const std::vector<std::string>& names) const { return EntryAt(doc->m_pRoot, names); }
    QModelIndex IndexOf(const std::vector<std::string>& names) const { return Model()->IndexOf(At(names)); }
    bool Expanded(const std::vector<std::string>& names) const { return Ctrl()->isExpanded(IndexOf(names)); }
    CTreePanelModel* Model() const { return view->GetModel(); }
    QTreeView* Ctrl() const { return view->GetTreeCtrl(); }
    // The first line of the menu a right click at pt opens, or "" for no menu.
    std::string RightClick(QPoint pt) { return ContextMenuAt(Ctrl()->viewport(), pt).firstLine; }

    const BOOL m_bShowSizes = AfxGetPrefs().m_bShowSizes;
};
}  // namespace

TEST_F(TreePanelTest, NodesAreMadeOnlyWhereBranchesOpenAndLabelsFollowThePreference)
{
    EXPECT_EQ(view->GetSelectedEntry(), root);
    EXPECT_EQ(Model()->NodeCount(), 3) << "the root and its subdirectories a and m";
    EXPECT_FALSE(IndexOf({"a", "b"}).isValid());
    EXPECT_TRUE(Model()->hasChildren(IndexOf({"a"})));

    Ctrl()->expand(IndexOf({"a"}));  // as the expand button does
    EXPECT_EQ(Model()->NodeCount(), 5);
    const QModelIndex files = IndexOf({"a", "files"});
    EXPECT_FALSE(Model()->hasChildren(files)) << "a directory of files only is a leaf";
    EXPECT_TRUE(Model()->flags(files) & Qt::ItemNeverHasChildren);
    Ctrl()->expand(files);
    EXPECT_EQ(Model()->rowCount(files), 0);

    for (const BOOL bShow : {TRUE, FALSE, TRUE}) {
        AfxGetPrefs().m_bShowSizes = bShow;
        doc->UpdateAllViews(nullptr, HINT_REDRAW);  // as accepting the preferences does
        EXPECT_EQ(Model()->data(files).toString().toStdString(), bShow ? "files [300 bytes]" : "files");
    }
}

TEST_F(TreePanelTest, FollowsTheCurrentDirectoryAndDrivesIt)
{
    // A double-click deep in the block view: every level down to it opens, itself too.
    CEntry* c = At({"a", "b", "c"});
    doc->SetCurrent(c);
    EXPECT_EQ(view->GetSelectedEntry(), c);
    EXPECT_EQ(spy.hints.size(), 1u) << "this one: the panel's selection sends nothing";
    for (const auto& level : {std::vector<std::string>{"a"}, {"a", "b"}, {"a", "b", "c"}})
        EXPECT_TRUE(Expanded(level)) << level.back();
    EXPECT_TRUE(Ctrl()->viewport()->rect().contains(Ctrl()->visualRect(IndexOf({"a", "b", "c"}))));
    EXPECT_FALSE(IndexOf({"m", "n"}).isValid()) << "other branches stay unmade";

    // Up: the parent's node is selected, the child's keeps its state. A node that exists
    // under a closed branch is shown by opening the branch.
    doc->OnOpenParent();
    EXPECT_EQ(view->GetSelectedEntry(), At({"a", "b"}));
    EXPECT_TRUE(Expanded({"a", "b", "c"}));
    Ctrl()->collapse(IndexOf({"a"}));
    doc->SetCurrent(At({"a", "b", "c2"}));
    EXPECT_TRUE(Expanded({"a"}));
    doc->SetCurrent(At({"a", "b"}));

    // Keys: each node passed becomes current, and the views follow every step.
    Ctrl()->setFocus();
    spy.hints.clear();
    for (const auto& [key, path] : {std::pair{Qt::Key_Up, std::vector<std::string>{"a"}}, {Qt::Key_Down, {"a", "b"}},
                                    {Qt::Key_Down, {"a", "b", "c"}}, {Qt::Key_Down, {"a", "b", "c", "d"}}}) {
        QTest::keyClick(Ctrl(), key);
        EXPECT_EQ(doc->m_pCurrent, At(path)) << path.back();
        EXPECT_EQ(doc->m_pSelected, At(path));
    }
    EXPECT_EQ(spy.hints, std::vector<LPARAM>(4, HINT_REDRAW));

    // Losing the selection makes nothing current.
    Ctrl()->selectionModel()->clearSelection();
    EXPECT_EQ(doc->m_pCurrent, At({"a", "b", "c", "d"}));

    // A right click on a node makes it current, then opens the menu for it; on the empty
    // area below the nodes nothing happens.
    const QModelIndex m = IndexOf({"m"});
    Ctrl()->scrollTo(m);
    EXPECT_EQ(RightClick(Ctrl()->visualRect(m).center()), At({"m"})->GetPath() + " [1 bytes]");
    EXPECT_EQ(doc->m_pCurrent, At({"m"}));
    Ctrl()->collapse(IndexOf({}));
    EXPECT_EQ(RightClick(QPoint(20, Ctrl()->viewport()->height() - 5)), "");
    EXPECT_EQ(doc->m_pCurrent, At({"m"}));
}

TEST_F(TreePanelTest, RefreshAndDeleteCloseEveryBranchButTheCurrentOne)
{
    QAbstractItemModelTester tester(Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    doc->SetCurrent(At({"a", "b", "c"}));
    Ctrl()->expand(IndexOf({"m"}));
    Ctrl()->expand(IndexOf({"a", "b", "c2"}));

    doc->OnRefresh();
    EXPECT_EQ(view->GetSelectedEntry(), At({"a", "b", "c"}));
    for (const auto& level : {std::vector<std::string>{}, {"a"}, {"a", "b"}, {"a", "b", "c"}})
        EXPECT_TRUE(Expanded(level));
    EXPECT_FALSE(Expanded({"m"}));
    EXPECT_FALSE(Expanded({"a", "b", "c2"}));

    TempTree trash;
    ScopedDataHome dataHome(trash.Path("share"));
    doc->m_pSelected = At({"a", "b", "c", "d"});
    ASSERT_TRUE(ExecuteCommand(*view, ID_DELETE));
    EXPECT_EQ(At({"a", "b", "c", "d"}), nullptr);
    EXPECT_EQ(view->GetSelectedEntry(), At({"a", "b", "c"}));
    EXPECT_FALSE(Model()->hasChildren(IndexOf({"a", "b", "c"}))) << "its only subdirectory went";
    doc->OnOpenParent();
    EXPECT_EQ(view->GetSelectedEntry(), At({"a", "b"}));
}
