#include "PieChart.h"

#include "DC.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {
// A full turn and half a turn as the chart has always taken them: single-precision
// constants, so a single child's end point comes out one pixel short of its start.
constexpr float kTurn = 6.2831855F;
constexpr float kHalfTurn = 3.1415927F;
constexpr float kInverseTurn = 0.15915494F;
constexpr float kElbowRadii = 1.1F;
constexpr double kRadiusShare = 0.3;
constexpr int kLeaderToText = 10;  // from the elbow to the near edge of the text

int ScreenDotsPerInchY()
{
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    return pScreen != nullptr ? qRound(pScreen->logicalDotsPerInchY()) : 96;
}

// The point at distance d from the centre along the ray at angle a (radians, 0 straight
// below the centre), each coordinate truncated toward zero.
QPoint OnRay(int cx, int cy, double d, float a)
{
    const double angle = a;
    return {cx + static_cast<int>(d * std::sin(angle)), cy + static_cast<int>(d * std::cos(angle))};
}

bool WithinGap(const CRect& a, const CRect& b, int nGap)
{
    CRect ga = a, gb = b;
    ga.InflateRect(nGap, nGap);
    gb.InflateRect(nGap, nGap);
    return ga.Intersects(gb);
}
}  // namespace

CPieChart::CPieChart() : CPieChart(ScreenDotsPerInchY()) {}

CPieChart::CPieChart(int nDotsPerInchY)
{
    m_font.setFamily(QStringLiteral("Tahoma"));
    m_font.setPixelSize(std::max(1, LabelFontPixels(nDotsPerInchY)));
}

void CPieChart::Clear()
{
    m_slices.clear();
    m_fTotal = 0.0F;
}

CPieSlice& CPieChart::AddSlice(float fFraction, std::string_view name)
{
    m_slices.emplace_back(m_fTotal, fFraction, name);
    m_fTotal += fFraction;
    return m_slices.back();
}

void CPieChart::Layout(int nWidth, int nHeight)
{
    const QFontMetrics fm(m_font);
    Layout(nWidth, nHeight, {fm.height(), [&fm](const QString& text) { return fm.horizontalAdvance(text); }});
}

void CPieChart::Layout(int nWidth, int nHeight, const TextMetrics& metrics)
{
    LayoutSlices(nWidth, nHeight);
    LayoutLabels(metrics);
    m_bNeedsLayout = false;
}

void CPieChart::LayoutSlices(int nWidth, int nHeight)
{
    const int r = static_cast<int>(std::min(nWidth, nHeight) * kRadiusShare);
    const int cx = nWidth / 2;
    const int cy = nHeight / 2;
    m_rcDisc = CRect(cx - r, cy - r, cx + r, cy + r);
    m_nRadius = r;
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    for (std::size_t i = 0; i < m_slices.size(); ++i) {
        CPieSlice& slice = m_slices[i];
        slice.m_ptStart = OnRay(cx, cy, r, slice.m_fStart * kTurn);
        slice.m_ptEnd = OnRay(cx, cy, r, slice.EndFraction() * kTurn);
        slice.m_rcDisc = m_rcDisc;
        slice.m_fill = kPalette[i % kPalette.size()];
    }
}

void CPieChart::LayoutLabels(const TextMetrics& metrics)
{
    std::vector<CRect> placed;
    for (CPieSlice& slice : m_slices) {
        CPieLabel& label = slice.m_label;
        label.m_bVisible = false;
        const int dx = slice.m_ptEnd.x() - slice.m_ptStart.x();
        const int dy = slice.m_ptEnd.y() - slice.m_ptStart.y();
        if (dx * dx + dy * dy <= 16 && slice.m_fExtent <= 0.5F)
            continue;  // a chord of 4 pixels or less: no room to point at
        const float fMiddle = (slice.m_fStart + slice.m_fExtent * 0.5F) * kTurn;
        const QSize text(metrics.width(label.GetText()), metrics.nHeight);
        PlaceLabel(label, fMiddle, text, placed);
    }
}

// Moves the label outward along its ray until its box clears every box placed so far;
// records it and returns true, or gives up when it would leave the client area or the
// offset reaches the client's height.
bool CPieChart::PlaceLabel(CPieLabel& label, float fMiddle, QSize text, std::vector<CRect>& placed) const
{
    const int cx = m_nWidth / 2;
    const int cy = m_nHeight / 2;
    const int tw = text.width();
    const int th = text.height();
    label.m_ptAnchor = OnRay(cx, cy, m_nRadius, fMiddle);
    if (m_nHeight <= 0)
        return false;
    // Right of the disc on the right half, left of it on the left half.
    const int nSide = label.m_ptAnchor.x() > m_nWidth / 2 ? 1 : -1;
    for (int k = 0; k < m_nHeight; k += kLabelStep) {
        const float d = static_cast<float>(k) + kElbowRadii * static_cast<float>(m_nRadius);
        const QPoint elbow = OnRay(cx, cy, d, fMiddle);
        const QPoint textPoint(elbow.x() + nSide * (tw / 2 + kLeaderToText), elbow.y());
        const int left = textPoint.x() - tw / 2;
        const int top = textPoint.y() - th / 2;
        const CRect rc(left, top, left + tw, top + th);
        if (rc.right > m_nWidth || rc.left < 0 || rc.bottom > m_nHeight || rc.top < 0)
            return false;
        const bool bCollides = std::any_of(placed.begin(), placed.end(),
                                           [&rc](const CRect& other) { return WithinGap(rc, other, kLabelGap); });
        if (!bCollides) {
            label.m_ptElbow = elbow;
            label.m_ptText = textPoint;
            label.m_rcText = rc;
            label.m_bVisible = true;
            placed.push_back(rc);
            return true;
        }
    }
    return false;
}

