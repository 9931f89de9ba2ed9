#include "FtpAccountStore.h"

#include "sys/LastError.h"

#include <QFile>
#include <QSettings>
#include <charconv>
#include <sys/stat.h>

namespace {
constexpr const char* kGroup = "Accounts";

QSettings Settings() { return QSettings(QStringLiteral("kestrow software"), QStringLiteral("Volra")); }

QString GroupOf(const std::string& strName)
{
    return QString::fromLatin1(kGroup) + QLatin1Char('/') + QString::fromStdString(strName);
}

// Writes the settings without any access for group and others, not even for a moment,
// and narrows a file that something else left wider.
void SyncPrivately(QSettings& settings)
{
    const mode_t previous = ::umask(S_IRWXG | S_IRWXO);
    settings.sync();
    ::umask(previous);
    QFile::setPermissions(settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
}  // namespace

namespace FtpAccountStore {
namespace {
// The port as stored: an int, or the text that stands in its place.
void LoadPort(const QVariant& value, CFtpAccount& account)
{
    const std::string text = value.toString().trimmed().toStdString();
    if (text.empty())
        return;
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error == std::errc() && end == text.data() + text.size())
        account.nPort = port;
    else
        account.strStoredPort = value.toString().toStdString();
}

// Groups nested deeper than this below the accounts group are no accounts but a damaged
// file: they are left unread rather than followed down.
constexpr int kMaxNesting = 16;

// The accounts in the current group and the groups below it; strPrefix names the group
// from the accounts group down, ending in "/".
void LoadGroup(QSettings& settings, const std::string& strPrefix, int nDepth, std::vector<CFtpAccount>& accounts)
{
    if (nDepth > kMaxNesting)
        return;
    for (const QString& name : settings.childGroups()) {
        settings.beginGroup(name);
        const std::string strName = strPrefix + name.toStdString();
        // A group that holds nothing but groups only names the way to accounts.
        if (!settings.childKeys().isEmpty() || settings.childGroups().isEmpty()) {
            CFtpAccount account;
            account.strName = strName;
            for (auto [key, field] : {std::pair{"Host", &account.strHost}, std::pair{"Username", &account.strUserName},
                                      std::pair{"Password", &account.strPassword}}) {
                const QVariant value = settings.value(QLatin1String(key));
                if (value.isValid())
                    *field = value.toString().toStdString();
            }
            LoadPort(settings.value(QStringLiteral("Port")), account);
            accounts.push_back(std::move(account));
        }
        LoadGroup(settings, strName + "/", nDepth + 1, accounts);
        settings.endGroup();
    }
}
}  // namespace

BOOL Load(std::vector<CFtpAccount>& accounts)
{
    accounts.clear();
    QSettings settings = Settings();
    settings.beginGroup(QString::fromLatin1(kGroup));
    LoadGroup(settings, {}, 1, accounts);
    if (settings.status() != QSettings::NoError) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

void Save(const std::vector<CFtpAccount>& accounts)
{
    QSettings settings = Settings();
    for (const CFtpAccount& account : accounts) {
        settings.beginGroup(GroupOf(account.strName));
        settings.setValue(QStringLiteral("Host"), QString::fromStdString(account.strHost));
        settings.setValue(QStringLiteral("Username"), QString::fromStdString(account.strUserName));
        settings.setValue(QStringLiteral("Password"), QString::fromStdString(account.strPassword));
        if (account.strStoredPort.empty())
            settings.setValue(QStringLiteral("Port"), account.nPort);
        else
            settings.setValue(QStringLiteral("Port"), QString::fromStdString(account.strStoredPort));
        settings.endGroup();
    }
    SyncPrivately(settings);
}

void Remove(const std::string& strName)
{
    QSettings settings = Settings();
    settings.beginGroup(GroupOf(strName));
    for (const QString& key : settings.childKeys())
        settings.remove(key);
    settings.endGroup();
    SyncPrivately(settings);
}

bool IsStorableName(const std::string& strName)
{
    return strName.find('/') == std::string::npos && strName.find('\\') == std::string::npos;
}
}  // namespace FtpAccountStore
