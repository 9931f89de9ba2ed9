#include "PieSlice.h"

#include "DC.h"

bool CPieSlice::IsDrawn() const
{
    if (m_fExtent > kAlwaysDrawn)
        return true;
    // Offsets of the two points from the centre, doubled so the centre is a whole number
    // however the square's width falls.
    const int cx2 = m_rcDisc.left + m_rcDisc.right;
    const int cy2 = m_rcDisc.top + m_rcDisc.bottom;
    const long long x1 = 2LL * m_ptStart.x() - cx2, y1 = 2LL * m_ptStart.y() - cy2;
    const long long x2 = 2LL * m_ptEnd.x() - cx2, y2 = 2LL * m_ptEnd.y() - cy2;
    // One direction: parallel and not opposite. A point on the centre gives no direction at
    // all, which the primitive treats the same way.
    return x1 * y2 - y1 * x2 != 0 || x1 * x2 + y1 * y2 < 0;
}

void CPieSlice::Draw(CDC& dc, bool bHighlighted) const
{
    if (!IsDrawn())
        return;
    if (!bHighlighted) {
        const CDC::Brush oldBrush = dc.SelectBrush(CDC::SolidBrush(m_fill));
        dc.Pie(m_rcDisc, m_ptStart, m_ptEnd);
        dc.SelectBrush(oldBrush);
        return;
    }
    const CDC::Pen oldPen = dc.SelectPen({kHighlightOutline, kHighlightOutlineWidth});
    const CDC::Brush oldBrush = dc.SelectBrush(CDC::SolidBrush(kHighlightFill));
    dc.Pie(m_rcDisc, m_ptStart, m_ptEnd);
    dc.SelectBrush(oldBrush);
    dc.SelectPen(oldPen);
}
