#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

class CEntry;

// How long ago files were modified: steps for a legend, a position on a gradient and the
// status bar's words. Times are whole seconds since 1970 (CTime's); "now" is passed in, so
// that a picture and its legend agree, and ages are told the same in every locale. A month
// is 30 days and a year 365 days.

// Steps of age: less than a day, a week, a month (30 days), 3 months, a year (365 days),
// 3 years; 3 years or more; and unknown (a saved search without modification times). A time
// after now counts as less than a day.
enum class AgeBucket { Day, Week, Month, Quarter, Year, ThreeYears, Older, Unknown };
inline constexpr std::size_t kAgeBucketCount = 8;

AgeBucket AgeBucketOf(std::int64_t nModified, std::int64_t nNow);
AgeBucket AgeBucketOf(const CEntry& entry, std::int64_t nNow);
// "less than a day", "less than a week", "less than a month", "less than 3 months", "less
// than a year", "less than 3 years", "3 years or more", "unknown".
const char* AgeBucketText(AgeBucket bucket);

// "modified just now" (under a minute), "modified 1 minute ago", "modified 5 hours ago",
// "modified 12 days ago", "modified 3 months ago", "modified 2 years ago"; "modified in the
// future" for a time after now.
std::string AgeText(std::int64_t nModified, std::int64_t nNow);
// The same for an entry; "modification time unknown" when the search does not know it.
std::string AgeText(const CEntry& entry, std::int64_t nNow);

// Where a file stands between the newest and the oldest files of a directory, 0 to 1, for
// a gradient. The scale is logarithmic in the age (seen at now, a time after now being of
// age 0), so that hours, months and decades all get room: in a tree of files from the last
// ten years, a day old stands near 0.3, a month near 0.6, a year near 0.8.
class CAgeScale {
public:
    // Gathers the newest and the oldest known time of the files given to it.
    class Range {
    public:
        void Add(const CEntry& entry);  // skips directories and unknown times
        CAgeScale Scale(std::int64_t nNow) const;

    private:
        std::int64_t m_nNewest = std::numeric_limits<std::int64_t>::min();
        std::int64_t m_nOldest = std::numeric_limits<std::int64_t>::max();
    };

    CAgeScale() = default;  // every time at 0
    // From the ages of the newest and the oldest time to be shown.
    CAgeScale(std::int64_t nNewest, std::int64_t nOldest, std::int64_t nNow);

    double Position(std::int64_t nModified) const;
    // Nothing when the entry's modification time is unknown.
    std::optional<double> Position(const CEntry& entry) const;

private:
    static double LogAge(std::int64_t nAge);

    std::int64_t m_nNow = 0;
    double m_newest = 0.0;  // LogAge of the newest time
    double m_span = 0.0;  // LogAge of the oldest less that of the newest
};
