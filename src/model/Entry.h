#pragma once
#include "EntryChildren.h"
#include "FoundItem.h"
#include "base/Time.h"
#include "base/Types.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class CEntryArena;

// One file or directory of a search. A directory's length is the sum of the lengths of all
// files below it, its size on disk what everything below it and itself takes on the disk;
// totals are kept incrementally (AddSize), never recomputed. Which of the two GetSize
// answers is the program's one choice (ShowDiskSizes), so every view follows it at once.
//
// A file with several names (a hard link) takes its disk space once: the first of its
// names the walk meets carries it, the others count 0 on disk (IsLinkRepeat). The arena
// knows the file of each such name; no other entry spends a byte on it.
//
// Trees hold millions of these, so an entry is 36 bytes and keeps only what it must: it
// lives in its document's arena (CEntryArena), which also holds its name and its children
// array, and refers to its parent, name and array in 32 bits each; the full path is not stored but composed from the parent chain on demand
// (GetPath), as is the depth; times, sizes, colour and flags are packed to what they need,
// and the rare values beyond (and the icon indices of the entries drawn) kept in the arena.
class CEntry {
public:
    CEntry(const CEntry&) = delete;
    CEntry& operator=(const CEntry&) = delete;

    // Fills the entry from a listing's item and adds its sizes up the tree. Does not link
    // the entry into the parent's children.
    void InitFromItem(CEntry* pParent, const CFoundItem& item);
    // For a tree built from the bottom up (a saved search): fills the entry from the item
    // with its own sizes only (nAllocated as its size on disk, whatever its links) and
    // links it after the parent's other children; nothing goes up the tree. Each finished
    // entry's totals then go to its parent alone (AddChildTotals).
    void InitUnsummed(CEntry* pParent, const CFoundItem& item);
    void AddChildTotals(const CEntry& child);
    // Puts back totals read before (GetLength, GetDiskSize) of this entry alone: a refresh
    // given up leaves every ancestor as it was, even one whose total had stopped at the
    // largest value.
    void RestoreTotals(std::int64_t nLength, std::int64_t nDisk);
    void InitAsRoot(std::string_view strRootPath);
    // Adds the deltas (negative to remove) to this entry and every ancestor; totals stay
    // between 0 and the largest int64 value. With one delta, both measures take it, as for
    // an item whose disk usage is its length (a file of an FTP server).
    void AddSize(std::int64_t nLength, std::int64_t nDisk);
    void AddSize(std::int64_t nDelta) { AddSize(nDelta, nDelta); }
    // Takes this entry's whole totals out of its ancestors (before it leaves the tree).
    void SubtractFromAncestors() const;

    // Links a child made for this directory after the others (the walk: in listing order).
    void AppendChild(CEntry* pChild);
    // Takes pChild out of the children, the others keeping their order. It stays in the
    // arena until freed. False when it is not a child.
    bool RemoveChild(const CEntry* pChild);
    // Puts pNew where pOld stands among the children. False when pOld is not a child.
    bool ReplaceChild(const CEntry* pOld, CEntry* pNew);
    // Orders the children by name (CompareNames) and cuts their array to size: a finished
    // directory does not grow again until a refresh replaces it.
    void SortChildren();

    void SetName(std::string_view name);
    void SetTimes(CTime created, CTime modified, CTime accessed);
    // A saved search may leave times out (ncdu keeps only the modification time, and only
    // when asked to): bit 0 created, 1 modified, 2 accessed. Such a time reads as 0 and its
    // text is empty rather than a date in 1970.
    void SetUnknownTimes(unsigned mask);

