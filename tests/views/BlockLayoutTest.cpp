// The block view's geometry without a window, over entry trees built the way the walk builds
// them (totals by AddSize). Text is measured by a stand-in font: every character 6 pixels
// wide, lines 16 high.
#include "views/BlockLayout.h"
#include "support/EntryBuild.h"
#include "support/RectPrint.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {
using Label = CBlockLayout::Label;

struct Measured {
    QStringList texts;
    CBlockLayout::TextMetrics Metrics(int nHeight = 16)
    {
        return {nHeight, [this](const QString& text) { return texts << text, 6 * static_cast<int>(text.size()); }};
    }
};

// A name too long to be labelled in any block of these tests.
const std::string kUnlabelled(60, 'x');
}  // namespace

TEST(BlockLayoutTest, StripEdgesTruncateASinglePrecisionOffsetAlongTheLongerSide)
{
    Measured m;
    CBlockLayout layout;
    auto root = MakeRoot(kUnlabelled);
    CEntry* a = AddEntry(*root, "a", 1);
    CEntry* b = AddEntry(*root, "b", 1);
    CEntry* c = AddEntry(*root, "c", 1);
    layout.Build(*root, {0, 0, 100, 50}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 33, 50));
    EXPECT_EQ(layout.RectOf(b), CRect(33, 0, 66, 50));
    EXPECT_EQ(layout.RectOf(c), CRect(66, 0, 99, 50));
    EXPECT_EQ(layout.HitTest({99, 10}), root);  // the parent shows through the last column
    // A square inner area stacks top to bottom; one pixel wider puts the strips side by side.
    layout.Build(*root, {0, 0, 99, 99}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 99, 33));
    layout.Build(*root, {0, 0, 100, 99}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 33, 99));

    // Sizes 60, 30, 10 over an inner area 372 wide from x = 14 (border 14, label across).
    auto second = MakeRoot("r");
    CEntry* s60 = AddEntry(*second, "a", 60);
    CEntry* s30 = AddEntry(*second, "b", 30);
    CEntry* s10 = AddEntry(*second, "c", 10);
    layout.Build(*second, {0, 0, 400, 200}, 14, m.Metrics());
    EXPECT_EQ(layout.RectOf(s60), CRect(14, 17, 237, 186));
    EXPECT_EQ(layout.RectOf(s30), CRect(237, 17, 348, 186));
    EXPECT_EQ(layout.RectOf(s10), CRect(348, 17, 385, 186));
    // Over 472 pixels the offset after two strips, 424.8, is 424.80002 in single precision,
    // so the last strip reaches the end (in double it would stop one short).
    layout.Build(*second, {0, 0, 500, 200}, 14, m.Metrics());
    EXPECT_EQ(layout.RectOf(s10), CRect(438, 17, 486, 186));
}

TEST(BlockLayoutTest, LabelsAcrossDownOrNoneAndTheInnerAreaThatFollows)
{
    // A block labelled across needs the text's width + 4 by its height + 2, down the same
    // turned; across wins when both fit. The label's strip is the frame's line and the text
    // (17 here; down, with a column of fill between, 18) or the border, whichever is wider;
    // without a label the border goes all round. The block's one child shows where the inner area is; empty means none.
    const struct {
        const char* name;
        CRect rc;
        int nBorder;
        Label label;
        CRect child;
    } cases[] = {
        {"abcd", {0, 0, 28, 18}, 1, Label::Across, {}},
        {"abcd", {0, 0, 27, 18}, 1, Label::None, {1, 1, 26, 17}},
        {"abcd", {0, 0, 28, 17}, 1, Label::None, {1, 1, 27, 16}},
        {"abcd", {0, 0, 18, 28}, 1, Label::Down, {}},
        {"abcd", {0, 0, 17, 28}, 1, Label::None, {1, 1, 16, 27}},
        {"abcd", {0, 0, 18, 27}, 1, Label::None, {1, 1, 17, 26}},
        {"abcd", {0, 0, 40, 40}, 10, Label::Across, {10, 17, 30, 30}},
        {"abcdefghij", {100, 50, 160, 250}, 10, Label::Down, {118, 60, 150, 240}},
        {"abcdefghij", {100, 50, 160, 250}, 20, Label::Down, {120, 70, 140, 230}},
        {"abcdefghij", {0, 0, 200, 100}, 10, Label::Across, {10, 17, 190, 90}},
        {kUnlabelled.c_str(), {0, 0, 200, 100}, 10, Label::None, {10, 10, 190, 90}},
        // Names narrower than a line is high.
        {"a", {0, 0, 10, 60}, 2, Label::Across, {2, 17, 8, 58}},
        {"a", {0, 0, 60, 10}, 2, Label::Down, {18, 2, 58, 8}},
        {"7z", {0, 0, 16, 60}, 2, Label::Across, {2, 17, 14, 58}},
        {"go", {0, 0, 60, 16}, 2, Label::Down, {18, 2, 58, 14}},
        {"go", {0, 0, 60, 15}, 2, Label::None, {2, 2, 58, 13}},
    };
    Measured m;
    CBlockLayout layout;
    auto root = MakeRoot("");
    CEntry* file = AddEntry(*root, "f", 5);
    for (const auto& c : cases) {
        root->SetName(c.name);
        layout.Build(*root, c.rc, c.nBorder, m.Metrics());
        EXPECT_EQ(layout.Blocks().front().label, c.label) << c.name << " in " << testing::PrintToString(c.rc);
        EXPECT_EQ(layout.RectOf(file).value_or(CRect()), c.child) << c.name << " in " << testing::PrintToString(c.rc);
    }
    // Across the text's box starts at (left + 2, top + 1); down, its top-right corner is at
    // (left + height + 2, top + 2).
    root->SetName("abcdefghij");
    layout.Build(*root, {100, 50, 160, 250}, 10, m.Metrics());
    EXPECT_EQ(layout.LabelOrigin(layout.Blocks().front()), QPoint(118, 52));
    layout.Build(*root, {0, 0, 200, 100}, 10, m.Metrics());
    EXPECT_EQ(layout.LabelOrigin(layout.Blocks().front()), QPoint(2, 1));

    // A control character shows as "?", in the text measured and the text drawn alike.
    root->SetName("two\nlines");
    m.texts.clear();
    layout.Build(*root, {0, 0, 200, 100}, 10, m.Metrics());
    EXPECT_EQ(m.texts.value(0).toStdString(), "two?lines");
    EXPECT_EQ(layout.LabelText(layout.Blocks().front()).toStdString(), "two?lines");
}

