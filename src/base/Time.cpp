#include "Time.h"

#include <ctime>

CTime::CTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    m_time = static_cast<std::int64_t>(std::mktime(&tm));
}

std::string CTime::Format(const char* pszFormat) const
{
    const std::time_t t = static_cast<std::time_t>(m_time);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return {};
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pszFormat, &tm);
    return std::string(buffer, n);
}
