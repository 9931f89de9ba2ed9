#include "app/AppCommands.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/ToolbarIcons.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>

#include <set>

TEST(ToolbarIcons, EveryButtonHasAnIconOfItsOwnAtBothSizesAndItsActionCarriesIt)
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    CMainFrame frame(nullptr);
    std::vector<UINT> ids = ToolbarLayout();
    ids.push_back(ID_HELP_CONTENTS);  // on the menu only, with a picture all the same
    std::set<qint64> icons;
    for (UINT id : ids) {
        if (id == 0)
            continue;
        const QIcon icon = ToolbarIcon(id);
        EXPECT_FALSE(icon.isNull()) << id;
        EXPECT_EQ(icon.pixmap(32, 32).size(), QSize(32, 32)) << id << ": drawn sharp, not scaled up";
        EXPECT_EQ(frame.GetAction(id)->icon().cacheKey(), icon.cacheKey()) << id;
        EXPECT_TRUE(icons.insert(icon.cacheKey()).second) << id << " shares another command's icon";
    }
    EXPECT_TRUE(ToolbarIcon(ID_APP_EXIT).isNull()) << "a command without a picture has none";
    EXPECT_TRUE(ToolbarIcon(12345).isNull());
}
