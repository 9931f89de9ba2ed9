// The drawing surface: exact pixels of fills, frames, lines, wedges and text boxes, drawn
// through a QPainter on an image the way a view's paint draws on its widget.
#include "views/DC.h"
#include "views/VolraPrefs.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>

namespace {
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kGrey(192, 192, 192);
const QColor kBlue(0, 0, 255);

struct Pixel {
    int x;
    int y;
    QColor colour;
};

QImage Draw(int w, int h, const std::function<void(CDC&)>& draw, QColor background = kWhite)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    CDC dc(painter, CRect(0, 0, w, h));
    draw(dc);
    return image;
}

void ExpectPixels(const QImage& image, std::initializer_list<Pixel> pixels)
{
    for (const Pixel& p : pixels)
        EXPECT_EQ(image.pixelColor(p.x, p.y), p.colour) << p.x << "," << p.y;
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

TEST(RectTest, EdgesAndHelpers)
{
    const CRect rc(10, 20, 30, 25);
    EXPECT_EQ(rc.Width(), 20);
    EXPECT_EQ(rc.Height(), 5);
    EXPECT_TRUE(rc.PtInRect({10, 20}));
    EXPECT_TRUE(rc.PtInRect({29, 24}));
    EXPECT_FALSE(rc.PtInRect({30, 24}));  // right and bottom are outside
    EXPECT_FALSE(rc.PtInRect({29, 25}));
    CRect moved = rc;
    moved.InflateRect(2, -1);
    EXPECT_EQ(moved, CRect(8, 21, 32, 24));
    moved.OffsetRect(-8, 4);
    EXPECT_EQ(moved, CRect(0, 25, 24, 28));
    CRect common;
    EXPECT_TRUE(common.IntersectRect(rc, CRect(25, 0, 100, 21)));
    EXPECT_EQ(common, CRect(25, 20, 30, 21));
    EXPECT_FALSE(common.IntersectRect(rc, CRect(30, 20, 40, 25)));  // touching shares no pixel
    EXPECT_EQ(common, CRect());
    EXPECT_EQ(rc.ToQRect(), QRect(10, 20, 20, 5));
    EXPECT_EQ(CRect::FromQRect(QRect(10, 20, 20, 5)), rc);
}

TEST(DCTest, FillsAndRectangleOutlines)
{
    const QImage image = Draw(40, 30, [](CDC& dc) {
        EXPECT_EQ(dc.GetClipBox(), CRect(0, 0, 40, 30));
        dc.FillSolidRect({2, 3, 7, 9}, kBlue);
        dc.FillSolidRect({10, 2, 20, 10}, Qt::green);
        dc.SelectBrush(CDC::HollowBrush());
        dc.Rectangle({10, 2, 20, 10});  // the fresh surface's pen: black, 1 pixel
        dc.SelectPen({kRed, 2});
        dc.SelectBrush(CDC::SolidBrush(kGrey));
        dc.Rectangle({22, 2, 32, 12});  // a width of 2 falls inside
        dc.SelectPen({kBlue, 3});
        dc.Rectangle({5, 16, 15, 26});  // a width of 3 reaches one pixel outside
    });
    ExpectPixels(image, {{2, 3, kBlue}, {6, 8, kBlue}, {7, 8, kWhite}, {6, 9, kWhite}, {1, 3, kWhite}});
    for (int x = 10; x < 20; ++x)
        ExpectPixels(image, {{x, 2, kBlack}, {x, 9, kBlack}, {x, 10, kWhite}});
    for (int y = 2; y < 10; ++y)
        ExpectPixels(image, {{10, y, kBlack}, {19, y, kBlack}, {20, y, kWhite}});
    ExpectPixels(image, {{11, 3, Qt::green}, {18, 8, Qt::green}});  // hollow: untouched
    for (int y = 2; y < 12; ++y)
        ExpectPixels(image, {{21, y, kWhite}, {22, y, kRed}, {23, y, kRed}, {30, y, kRed}, {31, y, kRed}, {32, y, kWhite}});
    ExpectPixels(image, {{26, 1, kWhite}, {26, 2, kRed}, {26, 3, kRed}, {26, 4, kGrey},
                         {29, 9, kGrey}, {26, 10, kRed}, {26, 11, kRed}, {26, 12, kWhite}});
    ExpectPixels(image, {{3, 20, kWhite}, {4, 20, kBlue}, {6, 20, kBlue}, {7, 20, kGrey}, {15, 20, kBlue}, {16, 20, kWhite}});
}

TEST(DCTest, LinesStopBeforeTheirEndPoint)
{
    const QImage image = Draw(20, 20, [](CDC& dc) {
        EXPECT_EQ(dc.MoveTo(2, 5), QPoint(0, 0));
        dc.LineTo(9, 5);
        dc.LineTo(9, 15);
    });
    ExpectPixels(image, {{1, 5, kWhite}, {10, 5, kWhite}, {9, 15, kWhite}});
    for (int x = 2; x < 9; ++x)
        ExpectPixels(image, {{x, 5, kBlack}});
    for (int y = 5; y < 15; ++y)  // (9, 5): the first line's end, the second's start
        ExpectPixels(image, {{9, y, kBlack}});
}

TEST(DCTest, EllipsesAndWedgesBetweenRays)
{
    const QImage image = Draw(200, 50, [](CDC& dc) {
        dc.SelectBrush(CDC::SolidBrush(kBlue));
        dc.Ellipse({0, 0, 20, 20});
        dc.Pie({30, 0, 70, 40}, {70, 20}, {50, 0});   // three o'clock round to twelve
        dc.Pie({80, 0, 120, 40}, {100, 0}, {120, 20});  // twelve round to three
        dc.SelectBrush(CDC::GrayBrush());
        dc.Pie({130, 0, 150, 20}, {150, 10}, {150, 10});  // equal rays: the whole disc
        // A flat ellipse (centre (40, 35)): the wedge ends on the ray through (80, 25), 14
        // degrees up, not where the ellipse's parameter is 14 degrees (3.6 degrees up).
        dc.SelectBrush(CDC::SolidBrush(kRed));
        dc.Pie({0, 25, 80, 45}, {80, 35}, {80, 25});
    });
    ExpectPixels(image, {{10, 10, kBlue}, {0, 10, kBlack}, {19, 10, kBlack}, {20, 10, kWhite}, {10, 20, kWhite}, {1, 1, kWhite}});
    ExpectPixels(image, {{58, 12, kBlue}, {42, 12, kWhite}, {42, 28, kWhite}, {58, 28, kWhite}});
    ExpectPixels(image, {{108, 12, kWhite}, {92, 12, kBlue}, {92, 28, kBlue}, {108, 28, kBlue}});
    ExpectPixels(image, {{140, 10, QColor(128, 128, 128)}, {135, 15, QColor(128, 128, 128)}});
    ExpectPixels(image, {{70, 30, kRed}, {60, 27, kWhite}, {60, 38, kWhite}});
}

TEST(DCTest, TextBoxesAcrossAndDown)
{
    const QFont font = AfxGetPrefs().m_fontLarge;
    const QString text = QStringLiteral("TTTT");
    QSize extent;
    QSize downExtent;
    const QImage across = Draw(120, 120, [&](CDC& dc) {
        dc.SelectFont({font, 0});
        dc.SetBkMode(CDC::BkMode::Transparent);
        extent = dc.GetTextExtent(text);
        dc.TextOut(10, 20, text);
    });
    const QImage down = Draw(120, 120, [&](CDC& dc) {
        dc.SelectFont({font, CDC::kEscapementDown});
        dc.SetBkMode(CDC::BkMode::Transparent);
        downExtent = dc.GetTextExtent(text);
        dc.TextOut(50, 20, text);
    });
    const QImage opaque = Draw(120, 120, [&](CDC& dc) {
        dc.SelectFont({font, 0});
        dc.TextOut(10, 20, text);  // a fresh surface: black on an opaque white box
    }, kBlack);
    const QFontMetrics fm(font);
    EXPECT_EQ(extent, QSize(fm.horizontalAdvance(text), fm.height()));
    EXPECT_EQ(downExtent, extent);
    const int cx = extent.width();
    const int cy = extent.height();

    // Across: the ink lies in the box from (10, 20), cx wide and cy high.
    const CRect inkAcross = InkBox(across);
    CRect inside;
    ASSERT_TRUE(inside.IntersectRect(inkAcross, CRect(10, 20, 10 + cx, 20 + cy)));
    EXPECT_EQ(inside, inkAcross);
    // Down: the box's top-right corner at (50, 20): columns 50 - cy to 49, rows from 20; the
    // same ink turned a quarter clockwise, the tops of the Ts facing right.
    const CRect inkDown = InkBox(down);
    ASSERT_TRUE(inside.IntersectRect(inkDown, CRect(50 - cy, 20, 50, 20 + cx)));
    EXPECT_EQ(inside, inkDown);
    EXPECT_EQ(inkDown.Height(), inkAcross.Width());
    EXPECT_EQ(inkDown.Width(), inkAcross.Height());
    EXPECT_EQ(inkDown.top - 20, inkAcross.left - 10);
    EXPECT_EQ(50 - inkDown.right, inkAcross.top - 20);

    ExpectPixels(opaque, {{10, 20, kWhite}, {10 + cx - 1, 20 + cy - 1, kWhite}, {9, 20, kBlack},
                          {10 + cx, 20, kBlack}, {10, 20 + cy, kBlack}});
}
