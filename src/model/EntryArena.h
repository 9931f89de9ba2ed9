#pragma once
#include "Entry.h"
#include "EntryChunks.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Holds every entry of one document's tree, with their names and children arrays, in large
// blocks: a million entries cost a few dozen allocations, and closing the document gives
// them all back at once without visiting a single entry. What a refresh or a delete takes
// out of the tree (Free) is kept for the entries, names and arrays made next.
//
// Entries live in blocks aligned to their size, so an entry finds its arena from its own
// address (Of) without spending a pointer of its own on it; a table of the blocks turns
// an entry's place (PlaceOf) back into the entry, so that parents and children arrays hold
// places, 32 bits each, rather than pointers. Names and arrays lie in numbered chunks
// (CEntryChunks), so that an entry refers to them in 32 bits as well.
class CEntryArena {
public:
    CEntryArena();
    ~CEntryArena();
    CEntryArena(const CEntryArena&) = delete;
    CEntryArena& operator=(const CEntryArena&) = delete;

    // A blank entry: no parent, no children, empty name, size 0, icons not looked up,
    // colour 0. InitFromItem or InitAsRoot follows.
    CEntry* NewEntry();
    // The copy for re-reading: same parent, name, flags, depth, times, icon caches and
    // colour; size 0 and no children. The source is not changed.
    CEntry* NewCopyForRereading(const CEntry& source);
    // Gives back pEntry and everything below it. The caller has unlinked it from its parent.
    void Free(CEntry* pEntry);
    // Gives back a copy made for re-reading whose walk was given up: the names of the
    // directory it was read for that had handed their files' blocks to it carry them again,
    // so the directory is exactly as it was before the copy was made.
    void AbandonCopy(CEntry* pCopy);

    static CEntryArena& Of(const CEntry& entry);
    // The entry's place in its arena: below PlaceCount(), and never shared by two live
    // entries. A comparison keeps what it knows of each entry in an array by this place
    // rather than in the entry, which stays small.
    static std::size_t PlaceOf(const CEntry& entry);
    std::size_t PlaceCount() const;

    // How many names of a file with several this tree holds (its identity's links count
    // every name it has, in this tree or not).
    std::size_t LinkNamesFound(const CHardLinkId& id) const;

    // Directories marked unreadable among the live entries.
    std::size_t UnreadableCount() const { return m_nUnreadable; }

    // Live entries, and the bytes taken from the system for all of them.
    std::size_t EntryCount() const { return m_nLive; }
    std::size_t ReservedBytes() const;

private:
    friend class CEntry;

    using Block = CEntryBlockHeader;
    static constexpr std::size_t kBlockBytes = CEntryPlaces::kBlockBytes;  // also the alignment
    static constexpr std::size_t kFirstEntry = CEntryPlaces::kFirstEntry;  // past the header
    static constexpr std::size_t kPerBlock = CEntryPlaces::kPerBlock;
    // Places are 32 bits: the table has room for as many blocks as that numbers.
    static constexpr std::size_t kMaxBlocks = (std::size_t{1} << 32) / kPerBlock;
    using Slot = std::uint32_t;
    using Times = std::array<std::int64_t, 3>;
    using Icons = std::array<std::int16_t, 2>;  // closed, open; -1: not looked up

    void FreeOne(CEntry* pEntry);
    void ForgetLink(const CEntry* pEntry);
    void ForgetLinkName(const CHardLinkId& id);

    // Files with several names. The first name of a file met carries its blocks; should the
    // carrier lie in the directory being re-read, the name met in its fresh copy takes over,
    // as the old one is about to go. True when pEntry carries.
    bool ClaimLink(const CEntry* pEntry, const CHardLinkId& id, std::int64_t nDisk);

