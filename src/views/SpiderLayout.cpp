#include "SpiderLayout.h"

#include "model/Entry.h"

#include <cmath>

namespace {
// The turn and half turn in single precision, as the figure has always been drawn.
constexpr float kTurn = 6.2831855F;
constexpr float kHalfTurn = 3.1415927F;
// Fans of longer lines are kept whole: their lines seldom repeat, and a grid of their end
// points would cost more than the repeats.
constexpr int kMaxSeenHalf = 128;
}  // namespace

void CSpiderLayout::Build(const CEntry* pCurrent, int cx, int cy, int nLength)
{
    m_lines.clear();
    m_nVisited = 0;
    if (m_nFan > (1U << 31)) {
        // Before the fan numbers wrap, forget every grid: no old mark may match a new fan.
        m_seenHalf.assign(m_seenHalf.size(), -1);
        m_nFan = 0;
    }
    if (pCurrent != nullptr)
        AddFan(*pCurrent, true, 0.0F, cx, cy, nLength, 0);
}

void CSpiderLayout::AddFan(const CEntry& dir, bool bCurrent, float fStart, int x, int y, int nLength, int nLevel)
{
    const float fHalf = static_cast<float>(nLength) * 0.5F;
    // Below one pixel every end point truncates to the centre: no line, and none below.
    if (fHalf < 1.0F || dir.GetChildren().empty())
        return;
    const int nHalf = static_cast<int>(fHalf);
    const int nSide = 2 * nHalf + 1;
    std::uint32_t* pSeen = nullptr;
    if (nHalf <= kMaxSeenHalf) {
        if (m_seen.size() <= static_cast<std::size_t>(nLevel)) {
            m_seen.resize(static_cast<std::size_t>(nLevel) + 1);
            m_seenHalf.resize(static_cast<std::size_t>(nLevel) + 1, -1);
        }
        if (m_seenHalf[nLevel] != nHalf) {
            m_seen[nLevel].assign(static_cast<std::size_t>(nSide) * nSide, 0);
            m_seenHalf[nLevel] = nHalf;
        }
        pSeen = m_seen[nLevel].data();
    }
    const std::uint32_t nFan = ++m_nFan;
    // The current directory's fan divides the turn into n; a subdirectory's into n + 1,
    // the first part pointing back along the line it hangs from.
    const int k = bCurrent ? 0 : 1;
    const int n = static_cast<int>(dir.GetChildren().size());
    for (int i = 0; i < n; ++i) {
        const CEntry& child = *dir.GetChildren()[static_cast<std::size_t>(i)];
        ++m_nVisited;
        const double t = fStart - (static_cast<double>(k + i) / (k + n)) * -kTurn;
        const int dx = static_cast<int>(std::sin(t) * fHalf);
        const int dy = static_cast<int>(std::cos(t) * fHalf);
        if (dx != 0 || dy != 0) {
            std::uint32_t* pLast = pSeen != nullptr ? &pSeen[(dy + nHalf) * nSide + dx + nHalf] : nullptr;
            if (pLast == nullptr || *pLast != nFan) {
                if (pLast != nullptr)
                    *pLast = nFan;
                m_lines.emplace_back(x, y, x + dx, y + dy);
            }
        }
        if (child.IsDirectory())
            AddFan(child, false, static_cast<float>(t + kHalfTurn), x + dx, y + dy, nHalf, nLevel + 1);
    }
}
