#pragma once
#include "Rect.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CEntry;

// The geometry of the block view: a directory laid out over a rectangle as nested strips,
// with each block's label placement. Computed without a window, from the entry tree, the
// client rectangle, the border width and a way to measure text; painting and hit-testing
// both read this one result.
//
// The rules (the program's look since its first version):
//  - A block of a directory or file gets its label across when it is at least the text's
//    width + 4 wide and height + 2 high, written at (left + 2, top + 1); else rotated to
//    read downwards when at least height + 2 wide and width + 4 high, its box's top-right
//    corner at (left + height + 2, top + 2); else no label. A downward label's descenders
//    face the block's left edge: one column of fill keeps an underscore off the frame,
//    where it would read as part of the line ("x86_64" as "x86 64").
//  - Its children go in the inner area: the block less the border B on every side, and less
//    max(text height + 1, B) across or max(text height + 2, B) down on the label's side (top
//    for across, left for down), so that nothing covers the text's last row or column. B is
//    taken between 0 and the client's longer side.
//  - Children are strips across the inner area's longer side (stacked top to bottom when it
//    is square), in stored order, each as long as its share of the parent's size. The
//    running offset is a single-precision float and the edges are truncated, which can
//    leave a one-pixel gap showing the parent. Strips without area get no block.
//  - Subdivision ends where there is no room: a block whose inner area is empty has no
//    children laid out, so the work follows what is visible, not the size of the tree.
//  - Names are shown with DisplayText (control characters as "?"), measured and drawn alike.
class CBlockLayout {
public:
    enum class Label : std::uint8_t { None, Across, Down };

    struct Block {
        CEntry* pEntry = nullptr;  // not owned: the document owns the tree
        CRect rect;
        std::int32_t nEnd = 0;  // index one past this block's subtree
        std::int32_t nLabel = -1;  // index of the label text, -1 for none
        std::uint8_t nPalette = 0;  // (depth mod 3) * 8 + colour index
        bool bDirectory = false;
        Label label = Label::None;
    };

    // Text measurement in the label font: every text has the same height (the font's), and
    // a width of its own.
    struct TextMetrics {
        int nHeight = 0;
        std::function<int(const QString&)> width;
    };

    // Lays out root over rcClient. The tree is only read; entries are held non-const
    // because the view hands them on to the document as its selection. The root's block is
    // the whole client rectangle, whatever its size.
    void Build(CEntry& root, const CRect& rcClient, int nBorder, const TextMetrics& metrics);
    // Forgets every block and entry: after the tree changed, nothing may point into it.
    void Clear();

    bool IsEmpty() const { return m_blocks.empty(); }
    CEntry* Root() const { return m_blocks.empty() ? nullptr : m_blocks.front().pEntry; }
    // Blocks in paint order: each block before its children, a child's whole subtree before
    // its next sibling; block 0 is the root.
    const std::vector<Block>& Blocks() const { return m_blocks; }
    const QString& LabelText(const Block& block) const { return m_labels[block.nLabel]; }
    // The label's reference point for TextOut: the text box's top-left corner across, its
    // top-right corner for a downward label.
    QPoint LabelOrigin(const Block& block) const;
    // The rectangle of an entry laid out, if it has one (a linear search: for tests and
    // rare look-ups, not for painting).
    std::optional<CRect> RectOf(const CEntry* pEntry) const;
    // The deepest laid-out entry whose block contains the point: from the root, the first
    // child (in stored order) whose block contains it, and so on down. A point in a label
    // strip, a border or a gap yields the directory itself. Null when the layout is empty.
    CEntry* HitTest(QPoint pt) const;

private:
    struct Frame;
    void AddChildren(Frame& frame, const TextMetrics& metrics, int nBorder, std::vector<Frame>& stack);
    // Appends a block and places its label; returns its inner area.
    CRect AddBlock(CEntry& entry, const CRect& rc, int nBorder, const TextMetrics& metrics);

    std::vector<Block> m_blocks;
    std::vector<QString> m_labels;
    int m_nTextHeight = 0;
};
