#include "AppFixture.h"

#include "app/AppCommands.h"
#include "app/FlatToolBar.h"
#include "doc/DriveSelectDlg.h"
#include "framework/PopupMenu.h"
#include "model/FormatSize.h"
#include "support/CommaLocale.h"
#include "support/DocHarness.h"
#include "support/Input.h"
#include "support/Unprivileged.h"
#include "views/EntryInfo.h"
#include "views/VolraBlockView.h"
#include "views/VolraListView.h"
#include "views/VolraPieView.h"
#include "views/VolraTreeView.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include <array>
#include <limits>
#include <set>

// A German desktop writes decimals with a comma, and a name may hold a newline: titles,
// the status line and the context menu still read alike everywhere, on one line each.
TEST(MainFrame, MenusTitlesAndKeysFollowTheActiveSearchAlikeInEveryLocale)
{
    const CommaLocale comma;
    AppFixture f;
    f.tree.File("odd\nname/x", 2000);
    EXPECT_EQ(f.MenuTitles(), (QStringList{"&File", "&View", "&Help"}));
    EXPECT_FALSE(f.Enabled(ID_REFRESH)) << "no search window: nothing handles it";
    EXPECT_FALSE(f.Enabled(ID_EDIT_COPY)) << "no search window: nothing to copy";
    EXPECT_EQ(f.Frame().windowTitle(), "Volra");
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(f.MenuTitles(), (QStringList{"&File", "&View", "&Edit", "&Selection", "&Window", "&Help"}));
    EXPECT_TRUE(f.Enabled(ID_REFRESH));
    CEntry* root = doc->GetRoot();
    CEntry* odd = Child(root, "odd\nname");
    const std::string r = f.tree.Root();
    // 4096 + 1000 + 24 + 2000 bytes.
    EXPECT_EQ(f.Frame().windowTitle().toStdString(), "Volra - [(Folder " + r + ") " + r + " (6.95k)]");
    const std::pair<const CEntry*, std::string> lines[] = {{Child(root, "top.bin"), r + "/top.bin | 4.00k | File"},
                                                           {odd, r + "/odd?name | 1.95k | Directory"},
                                                           {nullptr, ""}};
    for (const auto& [pEntry, text] : lines) {
        ShowEntryInfo(pEntry);
        EXPECT_EQ(f.Frame().statusBar()->currentMessage().toStdString(), text);
    }

    // A disabled command does nothing, by its key or by its action.
    f.Frame().show();
    f.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Frame()));
    QWidget* view = f.Frame().GetActiveChildFrame()->GetCurrentView();
    view->setFocus();
    const std::tuple<CEntry*, Qt::Key, CEntry*> keys[] = {{root, Qt::Key_Backspace, root},
                                                          {odd, Qt::Key_Return, odd},
                                                          {odd, Qt::Key_Backspace, root},
                                                          {Child(root, "top.bin"), Qt::Key_Return, root}};
    for (const auto& [selected, key, current] : keys) {
        doc->SetSelected(selected);
        QTest::keyClick(view, key);
        EXPECT_EQ(doc->GetCurrent(), current) << key;
    }
    f.Frame().GetAction(ID_VIEW_DIRECTORY)->trigger();
    EXPECT_EQ(doc->GetCurrent(), root);
    QTest::keyClick(view, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(f.Frame().GetActiveChildFrame()->m_nMode, CChildFrame::kPie);
    QTest::keyClick(f.Frame().GetActiveChildFrame()->GetCurrentView(), Qt::Key_T, Qt::AltModifier);
    EXPECT_FALSE(f.Frame().GetActiveChildFrame()->m_bTreeVisible);

    doc->SetCurrent(odd);
    EXPECT_EQ(f.Frame().windowTitle().toStdString(), "Volra - [(Folder " + r + ") " + r + "/odd?name (1.95k)]");
    EXPECT_EQ(f.Frame().GetMdiArea()->activeSubWindow()->windowTitle().toStdString(),
              "(Folder " + r + ") " + r + "/odd?name (1.95k)");
    EXPECT_EQ(BuildPopupMenu(doc->BuildContextMenuItems(), *doc)->actions().value(0)->text().toStdString(),
              r + "/odd?name [1.95k]");
    QWidget* shown = f.Frame().GetActiveChildFrame()->GetCurrentView();
    shown->setFocus();
    QTest::keyClick(shown, Qt::Key_F5);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), shown) << "a Refresh by key leaves the keys where they were";

    f.Frame().GetAction(ID_FILE_CLOSE)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.Frame().GetMdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(f.Frame().menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 3) << "old menus are gone";
    EXPECT_TRUE(f.app.GetDocTemplate()->GetDocuments().empty());
    EXPECT_EQ(f.MenuTitles(), (QStringList{"&File", "&View", "&Help"}));
}

