#pragma once
#include "FindPattern.h"
#include "NameIndex.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

class CEntry;

// What Find found below a directory: files only, so that the total counts each byte once.
struct CFindResult {
    std::vector<CEntry*> matches;  // not owned: the tree's; depth first in the tree's order
    std::int64_t nTotal = 0;  // their sizes in the measure shown, saturating
    std::size_t GetCount() const { return matches.size(); }
};

// Find by name or path (CFindPattern) over every file below a directory, kept between
// keystrokes: when the new pattern narrows the last one ("is", then "iso") for the same
// directory, only the last matches are looked at. Paths are never composed per file: the
// walk keeps the path of the directory it is in and adds each name to it for the moment
// of the match.
//
// A search afresh reads the names from a CNameIndex of the directory when Prepare made one
// (before the first keystroke, say) and the tree has not changed since; else it walks
// the tree.
//
// The matches and the index point into the tree: whoever holds a CEntryFind calls Forget
// whenever the tree changes (a refresh, a delete), before the next Find. (A Find also
// looks afresh when the directory's totals or the number of entries in its arena have
// changed since.)
class CEntryFind {
public:
    // The files below dir (dir itself when it is a file) that match the pattern; onMatch,
    // when given, is called for each of them in the result's order as it is found.
    const CFindResult& Find(CEntry& dir, std::string_view pattern,
                            const std::function<void(CEntry&)>& onMatch = nullptr);
    // Makes the index of dir that the next searches read, unless it is there already.
    // Without the memory for it, searches walk the tree, as they do without Prepare.
    void Prepare(CEntry& dir);
    // The memory the index holds (none without one).
    std::size_t IndexBytes() const { return m_index.Bytes(); }
    // The last Find's result.
    const CFindResult& GetResult() const { return m_result; }
    // Drops the last result and the index, so that the next Find looks at the whole
    // directory as it is then.
    void Forget();

private:
    void Search(CEntry& dir);
    template <class Walk> void SearchBy(const Walk& walk);
    void Keep(CEntry& match);
    void Narrow(const CEntry& dir);
    bool CanNarrow(const CEntry& dir, const CFindPattern& pattern) const;

    CFindResult m_result;
    CFindPattern m_pattern;
    CNameIndex m_index;
    const CEntry* m_pDir = nullptr;  // not owned; where the last result is from, or null
    // What the directory looked like then: a cheap check that the tree did not change.
    std::int64_t m_nDirLength = 0;
    std::int64_t m_nDirDisk = 0;
    std::size_t m_nEntries = 0;
    const std::function<void(CEntry&)>* m_pOnMatch = nullptr;  // not owned: the running Find's
};

// The path of an entry relative to a directory above it ("sub/dir/name"), appended to path.
void AppendRelativePath(const CEntry& entry, const CEntry& dir, std::string& path);