void CPieChart::Draw(CDC& dc, const CRect& rcClient)
{
    const CDC::Font oldFont = dc.SelectFont({m_font, 0});
    if (NeedsLayout(rcClient.Width(), rcClient.Height()))
        Layout(rcClient.Width(), rcClient.Height());
    dc.SetBkMode(CDC::BkMode::Transparent);
    if (m_slices.empty()) {
        const QString text = QString::fromLatin1(kEmptyText.data(), static_cast<qsizetype>(kEmptyText.size()));
        const QSize extent = dc.GetTextExtent(text);
        dc.TextOut(m_nWidth / 2 - extent.width() / 2, m_nHeight / 2 - extent.height() / 2, text);
    } else {
        DrawSlices(dc);
        DrawLabels(dc);
    }
    dc.SelectFont(oldFont);
}

// Each wedge as its own Draw would paint it, but filled first and outlined after: a ray
// between two neighbours is then drawn once rather than twice. Slices do not overlap, so
// the outlines land where each slice's own would; with thousands of slivers, whose rays
// are most of the drawing, this halves it.
void CPieChart::DrawSlices(CDC& dc) const
{
    const CDC::Brush oldBrush = dc.SelectBrush(CDC::GrayBrush());
    CRect shadow = m_rcDisc;
    shadow.OffsetRect(m_nRadius / 20, m_nRadius / 20);
    dc.Ellipse(shadow);

    std::vector<const CPieSlice*> drawn;
    std::vector<QPoint> rays;  // the points the drawn wedges' rays go through, each once
    const CDC::Pen oldPen = dc.SelectPen(CDC::NullPen());
    for (const CPieSlice& slice : m_slices) {
        if (!slice.IsDrawn())
            continue;
        dc.SelectBrush(CDC::SolidBrush(slice.m_fill));
        dc.Pie(slice.m_rcDisc, slice.m_ptStart, slice.m_ptEnd);
        if (rays.empty() || rays.back() != slice.m_ptStart)
            rays.push_back(slice.m_ptStart);
        rays.push_back(slice.m_ptEnd);
        drawn.push_back(&slice);
    }
    dc.SelectPen(oldPen);
    dc.PieRays(m_rcDisc, rays);
    for (const CPieSlice* pSlice : drawn)
        dc.Arc(pSlice->m_rcDisc, pSlice->m_ptStart, pSlice->m_ptEnd);
    dc.SelectBrush(oldBrush);
}

void CPieChart::DrawLabels(CDC& dc) const
{
    const CDC::Pen oldPen = dc.SelectPen({dc.GetTextColor(), CPieLabel::kLeaderWidth});
    for (const CPieSlice& slice : m_slices)
        if (slice.m_label.IsVisible())
            slice.m_label.DrawLeader(dc);
    dc.SelectPen(oldPen);
    for (const CPieSlice& slice : m_slices)
        if (slice.m_label.IsVisible())
            slice.m_label.DrawBox(dc, false);
}

int CPieChart::HitTest(QPoint pt) const
{
    for (std::size_t i = 0; i < m_slices.size(); ++i) {
        const CPieLabel& label = m_slices[i].m_label;
        if (!label.IsVisible())
            continue;
        CRect rc = label.m_rcText;
        rc.InflateRect(kHitMargin, kHitMargin);
        if (rc.PtInRect(pt))
            return static_cast<int>(i);
    }
    // The centre may lie on a half pixel; a point exactly on the circle is inside.
    const double fx = m_nWidth * 0.5 - pt.x();
    const double fy = m_nHeight * 0.5 - pt.y();
    if (fx * fx + fy * fy > double(m_nRadius) * m_nRadius)
        return -1;
    // The same turn as the slices': 0 straight below the centre, counter-clockwise on screen.
    const double t = (std::atan2(fx, fy) + kHalfTurn) * kInverseTurn;
    for (std::size_t i = 0; i < m_slices.size(); ++i) {
        const CPieSlice& slice = m_slices[i];
        if (slice.m_fStart < t && t < slice.EndFraction())
            return static_cast<int>(i);
    }
    return -1;
}
