#include "ChildFrame.h"

#include "AppCommands.h"
#include "CompareWith.h"
#include "FindBar.h"
#include "PlaceholderView.h"
#include "doc/VolraDoc.h"
#include "framework/ErrorBox.h"
#include "framework/FileChooser.h"
#include "views/VolraBlockView.h"
#include "views/VolraListView.h"
#include "views/VolraPieView.h"
#include "views/VolraSpiderView.h"
#include "views/VolraTreeView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kViewWidth = 384;  // the view's ideal width; the tree's is m_nTreeWidth's start
}  // namespace

CChildFrame::CChildFrame(CVolraDoc* pDoc, QWidget* pParent) : QWidget(pParent), m_pDoc(pDoc)
{
    m_pLayout = new QVBoxLayout(this);
    m_pLayout->setContentsMargins(0, 0, 0, 0);
    m_pLayout->setSpacing(0);
    m_pFindBar = new CFindBar(pDoc, this);
    m_pLayout->addWidget(m_pFindBar);
    connect(m_pFindBar, &CFindBar::closedByKey, this, [this] {
        if (CView* pView = GetCurrentView())
            pView->setFocus();
    });
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_wndSplitter->setChildrenCollapsible(true);
    m_pLayout->addWidget(m_wndSplitter);

    m_pTreeView = new CVolraTreeView(m_wndSplitter);
    m_pModeViews[kBlock] = CreateModeView(kBlock, m_wndSplitter);
    m_wndSplitter->addWidget(m_pTreeView);
    m_wndSplitter->addWidget(m_pModeViews[kBlock]);
    m_wndSplitter->setSizes({m_nTreeWidth, kViewWidth});
    m_wndSplitter->setStretchFactor(1, 1);  // a resized window gives or takes from the view
    m_pDoc->AddView(m_pTreeView);
    m_pDoc->AddView(m_pModeViews[kBlock]);
    m_pActiveView = m_pModeViews[kBlock];

    // The active view is the one the user last worked in.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (CView* v : {m_pTreeView, GetCurrentView()})
            if (v != nullptr && now != nullptr && (now == v || v->isAncestorOf(now)))
                m_pActiveView = v;
    });
    // A document that closes itself (a failed refresh) takes its window with it.
    connect(m_pDoc, &CDocument::closing, this, [this] {
        if (m_bClosing)
            return;
        m_bClosing = true;
        m_pDoc = nullptr;  // it detaches every view itself
        m_pFindBar->Detach();
        OnFileClose();
    });
}

// Each view leaves its document as its window goes.
CChildFrame::~CChildFrame() = default;

const CCmdMap& CChildFrame::ClassCmdMap()
{
    static const CCmdMap map =
        CCmdMapOf<CChildFrame>(&CCmdTarget::ClassCmdMap())
            .On(ID_VIEW_TREE, &CChildFrame::OnToggleTree, &CChildFrame::OnUpdateToggleTree)
            .On(ID_MODE_BLOCK, &CChildFrame::OnModeBlock, &CChildFrame::OnUpdateViewMode)
            .On(ID_MODE_LIST, &CChildFrame::OnModeList, &CChildFrame::OnUpdateViewMode)
            .On(ID_MODE_PIE, &CChildFrame::OnModePie, &CChildFrame::OnUpdateViewMode)
            .On(ID_FILE_CLOSE, &CChildFrame::OnFileClose)
            .On(ID_NEXT_PANE, &CChildFrame::OnNextPane)
            .On(ID_COMPARE_WITH, &CChildFrame::OnCompareOther, &CChildFrame::OnUpdateCompareWith)
            .On(ID_COMPARE_OTHER, &CChildFrame::OnCompareOther, &CChildFrame::OnUpdateCompareWith)
            .On(ID_COMPARE_STOP, &CChildFrame::OnCompareStop, &CChildFrame::OnUpdateCompareStop)
            .On(ID_FIND, &CChildFrame::OnFind, &CChildFrame::OnUpdateFind)
            .On(ID_PREV_PANE, &CChildFrame::OnNextPane);
    return map;
}

