#include "ExcludeRules.h"

#include <fnmatch.h>

namespace {
CExcludeRules& Shared()
{
    static CExcludeRules rules;
    return rules;
}

bool MatchesPattern(const std::string& pattern, const std::string& path)
{
    if (::fnmatch(pattern.c_str(), path.c_str(), 0) == 0)
        return true;
    for (std::size_t i = 0; i + 1 < path.size(); ++i)
        if (path[i] == '/' && path[i + 1] != '/' && ::fnmatch(pattern.c_str(), path.c_str() + i + 1, 0) == 0)
            return true;
    return false;
}
}  // namespace

bool CExcludeRules::Matches(std::string_view path) const
{
    if (patterns.empty())
        return false;
    // fnmatch wants NUL-terminated text: a name holding a NUL byte cannot exist on disk.
    const std::string text(path);
    for (const std::string& pattern : patterns)
        if (!pattern.empty() && MatchesPattern(pattern, text))
            return true;
    return false;
}

CExcludeRules CExcludeRules::JoinedWith(const CExcludeRules& other) const
{
    CExcludeRules joined = *this;
    joined.patterns.insert(joined.patterns.end(), other.patterns.begin(), other.patterns.end());
    joined.bExcludeCaches = bExcludeCaches || other.bExcludeCaches;
    joined.bCrossFileSystems = bCrossFileSystems || other.bCrossFileSystems;
    joined.bNetworkFileSystems = bNetworkFileSystems || other.bNetworkFileSystems;
    return joined;
}

const CExcludeRules& CExcludeRules::ForSearches() { return Shared(); }

void CExcludeRules::SetForSearches(CExcludeRules rules) { Shared() = std::move(rules); }
