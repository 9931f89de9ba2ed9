#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Memory for an arena's names or its children arrays, in chunks numbered so that an entry
// refers to what it keeps there in 32 bits: the chunk's number in the high bits, the
// position in it (in units of 2^kUnitBits bytes) in the low kPositionBits. Number 0 is never
// given out, so a reference of 0 is none. A piece larger than a quarter of a chunk gets an
// allocation of its own under a number of its own, so that the end of a chunk too short for
// the next piece wastes little.
class CEntryChunks {
public:
    CEntryChunks(unsigned nPositionBits, unsigned nUnitBits);
    ~CEntryChunks();
    CEntryChunks(const CEntryChunks&) = delete;
    CEntryChunks& operator=(const CEntryChunks&) = delete;

    // A reference to nBytes (a multiple of the unit), taken from the chunk being filled or a
    // new one, or allocated alone. Throws std::bad_alloc when memory or numbers run out.
    std::uint32_t Take(std::size_t nBytes);
    // Pieces from a chunk are kept for reuse by their owner; one allocated alone is given
    // back to the system here, and its number made again.
    bool IsAlone(std::size_t nBytes) const { return nBytes > ChunkBytes() / 4; }
    void GiveBackAlone(std::uint32_t ref);

    char* At(std::uint32_t ref) const
    {
        return m_pTable[ref >> m_nPositionBits] + (std::size_t{ref & ((1u << m_nPositionBits) - 1)} << m_nUnitBits);
    }
    // Every chunk's address by its number: allocated untouched for as many as references can
    // name, so only the part in use takes memory; it never moves.
    char* const* Table() const { return m_pTable; }
    // The bytes taken from the system.
    std::size_t ReservedBytes() const { return m_nBytes; }

    // A table of nCount addresses, all null, whose pages take memory only once written:
    // mapped apart from the heap, where a recycled region would be cleared page by page.
    static char** NewTable(std::size_t nCount);
    static void FreeTable(char** pTable, std::size_t nCount);

private:
    std::size_t ChunkBytes() const { return std::size_t{1} << (m_nPositionBits + m_nUnitBits); }
    std::uint32_t NewNumber();

    std::size_t TableCount() const { return std::size_t{1} << (32 - m_nPositionBits); }

    unsigned m_nPositionBits;
    unsigned m_nUnitBits;
    char** m_pTable = nullptr;
    std::vector<std::size_t> m_aloneBytes;  // by number: the size of a piece allocated alone, else 0
    std::uint32_t m_nNext = 1;  // numbers below have been given out
    std::vector<std::uint32_t> m_numbersFreed;
    std::uint32_t m_nCurrent = 0;  // the chunk being filled, or none
    std::size_t m_nCurrentUsed = 0;  // bytes taken from it
    std::size_t m_nBytes = 0;
};
