#pragma once
#include <cstdint>
#include <limits>

// Sizes are never negative; a sum of them stops at the largest 64-bit value rather than
// wrapping round to a negative one.
inline std::int64_t AddSizes(std::int64_t nTotal, std::int64_t nSize)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    return nSize > kMax - nTotal ? kMax : nTotal + nSize;
}
