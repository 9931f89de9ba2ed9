#include "ListOrder.h"

#include "RadixSort.h"
#include "model/Entry.h"
#include "model/EntryArena.h"
#include "model/EntryFilter.h"
#include "model/ItemCounts.h"
#include "model/SearchComparison.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {
constexpr unsigned char Fold(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

constexpr int Sign(int n) { return (n > 0) - (n < 0); }

constexpr std::size_t kGatherAhead = 8;  // entries looked up ahead of the one gathered

// A first gathering grows the vector by doubling; the rows stay for a while, so they keep
// no more room than they use.
void FitCapacity(std::vector<CEntry*>& rows)
{
    if (rows.capacity() > rows.size() + rows.size() / 8)
        rows.shrink_to_fit();
}

// The first 16 bytes of a folded name (and of the "/" after it, for a subtree) as two
// big-endian numbers, zero-padded: the numbers compare as the texts do over those bytes.
// Names hold no NUL byte, so when both texts fit, equal numbers mean equal texts.
struct Prefix {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

Prefix FoldedPrefix(std::string_view name, bool bSlash)
{
    unsigned char bytes[16] = {};
    const std::size_t n = std::min<std::size_t>(name.size(), 16);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = Fold(name[i]);
    if (bSlash && n < 16)
        bytes[n] = '/';
    Prefix p;
    for (int i = 0; i < 8; ++i) {
        p.hi = (p.hi << 8) | bytes[i];
        p.lo = (p.lo << 8) | bytes[8 + i];
    }
    return p;
}

constexpr std::uint32_t kPrefixBytes = 16;

// Compares a + "/" (with bSlashA) and b + "/" (with bSlashB) as CompareNames would,
// without building either text.
int CompareNameTexts(std::string_view a, bool bSlashA, std::string_view b, bool bSlashB)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (const int d = Fold(a[i]) - Fold(b[i]); d != 0)
            return Sign(d);
    if (a.size() == b.size())
        return int(bSlashA) - int(bSlashB);
    if (a.size() < b.size()) {
        const int d = bSlashA ? '/' - Fold(b[n]) : -1;
        return d != 0 ? Sign(d) : -1;
    }
    const int d = bSlashB ? Fold(a[n]) - '/' : 1;
    return d != 0 ? Sign(d) : 1;
}

// Numeric columns: the key, then the gathering position.
struct NumberKey {
    std::int64_t key;
    std::uint32_t idx;
};

// Name and Type: the file flag (Type only), the folded prefix, the whole name when the
// prefixes cannot tell, then the gathering position.
struct NameKey {
    Prefix prefix;
    std::uint32_t idx;
    std::uint32_t len;  // the name's length; kFileBit set for a file when sorting by Type
};
constexpr std::uint32_t kFileBit = 1u << 31;

std::int64_t NumberOf(const CEntry& e, EListColumn column, const CSearchComparison* pComparison, CItemCounts* pCounts)
{
    switch (column) {
    case EListColumn::Items:
        return pCounts != nullptr ? static_cast<std::int64_t>(pCounts->Of(e)) : 0;
    case EListColumn::Change:
        return pComparison != nullptr ? RowChange(*pComparison, e) : 0;
    case EListColumn::Modified:
        return e.GetModifiedTime().GetTime();
    case EListColumn::Created:
        return e.GetCreatedTime().GetTime();
    case EListColumn::Accessed:
        return e.GetAccessedTime().GetTime();
    default:
        return e.GetSize();
    }
}

// Puts rows into the order of the sorted keys (each key knows its gathering position).
template <class Key> void Permute(std::vector<CEntry*>& rows, const std::vector<Key>& keys)
{
    std::vector<CEntry*> sorted;
    sorted.reserve(rows.size());
    for (const Key& k : keys)
        sorted.push_back(rows[k.idx]);
    rows.swap(sorted);
}

void OrderByNumber(std::vector<CEntry*>& rows, EListColumn column, const CSearchComparison* pComparison,
                   CItemCounts* pCounts)
{
    std::vector<NumberKey> keys;
    keys.reserve(rows.size());
    for (std::uint32_t i = 0; i < rows.size(); ++i)
        keys.push_back({NumberOf(*rows[i], column, pComparison, pCounts), i});
    // Keys are made in gathering order, and the sort is stable: ties stay in that order.
    // The sign bit flipped, signed keys order as unsigned ones.
    RadixSortByKey(keys,
                   [](const NumberKey& k) { return static_cast<std::uint64_t>(k.key) ^ (std::uint64_t{1} << 63); });
    Permute(rows, keys);
}

// Sorts by less each run of keys that tie over the file flag and the first eight bytes
// (bHead) or over the next eight, where it is not in order already: names met in many
// directories tie over their whole key and are in gathering order, the comparison's.
template <class Less> void SortTiedRuns(NameKey* first, NameKey* last, const Less& less, bool bHead)
{
    const auto tied = [bHead](const NameKey& a, const NameKey& b) {
        return bHead ? a.prefix.hi == b.prefix.hi && (a.len & kFileBit) == (b.len & kFileBit)
                     : a.prefix.lo == b.prefix.lo;
    };
    constexpr std::ptrdiff_t kSmallRun = 64;  // sorted by comparing: a radix pass costs more
    for (NameKey* run = first; run != last;) {
        NameKey* const end = std::find_if(run, last, [&](const NameKey& k) { return !tied(*run, k); });
        if (end - run > 1 && !std::is_sorted(run, end, less)) {
            if (bHead && end - run > kSmallRun) {
                RadixSortByKey(run, end, [](const NameKey& k) { return k.prefix.lo; });
                SortTiedRuns(run, end, less, false);
            } else {
                std::sort(run, end, less);
            }
        }
        run = end;
    }
}

void OrderByName(std::vector<CEntry*>& rows, bool bFilesLast)
{
    std::vector<NameKey> keys;
    keys.reserve(rows.size());
    for (std::uint32_t i = 0; i < rows.size(); ++i) {
        const CEntry& e = *rows[i];
        const auto len = static_cast<std::uint32_t>(std::min<std::size_t>(e.GetName().size(), kFileBit - 1));
        keys.push_back({FoldedPrefix(e.GetName(), false), i, len | (bFilesLast && !e.IsDirectory() ? kFileBit : 0)});
    }
    const auto less = [&rows](const NameKey& a, const NameKey& b) {
        if ((a.len & kFileBit) != (b.len & kFileBit))
            return (a.len & kFileBit) == 0;
        if (a.prefix.hi != b.prefix.hi)
            return a.prefix.hi < b.prefix.hi;
        if (a.prefix.lo != b.prefix.lo)
            return a.prefix.lo < b.prefix.lo;
        if ((a.len & ~kFileBit) > kPrefixBytes || (b.len & ~kFileBit) > kPrefixBytes)
            if (const int c = CompareNames(rows[a.idx]->GetName(), rows[b.idx]->GetName()); c != 0)
                return c < 0;
        return a.idx < b.idx;
    };
    // The file flag and the first eight folded bytes decide most pairs: a radix sort
    // orders by those, then by the next eight bytes within the runs they leave tied, and
    // what is still tied is sorted by the whole comparison. The order is the comparison's,
    // a total one.
    if (bFilesLast)
        std::stable_partition(keys.begin(), keys.end(), [](const NameKey& k) { return (k.len & kFileBit) == 0; });
    const auto firstFile =
        std::find_if(keys.begin(), keys.end(), [](const NameKey& k) { return (k.len & kFileBit) != 0; });
    const auto byHead = [](const NameKey& k) { return k.prefix.hi; };
    NameKey* const pFiles = keys.data() + (firstFile - keys.begin());
    RadixSortByKey(keys.data(), pFiles, byHead);
    RadixSortByKey(pFiles, keys.data() + keys.size(), byHead);
    SortTiedRuns(keys.data(), keys.data() + keys.size(), less, true);
    Permute(rows, keys);
}

// ---- Path order -------------------------------------------------------------------------
//
// Below a directory D every path is D's path, "/", then either a child's name (the child
// itself) or a child's name, "/" and more (the child's descendants). So within D there
// are two kinds of item: a child, keyed by its name, and a child's subtree, keyed by its
// name and "/". Sorting D's items by key and emitting them in turn, a subtree by the same
// rule one level down, gives the entries in path order without comparing any two paths
// outright. A subtree's entries stay together because no other item's key can start with
// its key, names holding no "/", unless two directories' names are equal but for case:
// their subtrees interleave, and only those are sorted by whole paths.

struct PathItem {
    Prefix prefix;
    CEntry* pEntry;
    std::uint32_t len;  // the key's length: the name's, plus 1 for a subtree
    std::uint32_t seq;  // position among D's items, in stored order
    bool bSubtree;
};

PathItem MakePathItem(CEntry* pEntry, bool bSubtree, std::uint32_t seq)
{
    const auto len = static_cast<std::uint32_t>(pEntry->GetName().size() + (bSubtree ? 1 : 0));
    return {FoldedPrefix(pEntry->GetName(), bSubtree), pEntry, len, seq, bSubtree};
}

int CompareItems(const PathItem& a, const PathItem& b)
{
    if (a.prefix.hi != b.prefix.hi)
        return a.prefix.hi < b.prefix.hi ? -1 : 1;
    if (a.prefix.lo != b.prefix.lo)
        return a.prefix.lo < b.prefix.lo ? -1 : 1;
    if (a.len <= kPrefixBytes && b.len <= kPrefixBytes)
        return 0;
    return CompareNameTexts(a.pEntry->GetName(), a.bSubtree, b.pEntry->GetName(), b.bSubtree);
}

// Every entry below the directories of a run of equal-but-for-case subtrees, in path
// order, ties in gathering order.
void MergeSubtrees(const PathItem* first, const PathItem* last, std::vector<CEntry*>& out)
{
    out.clear();
    std::vector<const CEntry*> stack;
    for (const PathItem* p = first; p != last; ++p)
        stack.push_back(p->pEntry);
    while (!stack.empty()) {
        const CEntry* d = stack.back();
        stack.pop_back();
        for (const auto& child : d->GetChildren()) {
            out.push_back(child);
            if (child->IsDirectory())
                stack.push_back(child);
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const CEntry* a, const CEntry* b) { return ComparePathTexts(*a, *b) < 0; });
}

class CPathOrder {
public:
    CPathOrder(bool bAllContained, std::vector<CEntry*>& rows) : m_bAll(bAllContained), m_rows(rows) {}

    void Run(const CEntry& current)
    {
        m_rows.clear();
        Expand(current);
        while (!m_tasks.empty()) {
            const Task task = m_tasks.back();
            m_tasks.pop_back();
            if (task.bSubtree)
                Expand(*task.pEntry);
            else
                m_rows.push_back(task.pEntry);
        }
    }

private:
    struct Task {
        CEntry* pEntry;
        bool bSubtree;
    };

    // Sorts a directory's items and stacks them, the first on top.
    void Expand(const CEntry& dir)
    {
        m_items.clear();
        std::uint32_t seq = 0;
        for (const auto& child : dir.GetChildren()) {
            m_items.push_back(MakePathItem(child, false, seq++));
            if (m_bAll && child->IsDirectory() && !child->GetChildren().empty())
                m_items.push_back(MakePathItem(child, true, seq++));
        }
        std::sort(m_items.begin(), m_items.end(), [](const PathItem& a, const PathItem& b) {
            const int c = CompareItems(a, b);
            return c != 0 ? c < 0 : a.seq < b.seq;
        });
        for (std::size_t end = m_items.size(); end > 0;) {
            std::size_t begin = end - 1;
            while (begin > 0 && CompareItems(m_items[begin - 1], m_items[end - 1]) == 0)
                --begin;
            if (end - begin > 1 && m_items[begin].bSubtree) {
                MergeSubtrees(&m_items[begin], &m_items[begin] + (end - begin), m_merged);
                for (auto it = m_merged.rbegin(); it != m_merged.rend(); ++it)
                    m_tasks.push_back({*it, false});
            } else {
                for (std::size_t i = end; i-- > begin;)
                    m_tasks.push_back({m_items[i].pEntry, m_items[i].bSubtree});
            }
            end = begin;
        }
    }

    bool m_bAll;
    std::vector<CEntry*>& m_rows;
    std::vector<Task> m_tasks;
    std::vector<PathItem> m_items;
    std::vector<CEntry*> m_merged;
};
}  // namespace

