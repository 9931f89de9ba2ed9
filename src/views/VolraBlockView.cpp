#include "VolraBlockView.h"

#include "ChangeColour.h"
#include "DC.h"
#include "EntryInfo.h"
#include "LensColour.h"
#include "MarkLook.h"
#include "VolraPrefs.h"
#include "doc/Resource.h"
#include "doc/VolraDoc.h"
#include "framework/CmdUI.h"
#include "lenses/TypeCatalog.h"
#include "model/Entry.h"
#include "model/EntryFilter.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <ctime>

CVolraBlockView::CVolraBlockView(QWidget* pParent) : CView(pParent)
{
    // Every pixel of the clip box is painted, and the backing store already double-buffers.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // hovering describes the entry under the pointer
    for (int nFamily = 0; nFamily < 3; ++nFamily) {
        for (int nColour = 0; nColour < 8; ++nColour) {
            const int c = 191 + 8 * nColour;
            const QColor colour = nFamily == 0 ? QColor(c, c, 255)
                : nFamily == 1                 ? QColor(c, 255, c)
                                               : QColor(255, c, c);
            m_palette[nFamily * 8 + nColour] = colour;
        }
    }
}

CVolraBlockView::~CVolraBlockView() = default;

CVolraDoc* CVolraBlockView::GetVolraDoc() const { return qobject_cast<CVolraDoc*>(GetDocument()); }

const CCmdMap& CVolraBlockView::ClassCmdMap()
{
    static const CCmdMap map =
        CCmdMapOf<CVolraBlockView>(&CView::ClassCmdMap())
            .On(ID_COLOUR_BY_CHANGE, &CVolraBlockView::OnColourByChange, &CVolraBlockView::OnUpdateColourByChange);
    return map;
}

// Only the fills change, so the layout is kept.
void CVolraBlockView::OnColourByChange()
{
    m_bColourByChange = !m_bColourByChange;
    update();
}

void CVolraBlockView::OnUpdateColourByChange(CCmdUI* pCmdUI)
{
    const CVolraDoc* pDoc = GetVolraDoc();
    const CSearchComparison* pComparison = pDoc != nullptr ? pDoc->GetComparison() : nullptr;
    const bool bCanColour = pComparison != nullptr && pComparison->CanCompareShownSizes();
    pCmdUI->Enable(bCanColour ? TRUE : FALSE);
    pCmdUI->SetCheck(bCanColour && m_bColourByChange ? 1 : 0);
}

// Without sizes to compare every block would say "unchanged", which is not known: the
// usual palette says nothing instead.
const CSearchComparison* CVolraBlockView::GetChangeColouring() const
{
    const CVolraDoc* pDoc = GetVolraDoc();
    const CSearchComparison* pComparison = pDoc != nullptr ? pDoc->GetComparison() : nullptr;
    if (!m_bColourByChange || pComparison == nullptr || !pComparison->CanCompareShownSizes())
        return nullptr;
    return pComparison;
}

// After HINT_TREE_CHANGED entries may have been destroyed, so no pointer to any of them may
// stay. HINT_REDRAW drops the layout too: it comes when the current directory or the
// preferences changed, which need a new layout anyway, and when this view is attached
// again after a mode switch, when the tree may have changed while it was detached and
// heard nothing. What the cache saves is the layout of repaints that no update asked for:
// a click's selection, an uncovered window.
//
// The age scale is made from the layout's files, so it goes with the layout.
//
// A filter changes only what is washed out: the layout stays.
void CVolraBlockView::OnUpdate(CView*, LPARAM lHint, QObject*)
{
    if (lHint == HINT_FILTER_CHANGED) {
        update();
        return;
    }
    m_blockRects.Clear();
    m_layoutKey.reset();
    update();
}

void CVolraBlockView::OnDetachFromDocument() { m_ageScale.reset(); }

void CVolraBlockView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(this);
    CDC dc(painter, CRect::FromQRect(pEvent->rect()));
    OnDraw(&dc);
}

void CVolraBlockView::EnsureLayout(CEntry& current, const CBlockViewStyle& style)
{
    LayoutKey key{&current, current.GetSize(), CRect::FromQRect(rect()), style};
    if (m_layoutKey == key)
        return;
    // Both label fonts have the same extent, so the across one measures for either.
    const QFontMetrics fm(style.fontAcross, this);
    const CBlockLayout::TextMetrics metrics{fm.height(),
                                            [&fm](const QString& text) { return fm.horizontalAdvance(text); }};
    m_blockRects.Build(current, key.rcClient, style.nBorder, metrics);
    m_layoutKey = std::move(key);
    m_ageScale.reset();
}

