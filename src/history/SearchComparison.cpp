#include "SearchComparison.h"

#include "model/EntryArena.h"

#include <algorithm>
#include <utility>

namespace {
bool SameItem(const CEntry& a, const CEntry& b)
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

std::size_t RunEnd(const CEntryChildren& children, std::size_t i)
{
    std::size_t end = i + 1;
    while (end < children.size() && CompareNames(children[end]->GetName(), children[i]->GetName()) == 0)
        ++end;
    return end;
}

// One merge walk over two directories' children, both sorted by CompareNames: visit gets
// (earlier, current) for a match, (earlier, null) for an item gone, (null, current) for
// a new one.
template <class Visit> void WalkChildren(const CEntry& earlier, const CEntry& current, Visit visit)
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
            const std::size_t iEnd = RunEnd(a, i), jEnd = RunEnd(b, j);
            if (iEnd == i + 1 && jEnd == j + 1 && SameItem(*a[i], *b[j]))
                visit(a[i], b[j]);
            else
                MatchRun(a, i, iEnd, b, j, jEnd, visit);
            i = iEnd;
            j = jEnd;
        }
    }
}

// The item and everything below it.
std::size_t CountItems(const CEntry& top)
{
    std::size_t n = 0;
    std::vector<const CEntry*> pending{&top};
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        ++n;
        pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
    }
    return n;
}

// How many places the current tree's entries reach into their arena: the array by place
// is cut to that, rather than to every place the arena has made ready.
std::size_t PlacesUsed(const CEntry& root)
{
    std::size_t nPlaces = 0;
    std::vector<const CEntry*> pending{&root};
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        nPlaces = std::max(nPlaces, CEntryArena::PlaceOf(*p) + 1);
        pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
    }
    return nPlaces;
}

std::string_view WithoutTrailingSlashes(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return path;
}
}  // namespace

CSearchComparison::CSearchComparison(const CEntry& earlierRoot, const CEntry& currentRoot)
    : m_earlierRoot(earlierRoot), m_currentRoot(currentRoot)
{
    Match();
}

bool CSearchComparison::SameRoot(std::string_view earlierRoot, std::string_view currentRoot)
{
    return WithoutTrailingSlashes(earlierRoot) == WithoutTrailingSlashes(currentRoot);
}

// Directories are matched depth first from a list of pairs still to match rather than by
// recursion, so that a tree thousands of levels deep cannot exhaust the stack.
void CSearchComparison::Match()
{
    m_earlier.assign(PlacesUsed(m_currentRoot), nullptr);
    std::vector<std::pair<const CEntry*, const CEntry*>> pending{{&m_earlierRoot, &m_currentRoot}};
    while (!pending.empty()) {
        const auto [pEarlier, pCurrent] = pending.back();
        pending.pop_back();
        m_earlier[CEntryArena::PlaceOf(*pCurrent)] = pEarlier;
        WalkChildren(*pEarlier, *pCurrent, [this, &pending](const CEntry* pOld, const CEntry* pNew) {
            if (pOld != nullptr && pNew != nullptr && pNew->IsDirectory())
                pending.emplace_back(pOld, pNew);
            else if (pOld != nullptr && pNew != nullptr)
                m_earlier[CEntryArena::PlaceOf(*pNew)] = pOld;
            else if (pOld != nullptr)
                m_nRemoved += CountItems(*pOld);
            else
                m_nNew += CountItems(*pNew);
        });
    }
}

const CEntry* CSearchComparison::EarlierOf(const CEntry& current) const
{
    const std::size_t place = CEntryArena::PlaceOf(current);
    return place < m_earlier.size() ? m_earlier[place] : nullptr;
}

std::vector<const CEntry*> CSearchComparison::RemovedChildren(const CEntry& currentDirectory) const
{
    std::vector<const CEntry*> removed;
    const CEntry* pEarlier = EarlierOf(currentDirectory);
    if (pEarlier == nullptr || !currentDirectory.IsDirectory())
        return removed;
    WalkChildren(*pEarlier, currentDirectory, [&removed](const CEntry* pOld, const CEntry* pNew) {
        if (pNew == nullptr)
            removed.push_back(pOld);
    });
    return removed;
}