void GatherListRows(const CEntry& current, bool bAllContained, std::vector<CEntry*>& rows)
{
    rows.clear();
    // Below the root, every entry of the tree but the root: room for them all at once,
    // rather than a vector doubled a dozen times over a million rows.
    if (bAllContained && current.GetParent() == nullptr)
        rows.reserve(CEntryArena::Of(current).EntryCount());
    std::vector<const CEntry*> stack{&current};
    while (!stack.empty()) {
        const CEntry* d = stack.back();
        stack.pop_back();
        const CEntryChildren& children = d->GetChildren();
        for (std::size_t i = 0; i < children.size(); ++i) {
            // Looking entries up a few ahead overlaps their cache misses.
            if (bAllContained && i + kGatherAhead < children.size())
                __builtin_prefetch(children[i + kGatherAhead]);
            rows.push_back(children[i]);
            if (bAllContained && children[i]->IsDirectory())
                stack.push_back(children[i]);
        }
    }
    FitCapacity(rows);
}

void OrderListRows(const CEntry& current, bool bAllContained, EListColumn column, std::vector<CEntry*>& rows,
                   const CSearchComparison* pComparison, CItemCounts* pCounts)
{
    if (column == EListColumn::Path) {
        CPathOrder(bAllContained, rows).Run(current);
        FitCapacity(rows);
        return;
    }
    GatherListRows(current, bAllContained, rows);
    SortGatheredRows(column, rows, pComparison, pCounts);
}

