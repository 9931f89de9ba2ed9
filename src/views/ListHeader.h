#pragma once
#include <QHeaderView>
#include <QPixmap>

// The list view's column headings. The sort column carries a mark on the right of its
// heading: a downward triangle for the natural order, an upward one for the reversed
// order, both embossed on a grey field in a black frame. Every other heading is text only.
class CListHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit CListHeader(QWidget* pParent = nullptr);

    // Puts the mark on a column (-1: none) in the natural or reversed form.
    void SetMark(int nColumn, bool bReversed);
    int MarkColumn() const { return m_nMarkColumn; }
    bool IsMarkReversed() const { return m_bMarkReversed; }
    // The mark as drawn: 16 x 13 pixels.
    static QPixmap MarkPixmap(bool bReversed);
    // The width a column needs for its whole heading with the mark beside it.
    int MarkedSectionWidth(int nLogicalIndex) const;

protected:
    void paintSection(QPainter* pPainter, const QRect& rect, int nLogicalIndex) const override;
    QSize sectionSizeFromContents(int nLogicalIndex) const override;

private:
    int m_nMarkColumn = -1;
    bool m_bMarkReversed = false;
};