    CEntry* GetParent() const
    {
        return m_nParent != CEntryPlaces::kNoPlace ? CEntryPlaces::At(CEntryPlaces::HeaderOf(this).pTable, m_nParent)
                                                   : nullptr;
    }
    // The children, sorted by name once their directory has been read.
    const CEntryChildren& GetChildren() const { return m_children; }
    // Position among its siblings in listing order, mod 8: picks the block's shade.
    int GetColour() const { return static_cast<int>(m_nColour); }
    void SetColour(int nColour) { m_nColour = static_cast<std::uint32_t>(nColour) & 7u; }
    // A directory on another file system than its search root: kept, never descended into.
    bool IsMountPoint() const { return m_bMountPoint != 0; }
    void SetMountPoint(bool bMountPoint) { m_bMountPoint = bMountPoint ? 1 : 0; }
    // A directory the search had met already under another name (a bind mount shows one
    // folder in two places): kept empty, counting nothing, never descended into.
    bool IsDirRepeat() const { return m_bDirRepeat != 0; }
    void SetDirRepeat(bool bRepeat) { m_bDirRepeat = bRepeat ? 1 : 0; }
    // An item the search left out (an exclusion pattern, or a cache folder): kept with
    // nothing counted, never descended into.
    bool IsExcluded() const { return m_bExcluded != 0; }
    void SetExcluded(bool bExcluded) { m_bExcluded = bExcluded ? 1 : 0; }
    std::string GetPath() const;
    // Names of this many bytes or more have their length stored with them.
    static constexpr std::uint8_t kLongName = 0xFF;
    std::string_view GetName() const { return NameOf(CEntryPlaces::HeaderOf(this).pNames, m_nName, m_nNameLength); }
    // Asks the processor to fetch the name's bytes: walks over many entries call it a few
    // entries ahead of the one whose name they read.
    void PrefetchName() const
    {
        __builtin_prefetch(CEntryPlaces::NameAt(CEntryPlaces::HeaderOf(this).pNames, m_nName));
    }
    BOOL IsDirectory() const { return m_bDirectory ? TRUE : FALSE; }
    // The total in the measure shown: lengths, or sizes on disk.
    std::int64_t GetSize() const { return s_bDiskSizes ? GetDiskSize() : GetLength(); }
    std::int64_t GetLength() const { return m_bWideSizes ? WideSize(0) : PackedLength(); }
    std::int64_t GetDiskSize() const { return m_bWideSizes ? WideSize(1) : PackedDisk(); }
    // A directory's own blocks: its disk total less its children's.
    std::int64_t GetOwnDiskSize() const;
    static void ShowDiskSizes(bool bDisk) { s_bDiskSizes = bDisk; }
    static bool ShowsDiskSizes() { return s_bDiskSizes; }

    // A directory that could not be listed (no permission, or gone before it was read).
    bool IsUnreadable() const { return m_bUnreadable != 0; }
    void SetUnreadable(bool bUnreadable);
    // A file with several names: its identity, or null for any other entry.
    const CHardLinkId* GetHardLink() const;
    // What the item itself takes on the disk, whether it counts it or not: a file's
    // blocks (another name's carrying them or not), a directory's own.
    std::int64_t GetItemDiskSize() const;
    // Counted 0 on disk: another name of the same file carries its blocks.
    bool IsLinkRepeat() const { return m_bLinkRepeat != 0; }
    // Marks a file with several names, claiming its blocks (nDisk) unless another name of
    // it already did; what it counts on disk is added up the tree.
    void SetHardLink(const CHardLinkId& id, std::int64_t nDisk);
    // Which item of which file system the search met here, where its reader could tell (a
    // local search); false when it could not (an FTP server, a saved search). A deletion
    // removes nothing that is not still this very item. Only a directory keeps its inode,
    // and a file with several names in its identity (GetHardLink): any other file answers
    // false, and a deletion looks at it again (DeleteForGood).
    bool GetIdentity(std::uint64_t& device, std::uint64_t& inode) const;
    // Records it. An entry lies on its parent's file system unless its device says another.
    void SetIdentity(std::uint64_t device, std::uint64_t inode);
    // The device of the file system the entry lies on, or 0 when not known.
    std::uint64_t GetDevice() const;
    // Where a file system begins in this tree: the root, or an entry whose device is not
    // its parent's (a mount point).
    bool StartsDevice() const { return m_bOwnDevice != 0; }
    // "Directory", "Directory (unreadable)", "Directory (other file system)" for a mount
    // point, "Directory (already counted)" for a repeat, "File", or "File (hard link)" for
    // a name that counts 0 while sizes on disk are shown.
    std::string GetTypeText() const;
    // Counted up the parent chain: entries do not spend bytes on it.
    int GetDepth() const;
    std::string GetSizeText() const;
    std::string GetCreatedText() const;
    std::string GetModifiedText() const;
    std::string GetAccessedText() const;
    CTime GetCreatedTime() const { return CTime(TimeAt(0)); }
    CTime GetModifiedTime() const { return CTime(TimeAt(1)); }
    // False when a saved search left the modification time out (and for a search's root).
    bool HasModifiedTime() const { return m_times[1] != kUnknownTime; }
    CTime GetAccessedTime() const { return CTime(TimeAt(2)); }
    // Small icon index for the closed or open state; looked up on first request and kept
    // in the arena, as only the few entries ever drawn have one.
    int GetIconIndex(BOOL bOpen);
    BOOL HasSubdirectories() const;

