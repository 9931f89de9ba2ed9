#include "FindPattern.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t npos = std::string_view::npos;

constexpr std::array<unsigned char, 256> kFold = [] {
    std::array<unsigned char, 256> fold{};
    for (std::size_t c = 0; c < fold.size(); ++c)
        fold[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return fold;
}();

unsigned char Fold(char c) { return kFold[static_cast<unsigned char>(c)]; }

bool ContainsFolded(std::string_view subject, std::string_view lower)
{
    if (lower.empty())
        return true;
    if (lower.size() > subject.size())
        return false;
    const unsigned char first = static_cast<unsigned char>(lower[0]);
    const std::size_t nLast = subject.size() - lower.size();
    for (std::size_t i = 0; i <= nLast; ++i) {
        if (Fold(subject[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < lower.size() && Fold(subject[i + k]) == static_cast<unsigned char>(lower[k]))
            ++k;
        if (k == lower.size())
            return true;
    }
    return false;
}

bool EqualsFolded(std::string_view subject, std::string_view lower)
{
    return std::equal(subject.begin(), subject.end(), lower.begin(), lower.end(),
                      [](char s, char l) { return Fold(s) == static_cast<unsigned char>(l); });
}

// Bytes of the character starting at i: a UTF-8 lead byte takes its continuation bytes
// along; anything else (ASCII, a stray byte) is one.
std::size_t CharLength(std::string_view s, std::size_t i)
{
    std::size_t n = 1;
    if (static_cast<unsigned char>(s[i]) >= 0xC0)
        while (i + n < s.size() && n < 4 && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80)
            ++n;
    return n;
}

// Where the set opened by the "[" at p closes, or npos when it never does.
std::size_t SetEnd(std::string_view pattern, std::size_t p)
{
    std::size_t q = p + 1;
    if (q < pattern.size() && (pattern[q] == '!' || pattern[q] == '^'))
        ++q;
    if (q < pattern.size() && pattern[q] == ']')
        ++q;
    return pattern.find(']', q);
}

bool InSet(std::string_view pattern, std::size_t p, std::size_t end, unsigned char c)
{
    std::size_t q = p + 1;
    const bool bNegated = pattern[q] == '!' || pattern[q] == '^';
    if (bNegated)
        ++q;
    bool bIn = false;
    while (q < end && !bIn) {
        const auto low = static_cast<unsigned char>(pattern[q]);
        if (q + 2 < end && pattern[q + 1] == '-') {
            bIn = c >= low && c <= static_cast<unsigned char>(pattern[q + 2]);
            q += 3;
        } else {
            bIn = c == low;
            ++q;
        }
    }
    return bIn != bNegated;
}

// Matches the one pattern item at p (not "*") against the subject at i; on success moves
// both past what matched.
bool Step(std::string_view pattern, std::size_t& p, std::string_view subject, std::size_t& i)
{
    const char item = pattern[p];
    if (item == '?') {
        i += CharLength(subject, i);
        ++p;
        return true;
    }
    if (item == '[') {
        if (const std::size_t end = SetEnd(pattern, p); end != npos) {
            if (!InSet(pattern, p, end, Fold(subject[i])))
                return false;
            p = end + 1;
            ++i;
            return true;
        }
    }
    if (Fold(subject[i]) != static_cast<unsigned char>(item))
        return false;
    ++p;
    ++i;
    return true;
}

}  // namespace

CFindPattern::CFindPattern(std::string_view text) : m_text(text), m_lower(text)
{
    std::transform(m_lower.begin(), m_lower.end(), m_lower.begin(), [](char c) { return static_cast<char>(Fold(c)); });
    m_bGlob = m_text.find_first_of("*?[") != npos;
    m_bPaths = m_text.find('/') != npos;
    if (m_bGlob) {
        m_nHead = m_lower.find_first_of("*?[");
        const std::size_t star = m_lower.rfind('*');
        if (star != npos && m_lower.find_first_of("?[", star) == npos)
            m_nTail = m_lower.size() - star - 1;
    }
}

bool CFindPattern::Matches(std::string_view subject) const
{
    return m_bGlob ? MatchesGlob(subject) : ContainsFolded(subject, m_lower);
}

// Left to right, remembering the last "*": on a mismatch it takes one byte more and the
// rest of the pattern is tried again from there. Each "*" forgets the one before (whatever
// that one matched, the later can take over), so the cost is at most the lengths' product,
// never exponential.
bool CFindPattern::MatchesGlob(std::string_view subject) const
{
    const std::string_view pattern = m_lower;
    if (subject.size() < m_nHead + m_nTail || !EqualsFolded(subject.substr(0, m_nHead), pattern.substr(0, m_nHead))
        || !EqualsFolded(subject.substr(subject.size() - m_nTail), pattern.substr(pattern.size() - m_nTail)))
        return false;
    std::size_t p = 0, i = 0;
    std::size_t afterStar = npos, starFrom = 0;
    for (;;) {
        if (p < pattern.size() && pattern[p] == '*') {
            afterStar = ++p;
            starFrom = i;
            continue;
        }
        if (p == pattern.size() && i == subject.size())
            return true;
        if (p < pattern.size() && i < subject.size()) {
            std::size_t np = p, ni = i;
            if (Step(pattern, np, subject, ni)) {
                p = np;
                i = ni;
                continue;
            }
        }
        if (afterStar == npos || starFrom >= subject.size())
            return false;
        p = afterStar;
        i = ++starFrom;
    }
}

bool CFindPattern::Narrows(const CFindPattern& earlier) const
{
    if (m_bPaths != earlier.m_bPaths)
        return false;
    if (m_bGlob == earlier.m_bGlob && m_lower == earlier.m_lower)
        return true;
    return !m_bGlob && !earlier.m_bGlob && m_lower.find(earlier.m_lower) != npos;
}
