#pragma once
#include "model/EntryFilter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// What the views of one document are filtered by (CEntryFilter), kept true as the tree and
// the current directory change. A filter set with a refill is a rule (a find, a type) that
// follows the current directory: the refill fills it again for each new current directory
// and after each refresh. One without a refill is a fixed set of files: a refresh carries
// them to the files at the same paths, a delete drops what it took.
//
// A filter that cannot follow the tree for want of memory is dropped, with a status message:
// a filter showing the wrong files would say what is not so.
class CViewFilter {
public:
    // Fills a cleared filter for the directory given.
    using Refill = std::function<void(CEntry& current, CEntryFilter& filter)>;

    const CEntryFilter* Get() const { return m_pFilter.get(); }
    void Set(std::unique_ptr<CEntryFilter> pFilter, Refill refill);
    void Clear();

    // The current directory changed: a rule is applied to the new one.
    void Follow(CEntry& current);
    // The entry and its subtree are about to leave the tree (when the current directory
    // was among them, Follow its parent too).
    void Forget(const CEntry& top);
    // A directory was read again (CEntryFilter::Replaced); current is fresh or above it.
    void Replaced(const CEntry& old, const CEntry& fresh, CEntry& current);

    // "label: N files, X": the passing files below dir and their total in the measure
    // shown; empty without a filter. Counted once per change.
    const std::string& Text(const CEntry& dir) const;

private:
    template <class Change> void Keep(Change change);
    void Fill(CEntry& current);

    std::unique_ptr<CEntryFilter> m_pFilter;
    Refill m_refill;
    std::uint64_t m_nGeneration = 0;  // one more at every change of the filter
    // The last text, and what it was counted from.
    mutable std::string m_text;
    mutable const CEntry* m_pCounted = nullptr;  // not owned; compared, never followed
    mutable std::uint64_t m_nCountedGeneration = ~std::uint64_t{0};
    mutable bool m_bCountedDisk = false;
};
