#pragma once
#include "Entry.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The items the user has marked for cleaning up in one search, a set of its own beside the
// selection. A mark covers its item and everything below it; a mark below another stays a
// mark of its own (unmarking the outer one leaves it marked) but counts once, inside the
// outer one (TopMarked).
//
// A mark is one bit per place of the tree's arena (CEntryArena::PlaceOf), not a field of
// the entry: a million marks take 128 KiB, and marking or unmarking is one bit.
//
// The tree may change while marks last, through its document alone: an entry taken out
// (Forget, before it is freed) or a directory read again (Replaced, while the old copy is
// still whole), whose marks go over to the items at the same paths that still exist.
class CMarkSet {
public:
    // Marks in the tree of root, which must outlive the set unless Replaced says otherwise.
    explicit CMarkSet(const CEntry& root);

    bool IsMarked(const CEntry& entry) const;
    // Marked, or below a marked directory: what deleting the marks would take.
    bool IsCovered(const CEntry& entry) const;
    // Throws std::bad_alloc when the set cannot grow (an entry beyond its places).
    void SetMarked(const CEntry& entry, bool bMarked);
    void Toggle(const CEntry& entry) { SetMarked(entry, !IsMarked(entry)); }
    void Clear();
    // Marks set, nested ones included.
    std::size_t Count() const { return m_nMarks; }
    bool IsEmpty() const { return m_nMarks == 0; }

    // The marked items below no other mark, in the order of the tree: depth first, each
    // directory's children in name order.
    std::vector<const CEntry*> TopMarked() const;

    // The entry, with everything below it, is about to leave the tree: its marks go.
    void Forget(const CEntry& top);
    // A directory was read again: fresh stands where old stood (or is the new root) and
    // old, still whole, is about to be freed. Each mark in old goes to the item of fresh at
    // the same path, a directory to a directory and a file to a file, when there is one.
    // Throws std::bad_alloc like SetMarked.
    void Replaced(const CEntry& old, const CEntry& fresh);

private:
    static constexpr std::size_t kBits = 64;
    void Set(std::size_t place, bool bMarked);
    bool Test(std::size_t place) const
    {
        return place / kBits < m_bits.size() && (m_bits[place / kBits] >> (place % kBits) & 1u) != 0;
    }

    const CEntry* m_pRoot;  // not owned: the document's
    std::vector<std::uint64_t> m_bits;  // by place in the tree's arena
    std::size_t m_nMarks = 0;
};
