#include "model/FormatSize.h"
#include "platform/Time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

TEST(FormatSize, UnitsThresholdsAndRounding)
{
    const struct {
        long long bytes;
        const char* text;
    } cases[] = {
        {0, "0 bytes"},
        {1, "1 bytes"},
        {1023, "1023 bytes"},
        {1024, "1.00k"},
        {1536, "1.50k"},
        {1048575, "1024.00k"},
        {1048576, "1.00M"},
        {1073741823, "1024.00M"},
        {1073741824, "1.00G"},
        {5000000000LL, "4.66G"},
        {2199023255552LL, "2048.00G"},
        {-5, "-5 bytes"},
        {-5000, "-5000 bytes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSize(c.bytes), c.text) << c.bytes;
}

TEST(FormatTime, DayFirstLocalTimeWithSeconds)
{
    // The same calendar fields come back whatever the zone, daylight saving included.
    for (const char* zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "AEST-10AEDT,M10.1.0,M4.1.0/3"}) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        EXPECT_EQ(CTime(2000, 12, 5, 14, 3, 9).Format(kTimeFormat), "05/12/2000 14:03:09") << zone;
        EXPECT_EQ(CTime(2024, 7, 1, 0, 0, 0).Format(kTimeFormat), "01/07/2024 00:00:00") << zone;
    }
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    EXPECT_EQ(CTime(0).Format(kTimeFormat), "01/01/1970 00:00:00");
    EXPECT_EQ(CTime(-86400).Format(kTimeFormat), "31/12/1969 00:00:00");
    EXPECT_EQ(CTime(4102444800LL).Format(kTimeFormat), "01/01/2100 00:00:00");
    ::unsetenv("TZ");
    ::tzset();
}
