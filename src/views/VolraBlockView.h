#pragma once
#include "BlockLayout.h"
#include "BlockViewStyle.h"
#include "framework/View.h"
#include "lenses/FileAge.h"

#include <QColor>

#include <array>
#include <cstdint>
#include <optional>

class CCmdUI;
class CDC;
class CEntry;
class CEntryFilter;
class CLensColour;
class CMarkSet;
class CSearchComparison;
class CVolraDoc;

// The block view: the document's current directory as nested rectangles whose areas follow
// the sizes (CBlockLayout has the rules). A click selects the block under the pointer, a
// double-click enters a directory or, on the current directory's own frame, goes up to its
// parent; hovering reports the entry under the pointer to the status bar; a right click
// selects and opens the document's context menu, as the Menu key and Shift+F10 do for the
// selection. The wheel does nothing.
//
// The layout is kept between paints and made again when the current directory, its size,
// the client size or the preferences differ from what it was made with, and after every
// update from the document, so repaints for a selection or an uncovered window cost only
// the drawing.
//
// While the document compares its search with an earlier one, "Colour by change" (off
// until chosen, for this window alone) fills the blocks by how their sizes changed
// (CChangeColour) instead of by depth and position; the layout stays the same.
//
// View > Colour by (a preference shared by every window) fills files by their type or age
// instead (CLensColour); colouring by change wins while it is on. Coloured by age, the
// gradient runs from the newest to the oldest file below the current directory.
//
// Marked blocks, and more lightly the blocks below a marked directory, are painted over as
// CMarkLook says; Ctrl+click selects the block under the pointer and toggles its mark.
//
// While the document has a filter (a find, a type), the blocks of what it does not let
// through (files, and directories holding none of its files) are washed out towards white;
// the layout stays the same.
class CVolraBlockView : public CView {
    Q_OBJECT
public:
    explicit CVolraBlockView(QWidget* pParent = nullptr);
    ~CVolraBlockView() override;

    void OnUpdate(CView* pSender, LPARAM lHint, QObject* pHint) override;
    void OnDetachFromDocument() override;
    // Paints the clip box of the surface: the current directory's blocks over the palette's
    // Base (which shows only while there is no current directory).
    void OnDraw(CDC* pDC);
    // The deepest entry whose block contains the client point; the current directory when
    // no layout has been made for it since the last update; null without a current
    // directory.
    CEntry* HitTest(QPoint pt) const;
    // The geometry of the last paint.
    const CBlockLayout& GetLayout() const { return m_blockRects; }

    static constexpr QColor kSelectedFill{192, 192, 192};
    static constexpr QColor kSelectedOutline{255, 0, 0};
    static constexpr QColor kUnreadableHatch{64, 64, 64};  // over an unreadable directory
    static constexpr int kSelectedOutlineWidth = 2;
    // Over a block the document's filter leaves out: its colour shows faintly through.
    static constexpr QColor kFilteredOut{255, 255, 255, 190};
    // Block fill colours: 8 shades by colour index in 3 families by depth mod 3
    // (light blue, green, red), at (depth mod 3) * 8 + colour index.
    const std::array<QColor, 24>& GetPalette() const { return m_palette; }

    // "Colour by change": on while the document has a comparison that can tell changes in
    // the sizes shown; the choice is kept while there is none.
    void OnColourByChange();
    void OnUpdateColourByChange(CCmdUI* pCmdUI);
    // The comparison the blocks are coloured by now, or null for the usual palette.
    const CSearchComparison* GetChangeColouring() const;

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    // What a layout was made from; a paint with the same inputs reuses it.
    struct LayoutKey {
        const CEntry* pRoot = nullptr;  // not owned; dropped with the layout
        std::int64_t nRootSize = 0;
        CRect rcClient;
        CBlockViewStyle style;
        bool operator==(const LayoutKey&) const = default;
    };

    CVolraDoc* GetVolraDoc() const;
    void EnsureLayout(CEntry& current, const CBlockViewStyle& style);
    // What one paint fills blocks by: the palette, or by change (pChanges) or a lens (pLens),
    // and what it washes out (pFilter).
    struct Fills {
        const CSearchComparison* pChanges = nullptr;  // not owned
        const CLensColour* pLens = nullptr;  // not owned
        const CEntryFilter* pFilter = nullptr;  // not owned; washes out what it does not pass
    };
    // Fills from the palette, by change or by a lens.
    void DrawBlock(CDC& dc, const CBlockLayout::Block& block, const CEntry* pSelected, const CBlockViewStyle& style,
                   const Fills& fills, const CMarkSet* pMarks) const;
    // The age scale of the current directory, made once per layout.
    const CAgeScale& AgeScale();
    // The mark's tint and frame, or the lighter tint below a mark, over a filled block.
    static void DrawMark(CDC& dc, const CRect& rc, const CEntry& entry, const CMarkSet* pMarks);
    void SelectAt(QPoint pt);
    void ShowSelectionMenu();

    std::array<QColor, 24> m_palette;
    CBlockLayout m_blockRects;  // refers to entries, owns none
    std::optional<LayoutKey> m_layoutKey;
    // Made from the files of the layout; dropped with it.
    std::optional<CAgeScale> m_ageScale;
    bool m_bColourByChange = false;
};
