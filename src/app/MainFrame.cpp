#include "MainFrame.h"

#include "AppCommands.h"
#include "ChildFrame.h"
#include "CommandTable.h"
#include "CompareWith.h"
#include "FlatToolBar.h"
#include "HelpWindow.h"
#include "LensControl.h"
#include "MarkedPanel.h"
#include "ToolbarIcons.h"
#include "doc/VolraDoc.h"
#include "framework/DisplayText.h"
#include "framework/IconTheme.h"
#include "framework/UiServices.h"
#include "lenses/FileAge.h"
#include "model/Entry.h"
#include "views/EntryInfo.h"
#include "views/VolraPrefs.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <cstdint>
#include <ctime>

namespace {
constexpr int kIconSize = 32;  // how much of a window must stay on the screen
constexpr int kIdleUpdateMs = 200;  // toolbar states follow the program this often
const char* const kReady = "Ready";

QSettings Profile() { return QSettings(QStringLiteral("kestrow software"), QStringLiteral("Volra")); }
}  // namespace

CMainFrame::CMainFrame(CCmdTarget* pApp) : m_pApp(pApp)
{
    setWindowTitle(QStringLiteral("Volra"));
    setObjectName(QStringLiteral("MainFrame"));
    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(m_pMdiArea);
    CreateActions();
    m_pLenses = std::make_unique<CLensControl>(*this);
    BuildToolBar();
    statusBar()->showMessage(QString::fromLatin1(kReady));
    BuildMenus();
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this] { OnActiveChildChanged(); });

    // Keys are matched against the actions' states: bring those up to date first, so that a
    // key carries out exactly what the update handlers allow at that moment.
    qApp->installEventFilter(this);

    m_pIdleTimer = new QTimer(this);
    connect(m_pIdleTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    m_pIdleTimer->start(kIdleUpdateMs);

    SetEntryInfoSink([this](const CEntry* pEntry) { ShowEntryInfo(pEntry); });
    AfxSetMainWnd(this);
    SetCommandRoute(this);
    CreateMarkedPanel();
    if (!RestorePlacement())
        resize(1024, 720);
    const QByteArray bars = Profile().value(QStringLiteral("Volra/BarState")).toByteArray();
    if (!bars.isEmpty())
        restoreState(bars);
    // The main window's state covers its toolbars, not the status bar.
    statusBar()->setVisible(Profile().value(QStringLiteral("Volra/StatusBar"), true).toBool());
    // What the files take on the disk unless the user chose lengths, as du, ncdu and gdu
    // count: lengths would count a sparse file's holes, and the totals could exceed the disk.
    // An FTP search shows lengths either way, its files' only size.
    CEntry::ShowDiskSizes(Profile().value(QStringLiteral("Volra/SizeOnDisk"), true).toBool());
    m_pComparisonLabel = new QLabel(this);
    m_pComparisonLabel->setObjectName(QStringLiteral("ComparisonLabel"));
    m_pComparisonLabel->hide();
    statusBar()->addPermanentWidget(m_pComparisonLabel);
    m_pFilterLabel = new QLabel(this);
    m_pFilterLabel->setObjectName(QStringLiteral("FilterLabel"));
    m_pFilterLabel->hide();
    statusBar()->addPermanentWidget(m_pFilterLabel);
    m_pMeasureLabel = new QLabel(MeasureText(), this);
    m_pMeasureLabel->setObjectName(QStringLiteral("MeasureLabel"));
    statusBar()->addPermanentWidget(m_pMeasureLabel);
}

