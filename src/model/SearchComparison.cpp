#include "SearchComparison.h"

#include "EntryArena.h"
#include "FormatSize.h"
#include "TreeWalk.h"

#include <algorithm>
#include <utility>

namespace {
std::size_t CountItems(const CEntry& top)
{
    std::size_t n = 0;
    ForEachBelow(top, [&n](const CEntry&) { ++n; });
    return n;
}

// How many places the current tree's entries reach into their arena: the array by place
// is cut to that, rather than to every place the arena has made ready.
std::size_t PlacesUsed(const CEntry& root)
{
    std::size_t nPlaces = 0;
    ForEachBelow(root,
                 [&nPlaces](const CEntry& entry) { nPlaces = std::max(nPlaces, CEntryArena::PlaceOf(entry) + 1); });
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
    : m_earlierRoot(earlierRoot), m_pCurrentRoot(&currentRoot)
{
    m_earlier.assign(PlacesUsed(currentRoot), nullptr);
    const CCounts counts = Match(currentRoot, &earlierRoot);
    m_nNew = counts.nNew;
    m_nRemoved = counts.nRemoved;
}

bool CSearchComparison::SameRoot(std::string_view earlierRoot, std::string_view currentRoot)
{
    return WithoutTrailingSlashes(earlierRoot) == WithoutTrailingSlashes(currentRoot);
}

void CSearchComparison::SetEarlierSearch(std::shared_ptr<const void> owner, CTime finished, bool bDiskSizes)
{
    m_earlierOwner = std::move(owner);
    m_earlierTime = finished;
    m_bEarlierDiskSizes = bDiskSizes;
}

void CSearchComparison::SetEarlier(const CEntry& current, const CEntry* pEarlier)
{
    const std::size_t place = CEntryArena::PlaceOf(current);
    if (place >= m_earlier.size()) {
        if (pEarlier == nullptr)
            return;  // beyond the array reads as new already
        m_earlier.resize(std::max(place + 1, m_earlier.size() + m_earlier.size() / 2), nullptr);
    }
    m_earlier[place] = pEarlier;
}

// Directories are matched depth first from a list of pairs still to match rather than by
// recursion, so that a tree thousands of levels deep cannot exhaust the stack.
CSearchComparison::CCounts CSearchComparison::Match(const CEntry& current, const CEntry* pEarlier)
{
    CCounts counts;
    if (pEarlier == nullptr) {
        ForEachBelow(current, [this](const CEntry& entry) { SetEarlier(entry, nullptr); });
        counts.nNew = CountItems(current);
        return counts;
    }
    std::vector<std::pair<const CEntry*, const CEntry*>> pending{{pEarlier, &current}};
    while (!pending.empty()) {
        const auto [pOld, pNow] = pending.back();
        pending.pop_back();
        SetEarlier(*pNow, pOld);
        MatchChildren(*pOld, *pNow, [this, &pending, &counts](const CEntry* pA, const CEntry* pB) {
            if (pA != nullptr && pB != nullptr && pB->IsDirectory())
                pending.emplace_back(pA, pB);
            else if (pA != nullptr && pB != nullptr)
                SetEarlier(*pB, pA);
            else if (pA != nullptr)
                counts.nRemoved += CountItems(*pA);
            else
                counts.nNew += Match(*pB, nullptr).nNew;
        });
    }
    return counts;
}

CSearchComparison::CCounts CSearchComparison::Unmatch(const CEntry& current)
{
    CCounts counts;
    const CEntry* pEarlier = EarlierOf(current);
    if (pEarlier == nullptr) {
        counts.nNew = CountItems(current);
    } else {
        std::vector<std::pair<const CEntry*, const CEntry*>> pending{{pEarlier, &current}};
        while (!pending.empty()) {
            const auto [pOld, pNow] = pending.back();
            pending.pop_back();
            MatchChildren(*pOld, *pNow, [&pending, &counts](const CEntry* pA, const CEntry* pB) {
                if (pA != nullptr && pB != nullptr && pB->IsDirectory())
                    pending.emplace_back(pA, pB);
                else if (pA == nullptr)
                    counts.nNew += CountItems(*pB);
                else if (pB == nullptr)
                    counts.nRemoved += CountItems(*pA);
            });
        }
    }
    ForEachBelow(current, [this](const CEntry& entry) { SetEarlier(entry, nullptr); });
    return counts;
}

void CSearchComparison::Forget(const CEntry& top)
{
    const CEntry* pEarlier = EarlierOf(top);
    const CCounts gone = Unmatch(top);
    m_nNew -= gone.nNew;
    m_nRemoved -= gone.nRemoved;
    if (pEarlier != nullptr)
        m_nRemoved += CountItems(*pEarlier);
}

void CSearchComparison::Replaced(const CEntry& old, const CEntry& fresh)
{
    const CEntry* pEarlier = EarlierOf(old);
    const CCounts gone = Unmatch(old);
    const CCounts now = Match(fresh, pEarlier);
    m_nNew = m_nNew - gone.nNew + now.nNew;
    m_nRemoved = m_nRemoved - gone.nRemoved + now.nRemoved;
    if (fresh.GetParent() == nullptr)
        m_pCurrentRoot = &fresh;
}

const CEntry* CSearchComparison::EarlierOf(const CEntry& current) const
{
    const std::size_t place = CEntryArena::PlaceOf(current);
    return place < m_earlier.size() ? m_earlier[place] : nullptr;
}

std::int64_t CSearchComparison::ChangeOf(const CEntry& current) const
{
    const CEntry* pEarlier = EarlierOf(current);
    // Sizes are never negative, so a difference of two never overflows.
    return current.GetSize() - (pEarlier != nullptr ? pEarlier->GetSize() : 0);
}

std::string CSearchComparison::ChangeText(const CEntry& current) const
{
    if (!CanCompareShownSizes())
        return {};
    if (EarlierOf(current) == nullptr)
        return "new";
    const std::int64_t nChange = ChangeOf(current);
    return nChange != 0 ? FormatSizeChange(nChange) : std::string();
}

std::vector<const CEntry*> CSearchComparison::RemovedChildren(const CEntry& currentDirectory) const
{
    std::vector<const CEntry*> removed;
    const CEntry* pEarlier = EarlierOf(currentDirectory);
    if (pEarlier == nullptr || !currentDirectory.IsDirectory())
        return removed;
    MatchChildren(*pEarlier, currentDirectory, [&removed](const CEntry* pOld, const CEntry* pNew) {
        if (pNew == nullptr)
            removed.push_back(pOld);
    });
    return removed;
}
