#include "AppFixture.h"
#include "app/AppCommands.h"
#include "app/ChooseSearchTypeDlg.h"
#include "doc/DriveSelectDlg.h"
#include "doc/VolraDoc.h"
#include "framework/FileChooser.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <gtest/gtest.h>

// A folder picked from the drive dialog is searched, saved from the File menu and opened
// again in a window of its own, in which only moving about and saving are left.
TEST(MainFrame, FoldersFromTheDriveDialogSearchesSavedAndOpenedAgain)
{
    AppFixture f;
    TempTree out;
    const std::string root = f.tree.Root(), saved = out.Path("saved.json");
    SetFileChooserAnswer([&](FileChooser kind, const QString&) {
        return QString::fromStdString(kind == FileChooser::Folder ? root : saved);
    });
    EXPECT_TRUE(f.Enabled(ID_FILE_OPEN));
    EXPECT_FALSE(f.Enabled(ID_FILE_SAVE)) << "no search to save";
    f.app.GetDocTemplate()->m_chooseSearchType = [] { return IDC_LOCAL_DRIVE; };
    WhenModal<CDriveSelectDlg>([](CDriveSelectDlg& dlg) { dlg.GetFolderButton()->click(); });
    f.Command(ID_FILE_NEW);
    ASSERT_EQ(f.app.GetDocTemplate()->GetDocuments().size(), 1u);
    EXPECT_EQ(f.app.GetDocTemplate()->GetDocuments()[0]->GetTitle(), "(Folder " + root + ") " + root + " (5.00k)");
    EXPECT_TRUE(f.Enabled(ID_REFRESH));

    f.Command(ID_FILE_SAVE);
    f.Command(ID_FILE_OPEN);
    SetFileChooserAnswer(nullptr);
    ASSERT_EQ(f.Frame().GetMdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(f.Frame().windowTitle(), QString::fromStdString("Volra - [(File saved.json) " + root + " (5.00k)]"));
    for (const UINT id : {ID_REFRESH, ID_OPEN_RUN, ID_DELETE})
        EXPECT_FALSE(f.Enabled(id)) << id;
    EXPECT_TRUE(f.Enabled(ID_FILE_SAVE));
}
