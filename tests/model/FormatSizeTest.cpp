#include "model/FormatSize.h"
#include "base/Time.h"
#include "support/CommaLocale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

TEST(FormatSize, UnitsThresholdsAndRoundingTheSameInEveryLocale)
{
    const struct {
        long long bytes;
        const char* text;
    } cases[] = {
        {0, "0 bytes"},           {1, "1 bytes"},         {1023, "1023 bytes"},    {1024, "1.00k"},
        {1536, "1.50k"},          {3100, "3.03k"},        {1048575, "1024.00k"},   {1048576, "1.00M"},
        {1073741823, "1024.00M"}, {1073741824, "1.00G"},  {5000000000LL, "4.66G"}, {2199023255552LL, "2048.00G"},
        {-5, "-5 bytes"},         {-5000, "-5000 bytes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSize(c.bytes), c.text) << c.bytes;
    const CommaLocale comma;
    for (const auto& c : cases)
        EXPECT_EQ(FormatSize(c.bytes), c.text) << c.bytes << " in a comma-decimal locale";
}

TEST(FormatTime, DayFirstInLocalTime)
{
    // 13:03:09 UTC is 14:03:09 in central Europe's winter.
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    EXPECT_EQ(CTime(976021389).Format(kTimeFormat), "05/12/2000 14:03:09");
    ::unsetenv("TZ");
    ::tzset();
}
