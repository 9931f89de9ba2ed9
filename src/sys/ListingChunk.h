#pragma once
#include "FileStatus.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The items of one batch of a listing, read ahead and waiting for the walk: a name and a
// status each. The read-ahead holds tens of thousands of these at once, so an item's status
// is kept in 32 bytes where it fits as most do: times as 32-bit seconds from 1970, length
// below 4 GiB, blocks as a 32-bit count, the device the batch's own, links those of a file
// with one name (or a directory, whose links nobody asks). Any other item, and a name past
// where the short fields reach, keeps its whole status aside (Wide).
class CListingChunk {
public:
    struct Record {
        std::uint64_t inode;
        std::uint32_t times[3];  // created, modified, accessed
        std::uint32_t length;  // bytes; for a wide record, its place in the wide ones
        std::uint32_t blocks;  // 512 bytes each
        std::uint16_t nameOffset;
        std::uint8_t nameLength;
        std::uint8_t flags;
    };
    static_assert(sizeof(Record) == 32);

    // Room for what a batch holds, counted before its statuses are read, so that the chunk
    // takes what it needs and no more, in one allocation for records and names together.
    void Reserve(std::size_t nRecords, std::size_t nNameBytes);
    // Appends an item; may throw std::bad_alloc.
    void Add(std::string_view name, const CFileStatus& status);
    void Clear();
    std::size_t Size() const { return m_nRecords; }
    bool Empty() const { return m_nRecords == 0; }
    // How many items keep their whole status aside.
    std::size_t WideCount() const { return m_wide.size(); }
    const Record& At(std::size_t i) const { return Records()[i]; }
    std::string_view NameOf(const Record& r) const;
    // The status as it was added.
    void StatusOf(const Record& r, CFileStatus& status) const;

private:
    enum : std::uint8_t { kDirectory = 1, kWide = 2, kNoDevice = 4 };
    struct Wide {
        CFileStatus status;
        std::uint32_t nameOffset;
        std::uint32_t nameLength;
    };
    bool Fits(const CFileStatus& status, std::size_t nNameOffset, std::size_t nNameLength) const;
    Record* Records() const { return reinterpret_cast<Record*>(m_pBlock.get()); }
    char* Names() const { return reinterpret_cast<char*>(m_pBlock.get()) + m_nRecordRoom * sizeof(Record); }
    void MakeRoom(std::size_t nRecords, std::size_t nNameBytes);

    // The records, then the names; unsigned char, so that records may live in it.
    std::unique_ptr<unsigned char[]> m_pBlock;
    std::size_t m_nRecords = 0;
    std::size_t m_nRecordRoom = 0;
    std::size_t m_nNameBytes = 0;
    std::size_t m_nNameRoom = 0;
    std::vector<Wide> m_wide;
    std::uint64_t m_device = 0;  // of the first item whose device is known
};
