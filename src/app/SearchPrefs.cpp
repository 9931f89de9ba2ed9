#include "SearchPrefs.h"

#include <QByteArray>
#include <QSettings>
#include <QVariant>

#include <sys/stat.h>

namespace {
QSettings Settings() { return QSettings(QStringLiteral("kestrow software"), QStringLiteral("Volra")); }
}  // namespace

void CSearchPrefs::Load()
{
    const QSettings settings = Settings();
    m_rules = {};
    const QVariantList patterns = settings.value(QStringLiteral("Search/Exclude")).toList();
    for (const QVariant& value : patterns) {
        // Each pattern is stored as bytes; anything else in its place is passed over.
        if (value.typeId() != QMetaType::QByteArray)
            continue;
        const QByteArray bytes = value.toByteArray();
        if (bytes.isEmpty() || static_cast<std::size_t>(bytes.size()) > kMaxPatternBytes || bytes.contains('\0'))
            continue;
        m_rules.patterns.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (m_rules.patterns.size() == kMaxPatterns)
            break;
    }
    m_rules.bExcludeCaches = settings.value(QStringLiteral("Search/ExcludeCaches")).toInt() != 0;
    // Any number but 0 is "on"; what is no number is the default: staying on one file
    // system, as searches always did.
    bool bNumber = false;
    const int nOneFileSystem = settings.value(QStringLiteral("Search/OneFileSystem"), 1).toInt(&bNumber);
    m_rules.bCrossFileSystems = bNumber && nOneFileSystem == 0;
    m_rules.bNetworkFileSystems = settings.value(QStringLiteral("Search/NetworkFileSystems")).toInt() != 0;
}

void CSearchPrefs::Save() const
{
    QSettings settings = Settings();
    QVariantList patterns;
    for (const std::string& pattern : m_rules.patterns)
        patterns.append(QByteArray(pattern.data(), static_cast<qsizetype>(pattern.size())));
    settings.setValue(QStringLiteral("Search/Exclude"), patterns);
    settings.setValue(QStringLiteral("Search/ExcludeCaches"), m_rules.bExcludeCaches ? 1 : 0);
    settings.setValue(QStringLiteral("Search/OneFileSystem"), m_rules.bCrossFileSystems ? 0 : 1);
    settings.setValue(QStringLiteral("Search/NetworkFileSystems"), m_rules.bNetworkFileSystems ? 1 : 0);
    // The file holds FTP passwords: a file made here is never readable by anyone else.
    const mode_t previous = ::umask(S_IRWXG | S_IRWXO);
    settings.sync();
    ::umask(previous);
}