CView* CChildFrame::CreateModeView(int nMode, QWidget* pParent)
{
    if (nMode == kBlock)
        return new CVolraBlockView(pParent);
    if (nMode == kPie)
        return new CVolraPieView(pParent);
    if (nMode == kSpider)
        return new CVolraSpiderView(pParent);  // kept in the table, though no command picks it
    if (nMode == kList)
        return new CVolraListView(pParent);
    return new CPlaceholderView(pParent);
}

void CChildFrame::InitialUpdateFrame()
{
    m_pTreeView->OnInitialUpdate();
    m_pModeViews[kBlock]->OnInitialUpdate();
}

void CChildFrame::SetActiveView(CView* pView)
{
    m_pActiveView = pView;
    if (pView != nullptr && isVisible())
        pView->setFocus();
}

BOOL CChildFrame::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    if (m_bTreeVisible) {
        for (CView* pane : {m_pTreeView, GetCurrentView()})
            if (pane != nullptr && pane->OnCmdMsg(nID, pCmdUI))
                return TRUE;
    } else if (m_pActiveView != nullptr && m_pActiveView->OnCmdMsg(nID, pCmdUI)) {
        return TRUE;
    }
    if (m_pDoc != nullptr && m_pDoc->OnCmdMsg(nID, pCmdUI))
        return TRUE;
    return CCmdTarget::OnCmdMsg(nID, pCmdUI);
}

void CChildFrame::OnUpdateToggleTree(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(m_bTreeVisible ? 1 : 0);
}

void CChildFrame::OnUpdateViewMode(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TRUE);
    pCmdUI->SetRadio(static_cast<int>(pCmdUI->m_nID) - static_cast<int>(ID_MODE_BLOCK) == m_nMode);
}

void CChildFrame::OnViewMode(UINT nID)
{
    const int nNew = static_cast<int>(nID - ID_MODE_BLOCK);
    if (nNew == m_nMode || nNew < kBlock || nNew > kPie)
        return;
    CView*& slot = m_pModeViews[static_cast<std::size_t>(nNew)];
    if (slot == nullptr) {
        // Made once and given its first update while attached; reused ever after.
        slot = CreateModeView(nNew, this);
        slot->hide();
        m_pDoc->AddView(slot);
        slot->OnInitialUpdate();
        m_pDoc->RemoveView(slot);
    }
    CView* pOld = GetCurrentView();
    CView* pNew = slot;
    RememberTreeWidth();
    m_nMode = nNew;
    PlaceCurrentView();
    RestoreTreeWidth();
    pOld->hide();
    pOld->setParent(this);
    pOld->hide();
    pNew->show();
    m_pDoc->AddView(pNew);
    m_pDoc->RemoveView(pOld);
    SetActiveView(pNew);
    // A view that was detached missed any tree change meanwhile: it must drop what it
    // cached, so it is told the tree changed rather than merely asked to redraw.
    pNew->OnUpdate(nullptr, HINT_TREE_CHANGED, nullptr);
    m_pDoc->UpdateAllViews(pNew, HINT_REDRAW);
}

// Puts the current mode's view where it belongs: the splitter's right pane while the tree
// panel shows, else directly in the frame, filling it.
void CChildFrame::PlaceCurrentView()
{
    CView* pView = GetCurrentView();
    if (m_bTreeVisible) {
        if (m_wndSplitter->indexOf(pView) != 1) {
            QWidget* replaced = m_wndSplitter->count() > 1 ? m_wndSplitter->widget(1) : nullptr;
            if (replaced != nullptr && replaced != pView) {
                m_wndSplitter->replaceWidget(1, pView);
                replaced->setParent(this);
                replaced->hide();
            } else {
                m_wndSplitter->insertWidget(1, pView);
            }
        }
        m_pLayout->removeWidget(pView);
    } else if (m_pLayout->indexOf(pView) < 0) {
        pView->setParent(this);
        m_pLayout->addWidget(pView);
    }
    pView->show();
}