bool CRowChoice::Keeps(const CEntry& entry) const
{
    if (pFilter != nullptr)
        return !entry.IsDirectory() && pFilter->Passes(entry);
    return bDirectories || !entry.IsDirectory();
}

void OrderChosenRows(const CEntry& current, bool bAllContained, const CRowChoice& choice, EListColumn column,
                     std::vector<CEntry*>& rows, CItemCounts* pCounts)
{
    if (choice.KeepsAll()) {
        OrderListRows(current, bAllContained, column, rows, nullptr, pCounts);
        return;
    }
    const bool bAll = bAllContained || choice.pFilter != nullptr;
    if (column == EListColumn::Path) {
        // The path order comes from the whole tree below; what is left out goes after.
        OrderListRows(current, bAll, column, rows);
        std::erase_if(rows, [&](const CEntry* p) { return !choice.Keeps(*p); });
        FitCapacity(rows);
        return;
    }
    if (choice.pFilter != nullptr) {
        // Only down the directories that hold a passing file: a narrow find costs little
        // however large the tree.
        rows.clear();
        if (const std::vector<CEntry*>* pFiles = choice.pFilter->FilesBelow(current))
            rows = *pFiles;
        else
            choice.pFilter->ForEachPassing(current, [&](CEntry& file) { rows.push_back(&file); });
    } else {
        GatherListRows(current, bAll, rows);
        std::erase_if(rows, [&](const CEntry* p) { return !choice.Keeps(*p); });
    }
    FitCapacity(rows);
    SortGatheredRows(column, rows, nullptr, pCounts);
}