TEST(BlockLayoutTest, NestedBlocksInPaintOrderDeepestHitAndNoneForZeroSizes)
{
    Measured m;
    CBlockLayout layout;
    auto root = MakeRoot("root");
    CEntry* dir = AddEntry(*root, "dir", 0, true);
    CEntry* inner = AddEntry(*dir, "x", 30);
    CEntry* other = AddEntry(*dir, "y", 10);
    CEntry* zero = AddEntry(*root, "z", 0);
    CEntry* file = AddEntry(*root, "file", 40);
    layout.Build(*root, {0, 0, 400, 300}, 10, m.Metrics());
    // dir: 40 of 80 -> x 10..200; its inner area (20, 34, 190, 280) stacks 3/4 over 1/4.
    EXPECT_EQ(layout.RectOf(dir), CRect(10, 17, 200, 290));
    EXPECT_EQ(layout.RectOf(inner), CRect(20, 34, 190, 218));
    EXPECT_EQ(layout.RectOf(other), CRect(20, 218, 190, 280));
    EXPECT_FALSE(layout.RectOf(zero).has_value());
    const auto& blocks = layout.Blocks();
    ASSERT_EQ(blocks.size(), 5U);
    const CEntry* order[] = {root, dir, inner, other, file};
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i].pEntry, order[i]) << i;
    // A nested directory's label strip is its own, and nothing of z lies between dir and
    // file; the block view's clicks check the deepest hit and the frames.
    EXPECT_EQ(layout.HitTest({100, 20}), dir);
    EXPECT_EQ(layout.HitTest({200, 100}), file);

    // An empty directory is one block over the whole area, hit anywhere.
    auto empty = MakeRoot("e");
    layout.Build(*empty, {0, 0, 300, 200}, 14, m.Metrics());
    ASSERT_EQ(layout.Blocks().size(), 1U);
    EXPECT_EQ(layout.HitTest({299, 199}), empty);
}

TEST(BlockLayoutTest, AnyBorderKeepsChildrenInsideTheirParentAndDepthIsUnlimited)
{
    // A border from a hand-edited settings file: negative ones are taken as 0, huge ones
    // leave no room for children; nothing overflows.
    Measured m;
    CBlockLayout layout;
    auto root = MakeRoot("root");
    CEntry* dir = AddEntry(*root, "dir", 0, true);
    AddEntry(*dir, "x", 30);
    AddEntry(*root, "file", 40);
    const CRect client(0, 0, 400, 300);
    layout.Build(*root, client, 0, m.Metrics());
    const std::vector<CBlockLayout::Block> flat = layout.Blocks();
    for (const int nBorder : {INT_MIN, -200000, -1, 200000, INT_MAX}) {
        layout.Build(*root, client, nBorder, m.Metrics());
        const auto& blocks = layout.Blocks();
        if (nBorder < 0) {
            ASSERT_EQ(blocks.size(), flat.size()) << nBorder;
            for (std::size_t i = 0; i < blocks.size(); ++i)
                EXPECT_EQ(blocks[i].rect, flat[i].rect) << nBorder;
        } else {
            ASSERT_EQ(blocks.size(), 1U) << nBorder;
            EXPECT_EQ(blocks.front().rect, client);
        }
    }

    // A chain of 20000 directories with no border: every level gets the whole area.
    auto chain = MakeRoot(kUnlabelled);
    CEntry* level = chain;
    for (int i = 0; i < 20000; ++i)
        level = AddEntry(*level, "d", 0, true);
    CEntry* deepest = AddEntry(*level, "f", 7);
    layout.Build(*chain, {0, 0, 50, 50}, -200000, m.Metrics(1000));
    EXPECT_EQ(layout.Blocks().size(), 20002U);
    EXPECT_EQ(layout.HitTest({25, 25}), deepest);
}
