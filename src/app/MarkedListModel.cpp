#include "MarkedListModel.h"

#include "framework/DisplayText.h"
#include "model/Entry.h"
#include "model/FormatSize.h"

void CMarkedListModel::SetItems(std::vector<const CEntry*> items)
{
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}

int CMarkedListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(m_items.size(), INT_MAX));
}

int CMarkedListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant CMarkedListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_items.size())
        return {};
    const CEntry& entry = *m_items[static_cast<std::size_t>(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() > 0)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 0:
        return DisplayText(entry.GetPath());
    case 1:
        return QString::fromStdString(FormatSize(entry.GetLength()));
    default:
        return QString::fromStdString(FormatSize(entry.GetDiskSize()));
    }
}

QVariant CMarkedListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kTitles[] = {"Path", "Size", "On disk"};
    return section >= 0 && section < 3 ? QString::fromLatin1(kTitles[section]) : QVariant();
}
