#include "IconTheme.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSettings>
#include <QStandardPaths>

#include <array>
#include <string_view>

namespace {
bool IsThemeInstalled(const QString& name, const QStringList& searchPaths)
{
    if (name.isEmpty())
        return false;
    for (const QString& dir : searchPaths) {
        if (QFileInfo::exists(dir + u'/' + name + QStringLiteral("/index.theme")))
            return true;
    }
    return false;
}

// The icon theme the desktop's own settings name, as far as they can be read without a
// platform theme plugin: KDE's kdeglobals and GTK's settings.ini.
QStringList DesktopThemeNames()
{
    struct Source {
        const char* file;
        const char* key;
    };
    static constexpr std::array<Source, 3> sources = {{{"kdeglobals", "Icons/Theme"},
                                                       {"gtk-4.0/settings.ini", "Settings/gtk-icon-theme-name"},
                                                       {"gtk-3.0/settings.ini", "Settings/gtk-icon-theme-name"}}};
    const bool kde = qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(u"KDE", Qt::CaseInsensitive);
    QStringList names;
    for (const QString& configDir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        for (const Source& source : sources) {
            const QString path = configDir + u'/' + QLatin1String(source.file);
            if (!QFileInfo::exists(path))
                continue;
            const QString name = QSettings(path, QSettings::IniFormat).value(QLatin1String(source.key)).toString();
            if (name.isEmpty())
                continue;
            // On a KDE desktop its own setting wins over a GTK file left behind.
            if (kde && std::string_view(source.file) == "kdeglobals")
                names.prepend(name);
            else
                names.append(name);
        }
    }
    return names;
}

QStringList ThemeSearchPathsWithXdgDirs()
{
    QStringList paths = QIcon::themeSearchPaths();
    QStringList candidates{QDir::homePath() + QStringLiteral("/.icons")};
    for (const QString& dataDir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        candidates.append(dataDir + QStringLiteral("/icons"));
    candidates.append(QStringLiteral("/usr/share/icons"));
    for (const QString& dir : candidates) {
        if (!paths.contains(dir) && QFileInfo(dir).isDir())
            paths.append(dir);
    }
    return paths;
}
}  // namespace

QString ChooseIconTheme(const QString& current, const QStringList& searchPaths)
{
    const QString hicolor = QStringLiteral("hicolor");
    if (!current.isEmpty() && current != hicolor)
        return current;
    QStringList wanted = DesktopThemeNames();
    wanted.removeAll(hicolor);  // as little use from the settings as from Qt
    wanted << QStringLiteral("Adwaita") << hicolor;
    for (const QString& name : wanted) {
        if (IsThemeInstalled(name, searchPaths))
            return name;
    }
    // Nothing installed: every lookup ends at the drawn icons.
    return hicolor;
}

void PrepareIconTheme()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    const QStringList paths = ThemeSearchPathsWithXdgDirs();
    if (paths != QIcon::themeSearchPaths())
        QIcon::setThemeSearchPaths(paths);
    const QString name = ChooseIconTheme(QIcon::themeName(), paths);
    if (name != QIcon::themeName())
        QIcon::setThemeName(name);
}
