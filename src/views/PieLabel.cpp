#include "PieLabel.h"

#include "DC.h"
#include "framework/DisplayText.h"

#include <charconv>

QString CPieLabel::GetText() const
{
    // Rounded as printf rounds, whatever the user's locale.
    char percent[64];
    const double value = m_fFraction * 100.0F;
    const auto result = std::to_chars(percent, percent + sizeof percent, value, std::chars_format::fixed, 2);
    return DisplayText(m_strName) + QStringLiteral(" [") + QLatin1String(percent, result.ptr) + QStringLiteral("%]");
}

void CPieLabel::DrawLeader(CDC& dc) const
{
    dc.MoveTo(m_ptAnchor.x(), m_ptAnchor.y());
    dc.LineTo(m_ptElbow.x(), m_ptElbow.y());
    dc.LineTo(m_ptText.x(), m_ptText.y());
}

void CPieLabel::DrawBox(CDC& dc, bool bHighlighted) const
{
    if (!m_bVisible)
        return;
    CRect box = m_rcText;
    box.InflateRect(kBoxMargin, kBoxMargin);
    CRect shadow = box;
    shadow.OffsetRect(kShadowOffset, kShadowOffset);
    dc.FillSolidRect(shadow, kShadow);
    dc.FillSolidRect(box, bHighlighted ? kHighlightedBox : kBox);
    const QColor oldText = dc.SetTextColor(kBoxText);
    dc.TextOut(m_rcText.left, m_rcText.top, GetText());
    dc.SetTextColor(oldText);
}
