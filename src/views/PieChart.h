#pragma once
#include "PieSlice.h"
#include "Rect.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QString>

#include <array>
#include <functional>
#include <string_view>
#include <vector>

class CDC;

// The pie chart's geometry, drawing and hit test, without a window: it is made from a list
// of fractions and names and a client size, and draws on whatever surface it is given.
//
// The rules (the program's look since its first version):
//  - The disc's radius is 0.3 of the client's smaller side, about the client's centre.
//    Slices follow each other counter-clockwise from straight below the centre, in the
//    order they were added.
//  - A slice gets a label when the chord between its arc's ends is longer than 4 pixels or
//    it is more than half the disc. Labels are placed first come, first served: each starts
//    at 1.1 radii along the slice's middle ray, its text beside the elbow on the side of
//    the disc the ray points to, and moves outward 5 pixels at a time until its box keeps
//    10 pixels from every box placed before. One that would leave the client area, or
//    still collides when the offset reaches the client's height, is dropped.
//  - The hit test looks at label boxes first (with a 5-pixel margin), then at the disc.
class CPieChart {
public:
    static constexpr std::array<QColor, 6> kPalette = {
        {{192, 0, 0}, {0, 192, 0}, {0, 0, 192}, {128, 0, 0}, {0, 128, 0}, {0, 0, 128}}};
    static constexpr std::string_view kEmptyText = "This directory is empty";
    static constexpr int kLabelPoints = 10;
    static constexpr int kLabelStep = 5;  // pixels a colliding label moves outward
    static constexpr int kLabelGap = 5;  // each box's margin in the collision test
    static constexpr int kHitMargin = 5;  // around a label's box, still a hit on the slice

    // Text measurement in the label font: one height for every text, a width for each.
    struct TextMetrics {
        int nHeight = 0;
        std::function<int(const QString&)> width;
    };

    // The label font's pixel height for a screen of the given vertical dots per inch: 10
    // points, in whole pixels rounded down (13 at 96).
    static int LabelFontPixels(int nDotsPerInchY) { return nDotsPerInchY * kLabelPoints * 10 / 720; }

    // The label font for the primary screen's dots per inch (96 without a screen).
    CPieChart();
    explicit CPieChart(int nDotsPerInchY);

    // Drops every slice; the next one starts at fraction 0.
    void Clear();
    // A slice from the running total on, labelled "name [percent]" with the percentage to
    // two places; the name is the file system's bytes. Returns the new slice; references to
    // earlier slices stay valid only until the next AddSlice or Clear.
    CPieSlice& AddSlice(float fFraction, std::string_view name);
    // The next Draw lays the chart out again even at the same size.
    void MarkDirty() { m_bNeedsLayout = true; }
    bool NeedsLayout(int nWidth, int nHeight) const
    {
        return m_bNeedsLayout || nWidth != m_nWidth || nHeight != m_nHeight;
    }

    // Places slices and labels for a client area of the given size, measuring with the
    // label font or with the given metrics.
    void Layout(int nWidth, int nHeight);
    void Layout(int nWidth, int nHeight, const TextMetrics& metrics);
    // The chart over the client rectangle (laid out first if the data or the size changed),
    // or the centred empty-directory message when there are no slices. What lies on the
    // plain background, that message and the leaders, takes the surface's text colour.
    void Draw(CDC& dc, const CRect& rcClient);
    // The slice under a client point: a label (with its margin) first, then the disc. -1
    // for none, also on a boundary ray between two slices.
    int HitTest(QPoint pt) const;

    const std::vector<CPieSlice>& Slices() const { return m_slices; }
    const CPieSlice& Slice(int nIndex) const { return m_slices[static_cast<std::size_t>(nIndex)]; }
    const QFont& LabelFont() const { return m_font; }
    int Radius() const { return m_nRadius; }
    const CRect& Disc() const { return m_rcDisc; }

private:
    void LayoutSlices(int nWidth, int nHeight);
    void LayoutLabels(const TextMetrics& metrics);
    bool PlaceLabel(CPieLabel& label, float fMiddle, QSize text, std::vector<CRect>& placed) const;
    void DrawSlices(CDC& dc) const;
    void DrawLabels(CDC& dc) const;

    CRect m_rcDisc;  // the circle's bounding square, client coordinates
    int m_nRadius = 0;
    int m_nHeight = 0;  // the client size the layout was made for
    int m_nWidth = 0;
    float m_fTotal = 0;  // where the next slice starts, single precision
    std::vector<CPieSlice> m_slices;
    QFont m_font;  // the labels' font, and the empty-directory message's
    bool m_bNeedsLayout = true;
};