// The gradient spans the files the picture shows, so it is made with the layout and costs a
// pass over its blocks; ages are seen from that moment, so one picture tells them all alike.
const CAgeScale& CVolraBlockView::AgeScale()
{
    if (!m_ageScale) {
        CAgeScale::Range range;
        for (const CBlockLayout::Block& block : m_blockRects.Blocks())
            range.Add(*block.pEntry);
        m_ageScale = range.Scale(static_cast<std::int64_t>(std::time(nullptr)));
    }
    return *m_ageScale;
}

void CVolraBlockView::OnDraw(CDC* pDC)
{
    const CRect rcClip = pDC->GetClipBox();
    pDC->FillSolidRect(rcClip, palette().color(QPalette::Base));
    CVolraDoc* pDoc = GetVolraDoc();
    if (pDoc == nullptr || pDoc->GetCurrent() == nullptr)
        return;  // nothing to show until a search made a tree
    const CBlockViewStyle style = CBlockViewStyle::FromPrefs();
    EnsureLayout(*pDoc->GetCurrent(), style);

    const CDC::Font oldFont = pDC->SelectFont({style.fontAcross, 0});
    const CDC::Brush oldBrush = pDC->SelectBrush(CDC::HollowBrush());
    pDC->SetBkMode(CDC::BkMode::Transparent);
    // Children lie inside their parent's block (the layout never takes a negative border),
    // so a block outside the clip box takes its whole subtree with it.
    Fills fills{GetChangeColouring(), nullptr, pDoc->GetFilter()};
    const EColourBy colourBy = AfxGetPrefs().GetColourBy();
    std::optional<CLensColour> lens;
    if (fills.pChanges == nullptr && colourBy != EColourBy::Depth) {
        const CAgeScale* pScale = colourBy == EColourBy::Age ? &AgeScale() : nullptr;
        fills.pLens = &lens.emplace(colourBy, CTypeCatalog::Shared(), pScale);
    }
    const CMarkSet* pMarks = pDoc->HasMarks() ? pDoc->GetMarks() : nullptr;
    const auto& blocks = m_blockRects.Blocks();
    for (std::size_t i = 0; i < blocks.size();) {
        const CBlockLayout::Block& block = blocks[i];
        if (!block.rect.Intersects(rcClip)) {
            i = block.nEnd;
            continue;
        }
        DrawBlock(*pDC, block, pDoc->GetSelected(), style, fills, pMarks);
        ++i;
    }
    pDC->SelectBrush(oldBrush);
    pDC->SelectFont(oldFont);
}

void CVolraBlockView::DrawBlock(CDC& dc, const CBlockLayout::Block& block, const CEntry* pSelected,
                                const CBlockViewStyle& style, const Fills& fills, const CMarkSet* pMarks) const
{
    const CRect& rc = block.rect;
    if (rc.IsRectEmpty())
        return;
    if (block.pEntry == pSelected) {
        const CDC::Pen oldPen = dc.SelectPen({kSelectedOutline, kSelectedOutlineWidth});
        const CDC::Brush oldBrush = dc.SelectBrush(CDC::SolidBrush(kSelectedFill));
        dc.Rectangle(rc);
        dc.SelectBrush(oldBrush);
        dc.SelectPen(oldPen);
    } else if (fills.pChanges != nullptr && block.pEntry != nullptr) {
        dc.FillSolidRect(rc, CChangeColour::Of(*fills.pChanges, *block.pEntry));
    } else if (fills.pLens != nullptr && block.pEntry != nullptr) {
        dc.FillSolidRect(rc, fills.pLens->FillOf(*block.pEntry));
    } else {
        dc.FillSolidRect(rc, m_palette[block.nPalette]);
    }
    // A directory that could not be read: what it holds is not known, which its block says.
    if (block.pEntry != nullptr && block.pEntry->IsUnreadable())
        dc.HatchRect(rc, kUnreadableHatch);
    if (block.pEntry != nullptr)
        DrawMark(dc, rc, *block.pEntry, pMarks);
    // The selection keeps its look: it is what the user pointed at, filtered or not.
    if (fills.pFilter != nullptr && block.pEntry != nullptr && block.pEntry != pSelected
        && !fills.pFilter->Passes(*block.pEntry))
        dc.FillSolidRect(rc, kFilteredOut);
    if (block.bDirectory && rc.Width() > 2 && rc.Height() > 2)
        dc.Rectangle(rc);  // the surface's black 1-pixel pen, hollow brush
    if (block.label == CBlockLayout::Label::None)
        return;
    const bool bDown = block.label == CBlockLayout::Label::Down;
    dc.SelectFont(bDown ? CDC::Font{style.fontDown, CDC::kEscapementDown} : CDC::Font{style.fontAcross, 0});
    const QPoint origin = m_blockRects.LabelOrigin(block);
    dc.TextOut(origin.x(), origin.y(), m_blockRects.LabelText(block));
}

