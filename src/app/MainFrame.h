#pragma once
#include "base/Types.h"
#include "framework/CmdTarget.h"

#include <QMainWindow>
#include <QRect>
#include <map>
#include <memory>
#include <vector>

class CChildFrame;
class CMarkedPanel;
class CEntry;
class CLensControl;
class CVolraDoc;
class QAction;
class QLabel;
class QDockWidget;
class QMdiArea;
class QMenu;
class QMdiSubWindow;
class QTimer;

// The main window: the search windows inside an MDI area, the menus (one set while no
// search window is open, one while one is active), the toolbar and a one-pane status bar.
// Commands travel: the active search window (its views, its document, the frame), this
// window, then the application.
class CMainFrame : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    explicit CMainFrame(CCmdTarget* pApp);
    ~CMainFrame() override;

    QMdiArea* GetMdiArea() const { return m_pMdiArea; }
    CChildFrame* GetActiveChildFrame() const;
    // Puts a finished search's window into the MDI area, maximised, and activates it.
    QMdiSubWindow* AddChildFrame(CChildFrame* pFrame);
    QAction* GetAction(UINT id) const;
    CLensControl& GetLenses() const { return *m_pLenses; }
    // The documents of the open search windows, each once.
    std::vector<CVolraDoc*> OpenDocuments() const;

    BOOL OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;
    // Runs the update handlers of every command and sets the actions accordingly.
    void UpdateCommandStates();
    // The status-bar line for the entry under the pointer (with its age while the blocks are
    // coloured by age); null clears the line.
    void ShowEntryInfo(const CEntry* pEntry);
    static std::string EntryInfoText(const CEntry& entry);

    // The window's restored placement, section "Frame"; false when any value is missing.
    bool RestorePlacement();
    void SavePlacement();
    // Where a restored rectangle goes: moved into the work area, pulled back so that at
    // least an icon's size of it stays on the screen and its top within the work area.
    static QRect PlacementRect(int top, int left, int bottom, int right, const QRect& workArea,
                               const QSize& screenSize);

    void OnUpdateViewToolbar(CCmdUI* pCmdUI);
    void OnViewToolbar();
    void OnUpdateViewStatusBar(CCmdUI* pCmdUI);
    void OnViewStatusBar();
    // Switches every open search between lengths and sizes on disk; no search is read again.
    void OnViewSizeOnDisk();
    void OnUpdateViewSizeOnDisk(CCmdUI* pCmdUI);
    // The status bar's permanent label naming the measure shown.
    QString MeasureText() const;
    // View > Marked: the panel of marked items at the bottom, shown by itself at the first mark.
    void OnViewMarked();
    void OnUpdateViewMarked(CCmdUI* pCmdUI);
    CMarkedPanel* GetMarkedPanel() const { return m_pMarkedPanel; }
    void OnWindowCascade();
    void OnWindowTile();
    void OnWindowArrange();
    void OnHelpContents();

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }
    void closeEvent(QCloseEvent* pEvent) override;
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void CreateActions();
    void BuildMenus();
    void BuildToolBar();
    void FillWindowList(QMenu* pMenu);
    void FillCompareMenu();
    void UpdateComparisonLabel();
    // The active window's filter: what it is, how many files and how much below the
    // current directory.
    void UpdateFilterLabel();
    void OnActiveChildChanged();
    void CreateMarkedPanel();
    void UpdateWindowTitle();
    static bool IsHelpKeyInModalWindow(QObject* pWatched, QEvent* pEvent);

    CCmdTarget* m_pApp;  // not owned
    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    std::map<UINT, QAction*> m_actions;  // one per command, shared by menus, toolbar, keys
    bool m_bDocumentMenus = false;
    QTimer* m_pIdleTimer = nullptr;
    QLabel* m_pMeasureLabel = nullptr;
    QLabel* m_pComparisonLabel = nullptr;  // the active window's "Since ..." while it compares
    QLabel* m_pFilterLabel = nullptr;  // the active window's filter's files, while it has one
    QMenu* m_pCompareMenu = nullptr;  // "Compare with": made anew each time it opens
    std::unique_ptr<CLensControl> m_pLenses;
    bool m_bDestroying = false;
    QDockWidget* m_pMarkedDock = nullptr;  // owned by this window, like the panel in it
    CMarkedPanel* m_pMarkedPanel = nullptr;
};
