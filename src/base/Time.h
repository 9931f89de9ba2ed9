#pragma once
#include <cstdint>
#include <string>

// A point in time as whole seconds since 1970-01-01 00:00:00 UTC. Shown in local time.
class CTime {
public:
    constexpr CTime() = default;
    constexpr explicit CTime(std::int64_t secondsSinceEpoch) : m_time(secondsSinceEpoch) {}
    // From local calendar fields (month 1-12); daylight saving is worked out by the C library.
    CTime(int year, int month, int day, int hour, int minute, int second);

    constexpr std::int64_t GetTime() const { return m_time; }
    // strftime rules in local time; an empty string when the time cannot be represented.
    std::string Format(const char* pszFormat) const;

    constexpr bool operator==(const CTime&) const = default;

private:
    std::int64_t m_time = 0;
};