void SortGatheredRows(EListColumn column, std::vector<CEntry*>& rows, const CSearchComparison* pComparison,
                      CItemCounts* pCounts)
{
    if (column == EListColumn::Name || column == EListColumn::Type)
        OrderByName(rows, column == EListColumn::Type);
    else if (column != EListColumn::Path)
        OrderByNumber(rows, column, pComparison, pCounts);
}

std::int64_t RowChange(const CSearchComparison& comparison, const CEntry& current)
{
    return comparison.CanCompareShownSizes() ? comparison.ChangeOf(current) : 0;
}

std::int64_t RemovedRowChange(const CSearchComparison& comparison, const CEntry& earlier)
{
    return comparison.CanCompareShownSizes() ? -earlier.GetSize() : 0;
}

int ComparePathTexts(const CEntry& a, const CEntry& b)
{
    // The chains from each entry up to, not including, their nearest common ancestor.
    std::vector<const CEntry*> chainA;
    std::vector<const CEntry*> chainB;
    const CEntry* pa = &a;
    const CEntry* pb = &b;
    // Depths are counted up the chains: once each, not once a step.
    int nDepthA = pa->GetDepth();
    int nDepthB = pb->GetDepth();
    for (; nDepthA > nDepthB; --nDepthA) {
        chainA.push_back(pa);
        pa = pa->GetParent();
    }
    for (; nDepthB > nDepthA; --nDepthB) {
        chainB.push_back(pb);
        pb = pb->GetParent();
    }
    // Two searches' roots stand for the same folder: the chains stop below them.
    while (pa != pb && pa->GetParent() != nullptr && pb->GetParent() != nullptr) {
        chainA.push_back(pa);
        chainB.push_back(pb);
        pa = pa->GetParent();
        pb = pb->GetParent();
    }
    if (chainA.empty() || chainB.empty())
        return int(!chainA.empty()) - int(!chainB.empty());  // an ancestor's path is a prefix
    // Both texts go on from the common ancestor's path with the same separator, then the
    // names down each chain joined by "/".
    std::size_t i = chainA.size();
    std::size_t j = chainB.size();
    for (;;) {
        const std::string_view na = chainA[--i]->GetName();
        const std::string_view nb = chainB[--j]->GetName();
        const int c = CompareNameTexts(na, i > 0, nb, j > 0);
        if (c != 0 || i == 0)
            return c;
    }
}