namespace {
// Makes a directory current without telling the views, as nothing in the program does: the
// document's field is reached through a member pointer, which a derived class may name.
struct CCurrentPeek : CVolraDoc {
    static CEntry* CVolraDoc::*Field() { return &CCurrentPeek::m_pCurrent; }
};
void SetCurrentQuietly(CVolraDoc& doc, CEntry* pEntry) { doc.*CCurrentPeek::Field() = pEntry; }
}  // namespace

TEST(ChildFrame, ModesAreMadeOnceAndSwitchedByTheRulesAndTheToolbarShowsThem)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    CChildFrame* frame = f.Frame().GetActiveChildFrame();
    ASSERT_NE(frame, nullptr);
    auto* tree = dynamic_cast<CVolraTreeView*>(frame->GetTreeView());
    ASSERT_NE(tree, nullptr);
    CEntry* root = doc->GetRoot();
    CEntry* sub = Child(root, "sub");
    // Presses a toolbar button; the mode and tree-panel buttons then show the frame's state.
    auto* bar = f.Frame().findChild<CFlatToolBar*>();
    const auto button = [&](UINT id) {
        return qobject_cast<QToolButton*>(bar->widgetForAction(f.Frame().GetAction(id)));
    };
    const auto press = [&](UINT id, const std::set<UINT>& checked) {
        button(id)->click();
        for (const UINT shown : {ID_VIEW_TREE, ID_MODE_BLOCK, ID_MODE_LIST, ID_MODE_PIE})
            EXPECT_EQ(button(shown)->isChecked(), checked.count(shown) == 1) << "after " << id << ", button " << shown;
    };
    EXPECT_FALSE(f.Enabled(ID_SHOW_ALL_FILES)) << "only the list handles it";

    // A current directory set behind the views' backs shows only where an update came.
    SetCurrentQuietly(*doc, sub);
    press(ID_MODE_BLOCK, {ID_VIEW_TREE, ID_MODE_BLOCK});
    EXPECT_EQ(tree->GetSelectedEntry(), root) << "the current mode: nothing happens";

    press(ID_MODE_LIST, {ID_VIEW_TREE, ID_MODE_LIST});
    auto* list = dynamic_cast<CVolraListView*>(frame->GetModeView(CChildFrame::kList));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetRows().size(), 3u) << "sub's a.txt, deeper and deeper/b.txt, shown once attached";
    EXPECT_EQ(tree->GetSelectedEntry(), sub) << "the switch redraws the tree panel too";
    EXPECT_EQ(doc->GetViews().size(), 2u);
    EXPECT_EQ(frame->GetModeView(CChildFrame::kBlock)->GetDocument(), nullptr) << "detached while hidden";
    EXPECT_EQ(frame->GetSplitter()->widget(1), list);
    EXPECT_TRUE(f.Checked(ID_SHOW_ALL_FILES)) << "on at first, and its menu item says so";

    // Hidden tree panel: the new mode's view fills the frame; showing the panel again
    // moves that view, not the one shown before, into the right pane.
    press(ID_VIEW_TREE, {ID_MODE_LIST});
    EXPECT_FALSE(frame->GetSplitter()->isVisibleTo(frame));
    EXPECT_EQ(tree->GetDocument(), doc) << "the hidden tree keeps following the document";
    press(ID_MODE_PIE, {ID_MODE_PIE});
    auto* pie = dynamic_cast<CVolraPieView*>(frame->GetModeView(CChildFrame::kPie));
    ASSERT_NE(pie, nullptr);
    EXPECT_EQ(pie->parentWidget(), frame);
    EXPECT_EQ(pie->GetEntries().size(), doc->GetCurrent()->GetChildren().size());
    EXPECT_TRUE(list->GetRows().empty()) << "a detached list keeps no entry";
    press(ID_VIEW_TREE, {ID_VIEW_TREE, ID_MODE_PIE});
    EXPECT_EQ(frame->GetSplitter()->widget(1), pie);
    EXPECT_TRUE(frame->GetSplitter()->isVisibleTo(frame));

    press(ID_MODE_LIST, {ID_VIEW_TREE, ID_MODE_LIST});
    EXPECT_EQ(frame->GetModeView(CChildFrame::kList), list) << "the same object is reused";
    EXPECT_EQ(doc->GetViews().size(), 2u);

    // Changed preferences reach the attached views of every search, and only those.
    doc->SetCurrent(root);
    f.app.UpdateAllDocuments();
    EXPECT_EQ(list->GetRows().size(), 5u) << "every entry below the root";
    EXPECT_EQ(pie->GetDocument(), nullptr);

    // The pie, shown again after the tree changed unheard, shows the new entries.
    doc->OnRefresh();
    press(ID_MODE_PIE, {ID_VIEW_TREE, ID_MODE_PIE});
    ASSERT_EQ(pie->GetEntries().size(), doc->GetCurrent()->GetChildren().size());
    EXPECT_EQ(pie->GetEntries().front()->GetParent(), doc->GetCurrent());
}

