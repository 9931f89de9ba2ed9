// The drawing surface, drawn through a QPainter on an image the way a view's paint draws on
// its widget. Rectangles, pens and wedges are checked by the pixels of the block view and the
// pie chart; text turned down is checked here, where its geometry can be seen alone.
#include "views/DC.h"
#include "views/VolraPrefs.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cstdlib>

TEST(DCTest, TextDownIsTextAcrossTurnedAQuarterClockwise)
{
    // Text across has its box's top-left at (x, y); downwards, its top-right: the same ink
    // turned a quarter clockwise into the columns x - height to x - 1, descenders and
    // underscores included. Turned glyphs are not hinted, so their ink may run one pixel
    // further along the text.
    const QString text = QStringLiteral("Tg_T");
    QSize extent;
    auto write = [&](int nEscapement, int nLeft) {
        QImage image(120, 120, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            CDC dc(painter, CRect(0, 0, 120, 120));
            dc.SelectFont({AfxGetPrefs().m_fontLarge, nEscapement});
            dc.SetBkMode(CDC::BkMode::Transparent);
            extent = dc.GetTextExtent(text);
            dc.TextOut(nLeft, 20, text);
        }
        CRect ink(120, 120, 0, 0);  // the smallest rectangle holding every dark pixel
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x)
                if (image.pixelColor(x, y).lightness() < 160)
                    ink = CRect(std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                                std::max(ink.bottom, y + 1));
        return ink;
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
