#include "ListModel.h"

#include "FileTypeInfo.h"
#include "MarkLook.h"
#include "framework/DisplayText.h"
#include "model/Entry.h"
#include "model/FormatSize.h"
#include "model/ItemCounts.h"
#include "model/SearchComparison.h"

#include <algorithm>
#include <array>

namespace {
const std::array<const char*, kListColumns + 1> kHeadings = {"Name",    "Size",     "Type",  "Path",  "Modified",
                                                             "Created", "Accessed", "Items", "Change"};

// An entry of the earlier search caches no icon (it is not this tree's to change): its
// icon is looked up each time its row is painted, by name, like any other.
int RemovedIconIndex(const CEntry& entry)
{
    std::string path = entry.GetPath();
    if (entry.IsDirectory() && (path.empty() || path.back() != '/'))
        path += '/';
    return CFileTypeInfo::GetEntryIconIndex(path, FALSE, entry.IsMountPoint() ? TRUE : FALSE);
}
}  // namespace

CListModel::CListModel(QObject* pParent) : QAbstractTableModel(pParent) {}

CEntry* CListModel::EntryAt(int nRow) const
{
    return nRow >= 0 && static_cast<std::size_t>(nRow) < m_rows.size() ? m_rows[static_cast<std::size_t>(nRow)]
                                                                       : nullptr;
}

const CEntry* CListModel::RemovedAt(int nRow) const
{
    const auto it = std::lower_bound(m_removed.begin(), m_removed.end(), nRow,
                                     [](const CRemovedRow& row, int n) { return static_cast<int>(row.nRow) < n; });
    return it != m_removed.end() && static_cast<int>(it->nRow) == nRow ? it->pEntry : nullptr;
}

void CListModel::ShowChangeColumn(bool bShow)
{
    if (bShow == m_bChangeColumn)
        return;
    if (bShow) {
        beginInsertColumns(QModelIndex(), kListColumns, kListColumns);
        m_bChangeColumn = true;
        endInsertColumns();
        return;
    }
    m_pComparison = nullptr;
    m_removed.clear();
    beginRemoveColumns(QModelIndex(), kListColumns, kListColumns);
    m_bChangeColumn = false;
    endRemoveColumns();
}

void CListModel::ShowCheckColumn(bool bShow)
{
    if (bShow == m_bCheckColumn)
        return;
    const int nColumn = kListColumns + (m_bChangeColumn ? 1 : 0);
    if (bShow) {
        beginInsertColumns(QModelIndex(), nColumn, nColumn);
        m_bCheckColumn = true;
        endInsertColumns();
        return;
    }
    m_pMarks = nullptr;
    beginRemoveColumns(QModelIndex(), nColumn, nColumn);
    m_bCheckColumn = false;
    endRemoveColumns();
}

QString CListModel::CheckText(int nRow) const
{
    const CEntry* pEntry = EntryAt(nRow);
    if (pEntry == nullptr || CMarkLook::Of(m_pMarks, *pEntry) == CMarkLook::State::None)
        return {};
    return QString(QChar(0x2713));
}

QString CListModel::ChangeText(int nRow) const
{
    if (RemovedAt(nRow) != nullptr)
        return QStringLiteral("removed");
    const CEntry* pEntry = EntryAt(nRow);
    if (pEntry == nullptr || m_pComparison == nullptr)
        return {};
    return QString::fromStdString(m_pComparison->ChangeText(*pEntry));
}

int CListModel::RowOf(const CEntry* pEntry) const
{
    if (pEntry == nullptr)
        return -1;  // not a removed item's row
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
    case EListColumn::Items:
    case EListColumn::Change:
        break;  // the counts' and the comparison's, not the entry's
    }
    return QStringLiteral("-");
}

int CListModel::rowCount(const QModelIndex& parent) const
{
    // A flat table: rows have no children.
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kListColumns + (m_bChangeColumn ? 1 : 0) + (m_bCheckColumn ? 1 : 0);
}

QVariant CListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    CEntry* pEntry = EntryAt(index.row());
    const CEntry* pGone = pEntry == nullptr ? RemovedAt(index.row()) : nullptr;
    if (pEntry == nullptr && pGone == nullptr)
        return {};
    if (index.column() == CheckColumn())
        return CheckData(index.row(), role);
    const bool bName = index.column() == static_cast<int>(EListColumn::Name);
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == static_cast<int>(EListColumn::Change))
            return ChangeText(index.row());
        if (index.column() == static_cast<int>(EListColumn::Items) && m_pCounts != nullptr)
            return QString::fromStdString(FormatCount(m_pCounts->Of(pEntry != nullptr ? *pEntry : *pGone)));
        return CellText(pEntry != nullptr ? *pEntry : *pGone, index.column());
    case Qt::DecorationRole:
        if (bName)
            return CFileTypeInfo::GetIcon(pEntry != nullptr ? pEntry->GetIconIndex(FALSE) : RemovedIconIndex(*pGone));
        return {};
    case Qt::ForegroundRole:
        return pGone != nullptr ? QVariant(m_removedColour) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant CListModel::CheckData(int nRow, int role) const
{
    const CEntry* pEntry = EntryAt(nRow);  // null at a removed item's row: never marked
    switch (role) {
    case Qt::DisplayRole:
        return CheckText(nRow);
    case Qt::ForegroundRole:
        // Below a marked directory: taken along with it, not marked itself.
        return pEntry != nullptr && CMarkLook::Of(m_pMarks, *pEntry) == CMarkLook::State::Covered
            ? QVariant(m_coveredColour)
            : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant CListModel::headerData(int nSection, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= columnCount())
        return {};
    if (nSection == CheckColumn())
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
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
