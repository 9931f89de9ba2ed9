#include "LensControl.h"

#include "MainFrame.h"
#include "doc/Resource.h"
#include "doc/VolraDoc.h"
#include "framework/CmdUI.h"
#include "views/VolraPrefs.h"
#include "views/VolraTypesView.h"

#include <QAction>
#include <QActionGroup>
#include <QDockWidget>
#include <QMenu>

namespace {
EColourBy ColourByOfCommand(UINT id)
{
    return id == ID_COLOUR_BY_TYPE ? EColourBy::Type : id == ID_COLOUR_BY_AGE ? EColourBy::Age : EColourBy::Depth;
}
}  // namespace

CLensControl::CLensControl(CMainFrame& frame)
    : m_frame(frame), m_pDock(new QDockWidget(QStringLiteral("File types"), &frame)),
      m_pTypes(new CVolraTypesView(m_pDock))
{
    // Named, so that the main window's kept state puts it back where the user left it.
    m_pDock->setObjectName(QStringLiteral("FileTypesPanel"));
    m_pDock->setAllowedAreas(Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    m_pDock->setWidget(m_pTypes);
    frame.addDockWidget(Qt::RightDockWidgetArea, m_pDock);
    m_pDock->hide();
    // Its close button, and the main window's kept state, show and hide it too.
    QObject::connect(m_pDock, &QDockWidget::visibilityChanged, &frame, [this](bool) { Follow(); });

    auto* pMenu = new QMenu(&frame);
    auto* pGroup = new QActionGroup(pMenu);  // shows the three as radio items
    for (UINT id : {ID_COLOUR_BY_DEPTH, ID_COLOUR_BY_TYPE, ID_COLOUR_BY_AGE}) {
        QAction* pAction = frame.GetAction(id);
        pGroup->addAction(pAction);
        pMenu->addAction(pAction);
    }
    frame.GetAction(ID_COLOUR_BY)->setMenu(pMenu);
    QObject::connect(pMenu, &QMenu::aboutToShow, &frame, &CMainFrame::UpdateCommandStates);
}

// The panel's widgets go with the frame; the panel only stops following a document.
CLensControl::~CLensControl()
{
    if (m_pTypes != nullptr && m_pTypes->GetDocument() != nullptr)
        m_pTypes->GetDocument()->RemoveView(m_pTypes);
}

void CLensControl::SetActiveDocument(CVolraDoc* pDoc)
{
    m_pActiveDoc = pDoc;
    Follow();
}

// Only a panel that is shown is one of the document's views: a hidden one hears nothing,
// costs nothing, and builds afresh when it is attached again.
void CLensControl::Follow()
{
    CDocument* pWanted = m_pDock->isHidden() ? nullptr : m_pActiveDoc.data();
    CDocument* pOld = m_pTypes->GetDocument();
    if (pOld == pWanted)
        return;
    if (pOld != nullptr)
        pOld->RemoveView(m_pTypes);
    if (pWanted != nullptr) {
        pWanted->AddView(m_pTypes);
        m_pTypes->OnInitialUpdate();
    }
}

void CLensControl::OnViewFileTypes()
{
    const bool bShow = m_pDock->isHidden();
    m_pDock->setVisible(bShow);
    // Docked beside the windows, the panel starts wide enough for its columns; the user's
    // own width, once dragged, stays.
    if (bShow && !m_bSized && !m_pDock->isFloating() && m_frame.dockWidgetArea(m_pDock) == Qt::RightDockWidgetArea) {
        m_frame.resizeDocks({m_pDock}, {CVolraTypesView::kPreferredWidth}, Qt::Horizontal);
        m_bSized = true;
    }
}

void CLensControl::OnUpdateViewFileTypes(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_pDock->isHidden() ? 0 : 1); }

const CCmdMap& CLensControl::ClassCmdMap()
{
    static const CCmdMap map =
        CCmdMapOf<CLensControl>(&CCmdTarget::ClassCmdMap())
            .On(ID_COLOUR_BY, &CLensControl::OnColourByMenu, &CLensControl::OnUpdateColourByMenu)
            .On(ID_COLOUR_BY_DEPTH, &CLensControl::OnColourByDepth, &CLensControl::OnUpdateColourBy)
            .On(ID_COLOUR_BY_TYPE, &CLensControl::OnColourByType, &CLensControl::OnUpdateColourBy)
            .On(ID_COLOUR_BY_AGE, &CLensControl::OnColourByAge, &CLensControl::OnUpdateColourBy)
            .On(ID_VIEW_FILE_TYPES, &CLensControl::OnViewFileTypes, &CLensControl::OnUpdateViewFileTypes);
    return map;
}

void CLensControl::OnUpdateColourBy(CCmdUI* pCmdUI)
{
    pCmdUI->SetRadio(ColourByOfCommand(pCmdUI->m_nID) == AfxGetPrefs().GetColourBy() ? TRUE : FALSE);
}

void CLensControl::OnUpdateColourByMenu(CCmdUI* pCmdUI) { pCmdUI->Enable(TRUE); }

// Only fills change, but every open search shows them: each repaints.
void CLensControl::SetColourBy(EColourBy colourBy)
{
    AfxGetPrefs().m_nColourBy = static_cast<int>(colourBy);
    for (CVolraDoc* pDoc : m_frame.OpenDocuments())
        pDoc->UpdateAllViews(nullptr, HINT_REDRAW);
}
