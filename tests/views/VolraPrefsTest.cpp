#include "views/VolraPrefs.h"

#include "support/TempTree.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QSettings>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Points the program's settings at a fresh directory of their own for each test, and back
// at the test-mode location afterwards, so the user's settings are never touched.
class VolraPrefsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_dir.Root()));
    }
    void TearDown() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

    std::string ConfPath() const { return m_dir.Path("kestrow software/Volra.conf"); }

    void WriteConf(const std::string& text, unsigned mode) const
    {
        m_dir.Dir("kestrow software");
        std::ofstream(ConfPath()) << text;
        ASSERT_EQ(0, ::chmod(ConfPath().c_str(), mode));
    }

    std::string ReadConf() const
    {
        std::ostringstream text;
        text << std::ifstream(ConfPath()).rdbuf();
        return text.str();
    }

    unsigned ConfMode() const
    {
        struct stat info {};
        EXPECT_EQ(0, ::stat(ConfPath().c_str(), &info));
        return info.st_mode & 07777;
    }

    // The stored text of one value, read the way the program reads it.
    static QString Stored(const char* key)
    {
        return QSettings(QStringLiteral("kestrow software"), QStringLiteral("Volra")).value(QLatin1String(key)).toString();
    }

    TempTree m_dir;
};

void ExpectDefaults(const CVolraPrefs& prefs)
{
    EXPECT_EQ(14, prefs.m_nBorder);
    EXPECT_EQ(16, prefs.m_nFontSizeLarge);
    EXPECT_EQ(10, prefs.m_nFontSizeSmall);
    EXPECT_EQ("Tahoma", prefs.m_strFontFace);
    EXPECT_EQ(TRUE, prefs.m_bShowSizes);
}

mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

}  // namespace

TEST_F(VolraPrefsTest, FirstRunGivesDefaultsAndExitCreatesAllFive)
{
    EXPECT_EQ(&AfxGetPrefs(), &AfxGetPrefs());
    ExpectDefaults(AfxGetPrefs());

    CVolraPrefs prefs;
    prefs.m_nBorder = 99;  // overwritten by the default, as the file has nothing
    prefs.LoadPreferences();
    ExpectDefaults(prefs);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(ConfPath())));  // reading creates nothing

    const mode_t umaskBefore = CurrentUmask();
    prefs.SavePreferences();
    EXPECT_EQ(umaskBefore, CurrentUmask());
    ASSERT_TRUE(QFile::exists(QString::fromStdString(ConfPath())));
    EXPECT_EQ(0600u, ConfMode());
    EXPECT_EQ("14", Stored("Block/Border"));
    EXPECT_EQ("16", Stored("Block/FontSizeLarge"));
    EXPECT_EQ("10", Stored("Block/FontSizeSmall"));
    EXPECT_EQ("Tahoma", Stored("Block/FontFace"));
    EXPECT_EQ("1", Stored("Tree/ShowSizes"));
    EXPECT_EQ(QStringList({"Block", "Tree"}),
              QSettings(QStringLiteral("kestrow software"), QStringLiteral("Volra")).childGroups());
}

TEST_F(VolraPrefsTest, ValuesAndFontsRoundTrip)
{
    CVolraPrefs written;
    written.m_nBorder = 3;
    written.m_nFontSizeLarge = 22;
    written.m_nFontSizeSmall = 7;
    written.m_strFontFace = "DejaVu Sans";
    written.m_bShowSizes = FALSE;
    written.SavePreferences();

    CVolraPrefs read;
    read.LoadPreferences();
    EXPECT_EQ(3, read.m_nBorder);
    EXPECT_EQ(22, read.m_nFontSizeLarge);
    EXPECT_EQ(7, read.m_nFontSizeSmall);
    EXPECT_EQ("DejaVu Sans", read.m_strFontFace);
    EXPECT_EQ(FALSE, read.m_bShowSizes);

    // Loading alone leaves the fonts as they were; CreateFonts builds them from the values.
    EXPECT_EQ(16, read.m_fontLarge.pixelSize());
    read.CreateFonts();
    for (const QFont* font : {&read.m_fontLarge, &read.m_fontLargeVertical})
        EXPECT_EQ(22, font->pixelSize());
    for (const QFont* font : {&read.m_fontSmall, &read.m_fontSmallVertical})
        EXPECT_EQ(7, font->pixelSize());
    for (const QFont* font : {&read.m_fontLarge, &read.m_fontLargeVertical, &read.m_fontSmall, &read.m_fontSmallVertical})
        EXPECT_EQ("DejaVu Sans", font->family());
    EXPECT_EQ(read.m_fontLarge, read.m_fontLargeVertical);
    if (QFontInfo(QFont(QStringLiteral("DejaVu Sans"))).family() == u"DejaVu Sans") {
        EXPECT_EQ("DejaVu Sans", QFontInfo(read.m_fontLarge).family());
    }

    // A face with a comma and non-ASCII letters survives as one string.
    read.m_strFontFace = "Fira, Sans \xc3\xa9";
    read.SavePreferences();
    CVolraPrefs again;
    again.LoadPreferences();
    EXPECT_EQ("Fira, Sans \xc3\xa9", again.m_strFontFace);
}