void CChildFrame::OnToggleTree()
{
    RememberTreeWidth();
    m_bTreeVisible = !m_bTreeVisible;
    if (m_bTreeVisible) {
        PlaceCurrentView();
        m_wndSplitter->setEnabled(true);
        m_wndSplitter->show();
        RestoreTreeWidth();
    } else {
        // The tree view stays attached in the hidden splitter and keeps following the
        // document; its width comes back with it.
        PlaceCurrentView();
        m_wndSplitter->setEnabled(false);
        m_wndSplitter->hide();
    }
}

// The tree panel keeps the width it has (the ideal one, or where the user dragged the
// splitter) while views are swapped in and out of the splitter, which would otherwise share
// the space out anew.
void CChildFrame::RememberTreeWidth()
{
    if (m_bTreeVisible && m_wndSplitter->isVisible())
        m_nTreeWidth = m_wndSplitter->sizes().value(0, m_nTreeWidth);
}

void CChildFrame::RestoreTreeWidth()
{
    if (!m_bTreeVisible || m_wndSplitter->count() < 2)
        return;
    // Stretch belongs to the widget in a pane, so the view just placed gets it anew.
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    const int rest = m_wndSplitter->width() - m_wndSplitter->handleWidth() - m_nTreeWidth;
    m_wndSplitter->setSizes({m_nTreeWidth, std::max(rest, 0)});
}

void CChildFrame::OnFileClose()
{
    if (QWidget* p = parentWidget())
        p->close();
    else
        close();
}

void CChildFrame::OnNextPane()
{
    if (!m_bTreeVisible)
        return;
    SetActiveView(m_pActiveView == m_pTreeView ? GetCurrentView() : m_pTreeView);
}

void CChildFrame::closeEvent(QCloseEvent* pEvent)
{
    pEvent->accept();
    if (m_bClosing || m_pDoc == nullptr)
        return;
    if (m_pDoc->IsSearching()) {
        // A refresh is running, and the command that started it returns through this
        // window's views: the walk is cancelled, and once it has returned the document
        // closes and takes this window with it.
        m_pDoc->OnCloseDocument();
        pEvent->ignore();
        return;
    }
    m_bClosing = true;
    CVolraDoc* pDoc = m_pDoc;
    m_pDoc = nullptr;
    pDoc->OnCloseDocument();  // lets go of every view, then goes
}

void CChildFrame::OnUpdateCompareWith(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pDoc != nullptr && m_pDoc->GetRoot() != nullptr && !m_pDoc->IsSearching());
}

void CChildFrame::OnCompareOther()
{
    const std::string strPath = ChooseFilePath(FileChooser::OpenFile, this, QStringLiteral("Compare with"));
    if (!strPath.empty())
        CompareWith(strPath, SavedSearchTime(strPath));
}

void CChildFrame::CompareWith(const std::string& strPath, CTime finished)
{
    std::string strError;
    if (!CompareWithSavedSearch(*m_pDoc, strPath, finished, strError))
        ShowErrorBox(strError, this);
}

void CChildFrame::OnCompareStop() { m_pDoc->SetComparison(nullptr); }

void CChildFrame::OnUpdateCompareStop(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pDoc != nullptr && m_pDoc->GetComparison() != nullptr && !m_pDoc->IsSearching());
}

void CChildFrame::OnFind()
{
    if (m_pDoc != nullptr && m_pDoc->GetRoot() != nullptr && !m_pDoc->IsSearching())
        m_pFindBar->Open();
}

void CChildFrame::OnUpdateFind(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pDoc != nullptr && m_pDoc->GetRoot() != nullptr && !m_pDoc->IsSearching());
}
