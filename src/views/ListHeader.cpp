#include "ListHeader.h"

#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

namespace {
constexpr int kMarkWidth = 16;
constexpr int kMarkHeight = 13;
constexpr int kMarkGap = 4;  // between the heading's text and the mark
}  // namespace

CListHeader::CListHeader(QWidget* pParent) : QHeaderView(Qt::Horizontal, pParent)
{
    setSectionsClickable(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHighlightSections(false);
}

void CListHeader::SetMark(int nColumn, bool bReversed)
{
    m_nMarkColumn = nColumn;
    m_bMarkReversed = bReversed;
    viewport()->update();
}

QPixmap CListHeader::MarkPixmap(bool bReversed)
{
    QPixmap pixmap(kMarkWidth, kMarkHeight);
    pixmap.fill(QColor(192, 192, 192));
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawRect(0, 0, kMarkWidth - 1, kMarkHeight - 1);
    // Light falls from the top left: the edges facing it are white, the others dark grey.
    const QColor dark(128, 128, 128);
    const QColor light(255, 255, 255);
    if (bReversed) {  // upward
        p.setPen(dark);
        p.drawLine(7, 3, 4, 9);
        p.setPen(light);
        p.drawLine(8, 3, 11, 9);
        p.drawLine(4, 9, 11, 9);
    } else {  // downward
        p.setPen(dark);
        p.drawLine(4, 3, 11, 3);
        p.drawLine(4, 3, 7, 9);
        p.setPen(light);
        p.drawLine(11, 3, 8, 9);
    }
    return pixmap;
}

void CListHeader::paintSection(QPainter* pPainter, const QRect& rect, int nLogicalIndex) const
{
    if (nLogicalIndex != m_nMarkColumn) {
        QHeaderView::paintSection(pPainter, rect, nLogicalIndex);
        return;
    }
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, nLogicalIndex);
    opt.rect = rect;
    opt.sortIndicator = QStyleOptionHeader::None;  // the mark is ours
    style()->drawControl(QStyle::CE_HeaderSection, &opt, pPainter, this);
    // The heading keeps to the left of the mark, cut short when the column is narrow.
    const QRect markRect(rect.right() - kMarkGap - kMarkWidth + 1, rect.center().y() - kMarkHeight / 2, kMarkWidth,
                         kMarkHeight);
    QStyleOptionHeader label = opt;
    label.rect = rect.adjusted(0, 0, -(kMarkWidth + 2 * kMarkGap), 0);
    label.text = fontMetrics().elidedText(
        opt.text, Qt::ElideRight, std::max(0, label.rect.width() - 2 * style()->pixelMetric(QStyle::PM_HeaderMargin)));
    style()->drawControl(QStyle::CE_HeaderLabel, &label, pPainter, this);
    if (markRect.left() > rect.left())
        pPainter->drawPixmap(markRect.topLeft(), MarkPixmap(m_bMarkReversed));
}

int CListHeader::MarkedSectionWidth(int nLogicalIndex) const
{
    const QString text = model() != nullptr ? model()->headerData(nLogicalIndex, orientation()).toString() : QString();
    return fontMetrics().horizontalAdvance(text) + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this)
        + kMarkWidth + 2 * kMarkGap;
}

QSize CListHeader::sectionSizeFromContents(int nLogicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(nLogicalIndex);
    size.setHeight(std::max(size.height(), kMarkHeight + 4));
    return size;
}
