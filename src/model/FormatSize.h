#pragma once
#include <cstdint>
#include <string>

// The one text form of a byte count: "%d bytes" below 1024, then k, M and G in powers of
// 1024 with two decimals ("1.50k", "4.66G"). G is the largest unit.
std::string FormatSize(std::int64_t nBytes);
// A change of size with its sign: "+1.50G", "-200.00M", "0 bytes".
std::string FormatSizeChange(std::int64_t nDelta);

// A count with its thousands grouped by commas, whatever the locale: "1,234,567".
std::string FormatCount(std::uint64_t nCount);

// The one text form of a time stamp, day first, in local time.
inline constexpr const char* kTimeFormat = "%d/%m/%Y %H:%M:%S";
