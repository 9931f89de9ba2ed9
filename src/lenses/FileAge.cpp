#include "FileAge.h"

#include "model/Entry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;
constexpr std::int64_t kMonth = 30 * kDay;
constexpr std::int64_t kYear = 365 * kDay;

// now - then without overflow: a hostile saved search may hold any 64-bit time.
std::int64_t AgeOf(std::int64_t nModified, std::int64_t nNow)
{
    std::int64_t nAge = 0;
    if (__builtin_sub_overflow(nNow, nModified, &nAge))
        return nModified > nNow ? -1 : std::numeric_limits<std::int64_t>::max();
    return nAge;
}

std::string Ago(std::int64_t n, const char* unit)
{
    return "modified " + std::to_string(n) + " " + unit + (n == 1 ? "" : "s") + " ago";
}

}  // namespace

AgeBucket AgeBucketOf(std::int64_t nModified, std::int64_t nNow)
{
    // The upper end of each step but the last, in seconds of age.
    static constexpr std::array<std::int64_t, 6> kEnds = {kDay, 7 * kDay, kMonth, 3 * kMonth, kYear, 3 * kYear};
    const std::int64_t nAge = AgeOf(nModified, nNow);
    const auto step = std::upper_bound(kEnds.begin(), kEnds.end(), nAge) - kEnds.begin();
    return static_cast<AgeBucket>(step);
}

AgeBucket AgeBucketOf(const CEntry& entry, std::int64_t nNow)
{
    return entry.HasModifiedTime() ? AgeBucketOf(entry.GetModifiedTime().GetTime(), nNow) : AgeBucket::Unknown;
}

const char* AgeBucketText(AgeBucket bucket)
{
    static constexpr std::array<const char*, kAgeBucketCount> kTexts = {
        "less than a day",  "less than a week",  "less than a month", "less than 3 months",
        "less than a year", "less than 3 years", "3 years or more",   "unknown"};
    return kTexts.at(static_cast<std::size_t>(bucket));
}

std::string AgeText(std::int64_t nModified, std::int64_t nNow)
{
    const std::int64_t nAge = AgeOf(nModified, nNow);
    if (nAge < 0)
        return "modified in the future";
    if (nAge < kMinute)
        return "modified just now";
    if (nAge < kHour)
        return Ago(nAge / kMinute, "minute");
    if (nAge < kDay)
        return Ago(nAge / kHour, "hour");
    if (nAge < kMonth)
        return Ago(nAge / kDay, "day");
    if (nAge < kYear)
        return Ago(std::min<std::int64_t>(nAge / kMonth, 11), "month");
    return Ago(nAge / kYear, "year");
}

std::string AgeText(const CEntry& entry, std::int64_t nNow)
{
    return entry.HasModifiedTime() ? AgeText(entry.GetModifiedTime().GetTime(), nNow) : "modification time unknown";
}

CAgeScale::CAgeScale(std::int64_t nNewest, std::int64_t nOldest, std::int64_t nNow)
    : m_nNow(nNow), m_newest(LogAge(AgeOf(nNewest, nNow)))
{
    m_span = std::max(0.0, LogAge(AgeOf(nOldest, nNow)) - m_newest);
}

void CAgeScale::Range::Add(const CEntry& entry)
{
    if (entry.IsDirectory() || !entry.HasModifiedTime())
        return;
    const std::int64_t t = entry.GetModifiedTime().GetTime();
    m_nNewest = std::max(m_nNewest, t);
    m_nOldest = std::min(m_nOldest, t);
}

CAgeScale CAgeScale::Range::Scale(std::int64_t nNow) const
{
    if (m_nNewest < m_nOldest)
        return CAgeScale();  // no file with a known time
    return CAgeScale(m_nNewest, m_nOldest, nNow);
}

double CAgeScale::LogAge(std::int64_t nAge)
{
    return std::log1p(static_cast<double>(std::max<std::int64_t>(nAge, 0)) / static_cast<double>(kHour));
}

double CAgeScale::Position(std::int64_t nModified) const
{
    if (m_span <= 0.0)
        return 0.0;
    return std::clamp((LogAge(AgeOf(nModified, m_nNow)) - m_newest) / m_span, 0.0, 1.0);
}

std::optional<double> CAgeScale::Position(const CEntry& entry) const
{
    if (!entry.HasModifiedTime())
        return std::nullopt;
    return Position(entry.GetModifiedTime().GetTime());
}
