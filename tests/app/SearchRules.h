#pragma once
#include "doc/ExcludeRules.h"

#include <string>
#include <utility>
#include <vector>

// A cache directory's tag, as the cache directory convention writes it.
inline constexpr char kCacheTag[] = "Signature: 8a477f597d28d172789f06886806bc55\n# a cache\n";

// Sets the rules every search started meanwhile keeps to, and puts back none after.
struct ScopedRules {
    explicit ScopedRules(CExcludeRules rules) { CExcludeRules::SetForSearches(std::move(rules)); }
    ~ScopedRules() { CExcludeRules::SetForSearches({}); }
};

inline CExcludeRules Rules(std::vector<std::string> patterns, bool bCaches = false, bool bCross = false)
{
    CExcludeRules rules;
    rules.patterns = std::move(patterns);
    rules.bExcludeCaches = bCaches;
    rules.bCrossFileSystems = bCross;
    return rules;
}
