#include "app/AppCommands.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/PlaceholderView.h"
#include "app/VolraApp.h"
#include "app/VolraDocTemplate.h"
#include "doc/DriveSelectDlg.h"
#include "doc/VolraDoc.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"
#include "views/EntryInfo.h"
#include "views/VolraBlockView.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// The whole application on a private settings folder, with its main window hidden.
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
    ~AppFixture() { app.GetMainFrame()->close(); }
    CMainFrame& Frame() { return *app.GetMainFrame(); }
    CVolraDoc* Open() { return app.GetDocTemplate()->OpenDocumentFile(tree.Root()); }
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
}  // namespace

TEST(MainFrame, MenusAndCommandStatesFollowTheActiveSearch)
{
    AppFixture f;
    EXPECT_EQ(f.MenuTitles(), (QStringList{"&File", "&View", "&Help"}));
    EXPECT_FALSE(f.Enabled(ID_REFRESH)) << "no search window: nothing handles it";
    EXPECT_FALSE(f.Enabled(ID_EDIT_COPY)) << "nothing ever handles Copy";
    EXPECT_TRUE(f.Enabled(ID_FILE_NEW));
    EXPECT_TRUE(f.Enabled(ID_APP_ABOUT));

    EXPECT_EQ(f.Frame().windowTitle(), "Volra");
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(f.MenuTitles(), (QStringList{"&File", "&View", "&Selection", "&Window", "&Help"}));
    EXPECT_EQ(f.Frame().windowTitle(), QString::fromStdString("Volra - [" + doc->GetTitle() + "]"));
    EXPECT_TRUE(f.Enabled(ID_REFRESH));
    EXPECT_FALSE(f.Enabled(ID_OPEN_PARENT)) << "at the root";
    EXPECT_FALSE(f.Enabled(ID_VIEW_DIRECTORY));
    EXPECT_TRUE(f.Checked(ID_VIEW_TREE));
    EXPECT_TRUE(f.Checked(ID_MODE_BLOCK));
    EXPECT_FALSE(f.Checked(ID_MODE_PIE));

    doc->m_pSelected = Child(doc->m_pRoot.get(), "sub");
    EXPECT_TRUE(f.Enabled(ID_VIEW_DIRECTORY));
    f.Frame().GetAction(ID_VIEW_DIRECTORY)->trigger();
    EXPECT_EQ(doc->m_pCurrent, Child(doc->m_pRoot.get(), "sub"));
    EXPECT_TRUE(f.Enabled(ID_OPEN_PARENT));
    f.Frame().GetAction(ID_OPEN_PARENT)->trigger();
    EXPECT_EQ(doc->m_pCurrent, doc->m_pRoot.get());

    // A disabled command does nothing, whichever way it is sent.
    doc->m_pSelected = Child(doc->m_pRoot.get(), "top.bin");
    f.Frame().GetAction(ID_VIEW_DIRECTORY)->trigger();
    EXPECT_EQ(doc->m_pCurrent, doc->m_pRoot.get());

    f.Frame().GetAction(ID_FILE_CLOSE)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.Frame().GetMdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(f.app.GetDocTemplate()->GetDocuments().empty());
    EXPECT_EQ(f.MenuTitles(), (QStringList{"&File", "&View", "&Help"}));
}

TEST(MainFrame, StatusLineDescribesTheEntryUnderThePointer)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    const CEntry* file = Child(doc->m_pRoot.get(), "top.bin");
    const CEntry* dir = Child(doc->m_pRoot.get(), "sub");
    ShowEntryInfo(file);
    EXPECT_EQ(f.Frame().statusBar()->currentMessage(), QString::fromStdString(f.tree.Root() + "/top.bin | 4.00k | File"));
    ShowEntryInfo(dir);
    EXPECT_EQ(f.Frame().statusBar()->currentMessage(), QString::fromStdString(f.tree.Root() + "/sub | 1.00k | Directory"));
    ShowEntryInfo(nullptr);
    EXPECT_EQ(f.Frame().statusBar()->currentMessage(), QString());
}

