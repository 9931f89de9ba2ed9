#include "ListModel.h"

#include "FileTypeInfo.h"
#include "framework/DisplayText.h"
#include "model/Entry.h"

#include <algorithm>
#include <array>

namespace {
const std::array<const char*, kListColumns> kHeadings = {"Name",     "Size",    "Type",    "Path",
                                                         "Modified", "Created", "Accessed"};
}  // namespace

CListModel::CListModel(QObject* pParent) : QAbstractTableModel(pParent) {}

CEntry* CListModel::EntryAt(int nRow) const
{
    return nRow >= 0 && static_cast<std::size_t>(nRow) < m_rows.size() ? m_rows[static_cast<std::size_t>(nRow)]
                                                                       : nullptr;
}

int CListModel::RowOf(const CEntry* pEntry) const
{
    const auto it = std::find(m_rows.begin(), m_rows.end(), pEntry);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

QString CListModel::CellText(const CEntry& entry, int nColumn)
{
    switch (static_cast<EListColumn>(nColumn)) {
    case EListColumn::Name:
        return DisplayText(entry.GetName());
    case EListColumn::Size:
        return QString::fromStdString(entry.GetSizeText());
    case EListColumn::Type:
        return QString::fromStdString(entry.GetTypeText());
    case EListColumn::Path:
        return DisplayText(entry.GetPath());
    case EListColumn::Modified:
        return QString::fromStdString(entry.GetModifiedText());
    case EListColumn::Created:
        return QString::fromStdString(entry.GetCreatedText());
    case EListColumn::Accessed:
        return QString::fromStdString(entry.GetAccessedText());
    }
    return QStringLiteral("-");
}

int CListModel::rowCount(const QModelIndex& parent) const
{
    // A flat table: rows have no children.
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kListColumns; }

QVariant CListModel::data(const QModelIndex& index, int role) const
{
    CEntry* pEntry = index.isValid() ? EntryAt(index.row()) : nullptr;
    if (pEntry == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return CellText(*pEntry, index.column());
    case Qt::DecorationRole:
        if (index.column() == static_cast<int>(EListColumn::Name))
            return CFileTypeInfo::GetIcon(pEntry->GetIconIndex(FALSE));
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant CListModel::headerData(int nSection, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= kListColumns)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kHeadings[static_cast<std::size_t>(nSection)]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags CListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
