#include "FtpListParser.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {
constexpr std::int64_t kSecondsPerDay = 86400;

struct Token {
    std::string_view text;
    std::size_t end;  // offset just past the token in its line
};

std::vector<Token> Tokenize(std::string_view line, std::size_t maxTokens)
{
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (tokens.size() < maxTokens) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string_view::npos)
            break;
        std::size_t end = line.find_first_of(" \t", pos);
        if (end == std::string_view::npos)
            end = line.size();
        tokens.push_back({line.substr(pos, end - pos), end});
        pos = end;
    }
    return tokens;
}

template <class T>
bool ParseNumber(std::string_view text, T& value)
{
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar (month 1-12).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool MakeTime(int year, int month, int day, int hour, int minute, int second, CTime& time)
{
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23
        || minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    time = CTime(days * kSecondsPerDay + hour * 3600 + minute * 60 + second);
    return true;
}

int YearOf(std::int64_t utc)
{
    // Inverse of DaysFromCivil, year only.
    const std::int64_t z = (utc >= 0 ? utc : utc - (kSecondsPerDay - 1)) / kSecondsPerDay + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    return static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (mp >= 10 ? 1 : 0));
}

// A name that can be one item of a directory.
bool AcceptName(std::string_view name, CFtpItem& item)
{
    if (name.empty() || name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return false;
    item.name.assign(name);
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

int MonthOf(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    for (std::size_t i = 0; i < kMonths.size(); ++i)
        if (EqualsNoCase(text, kMonths[i]))
            return static_cast<int>(i) + 1;
    return 0;
}

// "YYYYMMDDHHMMSS" with optional fractions, as MLSD's modify fact gives it (UTC).
bool ParseFactTime(std::string_view text, CTime& time)
{
    int f[6] = {};
    constexpr std::size_t kWidths[6] = {4, 2, 2, 2, 2, 2};
    std::size_t pos = 0;
    for (int i = 0; i < 6; ++i) {
        if (pos + kWidths[i] > text.size() || !ParseNumber(text.substr(pos, kWidths[i]), f[i]))
            return false;
        pos += kWidths[i];
    }
    return MakeTime(f[0], f[1], f[2], f[3], f[4], f[5], time);
}

// "HH:MM" (or "HH:MM:SS"); the Unix listing's time of day.
bool ParseClock(std::string_view text, int& hour, int& minute)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string_view rest = text.substr(colon + 1);
    rest = rest.substr(0, rest.find(':'));
    return ParseNumber(text.substr(0, colon), hour) && ParseNumber(rest, minute);
}
}  // namespace

