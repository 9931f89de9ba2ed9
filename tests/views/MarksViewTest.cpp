// Marks as every view shows and takes them: a real search of a scratch tree, the views
// attached to its document, Ctrl and a click sent to the widgets, pixels read from a grab.
#include "support/ViewHarness.h"
#include "support/ViewProbe.h"
#include "views/ListHeader.h"
#include "views/ListModel.h"
#include "views/TreePanelModel.h"
#include "views/VolraBlockView.h"
#include "views/VolraListView.h"
#include "views/VolraPieView.h"
#include "views/VolraTreeView.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTableView>
#include <QTreeView>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {
bool Enabled(CCmdTarget& route, UINT nID) { return StateOf(route, nID).bEnabled; }

class BlockMarksTest : public ViewHarness<CVolraBlockView> {
protected:
    CRect RectOf(const CEntry* pEntry) const { return view->GetLayout().RectOf(pEntry).value_or(CRect()); }
    QPoint Centre(const CEntry* pEntry) const { return RectOf(pEntry).ToQRect().center(); }
};

class PieMarksTest : public ViewHarness<CVolraPieView> {
protected:
    // Halfway out from the centre to the middle of the slice's arc.
    QPoint In(int nSlice) const
    {
        return (view->GetChart().Slice(nSlice).m_label.m_ptAnchor + view->rect().center()) / 2;
    }
    // Pixels unlike before in the 9 by 9 square around a slice's point: a hatch's lines
    // cross any such square.
    int Changed(const QImage& now, const QImage& before, int nSlice) const
    {
        int n = 0;
        const QPoint at = In(nSlice);
        for (int y = at.y() - 4; y <= at.y() + 4; ++y)
            for (int x = at.x() - 4; x <= at.x() + 4; ++x)
                n += now.pixelColor(x, y) != before.pixelColor(x, y) ? 1 : 0;
        return n;
    }
};

class ListMarksTest : public ViewHarness<CVolraListView> {
protected:
    // Each row's check, by name.
    std::map<std::string, std::string> Checks() const
    {
        const CListModel& model = *view->GetModel();
        std::map<std::string, std::string> checks;
        for (int r = 0; r < model.rowCount(); ++r)
            checks[std::string(model.EntryAt(r)->GetName())] = model.CheckText(r).toStdString();
        return checks;
    }
    QPoint RowCentre(const CEntry* pEntry) const
    {
        QTableView* table = view->GetListCtrl();
        return table->visualRect(view->GetModel()->index(view->GetModel()->RowOf(pEntry), 1)).center();
    }
};

class TreeMarksTest : public ViewHarness<CVolraTreeView> {};
}  // namespace

// Mark, Unmark and Unmark all are enabled where they apply and Space toggles the selection,
// through a view's route to the document; nothing is enabled without a selection.
TEST_F(ListMarksTest, CommandsActOnTheSelectionWhereTheyApply)
{
    tree.File("a", 10);
    Open(600, 300);
    CEntry* a = Child(root, "a");
    struct Step {
        CEntry* pSelect;
        UINT nID;  // carried out after the checks, 0 for none
        bool bMark, bUnmark, bUnmarkAll, bToggle;
        bool bMarkedAfter;
    };
    const Step steps[] = {
        {nullptr, 0, false, false, false, false, false},     {a, ID_MARK, true, false, false, true, true},
        {a, ID_MARK_TOGGLE, false, true, true, true, false}, {a, ID_MARK_TOGGLE, true, false, false, true, true},
        {a, ID_UNMARK, false, true, true, true, false},      {a, ID_MARK, true, false, false, true, true},
        {a, ID_UNMARK_ALL, false, true, true, true, false},
    };
    int nStep = 0;
    for (const Step& step : steps) {
        doc->SetSelected(step.pSelect);
        EXPECT_EQ(Enabled(*view, ID_MARK), step.bMark) << nStep;
        EXPECT_EQ(Enabled(*view, ID_UNMARK), step.bUnmark) << nStep;
        EXPECT_EQ(Enabled(*view, ID_UNMARK_ALL), step.bUnmarkAll) << nStep;
        EXPECT_EQ(Enabled(*view, ID_MARK_TOGGLE), step.bToggle) << nStep;
        if (step.nID != 0) {
            EXPECT_TRUE(ExecuteCommand(*view, step.nID)) << nStep;
        }
        EXPECT_EQ(doc->IsMarked(*a), step.bMarkedAfter) << nStep;
        EXPECT_EQ(doc->HasMarks(), step.bMarkedAfter) << nStep;
        ++nStep;
    }
}

