#include "EntryFilter.h"

#include "TreeWalk.h"

#include <algorithm>
#include <limits>

CEntryFilter::CEntryFilter(const CEntry& root, std::string label) : m_pRoot(&root), m_label(std::move(label)) {}

void CEntryFilter::Add(const CEntry& file)
{
    Unnote();
    if (file.IsDirectory() || Passes(file))
        return;
    Set(CEntryArena::PlaceOf(file), true);
    ++m_nFiles;
    // The directories above hold a passing file now; above one that already held one,
    // every directory did.
    for (const CEntry* p = file.GetParent(); p != nullptr && !Passes(*p); p = p->GetParent())
        Set(CEntryArena::PlaceOf(*p), true);
}

void CEntryFilter::NoteFilesBelow(const CEntry& dir, std::vector<CEntry*> files, std::int64_t nTotal)
{
    m_noted = {&dir, std::move(files), nTotal, CEntry::ShowsDiskSizes()};
}

const std::vector<CEntry*>* CEntryFilter::FilesBelow(const CEntry& dir) const
{
    return m_noted.pDir == &dir ? &m_noted.files : nullptr;
}

void CEntryFilter::Unnote()
{
    if (m_noted.pDir != nullptr)
        m_noted = {};
}

void CEntryFilter::Set(std::size_t place, bool bSet)
{
    const std::size_t word = place / kBits;
    if (word >= m_bits.size()) {
        if (!bSet)
            return;
        // Sized to the whole arena once, then grown as a refresh adds blocks.
        const std::size_t nWords = (CEntryArena::Of(*m_pRoot).PlaceCount() + kBits - 1) / kBits;
        m_bits.resize(std::max({word + 1, nWords, m_bits.size() + m_bits.size() / 2}), 0);
    }
    const std::uint64_t bit = std::uint64_t{1} << (place % kBits);
    m_bits[word] = bSet ? (m_bits[word] | bit) : (m_bits[word] & ~bit);
}

void CEntryFilter::Clear()
{
    Unnote();
    std::fill(m_bits.begin(), m_bits.end(), 0);
    m_nFiles = 0;
}

std::pair<std::size_t, std::int64_t> CEntryFilter::CountBelow(const CEntry& dir) const
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (m_noted.pDir == &dir && m_noted.bDiskSizes == CEntry::ShowsDiskSizes())
        return {m_noted.files.size(), m_noted.nTotal};
    std::size_t nCount = 0;
    std::int64_t nTotal = 0;
    const auto count = [&](const CEntry& file) {
        ++nCount;
        nTotal = file.GetSize() > kMax - nTotal ? kMax : nTotal + file.GetSize();
    };
    if (const std::vector<CEntry*>* pFiles = FilesBelow(dir))
        std::for_each(pFiles->begin(), pFiles->end(), [&](const CEntry* p) { count(*p); });
    else
        ForEachPassing(dir, count);
    return {nCount, nTotal};
}

void CEntryFilter::Unset(const CEntry& top)
{
    if (!Passes(top))
        return;
    std::vector<const CEntry*> pending{&top};
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        Set(CEntryArena::PlaceOf(*p), false);
        if (!p->IsDirectory()) {
            --m_nFiles;
            continue;
        }
        for (const CEntry* child : p->GetChildren())
            if (Passes(*child))
                pending.push_back(child);
    }
}

void CEntryFilter::Settle(const CEntry* pDir, const CEntry* pGone)
{
    for (; pDir != nullptr; pDir = pDir->GetParent(), pGone = nullptr) {
        const CEntryChildren& children = pDir->GetChildren();
        const bool bHolds =
            std::any_of(children.begin(), children.end(), [&](const CEntry* c) { return c != pGone && Passes(*c); });
        if (bHolds == Passes(*pDir))
            return;
        Set(CEntryArena::PlaceOf(*pDir), bHolds);
    }
}

void CEntryFilter::Forget(const CEntry& top)
{
    Unnote();  // whatever the bits: the entries counted may be going
    if (!Passes(top))
        return;
    Unset(top);
    Settle(top.GetParent(), &top);
}

void CEntryFilter::Replaced(const CEntry& old, const CEntry& fresh)
{
    Unnote();
    if (old.GetParent() == nullptr)
        m_pRoot = &fresh;
    if (!Passes(old))
        return;
    // Pairs of directories at the same path that hold passing files, matched without
    // recursion; the files of fresh are let through before old's bits go.
    std::vector<std::pair<const CEntry*, const CEntry*>> pending{{&old, &fresh}};
    while (!pending.empty()) {
        const auto [pOld, pFresh] = pending.back();
        pending.pop_back();
        MatchChildren(*pOld, *pFresh, [&](const CEntry* pA, const CEntry* pB) {
            if (pA == nullptr || pB == nullptr || !Passes(*pA))
                return;
            if (pB->IsDirectory())
                pending.emplace_back(pA, pB);
            else
                Add(*pB);
        });
    }
    Unset(old);
    // Old's ancestors are fresh's: they hold a passing file still only if fresh or one of
    // their other children does.
    Settle(fresh.GetParent(), nullptr);
}
