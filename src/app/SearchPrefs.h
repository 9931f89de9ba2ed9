#pragma once
#include "doc/ExcludeRules.h"

// The "Search" preferences, section "Search" of the settings beside the others: what local
// searches leave out. Patterns are kept as the bytes they were given, so a pattern for a
// name that is not UTF-8 survives the settings file. Read at start-up, written at exit.
class CSearchPrefs {
public:
    static constexpr std::size_t kMaxPatterns = 1000;  // a settings file is not trusted
    static constexpr std::size_t kMaxPatternBytes = 4096;

    // Reads Exclude, ExcludeCaches, OneFileSystem and NetworkFileSystems; what is missing or
    // unreadable gives nothing left out, on one file system.
    void Load();
    void Save() const;

    CExcludeRules m_rules;
};
