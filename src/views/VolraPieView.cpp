#include "VolraPieView.h"

#include "DC.h"
#include "EntryInfo.h"
#include "MarkLook.h"
#include "doc/VolraDoc.h"
#include "model/Entry.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

CVolraPieView::CVolraPieView(QWidget* pParent) : CView(pParent)
{
    // Every pixel of the clip box is painted, and the backing store already double-buffers.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // hovering describes the entry under the pointer
    setFocusPolicy(Qt::StrongFocus);  // so the keyboard's context menu comes here
}

CVolraPieView::~CVolraPieView() = default;

CVolraDoc* CVolraPieView::GetVolraDoc() const { return qobject_cast<CVolraDoc*>(GetDocument()); }

// Whatever the hint: the current directory, its contents or the whole tree may be new, and
// a view attached again after another mode showed heard nothing meanwhile.
void CVolraPieView::OnUpdate(CView*, LPARAM, QObject*)
{
    // Only compared, never followed: the entry may be gone with the update.
    const CEntry* pWasHighlighted = EntryOf(m_nHighlight);
    m_entries.clear();
    m_chart.Clear();
    m_nHighlight = -1;
    const CVolraDoc* pDoc = GetVolraDoc();
    if (const CEntry* pDir = pDoc != nullptr ? pDoc->GetCurrent() : nullptr) {
        m_entries.reserve(pDir->GetChildren().size());
        for (const auto& child : pDir->GetChildren())
            m_entries.push_back(child);
        // A finished walk leaves children in this order already; sorting then costs nothing.
        const auto byName = [](const CEntry* a, const CEntry* b) {
            return CompareNames(a->GetName(), b->GetName()) < 0;
        };
        if (!std::is_sorted(m_entries.begin(), m_entries.end(), byName))
            std::sort(m_entries.begin(), m_entries.end(), byName);
        // An empty directory with children still shares the turn among them, equally.
        const double dTotal = static_cast<double>(pDir->GetSize());
        const double dEqual = 1.0 / static_cast<double>(std::max<std::size_t>(1, m_entries.size()));
        for (const CEntry* pChild : m_entries) {
            const double dFraction = dTotal > 0 ? static_cast<double>(pChild->GetSize()) / dTotal : dEqual;
            m_chart.AddSlice(static_cast<float>(dFraction), pChild->GetName());
        }
    }
    // A redraw that leaves the selection where it was (a mark set on it) keeps its slice
    // highlighted; the selection is a live entry, so matching it is safe.
    if (pWasHighlighted != nullptr && pDoc != nullptr && pDoc->GetSelected() == pWasHighlighted) {
        const auto it = std::find(m_entries.begin(), m_entries.end(), pWasHighlighted);
        if (it != m_entries.end())
            m_nHighlight = static_cast<int>(it - m_entries.begin());
    }
    m_chart.MarkDirty();
    update();
}

void CVolraPieView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(this);
    CDC dc(painter, CRect::FromQRect(pEvent->rect()));
    OnDraw(&dc);
}

void CVolraPieView::OnDraw(CDC* pDC)
{
    // A dark desktop gets a dark background; slices and label boxes keep their colours.
    pDC->FillSolidRect(pDC->GetClipBox(), palette().color(QPalette::Base));
    pDC->SetTextColor(palette().color(QPalette::Text));
    const CVolraDoc* pDoc = GetVolraDoc();
    if (pDoc == nullptr || pDoc->GetCurrent() == nullptr)
        return;  // nothing to show until a search made a tree
    m_chart.Draw(*pDC, CRect::FromQRect(rect()));
    if (m_nHighlight >= 0) {
        const CDC::Font oldFont = pDC->SelectFont({m_chart.LabelFont(), 0});
        const CPieSlice& slice = m_chart.Slice(m_nHighlight);
        slice.Draw(*pDC, true);
        slice.m_label.DrawBox(*pDC, true);
        pDC->SelectFont(oldFont);
    }
    if (pDoc->HasMarks())
        DrawMarks(*pDC, *pDoc);
}

