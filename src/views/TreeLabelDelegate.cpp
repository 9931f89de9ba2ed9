#include "TreeLabelDelegate.h"

#include "TreePanelModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

QString CTreeLabelDelegate::FitLabel(const QString& name, const QString& suffix, const QFontMetrics& fm, int nWidth)
{
    const QString label = name + suffix;
    if (fm.horizontalAdvance(label) <= nWidth)
        return label;
    const int nNameWidth = nWidth - fm.horizontalAdvance(suffix);
    if (!suffix.isEmpty() && nNameWidth >= fm.horizontalAdvance(QChar(0x2026)))
        return fm.elidedText(name, Qt::ElideRight, nNameWidth) + suffix;
    return fm.elidedText(label, Qt::ElideRight, nWidth);
}

void CTreeLabelDelegate::initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(pOption, index);
    if (pOption->state & QStyle::State_Selected) {
        const QVariant open = index.data(CTreePanelModel::kOpenIconRole);
        if (open.canConvert<QIcon>())
            pOption->icon = qvariant_cast<QIcon>(open);
    }
}

int CTreeLabelDelegate::TextWidth(const QStyleOptionViewItem& option)
{
    const QWidget* pWidget = option.widget;
    const QStyle* pStyle = pWidget != nullptr ? pWidget->style() : QApplication::style();
    const QRect rcText = pStyle->subElementRect(QStyle::SE_ItemViewItemText, &option, pWidget);
    // The style keeps this margin inside the text's rectangle on either side.
    const int nMargin = pStyle->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, pWidget) + 1;
    return rcText.width() - 2 * nMargin;
}

void CTreeLabelDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString suffix = index.data(CTreePanelModel::kSizeSuffixRole).toString();
    const QString name = opt.text.left(opt.text.size() - suffix.size());
    opt.text = FitLabel(name, suffix, opt.fontMetrics, TextWidth(opt));
    const QWidget* pWidget = opt.widget;
    const QStyle* pStyle = pWidget != nullptr ? pWidget->style() : QApplication::style();
    pStyle->drawControl(QStyle::CE_ItemViewItem, &opt, pPainter, pWidget);
}

bool CTreeLabelDelegate::helpEvent(QHelpEvent* pEvent, QAbstractItemView* pView, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (pEvent->type() != QEvent::ToolTip || pView == nullptr)
        return QStyledItemDelegate::helpEvent(pEvent, pView, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (opt.fontMetrics.horizontalAdvance(opt.text) > TextWidth(opt))
        QToolTip::showText(pEvent->globalPos(), opt.text, pView);
    else
        QToolTip::hideText();
    return true;
}
