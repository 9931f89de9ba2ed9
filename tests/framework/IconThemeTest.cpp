#include "framework/IconTheme.h"

#include "support/ScopedEnv.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>

// Qt's answer "hicolor" (a bare window manager) counts as no theme: the desktop's own
// theme comes first, then Adwaita; a theme Qt names otherwise is kept.
TEST(IconTheme, HicolorAsReportedCountsAsNoTheme)
{
    TempTree t;
    for (const char* theme : {"hicolor", "Adwaita", "Papirus"})
        t.File(std::string("icons/") + theme + "/index.theme");
    const QStringList paths{QString::fromStdString(t.Path("icons"))};
    const std::tuple<const char*, const char*, QStringList, const char*> cases[] = {
        // desktop setting, Qt's theme, search paths, chosen
        {nullptr, "", paths, "Adwaita"},
        {nullptr, "hicolor", paths, "Adwaita"},
        {nullptr, "Breeze", paths, "Breeze"},
        {"Papirus", "hicolor", paths, "Papirus"},
        {"hicolor", "hicolor", paths, "Adwaita"},
        {"NotInstalled", "", paths, "Adwaita"},
        {nullptr, "hicolor", {QString::fromStdString(t.Path("none"))}, "hicolor"},
    };
    int nCase = 0;
    for (const auto& [desktop, current, searchPaths, chosen] : cases) {
        // A folder of its own each time: settings files are cached by name, size and time.
        const std::string config = "config" + std::to_string(++nCase);
        t.Dir(config + "/gtk-3.0");
        ScopedEnv configDirs("XDG_CONFIG_DIRS", t.Path(config));
        if (desktop != nullptr)
            std::ofstream(t.Path(config + "/gtk-3.0/settings.ini"))
                << "[Settings]\ngtk-icon-theme-name=" << desktop << "\n";
        EXPECT_EQ(ChooseIconTheme(QString::fromLatin1(current), searchPaths).toStdString(), chosen)
            << (desktop != nullptr ? desktop : "-") << " " << current;
    }
}
