#include "BlockLayout.h"

#include "framework/DisplayText.h"
#include "model/Entry.h"

#include <algorithm>

// A directory whose children are being placed. The walk keeps these on a stack of its own
// rather than recursing: with a border of 0 a chain of single-child directories nests as
// deep as the tree goes.
struct CBlockLayout::Frame {
    const CEntry* pDir = nullptr;  // not owned
    std::int32_t nBlock = 0;  // the directory's block
    std::size_t nNext = 0;  // next child to place
    CRect inner;
    bool bSideBySide = false;  // strips left to right, else top to bottom
    double dSize = 0;  // the directory's size, bytes
    float fOffset = 0;  // running offset along the strips, single precision
};

void CBlockLayout::Clear()
{
    m_blocks.clear();
    m_labels.clear();
}

void CBlockLayout::Build(CEntry& root, const CRect& rcClient, int nBorder, const TextMetrics& metrics)
{
    Clear();
    m_nTextHeight = metrics.nHeight;
    // The border comes from a settings file that may hold any number. A negative one would
    // put children outside their parent, and past the client's longer side every inner area
    // is empty anyway; within those bounds no coordinate can overflow.
    nBorder = std::clamp(nBorder, 0, std::max({0, rcClient.Width(), rcClient.Height()}));
    std::vector<Frame> stack;
    const CRect inner = AddBlock(root, rcClient, nBorder, metrics);
    if (!inner.IsRectEmpty() && root.GetSize() > 0 && !root.GetChildren().empty())
        stack.push_back({&root, 0, 0, inner, inner.Height() < inner.Width(), double(root.GetSize()), 0.0F});
    while (!stack.empty())
        AddChildren(stack.back(), metrics, nBorder, stack);
}

// Places the next child of the frame's directory (and opens a frame for the child when it
// has room for children of its own), or closes the frame when all are placed.
void CBlockLayout::AddChildren(Frame& frame, const TextMetrics& metrics, int nBorder, std::vector<Frame>& stack)
{
    const auto& children = frame.pDir->GetChildren();
    if (frame.nNext == children.size()) {
        m_blocks[frame.nBlock].nEnd = static_cast<std::int32_t>(m_blocks.size());
        stack.pop_back();
        return;
    }
    CEntry& child = *children[frame.nNext++];
    const CRect& in = frame.inner;
    const int nOrigin = frame.bSideBySide ? in.left : in.top;
    const double dLength = frame.bSideBySide ? in.Width() : in.Height();
    // Size and quotient in double; the offset is carried in single precision. The clamp
    // only matters for a tree whose totals disagree (never after a completed walk) and
    // keeps the conversion to int defined.
    const double dShare = double(child.GetSize()) / frame.dSize * dLength;
    const double dStart = std::clamp(double(frame.fOffset), 0.0, dLength);
    const double dEnd = std::clamp(double(frame.fOffset) + dShare, 0.0, dLength);
    frame.fOffset = static_cast<float>(double(frame.fOffset) + dShare);
    const int nStart = nOrigin + static_cast<int>(dStart);  // truncation
    const int nEnd = nOrigin + static_cast<int>(dEnd);
    const CRect rc =
        frame.bSideBySide ? CRect(nStart, in.top, nEnd, in.bottom) : CRect(in.left, nStart, in.right, nEnd);
    if (rc.IsRectEmpty())
        return;  // no block: not drawn, cannot be hit
    const auto nBlock = static_cast<std::int32_t>(m_blocks.size());
    const CRect inner = AddBlock(child, rc, nBorder, metrics);
    if (inner.IsRectEmpty() || child.GetSize() <= 0 || child.GetChildren().empty())
        return;
    // May move the stack's storage: frame is not used after this.
    stack.push_back({&child, nBlock, 0, inner, inner.Height() < inner.Width(), double(child.GetSize()), 0.0F});
}

CRect CBlockLayout::AddBlock(CEntry& entry, const CRect& rc, int nBorder, const TextMetrics& metrics)
{
    Block block;
    block.pEntry = &entry;
    block.rect = rc;
    block.nEnd = static_cast<std::int32_t>(m_blocks.size()) + 1;
    block.nPalette = static_cast<std::uint8_t>((entry.GetDepth() % 3) * 8 + (entry.GetColour() & 7));
    block.bDirectory = entry.IsDirectory() != FALSE;

    const int w = rc.Width();
    const int h = rc.Height();
    const int cy = metrics.nHeight;
    // The label's strip holds the frame's line and the whole text below it, descenders
    // and underscores included, so the children start past the text's last row; down,
    // also the column of fill between the frame and the descenders.
    const int nStrip = std::max(cy + 1, nBorder);
    const int nStripDown = std::max(cy + 2, nBorder);
    CRect inner = rc;
    // A label needs a side of the line's height + 2 and, across it, room for at least the
    // margins: a thinner sliver's name is neither converted nor measured, which keeps the
    // thousands of slivers of a large tree quick to lay out.
    if ((h >= cy + 2 && w >= 4) || (w >= cy + 2 && h >= 4)) {
        QString text = DisplayText(entry.GetName());
        const int cx = metrics.width(text);
        if (w >= cx + 4 && h >= cy + 2) {
            block.label = Label::Across;
            inner = CRect(rc.left + nBorder, rc.top + nStrip, rc.right - nBorder, rc.bottom - nBorder);
        } else if (w >= cy + 2 && h >= cx + 4) {
            block.label = Label::Down;
            inner = CRect(rc.left + nStripDown, rc.top + nBorder, rc.right - nBorder, rc.bottom - nBorder);
        }
        if (block.label != Label::None) {
            block.nLabel = static_cast<std::int32_t>(m_labels.size());
            m_labels.push_back(std::move(text));
        }
    }
    if (block.label == Label::None)
        inner.InflateRect(-nBorder, -nBorder);
    m_blocks.push_back(block);
    return inner;
}

QPoint CBlockLayout::LabelOrigin(const Block& block) const
{
    if (block.label == Label::Down)
        return {block.rect.left + m_nTextHeight + 2, block.rect.top + 2};
    return {block.rect.left + 2, block.rect.top + 1};
}

std::optional<CRect> CBlockLayout::RectOf(const CEntry* pEntry) const
{
    for (const Block& block : m_blocks)
        if (block.pEntry == pEntry)
            return block.rect;
    return std::nullopt;
}

CEntry* CBlockLayout::HitTest(QPoint pt) const
{
    if (m_blocks.empty())
        return nullptr;
    std::size_t node = 0;
    for (;;) {
        std::size_t hit = 0;
        // The children of a block follow it, each subtree ending where the next child starts.
        for (std::size_t i = node + 1; i < std::size_t(m_blocks[node].nEnd); i = m_blocks[i].nEnd) {
            if (m_blocks[i].rect.PtInRect(pt)) {
                hit = i;
                break;
            }
        }
        if (hit == 0)
            return m_blocks[node].pEntry;
        node = hit;
    }
}