CMainFrame::~CMainFrame()
{
    // Search windows go first, while this window is whole, and without reporting back:
    // whatever goes later (the MDI area itself) must not call into a half-destroyed frame.
    m_bDestroying = true;
    qApp->removeEventFilter(this);
    disconnect(m_pMdiArea, nullptr, this, nullptr);
    const QList<QMdiSubWindow*> subWindows = m_pMdiArea->findChildren<QMdiSubWindow*>();
    for (QMdiSubWindow* sub : subWindows)
        disconnect(sub, nullptr, this, nullptr);
    qDeleteAll(subWindows);
    SetEntryInfoSink(nullptr);
    if (GetCommandRoute() == this)
        SetCommandRoute(nullptr);
    if (AfxGetMainWnd() == this)
        AfxSetMainWnd(nullptr);
}

const CCmdMap& CMainFrame::ClassCmdMap()
{
    static const CCmdMap map =
        CCmdMapOf<CMainFrame>(&CCmdTarget::ClassCmdMap())
            .On(ID_VIEW_TOOLBAR, &CMainFrame::OnViewToolbar, &CMainFrame::OnUpdateViewToolbar)
            .On(ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar, &CMainFrame::OnUpdateViewStatusBar)
            .On(ID_VIEW_SIZE_ON_DISK, &CMainFrame::OnViewSizeOnDisk, &CMainFrame::OnUpdateViewSizeOnDisk)
            .On(ID_WINDOW_CASCADE, &CMainFrame::OnWindowCascade)
            .On(ID_WINDOW_TILE, &CMainFrame::OnWindowTile)
            .On(ID_WINDOW_ARRANGE, &CMainFrame::OnWindowArrange)
            .On(ID_HELP_CONTENTS, &CMainFrame::OnHelpContents)
            .On(ID_VIEW_MARKED, &CMainFrame::OnViewMarked, &CMainFrame::OnUpdateViewMarked);
    return map;
}

void CMainFrame::CreateActions()
{
    PrepareIconTheme();  // the toolbar's icons come from the same theme
    for (const CCommandInfo& c : AllCommands()) {
        auto* action = new QAction(this);
        if (c.menuText != nullptr)
            action->setText(QString::fromUtf8(c.menuText));
        action->setStatusTip(QString::fromStdString(CommandPrompt(c.id)));
        action->setToolTip(QString::fromStdString(CommandTooltip(c.id)));
        action->setIconText(action->toolTip());  // a button without an icon shows this
        action->setCheckable(c.checkable);
        const auto keys = CommandKeys(c.id);
        action->setShortcuts(QList<QKeySequence>(keys.begin(), keys.end()));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setIcon(ToolbarIcon(c.id));
        action->setData(c.id);
        const UINT id = c.id;
        connect(action, &QAction::triggered, this, [this, id] {
            ExecuteCommand(*this, id);  // a disabled command does nothing, whatever sent it
            UpdateCommandStates();
        });
        addAction(action);  // keys work whether or not a menu shows the command
        m_actions[c.id] = action;
    }
    // The earlier searches to compare with are known only when the menu opens.
    m_pCompareMenu = new QMenu(this);
    m_actions[ID_COMPARE_WITH]->setMenu(m_pCompareMenu);
    connect(m_pCompareMenu, &QMenu::aboutToShow, this, &CMainFrame::FillCompareMenu);
}

QAction* CMainFrame::GetAction(UINT id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::BuildMenus()
{
    // clear() only takes the menus' actions off the bar; the menus themselves are its
    // children and would pile up at every switch between the two sets. One of them may be
    // the menu whose command led here, so they go once control is back in the event loop.
    const QList<QMenu*> old = menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
    menuBar()->clear();
    for (QMenu* pOld : old)
        pOld->deleteLater();
    const auto& layout = m_bDocumentMenus ? MainMenuDocument() : MainMenuNoDocument();
    for (const CMenuLayout& m : layout) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
        for (UINT id : m.items) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(GetAction(id));
        }
        // Update handlers run before a menu opens, so what it shows is current.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        if (std::find(m.items.begin(), m.items.end(), ID_WINDOW_CASCADE) != m.items.end())
            connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillWindowList(menu); });
    }
}

