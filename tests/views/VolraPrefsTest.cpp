#include "views/VolraPrefs.h"

#include "support/PrivateSettings.h"

#include <QFile>
#include <QFontMetrics>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace {
class VolraPrefsTest : public ::testing::Test {
protected:
    void WriteConf(const std::string& text, unsigned mode) const
    {
        settings.Dir().Dir("kestrow software");
        std::ofstream(settings.File()) << text;
        ASSERT_EQ(0, ::chmod(settings.File().c_str(), mode));
    }

    PrivateSettings settings;
};

// Border, large and small font sizes, face, "show sizes", "show counts" and "show directories".
std::tuple<int, int, int, std::string, BOOL, BOOL, BOOL> Values(const CVolraPrefs& p)
{
    return {p.m_nBorder,    p.m_nFontSizeLarge, p.m_nFontSizeSmall,  p.m_strFontFace,
            p.m_bShowSizes, p.m_bShowCounts,    p.m_bShowDirectories};
}
}  // namespace

TEST_F(VolraPrefsTest, MissingValuesGiveDefaultsAndSavingWritesAllPrivately)
{
    CVolraPrefs prefs;
    prefs.m_nBorder = 99;  // overwritten by the default, as there is no file
    prefs.LoadPreferences();
    EXPECT_EQ(Values(prefs), std::tuple(14, 16, 10, "Tahoma", TRUE, FALSE, TRUE));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(settings.File())));  // reading creates nothing

    // A small font size set by hand survives, though nothing in the program changes it; a
    // file left readable by others is narrowed.
    WriteConf("[Block]\nFontSizeSmall=23\n", 0644);
    prefs.LoadPreferences();
    EXPECT_EQ(Values(prefs), std::tuple(14, 16, 23, "Tahoma", TRUE, FALSE, TRUE));
    // A face with a comma and non-ASCII is still one string.
    std::tie(prefs.m_nBorder, prefs.m_nFontSizeLarge, prefs.m_strFontFace, prefs.m_bShowSizes, prefs.m_bShowCounts,
             prefs.m_bShowDirectories) = std::tuple(5, 22, "Fira, Sans \xc3\xa9", FALSE, TRUE, FALSE);
    const mode_t umask = ::umask(022);  // narrowed while saving, then put back
    prefs.SavePreferences();
    EXPECT_EQ(022U, ::umask(umask));
    EXPECT_EQ(std::filesystem::status(settings.File()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(settings.Settings().allKeys(),
              QStringList({"Block/Border", "Block/ColourBy", "Block/FontFace", "Block/FontSizeLarge",
                           "Block/FontSizeSmall", "List/ShowDirectories", "Tree/ShowCounts", "Tree/ShowSizes"}));
    CVolraPrefs next;
    next.LoadPreferences();
    EXPECT_EQ(Values(next), std::tuple(5, 22, 23, "Fira, Sans \xc3\xa9", FALSE, TRUE, FALSE));
    next.CreateFonts();
    EXPECT_EQ("Fira, Sans \xc3\xa9", next.m_fontLarge.family());
}

TEST_F(VolraPrefsTest, FontsAreBuiltToTheStoredLineHeight)
{
    // A positive height is the whole line, ascent and descent, as the block view measures
    // its label strip: the largest font whose line fits. A negative one is the em height;
    // 0 the application font's; magnitudes beyond the cap are capped.
    const int kMax = CVolraPrefs::kMaxFontPixelSize;
    const struct {
        int stored;
        int nLine;  // the line height to fit, or 0
        int nPixels;  // else the pixel size, or 0 for the application font's size
    } cases[] = {{16, 16, 0}, {7, 7, 0}, {22, 22, 0}, {100000, kMax, 0}, {-30, 0, 30}, {INT_MIN, 0, kMax}, {0, 0, 0}};
    CVolraPrefs prefs;
    for (const auto& c : cases) {
        prefs.m_nFontSizeLarge = c.stored;
        prefs.m_nFontSizeSmall = c.stored;
        prefs.CreateFonts();
        for (const QFont* pFont : {&prefs.m_fontLarge, &prefs.m_fontLargeVertical, &prefs.m_fontSmall}) {
            if (c.nLine > 0) {
                QFont larger = *pFont;
                larger.setPixelSize(pFont->pixelSize() + 1);
                EXPECT_LE(QFontMetrics(*pFont).height(), c.nLine) << c.stored;
                EXPECT_GT(QFontMetrics(larger).height(), c.nLine) << c.stored;
            } else if (c.nPixels > 0) {
                EXPECT_EQ(pFont->pixelSize(), c.nPixels) << c.stored;
            } else {
                EXPECT_EQ(pFont->pointSizeF(), QFont().pointSizeF());
            }
        }
        EXPECT_EQ(prefs.m_nFontSizeLarge, c.stored) << "kept as stored";
    }
}

TEST_F(VolraPrefsTest, AbsurdValuesAreKeptUnreadableOnesGiveDefaults)
{
    WriteConf("[Block]\nBorder=-7\nFontSizeLarge=100000\nFontSizeSmall=0\nFontFace=No Such Face 4711\n"
              "[Tree]\nShowSizes=5\n",
              0600);
    CVolraPrefs prefs;
    prefs.LoadPreferences();
    EXPECT_EQ(Values(prefs), std::tuple(-7, 100000, 0, "No Such Face 4711", 5, FALSE, TRUE));
    // Written back exactly as read.
    prefs.SavePreferences();
    CVolraPrefs back;
    back.LoadPreferences();
    EXPECT_EQ(Values(back), std::tuple(-7, 100000, 0, "No Such Face 4711", 5, FALSE, TRUE));

    WriteConf("[Block]\nBorder=wide\nFontSizeLarge=99999999999\nFontSizeSmall=\n[Tree]\nShowSizes=0\n", 0600);
    prefs.LoadPreferences();
    EXPECT_EQ(Values(prefs), std::tuple(14, 16, 10, "Tahoma", FALSE, FALSE, TRUE));  // 99999999999 is beyond 32 bits
}
