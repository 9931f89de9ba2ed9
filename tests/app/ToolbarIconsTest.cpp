#include "app/AppCommands.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/ToolbarIcons.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>
#include <vector>

namespace {

QImage Picture(UINT id, int size)
{
    return ToolbarIcon(id).pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Pixels that a viewer would call different: colour or coverage changed by a fair amount.
int DifferentPixels(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                          std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
            count += d > 96 ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

TEST(ToolbarIcons, EveryButtonHasAPictureOfItsOwnAtBothSizes)
{
    std::vector<UINT> ids;
    for (UINT id : ToolbarLayout())
        if (id != 0)
            ids.push_back(id);
    ids.push_back(ID_HELP_CONTENTS);  // on the menu only, with a picture all the same
    ASSERT_GE(ids.size(), 10u);
    QImage blank(16, 16, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);

    for (std::size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(ids[i]);
        const QImage small = Picture(ids[i], 16);
        EXPECT_GE(DifferentPixels(small, blank), 40) << "a picture, not a speck";
        EXPECT_EQ(Picture(ids[i], 32).size(), QSize(32, 32)) << "drawn sharp, not scaled up";
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_GE(DifferentPixels(small, Picture(ids[j], 16)), 40) << "same look as " << ids[j];
    }
    EXPECT_TRUE(ToolbarIcon(ID_APP_EXIT).isNull()) << "a command without a picture has none";
    EXPECT_TRUE(ToolbarIcon(12345).isNull());
}

TEST(ToolbarIcons, TheMainWindowsActionsCarryThem)
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    CMainFrame frame(nullptr);
    for (UINT id : ToolbarLayout()) {
        if (id != 0) {
            EXPECT_EQ(frame.GetAction(id)->icon().cacheKey(), ToolbarIcon(id).cacheKey()) << id;
        }
    }
}
