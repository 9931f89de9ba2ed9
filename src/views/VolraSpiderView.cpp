#include "VolraSpiderView.h"

#include "DC.h"
#include "doc/VolraDoc.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

CVolraSpiderView::CVolraSpiderView(QWidget* pParent) : CView(pParent)
{
    // Every pixel of the clip box is painted, and the backing store already double-buffers.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CVolraSpiderView::~CVolraSpiderView() = default;

CVolraDoc* CVolraSpiderView::GetVolraDoc() const { return qobject_cast<CVolraDoc*>(GetDocument()); }

void CVolraSpiderView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(this);
    CDC dc(painter, CRect::FromQRect(pEvent->rect()));
    OnDraw(&dc);
}

// Nothing is kept between paints: every paint walks the current directory afresh, so no
// update has anything to drop.
void CVolraSpiderView::OnDraw(CDC* pDC)
{
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    pDC->FillSolidRect(pDC->GetClipBox(), base);
    const CVolraDoc* pDoc = GetVolraDoc();
    const int cx = width() / 2;
    const int cy = height() / 2;
    m_layout.Build(pDoc != nullptr ? pDoc->GetCurrent() : nullptr, cx, cy, std::min(cx, cy));
    pDC->SelectBrush(CDC::HollowBrush());
    pDC->SelectPen({text, 1});
    pDC->DrawLines(m_layout.Lines());
    // The surface's own font, on an opaque box of the background's colour.
    pDC->SetTextColor(text);
    pDC->SetBkColor(base);
    pDC->TextOut(kNoticeAt, kNoticeAt, QString::fromLatin1(kNotice.data(), static_cast<qsizetype>(kNotice.size())));
}
