#pragma once
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/VolraApp.h"
#include "app/VolraDocTemplate.h"
#include "support/TempTree.h"
#include "views/VolraPrefs.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

// The whole application on a private settings folder, with its main window hidden, and a
// small tree to search (4096 + 1024 bytes). The preferences go back to their defaults
// afterwards.
struct AppFixture {
    QTemporaryDir settingsDir;
    TempTree tree;
    CVolraApp app;

    AppFixture()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        tree.File("top.bin", 4096);
        tree.File("sub/a.txt", 1000);
        tree.File("sub/deeper/b.txt", 24);
        app.InitInstance({}, FALSE, FALSE);
    }
    ~AppFixture()
    {
        app.GetMainFrame()->close();
        AfxGetPrefs() = CVolraPrefs();
    }
    CMainFrame& Frame() { return *app.GetMainFrame(); }
    CVolraDoc* Open() { return app.GetDocTemplate()->OpenDocumentFile(tree.Root()); }
    // Carries out a command as its menu item or button does.
    void Command(UINT id)
    {
        Frame().UpdateCommandStates();
        Frame().GetAction(id)->trigger();
    }
    bool Enabled(UINT id)
    {
        Frame().UpdateCommandStates();
        return Frame().GetAction(id)->isEnabled();
    }
    bool Checked(UINT id)
    {
        Frame().UpdateCommandStates();
        return Frame().GetAction(id)->isChecked();
    }
    QStringList MenuTitles()
    {
        QStringList titles;
        for (QAction* a : Frame().menuBar()->actions())
            titles << a->text();
        return titles;
    }
};

// Runs actions from inside the next modal dialog's loop, as a user would act on it; a dialog
// (or message box) still open after a while is ended, so that a fault fails the test
// instead of hanging it. Call it, then start the dialog.
template <class Dlg>
void WhenModal(const std::function<void(Dlg&)>& actions)
{
    QTimer::singleShot(0, [actions] {
        auto* pDlg = qobject_cast<Dlg*>(QApplication::activeModalWidget());
        if (pDlg == nullptr) {
            ADD_FAILURE() << "no dialog of the expected kind";
            return;
        }
        QTimer::singleShot(5000, pDlg, [pDlg] {
            ADD_FAILURE() << "the dialog was still open";
            while (auto* pModal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                pModal->done(0);
                if (pModal == pDlg)
                    break;
            }
        });
        actions(*pDlg);
    });
}