TEST(DocTemplate, UntitledNumbersSkipCancelledSearchesAndTheWindowMenuListsTheOthers)
{
    AppFixture f;
    CVolraDocTemplate* tpl = f.app.GetDocTemplate();
    int choice = IDCANCEL;
    tpl->m_chooseSearchType = [&] { return choice; };
    EXPECT_EQ(tpl->OpenDocumentFile(), nullptr);
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
    CVolraDoc* first = f.Open();
    ASSERT_NE(first, nullptr);
    QTimer::singleShot(0, cancelDriveDialog);
    EXPECT_EQ(tpl->OpenDocumentFile(), nullptr);
    EXPECT_EQ(titlesSeen, (std::vector<std::string>{"Volra1", "Volra2"})) << "a cancelled search uses no number";
    EXPECT_EQ(f.Frame().GetMdiArea()->subWindowList().size(), 1);

    // The Window menu lists the open searches, numbered, the active one checked.
    CVolraDoc* second = f.Open();
    ASSERT_NE(second, nullptr);
    first->SetTitle("R&D");
    QMenu* menu = nullptr;
    for (QAction* a : f.Frame().menuBar()->actions())
        if (a->text() == "&Window")
            menu = a->menu();
    ASSERT_NE(menu, nullptr);
    const auto open = [&] {
        emit menu->aboutToShow();
        QStringList items;
        for (QAction* a : menu->actions())
            items << (a->isSeparator() ? QStringLiteral("-")
                                       : (a->isChecked() ? QStringLiteral("* ") : QString()) + a->text());
        return items;
    };
    const QString secondTitle = QString::fromStdString(second->GetTitle());
    EXPECT_EQ(open(), (QStringList{"&Cascade", "&Tile", "&Arrange Icons", "-", "&1 R&&D", "* &2 " + secondTitle}));
    for (QAction* a : menu->actions())
        if (a->text().startsWith("&1"))
            a->trigger();
    EXPECT_EQ(f.Frame().GetActiveChildFrame()->GetDocument(), first);
    EXPECT_EQ(open(), (QStringList{"&Cascade", "&Tile", "&Arrange Icons", "-", "* &1 R&&D", "&2 " + secondTitle}));
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
    EXPECT_EQ(CMainFrame::PlacementRect(10, -500, 610, 300, work, screen).left(), -500) << "an icon's width stays";
    // Damaged values: no sum overflows, the size is what a widget can have, and the title
    // bar stays where the window can be moved by it.
    constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
    const std::pair<std::array<int, 4>, QRect> extremes[] = {
        {{kMin, 0, kMax, 800}, QRect(0, 30, 800, QWIDGETSIZE_MAX)},
        {{10, kMin, 610, kMax}, QRect(32 - QWIDGETSIZE_MAX, 40, QWIDGETSIZE_MAX, 600)},
        {{kMax, kMax, kMin, kMin}, QRect(1920 - 32, 1080 - 32, 0, 0)},
        {{-500, -2000, 100, -1000}, QRect(32 - 1000, 30, 1000, 600)},
    };
    for (const auto& [v, expected] : extremes)
        EXPECT_EQ(CMainFrame::PlacementRect(v[0], v[1], v[2], v[3], work, screen), expected) << v[0] << " " << v[1];

    AppFixture f;
    f.Frame().setGeometry(QRect(100, 120, 700, 500));
    f.Frame().SavePlacement();
    f.Frame().setGeometry(QRect(0, 0, 300, 200));
    ASSERT_TRUE(f.Frame().RestorePlacement());
    EXPECT_EQ(f.Frame().geometry().size(), QSize(700, 500));
    f.settings.Settings().setValue("Frame/Top", kMin);
    f.settings.Settings().setValue("Frame/Bottom", kMax);
    ASSERT_TRUE(f.Frame().RestorePlacement());
    EXPECT_GE(f.Frame().geometry().top(), QGuiApplication::primaryScreen()->availableGeometry().top());
    f.settings.Settings().setValue("Frame/Left", -1);
    EXPECT_FALSE(f.Frame().RestorePlacement()) << "-1 leaves the placement to the desktop";
}

