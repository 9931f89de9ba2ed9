#include "FtpListParser.h"

#include "FtpListDate.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <utility>

namespace {
// Words of a Unix line looked at for its date: enough for owners and groups with spaces.
constexpr std::size_t kMaxUnixWords = 32;

struct Token {
    std::string_view text;
    std::size_t end;  // offset just past the token in its line
};

std::vector<Token> Tokenize(std::string_view line, std::size_t maxTokens)
{
    std::vector<Token> tokens;
    tokens.reserve(std::min<std::size_t>(maxTokens, 16));
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

template <class T> bool ParseNumber(std::string_view text, T& value)
{
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
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
    return CFtpListDate::MakeTime(f[0], f[1], f[2], f[3], f[4], f[5], time);
}

// "01-16-24", "01/16/2024" (month first), "16.01.2024" (day first) or "2024-01-16".
bool ParseDosDate(std::string_view date, int& year, int& month, int& day)
{
    if (date.size() == 10 && date[4] == '-' && date[7] == '-')
        return ParseNumber(date.substr(0, 4), year) && ParseNumber(date.substr(5, 2), month)
            && ParseNumber(date.substr(8, 2), day);
    if ((date.size() != 8 && date.size() != 10) || (date[2] != '-' && date[2] != '/' && date[2] != '.')
        || date[5] != date[2] || !ParseNumber(date.substr(0, 2), month) || !ParseNumber(date.substr(3, 2), day)
        || !ParseNumber(date.substr(6), year))
        return false;
    if (date[2] == '.')
        std::swap(month, day);
    if (date.size() == 8)
        year += year < 70 ? 2000 : 1900;
    return true;
}

// A size as a listing gives it: a number of bytes, or something else in its place
// ("-5", "12abc", more than 2^63) that stands for an item whose size cannot be known.
bool LooksLikeSize(std::string_view text)
{
    const std::size_t digit = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    return digit < text.size() && text[digit] >= '0' && text[digit] <= '9';
}

// The size of an item, 0 when it cannot be known: such an item is still listed, as MLSD
// lists an item whose size fact it cannot read.
std::int64_t SizeOf(std::string_view text)
{
    std::int64_t size = 0;
    return ParseNumber(text, size) && size >= 0 ? size : 0;
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

// "drwxr-xr-x   2 owner group  4096 Jan 02 03:04 a name": read by its structure, since
// the columns vary between servers (no group, an ACL mark glued to the link count, owners
// with spaces) and the date speaks the server's language. The date is the first run of
// words shaped as one that follows something shaped as a size; dates with a month name
// known here are looked for first, then with any word as the month. The name is
// everything after the one space that follows the date.
bool CFtpListParser::ParseUnixLine(std::string_view line, CFtpItem& item, std::int64_t nowUtc)
{
    constexpr std::string_view kTypes = "-dlcbpsD";
    if (line.size() < 10 || kTypes.find(line[0]) == std::string_view::npos)
        return false;
    const std::vector<Token> tokens = Tokenize(line, kMaxUnixWords);
    std::vector<std::string_view> words;
    words.reserve(tokens.size());
    for (const Token& token : tokens)
        words.push_back(token.text);
    for (const bool bAnyMonthWord : {false, true}) {
        for (std::size_t i = 2; i < words.size(); ++i) {
            CFtpListDate date;
            if (!LooksLikeSize(words[i - 1]))
                continue;
            const std::size_t n = CFtpListDate::Match(std::span(words).subspan(i), bAnyMonthWord, date);
            if (n == 0)
                continue;
            const std::size_t nameStart = tokens[i + n - 1].end + 1;
            if (nameStart >= line.size())
                return false;
            std::string_view name = line.substr(nameStart);
            if (line[0] == 'l')
                name = name.substr(0, name.find(" -> "));  // the link itself, not its target
            item.directory = line[0] == 'd' || line[0] == 'D';
            item.size = item.directory ? 0 : SizeOf(words[i - 1]);
            item.modified = date.ToTime(nowUtc);
            return AcceptName(name, item);
        }
    }
    return false;
}

// "01-16-24  11:14AM       <DIR>          a name" or "... 1234 a name"; the date may also
// be "2002-09-02" or "16.01.2024", the time twelve or twenty-four hours.
bool CFtpListParser::ParseDosLine(std::string_view line, CFtpItem& item)
{
    const std::vector<Token> tokens = Tokenize(line, 3);
    if (tokens.size() < 3)
        return false;
    int month = 0, day = 0, year = 0;
    if (!ParseDosDate(tokens[0].text, year, month, day))
        return false;
    std::string_view clock = tokens[1].text;
    int hour = 0, minute = 0, second = 0;
    bool pm = false, am = false;
    if (clock.size() > 2) {
        const std::string_view suffix = clock.substr(clock.size() - 2);
        pm = EqualsNoCase(suffix, "PM");
        am = EqualsNoCase(suffix, "AM");
        if (pm || am)
            clock.remove_suffix(2);
    }
    if (!CFtpListDate::ParseClock(clock, hour, minute, second) || ((pm || am) && (hour < 1 || hour > 12)))
        return false;
    if (pm || am)
        hour = hour % 12 + (pm ? 12 : 0);
    if (!CFtpListDate::MakeTime(year, month, day, hour, minute, second, item.modified))
        return false;
    const std::string_view what = tokens[2].text;
    item.directory = EqualsNoCase(what, "<DIR>");
    if (!item.directory && !LooksLikeSize(what))
        return false;
    item.size = item.directory ? 0 : SizeOf(what);
    const std::size_t nameStart = line.find_first_not_of(" \t", tokens[2].end);
    if (nameStart == std::string_view::npos)
        return false;
    return AcceptName(line.substr(nameStart), item);
}
