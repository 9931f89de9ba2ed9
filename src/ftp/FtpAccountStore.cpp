#include "FtpAccountStore.h"

#include "sys/LastError.h"

#include <QFile>
#include <QSettings>
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
BOOL Load(std::vector<CFtpAccount>& accounts)
{
    accounts.clear();
    QSettings settings = Settings();
    settings.beginGroup(QString::fromLatin1(kGroup));
    for (const QString& name : settings.childGroups()) {
        CFtpAccount account;
        account.strName = name.toStdString();
        settings.beginGroup(name);
        for (auto [key, field] : {std::pair{"Host", &account.strHost}, std::pair{"Username", &account.strUserName},
                                  std::pair{"Password", &account.strPassword}}) {
            const QVariant value = settings.value(QLatin1String(key));
            if (value.isValid())
                *field = value.toString().toStdString();
        }
        bool ok = false;
        const int port = settings.value(QStringLiteral("Port")).toInt(&ok);
        if (ok)
            account.nPort = port;
        settings.endGroup();
        accounts.push_back(std::move(account));
    }
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
        settings.setValue(QStringLiteral("Port"), account.nPort);
        settings.endGroup();
    }
    SyncPrivately(settings);
}

void Remove(const std::string& strName)
{
    QSettings settings = Settings();
    settings.remove(GroupOf(strName));
    SyncPrivately(settings);
}

bool IsStorableName(const std::string& strName)
{
    return strName.find('/') == std::string::npos && strName.find('\\') == std::string::npos;
}
}  // namespace FtpAccountStore
