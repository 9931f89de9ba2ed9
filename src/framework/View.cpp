#include "View.h"

#include "Document.h"

CView::CView(QWidget* pParent) : QWidget(pParent) {}

CView::~CView()
{
    if (m_pDocument != nullptr)
        m_pDocument->RemoveView(this);
}

const CCmdMap& CView::ClassCmdMap()
{
    static const CCmdMap map(&CCmdTarget::ClassCmdMap());
    return map;
}

void CView::OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

void CView::OnUpdate(CView*, LPARAM, QObject*) { update(); }

BOOL CView::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    if (CCmdTarget::OnCmdMsg(nID, pCmdUI))
        return TRUE;
    return m_pDocument != nullptr ? m_pDocument->OnCmdMsg(nID, pCmdUI) : FALSE;
}
