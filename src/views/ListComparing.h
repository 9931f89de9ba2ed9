#pragma once
#include "ListOrder.h"

#include <cstdint>
#include <vector>

class CEntry;
class CSearchComparison;

// The list's rows while a comparison is set beside the tree. Its rows of the current tree
// stay what they always are, one entry pointer each; "Show changed only" leaves the
// unchanged ones out, and "Show removed" merges in the items of the earlier search gone
// since. Those are entries of the earlier search's tree, which the document must never be
// handed: their rows hold null among the current entries, and the entry itself aside.

// A row showing an item gone since.
struct CRemovedRow {
    std::uint32_t nRow;  // its place among the rows
    const CEntry* pEntry;  // not owned: the earlier search's tree, kept by the comparison
};

// Whether a row of the current tree shows a change: a new item, or one whose size in the
// measure shown differs. Nothing does when that measure cannot be compared.
bool HasChanged(const CSearchComparison& comparison, const CEntry& current);

// The items of the earlier search gone from the current directory and, with bAllContained,
// from every directory below it, each gone directory with everything it held.
std::vector<const CEntry*> GatherRemovedRows(const CSearchComparison& comparison, const CEntry& current,
                                             bool bAllContained);

struct CListShown {
    bool bAllContained = true;
    bool bChangedOnly = false;
    bool bRemoved = false;
};

// The rows in the natural order of the column, as OrderListRows gives them, less the
// unchanged ones with bChangedOnly, and with bRemoved the items gone since merged in at
// their places by the same order: null in rows, the entry in removed (by row, ascending).
// A removed item sorts by its earlier size and times, and by RemovedRowChange. Ties keep
// the current rows first, each kind in its gathering order.
void OrderComparedRows(const CEntry& current, const CListShown& shown, EListColumn column,
                       const CSearchComparison& comparison, std::vector<CEntry*>& rows,
                       std::vector<CRemovedRow>& removed, CItemCounts* pCounts = nullptr);

// Mirrors the rows, the removed ones' places with them.
void ReverseRows(std::vector<CEntry*>& rows, std::vector<CRemovedRow>& removed);

// Leaves out the rows the choice does not keep. An item gone since is no file of the
// filter's tree: with a filter it goes; without directories it stays if it was a file.
void KeepChosenRows(const CRowChoice& choice, std::vector<CEntry*>& rows, std::vector<CRemovedRow>& removed);
