#pragma once
#include "Entry.h"

#include <cstddef>
#include <vector>

// Walks over trees that the comparison of two searches and the marks share.

namespace tree_walk_detail {
inline bool SameItem(const CEntry& a, const CEntry& b)
{
    return a.GetName() == b.GetName() && a.IsDirectory() == b.IsDirectory();
}

// Children whose names differ only in case sort as equals (CompareNames folds A-Z), in no
// fixed order among themselves: such a run on each side is matched byte for byte. Runs are
// a name or two long, so the pairs are simply tried.
template <class Visit>
void MatchRun(const CEntryChildren& a, std::size_t i, std::size_t iEnd, const CEntryChildren& b, std::size_t j,
              std::size_t jEnd, Visit& visit)
{
    std::vector<bool> taken(jEnd - j, false);
    for (; i < iEnd; ++i) {
        bool bMatched = false;
        for (std::size_t k = j; k < jEnd && !bMatched; ++k) {
            if (taken[k - j] || a[i]->GetName() != b[k]->GetName())
                continue;
            taken[k - j] = true;  // the same name, matched or not, is never matched again
            bMatched = a[i]->IsDirectory() == b[k]->IsDirectory();
            if (bMatched)
                visit(a[i], b[k]);
            else
                visit(nullptr, b[k]);
        }
        if (!bMatched)
            visit(a[i], nullptr);
    }
    for (std::size_t k = j; k < jEnd; ++k)
        if (!taken[k - j])
            visit(nullptr, b[k]);
}

inline std::size_t RunEnd(const CEntryChildren& children, std::size_t i)
{
    std::size_t end = i + 1;
    while (end < children.size() && CompareNames(children[end]->GetName(), children[i]->GetName()) == 0)
        ++end;
    return end;
}

}  // namespace tree_walk_detail

// One merge walk over two directories' children, both sorted by CompareNames: visit gets
// (earlier, current) for a match, (earlier, null) for an item gone, (null, current) for
// a new one.
template <class Visit> void MatchChildren(const CEntry& earlier, const CEntry& current, Visit visit)
{
    const CEntryChildren& a = earlier.GetChildren();
    const CEntryChildren& b = current.GetChildren();
    std::size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        const int order = i == a.size() ? 1 : j == b.size() ? -1 : CompareNames(a[i]->GetName(), b[j]->GetName());
        if (order < 0) {
            visit(a[i++], nullptr);
        } else if (order > 0) {
            visit(nullptr, b[j++]);
        } else {
            const std::size_t iEnd = tree_walk_detail::RunEnd(a, i), jEnd = tree_walk_detail::RunEnd(b, j);
            if (iEnd == i + 1 && jEnd == j + 1 && tree_walk_detail::SameItem(*a[i], *b[j]))
                visit(a[i], b[j]);
            else
                tree_walk_detail::MatchRun(a, i, iEnd, b, j, jEnd, visit);
            i = iEnd;
            j = jEnd;
        }
    }
}

// Visits the item and everything below it, without recursion.
template <class Visit> void ForEachBelow(const CEntry& top, Visit visit)
{
    std::vector<const CEntry*> pending{&top};
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        visit(*p);
        pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
    }
}
