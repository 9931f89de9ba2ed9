#pragma once
#include "base/Time.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The date of an "ls -l" style line, read by its shape rather than by its language, since
// servers print it in the locale they run in: "Jan 02 03:04", "Okt 3 2002", "szept. 21.
// 08:14", "3 Juli, 2003", "6月 3日 2003年", "2004-04-21 13:29". A month name of a language not
// known here still makes a date, one without a time.
struct CFtpListDate {
    int year = 0;  // 0: a time of day stood in its place
    int month = 0;  // 1-12; 0: a month name not known here
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int zone = 0;  // minutes east of UTC, when the date names its zone; else taken as UTC

    // Reads a date starting at words[0]: how many words it takes, 0 when there is none
    // there. bAnyMonthWord takes any word where a month's name stands.
    static std::size_t Match(std::span<const std::string_view> words, bool bAnyMonthWord, CFtpListDate& date);
    // The date as UTC; a date without a year falls within the year before nowUtc, up to a
    // day ahead, as "ls" shows recent files. 0 when the date names no day.
    CTime ToTime(std::int64_t nowUtc) const;

    // Calendar fields (month 1-12) taken as UTC; false when they name no moment.
    static bool MakeTime(int year, int month, int day, int hour, int minute, int second, CTime& time);
    // "HH:MM" or "HH:MM:SS", fractions of seconds left out.
    static bool ParseClock(std::string_view text, int& hour, int& minute, int& second);
    // The month named by an abbreviation or a name, in the languages servers commonly
    // speak; 0 when none. Case matters only outside ASCII.
    static int MonthOf(std::string_view word);
};
