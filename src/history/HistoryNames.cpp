#include "HistoryNames.h"

#include "sys/HexDigit.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>

namespace {
constexpr std::string_view kKeptSuffix = ".json.gz";
constexpr std::string_view kHashedPrefix = "h-";
constexpr std::size_t kMaxFolderName = NAME_MAX;
constexpr std::int64_t kFirstSecond = 0;  // 1970-01-01T00:00:00Z
constexpr std::int64_t kLastSecond = 253402300799;  // 9999-12-31T23:59:59Z: four-digit years

bool IsPlain(unsigned char c) { return c > 0x20 && c < 0x7F && c != '/' && c != '%'; }

// FNV-1a, 64 bits: only to spread roots over folder names; the root file inside tells
// roots with the same hash apart.
std::uint64_t Hash(std::string_view bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

void AppendDigits(std::string& out, long long n, int nWidth)
{
    std::string digits = std::to_string(n);
    out.append(static_cast<std::size_t>(std::max<int>(0, nWidth - static_cast<int>(digits.size()))), '0');
    out += digits;
}

bool TakeNumber(std::string_view& s, std::int64_t& n)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc{} || n < 0)
        return false;
    s.remove_prefix(static_cast<std::size_t>(end - s.data()));
    return true;
}

// "YYYYMMDDTHHMMSSZ" into seconds; only what KeptFileName writes is checked later, by
// writing it again.
bool ParseTime(std::string_view s, std::int64_t& nSeconds)
{
    if (s.size() != 16 || s[8] != 'T' || s[15] != 'Z')
        return false;
    auto field = [s](std::size_t pos, std::size_t len, int& value) {
        const auto [end, ec] = std::from_chars(s.data() + pos, s.data() + pos + len, value);
        return ec == std::errc{} && end == s.data() + pos + len;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    if (!field(0, 4, y) || !field(4, 2, mo) || !field(6, 2, d) || !field(9, 2, h) || !field(11, 2, mi)
        || !field(13, 2, se))
        return false;
    using namespace std::chrono;
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || se > 59)
        return false;
    nSeconds = sys_days{date}.time_since_epoch().count() * 86400LL + h * 3600LL + mi * 60LL + se;
    return true;
}
}  // namespace

std::string_view HistoryRootKey(std::string_view root)
{
    while (root.size() > 1 && root.back() == '/')
        root.remove_suffix(1);
    return root;
}

std::string EscapedFolderName(std::string_view root)
{
    root = HistoryRootKey(root);
    if (root.empty() || root.front() != '/')
        return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : root) {
        const auto u = static_cast<unsigned char>(c);
        if (IsPlain(u)) {
            name += c;
        } else {
            name += '%';
            name += kHex[u >> 4];
            name += kHex[u & 15];
        }
        if (name.size() > kMaxFolderName)
            return {};
    }
    return name;
}

bool RootOfEscapedName(std::string_view name, std::string& root)
{
    std::string bytes;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') {
            bytes += name[i];
            continue;
        }
        const int hi = i + 2 < name.size() ? HexValue(name[i + 1]) : -1;
        const int lo = i + 2 < name.size() ? HexValue(name[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            return false;
        bytes += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    // Lower-case digits, a byte escaped that needs none, or one left plain that does not:
    // not a name of ours.
    if (EscapedFolderName(bytes) != name)
        return false;
    root = std::move(bytes);
    return true;
}

std::string HashedFolderName(std::string_view root, int nTry)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name(kHashedPrefix);
    const std::uint64_t h = Hash(HistoryRootKey(root));
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kHex[(h >> shift) & 15];
    if (nTry > 1)
        name += "-" + std::to_string(nTry);
    return name;
}

bool IsHashedFolderName(std::string_view name)
{
    if (name.size() < kHashedPrefix.size() + 16 || name.substr(0, kHashedPrefix.size()) != kHashedPrefix)
        return false;
    const std::string_view digits = name.substr(kHashedPrefix.size(), 16);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
        return false;
    const std::string_view rest = name.substr(kHashedPrefix.size() + 16);
    if (rest.empty())
        return true;
    std::string_view digitsOfTry = rest.substr(1);
    std::int64_t nTry = 0;
    return rest[0] == '-' && !digitsOfTry.empty() && digitsOfTry[0] != '0' && TakeNumber(digitsOfTry, nTry)
        && digitsOfTry.empty() && nTry > 1;
}

std::string KeptFileName(const CKeptName& kept)
{
    using namespace std::chrono;
    const std::int64_t t = std::clamp(kept.nFinished, kFirstSecond, kLastSecond);
    const sys_days days{std::chrono::days{t / 86400}};
    const year_month_day date{days};
    const std::int64_t s = t % 86400;
    std::string name;
    AppendDigits(name, static_cast<int>(date.year()), 4);
    AppendDigits(name, static_cast<unsigned>(date.month()), 2);
    AppendDigits(name, static_cast<unsigned>(date.day()), 2);
    name += 'T';
    AppendDigits(name, s / 3600, 2);
    AppendDigits(name, s / 60 % 60, 2);
    AppendDigits(name, s % 60, 2);
    name += "Z-" + std::to_string(std::max<std::int64_t>(kept.nLength, 0)) + "-"
        + std::to_string(std::max<std::int64_t>(kept.nDiskSize, 0));
    name += kKeptSuffix;
    return name;
}

bool ParseKeptFileName(std::string_view name, CKeptName& kept)
{
    if (name.size() < 16 + kKeptSuffix.size() || name.substr(name.size() - kKeptSuffix.size()) != kKeptSuffix)
        return false;
    CKeptName parsed;
    std::string_view rest = name.substr(16, name.size() - 16 - kKeptSuffix.size());
    if (!ParseTime(name.substr(0, 16), parsed.nFinished) || rest.empty() || rest[0] != '-')
        return false;
    rest.remove_prefix(1);
    if (!TakeNumber(rest, parsed.nLength) || rest.empty() || rest[0] != '-')
        return false;
    rest.remove_prefix(1);
    if (!TakeNumber(rest, parsed.nDiskSize) || !rest.empty())
        return false;
    // Leading zeros, a year before 1970: written again, it would not be this name.
    if (KeptFileName(parsed) != name)
        return false;
    kept = parsed;
    return true;
}

bool IsTemporaryName(std::string_view name)
{
    // CAtomicFile's ".volra-XXXXXX", the Xs from mkostemp's letters and digits.
    constexpr std::string_view kPrefix = ".volra-";
    return name.size() == kPrefix.size() + 6 && name.substr(0, kPrefix.size()) == kPrefix;
}
