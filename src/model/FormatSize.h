#pragma once
#include <cstdint>
#include <string>

// The one text form of a byte count: "%d bytes" below 1024, then k, M and G in powers of
// 1024 with two decimals ("1.50k", "4.66G"). G is the largest unit.
std::string FormatSize(std::int64_t nBytes);

// The one text form of a time stamp, day first, in local time.
inline constexpr const char* kTimeFormat = "%d/%m/%Y %H:%M:%S";
