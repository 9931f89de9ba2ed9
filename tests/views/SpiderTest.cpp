// The spider's figure without a window, over entry trees built by hand.
#include "support/EntryBuild.h"
#include "views/SpiderLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <tuple>

namespace {
using Line = std::tuple<int, int, int, int>;

CEntry* Add(CEntry& parent, bool bDirectory) { return AddEntry(parent, "e", 0, bDirectory); }

std::set<Line> LineSet(const CSpiderLayout& layout)
{
    std::set<Line> lines;
    for (const QLine& l : layout.Lines())
        lines.insert({l.x1(), l.y1(), l.x2(), l.y2()});
    return lines;
}

// The figure as first drawn: every entry of the subtree visited, every line of some length
// drawn (a line of none draws nothing), however often it repeats.
void Reference(const CEntry& dir, bool bCurrent, float fStart, int x, int y, int nLength, std::set<Line>& lines)
{
    const int k = bCurrent ? 0 : 1;
    const int n = static_cast<int>(dir.GetChildren().size());
    for (int i = 0; i < n; ++i) {
        const double t = fStart - (static_cast<double>(k + i) / (k + n)) * -6.2831855F;
        const float h = static_cast<float>(nLength) * 0.5F;
        const int x2 = x + static_cast<int>(std::sin(t) * h);
        const int y2 = y + static_cast<int>(std::cos(t) * h);
        if (x2 != x || y2 != y)
            lines.emplace(x, y, x2, y2);
        if (dir.GetChildren()[static_cast<std::size_t>(i)]->IsDirectory())
            Reference(*dir.GetChildren()[static_cast<std::size_t>(i)], false, static_cast<float>(t + 3.1415927F), x2,
                      y2, static_cast<int>(h), lines);
    }
}
}  // namespace

TEST(SpiderLayoutTest, FansStartDownOrBackAtTheParentAndHalveEachLevel)
{
    // A subdirectory hanging straight down, L / 2 long, with two children: its fan starts
    // pointing back up and splits the turn in three, so its lines go down-left, then
    // down-right (25 * sin 60 = 21 across, 25 * cos 60 = 12 down).
    const auto root = MakeRoot("/");
    CEntry* sub = Add(*root, true);
    Add(*sub, false);
    Add(*sub, false);
    CSpiderLayout layout;
    layout.Build(root, 100, 100, 100);
    EXPECT_EQ(layout.Lines(), (std::vector<QLine>{{100, 100, 100, 150}, {100, 150, 79, 162}, {100, 150, 121, 162}}));
    layout.Build(nullptr, 100, 100, 100);
    EXPECT_TRUE(layout.Lines().empty());
}

TEST(SpiderLayoutTest, DeepAndWideTreesGiveTheSameFigureFromFewerLines)
{
    // A random tree of 12 levels under a wide fan: the figure keeps every line the full walk
    // draws, though the walk stops where lines have shrunk to nothing and a fan's repeats
    // are left out.
    const auto root = MakeRoot("/");
    for (int i = 0; i < 200; ++i)
        Add(*root, false);
    std::mt19937 random(7);
    std::vector<CEntry*> dirs{root};
    for (int i = 0; i < 4000; ++i) {
        CEntry* parent = dirs[random() % dirs.size()];
        const bool bDirectory = parent->GetDepth() < 12 && random() % 3 == 0;
        CEntry* child = Add(*parent, bDirectory);
        if (bDirectory)
            dirs.push_back(child);
    }
    for (int nLength : {500, 64, 7}) {
        CSpiderLayout layout;
        layout.Build(root, 600, 500, nLength);
        std::set<Line> drawn;
        Reference(*root, true, 0.0F, 600, 500, nLength, drawn);
        EXPECT_EQ(LineSet(layout), drawn) << nLength;
    }
    // Half lengths of 1.5 reach only the 8 neighbours, and no fan below them is walked.
    CSpiderLayout layout;
    layout.Build(root, 600, 500, 3);
    EXPECT_LE(layout.Lines().size(), 8U);
    EXPECT_EQ(layout.Visited(), static_cast<std::int64_t>(root->GetChildren().size()));

    // 10,000 levels: only as deep as lines can be seen.
    const auto chain = MakeRoot("/");
    CEntry* level = chain;
    for (int i = 0; i < 10000; ++i)
        level = Add(*level, true);
    layout.Build(chain, 500, 500, 500);
    EXPECT_EQ(layout.Visited(), 8);  // 500, 250, 125, ... down to 3, whose lines are 1.5 long
    EXPECT_EQ(layout.Lines().size(), 8U);
}
