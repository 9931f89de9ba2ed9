#include "PlaceholderView.h"

#include <QPaintEvent>
#include <QPainter>

CPlaceholderView::CPlaceholderView(QWidget* pParent) : CView(pParent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void CPlaceholderView::OnUpdate(CView* pSender, LPARAM lHint, QObject* pHint)
{
    ++m_nUpdates;
    CView::OnUpdate(pSender, lHint, pHint);
}

void CPlaceholderView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(this);
    painter.fillRect(pEvent->rect(), palette().base());
}
