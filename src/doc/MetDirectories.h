#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The directories a walk has met, known by device and inode, for a walk that enters none
// twice. A walk meets a million of them: one table of inodes per device (a walk meets a few
// devices, most often one), open addressing with linear probing, so that a directory costs
// 8 bytes of a flat array and neither an allocation of its own nor a division to place it.
// Inode 0 marks a free slot: an item whose inode is unknown is never taken for another.
class CMetDirectories {
public:
    // Notes the directory; true when it had been met before. Inode 0 is never met before,
    // nor kept. Should memory run out, throws std::bad_alloc with the set as it was.
    bool Meet(std::uint64_t device, std::uint64_t inode);
    // Forgets every directory and gives the memory back.
    void Clear() { m_tables = {}; }
    // Directories noted, on every device.
    std::size_t Size() const;

private:
    struct Table {
        std::uint64_t device = 0;
        std::size_t nCount = 0;
        unsigned nShift = 64;  // 64 less the bits of the slots' count, a power of two
        std::vector<std::uint64_t> inodes;  // the slots, 0 where free ("slots" is Qt's keyword)
    };
    static std::size_t SlotOf(const Table& table, std::uint64_t inode);
    static void Grow(Table& table);

    std::vector<Table> m_tables;
};