    // The icon lookup used by GetIconIndex: path (a directory's ends in "/"), open state,
    // and whether the entry stands for a drive (a search's root, or a mount point below
    // it). Installed by the views layer; without one, lookups answer -1.
    using IconLookup = int (*)(const std::string& path, BOOL bOpen, BOOL bDrive);
    static void SetIconLookup(IconLookup lookup);

private:
    friend class CEntryArena;
    // The parent's place in the arena (which holds every entry), or kNoPlace.
    std::uint32_t m_nParent = CEntryPlaces::kNoPlace;
    // The children, sorted by name once their directory has been read.
    CEntryChildren m_children;
    std::uint32_t m_nName = 0;  // in the arena's name chunks (CEntryPlaces::NameAt); 0: empty
    // Created, modified, accessed: seconds since 1970. A time before 1970 or from 2106 on
    // puts all three in the arena (kWideTime); kUnknownTime is one a saved search left out.
    std::uint32_t m_times[3] = {};
    // The size on disk in 512-byte blocks, as the file system counts it, or in bytes
    // (m_bDiskInBytes) for a reader that counts otherwise (an FTP server).
    std::uint32_t m_nDisk = 0;
    std::uint8_t m_length[5] = {};  // bytes, little-endian
    // The name's length, or kLongName for one that has its length stored before it.
    std::uint8_t m_nNameLength = 0;
    std::uint16_t m_nColour : 3 = 0;  // position among its siblings in listing order, mod 8
    std::uint16_t m_bDirectory : 1 = 0;
    // A directory on another file system than its search root.
    std::uint16_t m_bMountPoint : 1 = 0;
    std::uint16_t m_bDirRepeat : 1 = 0;  // met already under another name
    std::uint16_t m_bOwnDevice : 1 = 0;  // its device is in the arena, not its parent's
    std::uint16_t m_bUnreadable : 1 = 0;
    std::uint16_t m_bHardLink : 1 = 0;  // its identity is in the arena's link table
    std::uint16_t m_bLinkRepeat : 1 = 0;
    std::uint16_t m_bExcluded : 1 = 0;
    // Both sizes are in the arena: a length from 1 TiB on, or a size on disk that neither
    // 32-bit form holds (from 2 TiB on, or 4 GiB on for one counted in bytes).
    std::uint16_t m_bWideSizes : 1 = 0;
    std::uint16_t m_bDiskInBytes : 1 = 0;
    std::uint16_t m_bIcons : 1 = 0;  // icon indices were looked up: they are in the arena

    CEntry() = default;
    ~CEntry() = default;

    std::uint32_t* FindChild(const CEntry* pChild);
    void SetParent(const CEntry* pParent)
    {
        m_nParent = pParent != nullptr ? CEntryPlaces::PlaceOf(pParent) : CEntryPlaces::kNoPlace;
    }

    static constexpr std::uint32_t kWideTime = 0xFFFFFFFE;
    static constexpr std::uint32_t kUnknownTime = 0xFFFFFFFF;
    static constexpr std::int64_t kLengthLimit = std::int64_t{1} << 40;

    std::int64_t TimeAt(int i) const;
    std::string TimeText(int i) const;  // empty when the time is unknown
    bool HasWideTimes() const;
    std::int64_t PackedLength() const
    {
        std::uint64_t u = 0;
        for (int b = sizeof m_length; b-- > 0;)
            u = (u << 8) | m_length[b];
        return static_cast<std::int64_t>(u);
    }
    std::int64_t PackedDisk() const { return m_bDiskInBytes ? m_nDisk : std::int64_t{m_nDisk} << 9; }
    std::int64_t WideSize(int i) const;  // 0: length, 1: on disk
    // Stores both totals, in the entry where they fit and in the arena otherwise.
    void SetTotals(std::int64_t nLength, std::int64_t nDisk);

    // A name reference (m_nName, m_nNameLength) read through its arena's table of name
    // chunks. Names are stored without their length, which the entry keeps, unless they
    // are longer than its byte holds.
    static std::string_view NameOf(char* const* pNames, std::uint32_t nName, std::uint8_t nLength)
    {
        if (nName == 0)
            return {};
        const char* pStored = CEntryPlaces::NameAt(pNames, nName);
        if (nLength != kLongName)
            return {pStored, nLength};
        std::uint32_t nLong = 0;
        std::memcpy(&nLong, pStored, sizeof nLong);
        return {pStored + sizeof nLong, nLong};
    }

    static inline bool s_bDiskSizes = false;
};

// Orders children by name: byte by byte after folding
// A-Z to a-z, so "_x" < "A" < "b".
int CompareNames(std::string_view a, std::string_view b);
void SortChildrenByName(CEntry& directory);
