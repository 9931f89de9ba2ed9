#include "DC.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

CDC::CDC(QPainter& painter, const CRect& rcClip) : m_painter(painter), m_rcClip(rcClip)
{
    m_painter.save();
    // Whole pixels everywhere: frames and strips must meet edge to edge, never blend.
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_font.font = m_painter.font();
}

CDC::~CDC() { m_painter.restore(); }

void CDC::FillSolidRect(const CRect& rc, QColor colour)
{
    if (!rc.IsRectEmpty())
        m_painter.fillRect(rc.ToQRect(), colour);
}

void CDC::HatchRect(const CRect& rc, QColor colour)
{
    if (!rc.IsRectEmpty())
        m_painter.fillRect(rc.ToQRect(), QBrush(colour, Qt::BDiagPattern));
}

// The outline as filled bands rather than a stroked path: exact pixels, and far cheaper
// than the painter's stroker for the thousands of frames of a block view.
void CDC::FillRing(const CRect& outer, int nThickness, QColor colour)
{
    if (outer.IsRectEmpty())
        return;
    if (2 * nThickness >= outer.Width() || 2 * nThickness >= outer.Height()) {
        FillSolidRect(outer, colour);
        return;
    }
    const int t = nThickness;
    FillSolidRect({outer.left, outer.top, outer.right, outer.top + t}, colour);
    FillSolidRect({outer.left, outer.bottom - t, outer.right, outer.bottom}, colour);
    FillSolidRect({outer.left, outer.top + t, outer.left + t, outer.bottom - t}, colour);
    FillSolidRect({outer.right - t, outer.top + t, outer.right, outer.bottom - t}, colour);
}

void CDC::Rectangle(const CRect& rc)
{
    if (rc.IsRectEmpty())
        return;
    if (!m_brush.bHollow)
        FillSolidRect(rc, m_brush.colour);
    if (m_pen.bNull)
        return;
    const int nWidth = std::max(1, m_pen.nWidth);
    // Centred on the outermost ring: (w - 1) / 2 pixels outside it, the rest inside.
    CRect outer = rc;
    const int nOutside = (nWidth - 1) / 2;
    outer.InflateRect(nOutside, nOutside);
    FillRing(outer, nWidth, m_pen.colour);
}

