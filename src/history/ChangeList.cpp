#include "ChangeList.h"

#include "model/SearchComparison.h"

#include <algorithm>

namespace {
std::int64_t Magnitude(const CChange& change)
{
    const std::int64_t delta = change.Delta();  // sizes are never negative: this never overflows
    return delta < 0 ? -delta : delta;
}

bool RanksBefore(const CChange& a, const CChange& b)
{
    if (Magnitude(a) != Magnitude(b))
        return Magnitude(a) > Magnitude(b);
    const int nDepthA = a.pEntry->GetDepth(), nDepthB = b.pEntry->GetDepth();
    if (nDepthA != nDepthB)
        return nDepthA < nDepthB;
    return a.pEntry->GetPath() < b.pEntry->GetPath();  // byte order; paths made only for ties
}

// The best nTop changes offered so far, in a heap whose front is the one that ranks last,
// so that a million items cost nTop places and a comparison each.
class CTopChanges {
public:
    explicit CTopChanges(std::size_t nTop) : m_nTop(nTop) {}

    void Offer(const CChange& change)
    {
        if (change.Delta() == 0)
            return;
        if (m_heap.size() < m_nTop) {
            m_heap.push_back(change);
            std::push_heap(m_heap.begin(), m_heap.end(), RanksBefore);
        } else if (RanksBefore(change, m_heap.front())) {
            std::pop_heap(m_heap.begin(), m_heap.end(), RanksBefore);
            m_heap.back() = change;
            std::push_heap(m_heap.begin(), m_heap.end(), RanksBefore);
        }
    }
    // Also offers everything below an item gone, which is gone as well.
    void OfferGone(const CEntry& gone, SizeMeasure measure)
    {
        std::vector<const CEntry*> pending{&gone};
        while (!pending.empty()) {
            const CEntry* p = pending.back();
            pending.pop_back();
            Offer({p, true, false, SizeIn(*p, measure), 0});
            pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
        }
    }
    std::vector<CChange> Take()
    {
        std::sort_heap(m_heap.begin(), m_heap.end(), RanksBefore);
        return std::move(m_heap);
    }

private:
    std::size_t m_nTop;
    std::vector<CChange> m_heap;
};
}  // namespace

std::int64_t SizeIn(const CEntry& entry, SizeMeasure measure)
{
    return measure == SizeMeasure::Disk ? entry.GetDiskSize() : entry.GetLength();
}

std::vector<CChange> LargestChanges(const CSearchComparison& comparison, SizeMeasure measure, std::size_t nTop)
{
    if (nTop == 0)
        return {};
    CTopChanges top(nTop);
    const CEntry& root = comparison.GetCurrentRoot();
    for (const CEntry* pGone : comparison.RemovedChildren(root))
        top.OfferGone(*pGone, measure);
    std::vector<const CEntry*> pending(root.GetChildren().begin(), root.GetChildren().end());
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        const CEntry* pEarlier = comparison.EarlierOf(*p);
        top.Offer(
            {p, pEarlier != nullptr, true, pEarlier != nullptr ? SizeIn(*pEarlier, measure) : 0, SizeIn(*p, measure)});
        pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
        if (pEarlier != nullptr && p->IsDirectory())
            for (const CEntry* pGone : comparison.RemovedChildren(*p))
                top.OfferGone(*pGone, measure);
    }
    return top.Take();
}
