#pragma once
#include "Entry.h"

#include <cstdint>
#include <unordered_map>

// How many files lie below each directory, at any depth (1 for a file): what the list's
// Items column and the tree panel's counts show. The tree keeps no count of its own (an
// entry's size matters on millions of them): a directory is counted when first asked for,
// together with every directory below it, and the counts are kept until the tree changes
// (Clear), so a sort by Items or a panel full of counts walks the tree once.
class CItemCounts {
public:
    std::uint64_t Of(const CEntry& entry);
    // The tree changed: every count may be wrong.
    void Clear() { m_counts.clear(); }

private:
    std::unordered_map<const CEntry*, std::uint64_t> m_counts;  // directories only; not owned
};