// The Window menu ends with the open search windows, numbered, the active one checked, so
// that one hidden behind a maximised other is a menu choice away. Made anew each time the
// menu opens, as windows come and go.
void CMainFrame::FillWindowList(QMenu* pMenu)
{
    delete pMenu->findChild<QActionGroup*>(QStringLiteral("WindowList"));
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    auto* group = new QActionGroup(pMenu);
    group->setObjectName(QStringLiteral("WindowList"));
    auto* separator = new QAction(group);
    separator->setSeparator(true);
    pMenu->addAction(separator);
    QMdiSubWindow* active = m_pMdiArea->activeSubWindow();
    if (active == nullptr)
        active = m_pMdiArea->currentSubWindow();
    int number = 0;
    for (QMdiSubWindow* sub : windows) {
        ++number;
        // Only the first nine get a key of their own: "&10" would take the 1.
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));  // shown, not a key
        const QString text = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                         : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction* action = group->addAction(text);
        action->setCheckable(true);
        action->setChecked(sub == active);
        pMenu->addAction(action);
        connect(action, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (sub == nullptr)
                return;
            if (sub->isMinimized())
                sub->showNormal();
            m_pMdiArea->setActiveSubWindow(sub);
        });
    }
}

void CMainFrame::BuildToolBar()
{
    m_wndToolBar = new CFlatToolBar(QStringLiteral("Toolbar"), this);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    m_wndToolBar->setObjectName(QStringLiteral("Toolbar"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    for (UINT id : ToolbarLayout()) {
        if (id == 0)
            m_wndToolBar->addSeparator();
        else
            m_wndToolBar->addAction(GetAction(id));
    }
}

CChildFrame* CMainFrame::GetActiveChildFrame() const
{
    QMdiSubWindow* sub = m_pMdiArea->activeSubWindow();
    if (sub == nullptr && !m_pMdiArea->subWindowList().isEmpty())
        sub = m_pMdiArea->currentSubWindow();
    return sub != nullptr ? qobject_cast<CChildFrame*>(sub->widget()) : nullptr;
}

QMdiSubWindow* CMainFrame::AddChildFrame(CChildFrame* pFrame)
{
    QMdiSubWindow* sub = m_pMdiArea->addSubWindow(pFrame);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(DisplayText(pFrame->GetDocument()->GetTitle()));
    connect(pFrame->GetDocument(), &CDocument::titleChanged, sub, [this, sub, pFrame] {
        if (CVolraDoc* pDoc = pFrame->GetDocument())
            sub->setWindowTitle(DisplayText(pDoc->GetTitle()));
        UpdateWindowTitle();
    });
    connect(sub, &QObject::destroyed, this, [this] { OnActiveChildChanged(); });
    sub->showMaximized();
    m_pMdiArea->setActiveSubWindow(sub);
    OnActiveChildChanged();
    return sub;
}

void CMainFrame::OnActiveChildChanged()
{
    if (m_bDestroying)
        return;
    CChildFrame* pChild = GetActiveChildFrame();
    const bool haveDocument = pChild != nullptr;
    m_pMarkedPanel->SetDocument(haveDocument ? pChild->GetDocument() : nullptr);
    m_pLenses->SetActiveDocument(pChild != nullptr ? pChild->GetDocument() : nullptr);
    UpdateWindowTitle();
    if (haveDocument != m_bDocumentMenus) {
        m_bDocumentMenus = haveDocument;
        BuildMenus();
    }
    UpdateCommandStates();
}

// Hidden until the first mark; its place and whether it shows are kept with the bars.
void CMainFrame::CreateMarkedPanel()
{
    m_pMarkedDock = new QDockWidget(QStringLiteral("Marked"), this);
    m_pMarkedDock->setObjectName(QStringLiteral("MarkedDock"));
    m_pMarkedDock->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    m_pMarkedPanel = new CMarkedPanel(GetAction(ID_TRASH_MARKED), GetAction(ID_DELETE_PERMANENTLY), m_pMarkedDock);
    m_pMarkedPanel->SetFirstMarksHandler([this] { m_pMarkedDock->show(); });
    m_pMarkedDock->setWidget(m_pMarkedPanel);
    addDockWidget(Qt::BottomDockWidgetArea, m_pMarkedDock);
    m_pMarkedDock->hide();
}

void CMainFrame::OnViewMarked() { m_pMarkedDock->setVisible(!m_pMarkedDock->isVisibleTo(this)); }

void CMainFrame::OnUpdateViewMarked(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_pMarkedDock->isVisibleTo(this) ? 1 : 0); }

// "Volra", and the active search's title in brackets while there is one.
void CMainFrame::UpdateWindowTitle()
{
    CChildFrame* pChild = GetActiveChildFrame();
    const CVolraDoc* pDoc = pChild != nullptr ? pChild->GetDocument() : nullptr;
    setWindowTitle(pDoc != nullptr ? QStringLiteral("Volra - [%1]").arg(DisplayText(pDoc->GetTitle()))
                                   : QStringLiteral("Volra"));
}

BOOL CMainFrame::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    if (CChildFrame* pChild = GetActiveChildFrame(); pChild != nullptr && pChild->OnCmdMsg(nID, pCmdUI))
        return TRUE;
    if (m_pLenses != nullptr && m_pLenses->OnCmdMsg(nID, pCmdUI))
        return TRUE;
    if (CCmdTarget::OnCmdMsg(nID, pCmdUI))
        return TRUE;
    return m_pApp != nullptr ? m_pApp->OnCmdMsg(nID, pCmdUI) : FALSE;
}

