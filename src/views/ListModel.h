#pragma once
#include "ListComparing.h"
#include "ListOrder.h"

#include <QAbstractTableModel>
#include <QColor>

#include <vector>

class CEntry;
class CItemCounts;
class CMarkSet;
class CSearchComparison;

// The list view's rows as a table of seven columns, and an eighth, Change, while a
// comparison is set beside the tree. It stores one entry pointer per row and nothing else
// (a removed item's row: null, its entry aside): a cell's text and icon are made when the
// view asks for that cell, which it does only for the cells it shows.
//
// While the document has marks, a narrow check column comes last of all (after Change):
// "✓" at a marked row, a lighter one at a row below a marked directory. Its logical
// index follows the Change column's presence; the view shows it first.
class CListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CListModel(QObject* pParent = nullptr);

    // Replaces the rows: fill receives the row vector and the removed rows and leaves the
    // new rows in them. The view hears of it as one reset, and asks for no cell between the
    // old rows going and the new ones being complete, so no row is ever read that points at
    // a freed entry. pComparison is the one the rows were gathered with, or null.
    template <class Fill> void Rebuild(const CSearchComparison* pComparison, Fill&& fill)
    {
        beginResetModel();
        m_pComparison = pComparison;
        fill(m_rows, m_removed);
        endResetModel();
    }
    // Adds or takes away the Change column. Before it goes, what the comparison lent the
    // rows is dropped, so that nothing of a comparison already freed is read meanwhile.
    void ShowChangeColumn(bool bShow);
    bool HasChangeColumn() const { return m_bChangeColumn; }
    // Adds or takes away the check column; the marks it shows, the document's, or null.
    void ShowCheckColumn(bool bShow);
    void SetMarks(const CMarkSet* pMarks) { m_pMarks = pMarks; }
    // The counts the Items column shows, the document's, or null (the column then shows "-").
    void SetItemCounts(CItemCounts* pCounts) { m_pCounts = pCounts; }
    // The check column's logical index, -1 without one.
    int CheckColumn() const { return m_bCheckColumn ? kListColumns + (m_bChangeColumn ? 1 : 0) : -1; }
    // The check column's text of a row: "✓" for a marked or covered entry, else empty.
    QString CheckText(int nRow) const;
    // The colour of the checks of entries below a marked directory.
    void SetCoveredColour(const QColor& colour) { m_coveredColour = colour; }
    // The colour of the removed items' texts.
    void SetRemovedColour(const QColor& colour) { m_removedColour = colour; }

    const std::vector<CEntry*>& Rows() const { return m_rows; }
    // The comparison the rows were gathered with, or null.
    const CSearchComparison* GetComparison() const { return m_pComparison; }
    // The entry of the current tree a row shows; null for a removed item's row.
    CEntry* EntryAt(int nRow) const;
    // The entry of the earlier search a removed item's row shows, else null.
    const CEntry* RemovedAt(int nRow) const;
    const std::vector<CRemovedRow>& RemovedRows() const { return m_removed; }
    // The row showing the entry of the current tree, or -1 (also for null).
    int RowOf(const CEntry* pEntry) const;
    // The text of a cell as the view shows it; "-" for a column that does not exist.
    static QString CellText(const CEntry& entry, int nColumn);
    // The Change column's text of a row: its ChangeText, or "removed".
    QString ChangeText(int nRow) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QVariant CheckData(int nRow, int role) const;

    std::vector<CEntry*> m_rows;  // not owned: the document's tree owns the entries
    std::vector<CRemovedRow> m_removed;  // by row; their entries the earlier search's
    const CSearchComparison* m_pComparison = nullptr;  // not owned: the document's
    const CMarkSet* m_pMarks = nullptr;  // not owned: the document's
    CItemCounts* m_pCounts = nullptr;  // not owned: the document's
    bool m_bChangeColumn = false;
    bool m_bCheckColumn = false;
    QColor m_removedColour = Qt::gray;
    QColor m_coveredColour = Qt::gray;
};
