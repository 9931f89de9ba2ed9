#pragma once
#include <QPoint>
#include <QRect>

#include <algorithm>

// A rectangle the way the drawing code thinks of one: left and top inside, right and bottom
// outside, so the width is right - left and rectangles that touch share no pixel. QRect's
// right() is inclusive; convert only through ToQRect / FromQRect.
class CRect {
public:
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    static CRect FromQRect(const QRect& rc)
    {
        return {rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height()};
    }
    QRect ToQRect() const { return QRect(left, top, Width(), Height()); }

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    // No pixel inside: a zero or negative extent.
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    constexpr bool PtInRect(QPoint pt) const
    {
        return left <= pt.x() && pt.x() < right && top <= pt.y() && pt.y() < bottom;
    }
    // Grows the rectangle by dx on the left and right and dy at the top and bottom;
    // negative values shrink it.
    constexpr void InflateRect(int dx, int dy)
    {
        left -= dx;
        top -= dy;
        right += dx;
        bottom += dy;
    }
    constexpr void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    // Becomes the common part of a and b; false (and an all-zero rectangle) when they
    // share no pixel.
    constexpr bool IntersectRect(const CRect& a, const CRect& b)
    {
        *this = CRect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                      std::min(a.bottom, b.bottom));
        if (IsRectEmpty()) {
            *this = CRect();
            return false;
        }
        return true;
    }
    constexpr bool Intersects(const CRect& other) const
    {
        CRect common;
        return common.IntersectRect(*this, other);
    }

    constexpr bool operator==(const CRect&) const = default;
};
