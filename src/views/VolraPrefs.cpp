#include "VolraPrefs.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QSettings>
#include <QString>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

constexpr const char* kOrganisation = "kestrow software";
constexpr const char* kApplication = "Volra";

// Each preference once: where it is stored, which member holds it and its default. The
// order is the order of reading and writing. Exactly one of number and text is set.
struct SettingDecl {
    const char* key;  // "Section/Name"
    int CVolraPrefs::*number;
    std::string CVolraPrefs::*text;
    int defaultNumber;
    const char* defaultText;
};

constexpr std::array<SettingDecl, 8> kSettings = {{
    {"Block/Border", &CVolraPrefs::m_nBorder, nullptr, 14, nullptr},
    {"Block/FontSizeLarge", &CVolraPrefs::m_nFontSizeLarge, nullptr, 16, nullptr},
    {"Block/FontSizeSmall", &CVolraPrefs::m_nFontSizeSmall, nullptr, 10, nullptr},
    {"Block/FontFace", nullptr, &CVolraPrefs::m_strFontFace, 0, "Tahoma"},
    {"Tree/ShowSizes", &CVolraPrefs::m_bShowSizes, nullptr, 1, nullptr},
    {"Tree/ShowCounts", &CVolraPrefs::m_bShowCounts, nullptr, 0, nullptr},
    {"List/ShowDirectories", &CVolraPrefs::m_bShowDirectories, nullptr, 1, nullptr},
    {"Block/ColourBy", &CVolraPrefs::m_nColourBy, nullptr, 0, nullptr},
}};

// The largest pixel size (em height) whose whole line, ascent and descent, is at most
// nCell pixels high, as the block view measures its labels; at least 1. Faces differ in
// how far their descenders reach below the em, so this is found by measuring.
int PixelSizeForCell(QFont font, int nCell)
{
    auto cellAt = [&font](int nPixels) {
        font.setPixelSize(nPixels);
        return QFontMetrics(font).height();
    };
    int nPixels = std::max(1, static_cast<int>(std::int64_t(nCell) * nCell / std::max(1, cellAt(nCell))));
    while (nPixels > 1 && cellAt(nPixels) > nCell)
        --nPixels;
    while (nPixels < nCell && cellAt(nPixels + 1) <= nCell)
        ++nPixels;
    return nPixels;
}

// A stored height is the label's whole line height in pixels, as a cell height is; a
// negative one is an em height (a character height) of that magnitude; 0 keeps the
// application font's size. Either is capped at kMaxFontPixelSize.
QFont LabelFont(const std::string& face, int height)
{
    QFont font;
    font.setFamily(QString::fromStdString(face));
    const auto magnitude = static_cast<int>(
        std::min<std::int64_t>(std::llabs(static_cast<std::int64_t>(height)), CVolraPrefs::kMaxFontPixelSize));
    if (height < 0)
        font.setPixelSize(magnitude);
    else if (height > 0)
        // Fonts can be measured only once the application has its font machinery.
        font.setPixelSize(QGuiApplication::instance() != nullptr ? PixelSizeForCell(font, magnitude) : magnitude);
    return font;
}

}  // namespace

CVolraPrefs::CVolraPrefs()
{
    for (const SettingDecl& setting : kSettings) {
        if (setting.number != nullptr)
            this->*setting.number = setting.defaultNumber;
        else
            this->*setting.text = setting.defaultText;
    }
    CreateFonts();
}

void CVolraPrefs::LoadPreferences()
{
    const QSettings settings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    for (const SettingDecl& setting : kSettings) {
        const QVariant value = settings.value(QLatin1String(setting.key));
        if (setting.number != nullptr) {
            // Text that is not a 32-bit integer cannot be read, so it gives the default.
            // QVariant::toInt would silently wrap a larger number instead.
            bool ok = false;
            const qlonglong number = value.isValid() ? value.toLongLong(&ok) : 0;
            ok = ok && number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
            this->*setting.number = ok ? static_cast<int>(number) : setting.defaultNumber;
        } else {
            this->*setting.text = value.isValid() ? value.toString().toStdString() : setting.defaultText;
        }
    }
}

void CVolraPrefs::SavePreferences()
{
    QSettings settings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    for (const SettingDecl& setting : kSettings) {
        const QVariant value = setting.number != nullptr ? QVariant(this->*setting.number)
                                                         : QVariant(QString::fromStdString(this->*setting.text));
        settings.setValue(QLatin1String(setting.key), value);
    }
    // The file holds FTP passwords: create it (and its folder) without any access for group
    // and others, so that it is never readable by them even for a moment, then narrow a
    // file that an earlier version or the user left wider. Failures go unreported, as a
    // preference that cannot be written is simply lost.
    const mode_t previous = ::umask(S_IRWXG | S_IRWXO);
    settings.sync();
    ::umask(previous);
    QFile::setPermissions(settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void CVolraPrefs::CreateFonts()
{
    m_fontLarge = LabelFont(m_strFontFace, m_nFontSizeLarge);
    m_fontLargeVertical = LabelFont(m_strFontFace, m_nFontSizeLarge);
    m_fontSmall = LabelFont(m_strFontFace, m_nFontSizeSmall);
    m_fontSmallVertical = LabelFont(m_strFontFace, m_nFontSizeSmall);
}

CVolraPrefs& AfxGetPrefs()
{
    // Never destroyed: fonts must not outlive the application object's font machinery,
    // and every view may read the store until the very end.
    static auto* pPrefs = new CVolraPrefs;
    return *pPrefs;
}