std::vector<CFtpItem> CFtpListParser::ParseListing(std::string_view data, bool bMlsd, std::int64_t nowUtc)
{
    std::vector<CFtpItem> items;
    while (!data.empty()) {
        const std::size_t eol = data.find('\n');
        std::string_view line = data.substr(0, eol);
        data = eol == std::string_view::npos ? std::string_view() : data.substr(eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        CFtpItem item;
        if (bMlsd ? ParseMlsdLine(line, item) : ParseListLine(line, item, nowUtc))
            items.push_back(std::move(item));
    }
    return items;
}

// "type=file;size=6;modify=20240102030405; a name": facts, one space, the name.
bool CFtpListParser::ParseMlsdLine(std::string_view line, CFtpItem& item)
{
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return false;
    std::string_view facts = line.substr(0, space);
    bool typed = false;
    item = CFtpItem();
    while (!facts.empty()) {
        const std::size_t semi = facts.find(';');
        const std::string_view fact = facts.substr(0, semi);
        facts = semi == std::string_view::npos ? std::string_view() : facts.substr(semi + 1);
        const std::size_t eq = fact.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = fact.substr(0, eq);
        const std::string_view value = fact.substr(eq + 1);
        if (EqualsNoCase(key, "type")) {
            if (EqualsNoCase(value, "cdir") || EqualsNoCase(value, "pdir"))
                return false;  // the directory itself and its parent
            item.directory = EqualsNoCase(value, "dir");
            typed = true;
        } else if (EqualsNoCase(key, "size")) {
            std::int64_t size = 0;
            if (ParseNumber(value, size) && size >= 0)
                item.size = size;
        } else if (EqualsNoCase(key, "modify")) {
            ParseFactTime(value, item.modified);
        } else if (EqualsNoCase(key, "unique")) {
            item.unique.assign(value);
        }
    }
    if (!typed)
        return false;
    if (item.directory)
        item.size = 0;
    return AcceptName(line.substr(space + 1), item);
}

bool CFtpListParser::ParseListLine(std::string_view line, CFtpItem& item, std::int64_t nowUtc)
{
    if (line.empty())
        return false;
    if (line[0] >= '0' && line[0] <= '9')
        return ParseDosLine(line, item);
    return ParseUnixLine(line, item, nowUtc);
}

// "drwxr-xr-x   2 owner group  4096 Jan 02 03:04 a name": the date is found by its shape
// (a month, a day, a time or year, after a number), since owner and group columns vary
// between servers; the name is everything after the one space that follows the date.
bool CFtpListParser::ParseUnixLine(std::string_view line, CFtpItem& item, std::int64_t nowUtc)
{
    constexpr std::string_view kTypes = "-dlcbpsD";
    if (line.size() < 10 || kTypes.find(line[0]) == std::string_view::npos)
        return false;
    const std::vector<Token> tokens = Tokenize(line, 12);
    for (std::size_t i = 3; i + 2 < tokens.size(); ++i) {
        const int month = MonthOf(tokens[i].text);
        int day = 0;
        std::int64_t size = 0;
        if (month == 0 || !ParseNumber(tokens[i + 1].text, day) || day < 1 || day > 31
            || !ParseNumber(tokens[i - 1].text, size) || size < 0)
            continue;
        int year = 0, hour = 0, minute = 0;
        const std::string_view yearOrTime = tokens[i + 2].text;
        const bool hasClock = ParseClock(yearOrTime, hour, minute);
        if (!hasClock && !ParseNumber(yearOrTime, year))
            continue;
        if (hasClock) {
            year = YearOf(nowUtc);
            CTime guess;
            if (MakeTime(year, month, day, hour, minute, 0, guess) && guess.GetTime() > nowUtc + kSecondsPerDay)
                --year;
        }
        if (!MakeTime(year, month, day, hour, minute, 0, item.modified))
            item.modified = CTime();
        const std::size_t nameStart = tokens[i + 2].end + 1;
        if (nameStart > line.size())
            return false;
        std::string_view name = line.substr(nameStart);
        if (line[0] == 'l')
            name = name.substr(0, name.find(" -> "));  // the link itself, not its target
        item.directory = line[0] == 'd' || line[0] == 'D';
        item.size = item.directory ? 0 : size;
        return AcceptName(name, item);
    }
    return false;
}

// "01-16-24  11:14AM       <DIR>          a name" or "... 1234 a name"; the year may have two
// or four digits, the time twelve or twenty-four hours.
bool CFtpListParser::ParseDosLine(std::string_view line, CFtpItem& item)
{
    const std::vector<Token> tokens = Tokenize(line, 3);
    if (tokens.size() < 3)
        return false;
    const std::string_view date = tokens[0].text;
    int month = 0, day = 0, year = 0;
    if (date.size() < 8 || (date[2] != '-' && date[2] != '/') || date[5] != date[2]
        || !ParseNumber(date.substr(0, 2), month) || !ParseNumber(date.substr(3, 2), day)
        || !ParseNumber(date.substr(6), year) || (date.size() != 8 && date.size() != 10))
        return false;
    if (date.size() == 8)
        year += year < 70 ? 2000 : 1900;
    std::string_view clock = tokens[1].text;
    int hour = 0, minute = 0;
    bool pm = false, am = false;
    if (clock.size() > 2) {
        const std::string_view suffix = clock.substr(clock.size() - 2);
        pm = EqualsNoCase(suffix, "PM");
        am = EqualsNoCase(suffix, "AM");
        if (pm || am)
            clock.remove_suffix(2);
    }
    if (!ParseClock(clock, hour, minute) || ((pm || am) && (hour < 1 || hour > 12)))
        return false;
    if (pm || am)
        hour = hour % 12 + (pm ? 12 : 0);
    if (!MakeTime(year, month, day, hour, minute, 0, item.modified))
        return false;
    const std::string_view what = tokens[2].text;
    item.directory = EqualsNoCase(what, "<DIR>");
    item.size = 0;
    if (!item.directory && (!ParseNumber(what, item.size) || item.size < 0))
        return false;
    const std::size_t nameStart = line.find_first_not_of(" \t", tokens[2].end);
    if (nameStart == std::string_view::npos)
        return false;
    return AcceptName(line.substr(nameStart), item);
}
