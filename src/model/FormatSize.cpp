#include "FormatSize.h"

#include <cstdio>

std::string FormatSize(std::int64_t nBytes)
{
    char buffer[64];
    if (nBytes < 1024) {
        std::snprintf(buffer, sizeof buffer, "%lld bytes", static_cast<long long>(nBytes));
        return buffer;
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
    std::snprintf(buffer, sizeof buffer, "%.2f%s", x, unit);
    return buffer;
}
