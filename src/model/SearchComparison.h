#pragma once
#include "Entry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// An earlier search of a root set beside the current one. Every current entry knows the
// entry of the earlier search at the same path, or that it is new; what the earlier search
// held and the current one no longer does is found from the earlier tree, directory by
// directory (RemovedChildren).
//
// Two entries match when their names are the same bytes and both are directories or both
// are not: a renamed item is one removed and one new, and a directory that became a file
// (or the reverse) is removed and new, never merged.
//
// Entries stay small: what the comparison knows of a current entry is kept in an array
// of its own, one pointer per place in the current arena (CEntryArena::PlaceOf) up to the
// last its tree takes, so that comparing costs about 8 bytes per entry beyond the two
// searches (a hash map would take 40 or more) and nothing without a comparison. Children are
// sorted by name on both sides, so each directory's children are matched in one merge walk
// over both lists: matching is linear in the entries.
//
// The current tree may change while the comparison lasts, through its document alone: an
// entry taken out (Forget, before it is freed) or a directory read again (Replaced), so that
// what the comparison tells stays true for what changed.
class CSearchComparison {
public:
    // Matches the trees of the two roots, which must outlive the comparison. Throws
    // std::bad_alloc when its array cannot be had.
    CSearchComparison(const CEntry& earlierRoot, const CEntry& currentRoot);

    // Whether two searches are of the same folder: their roots' paths, the same bytes once
    // trailing slashes are set aside.
    static bool SameRoot(std::string_view earlierRoot, std::string_view currentRoot);

    // What the earlier search is beyond its tree: whoever owns its entries (kept as long as
    // the comparison), when it finished, and whether it knew sizes on disk.
    void SetEarlierSearch(std::shared_ptr<const void> owner, CTime finished, bool bDiskSizes);
    CTime GetEarlierTime() const { return m_earlierTime; }
    // False while sizes on disk are shown and the earlier search knew lengths alone: then no
    // change can be told in the measure shown.
    bool CanCompareShownSizes() const { return m_bEarlierDiskSizes || !CEntry::ShowsDiskSizes(); }

    const CEntry& GetEarlierRoot() const { return m_earlierRoot; }
    const CEntry& GetCurrentRoot() const { return *m_pCurrentRoot; }

    // The earlier search's entry at the path of this current one, or null for a new item.
    const CEntry* EarlierOf(const CEntry& current) const;
    // The change of the item in the measure shown (an item new since is all growth).
    std::int64_t ChangeOf(const CEntry& current) const;
    // "+1.50G", "-200.00M", "new", or empty when nothing changed.
    std::string ChangeText(const CEntry& current) const;
    // The items of the earlier search in this current directory that are gone now (each
    // with everything below it in the earlier tree), in name order. None for a new
    // directory or a file.
    std::vector<const CEntry*> RemovedChildren(const CEntry& currentDirectory) const;

    // Items, files and directories alike, each counted with everything below it: new in
    // the current search, and gone from it.
    std::size_t NewCount() const { return m_nNew; }
    std::size_t RemovedCount() const { return m_nRemoved; }
    // What the comparison itself takes beyond the two searches.
    std::size_t OwnBytes() const { return m_earlier.capacity() * sizeof(const CEntry*); }

    // The entry (with everything below it) is about to leave the current tree: what the
    // earlier search held of it now counts as removed.
    void Forget(const CEntry& top);
    // A directory was read again: fresh stands where old stood (or is the new root) and
    // old, still whole, is about to be freed. Throws std::bad_alloc like the constructor.
    void Replaced(const CEntry& old, const CEntry& fresh);

private:
    struct CCounts {
        std::size_t nNew = 0;
        std::size_t nRemoved = 0;
    };
    // Matches the subtree of pCurrent against pEarlier (null: all of it is new), setting
    // the places below it; what is new and gone below it.
    CCounts Match(const CEntry& current, const CEntry* pEarlier);
    // What the subtree counts as new and gone, its places cleared.
    CCounts Unmatch(const CEntry& current);
    void SetEarlier(const CEntry& current, const CEntry* pEarlier);

    const CEntry& m_earlierRoot;  // not owned
    const CEntry* m_pCurrentRoot;  // not owned
    std::shared_ptr<const void> m_earlierOwner;
    CTime m_earlierTime;
    bool m_bEarlierDiskSizes = true;
    // By the place of a current entry in its arena: its earlier match, not owned; null for
    // a new entry (or a place no entry of this search held when it was matched).
    std::vector<const CEntry*> m_earlier;
    std::size_t m_nNew = 0;
    std::size_t m_nRemoved = 0;
};
