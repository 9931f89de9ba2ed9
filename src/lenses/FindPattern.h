#pragma once
#include <string>
#include <string_view>

// What the user typed into Find, ready to match names or paths, ignoring the case of A-Z.
//
// Without any of "*", "?" and "[" the pattern is a substring: a name matches when it holds
// it anywhere ("iso" finds "Debian.ISO" and "isolinux.bin"; the empty pattern, every name).
// With one of them it is a glob, matched against the whole name: "*" any run of bytes,
// "?" any one character (a UTF-8 sequence counts as one), "[abc]", "[a-z]", "[!a-z]" or
// "[^a-z]" one byte in or not in the set ("]" first in the set stands for itself, a "["
// never closed for itself). Names are bytes: nothing is decoded, and a byte that is not
// ASCII matches only itself.
//
// A pattern holding "/" matches paths relative to the directory searched rather than
// names, and its "*" runs across "/": "cache/" finds every file below any directory whose
// name ends in "cache"; "cache/*" every file below the subdirectory cache; "*/cache/*"
// every file below a directory cache at any depth under it.
class CFindPattern {
public:
    explicit CFindPattern(std::string_view text = {});

    const std::string& GetText() const { return m_text; }
    bool IsGlob() const { return m_bGlob; }
    bool IsOverPaths() const { return m_bPaths; }
    // Whether a name (or, IsOverPaths, a relative path) matches.
    bool Matches(std::string_view subject) const;
    // Whether every subject this pattern matches, earlier matches too, so that a search for
    // this one may look among earlier's matches alone: the same pattern, or (typing on)
    // substrings over the same subjects, this one holding earlier's.
    bool Narrows(const CFindPattern& earlier) const;

private:
    bool MatchesGlob(std::string_view subject) const;

    std::string m_text;  // as typed
    std::string m_lower;  // A-Z lower-cased: what subjects are compared with
    bool m_bGlob = false;
    bool m_bPaths = false;
    // A glob's plain bytes before its first wildcard, and after its last "*" when no "?"
    // or "[" follows it: most subjects fail on these alone ("*.iso"), before any "*" is
    // tried.
    std::size_t m_nHead = 0;
    std::size_t m_nTail = 0;  // the last bytes of m_lower; 0 when there is nothing to check
};
