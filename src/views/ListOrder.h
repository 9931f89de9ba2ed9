#pragma once
#include <cstdint>
#include <vector>

class CEntry;
class CEntryFilter;
class CItemCounts;
class CSearchComparison;

// The rows of the list view and the orders its columns put them in. A row is an entry
// pointer and nothing more: the tree owns the entries, and no text or string is made per
// row, so a million rows sort in a fraction of a second.
//
// Every order is a total one: entries whose keys are equal keep the gathering order, and
// a reversed list is the exact mirror of the natural one, ties included.
//
// Change is there only while a comparison is set beside the tree: its rows sort by how much
// they grew in the measure shown (RowChange), so it needs the comparison.
//
// Items is the count of files below a directory (1 for a file), taken from a CItemCounts.
enum class EListColumn { Name = 0, Size, Type, Path, Modified, Created, Accessed, Items, Change };
inline constexpr int kListColumns = 8;  // the columns of every list; Change comes after them

// The rows of the current directory: its children, or with bAllContained every entry
// below it at any depth. Each directory's children come together in their stored order;
// directories are expanded last found first (a stack), so this is the gathering order.
void GatherListRows(const CEntry& current, bool bAllContained, std::vector<CEntry*>& rows);

// Replaces rows by the gathered rows in the natural order of the column:
//   Name      names ascending, A-Z counting as a-z, then byte values (CompareNames)
//   Size      bytes ascending
//   Type      directories before files, each by name as above
//   Path      full paths ascending, compared like names, never composed as strings
//   Modified, Created, Accessed   times ascending
//   Items     files below ascending (pCounts'; all equal without one)
//   Change    changes ascending (pComparison's; all equal without one)
void OrderListRows(const CEntry& current, bool bAllContained, EListColumn column, std::vector<CEntry*>& rows,
                   const CSearchComparison* pComparison = nullptr, CItemCounts* pCounts = nullptr);
// Which of the gathered rows a list keeps: with a filter only the files it lets through,
// from every depth below the current directory whatever bAllContained says; without
// directories only the files.
struct CRowChoice {
    const CEntryFilter* pFilter = nullptr;  // not owned: the document's
    bool bDirectories = true;
    bool KeepsAll() const { return pFilter == nullptr && bDirectories; }
    bool Keeps(const CEntry& entry) const;
};

// OrderListRows for the rows the choice keeps.
void OrderChosenRows(const CEntry& current, bool bAllContained, const CRowChoice& choice, EListColumn column,
                     std::vector<CEntry*>& rows, CItemCounts* pCounts = nullptr);
// The same for rows already gathered, in gathering order, by any column but Path (which
// orders the tree below the current directory rather than the rows).
void SortGatheredRows(EListColumn column, std::vector<CEntry*>& rows, const CSearchComparison* pComparison = nullptr,
                      CItemCounts* pCounts = nullptr);

// What a row of the current tree sorts by in the Change column: its growth in the measure
// shown, a new item's whole size; 0 when that measure cannot be compared. Bytes, signed.
std::int64_t RowChange(const CSearchComparison& comparison, const CEntry& current);
// ... and a row of an item gone since (an entry of the earlier search): its earlier size
// as shrinkage.
std::int64_t RemovedRowChange(const CSearchComparison& comparison, const CEntry& earlier);

// Compares the full paths of two entries as CompareNames compares the texts GetPath
// composes, by walking the parent chains instead: negative, 0 or positive. The entries are
// of one tree, or of two searches of the same root (a comparison's), whose roots count as
// one.
int ComparePathTexts(const CEntry& a, const CEntry& b);
