#include "MetDirectories.h"

#include <algorithm>
#include <utility>

namespace {
constexpr unsigned kFirstBits = 6;  // 64 slots to start with
}  // namespace

// Fibonacci hashing: the top bits of the product spread inodes handed out in sequence
// (as most file systems do) evenly over the slots.
std::size_t CMetDirectories::SlotOf(const Table& table, std::uint64_t inode)
{
    return static_cast<std::size_t>((inode * 0x9e3779b97f4a7c15ULL) >> table.nShift);
}

// Twice the slots, filled anew; the table changes only once the new slots are ready.
void CMetDirectories::Grow(Table& table)
{
    const unsigned nBits = table.inodes.empty() ? kFirstBits : 64 - table.nShift + 1;
    Table grown;
    grown.device = table.device;
    grown.nCount = table.nCount;
    grown.nShift = 64 - nBits;
    grown.inodes.assign(std::size_t{1} << nBits, 0);
    const std::size_t nMask = grown.inodes.size() - 1;
    for (const std::uint64_t inode : table.inodes) {
        if (inode == 0)
            continue;
        std::size_t i = SlotOf(grown, inode);
        while (grown.inodes[i] != 0)
            i = (i + 1) & nMask;
        grown.inodes[i] = inode;
    }
    table = std::move(grown);
}

bool CMetDirectories::Meet(std::uint64_t device, std::uint64_t inode)
{
    if (inode == 0)
        return false;
    auto it = std::find_if(m_tables.begin(), m_tables.end(), [device](const Table& t) { return t.device == device; });
    if (it == m_tables.end()) {
        Table table;
        table.device = device;
        Grow(table);
        m_tables.push_back(std::move(table));
        it = m_tables.end() - 1;
    }
    Table& table = *it;
    // At most three quarters full, so that a search ends after a few slots.
    if ((table.nCount + 1) * 4 > table.inodes.size() * 3)
        Grow(table);
    const std::size_t nMask = table.inodes.size() - 1;
    for (std::size_t i = SlotOf(table, inode);; i = (i + 1) & nMask) {
        if (table.inodes[i] == inode)
            return true;
        if (table.inodes[i] == 0) {
            table.inodes[i] = inode;
            ++table.nCount;
            return false;
        }
    }
}

std::size_t CMetDirectories::Size() const
{
    std::size_t n = 0;
    for (const Table& table : m_tables)
        n += table.nCount;
    return n;
}
