#pragma once

// Makes the desktop's icon themes visible to Qt. Without a desktop platform theme (a bare
// X session, the offscreen platform) Qt 6.4 looks for themes only in ":/icons" and has no
// theme name, so every themed icon would be null. This adds the XDG data directories'
// "icons" folders to the search paths and picks a theme when none is set: the one the
// desktop's settings name, else Adwaita, else hicolor. Runs once; every place that asks
// the theme for an icon calls it first, so all of them see the same theme.
void PrepareIconTheme();
