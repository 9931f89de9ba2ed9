#include "lenses/FileAge.h"
#include "model/Entry.h"
#include "support/EntryBuild.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
constexpr std::int64_t kNow = 1'750'000'000;  // a day in June 2025
constexpr std::int64_t kMinute = 60, kHour = 3600, kDay = 86400;
}  // namespace

// Each step's two sides: the last second before it and its first second.
TEST(FileAge, TextsAndBucketsAtTheirBoundaries)
{
    struct Case {
        std::int64_t nAge;
        const char* text;
        AgeBucket bucket;
    };
    using B = AgeBucket;
    const Case cases[] = {
        {-1, "modified in the future", B::Day},
        {0, "modified just now", B::Day},
        {kMinute - 1, "modified just now", B::Day},
        {kMinute, "modified 1 minute ago", B::Day},
        {2 * kMinute - 1, "modified 1 minute ago", B::Day},
        {2 * kMinute, "modified 2 minutes ago", B::Day},
        {kHour - 1, "modified 59 minutes ago", B::Day},
        {kHour, "modified 1 hour ago", B::Day},
        {kDay - 1, "modified 23 hours ago", B::Day},
        {kDay, "modified 1 day ago", B::Week},
        {7 * kDay - 1, "modified 6 days ago", B::Week},
        {7 * kDay, "modified 7 days ago", B::Month},
        {30 * kDay - 1, "modified 29 days ago", B::Month},
        {30 * kDay, "modified 1 month ago", B::Quarter},
        {90 * kDay - 1, "modified 2 months ago", B::Quarter},
        {90 * kDay, "modified 3 months ago", B::Year},
        {365 * kDay - 1, "modified 11 months ago", B::Year},
        {365 * kDay, "modified 1 year ago", B::ThreeYears},
        {3 * 365 * kDay - 1, "modified 2 years ago", B::ThreeYears},
        {3 * 365 * kDay, "modified 3 years ago", B::Older},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AgeText(kNow - c.nAge, kNow), c.text) << c.nAge;
        EXPECT_EQ(AgeBucketText(AgeBucketOf(kNow - c.nAge, kNow)), std::string(AgeBucketText(c.bucket))) << c.nAge;
    }
    // A saved search may hold any time at all: no overflow, however far.
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min(), kMax = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(AgeText(kMin, kNow), "modified 292471208677 years ago");
    EXPECT_EQ(AgeBucketOf(kMin, kNow), AgeBucket::Older);
    EXPECT_EQ(AgeText(kMax, kMin), "modified in the future");
    EXPECT_EQ(AgeBucketOf(kMax, kMin), AgeBucket::Day);
}

// From the newest (0) to the oldest (1) of the files given, a file of unknown time left
// out; over ten years a day, a month and a year each get room of their own.
TEST(FileAge, TheScaleRunsFromTheNewestToTheOldestFile)
{
    CEntry* dir = AddEntry(*MakeRoot("/srv"), "d", 0, true);
    const std::int64_t ages[] = {10 * 365 * kDay, 365 * kDay, 30 * kDay, kDay, kHour, 0, -1000 * kDay};
    const double near[] = {1.0, 0.80, 0.58, 0.28, 0.06, 0.0, 0.0};  // a time after now: as new as can be
    for (const std::int64_t age : ages)
        AddEntry(*dir, "f", 10)->SetTimes(CTime(), CTime(kNow - age), CTime());
    CEntry* unknown = AddEntry(*dir, "unknown", 10);
    unknown->SetUnknownTimes(2);

    CAgeScale::Range range;
    range.Add(*dir);  // a directory's time is not a file's
    for (const CEntry* pEntry : dir->GetChildren())
        range.Add(*pEntry);
    const CAgeScale scale = range.Scale(kNow);
    for (std::size_t i = 0; i < std::size(ages); ++i) {
        const double position = *scale.Position(*dir->GetChildren()[i]);
        EXPECT_NEAR(position, near[i], 0.02) << ages[i];
        if (i > 0 && ages[i] > 0) {
            EXPECT_LT(position, *scale.Position(*dir->GetChildren()[i - 1])) << "younger stands nearer 0";
        }
    }
    EXPECT_FALSE(scale.Position(*unknown).has_value());
    EXPECT_EQ(AgeText(*unknown, kNow), "modification time unknown");
    EXPECT_EQ(AgeBucketOf(*unknown, kNow), AgeBucket::Unknown);
    // Files all of one time, or none with a time: everything at the new end.
    for (const CEntry* pOnly : {dir->GetChildren()[2], unknown}) {
        CAgeScale::Range only;
        only.Add(*pOnly);
        EXPECT_EQ(only.Scale(kNow).Position(kNow - kDay), 0.0) << pOnly->GetName();
    }
}