TEST(ChildFrame, ModesAreMadeOnceAndSwitchedByTheRules)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    CChildFrame* frame = f.Frame().GetActiveChildFrame();
    ASSERT_NE(frame, nullptr);
    auto* tree = static_cast<CPlaceholderView*>(frame->GetTreeView());
    EXPECT_EQ(doc->GetViews().size(), 2u);
    EXPECT_NE(dynamic_cast<CVolraBlockView*>(frame->GetModeView(CChildFrame::kBlock)), nullptr);

    const int treeUpdates = tree->m_nUpdates;
    f.Frame().GetAction(ID_MODE_BLOCK)->trigger();
    EXPECT_EQ(tree->m_nUpdates, treeUpdates) << "the current mode: nothing happens";

    f.Frame().GetAction(ID_MODE_LIST)->trigger();
    auto* list = static_cast<CPlaceholderView*>(frame->GetModeView(CChildFrame::kList));
    ASSERT_NE(list, nullptr);
    EXPECT_GE(list->m_nUpdates, 2) << "its initial update, then the redraw of the switch";
    EXPECT_EQ(tree->m_nUpdates, treeUpdates + 1);
    EXPECT_EQ(doc->GetViews().size(), 2u);
    EXPECT_EQ(frame->GetModeView(CChildFrame::kBlock)->GetDocument(), nullptr) << "detached while hidden";
    EXPECT_EQ(frame->GetSplitter()->widget(1), list);
    EXPECT_TRUE(f.Checked(ID_MODE_LIST));
    EXPECT_FALSE(f.Checked(ID_MODE_BLOCK));

    // Hidden tree panel: the new mode's view fills the frame; showing the panel again
    // moves that view, not the one shown before, into the right pane.
    f.Frame().GetAction(ID_VIEW_TREE)->trigger();
    EXPECT_FALSE(f.Checked(ID_VIEW_TREE));
    EXPECT_FALSE(frame->GetSplitter()->isVisibleTo(frame));
    EXPECT_EQ(tree->GetDocument(), doc) << "the hidden tree keeps following the document";
    f.Frame().GetAction(ID_MODE_PIE)->trigger();
    CView* pie = frame->GetModeView(CChildFrame::kPie);
    EXPECT_EQ(pie->parentWidget(), frame);
    f.Frame().GetAction(ID_VIEW_TREE)->trigger();
    EXPECT_EQ(frame->GetSplitter()->widget(1), pie);
    EXPECT_TRUE(frame->GetSplitter()->isVisibleTo(frame));

    f.Frame().GetAction(ID_MODE_LIST)->trigger();
    EXPECT_EQ(frame->GetModeView(CChildFrame::kList), list) << "the same object is reused";
    EXPECT_EQ(doc->GetViews().size(), 2u);

    // Changed preferences reach the attached views of every search, and only those.
    const int listUpdates = list->m_nUpdates;
    const int hiddenPie = static_cast<CPlaceholderView*>(pie)->m_nUpdates;
    f.app.UpdateAllDocuments();
    EXPECT_EQ(list->m_nUpdates, listUpdates + 1);
    EXPECT_EQ(static_cast<CPlaceholderView*>(pie)->m_nUpdates, hiddenPie);
}

TEST(DocTemplate, UntitledNumbersSkipCancelledSearches)
{
    AppFixture f;
    CVolraDocTemplate* tpl = f.app.GetDocTemplate();
    int choice = IDCANCEL;
    tpl->m_chooseSearchType = [&] { return choice; };
    EXPECT_EQ(tpl->OpenDocumentFile(), nullptr);
    EXPECT_EQ(tpl->GetUntitledCount(), 0);

    // While the drive dialog asks, the hidden window's document is already numbered.
    std::vector<std::string> titlesSeen;
    auto cancelDriveDialog = [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* frame = qobject_cast<CChildFrame*>(w))
                titlesSeen.push_back(frame->GetDocument()->GetTitle());
        if (auto* dlg = qobject_cast<CDriveSelectDlg*>(QApplication::activeModalWidget()))
            dlg->reject();
    };
    choice = 1021;
    QTimer::singleShot(0, cancelDriveDialog);
    EXPECT_EQ(tpl->OpenDocumentFile(), nullptr);
    EXPECT_EQ(tpl->GetUntitledCount(), 0) << "a cancelled search uses no number";
    EXPECT_TRUE(f.Frame().GetMdiArea()->subWindowList().isEmpty());

    ASSERT_NE(f.Open(), nullptr);
    EXPECT_EQ(tpl->GetUntitledCount(), 1);
    QTimer::singleShot(0, cancelDriveDialog);
    EXPECT_EQ(tpl->OpenDocumentFile(), nullptr);
    EXPECT_EQ(titlesSeen, (std::vector<std::string>{"Volra1", "Volra2"}));
    EXPECT_EQ(f.Frame().GetMdiArea()->subWindowList().size(), 1);
}