// The check column comes first with the first mark and goes with the last; a marked row
// shows a check, a row below a marked directory a lighter one. Ctrl and a click selects the
// row and toggles its mark; a click on the checks' heading sorts nothing.
TEST_F(ListMarksTest, TheCheckColumnComesAndGoesWithTheMarks)
{
    tree.Files({{"big", 300}, {"d/x", 200}, {"d/y", 100}, {"small", 50}});
    Open(800, 300);
    QAbstractItemModelTester tester(view->GetModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    parent.show();
    const CListModel& model = *view->GetModel();
    const QImage before = GrabImage(*view);
    ASSERT_EQ(model.columnCount(), kListColumns);
    CEntry* d = Child(root, "d");
    CEntry* small = Child(root, "small");

    CtrlClick(view->GetListCtrl()->viewport(), RowCentre(small));
    EXPECT_EQ(doc->GetSelected(), small) << "selected as a plain click does";
    EXPECT_TRUE(doc->IsMarked(*small));
    ASSERT_EQ(model.columnCount(), kListColumns + 1);
    EXPECT_EQ(model.CheckColumn(), kListColumns);
    EXPECT_EQ(view->GetHeader()->logicalIndex(0), model.CheckColumn()) << "shown first";
    EXPECT_EQ(view->GetHeader()->logicalIndex(1), static_cast<int>(EListColumn::Name));
    EXPECT_LE(view->GetListCtrl()->columnWidth(model.CheckColumn()), 32);
    EXPECT_EQ(view->GetListCtrl()->selectionModel()->selectedRows().size(), 1);

    CtrlClick(view->GetListCtrl()->viewport(), RowCentre(d));
    const std::map<std::string, std::string> shown = {
        {"big", ""}, {"d", "\u2713"}, {"x", "\u2713"}, {"y", "\u2713"}, {"small", "\u2713"}};
    EXPECT_EQ(Checks(), shown);
    const int nY = model.RowOf(Child(d, "y"));
    const QColor grey = view->GetListCtrl()->palette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_EQ(model.data(model.index(nY, model.CheckColumn()), Qt::ForegroundRole).value<QColor>(), grey);
    EXPECT_FALSE(model.data(model.index(model.RowOf(d), model.CheckColumn()), Qt::ForegroundRole).isValid());

    const EListColumn sorted = view->GetSortColumn();
    view->OnColumnClick(model.CheckColumn());
    EXPECT_EQ(view->GetSortColumn(), sorted);
    EXPECT_EQ(Checks(), shown);

    CtrlClick(view->GetListCtrl()->viewport(), RowCentre(d));
    CtrlClick(view->GetListCtrl()->viewport(), RowCentre(small));
    EXPECT_EQ(doc->GetSelected(), small);
    EXPECT_FALSE(doc->HasMarks());
    EXPECT_EQ(model.columnCount(), kListColumns) << "gone with the last mark";
    doc->SetSelected(nullptr);
    doc->UpdateAllViews(nullptr, HINT_REDRAW);
    EXPECT_EQ(GrabImage(*view), before) << "without marks the list is as it was";
}

// A marked block is tinted inside a frame, a block below a marked directory tinted more
// lightly, every other pixel as before; without marks the view paints exactly as it did.
TEST_F(BlockMarksTest, MarkedBlocksArePaintedOverAndTheOthersAsBefore)
{
    tree.Files({{"a", 600}, {"b", 300}, {"d/x", 400}, {"d/y", 200}});
    Open(500, 300);
    const QImage before = GrabImage(*view);
    CEntry* a = Child(root, "a");
    CEntry* b = Child(root, "b");
    CEntry* d = Child(root, "d");
    CEntry* x = Child(d, "x");
    CEntry* y = Child(d, "y");

    CtrlClick(view.get(), Centre(b));
    EXPECT_EQ(doc->GetSelected(), b) << "selected as a plain click does";
    EXPECT_TRUE(doc->IsMarked(*b));
    doc->SetSelected(nullptr);  // the selection's look aside
    doc->SetMarked(*d, true);
    const QImage marked = GrabImage(*view);
    EXPECT_EQ(marked.pixelColor(Centre(a)), before.pixelColor(Centre(a)));
    for (const CEntry* p : {b, x, y})
        EXPECT_NE(marked.pixelColor(Centre(p)), before.pixelColor(Centre(p))) << p->GetName();
    // Marked inside a marked directory looks unlike merely covered.
    doc->SetMarked(*x, true);
    EXPECT_NE(GrabImage(*view).pixelColor(Centre(x)), marked.pixelColor(Centre(x)));

    CtrlClick(view.get(), Centre(b));
    EXPECT_FALSE(doc->IsMarked(*b));
    doc->ClearMarks();
    doc->SetSelected(nullptr);
    view->update();
    EXPECT_EQ(GrabImage(*view), before);
}

// Ctrl and a click highlights the slice and toggles its mark; a marked slice is painted over,
// the others not; without marks the pie is as it was.
TEST_F(PieMarksTest, CtrlClickMarksASliceAndTheMarkShows)
{
    tree.Files({{"a", 3000}, {"b", 1000}, {"c", 2000}});
    Open(600, 400);
    const QImage before = GrabImage(*view);
    CEntry* b = Child(root, "b");
    CtrlClick(view.get(), In(1));
    EXPECT_EQ(doc->GetSelected(), b);
    EXPECT_EQ(view->GetHighlight(), 1) << "kept through the document's redraw";
    EXPECT_TRUE(doc->IsMarked(*b));
    GrabImage(*view);  // lays the rebuilt slices out, as the repaint before the next click does
    CtrlClick(view.get(), In(0));
    EXPECT_TRUE(doc->IsMarked(*Child(root, "a")));
    EXPECT_EQ(view->GetHighlight(), 0);
    doc->SetMarked(*Child(root, "a"), false);
    doc->SetSelected(nullptr);
    doc->UpdateAllViews(nullptr, HINT_REDRAW);
    ASSERT_EQ(view->GetHighlight(), -1);
    const QImage marked = GrabImage(*view);
    EXPECT_GT(Changed(marked, before, 1), 0);
    EXPECT_EQ(Changed(marked, before, 0), 0);
    EXPECT_EQ(Changed(marked, before, 2), 0);

    // Inside a marked directory every slice is covered.
    doc->SetMarked(*root, true);
    const QImage covered = GrabImage(*view);
    EXPECT_GT(Changed(covered, before, 2), 0);
    doc->ClearMarks();
    EXPECT_EQ(GrabImage(*view), before);
}

// A marked directory's node starts with a check; Ctrl and a click on a node makes it
// current, as a click does, and toggles its mark.
TEST_F(TreeMarksTest, ChecksBeforeLabelsAndCtrlClickMarksTheNode)
{
    tree.Files({{"a/f", 10}, {"b/g", 20}});
    Open(300, 200);
    parent.show();
    CEntry* a = Child(root, "a");
    const CTreePanelModel& model = *view->GetModel();
    const QImage before = GrabImage(*view);
    QTreeView* ctrl = view->GetTreeCtrl();
    const QPoint at = ctrl->visualRect(model.IndexOf(a)).center();
    CtrlClick(ctrl->viewport(), at);
    EXPECT_EQ(doc->GetCurrent(), a);
    EXPECT_TRUE(doc->IsMarked(*a));
    EXPECT_EQ(model.data(model.IndexOf(a)).toString(), QStringLiteral("\u2713 ") + model.Label(*a));
    EXPECT_EQ(model.data(model.IndexOf(Child(root, "b"))).toString(), model.Label(*Child(root, "b")));
    EXPECT_EQ(view->GetSelectedEntry(), a) << "Ctrl does not unselect";
    CtrlClick(ctrl->viewport(), ctrl->visualRect(model.IndexOf(a)).center());
    EXPECT_FALSE(doc->HasMarks());
    EXPECT_EQ(view->GetSelectedEntry(), a);
    EXPECT_EQ(model.data(model.IndexOf(a)).toString(), model.Label(*a));
    doc->SetCurrent(root);
    EXPECT_EQ(GrabImage(*view), before);
}