    // Identities (CEntry::SetIdentity): an inode per directory (m_inodes), so that a search
    // that knows none (FTP, a saved search) pays nothing; a device only where it is not the
    // parent's (the root, mount points).
    std::uint64_t InodeOf(const CEntry& entry) const;
    void SetInode(const CEntry& entry, std::uint64_t inode);
    // The device recorded at the entry or the nearest entry above it that has one, or 0.
    // The last answer is kept: a walk asks for the same parent's again and again.
    std::uint64_t DeviceBelow(const CEntry& entry) const;
    void SetOwnDevice(const CEntry& entry, bool bOwn, std::uint64_t device);
    struct LinkKey {
        std::uint64_t device, inode;
        bool operator==(const LinkKey&) const = default;
    };
    struct LinkKeyHash {
        std::size_t operator()(const LinkKey& k) const { return std::hash<std::uint64_t>()(k.inode * 31 + k.device); }
    };
    struct Link {
        CHardLinkId id;
        std::int64_t nDisk;  // the file's blocks, whether this name carries them or not
    };

    // Names: each stored with its length in front, in one byte below 255, else as 255 and
    // four bytes. References (CEntryPlaces::NameAt); 0 is the empty name, never stored.
    // A name of CEntry::kLongName bytes or more is stored after its length.
    std::uint32_t StoreName(std::string_view name);
    void FreeName(std::uint32_t ref, std::uint8_t nLength);

    // Children arrays, their header in the two slots before the first (CEntryPlaces::ArrayAt).
    // Resizing keeps the children that fit and gives the old array back; to capacity 0 it
    // only gives back. References; 0 is no array.
    std::uint32_t ResizeArray(std::uint32_t ref, std::uint32_t nCapacity);
    std::uint32_t NewArray(std::uint32_t nCapacity);
    void FreeArray(std::uint32_t ref);
    static std::size_t ArrayBytes(std::uint32_t nCapacity);

    std::vector<Block*> m_blocks;
    // Every block's address by its number, for as many as there can be: allocated untouched,
    // so only the part in use takes memory; it never moves while iterators use it.
    char** m_pTable = nullptr;
    std::uint32_t m_nFreeEntry = CEntryPlaces::kNoPlace;  // the free list, linked through m_nParent
    std::size_t m_nLive = 0;
    std::size_t m_nBlockUsed = 0;  // entries taken from the newest block

    CEntryChunks m_names{CEntryPlaces::kNamePositionBits, 0};
    // Names from chunks given back, by stored size, for the next of the same size.
    std::vector<std::vector<std::uint32_t>> m_freeNames;

    CEntryChunks m_arrays{CEntryPlaces::kArrayPositionBits, CEntryPlaces::kArrayUnitBits};
    // Arrays from chunks given back, by capacity; each links the next through its count.
    std::vector<std::uint32_t> m_freeArrays;

    // What an entry holds only for a few: times out of its range, sizes beyond its fields
    // (length, on disk), the icons of the entries drawn.
    std::unordered_map<const CEntry*, Times> m_wideTimes;
    std::unordered_map<const CEntry*, std::pair<std::int64_t, std::int64_t>> m_wideSizes;
    std::unordered_map<const CEntry*, Icons> m_icons;

    std::unordered_map<const CEntry*, Link> m_links;  // every name of such a file
    std::unordered_map<LinkKey, const CEntry*, LinkKeyHash> m_linkCarriers;
    std::unordered_map<LinkKey, std::size_t, LinkKeyHash> m_linkNames;  // names in the tree
    const CEntry* m_pRereading = nullptr;  // the directory a fresh copy is being read for
    // Files whose carrier in that directory handed over to the fresh copy, with the old carrier.
    std::vector<std::pair<LinkKey, const CEntry*>> m_handedOver;
    std::size_t m_nUnreadable = 0;

    // Inode numbers of directories (CEntry::SetIdentity keeps no other), by block, each
    // block's sorted by slot: a tenth of the entries or so, found by a binary search on the
    // rare occasions one is asked for (a deletion, a refresh of a mount point).
    struct SlotInode {
        std::uint32_t nSlot;
        std::uint32_t nLow;
        std::uint32_t nHigh;
    };
    std::vector<std::vector<SlotInode>> m_inodes;
    std::unordered_map<const CEntry*, std::uint64_t> m_devices;  // of the entries that start one
    mutable const CEntry* m_pDeviceAsked = nullptr;  // the last DeviceBelow asked, and its answer
    mutable std::uint64_t m_deviceAnswer = 0;
};
