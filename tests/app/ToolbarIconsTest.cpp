#include "app/AppCommands.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/ToolbarIcons.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

const std::vector<UINT> kDrawnCommands = {
    ID_FILE_NEW,    ID_REFRESH,        ID_VIEW_TREE, ID_MODE_BLOCK, ID_MODE_LIST,
    ID_MODE_PIE,    ID_VIEW_DIRECTORY, ID_OPEN_PARENT, ID_SHOW_ALL_FILES, ID_OPEN_RUN,
    ID_DELETE,      ID_APP_ABOUT,      ID_HELP_CONTENTS,
};

QImage Picture(UINT id, int size, QIcon::Mode mode = QIcon::Normal)
{
    return ToolbarIcon(id).pixmap(size, size, mode).toImage().convertToFormat(QImage::Format_ARGB32);
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

// How far the channels of the most colourful visible pixel lie apart.
int MaxColourSpread(const QImage& image)
{
    int spread = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) < 128)
                continue;
            const int hi = std::max({qRed(p), qGreen(p), qBlue(p)});
            const int lo = std::min({qRed(p), qGreen(p), qBlue(p)});
            spread = std::max(spread, hi - lo);
        }
    }
    return spread;
}

}  // namespace

TEST(ToolbarIcons, EveryCommandHasADrawnPictureAtSixteenAndThirtyTwo)
{
    for (UINT id : kDrawnCommands) {
        SCOPED_TRACE(id);
        const QIcon icon = ToolbarIcon(id);
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
        const QImage image = Picture(id, 16);
        ASSERT_EQ(image.size(), QSize(16, 16));
        int opaque = 0;
        std::set<QRgb> colours;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb p = image.pixel(x, y);
                opaque += qAlpha(p) == 255 ? 1 : 0;
                if (qAlpha(p) == 255)
                    colours.insert(p);
            }
        }
        EXPECT_GE(opaque, 40) << "a picture, not a speck";
        EXPECT_LT(opaque, 256) << "the pixmap is not filled edge to edge";
        EXPECT_GE(colours.size(), 3u) << "an outline and at least two fills";
        EXPECT_EQ(Picture(id, 32).size(), QSize(32, 32));
    }
}

TEST(ToolbarIcons, DistinctCommandsLookDifferent)
{
    for (size_t i = 0; i < kDrawnCommands.size(); ++i) {
        for (size_t j = i + 1; j < kDrawnCommands.size(); ++j) {
            const UINT a = kDrawnCommands[i], b = kDrawnCommands[j];
            EXPECT_GE(DifferentPixels(Picture(a, 16), Picture(b, 16)), 40) << a << " vs " << b;
            EXPECT_GE(DifferentPixels(Picture(a, 32), Picture(b, 32)), 96) << a << " vs " << b;
        }
    }
}

TEST(ToolbarIcons, DisabledLookIsGrey)
{
    for (UINT id : kDrawnCommands) {
        const QImage normal = Picture(id, 16);
        const QImage disabled = Picture(id, 16, QIcon::Disabled);
        EXPECT_GT(MaxColourSpread(normal), 48) << id;
        EXPECT_LE(MaxColourSpread(disabled), 8) << id;
        EXPECT_GT(DifferentPixels(normal, disabled), 0) << id;
    }
}

TEST(ToolbarIcons, UnknownCommandsHaveNoIconAndKnownOnesAreBuiltOnce)
{
    EXPECT_TRUE(ToolbarIcon(0).isNull());
    EXPECT_TRUE(ToolbarIcon(ID_APP_EXIT).isNull());
    EXPECT_TRUE(ToolbarIcon(ID_MODE_SPIDER).isNull());
    EXPECT_TRUE(ToolbarIcon(12345).isNull());
    EXPECT_EQ(ToolbarIcon(ID_DELETE).cacheKey(), ToolbarIcon(ID_DELETE).cacheKey());
    EXPECT_NE(ToolbarIcon(ID_DELETE).cacheKey(), ToolbarIcon(ID_REFRESH).cacheKey());
}

TEST(ToolbarIcons, TheMainWindowsToolbarButtonsCarryThem)
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    CMainFrame frame(nullptr);
    int buttons = 0;
    for (UINT id : ToolbarLayout()) {
        if (id == 0)
            continue;
        ++buttons;
        const QAction* action = frame.GetAction(id);
        ASSERT_NE(action, nullptr) << id;
        EXPECT_FALSE(action->icon().isNull()) << id;
        EXPECT_EQ(action->icon().cacheKey(), ToolbarIcon(id).cacheKey()) << id;
    }
    EXPECT_EQ(buttons, 12);
    EXPECT_EQ(frame.GetAction(ID_HELP_CONTENTS)->icon().cacheKey(), ToolbarIcon(ID_HELP_CONTENTS).cacheKey());
    EXPECT_TRUE(frame.GetAction(ID_APP_EXIT)->icon().isNull());
}
