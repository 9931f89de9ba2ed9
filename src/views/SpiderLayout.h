#pragma once
#include <QLine>

#include <cstdint>
#include <vector>

class CEntry;

// The spider's figure, without a window: from the centre one line per child of the current
// directory at equal angles round the full turn, starting straight down and going
// counter-clockwise on screen; from the end of every subdirectory's line a fan for its
// children, half as long, that starts pointing back at the parent and leaves that first
// direction empty; and so on down.
//
// Each level's length is half the one above in whole pixels, so below a few levels every
// line has length 0 and draws nothing: the walk stops there, which bounds its depth by the
// number of halvings of the starting length, whatever the depth of the tree. Within one
// fan the same line is kept once (deep fans of short lines repeat the same few), so the
// lines to draw stay as many as the picture can show. Lines are kept in the order drawn,
// each without its end point, as a line is drawn.
class CSpiderLayout {
public:
    // Lays out the subtree of pCurrent (nothing for null) about the centre (cx, cy), the
    // current directory's lines length / 2 long.
    void Build(const CEntry* pCurrent, int cx, int cy, int nLength);
    void Clear() { m_lines.clear(); }

    const std::vector<QLine>& Lines() const { return m_lines; }
    // Entries whose lines were computed in the last Build, for measuring the work.
    std::int64_t Visited() const { return m_nVisited; }

private:
    void AddFan(const CEntry& dir, bool bCurrent, float fStart, int x, int y, int nLength, int nLevel);

    std::vector<QLine> m_lines;
    // Per level of the walk, the fan that last reached each end point (offsets from the
    // fan's centre within its half length): a line seen in the same fan is not kept again.
    std::vector<std::vector<std::uint32_t>> m_seen;
    std::vector<int> m_seenHalf;  // the half length each level's grid was made for
    std::uint32_t m_nFan = 0;
    std::int64_t m_nVisited = 0;
};
