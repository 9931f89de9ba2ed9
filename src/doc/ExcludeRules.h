#pragma once
#include "sys/FileSystemKind.h"

#include <string>
#include <string_view>
#include <vector>

// What a search leaves out: items whose name or path matches a pattern, and (if asked)
// directories that a CACHEDIR.TAG marks as caches. An item left out stays in the tree with
// nothing counted, shown as excluded. Patterns are bytes, as the names they match.
// Besides, whether the search stays on its root's file system: a mount point it does not
// enter is kept as a directory of another file system, without children.
class CExcludeRules {
public:
    std::vector<std::string> patterns;  // shell patterns (fnmatch), as ncdu's --exclude
    bool bExcludeCaches = false;
    bool bCrossFileSystems = false;  // go into other file systems, never pseudo ones
    bool bNetworkFileSystems = false;  // ... network ones too (only while crossing)

    bool IsEmpty() const { return patterns.empty() && !bExcludeCaches; }
    // Which file systems below the root the search enters.
    CFsCrossing Crossing() const { return {bCrossFileSystems, bCrossFileSystems && bNetworkFileSystems}; }
    // Whether the item at path (a whole path, "/" between names) is left out: a pattern
    // matches the whole path or any tail of it that starts after a "/", so "*.o" leaves
    // out every object file and "build/tmp" that folder wherever it is.
    bool Matches(std::string_view path) const;
    // These rules and other's together: either's crossing of file systems too.
    CExcludeRules JoinedWith(const CExcludeRules& other) const;

    // The rules every local search started from now on keeps to: the preferences' and the
    // command line's together, set by the application.
    static const CExcludeRules& ForSearches();
    static void SetForSearches(CExcludeRules rules);
};
