#pragma once
#include <cstddef>
#include <cstdint>

class CEntry;

// The children of an entry: pointers in one array held by the entry's arena. The array grows
// while its directory is read and is cut to its exact size once the directory is sorted.
// Only CEntry and the arena change its size; everyone else iterates it like a vector of
// pointers.
class CEntryChildren {
public:
    using value_type = CEntry*;
    using const_iterator = CEntry* const*;
    using iterator = CEntry**;

    const_iterator begin() const { return m_pSlots; }
    const_iterator end() const { return m_pSlots + size(); }
    // The order may be changed in place (a directory being read keeps its listing order).
    CEntry** begin() { return m_pSlots; }
    CEntry** end() { return m_pSlots + size(); }
    std::size_t size() const { return m_pSlots != nullptr ? Header(m_pSlots).count : 0; }
    bool empty() const { return size() == 0; }
    CEntry* operator[](std::size_t i) const { return m_pSlots[i]; }
    CEntry* front() const { return m_pSlots[0]; }
    CEntry* back() const { return m_pSlots[size() - 1]; }

private:
    friend class CEntry;
    friend class CEntryArena;

    // Stored in the slot just before the first child.
    struct ArrayHeader {
        std::uint32_t count;
        std::uint32_t capacity;
    };
    static_assert(sizeof(ArrayHeader) == sizeof(CEntry*));

    static ArrayHeader& Header(CEntry** pSlots) { return reinterpret_cast<ArrayHeader*>(pSlots)[-1]; }
    std::size_t capacity() const { return m_pSlots != nullptr ? Header(m_pSlots).capacity : 0; }

    CEntry** m_pSlots = nullptr;  // null until the first child; the arena owns the array
};
