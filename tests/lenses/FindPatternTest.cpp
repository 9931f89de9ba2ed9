#include "lenses/FindPattern.h"

#include <gtest/gtest.h>

#include <string>

TEST(FindPattern, SubstringsGlobsAndPathsIgnoringTheCaseOfAsciiLetters)
{
    struct Case {
        const char* pattern;
        std::string subject;
        bool bMatches;
    };
    const Case cases[] = {
        // Substrings, anywhere in the name.
        {"iso", "Debian.ISO", true},
        {"iso", "isolinux.bin", true},
        {"ISO", "x.iso", true},
        {"iso", "is.o", false},
        {"", "anything", true},
        {"\xc3\xa9", "caf\xc3\xa9.txt", true},
        {"\xc3\x89", "caf\xc3\xa9.txt", false},  // only A-Z fold
        // Globs, over the whole name.
        {"*.iso", "a.ISO", true},
        {"*.iso", "a.iso.part", false},
        {"*.is", "a.iso", false},
        {"*", "", true},
        {"*", "any name", true},
        {"**a**", "xyzA", true},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXbY", false},
        {"a*b*c", "abcbc", true},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"?.txt", "\xc3\xa9.txt", true},  // one character of two bytes
        {"??.txt", "\xc3\xa9.txt", false},
        {"?", "", false},
        {"[abc]*", "Banana", true},
        {"[!abc]*", "banana", false},
        {"[^a-c]x", "dx", true},
        {"[a-z][0-9]", "Q7", true},
        {"[a-z][0-9]", "Q", false},
        {"[]]", "]", true},
        {"a[", "a[", true},  // never closed: itself
        {"a[", "ab", false},
        {"*\xff*", "bad\xff name", true},
        // With "/": paths relative to the directory searched.
        {"cache/*", "cache/x", true},
        {"cache/*", "cache/sub/x", true},
        {"cache/*", "a/cache/x", false},
        {"*/cache/*", "a/b/cache/x/y", true},
        {"cache/", "a/mycache/x", true},
        {"cache/", "cache.txt", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CFindPattern(c.pattern).Matches(c.subject), c.bMatches) << c.pattern << " ~ " << c.subject;

    // Each "*" forgets the one before, so a pattern of many cannot take exponential time.
    EXPECT_FALSE(CFindPattern("*a*a*a*a*a*a*a*a*a*a*b").Matches(std::string(5000, 'a')));
}

TEST(FindPattern, ANarrowerPatternMatchesOnlyWhatTheEarlierOneMatched)
{
    struct Case {
        const char* pattern;
        const char* earlier;
        bool bNarrows;
    };
    const Case cases[] = {
        {"iso", "is", true},      {".iso", "iso", true},    {"ab", "", true},        {"is", "iso", false},
        {"*.iso", "*.is", false}, {"*.ISO", "*.iso", true}, {"*.iso", "iso", false}, {"a/b", "a", false},
        {"a/bc", "a/b", true},    {"a*", "a", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CFindPattern(c.pattern).Narrows(CFindPattern(c.earlier)), c.bNarrows)
            << c.pattern << " after " << c.earlier;
}
