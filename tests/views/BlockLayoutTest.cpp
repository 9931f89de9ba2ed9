// The block view's geometry without a window: strips, truncation, labels, inner areas and
// hit-testing, over entry trees built the way the walk builds them (totals by AddSize).
// Text is measured by a stand-in font: every character 7 pixels wide, lines 16 high.
#include "model/Entry.h"
#include "views/BlockLayout.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {
constexpr int kCharWidth = 7;
constexpr int kLineHeight = 16;

struct Measured {
    int nCalls = 0;
    CBlockLayout::TextMetrics Metrics(int nHeight = kLineHeight)
    {
        return {nHeight, [this](const QString& text) {
                    ++nCalls;
                    return kCharWidth * static_cast<int>(text.size());
                }};
    }
};

std::unique_ptr<CEntry> MakeRoot(const std::string& name)
{
    auto root = std::make_unique<CEntry>();
    root->InitAsRoot(name);
    return root;
}

CEntry* Add(CEntry& parent, const std::string& name, std::int64_t size, bool bDirectory = false)
{
    auto child = std::make_unique<CEntry>();
    child->m_pParent = &parent;
    child->m_strName = name;
    child->m_bDirectory = bDirectory;
    child->m_nDepth = parent.m_nDepth + 1;
    child->m_nColour = static_cast<std::int8_t>(parent.m_children.size() % 8);
    CEntry* p = child.get();
    parent.m_children.push_back(std::move(child));
    if (size != 0)
        p->AddSize(size);
    return p;
}

// A name too long to be labelled in any block of these tests.
const std::string kUnlabelled(40, 'x');
}  // namespace

TEST(BlockLayoutTest, StripEdgesTruncateARunningSinglePrecisionOffset)
{
    Measured m;
    // Three equal children over 100 pixels from x = 0 (no border, no label).
    auto root = MakeRoot(kUnlabelled);
    CEntry* a = Add(*root, "a", 1);
    CEntry* b = Add(*root, "b", 1);
    CEntry* c = Add(*root, "c", 1);
    CBlockLayout layout;
    layout.Build(*root, {0, 0, 100, 50}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(root.get()), CRect(0, 0, 100, 50));
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 33, 50));
    EXPECT_EQ(layout.RectOf(b), CRect(33, 0, 66, 50));
    EXPECT_EQ(layout.RectOf(c), CRect(66, 0, 99, 50));
    EXPECT_EQ(layout.HitTest({99, 10}), root.get());  // the parent shows through the last column
    EXPECT_EQ(layout.HitTest({98, 10}), c);
    EXPECT_EQ(layout.HitTest({33, 49}), b);

    // Sizes 60, 30, 10 over an inner area 372 wide from x = 14 (border 14, label across).
    auto second = MakeRoot("r");
    CEntry* s60 = Add(*second, "a", 60);
    CEntry* s30 = Add(*second, "b", 30);
    CEntry* s10 = Add(*second, "c", 10);
    layout.Build(*second, {0, 0, 400, 200}, 14, m.Metrics());
    EXPECT_EQ(layout.RectOf(s60), CRect(14, 16, 237, 186));
    EXPECT_EQ(layout.RectOf(s30), CRect(237, 16, 348, 186));
    EXPECT_EQ(layout.RectOf(s10), CRect(348, 16, 385, 186));
    EXPECT_EQ(layout.HitTest({385, 100}), second.get());
    EXPECT_EQ(layout.HitTest({384, 100}), s10);

    // Over 472 pixels the offset after two strips, 424.8, is stored as 424.80002 in single
    // precision, so the last strip reaches the end (in double it would stop one short).
    layout.Build(*second, {0, 0, 500, 200}, 14, m.Metrics());
    EXPECT_EQ(layout.RectOf(s60), CRect(14, 16, 297, 186));
    EXPECT_EQ(layout.RectOf(s30), CRect(297, 16, 438, 186));
    EXPECT_EQ(layout.RectOf(s10), CRect(438, 16, 486, 186));
}

