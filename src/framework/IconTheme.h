#pragma once
#include <QString>
#include <QStringList>

// Makes the desktop's icon themes visible to Qt. Without a desktop platform theme (a bare
// X session, the offscreen platform) Qt 6.4 looks for themes only in ":/icons" and has no
// theme name, so every themed icon would be null. This adds the XDG data directories'
// "icons" folders to the search paths and picks a theme (ChooseIconTheme). Runs once; every
// place that asks the theme for an icon calls it first, so all of them see the same theme.
void PrepareIconTheme();

// The icon theme to use when Qt reports current: current itself when it names a theme;
// else, when it is empty or "hicolor", the first installed (an index.theme in one of the
// search paths) of the themes the desktop's settings name, Adwaita and hicolor. A window
// manager without desktop settings (Xvfb with openbox) leaves Qt at "hicolor", which every
// theme inherits from but which holds no folder or file-type icons of its own.
QString ChooseIconTheme(const QString& current, const QStringList& searchPaths);