// Each close arrives through the walk's own event pump, as one from the window manager
// would; the walk stops, and the document goes only after the search has returned.
TEST(MainFrame, ClosingDuringASearchCancelsItAndFreesItsDocumentAfterwards)
{
    enum How { kMainWindowInNewSearch, kMainWindow, kSearchWindow, kQuit };
    for (const How how : {kMainWindowInNewSearch, kMainWindow, kSearchWindow, kQuit}) {
        SCOPED_TRACE(how);
        AppFixture f;
        for (int i = 0; i < 50; ++i)
            f.tree.File("many/f" + std::to_string(i), 1);
        QPointer<CVolraDoc> doc = how != kMainWindowInNewSearch ? f.Open() : nullptr;
        bool walking = true;
        bool freedWhileWalking = false;
        if (doc != nullptr) {
            doc->SetProgressInterval(std::chrono::milliseconds(0));  // events pumped after every item
            QObject::connect(doc, &QObject::destroyed, [&] { freedWhileWalking = walking; });
        }
        const auto search = [&] {
            QTimer::singleShot(0, [&] {
                EXPECT_FALSE(f.Frame().isEnabled()) << "the walk runs";
                if (how == kSearchWindow)
                    f.Frame().GetMdiArea()->subWindowList().first()->close();
                else if (how == kQuit)
                    QCoreApplication::quit();  // which closes the windows
                else
                    f.Frame().close();
            });
            if (doc != nullptr)
                f.Frame().GetAction(ID_REFRESH)->trigger();
            else
                EXPECT_EQ(f.Open(), nullptr) << "cancelled";
            walking = false;
        };
        if (how == kQuit) {
            f.Frame().show();
            QTimer::singleShot(0, search);  // quitting needs the event loop running
            EXPECT_EQ(QApplication::exec(), 0);
        } else {
            search();
        }
        EXPECT_FALSE(freedWhileWalking);
        EXPECT_TRUE(f.Frame().isEnabled());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(doc, nullptr);
        EXPECT_TRUE(f.app.GetDocTemplate()->GetDocuments().empty());
        EXPECT_TRUE(f.Frame().GetMdiArea()->subWindowList().isEmpty());
    }
}

TEST(MainFrame, PlacementIsWrittenAndRestored)
{
    const QRect work(0, 30, 1920, 1050);
    const QSize screen(1920, 1080);
    EXPECT_EQ(CMainFrame::PlacementRect(10, 20, 610, 820, work, screen), QRect(20, 40, 800, 600));
    EXPECT_EQ(CMainFrame::PlacementRect(10, 5000, 610, 5800, work, screen).left(), 1920 - 32)
        << "pulled back so an icon's width stays on the screen";
    EXPECT_EQ(CMainFrame::PlacementRect(10, -500, 610, 300, work, screen).left(), -500) << "no lower limit";

    AppFixture f;
    f.Frame().setGeometry(QRect(100, 120, 700, 500));
    f.Frame().SavePlacement();
    QSettings s(QStringLiteral("kestrow software"), QStringLiteral("Volra"));
    s.beginGroup(QStringLiteral("Frame"));
    const int top = s.value("Top").toInt();
    const int left = s.value("Left").toInt();
    EXPECT_EQ(s.value("Status").toInt(), 1);
    EXPECT_EQ(s.value("Right").toInt() - left, 700);
    EXPECT_EQ(s.value("Bottom").toInt() - top, 500);
    f.Frame().setGeometry(QRect(0, 0, 300, 200));
    ASSERT_TRUE(f.Frame().RestorePlacement());
    EXPECT_EQ(f.Frame().geometry().size(), QSize(700, 500));
    s.setValue("Left", -1);
    s.sync();
    EXPECT_FALSE(f.Frame().RestorePlacement()) << "-1 leaves the placement to the desktop";
}

TEST(MainFrame, KeysCarryOutEnabledCommandsOnly)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    f.Frame().show();
    f.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Frame()));
    QWidget* view = f.Frame().GetActiveChildFrame()->GetCurrentView();
    view->setFocus();

    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(doc->m_pCurrent, doc->m_pRoot.get()) << "Open parent is disabled at the root";
    doc->m_pSelected = Child(doc->m_pRoot.get(), "sub");
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(doc->m_pCurrent, Child(doc->m_pRoot.get(), "sub"));
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(doc->m_pCurrent, doc->m_pRoot.get());

    QTest::keyClick(view, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(f.Frame().GetActiveChildFrame()->m_nMode, CChildFrame::kPie);
    QTest::keyClick(f.Frame().GetActiveChildFrame()->GetCurrentView(), Qt::Key_T, Qt::AltModifier);
    EXPECT_FALSE(f.Frame().GetActiveChildFrame()->m_bTreeVisible);
}
