#include "ListComparing.h"

#include "model/Entry.h"
#include "model/ItemCounts.h"
#include "model/SearchComparison.h"

#include <algorithm>

namespace {
template <class T> int Order(T a, T b) { return (a > b) - (a < b); }

// One row against another by the column, as SortGatheredRows and the path order put them:
// negative when a goes first. nChange is each row's key for the Change column.
int CompareRows(EListColumn column, const CEntry& a, std::int64_t nChangeA, const CEntry& b, std::int64_t nChangeB,
                CItemCounts* pCounts)
{
    switch (column) {
    case EListColumn::Items:
        return pCounts != nullptr ? Order(pCounts->Of(a), pCounts->Of(b)) : 0;
    case EListColumn::Name:
        return CompareNames(a.GetName(), b.GetName());
    case EListColumn::Size:
        return Order(a.GetSize(), b.GetSize());
    case EListColumn::Type:
        if (a.IsDirectory() != b.IsDirectory())
            return a.IsDirectory() ? -1 : 1;
        return CompareNames(a.GetName(), b.GetName());
    case EListColumn::Path:
        return ComparePathTexts(a, b);
    case EListColumn::Modified:
        return Order(a.GetModifiedTime().GetTime(), b.GetModifiedTime().GetTime());
    case EListColumn::Created:
        return Order(a.GetCreatedTime().GetTime(), b.GetCreatedTime().GetTime());
    case EListColumn::Accessed:
        return Order(a.GetAccessedTime().GetTime(), b.GetAccessedTime().GetTime());
    case EListColumn::Change:
        return Order(nChangeA, nChangeB);
    }
    return 0;
}

void AppendWithAllBelow(const CEntry& top, std::vector<const CEntry*>& out)
{
    std::vector<const CEntry*> pending{&top};
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        out.push_back(p);
        const std::size_t nAt = pending.size();
        pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(nAt), pending.end());  // the first on top
    }
}

// The current rows and the gone ones, each already in the column's order, merged into one
// sequence: the gone rows become null rows with their entries aside.
void MergeRemoved(EListColumn column, const CSearchComparison& comparison, const std::vector<const CEntry*>& gone,
                  std::vector<CEntry*>& rows, std::vector<CRemovedRow>& removed, CItemCounts* pCounts)
{
    std::vector<CEntry*> merged;
    merged.reserve(rows.size() + gone.size());
    removed.reserve(gone.size());
    std::size_t i = 0;
    for (const CEntry* pGone : gone) {
        const std::int64_t nGone = RemovedRowChange(comparison, *pGone);
        while (i < rows.size()
               && CompareRows(column, *rows[i], RowChange(comparison, *rows[i]), *pGone, nGone, pCounts) <= 0)
            merged.push_back(rows[i++]);
        removed.push_back({static_cast<std::uint32_t>(merged.size()), pGone});
        merged.push_back(nullptr);
    }
    merged.insert(merged.end(), rows.begin() + static_cast<std::ptrdiff_t>(i), rows.end());
    rows.swap(merged);
}
}  // namespace

bool HasChanged(const CSearchComparison& comparison, const CEntry& current)
{
    return comparison.CanCompareShownSizes()
        && (comparison.EarlierOf(current) == nullptr || comparison.ChangeOf(current) != 0);
}

std::vector<const CEntry*> GatherRemovedRows(const CSearchComparison& comparison, const CEntry& current,
                                             bool bAllContained)
{
    std::vector<const CEntry*> gone;
    std::vector<const CEntry*> directories{&current};
    while (!directories.empty()) {
        const CEntry* d = directories.back();
        directories.pop_back();
        for (const CEntry* pGone : comparison.RemovedChildren(*d)) {
            if (bAllContained)
                AppendWithAllBelow(*pGone, gone);
            else
                gone.push_back(pGone);
        }
        if (!bAllContained)
            break;
        for (const CEntry* child : d->GetChildren())
            if (child->IsDirectory())
                directories.push_back(child);
    }
    return gone;
}

void OrderComparedRows(const CEntry& current, const CListShown& shown, EListColumn column,
                       const CSearchComparison& comparison, std::vector<CEntry*>& rows,
                       std::vector<CRemovedRow>& removed, CItemCounts* pCounts)
{
    removed.clear();
    const auto unchanged = [&comparison](const CEntry* e) { return !HasChanged(comparison, *e); };
    if (column == EListColumn::Path) {
        OrderListRows(current, shown.bAllContained, column, rows);
        if (shown.bChangedOnly)
            std::erase_if(rows, unchanged);
    } else {
        // Left out before sorting: what is not shown costs no sorting.
        GatherListRows(current, shown.bAllContained, rows);
        if (shown.bChangedOnly)
            std::erase_if(rows, unchanged);
        SortGatheredRows(column, rows, &comparison, pCounts);
    }
    if (!shown.bRemoved)
        return;
    std::vector<const CEntry*> gone = GatherRemovedRows(comparison, current, shown.bAllContained);
    std::stable_sort(gone.begin(), gone.end(), [&](const CEntry* a, const CEntry* b) {
        return CompareRows(column, *a, RemovedRowChange(comparison, *a), *b, RemovedRowChange(comparison, *b), pCounts)
            < 0;
    });
    MergeRemoved(column, comparison, gone, rows, removed, pCounts);
}

void ReverseRows(std::vector<CEntry*>& rows, std::vector<CRemovedRow>& removed)
{
    std::reverse(rows.begin(), rows.end());
    const auto nLast = static_cast<std::uint32_t>(rows.size() - 1);
    for (CRemovedRow& row : removed)
        row.nRow = nLast - row.nRow;
    std::reverse(removed.begin(), removed.end());
}

void KeepChosenRows(const CRowChoice& choice, std::vector<CEntry*>& rows, std::vector<CRemovedRow>& removed)
{
    if (choice.KeepsAll())
        return;
    std::vector<CRemovedRow> kept;
    std::size_t nKept = 0;
    std::size_t nRemoved = 0;  // removed is by row, ascending: the next one is at the next null
    for (CEntry* pRow : rows) {
        bool bKeep = false;
        if (pRow != nullptr) {
            bKeep = choice.Keeps(*pRow);
        } else if (nRemoved < removed.size()) {
            const CEntry* pGone = removed[nRemoved++].pEntry;
            bKeep = choice.pFilter == nullptr && !pGone->IsDirectory();
            if (bKeep)
                kept.push_back({static_cast<std::uint32_t>(nKept), pGone});
        }
        if (bKeep)
            rows[nKept++] = pRow;
    }
    rows.resize(nKept);
    removed.swap(kept);
}