void CMainFrame::UpdateCommandStates()
{
    UpdateComparisonLabel();
    UpdateFilterLabel();
    for (auto& [id, action] : m_actions) {
        CCmdUI ui(id);
        UpdateCommandUI(*this, ui);
        action->setEnabled(ui.m_bEnabled);
        if (action->isCheckable())
            action->setChecked(ui.m_nCheck != 0);
    }
}

std::string CMainFrame::EntryInfoText(const CEntry& entry)
{
    return entry.GetPath() + " | " + entry.GetSizeText() + " | " + entry.GetTypeText();
}

void CMainFrame::ShowEntryInfo(const CEntry* pEntry)
{
    if (pEntry == nullptr) {
        statusBar()->showMessage(QString());
        return;
    }
    std::string text = EntryInfoText(*pEntry);
    if (AfxGetPrefs().GetColourBy() == EColourBy::Age)
        text += " | " + AgeText(*pEntry, static_cast<std::int64_t>(std::time(nullptr)));
    statusBar()->showMessage(DisplayText(text));
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::ShortcutOverride && !m_bDestroying)
        UpdateCommandStates();
    if (pEvent->type() == QEvent::KeyPress && !m_bDestroying && IsHelpKeyInModalWindow(pWatched, pEvent)) {
        OnHelpContents();
        return true;
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

// A modal dialog blocks this window and its keys, F1 included; the guide is asked for from
// inside it all the same.
bool CMainFrame::IsHelpKeyInModalWindow(QObject* pWatched, QEvent* pEvent)
{
    const auto* pKey = static_cast<QKeyEvent*>(pEvent);
    if (pKey->key() != Qt::Key_F1 || pKey->modifiers() != Qt::NoModifier || !pWatched->isWidgetType())
        return false;
    QWidget* pModal = QApplication::activeModalWidget();
    return pModal != nullptr && static_cast<QWidget*>(pWatched)->window() == pModal;
}

bool CMainFrame::event(QEvent* pEvent)
{
    // Prompts of menu items and buttons, and "Ready" once the pointer leaves them.
    if (pEvent->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(pEvent)->tip();
        statusBar()->showMessage(tip.isEmpty() ? QString::fromLatin1(kReady) : tip);
        return true;
    }
    return QMainWindow::event(pEvent);
}

void CMainFrame::OnUpdateViewToolbar(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_wndToolBar->isVisible() ? 1 : 0); }
void CMainFrame::OnViewToolbar() { m_wndToolBar->setVisible(!m_wndToolBar->isVisible()); }
void CMainFrame::OnUpdateViewStatusBar(CCmdUI* pCmdUI) { pCmdUI->SetCheck(statusBar()->isVisible() ? 1 : 0); }
void CMainFrame::OnViewStatusBar() { statusBar()->setVisible(!statusBar()->isVisible()); }

