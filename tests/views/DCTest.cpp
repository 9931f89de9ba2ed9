// The drawing surface, drawn through a QPainter on an image the way a view's paint draws on
// its widget: the geometry the views rely on, by pixels.
#include "views/DC.h"
#include "views/VolraPrefs.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <tuple>

namespace {
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

QImage Draw(int w, int h, const std::function<void(CDC&)>& draw)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(kWhite);
    QPainter painter(&image);
    CDC dc(painter, CRect(0, 0, w, h));
    draw(dc);
    return image;
}

// The smallest rectangle holding every dark pixel.
CRect InkBox(const QImage& image)
{
    CRect box(image.width(), image.height(), 0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).lightness() < 160)
                box = CRect(std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                            std::max(box.bottom, y + 1));
    return box;
}
}  // namespace

TEST(DCTest, RectangleEdgesPieDirectionAndDownwardText)
{
    const QImage image = Draw(130, 40, [](CDC& dc) {
        dc.FillSolidRect({2, 3, 7, 9}, kBlue);
        dc.SelectBrush(CDC::HollowBrush());
        dc.Rectangle({10, 2, 20, 10});  // the fresh surface's pen: black, 1 pixel
        dc.SelectPen({kRed, 2});
        dc.Rectangle({22, 2, 32, 12});  // a width of 2 falls inside
        dc.SelectBrush(CDC::SolidBrush(kBlue));
        dc.Pie({40, 0, 80, 40}, {80, 20}, {60, 0});   // three o'clock round to twelve
        dc.Pie({90, 0, 130, 40}, {110, 0}, {130, 20});  // twelve round to three
    });
    // Right and bottom edges are outside; a 2-pixel pen falls inside; a hollow brush leaves
    // the inside untouched; a wedge runs counter-clockwise on screen from its first ray.
    const std::tuple<int, int, QColor> pixels[] = {
        {6, 8, kBlue}, {7, 8, kWhite}, {6, 9, kWhite}, {19, 9, kBlack}, {20, 9, kWhite}, {15, 6, kWhite},
        {21, 6, kWhite}, {22, 6, kRed}, {23, 6, kRed}, {24, 6, kWhite}, {31, 11, kRed}, {32, 11, kWhite},
        {68, 12, kBlue}, {52, 12, kWhite}, {68, 28, kWhite}, {118, 12, kWhite}, {102, 12, kBlue}, {118, 28, kBlue}};
    for (const auto& [x, y, colour] : pixels)
        EXPECT_EQ(image.pixelColor(x, y), colour) << x << "," << y;

    // Text across has its box's top-left at (x, y); downwards, its top-right: the same ink
    // turned a quarter clockwise into the columns x - height to x - 1, descenders and
    // underscores included. Turned glyphs are not hinted, so their ink may run one pixel
    // further along the text.
    const QString text = QStringLiteral("Tg_T");
    QSize extent;
    auto write = [&](int nEscapement, int x) {
        return InkBox(Draw(120, 120, [&](CDC& dc) {
            dc.SelectFont({AfxGetPrefs().m_fontLarge, nEscapement});
            dc.SetBkMode(CDC::BkMode::Transparent);
            extent = dc.GetTextExtent(text);
            dc.TextOut(x, 20, text);
        }));
    };
    const CRect across = write(0, 10);
    const CRect down = write(CDC::kEscapementDown, 50);
    const int cx = extent.width();
    const int cy = extent.height();
    CRect inside;
    ASSERT_TRUE(inside.IntersectRect(across, CRect(10, 20, 10 + cx, 20 + cy)));
    EXPECT_EQ(inside, across);
    ASSERT_TRUE(inside.IntersectRect(down, CRect(50 - cy, 20, 50, 20 + cx + 1)));
    EXPECT_EQ(inside, down);
    EXPECT_EQ(50 - down.right, across.top - 20);  // the tops of the letters face right
    EXPECT_EQ(down.left - (50 - cy), 20 + cy - across.bottom);  // the descenders left
    EXPECT_LE(std::abs(down.Height() - across.Width()), 1);
}
