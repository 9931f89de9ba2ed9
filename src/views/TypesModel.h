#pragma once
#include "lenses/TypeTable.h"

#include <QAbstractItemModel>

// The File types panel's rows: a CTypeTable as a tree of category rows with their
// extension rows below, in the table's order (largest first). Columns: the name (the
// category's, or the extension with visible escapes for bytes that are not UTF-8), the
// number of files, their size in the measure shown, their share of the directory the table
// is of, and a bar of that share. kSortRole gives each cell's value to sort by (numbers
// as numbers). With the legend on, category rows carry their block colour as decoration.
class CTypesModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum EColumn { Name, Count, Size, Share, Bar, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole;
    static constexpr int kShareRole = Qt::UserRole + 1;  // 0 to 1, a double, for the bar

    using QAbstractItemModel::QAbstractItemModel;

    void SetTable(CTypeTable table);
    const CTypeTable& GetTable() const { return m_table; }
    // Whether the category rows show the block view's colours.
    void SetLegend(bool bLegend);
    bool HasLegend() const { return m_bLegend; }

    // The category row, or the category and extension of an extension row.
    const CCategoryRow* CategoryAt(const QModelIndex& index) const;
    const CTypeRow* TypeAt(const QModelIndex& index) const;

    QModelIndex index(int nRow, int nColumn, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;

private:
    QVariant Cell(const QModelIndex& index, int nRole, std::uint64_t nCount, std::int64_t nSize) const;

    CTypeTable m_table;
    bool m_bLegend = false;
};