TEST(BlockLayoutTest, LabelsAcrossDownOrNoneAndTheInnerAreaThatFollows)
{
    Measured m;
    auto root = MakeRoot("abcd");  // 28 x 16
    CBlockLayout layout;
    auto labelOf = [&](const CRect& rc) {
        layout.Build(*root, rc, 10, m.Metrics());
        return layout.Blocks().front().label;
    };
    using L = CBlockLayout::Label;
    EXPECT_EQ(labelOf({0, 0, 32, 18}), L::Across);  // exactly width + 4 by height + 2
    EXPECT_EQ(labelOf({0, 0, 31, 18}), L::None);
    EXPECT_EQ(labelOf({0, 0, 32, 17}), L::None);
    EXPECT_EQ(labelOf({0, 0, 18, 32}), L::Down);
    EXPECT_EQ(labelOf({0, 0, 17, 32}), L::None);
    EXPECT_EQ(labelOf({0, 0, 18, 31}), L::None);
    EXPECT_EQ(labelOf({0, 0, 40, 40}), L::Across);  // across wins when both fit
    EXPECT_EQ(layout.LabelText(layout.Blocks().front()), QStringLiteral("abcd"));

    // A tall narrow directory: the name runs downwards at its left edge and its only child
    // fills the inner area, which starts max(height, B) to the right.
    auto tall = MakeRoot("abcdefghij");  // 70 x 16
    CEntry* file = Add(*tall, "f", 5);
    layout.Build(*tall, {100, 50, 160, 250}, 10, m.Metrics());
    ASSERT_EQ(layout.Blocks().front().label, L::Down);
    EXPECT_EQ(layout.LabelOrigin(layout.Blocks().front()), QPoint(100 + 16 + 1, 52));
    EXPECT_EQ(layout.RectOf(file), CRect(116, 60, 150, 240));
    layout.Build(*tall, {100, 50, 160, 250}, 20, m.Metrics());
    EXPECT_EQ(layout.RectOf(file), CRect(120, 70, 140, 230));

    // Across: the label strip at the top is max(height, B) high.
    layout.Build(*tall, {0, 0, 200, 100}, 10, m.Metrics());
    ASSERT_EQ(layout.Blocks().front().label, L::Across);
    EXPECT_EQ(layout.LabelOrigin(layout.Blocks().front()), QPoint(2, 1));
    EXPECT_EQ(layout.RectOf(file), CRect(10, 16, 190, 90));
    layout.Build(*tall, {0, 0, 200, 100}, 20, m.Metrics());
    EXPECT_EQ(layout.RectOf(file), CRect(20, 20, 180, 80));
    // The file is labelled by the same rule: "f" across at its own top-left.
    const CBlockLayout::Block& fileBlock = layout.Blocks()[1];
    EXPECT_EQ(fileBlock.pEntry, file);
    EXPECT_EQ(fileBlock.label, L::Across);
    EXPECT_EQ(layout.LabelOrigin(fileBlock), QPoint(22, 21));

    // No label: the border on all four sides.
    auto wide = MakeRoot(kUnlabelled);
    CEntry* only = Add(*wide, "f", 5);
    layout.Build(*wide, {0, 0, 200, 100}, 10, m.Metrics());
    EXPECT_EQ(layout.Blocks().front().label, L::None);
    EXPECT_EQ(layout.RectOf(only), CRect(10, 10, 190, 90));
}

TEST(BlockLayoutTest, OrientationFollowsTheInnerAreaSquareStacks)
{
    Measured m;
    auto root = MakeRoot(kUnlabelled);
    CEntry* a = Add(*root, "a", 1);
    CEntry* b = Add(*root, "b", 1);
    CBlockLayout layout;
    layout.Build(*root, {0, 0, 100, 100}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 100, 50));
    EXPECT_EQ(layout.RectOf(b), CRect(0, 50, 100, 100));
    layout.Build(*root, {0, 0, 101, 100}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 50, 100));
    EXPECT_EQ(layout.RectOf(b), CRect(50, 0, 101, 100));
}

TEST(BlockLayoutTest, EmptyAndZeroSizedEntriesGetNoBlock)
{
    Measured m;
    auto root = MakeRoot(kUnlabelled);
    CEntry* z1 = Add(*root, "z1", 0);
    CEntry* a = Add(*root, "a", 10);
    CEntry* z2 = Add(*root, "z2", 0, true);
    CEntry* b = Add(*root, "b", 10);
    CBlockLayout layout;
    layout.Build(*root, {0, 0, 100, 40}, 0, m.Metrics());
    ASSERT_EQ(layout.Blocks().size(), 3U);
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 50, 40));
    EXPECT_EQ(layout.RectOf(b), CRect(50, 0, 100, 40));
    EXPECT_FALSE(layout.RectOf(z1).has_value());
    EXPECT_FALSE(layout.RectOf(z2).has_value());
    EXPECT_EQ(layout.HitTest({49, 20}), a);  // nothing of z1 before a, nor of z2 between
    EXPECT_EQ(layout.HitTest({50, 20}), b);

    // A directory of size 0 lays out none of its (empty) children.
    auto zero = MakeRoot(kUnlabelled);
    Add(*zero, "e", 0);
    Add(*zero, "f", 0, true);
    layout.Build(*zero, {0, 0, 100, 40}, 0, m.Metrics());
    EXPECT_EQ(layout.Blocks().size(), 1U);

    // An empty current directory is one block over the whole client area, hit anywhere,
    // and a point outside still yields it.
    auto empty = MakeRoot("e");
    layout.Build(*empty, {0, 0, 300, 200}, 14, m.Metrics());
    ASSERT_EQ(layout.Blocks().size(), 1U);
    EXPECT_EQ(layout.Blocks().front().rect, CRect(0, 0, 300, 200));
    EXPECT_EQ(layout.Blocks().front().label, CBlockLayout::Label::Across);
    EXPECT_EQ(layout.HitTest({299, 199}), empty.get());
    EXPECT_EQ(layout.HitTest({500, -3}), empty.get());

    layout.Clear();
    EXPECT_TRUE(layout.IsEmpty());
    EXPECT_EQ(layout.HitTest({10, 10}), nullptr);
    EXPECT_EQ(layout.Root(), nullptr);
}