void CVolraBlockView::DrawMark(CDC& dc, const CRect& rc, const CEntry& entry, const CMarkSet* pMarks)
{
    const CMarkLook::State state = CMarkLook::Of(pMarks, entry);
    if (state == CMarkLook::State::None)
        return;
    if (state == CMarkLook::State::Covered) {
        dc.FillSolidRect(rc, CMarkLook::kCoveredTint);
        return;
    }
    dc.FillSolidRect(rc, CMarkLook::kTint);
    // The frame inside the block, so that the neighbours' frames never hide it.
    const int t = std::min({CMarkLook::kFrameWidth, rc.Width() / 2, rc.Height() / 2});
    if (t <= 0)
        return;
    dc.FillSolidRect({rc.left, rc.top, rc.right, rc.top + t}, CMarkLook::kFrame);
    dc.FillSolidRect({rc.left, rc.bottom - t, rc.right, rc.bottom}, CMarkLook::kFrame);
    dc.FillSolidRect({rc.left, rc.top + t, rc.left + t, rc.bottom - t}, CMarkLook::kFrame);
    dc.FillSolidRect({rc.right - t, rc.top + t, rc.right, rc.bottom - t}, CMarkLook::kFrame);
}

CEntry* CVolraBlockView::HitTest(QPoint pt) const
{
    const CVolraDoc* pDoc = GetVolraDoc();
    if (pDoc == nullptr || pDoc->GetCurrent() == nullptr)
        return nullptr;
    // Until a paint lays out the current directory, its own block is all there is.
    if (m_blockRects.Root() != pDoc->GetCurrent())
        return pDoc->GetCurrent();
    return m_blockRects.HitTest(pt);
}

void CVolraBlockView::SelectAt(QPoint pt)
{
    CVolraDoc* pDoc = GetVolraDoc();
    if (pDoc == nullptr)
        return;
    // Only this view shows the new selection now; the others at their next redraw.
    pDoc->SetSelected(HitTest(pt));
    update();
}

void CVolraBlockView::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    SelectAt(pEvent->position().toPoint());
    CVolraDoc* pDoc = GetVolraDoc();
    if (pEvent->modifiers().testFlag(Qt::ControlModifier) && pDoc != nullptr && pDoc->GetSelected() != nullptr)
        pDoc->ToggleMark(*pDoc->GetSelected());
}

void CVolraBlockView::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    CVolraDoc* pDoc = GetVolraDoc();
    if (pEvent->button() != Qt::LeftButton || pDoc == nullptr)
        return;
    CEntry* pEntry = HitTest(pEvent->position().toPoint());
    if (pEntry == nullptr || !pEntry->IsDirectory())
        return;  // a file: the press before already selected it
    // The current directory's own frame or label goes up; at the root it stays current
    // and becomes the selection.
    if (pEntry == pDoc->GetCurrent() && pEntry->GetParent() != nullptr)
        pDoc->SetCurrent(pEntry->GetParent());
    else
        pDoc->SetCurrent(pEntry);
}

void CVolraBlockView::mouseMoveEvent(QMouseEvent* pEvent)
{
    ShowEntryInfo(HitTest(pEvent->position().toPoint()));
    CView::mouseMoveEvent(pEvent);
}

void CVolraBlockView::wheelEvent(QWheelEvent* pEvent)
{
    pEvent->accept();  // taken and ignored: no scrolling, and no parent scrolls either
}

void CVolraBlockView::contextMenuEvent(QContextMenuEvent* pEvent)
{
    // The desktop's own keyboard request comes with the pointer's place, which says
    // nothing about what the user means.
    if (pEvent->reason() == QContextMenuEvent::Keyboard) {
        ShowSelectionMenu();
        return;
    }
    CVolraDoc* pDoc = GetVolraDoc();
    if (pDoc == nullptr)
        return;
    SelectAt(pEvent->pos());
    pDoc->ShowContextMenu(this, pEvent->globalPos().x(), pEvent->globalPos().y());
}

void CVolraBlockView::keyPressEvent(QKeyEvent* pEvent)
{
    const bool bMenuKey =
        pEvent->key() == Qt::Key_Menu || (pEvent->key() == Qt::Key_F10 && pEvent->modifiers() == Qt::ShiftModifier);
    if (!bMenuKey) {
        CView::keyPressEvent(pEvent);
        return;
    }
    pEvent->accept();
    ShowSelectionMenu();
}

// The keyboard's context menu: for the selection, at the middle of its block (of the view,
// while it has none drawn); with nothing selected there is nothing to offer.
void CVolraBlockView::ShowSelectionMenu()
{
    CVolraDoc* pDoc = GetVolraDoc();
    if (pDoc == nullptr || pDoc->GetSelected() == nullptr)
        return;
    const std::optional<CRect> rcBlock = m_blockRects.RectOf(pDoc->GetSelected());
    const QPoint at = mapToGlobal(rcBlock ? rcBlock->ToQRect().center() : rect().center());
    pDoc->ShowContextMenu(this, at.x(), at.y());
}
