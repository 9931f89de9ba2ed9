#include "Document.h"

#include "View.h"

#include <QCoreApplication>
#include <algorithm>

CDocument::CDocument() = default;

CDocument::~CDocument()
{
    for (CView* v : m_views) {
        v->m_pDocument = nullptr;
        v->OnDetachFromDocument();
    }
}

const CCmdMap& CDocument::ClassCmdMap()
{
    static const CCmdMap map(&CCmdTarget::ClassCmdMap());
    return map;
}

BOOL CDocument::OnNewDocument() { return TRUE; }

void CDocument::OnCloseDocument()
{
    if (m_bClosing)
        return;
    m_bClosing = true;
    emit closing();
    for (CView* v : std::vector<CView*>(m_views))
        RemoveView(v);
    if (QCoreApplication::instance() != nullptr)
        deleteLater();
    else
        delete this;
}

void CDocument::AddView(CView* pView)
{
    if (pView == nullptr || std::find(m_views.begin(), m_views.end(), pView) != m_views.end())
        return;
    if (pView->m_pDocument != nullptr && pView->m_pDocument != this)
        pView->m_pDocument->RemoveView(pView);
    m_views.push_back(pView);
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView)
{
    auto it = std::find(m_views.begin(), m_views.end(), pView);
    if (it == m_views.end())
        return;
    m_views.erase(it);
    pView->m_pDocument = nullptr;
    pView->OnDetachFromDocument();
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, QObject* pHint)
{
    // A view may detach itself while it updates: walk a copy.
    for (CView* v : std::vector<CView*>(m_views))
        if (v != pSender)
            v->OnUpdate(pSender, lHint, pHint);
    emit viewsUpdated(static_cast<qint64>(lHint));
}

void CDocument::SetTitle(const std::string& strTitle)
{
    m_strTitle = strTitle;
    emit titleChanged();
}