QString CMainFrame::MeasureText() const
{
    return CEntry::ShowsDiskSizes() ? QStringLiteral("Size on disk") : QStringLiteral("File lengths");
}

void CMainFrame::OnUpdateViewSizeOnDisk(CCmdUI* pCmdUI) { pCmdUI->SetCheck(CEntry::ShowsDiskSizes() ? 1 : 0); }

// Both measures are kept for every entry: the views lay out, sort and label afresh.
void CMainFrame::OnViewSizeOnDisk()
{
    CEntry::ShowDiskSizes(!CEntry::ShowsDiskSizes());
    m_pMeasureLabel->setText(MeasureText());
    for (CVolraDoc* pDoc : OpenDocuments()) {
        pDoc->UpdateTitle();
        pDoc->UpdateAllViews(nullptr, HINT_REDRAW);
    }
}
std::vector<CVolraDoc*> CMainFrame::OpenDocuments() const
{
    std::vector<CVolraDoc*> docs;
    for (QMdiSubWindow* sub : m_pMdiArea->subWindowList())
        if (auto* pFrame = qobject_cast<CChildFrame*>(sub->widget()); pFrame != nullptr && pFrame->GetDocument())
            if (std::find(docs.begin(), docs.end(), pFrame->GetDocument()) == docs.end())
                docs.push_back(pFrame->GetDocument());
    return docs;
}

void CMainFrame::OnWindowCascade() { m_pMdiArea->cascadeSubWindows(); }
void CMainFrame::OnWindowTile() { m_pMdiArea->tileSubWindows(); }

void CMainFrame::OnWindowArrange()
{
    // Minimised search windows line up along the bottom of the area.
    int x = 0;
    for (QMdiSubWindow* sub : m_pMdiArea->subWindowList()) {
        if (!sub->isMinimized())
            continue;
        sub->move(x, m_pMdiArea->viewport()->height() - sub->height());
        x += sub->width();
    }
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    // A running search stops after its current item; its window closes once it has
    // returned, and the program ends after that.
    CLongOperation::CancelAll();
    SavePlacement();
    QSettings settings = Profile();
    settings.setValue(QStringLiteral("Volra/BarState"), saveState());
    settings.setValue(QStringLiteral("Volra/StatusBar"), statusBar()->isVisibleTo(this));
    settings.setValue(QStringLiteral("Volra/SizeOnDisk"), CEntry::ShowsDiskSizes());
    m_pMdiArea->closeAllSubWindows();
    pEvent->accept();
}

void CMainFrame::OnHelpContents() { HtmlHelpDisplayTopic(this); }

// The stored values may be anything (a damaged file, a hand edit): the sums are made in 64
// bits and the size is held to what a widget can have, so the rectangle always fits in a
// QRect. The left side may lie off the screen as long as an icon's width of the window
// does not; the title bar, by which the window is moved, stays within the work area.
QRect CMainFrame::PlacementRect(int top, int left, int bottom, int right, const QRect& workArea,
                                const QSize& screenSize)
{
    const std::int64_t w = std::clamp<std::int64_t>(std::int64_t{right} - left, 0, QWIDGETSIZE_MAX);
    const std::int64_t h = std::clamp<std::int64_t>(std::int64_t{bottom} - top, 0, QWIDGETSIZE_MAX);
    std::int64_t x = std::int64_t{left} + workArea.left();
    std::int64_t y = std::int64_t{top} + workArea.top();
    x = std::min<std::int64_t>(std::max<std::int64_t>(x, kIconSize - w), screenSize.width() - kIconSize);
    y = std::min<std::int64_t>(std::max<std::int64_t>(y, workArea.top()), screenSize.height() - kIconSize);
    return QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h));
}

