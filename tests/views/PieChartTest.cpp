// The pie chart without a window: slice points, label places and the hit test from a list of
// fractions and names, text measured by a stand-in font (7 pixels a character, lines 16
// high); what is drawn through a surface on an image.
#include "views/PieChart.h"
#include "views/DC.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
const CPieChart::TextMetrics kMetrics{16, [](const QString& text) { return 7 * static_cast<int>(text.size()); }};

CPieChart Chart(const std::vector<std::pair<float, std::string>>& slices, int w, int h)
{
    CPieChart chart(96);
    for (const auto& [fFraction, name] : slices)
        chart.AddSlice(fFraction, name);
    chart.Layout(w, h, kMetrics);
    return chart;
}

QImage Draw(CPieChart& chart, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    CDC dc(painter, CRect(0, 0, w, h));
    chart.Draw(dc, CRect(0, 0, w, h));
    return image;
}
}  // namespace

TEST(PieChartTest, OneChildIsTheWholeDiscLabelledAtTheTopGoingLeft)
{
    CPieChart chart = Chart({{1.0F, "only"}}, 400, 200);
    EXPECT_EQ(CPieChart::LabelFontPixels(96), 13);
    EXPECT_EQ(chart.Radius(), 60);
    EXPECT_EQ(chart.Disc(), CRect(140, 40, 260, 160));
    // Both points straight below the centre, one pixel apart: still the full disc.
    const CPieSlice& slice = chart.Slice(0);
    EXPECT_EQ(std::vector<QPoint>({slice.m_ptStart, slice.m_ptEnd}), std::vector<QPoint>({{200, 160}, {200, 159}}));
    const CPieLabel& label = slice.m_label;
    ASSERT_TRUE(label.IsVisible());
    EXPECT_EQ(label.GetText(), "only [100.00%]");
    // The anchor is not right of the centre: the text goes left.
    EXPECT_EQ(std::vector<QPoint>({label.m_ptAnchor, label.m_ptElbow, label.m_ptText}),
              std::vector<QPoint>({{200, 41}, {200, 35}, {141, 35}}));
    EXPECT_EQ(label.m_rcText, CRect(92, 27, 190, 43));

    // Labels first, with their 5-pixel margin; then the disc, its edge included.
    const std::pair<QPoint, int> hits[] = {{{87, 22}, 0},   {{86, 22}, -1},  {{194, 47}, 0},
                                           {{200, 100}, 0}, {{260, 100}, 0}, {{261, 100}, -1}};
    for (const auto& [pt, nSlice] : hits)
        EXPECT_EQ(chart.HitTest(pt), nSlice) << pt.x() << "," << pt.y();
}

TEST(PieChartTest, SlicesRunCounterClockwiseFromBelowAndSliversAreNotDrawnAsDiscs)
{
    // Half a turn each: the first from six o'clock over three to twelve, the right half.
    CPieChart halves = Chart({{0.5F, "a"}, {0.5F, "b"}}, 200, 200);
    EXPECT_EQ(halves.HitTest({130, 130}), 0);
    EXPECT_EQ(halves.HitTest({70, 70}), 1);

    // A sliver whose points both lie below the centre, and one whose points coincide:
    // neither is drawn (the primitive would fill the whole disc), and the part of the turn
    // that no slice covers shows the shadow.
    CPieChart slivers = Chart({{1e-4F, "a"}, {0.5F, "b"}, {1e-6F, "c"}}, 200, 200);
    EXPECT_EQ(std::vector<QPoint>({slivers.Slice(0).m_ptStart, slivers.Slice(0).m_ptEnd}),
              std::vector<QPoint>({{100, 160}, {100, 159}}));
    EXPECT_EQ(slivers.Slice(2).m_ptStart, slivers.Slice(2).m_ptEnd);
    EXPECT_FALSE(slivers.Slice(0).IsDrawn() || slivers.Slice(2).IsDrawn() || slivers.Slice(0).m_label.IsVisible());
    const QImage image = Draw(slivers, 200, 200);
    EXPECT_EQ(image.pixelColor(130, 100), CPieChart::kPalette[1]);
    EXPECT_EQ(image.pixelColor(70, 100), QColor(128, 128, 128));
}

TEST(PieChartTest, LabelsArePlacedFirstComeFirstServedOutwardOrDropped)
{
    // Two thin neighbours near three o'clock: the second label moves outward in steps of 5
    // until it keeps 10 pixels from the first.
    const std::vector<std::pair<float, std::string>> slices = {
        {0.24F, "f"}, {0.01F, "a"}, {0.01F, "b"}, {0.74F, "g\nh"}};
    CPieChart chart = Chart(slices, 1000, 1000);
    const CPieLabel& a = chart.Slice(1).m_label;
    const CPieLabel& b = chart.Slice(2).m_label;
    ASSERT_TRUE(a.IsVisible());
    ASSERT_TRUE(b.IsVisible());
    EXPECT_EQ(a.GetText(), "a [1.00%]");
    EXPECT_EQ(chart.Slice(3).m_label.GetText(), "g?h [74.00%]") << "control characters shown as ?";
    EXPECT_GT(a.m_ptText.x(), a.m_ptElbow.x()) << "right of the disc";
    const int nGap = b.m_rcText.left - a.m_rcText.right;
    EXPECT_GE(nGap, 10);
    EXPECT_LT(nGap, 15) << "the first step that clears, not a later one";
    EXPECT_TRUE(chart.Slice(0).m_label.IsVisible() && chart.Slice(3).m_label.IsVisible());
    // A click in a label's margin, far from the disc, is on its slice.
    EXPECT_EQ(chart.HitTest({b.m_rcText.right + 4, b.m_rcText.top - 5}), 2);

    // Where the first label takes the last room, the second is dropped; in a window smaller
    // than a label there are none, and a window with no height has no disc.
    chart.Layout(800, 1000, kMetrics);
    EXPECT_TRUE(chart.Slice(1).m_label.IsVisible());
    EXPECT_FALSE(chart.Slice(2).m_label.IsVisible());
    for (const QSize size : {QSize(60, 60), QSize(400, 0)}) {
        chart.Layout(size.width(), size.height(), kMetrics);
        for (const CPieSlice& slice : chart.Slices())
            EXPECT_FALSE(slice.m_label.IsVisible()) << size.width() << "x" << size.height();
    }
    EXPECT_EQ(chart.Radius(), 0);
}
