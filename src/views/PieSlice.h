#pragma once
#include "PieLabel.h"
#include "Rect.h"

#include <QColor>
#include <QPoint>

class CDC;

// One child's wedge of the pie. Fractions are of a full turn, counted from straight below
// the centre and growing counter-clockwise on the screen, in single precision as the chart
// accumulates them. The points are where the wedge's two rays cross the circle, truncated
// to whole pixels; the wedge is drawn between the rays through them.
class CPieSlice {
public:
    static constexpr QColor kHighlightFill{192, 192, 192};
    static constexpr QColor kHighlightOutline{255, 0, 0};
    static constexpr int kHighlightOutlineWidth = 2;
    // Above this extent a wedge is always drawn: a single child's two points lie one pixel
    // apart straight below the centre, and the wedge between them is the whole disc.
    static constexpr float kAlwaysDrawn = 0.9F;

    CPieSlice(float fStart, float fExtent, std::string_view name)
        : m_label(name, fExtent), m_fStart(fStart), m_fExtent(fExtent)
    {}

    // Whether Draw paints anything. The drawing primitive fills the whole disc when the two
    // rays point the same way, so a sliver whose truncated points give one direction (the
    // same point, or two points on one side of the centre along a line through it) is
    // left out rather than drawn as a disc.
    bool IsDrawn() const;
    // The wedge in its palette colour with the surface's current pen, or highlighted: light
    // grey in a red outline 2 pixels wide.
    void Draw(CDC& dc, bool bHighlighted) const;
    // The end of the wedge, start + extent stored in single precision as the layout and the
    // hit test take it.
    float EndFraction() const { return m_fStart + m_fExtent; }

    CPieLabel m_label;
    float m_fStart = 0;
    float m_fExtent = 0;
    CRect m_rcDisc;  // the circle's bounding square, as the chart has it
    QPoint m_ptStart;  // on the circle at the start fraction
    QPoint m_ptEnd;  // on the circle at the end fraction
    QColor m_fill;  // its palette colour
};
