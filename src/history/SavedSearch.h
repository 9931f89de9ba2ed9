#pragma once
#include "model/EntryArena.h"

#include <string>

// A search read from a saved file (ncdu's export format, as Volra and ncdu write it) into
// an arena of its own, apart from any document: the earlier side of a comparison, or
// either side of one made without a window.
class CSavedSearch {
public:
    CSavedSearch() = default;
    CSavedSearch(const CSavedSearch&) = delete;
    CSavedSearch& operator=(const CSavedSearch&) = delete;

    // False with the reason ("line 3, column 17: ...", or why the file cannot be read):
    // a file cut off, damaged or of another format is refused, and nothing of it is kept.
    bool Read(const std::string& strPath, std::string& strError);

    const CEntry* GetRoot() const { return m_pRoot; }
    // Whether the file gave sizes on disk; without them it knows lengths alone.
    bool HasDiskSizes() const { return m_bDiskSizes; }
    const CEntryArena& GetArena() const { return m_arena; }

private:
    CEntryArena m_arena;
    CEntry* m_pRoot = nullptr;  // in m_arena
    bool m_bDiskSizes = false;
};
