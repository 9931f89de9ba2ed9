#include "DriveListDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {
constexpr int kBarWidth = 36;  // at most; a narrow column gives the text the room first
constexpr int kMargin = 4;
}  // namespace

QRect CDriveListDelegate::BarRect(const QRect& cell, const QFontMetrics& fm)
{
    const int height = std::max(4, fm.height() * 3 / 5);
    const int width = std::min(kBarWidth, std::max(0, cell.width() / 2 - kMargin));
    return {cell.left() + kMargin, cell.top() + (cell.height() - height) / 2, width, height};
}

void CDriveListDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant share = index.data(kUsageRole);
    if (!share.isValid()) {
        QStyledItemDelegate::paint(pPainter, option, index);
        return;
    }
    // The row's background across the whole cell, the text beside the bar.
    QStyleOptionViewItem full(option);
    initStyleOption(&full, index);
    const QWidget* pWidget = option.widget;
    QStyle* pStyle = pWidget != nullptr ? pWidget->style() : QApplication::style();
    pStyle->drawPrimitive(QStyle::PE_PanelItemViewItem, &full, pPainter, pWidget);
    const QRect bar = BarRect(option.rect, option.fontMetrics);
    QStyleOptionViewItem text(option);
    text.rect.setLeft(bar.right() + 1 + kMargin);
    QStyledItemDelegate::paint(pPainter, text, index);

    const bool bSelected = (option.state & QStyle::State_Selected) != 0;
    const QColor ink = option.palette.color(bSelected ? QPalette::HighlightedText : QPalette::Text);
    const QColor fill =
        bSelected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Highlight);
    const double used = std::clamp(share.toDouble(), 0.0, 1.0);
    pPainter->save();
    pPainter->setPen(Qt::NoPen);
    pPainter->setBrush(fill);
    pPainter->drawRect(QRectF(bar).adjusted(0, 0, -(1.0 - used) * bar.width(), 0));
    pPainter->setPen(ink);
    pPainter->setBrush(Qt::NoBrush);
    pPainter->drawRect(bar.adjusted(0, 0, -1, -1));
    pPainter->restore();
}

QSize CDriveListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.data(kUsageRole).isValid())
        size.rwidth() += kBarWidth + 2 * kMargin;
    return size;
}

QString CDriveListDelegate::CutText(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty() || sizeHint(option, index).width() <= option.rect.width())
        return {};
    return text;
}

bool CDriveListDelegate::helpEvent(QHelpEvent* pEvent, QAbstractItemView* pView, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (pEvent == nullptr || pView == nullptr || pEvent->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(pEvent, pView, option, index);
    const QString tip = CutText(option, index);
    if (tip.isEmpty()) {
        QToolTip::hideText();
        pEvent->ignore();
        return false;
    }
    QToolTip::showText(pEvent->globalPos(), tip, pView->viewport(), option.rect);
    return true;
}
