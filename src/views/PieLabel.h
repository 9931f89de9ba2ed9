#pragma once
#include "Rect.h"

#include <QColor>
#include <QPoint>
#include <QString>

#include <string>
#include <string_view>

class CDC;

// A slice's label: its text in a box outside the disc, joined to the middle of the slice's
// arc by a leader that runs out along the slice's middle ray to the elbow and then level
// to the box. Placed by CPieChart::Layout; the points and the box are client coordinates.
class CPieLabel {
public:
    static constexpr int kLeaderWidth = 3;  // in the text colour of the plain background
    static constexpr QColor kShadow{127, 127, 127};
    static constexpr QColor kBox{255, 255, 0};
    static constexpr QColor kHighlightedBox{255, 0, 0};
    static constexpr QColor kBoxText{0, 0, 0};  // on either box, whatever the background
    static constexpr int kBoxMargin = 2;  // between the text and the edge of its box
    static constexpr int kShadowOffset = 3;

    // name: the entry's name as the file system has it; fFraction: the slice's share.
    CPieLabel(std::string_view name, float fFraction) : m_strName(name), m_fFraction(fFraction) {}

    // "name [12.34%]": the name as display text, the share in percent to two places. Made
    // when asked for, as only the few labels with room are ever measured or drawn.
    QString GetText() const;
    bool IsVisible() const { return m_bVisible; }

    // The leader from the anchor over the elbow to the text point, with the surface's
    // current pen. Every leader is drawn before any box, so a box hides the ends of the
    // leaders that run under it.
    void DrawLeader(CDC& dc) const;
    // The box with its shadow and the text, in the surface's current font and background
    // mode and in kBoxText; nothing when the label was not placed.
    void DrawBox(CDC& dc, bool bHighlighted) const;

    QPoint m_ptAnchor;  // on the circle, at the slice's middle angle
    QPoint m_ptElbow;  // further out on the same ray
    QPoint m_ptText;  // where the leader ends, level with the elbow
    CRect m_rcText;  // the text's own box, without the margin
    bool m_bVisible = false;

private:
    std::string m_strName;
    float m_fFraction = 0;
};
