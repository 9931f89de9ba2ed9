#pragma once
#include <QStyledItemDelegate>

// Draws the tree panel's nodes: the selected node with its directory's open-folder icon,
// the others with the closed one; a label too long for the panel cut with an ellipsis in
// its name, so that the size in brackets stays in sight, and its whole text as a tip.
class CTreeLabelDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // name followed by suffix (" [2.00k]" or ""), in at most nWidth pixels: whole when it
    // fits, else the name cut short with an ellipsis before the whole suffix, else (no room
    // even for that) the whole label cut short at its end.
    static QString FitLabel(const QString& name, const QString& suffix, const QFontMetrics& fm, int nWidth);

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* pEvent, QAbstractItemView* pView, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const override;

private:
    // The width the style leaves for the text of the item the option describes.
    static int TextWidth(const QStyleOptionViewItem& option);
};