TEST_F(VolraPrefsTest, HandSetSmallSizeSurvivesAndFileIsNarrowed)
{
    WriteConf("[Block]\nFontSizeSmall=23\n", 0644);
    CVolraPrefs prefs;
    prefs.LoadPreferences();
    EXPECT_EQ(23, prefs.m_nFontSizeSmall);
    EXPECT_EQ(14, prefs.m_nBorder);
    EXPECT_EQ("Tahoma", prefs.m_strFontFace);
    EXPECT_EQ(TRUE, prefs.m_bShowSizes);

    prefs.m_nBorder = 5;  // what the Preferences sheet might change; never the small size
    prefs.SavePreferences();
    EXPECT_EQ(0600u, ConfMode());
    EXPECT_NE(std::string::npos, ReadConf().find("FontSizeSmall=23\n"));
    EXPECT_EQ("5", Stored("Block/Border"));
    EXPECT_EQ("1", Stored("Tree/ShowSizes"));

    CVolraPrefs next;
    next.LoadPreferences();
    EXPECT_EQ(23, next.m_nFontSizeSmall);
    EXPECT_EQ(5, next.m_nBorder);
}

TEST_F(VolraPrefsTest, AbsurdValuesAreKeptAndFontsStaySane)
{
    WriteConf("[Block]\nBorder=-7\nFontSizeLarge=100000\nFontSizeSmall=0\nFontFace=No Such Face 4711\n"
              "[Tree]\nShowSizes=5\n",
              0600);
    CVolraPrefs prefs;
    prefs.LoadPreferences();
    EXPECT_EQ(-7, prefs.m_nBorder);
    EXPECT_EQ(100000, prefs.m_nFontSizeLarge);
    EXPECT_EQ(0, prefs.m_nFontSizeSmall);
    EXPECT_EQ("No Such Face 4711", prefs.m_strFontFace);
    EXPECT_EQ(5, prefs.m_bShowSizes);

    prefs.CreateFonts();
    EXPECT_EQ(CVolraPrefs::kMaxFontPixelSize, prefs.m_fontLarge.pixelSize());
    EXPECT_EQ(CVolraPrefs::kMaxFontPixelSize, prefs.m_fontLargeVertical.pixelSize());
    EXPECT_GE(QFontMetrics(prefs.m_fontLarge).height(), CVolraPrefs::kMaxFontPixelSize);
    // Height 0: the application font's size.
    EXPECT_EQ(QFont().pixelSize(), prefs.m_fontSmall.pixelSize());
    EXPECT_EQ(QFont().pointSizeF(), prefs.m_fontSmall.pointSizeF());
    EXPECT_GT(QFontMetrics(prefs.m_fontSmall).height(), 0);
    // A face nobody has is asked for as stored and substituted by an installed one.
    EXPECT_EQ("No Such Face 4711", prefs.m_fontLarge.family());
    EXPECT_NE("No Such Face 4711", QFontInfo(prefs.m_fontLarge).family());

    // Negative heights count by magnitude, even the most negative one.
    prefs.m_nFontSizeLarge = -30;
    prefs.m_nFontSizeSmall = INT_MIN;
    prefs.CreateFonts();
    EXPECT_EQ(30, prefs.m_fontLarge.pixelSize());
    EXPECT_EQ(CVolraPrefs::kMaxFontPixelSize, prefs.m_fontSmall.pixelSize());
    EXPECT_EQ(INT_MIN, prefs.m_nFontSizeSmall);

    // Written back exactly as read.
    prefs.m_nFontSizeLarge = 100000;
    prefs.m_nFontSizeSmall = 0;
    prefs.SavePreferences();
    EXPECT_EQ("-7", Stored("Block/Border"));
    EXPECT_EQ("100000", Stored("Block/FontSizeLarge"));
    EXPECT_EQ("0", Stored("Block/FontSizeSmall"));
    EXPECT_EQ("No Such Face 4711", Stored("Block/FontFace"));
    EXPECT_EQ("5", Stored("Tree/ShowSizes"));
}

TEST_F(VolraPrefsTest, UnreadableValuesGiveDefaults)
{
    WriteConf("[Block]\nBorder=wide\nFontSizeLarge=99999999999\nFontSizeSmall=\n[Tree]\nShowSizes=0\n", 0600);
    CVolraPrefs prefs;
    prefs.LoadPreferences();
    EXPECT_EQ(14, prefs.m_nBorder);
    EXPECT_EQ(16, prefs.m_nFontSizeLarge);  // beyond 32 bits
    EXPECT_EQ(10, prefs.m_nFontSizeSmall);
    EXPECT_EQ("Tahoma", prefs.m_strFontFace);
    EXPECT_EQ(FALSE, prefs.m_bShowSizes);
}
