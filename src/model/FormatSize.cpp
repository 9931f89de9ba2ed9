#include "FormatSize.h"

#include <charconv>

// std::to_chars writes as printf does in the C locale, whatever locale the user runs
// the program in: a size reads "3.03k" in Berlin too, never "3,03k".
std::string FormatSize(std::int64_t nBytes)
{
    char buffer[64];
    if (nBytes < 1024) {
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, nBytes).ptr;
        return std::string(buffer, end) + " bytes";
    }
    // The threshold is tested on the exact quotient, so 1048575 bytes reads "1024.00k".
    constexpr double kStep = 0.0009765625;  // 1 / 1024
    double x = static_cast<double>(nBytes) * kStep;
    const char* unit = "k";
    if (x >= 1024.0) {
        x *= kStep;
        unit = "M";
        if (x >= 1024.0) {
            x *= kStep;
            unit = "G";
        }
    }
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 2).ptr;
    return std::string(buffer, end) + unit;
}

std::string FormatSizeChange(std::int64_t nDelta)
{
    if (nDelta == 0)
        return FormatSize(0);
    // The lowest value has no positive twin; no difference of two sizes reaches it.
    const std::int64_t nMagnitude = nDelta > 0 ? nDelta : nDelta == INT64_MIN ? INT64_MAX : -nDelta;
    return (nDelta > 0 ? "+" : "-") + FormatSize(nMagnitude);
}

std::string FormatCount(std::uint64_t nCount)
{
    std::string digits = std::to_string(nCount);
    for (std::size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, 1, ',');
    return digits;
}
