#pragma once
#include <QStyledItemDelegate>

// Draws the drive list's cells: a small bar of the share used before the Used figure, and,
// on a tip request over a cell too narrow for its text, the whole text as the tip.
class CDriveListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The share used, 0 to 1, of a cell that shows the bar; cells without it have none.
    static constexpr int kUsageRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* pEvent, QAbstractItemView* pView, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The cell's whole text when the cell cuts it, else empty.
    QString CutText(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Where the bar goes in a cell.
    static QRect BarRect(const QRect& cell, const QFontMetrics& fm);
};
