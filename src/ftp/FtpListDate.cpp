#include "FtpListDate.h"

#include <charconv>
#include <initializer_list>
#include <utility>

namespace {
constexpr std::int64_t kSecondsPerDay = 86400;

// A run of digits at the start of text (at most maxDigits of them) and what follows it.
bool LeadingNumber(std::string_view text, std::size_t maxDigits, int& value, std::string_view& rest)
{
    std::size_t n = 0;
    while (n < text.size() && n < maxDigits && text[n] >= '0' && text[n] <= '9')
        ++n;
    if (n == 0 || (n < text.size() && text[n] >= '0' && text[n] <= '9'))
        return false;
    std::from_chars(text.data(), text.data() + n, value);
    rest = text.substr(n);
    return true;
}

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> choices)
{
    for (const std::string_view choice : choices)
        if (text == choice)
            return true;
    return false;
}

// "3", "03", "3.", "21.", "3,", "3日", "3일".
bool ParseDay(std::string_view word, int& day)
{
    std::string_view rest;
    return LeadingNumber(word, 2, day, rest) && IsOneOf(rest, {"", ".", ",", "日", "일"}) && day >= 1 && day <= 31;
}

// "2003", "2003.", "2003年", "2003년".
bool ParseYear(std::string_view word, int& year)
{
    std::string_view rest;
    return LeadingNumber(word, 4, year, rest) && word.size() - rest.size() == 4
        && IsOneOf(rest, {"", ".", ",", "年", "년"});
}

// A month's name, or any word when so asked; a number marked as a month ("6月") when
// bNumber is set.
bool ParseMonth(std::string_view word, bool bAnyWord, bool bNumber, int& month)
{
    std::string_view rest;
    int number = 0;
    if (LeadingNumber(word, 2, number, rest)) {
        month = number;
        return bNumber && IsOneOf(rest, {"月", "월"}) && number >= 1 && number <= 12;
    }
    month = CFtpListDate::MonthOf(word);
    if (month != 0)
        return true;
    if (!bAnyWord || word.size() > 16)
        return false;
    for (const char c : word)
        if (c >= '0' && c <= '9')
            return false;
    return true;  // a month of a language not known here
}

bool ParseTimeOrYear(std::string_view word, CFtpListDate& date)
{
    if (CFtpListDate::ParseClock(word, date.hour, date.minute, date.second)) {
        date.year = 0;
        return true;
    }
    return ParseYear(word, date.year);
}

// "+0200" or "-0530": the offset of a zone from UTC, in minutes.
bool ParseZone(std::string_view word, int& minutes)
{
    int hhmm = 0;
    std::string_view rest;
    if (word.size() != 5 || (word[0] != '+' && word[0] != '-') || !LeadingNumber(word.substr(1), 4, hhmm, rest))
        return false;
    minutes = (hhmm / 100 * 60 + hhmm % 100) * (word[0] == '-' ? -1 : 1);
    return true;
}

// "2004-04-21", perhaps followed by a time of day and a zone.
std::size_t MatchIso(std::span<const std::string_view> words, CFtpListDate& date)
{
    const std::string_view w = words[0];
    std::string_view rest;
    if (w.size() != 10 || w[4] != '-' || w[7] != '-' || !LeadingNumber(w, 4, date.year, rest)
        || !LeadingNumber(w.substr(5), 2, date.month, rest) || !LeadingNumber(w.substr(8), 2, date.day, rest)
        || !rest.empty())
        return 0;
    if (words.size() < 2 || !CFtpListDate::ParseClock(words[1], date.hour, date.minute, date.second))
        return 1;
    return words.size() >= 3 && ParseZone(words[2], date.zone) ? 3 : 2;
}
}  // namespace

std::size_t CFtpListDate::Match(std::span<const std::string_view> words, bool bAnyMonthWord, CFtpListDate& date)
{
    date = CFtpListDate();
    if (words.empty())
        return 0;
    if (const std::size_t n = MatchIso(words, date); n > 0)
        return n;
    // The month first ("Okt 3 2002", "6月 3日 2003年"), or the day first ("3. Okt 2002").
    for (const bool bMonthFirst : {true, false}) {
        date = CFtpListDate();
        if (words.size() >= 3 && ParseDay(words[bMonthFirst ? 1 : 0], date.day)
            && ParseMonth(words[bMonthFirst ? 0 : 1], bAnyMonthWord, bMonthFirst, date.month)
            && ParseTimeOrYear(words[2], date))
            return 3;
    }
    date = CFtpListDate();
    return 0;
}

