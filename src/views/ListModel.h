#pragma once
#include "ListOrder.h"

#include <QAbstractTableModel>

#include <vector>

class CEntry;

// The list view's rows as a table of seven columns. It stores one entry pointer per row
// and nothing else: a cell's text and icon are made when the view asks for that cell,
// which it does only for the cells it shows.
class CListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CListModel(QObject* pParent = nullptr);

    // Replaces the rows: fill receives the row vector and leaves the new rows in it. The
    // view hears of it as one reset, and asks for no cell between the old rows going and
    // the new ones being complete, so no row is ever read that points at a freed entry.
    template <class Fill> void Rebuild(Fill&& fill)
    {
        beginResetModel();
        fill(m_rows);
        endResetModel();
    }

    const std::vector<CEntry*>& Rows() const { return m_rows; }
    CEntry* EntryAt(int nRow) const;
    // The row showing the entry, or -1.
    int RowOf(const CEntry* pEntry) const;
    // The text of a cell as the view shows it; "-" for a column that does not exist.
    static QString CellText(const CEntry& entry, int nColumn);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<CEntry*> m_rows;  // not owned: the document's tree owns the entries
};
