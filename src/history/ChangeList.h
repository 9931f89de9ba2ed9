#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class CEntry;
class CSearchComparison;

// How sizes are compared: the files' lengths, or what they take on the disk.
enum class SizeMeasure { Length, Disk };

std::int64_t SizeIn(const CEntry& entry, SizeMeasure measure);

// One item's change between two searches: a directory's is that of everything below it.
struct CChange {
    const CEntry* pEntry = nullptr;  // the current entry, or the earlier one of an item gone; not owned
    bool bBefore = false;  // the earlier search held it
    bool bAfter = false;  // the current search holds it
    std::int64_t nBefore = 0;  // bytes; 0 when not held
    std::int64_t nAfter = 0;
    std::int64_t Delta() const { return nAfter - nBefore; }
};

// The nTop largest changes by their size, growth and shrinkage alike, files and directories
// alike, every item below the root (the root's own is the total), the largest first; among
// equal ones the shallower first, then by path. Items that did not change are not listed.
std::vector<CChange> LargestChanges(const CSearchComparison& comparison, SizeMeasure measure, std::size_t nTop);
