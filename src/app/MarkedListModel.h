#pragma once
#include <QAbstractTableModel>

#include <vector>

class CEntry;

// The rows of the "Marked" panel: one per marked item below no other mark, with its path
// (control characters shown as "?"), its size and its size on disk. Texts are made when a
// row is shown, so a long list costs nothing until it is scrolled through.
class CMarkedListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows these items (not owned; the caller resets them before the tree changes).
    void SetItems(std::vector<const CEntry*> items);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<const CEntry*> m_items;  // not owned: entries of the panel's document
};
