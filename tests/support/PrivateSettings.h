#pragma once
#include "support/TempTree.h"

#include <QSettings>
#include <QStandardPaths>

// The program's settings in a scratch directory while it lives, then back at the test-mode
// location, so that the user's own settings are never touched.
class PrivateSettings {
public:
    PrivateSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_dir.Root()));
    }
    ~PrivateSettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }
    const TempTree& Dir() const { return m_dir; }
    std::string File() const { return m_dir.Path("kestrow software/Volra.conf"); }
    static QSettings Settings() { return QSettings(QStringLiteral("kestrow software"), QStringLiteral("Volra")); }

private:
    TempTree m_dir;
};