CTime CFtpListDate::ToTime(std::int64_t nowUtc) const
{
    CTime time;
    if (month == 0)
        return time;
    if (year != 0)
        return MakeTime(year, month, day, hour, minute, second, time) ? CTime(time.GetTime() - zone * 60) : CTime();
    // Inverse of the day count in MakeTime, for the year of nowUtc only.
    const std::int64_t z = (nowUtc >= 0 ? nowUtc : nowUtc - (kSecondsPerDay - 1)) / kSecondsPerDay + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    int guessYear = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (mp >= 10 ? 1 : 0));
    if (MakeTime(guessYear, month, day, hour, minute, second, time) && time.GetTime() > nowUtc + kSecondsPerDay)
        --guessYear;
    return MakeTime(guessYear, month, day, hour, minute, second, time) ? time : CTime();
}

bool CFtpListDate::MakeTime(int year, int month, int day, int hour, int minute, int second, CTime& time)
{
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23
        || minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    // Days since 1970-01-01 in the proleptic Gregorian calendar.
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy =
        (153 * static_cast<unsigned>(month > 2 ? month - 3 : month + 9) + 2) / 5 + static_cast<unsigned>(day) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = era * 146097 + static_cast<std::int64_t>(doe) - 719468;
    time = CTime(days * kSecondsPerDay + hour * 3600 + minute * 60 + second);
    return true;
}

bool CFtpListDate::ParseClock(std::string_view text, int& hour, int& minute, int& second)
{
    std::string_view rest;
    second = 0;
    if (!LeadingNumber(text, 2, hour, rest) || rest.size() < 2 || rest[0] != ':'
        || !LeadingNumber(rest.substr(1), 2, minute, rest))
        return false;
    if (!rest.empty()
        && (rest[0] != ':' || !LeadingNumber(rest.substr(1), 2, second, rest) || !(rest.empty() || rest[0] == '.')))
        return false;
    return hour <= 23 && minute <= 59 && second <= 60;
}

int CFtpListDate::MonthOf(std::string_view word)
{
    // Stems that begin a month's abbreviation or name: English, German, French, Spanish,
    // Italian, Portuguese, Dutch, Scandinavian, Polish, Hungarian, Russian. No stem begins
    // another month's name in any of these languages.
    static constexpr std::pair<std::string_view, int> kStems[] = {
        {"jan", 1},  {"ene", 1},  {"gen", 1},  {"sty", 1},  {"янв", 1},  {"feb", 2},  {"fév", 2},  {"fev", 2},
        {"lut", 2},  {"фев", 2},  {"mar", 3},  {"mär", 3},  {"mrz", 3},  {"mrt", 3},  {"már", 3},  {"мар", 3},
        {"apr", 4},  {"avr", 4},  {"abr", 4},  {"kwi", 4},  {"ápr", 4},  {"апр", 4},  {"may", 5},  {"mai", 5},
        {"mag", 5},  {"mei", 5},  {"maj", 5},  {"máj", 5},  {"мая", 5},  {"май", 5},  {"jun", 6},  {"juin", 6},
        {"giu", 6},  {"cze", 6},  {"jún", 6},  {"июн", 6},  {"jul", 7},  {"juil", 7}, {"lug", 7},  {"lip", 7},
        {"júl", 7},  {"июл", 7},  {"aug", 8},  {"aoû", 8},  {"ago", 8},  {"sie", 8},  {"авг", 8},  {"sep", 9},
        {"set", 9},  {"szep", 9}, {"wrz", 9},  {"сен", 9},  {"oct", 10}, {"okt", 10}, {"ott", 10}, {"out", 10},
        {"paź", 10}, {"окт", 10}, {"nov", 11}, {"lis", 11}, {"ноя", 11}, {"dec", 12}, {"dez", 12}, {"dic", 12},
        {"déc", 12}, {"gru", 12}, {"дек", 12},
    };
    while (!word.empty() && (word.back() == '.' || word.back() == ','))
        word.remove_suffix(1);
    if (word.size() > 16)
        return 0;
    for (const auto& [stem, month] : kStems) {
        if (word.size() < stem.size())
            continue;
        std::size_t i = 0;
        while (i < stem.size() && (word[i] >= 'A' && word[i] <= 'Z' ? word[i] + 32 : word[i]) == stem[i])
            ++i;
        if (i == stem.size())
            return month;
    }
    return 0;
}