TEST(BlockLayoutTest, NestedBlocksInPaintOrderAndDeepestHit)
{
    Measured m;
    auto root = MakeRoot("root");
    CEntry* dir = Add(*root, "dir", 0, true);
    CEntry* inner = Add(*dir, "x", 30);
    CEntry* other = Add(*dir, "y", 10);
    CEntry* file = Add(*root, "file", 40);
    CBlockLayout layout;
    layout.Build(*root, {0, 0, 400, 300}, 10, m.Metrics());
    // root: inner (10, 16, 390, 290), side by side; dir 40 of 80 -> x 10..200.
    ASSERT_EQ(layout.RectOf(dir), CRect(10, 16, 200, 290));
    ASSERT_EQ(layout.RectOf(file), CRect(200, 16, 390, 290));
    // dir: label across, inner (20, 32, 190, 280), 170 x 248 stacks: x 3/4 of 248 = 186.
    EXPECT_EQ(layout.RectOf(inner), CRect(20, 32, 190, 218));
    EXPECT_EQ(layout.RectOf(other), CRect(20, 218, 190, 280));

    const auto& blocks = layout.Blocks();
    ASSERT_EQ(blocks.size(), 5U);
    const CEntry* order[] = {root.get(), dir, inner, other, file};
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i].pEntry, order[i]) << i;
    EXPECT_EQ(blocks[1].nEnd, 4);
    EXPECT_TRUE(blocks[1].bDirectory);
    EXPECT_FALSE(blocks[2].bDirectory);
    // Palette slot: (depth mod 3) * 8 + colour index.
    EXPECT_EQ(blocks[0].nPalette, 0);
    EXPECT_EQ(blocks[1].nPalette, 8 + 0);
    EXPECT_EQ(blocks[3].nPalette, 16 + 1);
    EXPECT_EQ(blocks[4].nPalette, 8 + 1);

    EXPECT_EQ(layout.HitTest({100, 100}), inner);
    EXPECT_EQ(layout.HitTest({100, 250}), other);
    EXPECT_EQ(layout.HitTest({100, 20}), dir);    // dir's label strip
    EXPECT_EQ(layout.HitTest({195, 100}), dir);   // dir's border
    EXPECT_EQ(layout.HitTest({5, 100}), root.get());
    EXPECT_EQ(layout.HitTest({300, 100}), file);
}

TEST(BlockLayoutTest, TinyBlocksAreNeitherMeasuredNorSubdividedAndDepthIsUnlimited)
{
    // 4096 files over 1024 pixels: quarter-pixel shares add up exactly, so every fourth
    // file gets a one-pixel column; none of them is tall and wide enough for a label.
    Measured m;
    auto root = MakeRoot(kUnlabelled);
    for (int i = 0; i < 4096; ++i)
        Add(*root, "f" + std::to_string(i), 1);
    CBlockLayout layout;
    layout.Build(*root, {0, 0, 1024, 10}, 0, m.Metrics());
    ASSERT_EQ(layout.Blocks().size(), 1U + 1024U);
    for (std::size_t i = 1; i < layout.Blocks().size(); ++i) {
        const CBlockLayout::Block& block = layout.Blocks()[i];
        EXPECT_EQ(block.rect, CRect(int(i) - 1, 0, int(i), 10)) << i;
        EXPECT_EQ(block.pEntry, root->m_children[4 * i - 1].get()) << i;
    }
    EXPECT_EQ(m.nCalls, 0);

    // A chain of 20000 directories with border 0 and no labels: every level gets the whole
    // area, and the deepest file is what a click hits.
    auto chain = MakeRoot(kUnlabelled);
    CEntry* level = chain.get();
    for (int i = 0; i < 20000; ++i)
        level = Add(*level, "d", 0, true);
    CEntry* deepest = Add(*level, "f", 7);
    layout.Build(*chain, {0, 0, 50, 50}, 0, m.Metrics(1000));
    EXPECT_EQ(layout.Blocks().size(), 20002U);
    EXPECT_EQ(layout.Blocks().back().rect, CRect(0, 0, 50, 50));
    EXPECT_EQ(layout.HitTest({25, 25}), deepest);
    EXPECT_EQ(m.nCalls, 0);
    // Unwind the chain bottom-up: destroying it top-down would recurse 20000 deep.
    while (level != chain.get()) {
        CEntry* parent = level->GetParent();
        parent->m_children.clear();
        level = parent;
    }
}
