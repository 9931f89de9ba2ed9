#pragma once
#include <vector>

class CEntry;

// The rows of the list view and the orders its columns put them in. A row is an entry
// pointer and nothing more: the tree owns the entries, and no text or string is made per
// row, so a million rows sort in a fraction of a second.
//
// Every order is a total one: entries whose keys are equal keep the gathering order, and
// a reversed list is the exact mirror of the natural one, ties included.
enum class EListColumn { Name = 0, Size, Type, Path, Modified, Created, Accessed };
inline constexpr int kListColumns = 7;

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
void OrderListRows(const CEntry& current, bool bAllContained, EListColumn column, std::vector<CEntry*>& rows);
// The same for rows already gathered, in gathering order, by any column but Path (which
// orders the tree below the current directory rather than the rows).
void SortGatheredRows(EListColumn column, std::vector<CEntry*>& rows);

// Compares the full paths of two entries of one tree as CompareNames compares the texts
// GetPath composes, by walking the parent chains instead: negative, 0 or positive.
int ComparePathTexts(const CEntry& a, const CEntry& b);
