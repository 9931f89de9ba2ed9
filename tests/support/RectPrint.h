#pragma once
#include "views/Rect.h"

#include <ostream>

// Rectangles in failure messages as (left, top, right, bottom).
inline void PrintTo(const CRect& rc, std::ostream* os)
{
    *os << "(" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")";
}
