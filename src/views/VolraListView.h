#pragma once
#include "ListOrder.h"
#include "framework/View.h"

#include <initializer_list>
#include <string>

class CEntry;
class CListHeader;
class CListModel;
class CMarkSet;
class QMouseEvent;
class CSearchComparison;
class CVolraDoc;
class QTableView;

// The list mode: the entries below the document's current directory as rows of seven
// columns (name, size, type, path and three times), sorted by the column the user picked.
// With "Show all contained files" on, as it is at first, the rows are every entry below
// the current directory; with it off, only the directory's own children.
//
// A click on a heading sorts by that column, a second click reverses the order (an exact
// mirror, ties included). Selecting a row selects its entry in the document without
// repainting any other view; a double-click on a directory makes it current; the right
// button opens the document's context menu for the selection.
//
// While the document compares its search with an earlier one, a Change column stands
// beside Size, and two commands leave out what did not change ("Show changed only") and
// add, in grey, what is gone since ("Show removed"). A removed item's row is never the
// document's selection: clicking it selects nothing there, so Open and Delete cannot reach
// it; the status bar describes it.
//
// While the document has marks, a narrow check column stands first: it comes with the
// first mark and goes with the last, as the Change column follows the comparison.
// Ctrl+click selects the row under the pointer and toggles its mark.
//
// While the document has a filter (a find, a type), the rows are the files it lets through
// from every depth below the current directory, whatever "Show all contained files" says.
//
// The rows are rebuilt at every update from the document, whatever the hint, and dropped
// when the document lets go of the view, so they never outlive the entries they show.
class CVolraListView : public CView {
    Q_OBJECT
public:
    explicit CVolraListView(QWidget* pParent = nullptr);
    ~CVolraListView() override;

    // Does nothing: the rows are built by the update that follows attaching the view.
    void OnInitialUpdate() override;
    void OnUpdate(CView* pSender, LPARAM lHint, QObject* pHint) override;
    void OnDetachFromDocument() override;

    // A click on a column's heading: a new column sorts in its natural order (Change, like
    // Size at first, in the reverse: largest growth first), the sort column again reverses
    // the order.
    void OnColumnClick(int nColumn);
    void OnShowAllContained();
    void OnUpdateShowAllContained(CCmdUI* pCmdUI);
    // "Show directories", on at first and kept in the preferences: off, the rows are files
    // only, so that the largest files below the current directory come first.
    void OnShowDirectories();
    void OnUpdateShowDirectories(CCmdUI* pCmdUI);
    // Both only while comparing, off until asked for, and off again once the comparison goes.
    void OnShowChangedOnly();
    void OnUpdateShowChangedOnly(CCmdUI* pCmdUI);
    void OnShowRemoved();
    void OnUpdateShowRemoved(CCmdUI* pCmdUI);

    EListColumn GetSortColumn() const { return m_sortColumn; }
    // The rows' entries of the current tree; null at a removed item's row.
    const std::vector<CEntry*>& GetRows() const;
    CListModel* GetModel() const { return m_pModel; }
    QTableView* GetListCtrl() const { return m_list; }
    CListHeader* GetHeader() const { return m_pHeader; }

    static constexpr int kColumnWidths[kListColumns] = {128, 72, 64, 160, 128, 128, 128, 64};
    static constexpr int kChangeColumnWidth = 72;
    static constexpr int kCheckColumnWidth = 24;

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    CVolraDoc* GetVolraDoc() const;
    bool IsComparing() const;
    // The width a column needs for the widest of the texts.
    int FitWidth(std::initializer_list<std::string> texts) const;
    void FitColumnWidths();
    // Adds the Change column beside Size, or takes it away, as the document compares or not.
    void FollowComparison(const CSearchComparison* pComparison);
    // Adds the check column in front, or takes it away, as the document has marks or not.
    void FollowMarks(const CMarkSet* pMarks);
    // Ctrl and a press of the left button: selects the row as a click would and toggles
    // its mark. False when the press is the table's own.
    bool OnCtrlPress(const QMouseEvent& event);
    // Gathers and sorts the rows afresh, puts the mark on the sort column and keeps the
    // document's selection selected when it is among the rows.
    void Rebuild();
    // The rows in the reverse order, as the sort column's second click wants them.
    void Reverse();
    // Puts the mark on the sort column and keeps the document's selection selected.
    void AfterRebuild();
    void OnRowSelected();
    void OnRowDoubleClicked(int nRow);

    CListModel* m_pModel;
    CListHeader* m_pHeader;
    QTableView* m_list;
    EListColumn m_sortColumn = EListColumn::Size;
    bool m_sortReversed = true;  // so the first order is the largest first
    bool m_showAllContained = true;
    bool m_bShowDirectories;  // from the preferences, and back into them
    bool m_bChangedOnly = false;
    bool m_bShowRemoved = false;
    bool m_bRebuilding = false;
    // The rows are those of the document's last update to this view: the view was attached
    // all the while since, so that they may be turned round rather than made again.
    bool m_bRowsCurrent = false;  // the selection the view restores is no user's choice
};