TEST(ChildFrame, TreePanelKeepsItsWidthAndTheMenuKeyOpensTheMenuOfTheSelectionAtItsBlock)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    f.Frame().resize(1000, 700);
    f.Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Frame()));
    CChildFrame* frame = f.Frame().GetActiveChildFrame();
    QSplitter* splitter = frame->GetSplitter();
    EXPECT_EQ(splitter->sizes().value(0), 192) << "its ideal width, not a share of the window";
    // Commands, and 0 for a resize of the main window; the ideal width, then a dragged one.
    const UINT steps[] = {ID_MODE_LIST,  ID_VIEW_TREE, ID_MODE_PIE, ID_VIEW_TREE, 0,
                          ID_MODE_BLOCK, ID_VIEW_TREE, 0,           ID_VIEW_TREE};
    for (const int width : {192, 250}) {
        splitter->setSizes({width, splitter->width() - width});
        for (const UINT id : steps) {
            if (id == 0)
                f.Frame().resize(f.Frame().width() == 1000 ? 1200 : 1000, 700);
            else
                f.Frame().GetAction(id)->trigger();
            QCoreApplication::processEvents();
            if (frame->m_bTreeVisible) {
                EXPECT_EQ(splitter->sizes().value(0), width) << "after " << id;
            }
        }
    }

    auto* view = static_cast<CVolraBlockView*>(f.Frame().GetActiveChildFrame()->GetCurrentView());
    view->grab();  // lays the blocks out
    CEntry* sub = Child(doc->GetRoot(), "sub");
    const QPoint middle = view->mapToGlobal(view->GetLayout().RectOf(sub).value().ToQRect().center());
    // The Menu key, Shift+F10 and the desktop's keyboard request, wherever the pointer is,
    // open the selection's menu at its block.
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(1, 1), view->mapToGlobal(QPoint(1, 1)));
    const std::function<void()> asks[] = {
        [&] { QTest::keyClick(view, Qt::Key_Menu); },
        [&] { QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier); },
        [&] { QApplication::sendEvent(view, &request); },
    };
    for (CEntry* selected : {sub, static_cast<CEntry*>(nullptr)}) {
        for (const auto& ask : asks) {
            doc->SetSelected(selected);
            const OpenedMenu menu = MenuFrom(ask);
            EXPECT_EQ(doc->GetSelected(), selected) << "the selection stays";
            EXPECT_EQ(menu.firstLine, selected ? sub->GetPath() + " [" + sub->GetSizeText() + "]" : "");
            EXPECT_EQ(menu.pos, selected ? middle : QPoint());
        }
    }
}

// Sizes on disk unless the user chose lengths: View > Size on disk switches the open windows
// at once and is kept; the status bar names the measure, and after a search how many
// directories could not be read.
TEST(MainFrame, SizeOnDiskSwitchesTheWindowsAndTheStatusBarSaysWhatIsShown)
{
    AppFixture f(AppFixture::kDefaultMeasure);
    f.tree.Chmod("", 0755);
    f.tree.Dir("locked");
    f.tree.Chmod("locked", 0);
    CVolraDoc* doc = [&] {
        Unprivileged nobody;
        return f.Open();
    }();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(f.Frame().statusBar()->currentMessage(), "1 directory could not be read");
    const auto measure = [&] { return f.Frame().statusBar()->findChild<QLabel*>("MeasureLabel")->text(); };
    const std::string r = f.tree.Root();
    EXPECT_EQ(measure() + (f.Checked(ID_VIEW_SIZE_ON_DISK) ? " checked" : ""), "Size on disk checked");
    EXPECT_EQ(doc->GetTitle(), "(Folder " + r + ") " + r + " (" + FormatSize(doc->GetRoot()->GetDiskSize()) + ")");
    ShowEntryInfo(Child(doc->GetRoot(), "locked"));
    EXPECT_EQ(f.Frame().statusBar()->currentMessage().toStdString(),
              r + "/locked | " + FormatSize(Child(doc->GetRoot(), "locked")->GetDiskSize())
                  + " | Directory (unreadable)");
    CEntry* sub = Child(doc->GetRoot(), "sub");
    sub->SetMountPoint(true);  // as the walk marks a directory on another device
    ShowEntryInfo(sub);
    EXPECT_EQ(f.Frame().statusBar()->currentMessage().toStdString(),
              r + "/sub | " + sub->GetSizeText() + " | Directory (other file system)");
    f.Command(ID_VIEW_SIZE_ON_DISK);
    EXPECT_EQ(measure() + (f.Checked(ID_VIEW_SIZE_ON_DISK) ? " checked" : ""), "File lengths");
    EXPECT_EQ(doc->GetTitle(), "(Folder " + r + ") " + r + " (5.00k)");
    f.Frame().close();
    EXPECT_FALSE(PrivateSettings::Settings().value("Volra/SizeOnDisk").toBool());
    CEntry::ShowDiskSizes(true);
    CMainFrame next(nullptr);
    EXPECT_EQ(next.statusBar()->findChild<QLabel*>("MeasureLabel")->text(), "File lengths")
        << "the stored choice is kept";
    EXPECT_FALSE(CEntry::ShowsDiskSizes());
}
