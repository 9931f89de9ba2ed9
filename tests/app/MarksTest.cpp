#include "AppFixture.h"

#include "app/AppCommands.h"
#include "support/DocHarness.h"
#include "views/ListModel.h"
#include "views/VolraListView.h"
#include "views/VolraTreeView.h"

#include <QApplication>
#include <QTableView>
#include <QTest>
#include <QTreeView>

namespace {
// Space as the user presses it: to whatever has the keyboard focus.
void PressSpace()
{
    QWidget* pFocus = QApplication::focusWidget();
    ASSERT_NE(pFocus, nullptr);
    QTest::keyClick(pFocus, Qt::Key_Space);
}
}  // namespace

// Space toggles the selection's mark in every mode and in the tree panel, though the item
// views use Space themselves; the menu's Mark, Unmark and Unmark all follow.
TEST(Marks, SpaceTogglesTheSelectionInEveryViewAndTheTreePanel)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    f.Frame().show();
    f.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Frame()));
    CEntry* top = Child(doc->GetRoot(), "top.bin");
    EXPECT_FALSE(f.Enabled(ID_UNMARK_ALL));
    for (const UINT nMode : {ID_MODE_BLOCK, ID_MODE_PIE, ID_MODE_LIST}) {
        f.Command(nMode);
        f.Frame().GetActiveChildFrame()->GetCurrentView()->setFocus();
        doc->SetSelected(top);
        EXPECT_TRUE(f.Enabled(ID_MARK)) << nMode;
        PressSpace();
        EXPECT_TRUE(doc->IsMarked(*top)) << nMode;
        EXPECT_FALSE(f.Enabled(ID_MARK)) << nMode;
        EXPECT_TRUE(f.Enabled(ID_UNMARK)) << nMode;
        EXPECT_TRUE(f.Enabled(ID_UNMARK_ALL)) << nMode;
        PressSpace();
        EXPECT_FALSE(doc->HasMarks()) << nMode;
    }
    auto* list = dynamic_cast<CVolraListView*>(f.Frame().GetActiveChildFrame()->GetCurrentView());
    ASSERT_NE(list, nullptr);
    const int nRow = list->GetModel()->RowOf(top);
    ASSERT_GE(nRow, 0);
    EXPECT_EQ(list->GetListCtrl()->selectionModel()->selectedRows().value(0).row(), nRow)
        << "Space left the table's selection alone";

    auto* tree = dynamic_cast<CVolraTreeView*>(f.Frame().GetActiveChildFrame()->GetTreeView());
    ASSERT_NE(tree, nullptr);
    CEntry* sub = Child(doc->GetRoot(), "sub");
    doc->SetCurrent(sub);
    tree->GetTreeCtrl()->setFocus();
    PressSpace();
    EXPECT_TRUE(doc->IsMarked(*sub));
    EXPECT_EQ(tree->GetSelectedEntry(), sub);
    f.Command(ID_UNMARK_ALL);
    EXPECT_FALSE(doc->HasMarks());
}

// Marks stay through mode switches and a Refresh of another folder, and the views show
// them wherever they are made.
TEST(Marks, MarksSurviveModeSwitchesAndARefreshOfAnotherFolder)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    f.Command(ID_MODE_LIST);
    auto* list = dynamic_cast<CVolraListView*>(f.Frame().GetActiveChildFrame()->GetCurrentView());
    ASSERT_NE(list, nullptr);
    doc->SetMarked(*Child(doc->GetRoot(), "top.bin"), true);
    doc->SetMarked(*EntryAt(doc->GetRoot(), {"sub", "a.txt"}), true);
    for (const UINT nMode : {ID_MODE_BLOCK, ID_MODE_PIE, ID_MODE_LIST}) {
        f.Command(nMode);
        EXPECT_EQ(doc->GetMarks()->Count(), 2U) << nMode;
    }
    EXPECT_GE(list->GetModel()->CheckColumn(), 0);

    doc->SetCurrent(Child(doc->GetRoot(), "sub"));
    f.Command(ID_REFRESH);
    ASSERT_EQ(doc->GetMarks()->Count(), 2U);
    EXPECT_TRUE(doc->IsMarked(*Child(doc->GetRoot(), "top.bin")));
    const CEntry* a = EntryAt(doc->GetRoot(), {"sub", "a.txt"});
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(doc->IsMarked(*a)) << "the item read again keeps its mark";
    const CListModel& model = *list->GetModel();
    EXPECT_EQ(model.CheckText(model.RowOf(a)), QStringLiteral("\u2713"));
}
