#pragma once
#include "base/Time.h"
#include "base/Types.h"
#include "framework/CmdTarget.h"

#include <QWidget>
#include <array>
#include <string>

class CFindBar;
class CView;
class CVolraDoc;
class QSplitter;
class QVBoxLayout;

// The window of one search: the tree panel on the left and the view of the current mode
// (Block, List or Pie) on the right. Exactly two views are attached to the document at any
// time: the tree panel and the current mode's view. A mode's view is made the first time
// the mode is picked and kept, hidden and detached, while another mode shows.
class CChildFrame : public QWidget, public CCmdTarget {
    Q_OBJECT
public:
    enum Mode { kBlock = 0, kList = 1, kPie = 2, kSpider = 3 };

    explicit CChildFrame(CVolraDoc* pDoc, QWidget* pParent = nullptr);
    ~CChildFrame() override;

    CVolraDoc* GetDocument() const { return m_pDoc; }
    // The first update of both views, once the search has finished.
    void InitialUpdateFrame();
    void SetActiveView(CView* pView);
    CView* GetTreeView() const { return m_pTreeView; }
    CView* GetModeView(int nMode) const { return m_pModeViews[static_cast<std::size_t>(nMode)]; }
    CView* GetCurrentView() const { return GetModeView(m_nMode); }
    QSplitter* GetSplitter() const { return m_wndSplitter; }

    // The panes first (tree panel, then the visualisation) while the tree panel shows, then
    // the usual route: active view, document, this frame.
    BOOL OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;

    void OnToggleTree();
    void OnUpdateToggleTree(CCmdUI* pCmdUI);
    void OnViewMode(UINT nID);
    void OnUpdateViewMode(CCmdUI* pCmdUI);
    void OnFileClose();
    void OnNextPane();
    // Compare with > Other saved search...: asks for the file, then sets it beside the tree.
    void OnCompareOther();
    void OnUpdateCompareWith(CCmdUI* pCmdUI);
    // Compares with a kept or chosen saved search; a refusal is shown in a box.
    void CompareWith(const std::string& strPath, CTime finished);
    void OnCompareStop();
    void OnUpdateCompareStop(CCmdUI* pCmdUI);
    // Find...: shows the find field above the views, the keyboard in it.
    void OnFind();
    void OnUpdateFind(CCmdUI* pCmdUI);
    CFindBar* GetFindBar() const { return m_pFindBar; }

    int m_nMode = kBlock;
    BOOL m_bTreeVisible = TRUE;

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }
    void closeEvent(QCloseEvent* pEvent) override;

private:
    static CView* CreateModeView(int nMode, QWidget* pParent);
    void OnModeBlock() { OnViewMode(32772); }
    void OnModeList() { OnViewMode(32773); }
    void OnModePie() { OnViewMode(32774); }
    void PlaceCurrentView();
    void RememberTreeWidth();
    void RestoreTreeWidth();

    CVolraDoc* m_pDoc;  // not owned: the document closes itself and this frame with it
    QVBoxLayout* m_pLayout = nullptr;
    QSplitter* m_wndSplitter = nullptr;
    CFindBar* m_pFindBar = nullptr;  // owned by this frame's widgets
    CView* m_pTreeView = nullptr;  // owned by the splitter
    std::array<CView*, 4> m_pModeViews{};  // owned by this frame's widgets
    CView* m_pActiveView = nullptr;  // not owned
    bool m_bClosing = false;
    int m_nTreeWidth = 192;  // pixels: the ideal width until the user drags the splitter
};
