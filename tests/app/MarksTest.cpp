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

// Space, pressed to whatever has the focus, toggles the selection's mark in every mode and
// in the tree panel, though the item views take Space themselves; marks stay through mode
// switches and a Refresh of another folder.
TEST(Marks, SpaceTogglesInEveryViewAndMarksOutliveModesAndRefreshes)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    f.Frame().show();
    f.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Frame()));
    const auto space = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); };
    CEntry* top = Child(doc->GetRoot(), "top.bin");
    for (const UINT nMode : {ID_MODE_BLOCK, ID_MODE_PIE, ID_MODE_LIST}) {
        f.Command(nMode);
        f.Frame().GetActiveChildFrame()->GetCurrentView()->setFocus();
        doc->SetSelected(top);
        space();
        EXPECT_TRUE(doc->IsMarked(*top)) << nMode;
        EXPECT_TRUE(f.Enabled(ID_UNMARK)) << nMode;
        space();
        EXPECT_FALSE(doc->HasMarks()) << nMode;
    }
    auto* list = dynamic_cast<CVolraListView*>(f.Frame().GetActiveChildFrame()->GetCurrentView());
    ASSERT_NE(list, nullptr);
    const CListModel& model = *list->GetModel();
    EXPECT_EQ(list->GetListCtrl()->selectionModel()->selectedRows().value(0).row(), model.RowOf(top))
        << "Space left the table's selection alone";

    auto* tree = dynamic_cast<CVolraTreeView*>(f.Frame().GetActiveChildFrame()->GetTreeView());
    ASSERT_NE(tree, nullptr);
    CEntry* sub = Child(doc->GetRoot(), "sub");
    doc->SetCurrent(sub);
    tree->GetTreeCtrl()->setFocus();
    space();
    EXPECT_TRUE(doc->IsMarked(*sub));
    EXPECT_EQ(tree->GetSelectedEntry(), sub);

    doc->SetMarked(*sub, false);
    doc->SetMarked(*top, true);
    doc->SetMarked(*Child(sub, "a.txt"), true);
    for (const UINT nMode : {ID_MODE_BLOCK, ID_MODE_PIE, ID_MODE_LIST})
        f.Command(nMode);
    doc->SetCurrent(sub);
    f.Command(ID_REFRESH);
    ASSERT_EQ(doc->GetMarks()->Count(), 2U);
    EXPECT_TRUE(doc->IsMarked(*Child(doc->GetRoot(), "top.bin")));
    const CEntry* a = EntryAt(doc->GetRoot(), {"sub", "a.txt"});
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(doc->IsMarked(*a)) << "the item read again keeps its mark";
    EXPECT_EQ(model.CheckText(model.RowOf(a)), QStringLiteral("\u2713"));
}
