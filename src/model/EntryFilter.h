#pragma once
#include "EntryArena.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The files a lens lets through (a find, a row of the types panel), with the label that
// says what they are. Views show these and dim or leave out the rest; the tree, its totals,
// the selection and the current directory stay as they are.
//
// One bit per place of the tree's arena, as the marks keep theirs: a file passes when its
// bit is set, a directory when it holds a passing file somewhere below, so that a walk for
// the passing files goes only down directories that hold some.
//
// The tree may change while the filter lasts, through its document alone: an entry taken
// out (Forget, before it is freed) or a directory read again (Replaced, while the old copy
// is still whole), whose passing files go over to the files at the same paths.
class CEntryFilter {
public:
    // Files of the tree of root, which must outlive the filter unless Replaced says otherwise.
    CEntryFilter(const CEntry& root, std::string label);

    const std::string& GetLabel() const { return m_label; }
    // Lets a file of the tree through (a directory given is ignored). Throws std::bad_alloc
    // when the set cannot grow.
    void Add(const CEntry& file);
    // A passing file, or a directory holding one.
    bool Passes(const CEntry& entry) const { return Test(CEntryArena::PlaceOf(entry)); }
    // Files let through, in the whole tree.
    std::size_t Count() const { return m_nFiles; }
    void Clear();

    // The passing files below dir (none below a file), depth first, each directory's
    // children in their stored order; visit gets a CEntry&.
    template <class Visit> void ForEachPassing(const CEntry& dir, Visit visit) const;
    // How many files pass below dir, and their total in the measure shown (saturating).
    std::pair<std::size_t, std::int64_t> CountBelow(const CEntry& dir) const;
    // Every passing file below dir, as whoever filled the filter found them (a find does as
    // it goes), with their total in the measure shown: until the filter changes, FilesBelow
    // and CountBelow give them back without a walk. Files are in the tree's order, as
    // ForEachPassing visits them.
    void NoteFilesBelow(const CEntry& dir, std::vector<CEntry*> files, std::int64_t nTotal);
    // The files noted for dir, or null when none are (another directory, or changed since).
    const std::vector<CEntry*>* FilesBelow(const CEntry& dir) const;

    // The entry, with everything below it, is about to leave the tree (still linked to its
    // parent or just unlinked from it).
    void Forget(const CEntry& top);
    // A directory was read again: fresh stands where old stood (or is the new root) and
    // old, still whole, is about to be freed. A passing file of old lets the file of fresh
    // at the same path through, when there is one. Throws std::bad_alloc like Add.
    void Replaced(const CEntry& old, const CEntry& fresh);

private:
    static constexpr std::size_t kBits = 64;
    void Set(std::size_t place, bool bSet);
    bool Test(std::size_t place) const
    {
        return place / kBits < m_bits.size() && (m_bits[place / kBits] >> (place % kBits) & 1u) != 0;
    }
    // Clears the bits of top and everything passing below it.
    void Unset(const CEntry& top);
    // Sets each directory's bit from its children again, from dir up, while it changes;
    // gone is a child to leave out (one being taken away), or null.
    void Settle(const CEntry* pDir, const CEntry* pGone);

    const CEntry* m_pRoot;  // not owned: the document's
    std::string m_label;
    std::vector<std::uint64_t> m_bits;  // by place in the tree's arena
    std::size_t m_nFiles = 0;
    // Drops what was noted: the filter or the tree changes.
    void Unnote();

    struct Noted {
        const CEntry* pDir = nullptr;  // not owned; compared, never followed; null: nothing noted
        std::vector<CEntry*> files;  // not owned: the tree's
        std::int64_t nTotal = 0;
        bool bDiskSizes = false;
    };
    Noted m_noted;
};

template <class Visit> void CEntryFilter::ForEachPassing(const CEntry& dir, Visit visit) const
{
    if (!dir.IsDirectory() || !Passes(dir))
        return;
    // Each directory's children in turn, going down into a passing directory where it
    // stands: the order a find collects its matches in, so that rows sorted afterwards come
    // out the same, ties too, whichever of the two gave them.
    struct Frame {
        const CEntryChildren* pChildren;  // not owned: the tree's
        std::size_t nNext;
    };
    std::vector<Frame> stack{{&dir.GetChildren(), 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const CEntryChildren& children = *frame.pChildren;
        if (frame.nNext == children.size()) {
            stack.pop_back();
            continue;
        }
        // Looking entries up a few ahead overlaps their cache misses.
        if (frame.nNext + 8 < children.size())
            __builtin_prefetch(children[frame.nNext + 8]);
        CEntry* child = children[frame.nNext++];
        if (!Passes(*child))
            continue;
        if (child->IsDirectory())
            stack.push_back({&child->GetChildren(), 0});
        else
            visit(*child);
    }
}