void CDC::ApplyPenAndBrush()
{
    if (m_pen.bNull) {
        m_painter.setPen(Qt::NoPen);
    } else {
        QPen pen(m_pen.colour, std::max(1, m_pen.nWidth), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        m_painter.setPen(pen);
    }
    m_painter.setBrush(m_brush.bHollow ? QBrush(Qt::NoBrush) : QBrush(m_brush.colour, m_brush.style));
}

// The painter's ellipse of a rectangle (x, y, w, h) with a 1-pixel pen covers w + 1 columns:
// one less keeps it inside the right and bottom edges.
QRect CDC::InscribedRect(const CRect& rc) const { return QRect(rc.left, rc.top, rc.Width() - 1, rc.Height() - 1); }

void CDC::Ellipse(const CRect& rc)
{
    if (rc.IsRectEmpty())
        return;
    ApplyPenAndBrush();
    m_painter.drawEllipse(InscribedRect(rc));
}

namespace {
// The painter's arc angles are those of the ellipse's parameter, not of rays from the centre:
// for a point on the ray through (dx, dy) (screen offsets from the centre) the parameter is
// atan2(-dy * a, dx * b), a and b the half axes. Degrees, 0 at three o'clock, counter-clockwise.
double ParameterAngle(double dx, double dy, double a, double b)
{
    if (dx == 0 && dy == 0)
        return 0;
    return std::atan2(-dy * a, dx * b) * 180.0 / std::numbers::pi;
}

double RayDegrees(const CRect& rc, QPoint pt)
{
    const double cx = (rc.left + rc.right) / 2.0;
    const double cy = (rc.top + rc.bottom) / 2.0;
    return ParameterAngle(pt.x() - cx, pt.y() - cy, rc.Width() / 2.0, rc.Height() / 2.0);
}
}  // namespace

// Each ray's angle is rounded on its own, so neighbouring wedges meet on the same ray.
int CDC::RayAngle(const CRect& rc, QPoint pt) { return static_cast<int>(std::lround(RayDegrees(rc, pt) * 16)); }

std::pair<int, int> CDC::WedgeAngles(const CRect& rc, QPoint ptStart, QPoint ptEnd)
{
    constexpr int kFullTurn = 360 * 16;
    const int nStart = RayAngle(rc, ptStart);
    if (RayDegrees(rc, ptStart) == RayDegrees(rc, ptEnd))
        return {nStart, kFullTurn};  // both rays point the same way: the whole ellipse
    const int nEnd = RayAngle(rc, ptEnd);
    return {nStart, ((nEnd - nStart) % kFullTurn + kFullTurn) % kFullTurn};
}

void CDC::Pie(const CRect& rc, QPoint ptStart, QPoint ptEnd)
{
    if (rc.IsRectEmpty())
        return;
    const auto [nStart, nSpan] = WedgeAngles(rc, ptStart, ptEnd);
    ApplyPenAndBrush();
    m_painter.drawPie(InscribedRect(rc), nStart, nSpan);
}

void CDC::Arc(const CRect& rc, QPoint ptStart, QPoint ptEnd)
{
    if (rc.IsRectEmpty() || m_pen.bNull)
        return;
    const auto [nStart, nSpan] = WedgeAngles(rc, ptStart, ptEnd);
    ApplyPenAndBrush();
    m_painter.drawArc(InscribedRect(rc), nStart, nSpan);
}

void CDC::PieRays(const CRect& rc, std::span<const QPoint> points)
{
    if (rc.IsRectEmpty() || m_pen.bNull || points.empty())
        return;
    // The painter's ellipse and its point at an angle, as its pie path has them.
    const QRectF ellipse(InscribedRect(rc));
    const QPointF centre = ellipse.center();
    std::vector<QLineF> lines;
    lines.reserve(points.size());
    for (const QPoint& pt : points) {
        const double radians = RayAngle(rc, pt) / 16.0 * std::numbers::pi / 180.0;
        lines.emplace_back(centre,
                           QPointF(centre.x() + ellipse.width() / 2 * std::cos(radians),
                                   centre.y() - ellipse.height() / 2 * std::sin(radians)));
    }
    ApplyPenAndBrush();
    m_painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

QPoint CDC::MoveTo(int x, int y)
{
    const QPoint previous = m_ptCurrent;
    m_ptCurrent = QPoint(x, y);
    return previous;
}

void CDC::LineTo(int x, int y)
{
    const QPoint to(x, y);
    if (to != m_ptCurrent) {
        // A flat cap stops the painter's line before its last pixel.
        ApplyPenAndBrush();
        m_painter.drawLine(m_ptCurrent, to);
    }
    m_ptCurrent = to;
}

void CDC::DrawLines(std::span<const QLine> lines)
{
    ApplyPenAndBrush();
    // A line of no length draws nothing, as LineTo: the runs between such lines go to the
    // painter whole.
    std::size_t nRun = 0;
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        if (i < lines.size() && lines[i].p1() != lines[i].p2())
            continue;
        if (i > nRun)
            m_painter.drawLines(lines.data() + nRun, static_cast<int>(i - nRun));
        nRun = i + 1;
    }
    if (!lines.empty())
        m_ptCurrent = lines.back().p2();
}

CDC::Pen CDC::SelectPen(const Pen& pen) { return std::exchange(m_pen, pen); }
CDC::Brush CDC::SelectBrush(const Brush& brush) { return std::exchange(m_brush, brush); }
CDC::Font CDC::SelectFont(const Font& font) { return std::exchange(m_font, font); }
CDC::BkMode CDC::SetBkMode(BkMode mode) { return std::exchange(m_bkMode, mode); }
QColor CDC::SetBkColor(QColor colour) { return std::exchange(m_bkColour, colour); }
QColor CDC::SetTextColor(QColor colour) { return std::exchange(m_textColour, colour); }

QSize CDC::GetTextExtent(const QString& text) const
{
    const QFontMetrics fm(m_font.font, m_painter.device());
    return {fm.horizontalAdvance(text), fm.height()};
}

void CDC::TextOut(int x, int y, const QString& text)
{
    const bool bDown = m_font.nEscapement == kEscapementDown;
    if (m_bkMode == BkMode::Opaque) {
        const QSize extent = GetTextExtent(text);
        if (bDown)
            FillSolidRect({x - extent.height(), y, x, y + extent.width()}, m_bkColour);
        else
            FillSolidRect({x, y, x + extent.width(), y + extent.height()}, m_bkColour);
    }
    m_painter.setFont(m_font.font);
    m_painter.setPen(m_textColour);
    const int nAscent = QFontMetrics(m_font.font, m_painter.device()).ascent();
    if (!bDown) {
        m_painter.drawText(x, y + nAscent, text);
        return;
    }
    // Turned a quarter clockwise about the reference point, the text's own top-left corner
    // lands on the box's top-right corner and its baseline runs downwards.
    m_painter.save();
    m_painter.translate(x, y);
    m_painter.rotate(90);
    m_painter.drawText(0, nAscent, text);
    m_painter.restore();
}
