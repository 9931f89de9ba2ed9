#pragma once
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/VolraApp.h"
#include "app/VolraDocTemplate.h"
#include "model/Entry.h"
#include "support/ModalWatch.h"
#include "support/PrivateSettings.h"
#include "support/ScopedEnv.h"
#include "views/VolraPrefs.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <gtest/gtest.h>

// The whole application on a private settings folder and a private data folder (where
// finished searches are kept), with its main window hidden, and a small tree to search
// (4096 + 1024 bytes). Sizes are the files' lengths, as if the user had
// chosen them, so that totals are the same on every file system; kDefaultMeasure leaves the
// choice to the program. The preferences go back to their defaults afterwards.
struct AppFixture {
    static constexpr bool kDefaultMeasure = false;
    PrivateSettings settings;
    TempTree dataHome;
    ScopedEnv dataHomeEnv{"XDG_DATA_HOME", dataHome.Root()};
    TempTree tree;
    CVolraApp app;

    explicit AppFixture(bool bLengths = true)
    {
        tree.Files({{"top.bin", 4096}, {"sub/a.txt", 1000}, {"sub/deeper/b.txt", 24}});
        if (bLengths)
            PrivateSettings::Settings().setValue(QStringLiteral("Volra/SizeOnDisk"), false);
        app.InitInstance({}, FALSE, FALSE);
    }
    ~AppFixture()
    {
        app.GetMainFrame()->close();
        AfxGetPrefs() = CVolraPrefs();
        CEntry::ShowDiskSizes(false);
    }
    CMainFrame& Frame() { return *app.GetMainFrame(); }
    CVolraDoc* Open() { return app.GetDocTemplate()->OpenDocumentFile(tree.Root()); }
    // A command's action with its state brought up to date, as a menu's opening does.
    QAction* Action(UINT id)
    {
        Frame().UpdateCommandStates();
        return Frame().GetAction(id);
    }
    // Carries out a command as its menu item or button does.
    void Command(UINT id) { Action(id)->trigger(); }
    bool Enabled(UINT id) { return Action(id)->isEnabled(); }
    bool Checked(UINT id) { return Action(id)->isChecked(); }
    QStringList MenuTitles()
    {
        QStringList titles;
        for (QAction* a : Frame().menuBar()->actions())
            titles << a->text();
        return titles;
    }
};
