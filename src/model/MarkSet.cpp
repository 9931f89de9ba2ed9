#include "MarkSet.h"

#include "EntryArena.h"
#include "TreeWalk.h"

#include <algorithm>
#include <utility>

CMarkSet::CMarkSet(const CEntry& root) : m_pRoot(&root) {}

bool CMarkSet::IsMarked(const CEntry& entry) const { return Test(CEntryArena::PlaceOf(entry)); }

bool CMarkSet::IsCovered(const CEntry& entry) const
{
    if (m_nMarks == 0)
        return false;
    for (const CEntry* p = &entry; p != nullptr; p = p->GetParent())
        if (IsMarked(*p))
            return true;
    return false;
}

void CMarkSet::SetMarked(const CEntry& entry, bool bMarked) { Set(CEntryArena::PlaceOf(entry), bMarked); }

void CMarkSet::Set(std::size_t place, bool bMarked)
{
    if (Test(place) == bMarked)
        return;
    const std::size_t word = place / kBits;
    if (word >= m_bits.size()) {
        // Sized to the whole arena once, then grown as a refresh adds blocks.
        const std::size_t nWords = (CEntryArena::Of(*m_pRoot).PlaceCount() + kBits - 1) / kBits;
        m_bits.resize(std::max({word + 1, nWords, m_bits.size() + m_bits.size() / 2}), 0);
    }
    m_bits[word] ^= std::uint64_t{1} << (place % kBits);
    if (bMarked)
        ++m_nMarks;
    else
        --m_nMarks;
}

void CMarkSet::Clear()
{
    std::fill(m_bits.begin(), m_bits.end(), 0);
    m_nMarks = 0;
}

// Depth first from the root, never below a mark: with the root's children marked, the walk
// is over after them, however large the tree.
std::vector<const CEntry*> CMarkSet::TopMarked() const
{
    std::vector<const CEntry*> top;
    if (m_nMarks == 0)
        return top;
    std::vector<const CEntry*> pending{m_pRoot};
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        if (IsMarked(*p)) {
            top.push_back(p);
            continue;
        }
        const CEntryChildren& children = p->GetChildren();
        pending.insert(pending.end(), std::make_reverse_iterator(children.end()),
                       std::make_reverse_iterator(children.begin()));
    }
    return top;
}

void CMarkSet::Forget(const CEntry& top)
{
    if (m_nMarks == 0)
        return;
    ForEachBelow(top, [this](const CEntry& entry) { SetMarked(entry, false); });
}

void CMarkSet::Replaced(const CEntry& old, const CEntry& fresh)
{
    if (old.GetParent() == nullptr)
        m_pRoot = &fresh;
    if (m_nMarks == 0)
        return;
    // Pairs of directories at the same path, matched without recursion.
    std::vector<std::pair<const CEntry*, const CEntry*>> pending{{&old, &fresh}};
    const auto carry = [this](const CEntry& from, const CEntry& to) {
        if (IsMarked(from)) {
            SetMarked(from, false);
            SetMarked(to, true);
        }
    };
    while (!pending.empty()) {
        const auto [pOld, pFresh] = pending.back();
        pending.pop_back();
        carry(*pOld, *pFresh);
        MatchChildren(*pOld, *pFresh, [&](const CEntry* pA, const CEntry* pB) {
            if (pA != nullptr && pB != nullptr && pB->IsDirectory())
                pending.emplace_back(pA, pB);
            else if (pA != nullptr && pB != nullptr)
                carry(*pA, *pB);
            else if (pA != nullptr)
                Forget(*pA);
        });
    }
}