// "Status" is only checked for presence: the window opens in the state the program was
// started with. A value of -1 anywhere means the placement is left to the desktop.
bool CMainFrame::RestorePlacement()
{
    QSettings settings = Profile();
    settings.beginGroup(QStringLiteral("Frame"));
    int values[5];
    const char* const names[5] = {"Status", "Top", "Left", "Bottom", "Right"};
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        values[i] = settings.value(QString::fromLatin1(names[i]), -1).toInt(&ok);
        if (!ok || values[i] == -1)
            return false;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return false;
    setGeometry(PlacementRect(values[1], values[2], values[3], values[4], screen->availableGeometry(), screen->size()));
    return true;
}

void CMainFrame::SavePlacement()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect work = screen != nullptr ? screen->availableGeometry() : QRect();
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    constexpr int SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3;
    const int status = isMinimized() ? SW_SHOWMINIMIZED : (isMaximized() ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    QSettings settings = Profile();
    settings.beginGroup(QStringLiteral("Frame"));
    settings.setValue(QStringLiteral("Status"), status);
    settings.setValue(QStringLiteral("Top"), normal.top() - work.top());
    settings.setValue(QStringLiteral("Left"), normal.left() - work.left());
    settings.setValue(QStringLiteral("Bottom"), normal.top() - work.top() + normal.height());
    settings.setValue(QStringLiteral("Right"), normal.left() - work.left() + normal.width());
}

// The earlier searches of the active window's folder that the history kept, newest first,
// then any other saved search.
void CMainFrame::FillCompareMenu()
{
    UpdateCommandStates();
    m_pCompareMenu->clear();
    CChildFrame* pFrame = GetActiveChildFrame();
    if (pFrame != nullptr && pFrame->GetDocument() != nullptr && GetAction(ID_COMPARE_OTHER)->isEnabled()) {
        for (const CKeptSearch& kept : EarlierKeptSearches(*pFrame->GetDocument(), CHistoryStore::DefaultFolder())) {
            QAction* pAction = m_pCompareMenu->addAction(QString::fromStdString(KeptSearchText(kept)));
            const QPointer<CChildFrame> frame(pFrame);
            connect(pAction, &QAction::triggered, this, [frame, kept] {
                if (frame != nullptr)  // the window may have closed while the menu was open
                    frame->CompareWith(kept.strPath, CTime(kept.nFinished));
            });
        }
        if (!m_pCompareMenu->isEmpty())
            m_pCompareMenu->addSeparator();
    }
    m_pCompareMenu->addAction(GetAction(ID_COMPARE_OTHER));
}

void CMainFrame::UpdateComparisonLabel()
{
    const CChildFrame* pFrame = GetActiveChildFrame();
    const std::string text =
        pFrame != nullptr && pFrame->GetDocument() != nullptr ? pFrame->GetDocument()->ComparisonText() : std::string();
    m_pComparisonLabel->setText(QString::fromStdString(text));
    m_pComparisonLabel->setVisible(!text.empty());
}

void CMainFrame::UpdateFilterLabel()
{
    const CChildFrame* pFrame = GetActiveChildFrame();
    const std::string text =
        pFrame != nullptr && pFrame->GetDocument() != nullptr ? pFrame->GetDocument()->FilterText() : std::string();
    m_pFilterLabel->setText(DisplayText(text));
    m_pFilterLabel->setVisible(!text.empty());
}
