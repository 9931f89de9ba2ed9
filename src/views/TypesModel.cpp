#include "TypesModel.h"

#include "LensColour.h"
#include "model/FormatSize.h"

#include <QColor>
#include <QString>

namespace {
// Category rows carry 0 as their internal id, extension rows their category's row + 1.
constexpr quintptr kCategoryId = 0;

QString ShareText(double dShare) { return QString::number(dShare * 100.0, 'f', 1) + QStringLiteral(" %"); }
}  // namespace

void CTypesModel::SetTable(CTypeTable table)
{
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

void CTypesModel::SetLegend(bool bLegend)
{
    if (bLegend == m_bLegend)
        return;
    m_bLegend = bLegend;
    if (const int nRows = rowCount(); nRows > 0)
        emit dataChanged(index(0, Name), index(nRows - 1, Name), {Qt::DecorationRole});
}

const CCategoryRow* CTypesModel::CategoryAt(const QModelIndex& index) const
{
    if (!index.isValid())
        return nullptr;
    const std::size_t nRow = index.internalId() == kCategoryId ? std::size_t(index.row()) : index.internalId() - 1;
    return nRow < m_table.Categories().size() ? &m_table.Categories()[nRow] : nullptr;
}

const CTypeRow* CTypesModel::TypeAt(const QModelIndex& index) const
{
    const CCategoryRow* pCategory = CategoryAt(index);
    if (pCategory == nullptr || index.internalId() == kCategoryId)
        return nullptr;
    return std::size_t(index.row()) < pCategory->types.size() ? &pCategory->types[index.row()] : nullptr;
}

QModelIndex CTypesModel::index(int nRow, int nColumn, const QModelIndex& parent) const
{
    if (nRow < 0 || nColumn < 0 || nColumn >= ColumnCount || nRow >= rowCount(parent))
        return {};
    return createIndex(nRow, nColumn, parent.isValid() ? quintptr(parent.row()) + 1 : kCategoryId);
}

QModelIndex CTypesModel::parent(const QModelIndex& index) const
{
    if (!index.isValid() || index.internalId() == kCategoryId)
        return {};
    return createIndex(static_cast<int>(index.internalId() - 1), 0, kCategoryId);
}

int CTypesModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return static_cast<int>(m_table.Categories().size());
    if (parent.column() != 0 || parent.internalId() != kCategoryId)
        return 0;
    const CCategoryRow* pCategory = CategoryAt(parent);
    return pCategory != nullptr ? static_cast<int>(pCategory->types.size()) : 0;
}

int CTypesModel::columnCount(const QModelIndex&) const { return ColumnCount; }

QVariant CTypesModel::data(const QModelIndex& index, int nRole) const
{
    const CCategoryRow* pCategory = CategoryAt(index);
    if (pCategory == nullptr)
        return {};
    if (const CTypeRow* pType = TypeAt(index)) {
        if (index.column() == Name && (nRole == Qt::DisplayRole || nRole == kSortRole))
            return ExtensionText(pType->pType->extension);
        return Cell(index, nRole, pType->nCount, pType->nSize);
    }
    if (index.column() == Name) {
        if (nRole == Qt::DisplayRole || nRole == kSortRole)
            return QString::fromUtf8(CategoryText(pCategory->category));
        if (nRole == Qt::DecorationRole && m_bLegend)
            return CLensColour::CategoryColour(pCategory->category);
        return {};
    }
    return Cell(index, nRole, pCategory->nCount, pCategory->nSize);
}

// The numbers of a row, category or extension alike.
QVariant CTypesModel::Cell(const QModelIndex& index, int nRole, std::uint64_t nCount, std::int64_t nSize) const
{
    const double dShare = m_table.ShareOf(nSize);
    if (nRole == Qt::TextAlignmentRole && index.column() != Name)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (nRole == kShareRole)
        return dShare;
    if (nRole == kSortRole) {
        switch (index.column()) {
        case Count:
            return QVariant::fromValue<qulonglong>(nCount);
        case Size:
        case Share:
        case Bar:
            return QVariant::fromValue<qlonglong>(nSize);
        default:
            return {};
        }
    }
    if (nRole != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Count:
        return QString::fromStdString(FormatCount(nCount));
    case Size:
        return QString::fromStdString(FormatSize(nSize));
    case Share:
        return ShareText(dShare);
    default:
        return {};
    }
}

QVariant CTypesModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    if (orientation != Qt::Horizontal || nRole != Qt::DisplayRole)
        return {};
    switch (nSection) {
    case Name:
        return QStringLiteral("Type");
    case Count:
        return QStringLiteral("Files");
    case Size:
        return QStringLiteral("Size");
    case Share:
        return QStringLiteral("Share");
    default:
        return QString();
    }
}
