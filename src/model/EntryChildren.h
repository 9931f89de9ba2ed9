#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>

class CEntry;
class CEntryArena;

// What every block of entries begins with (CEntryArena): its arena, its number, and the
// arena's tables of blocks, name chunks and children array chunks, through which the 32-bit
// references an entry keeps (a place, CEntryArena::PlaceOf; a name; an array) find what they
// refer to.
struct CEntryBlockHeader {
    CEntryArena* pArena;
    std::size_t nIndex;  // in the table
    char* const* pTable;  // every block's address by its number; never moves
    char* const* pNames;  // every name chunk's address by its number; never moves
    char* const* pArrays;  // every array chunk's address by its number; never moves
};

// Where entries lie in their blocks, and what an entry's references decode to. An entry
// finds its block from its own address, as the blocks are aligned to their size.
struct CEntryPlaces {
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
    static constexpr std::size_t kEntryBytes = 36;
    static constexpr std::size_t kFirstEntry = (sizeof(CEntryBlockHeader) + 7) / 8 * 8;
    static constexpr std::size_t kPerBlock = (kBlockBytes - kFirstEntry) / kEntryBytes;
    static constexpr std::uint32_t kNoPlace = 0xFFFFFFFF;  // no parent, or the end of the free list
    // Names: a chunk of 64 KiB, a position in bytes. Arrays: a chunk of 64 KiB, a position in
    // 8-byte units (arrays are kept aligned for their headers).
    static constexpr unsigned kNamePositionBits = 16;
    static constexpr unsigned kArrayPositionBits = 13;
    static constexpr unsigned kArrayUnitBits = 3;

    static const CEntryBlockHeader& HeaderOf(const void* pInBlock)
    {
        return *reinterpret_cast<const CEntryBlockHeader*>(reinterpret_cast<std::uintptr_t>(pInBlock)
                                                           & ~(kBlockBytes - 1));
    }
    static std::uint32_t PlaceOf(const void* pEntry)
    {
        const auto address = reinterpret_cast<std::uintptr_t>(pEntry);
        const CEntryBlockHeader& block = HeaderOf(pEntry);
        const std::uintptr_t nSlot = (address - reinterpret_cast<std::uintptr_t>(&block) - kFirstEntry) / kEntryBytes;
        return static_cast<std::uint32_t>(block.nIndex * kPerBlock + nSlot);
    }
    static CEntry* At(char* const* pTable, std::uint32_t place)
    {
        return reinterpret_cast<CEntry*>(pTable[place / kPerBlock] + kFirstEntry + place % kPerBlock * kEntryBytes);
    }
    // A stored name: its length in one byte (below 255), or 255 and four bytes; then its bytes.
    static const char* NameAt(char* const* pNames, std::uint32_t ref)
    {
        return pNames[ref >> kNamePositionBits] + (ref & ((1u << kNamePositionBits) - 1));
    }
    // A children array: its header (count, capacity), then the children's places.
    static std::uint32_t* ArrayAt(char* const* pArrays, std::uint32_t ref)
    {
        return reinterpret_cast<std::uint32_t*>(
                   pArrays[ref >> kArrayPositionBits]
                   + (std::size_t{ref & ((1u << kArrayPositionBits) - 1)} << kArrayUnitBits))
            + 2;
    }
};

// The children of an entry: their places in their arena (32 bits each, half a pointer), in
// one array held by the arena, which the entry refers to in 32 bits. The array grows while its directory is read and is cut to
// its exact size once the directory is sorted. Only CEntry and the arena change it; everyone
// else iterates it like a vector of pointers, the iterator turning each place into its entry.
class CEntryChildren {
public:
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = CEntry*;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = CEntry*;  // made from the place: there is no pointer to refer to

        const_iterator() = default;
        const_iterator(const std::uint32_t* p, char* const* pTable) : m_p(p), m_pTable(pTable) {}
        CEntry* operator*() const { return CEntryPlaces::At(m_pTable, *m_p); }
        CEntry* operator[](difference_type n) const { return CEntryPlaces::At(m_pTable, m_p[n]); }
        const_iterator& operator++() { return ++m_p, *this; }
        const_iterator operator++(int) { return {m_p++, m_pTable}; }
        const_iterator& operator--() { return --m_p, *this; }
        const_iterator operator--(int) { return {m_p--, m_pTable}; }
        const_iterator& operator+=(difference_type n) { return m_p += n, *this; }
        const_iterator& operator-=(difference_type n) { return m_p -= n, *this; }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.m_p - b.m_p; }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.m_p == b.m_p; }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.m_p <=> b.m_p; }

    private:
        const std::uint32_t* m_p = nullptr;
        char* const* m_pTable = nullptr;
    };
    using value_type = CEntry*;
    using iterator = const_iterator;

    CEntryChildren() = default;
    // Lives in its entry, whose block gives its iterators the arena's table: never copied.
    CEntryChildren(const CEntryChildren&) = delete;
    CEntryChildren& operator=(const CEntryChildren&) = delete;

    const_iterator begin() const { return {Slots(), Table()}; }
    const_iterator end() const
    {
        const std::uint32_t* pSlots = Slots();
        return {pSlots != nullptr ? pSlots + Header(pSlots).count : nullptr, Table()};
    }
    std::size_t size() const { return m_nArray != 0 ? Header(Slots()).count : 0; }
    bool empty() const { return size() == 0; }
    CEntry* operator[](std::size_t i) const { return CEntryPlaces::At(Table(), Slots()[i]); }
    CEntry* front() const { return (*this)[0]; }
    CEntry* back() const { return (*this)[size() - 1]; }

private:
    friend class CEntry;
    friend class CEntryArena;

    // Stored in the two slots just before the first child.
    struct ArrayHeader {
        std::uint32_t count;
        std::uint32_t capacity;
    };
    static_assert(sizeof(ArrayHeader) == 2 * sizeof(std::uint32_t));

    static ArrayHeader& Header(std::uint32_t* pSlots) { return reinterpret_cast<ArrayHeader*>(pSlots)[-1]; }
    static const ArrayHeader& Header(const std::uint32_t* pSlots)
    {
        return reinterpret_cast<const ArrayHeader*>(pSlots)[-1];
    }
    std::size_t capacity() const { return m_nArray != 0 ? Header(Slots()).capacity : 0; }
    // The places, or null when there is no array. The entry whose member this is lies in its
    // arena's block, whose header has the arena's tables.
    std::uint32_t* Slots() const
    {
        return m_nArray != 0 ? CEntryPlaces::ArrayAt(CEntryPlaces::HeaderOf(this).pArrays, m_nArray) : nullptr;
    }
    char* const* Table() const { return CEntryPlaces::HeaderOf(this).pTable; }

    std::uint32_t m_nArray = 0;  // 0 until the first child; the arena owns the array
};