void CVolraPieView::DrawMarks(CDC& dc, const CVolraDoc& doc) const
{
    const CDC::Pen oldPen = dc.SelectPen(CDC::NullPen());
    const CDC::Brush oldBrush = dc.SelectBrush(CDC::HollowBrush());
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const CPieSlice& slice = m_chart.Slice(static_cast<int>(i));
        const CMarkLook::State state = CMarkLook::Of(doc.GetMarks(), *m_entries[i]);
        if (state == CMarkLook::State::None || !slice.IsDrawn())
            continue;
        const bool bMarked = state == CMarkLook::State::Marked;
        dc.SelectPen(bMarked ? CDC::Pen{CMarkLook::kFrame, CMarkLook::kFrameWidth} : CDC::NullPen());
        dc.SelectBrush(CDC::HatchBrush(bMarked ? CMarkLook::kSliceHatch : CMarkLook::kCoveredSliceHatch,
                                       CMarkLook::kSliceHatchStyle));
        dc.Pie(slice.m_rcDisc, slice.m_ptStart, slice.m_ptEnd);
    }
    dc.SelectBrush(oldBrush);
    dc.SelectPen(oldPen);
}

CEntry* CVolraPieView::EntryOf(int nSlice) const
{
    return nSlice >= 0 ? m_entries[static_cast<std::size_t>(nSlice)] : nullptr;
}

CEntry* CVolraPieView::EntryAt(QPoint pt) const { return EntryOf(m_chart.HitTest(pt)); }

CEntry* CVolraPieView::SelectAt(QPoint pt)
{
    m_nHighlight = m_chart.HitTest(pt);
    CEntry* pEntry = EntryOf(m_nHighlight);
    // Only this view shows the new selection now; the others at their next redraw.
    if (CVolraDoc* pDoc = GetVolraDoc())
        pDoc->SetSelected(pEntry);
    return pEntry;
}

void CVolraPieView::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    CEntry* pEntry = SelectAt(pEvent->position().toPoint());
    CVolraDoc* pDoc = GetVolraDoc();
    if (pEvent->modifiers().testFlag(Qt::ControlModifier) && pDoc != nullptr && pEntry != nullptr)
        pDoc->ToggleMark(*pEntry);  // whose update keeps the highlight on the selection
    update();
}

// Acts on what the press before it highlighted, not on where the second click landed.
void CVolraPieView::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    CVolraDoc* pDoc = GetVolraDoc();
    if (pEvent->button() != Qt::LeftButton || pDoc == nullptr || pDoc->GetCurrent() == nullptr)
        return;
    if (CEntry* pEntry = EntryOf(m_nHighlight)) {
        if (pEntry->IsDirectory())
            pDoc->SetCurrent(pEntry);
    } else if (CEntry* pParent = pDoc->GetCurrent()->GetParent()) {
        pDoc->SetCurrent(pParent);
    }
}

void CVolraPieView::mouseMoveEvent(QMouseEvent* pEvent) { ShowEntryInfo(EntryAt(pEvent->position().toPoint())); }

void CVolraPieView::contextMenuEvent(QContextMenuEvent* pEvent)
{
    // The keyboard's menu key asks at the screen point (-1, -1), which as a rule lies on no
    // slice: the highlight and selection go, and no menu opens.
    const QPoint global = pEvent->reason() == QContextMenuEvent::Keyboard ? QPoint(-1, -1) : pEvent->globalPos();
    CEntry* pEntry = SelectAt(mapFromGlobal(global));
    repaint();  // the highlight shows before the menu opens
    if (CVolraDoc* pDoc = GetVolraDoc(); pDoc != nullptr && pEntry != nullptr)
        pDoc->ShowContextMenu(this, global.x(), global.y());
}
