#include "HistoryPrefs.h"

#include <QSettings>
#include <QString>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <limits>

namespace {
// Each preference once: its key, its member and its default, in the order of reading
// and writing.
struct SettingDecl {
    const char* key;
    int CHistoryPrefs::*member;
    int defaultValue;
};

constexpr std::array<SettingDecl, 3> kSettings = {{
    {"History/Keep", &CHistoryPrefs::m_bKeep, 1},
    {"History/PerFolder", &CHistoryPrefs::m_nPerFolder, 10},
    {"History/SpaceMiB", &CHistoryPrefs::m_nSpaceMiB, 1024},
}};

QSettings Settings() { return QSettings(QStringLiteral("kestrow software"), QStringLiteral("Volra")); }
}  // namespace

CHistoryPrefs::CHistoryPrefs()
{
    for (const SettingDecl& setting : kSettings)
        this->*setting.member = setting.defaultValue;
}

void CHistoryPrefs::Load()
{
    const QSettings settings = Settings();
    for (const SettingDecl& setting : kSettings) {
        // Text that is not a 32-bit integer gives the default, as QVariant::toInt would
        // silently wrap a larger number.
        const QVariant value = settings.value(QLatin1String(setting.key));
        bool ok = false;
        const qlonglong number = value.isValid() ? value.toLongLong(&ok) : 0;
        ok = ok && number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
        this->*setting.member = ok ? static_cast<int>(number) : setting.defaultValue;
    }
}

void CHistoryPrefs::Save() const
{
    QSettings settings = Settings();
    for (const SettingDecl& setting : kSettings)
        settings.setValue(QLatin1String(setting.key), this->*setting.member);
    // The file holds FTP passwords: a file made here is never readable by anyone else,
    // even before the other preferences narrow it.
    const mode_t previous = ::umask(S_IRWXG | S_IRWXO);
    settings.sync();
    ::umask(previous);
}

CHistoryStore::Limits CHistoryPrefs::StoreLimits() const
{
    CHistoryStore::Limits limits;
    limits.nPerRoot = static_cast<std::size_t>(std::clamp(m_nPerFolder, kMinPerFolder, kMaxPerFolder));
    limits.nBytes = static_cast<std::uint64_t>(std::clamp(m_nSpaceMiB, kMinSpaceMiB, kMaxSpaceMiB)) << 20;
    return limits;
}
