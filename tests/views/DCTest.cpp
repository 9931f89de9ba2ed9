// The drawing surface: exact pixels of fills, frames, lines, wedges and text boxes, drawn
// through a QPainter on an image the way a view's paint draws on its widget.
#include "views/DC.h"
#include "views/VolraPrefs.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kGrey(192, 192, 192);
const QColor kBlue(0, 0, 255);

QImage Canvas(int w, int h, QColor fill = kWhite)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

bool IsInk(QColor c) { return c.lightness() < 160; }

// The smallest rectangle holding every dark pixel, or an empty one.
CRect InkBox(const QImage& image)
{
    CRect box(image.width(), image.height(), 0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (IsInk(At(image, x, y)))
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
    EXPECT_FALSE(rc.PtInRect({9, 22}));

    CRect grown = rc;
    grown.InflateRect(2, -1);
    EXPECT_EQ(grown, CRect(8, 21, 32, 24));
    grown.OffsetRect(-8, 4);
    EXPECT_EQ(grown, CRect(0, 25, 24, 28));

    CRect common;
    EXPECT_TRUE(common.IntersectRect(rc, CRect(25, 0, 100, 21)));
    EXPECT_EQ(common, CRect(25, 20, 30, 21));
    EXPECT_FALSE(common.IntersectRect(rc, CRect(30, 20, 40, 25)));  // touching shares no pixel
    EXPECT_EQ(common, CRect());
    EXPECT_TRUE(CRect(5, 5, 5, 9).IsRectEmpty());

    EXPECT_EQ(rc.ToQRect(), QRect(10, 20, 20, 5));
    EXPECT_EQ(rc.ToQRect().right(), 29);
    EXPECT_EQ(CRect::FromQRect(QRect(10, 20, 20, 5)), rc);
}

TEST(DCTest, FillsAndRectangleOutlines)
{
    QImage image = Canvas(40, 30);
    {
        QPainter painter(&image);
        CDC dc(painter, CRect(0, 0, 40, 30));
        EXPECT_EQ(dc.GetClipBox(), CRect(0, 0, 40, 30));
        dc.FillSolidRect({2, 3, 7, 9}, kBlue);
        // Default pen (black, 1 pixel) and the hollow brush: an outline over green.
        dc.FillSolidRect({10, 2, 20, 10}, Qt::green);
        dc.SelectBrush(CDC::HollowBrush());
        dc.Rectangle({10, 2, 20, 10});
        // The selection's look: red pen of width 2, grey brush.
        dc.SelectPen({kRed, 2});
        dc.SelectBrush(CDC::SolidBrush(kGrey));
        dc.Rectangle({22, 2, 32, 12});
        // A width of 3 reaches one pixel outside.
        dc.SelectPen({kBlue, 3});
        dc.Rectangle({5, 16, 15, 26});
    }
    EXPECT_EQ(At(image, 2, 3), kBlue);
    EXPECT_EQ(At(image, 6, 8), kBlue);
    EXPECT_EQ(At(image, 7, 8), kWhite);
    EXPECT_EQ(At(image, 6, 9), kWhite);
    EXPECT_EQ(At(image, 1, 3), kWhite);

    for (int x = 10; x < 20; ++x) {
        EXPECT_EQ(At(image, x, 2), kBlack) << x;
        EXPECT_EQ(At(image, x, 9), kBlack) << x;
    }
    for (int y = 2; y < 10; ++y) {
        EXPECT_EQ(At(image, 10, y), kBlack) << y;
        EXPECT_EQ(At(image, 19, y), kBlack) << y;
        EXPECT_EQ(At(image, 20, y), kWhite) << y;
    }
    EXPECT_EQ(At(image, 11, 3), QColor(Qt::green));  // hollow: interior untouched
    EXPECT_EQ(At(image, 18, 8), QColor(Qt::green));

    for (int y = 2; y < 12; ++y) {
        EXPECT_EQ(At(image, 21, y), kWhite) << y;
        EXPECT_EQ(At(image, 22, y), kRed) << y;
        EXPECT_EQ(At(image, 23, y), kRed) << y;
        EXPECT_EQ(At(image, 30, y), kRed) << y;
        EXPECT_EQ(At(image, 31, y), kRed) << y;
        EXPECT_EQ(At(image, 32, y), kWhite) << y;
    }
    EXPECT_EQ(At(image, 26, 3), kRed);
    EXPECT_EQ(At(image, 26, 10), kRed);
    EXPECT_EQ(At(image, 24, 4), kGrey);
    EXPECT_EQ(At(image, 29, 9), kGrey);
    EXPECT_EQ(At(image, 26, 1), kWhite);
    EXPECT_EQ(At(image, 26, 12), kWhite);

    EXPECT_EQ(At(image, 3, 20), kWhite);
    EXPECT_EQ(At(image, 4, 20), kBlue);
    EXPECT_EQ(At(image, 6, 20), kBlue);
    EXPECT_EQ(At(image, 7, 20), kGrey);  // the brush selected before
    EXPECT_EQ(At(image, 15, 20), kBlue);
    EXPECT_EQ(At(image, 16, 20), kWhite);
}

TEST(DCTest, LinesStopBeforeTheirEndPoint)
{
    QImage image = Canvas(20, 20);
    {
        QPainter painter(&image);
        CDC dc(painter, CRect(0, 0, 20, 20));
        EXPECT_EQ(dc.MoveTo(2, 5), QPoint(0, 0));
        dc.LineTo(9, 5);
        dc.LineTo(9, 15);
    }
    EXPECT_EQ(At(image, 1, 5), kWhite);
    for (int x = 2; x < 9; ++x)
        EXPECT_EQ(At(image, x, 5), kBlack) << x;
    // (9, 5) is the first line's excluded end and the second line's first pixel.
    for (int y = 5; y < 15; ++y)
        EXPECT_EQ(At(image, 9, y), kBlack) << y;
    EXPECT_EQ(At(image, 9, 15), kWhite);
    EXPECT_EQ(At(image, 10, 5), kWhite);
}

TEST(DCTest, EllipsesAndWedges)
{
    QImage image = Canvas(200, 50);
    {
        QPainter painter(&image);
        CDC dc(painter, CRect(0, 0, 200, 50));
        dc.SelectBrush(CDC::SolidBrush(kBlue));
        dc.Ellipse({0, 0, 20, 20});
        // A quarter: from three o'clock counter-clockwise to twelve o'clock.
        dc.Pie({30, 0, 70, 40}, {70, 20}, {50, 0});
        // The other three quarters: from twelve o'clock round to three.
        dc.Pie({80, 0, 120, 40}, {100, 0}, {120, 20});
        // Equal rays: the whole disc.
        dc.SelectBrush(CDC::GrayBrush());
        dc.Pie({130, 0, 150, 20}, {150, 10}, {150, 10});
        // A flat ellipse (centre (40, 35)): the wedge ends on the ray through (80, 25), 14 degrees
        // above the axis, not where the ellipse's parameter is 14 degrees (3.6 degrees up).
        dc.SelectBrush(CDC::SolidBrush(kRed));
        dc.Pie({0, 25, 80, 45}, {80, 35}, {80, 25});
    }
    EXPECT_EQ(At(image, 10, 10), kBlue);
    EXPECT_EQ(At(image, 0, 10), kBlack);  // outline at the left edge
    EXPECT_EQ(At(image, 19, 10), kBlack);  // and inside the excluded right edge
    EXPECT_EQ(At(image, 20, 10), kWhite);
    EXPECT_EQ(At(image, 10, 20), kWhite);
    EXPECT_EQ(At(image, 1, 1), kWhite);

    EXPECT_EQ(At(image, 58, 12), kBlue);
    EXPECT_EQ(At(image, 42, 12), kWhite);
    EXPECT_EQ(At(image, 42, 28), kWhite);
    EXPECT_EQ(At(image, 58, 28), kWhite);

    EXPECT_EQ(At(image, 108, 12), kWhite);
    EXPECT_EQ(At(image, 92, 12), kBlue);
    EXPECT_EQ(At(image, 92, 28), kBlue);
    EXPECT_EQ(At(image, 108, 28), kBlue);

    EXPECT_EQ(At(image, 140, 10), QColor(128, 128, 128));
    EXPECT_EQ(At(image, 135, 15), QColor(128, 128, 128));

    EXPECT_EQ(At(image, 70, 30), kRed);    // 9.5 degrees up: inside the wedge
    EXPECT_EQ(At(image, 60, 27), kWhite);  // 21.8 degrees up: outside
    EXPECT_EQ(At(image, 60, 38), kWhite);  // below the axis
}

TEST(DCTest, TextBoxesAcrossAndDown)
{
    const QFont font = AfxGetPrefs().m_fontLarge;
    const QString text = QStringLiteral("TTTT");
    QImage across = Canvas(120, 120);
    QImage down = Canvas(120, 120);
    QImage opaque = Canvas(120, 120, kBlack);
    QSize extent;
    QSize downExtent;
    {
        QPainter painter(&across);
        CDC dc(painter, CRect(0, 0, 120, 120));
        dc.SelectFont({font, 0});
        dc.SetBkMode(CDC::BkMode::Transparent);
        extent = dc.GetTextExtent(text);
        dc.TextOut(10, 20, text);
    }
    {
        QPainter painter(&down);
        CDC dc(painter, CRect(0, 0, 120, 120));
        dc.SelectFont({font, CDC::kEscapementDown});
        dc.SetBkMode(CDC::BkMode::Transparent);
        downExtent = dc.GetTextExtent(text);
        dc.TextOut(50, 20, text);
    }
    {
        QPainter painter(&opaque);
        CDC dc(painter, CRect(0, 0, 120, 120));
        dc.SelectFont({font, 0});
        dc.TextOut(10, 20, text);  // a fresh surface: black on an opaque white box
    }
    const QFontMetrics fm(font);
    EXPECT_EQ(extent, QSize(fm.horizontalAdvance(text), fm.height()));
    EXPECT_EQ(downExtent, extent);
    const int cx = extent.width();
    const int cy = extent.height();
    ASSERT_GT(cx, cy);

    // Across: the ink lies in the box from (10, 20), cx wide and cy high.
    const CRect inkAcross = InkBox(across);
    ASSERT_FALSE(inkAcross.IsRectEmpty());
    CRect inside;
    EXPECT_TRUE(inside.IntersectRect(inkAcross, CRect(10, 20, 10 + cx, 20 + cy)));
    EXPECT_EQ(inside, inkAcross);
    EXPECT_GT(inkAcross.Width(), inkAcross.Height());

    // Down: the box's top-right corner at (50, 20): columns 50 - cy to 49, rows 20 on.
    const CRect inkDown = InkBox(down);
    ASSERT_FALSE(inkDown.IsRectEmpty());
    EXPECT_TRUE(inside.IntersectRect(inkDown, CRect(50 - cy, 20, 50, 20 + cx)));
    EXPECT_EQ(inside, inkDown);
    EXPECT_GT(inkDown.Height(), inkDown.Width());
    EXPECT_EQ(inkDown.Height(), inkAcross.Width());
    EXPECT_EQ(inkDown.Width(), inkAcross.Height());
    // The bars of the Ts (the tops of the glyphs) face right.
    EXPECT_EQ(inkDown.right, 50 - (inkAcross.top - 20));

    EXPECT_EQ(At(opaque, 10, 20), kWhite);
    EXPECT_EQ(At(opaque, 10 + cx - 1, 20 + cy - 1), kWhite);
    EXPECT_EQ(At(opaque, 9, 20), kBlack);
    EXPECT_EQ(At(opaque, 10 + cx, 20), kBlack);
    EXPECT_EQ(At(opaque, 10, 20 + cy), kBlack);
}
