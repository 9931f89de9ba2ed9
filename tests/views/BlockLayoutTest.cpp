// The block view's geometry without a window, over entry trees built the way the walk builds
// them (totals by AddSize). Text is measured by a stand-in font: every character 7 pixels
// wide, lines 16 high.
#include "model/Entry.h"
#include "views/BlockLayout.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {
using Label = CBlockLayout::Label;

struct Measured {
    int nCalls = 0;
    CBlockLayout::TextMetrics Metrics(int nHeight = 16)
    {
        return {nHeight, [this](const QString& text) { return ++nCalls, 7 * static_cast<int>(text.size()); }};
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
    CEntry* p = child.get();
    parent.m_children.push_back(std::move(child));
    if (size != 0)
        p->AddSize(size);
    return p;
}

// A name too long to be labelled in any block of these tests.
const std::string kUnlabelled(40, 'x');
}  // namespace

TEST(BlockLayoutTest, StripEdgesTruncateASinglePrecisionOffsetAlongTheLongerSide)
{
    Measured m;
    CBlockLayout layout;
    auto root = MakeRoot(kUnlabelled);
    CEntry* a = Add(*root, "a", 1);
    CEntry* b = Add(*root, "b", 1);
    CEntry* c = Add(*root, "c", 1);
    layout.Build(*root, {0, 0, 100, 50}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 33, 50));
    EXPECT_EQ(layout.RectOf(b), CRect(33, 0, 66, 50));
    EXPECT_EQ(layout.RectOf(c), CRect(66, 0, 99, 50));
    EXPECT_EQ(layout.HitTest({99, 10}), root.get());  // the parent shows through the last column
    // A square inner area stacks top to bottom; one pixel wider puts the strips side by side.
    layout.Build(*root, {0, 0, 99, 99}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 99, 33));
    layout.Build(*root, {0, 0, 100, 99}, 0, m.Metrics());
    EXPECT_EQ(layout.RectOf(a), CRect(0, 0, 33, 99));

    // Sizes 60, 30, 10 over an inner area 372 wide from x = 14 (border 14, label across).
    auto second = MakeRoot("r");
    CEntry* s60 = Add(*second, "a", 60);
    CEntry* s30 = Add(*second, "b", 30);
    CEntry* s10 = Add(*second, "c", 10);
    layout.Build(*second, {0, 0, 400, 200}, 14, m.Metrics());
    EXPECT_EQ(layout.RectOf(s60), CRect(14, 16, 237, 186));
    EXPECT_EQ(layout.RectOf(s30), CRect(237, 16, 348, 186));
    EXPECT_EQ(layout.RectOf(s10), CRect(348, 16, 385, 186));
    // Over 472 pixels the offset after two strips, 424.8, is 424.80002 in single precision,
    // so the last strip reaches the end (in double it would stop one short).
    layout.Build(*second, {0, 0, 500, 200}, 14, m.Metrics());
    EXPECT_EQ(layout.RectOf(s10), CRect(438, 16, 486, 186));
}

TEST(BlockLayoutTest, LabelsAcrossDownOrNoneAndTheInnerAreaThatFollows)
{
    Measured m;
    CBlockLayout layout;
    auto root = MakeRoot("abcd");  // 28 x 16
    // Across needs exactly width + 4 by height + 2, down the same turned; across wins when
    // both fit.
    const std::pair<CRect, Label> cases[] = {
        {{0, 0, 32, 18}, Label::Across}, {{0, 0, 31, 18}, Label::None}, {{0, 0, 32, 17}, Label::None},
        {{0, 0, 18, 32}, Label::Down},   {{0, 0, 17, 32}, Label::None}, {{0, 0, 18, 31}, Label::None},
        {{0, 0, 40, 40}, Label::Across}};
    for (const auto& [rc, label] : cases) {
        layout.Build(*root, rc, 10, m.Metrics());
        EXPECT_EQ(layout.Blocks().front().label, label) << rc.Width() << "x" << rc.Height();
    }

    // Down: the name runs along the left edge; the inner area starts max(height, B) right.
    auto tall = MakeRoot("abcdefghij");  // 70 x 16
    CEntry* file = Add(*tall, "f", 5);
    layout.Build(*tall, {100, 50, 160, 250}, 10, m.Metrics());
    EXPECT_EQ(layout.LabelOrigin(layout.Blocks().front()), QPoint(117, 52));
    EXPECT_EQ(layout.RectOf(file), CRect(116, 60, 150, 240));
    layout.Build(*tall, {100, 50, 160, 250}, 20, m.Metrics());
    EXPECT_EQ(layout.RectOf(file), CRect(120, 70, 140, 230));
    // Across: a strip of max(height, B) at the top.
    layout.Build(*tall, {0, 0, 200, 100}, 10, m.Metrics());
    EXPECT_EQ(layout.LabelOrigin(layout.Blocks().front()), QPoint(2, 1));
    EXPECT_EQ(layout.RectOf(file), CRect(10, 16, 190, 90));
    // None: the border on all four sides.
    tall->m_strName = kUnlabelled;
    layout.Build(*tall, {0, 0, 200, 100}, 10, m.Metrics());
    EXPECT_EQ(layout.Blocks().front().label, Label::None);
    EXPECT_EQ(layout.RectOf(file), CRect(10, 10, 190, 90));
}

TEST(BlockLayoutTest, NestedBlocksInPaintOrderDeepestHitAndNoneForZeroSizes)
{
    Measured m;
    CBlockLayout layout;
    auto root = MakeRoot("root");
    CEntry* dir = Add(*root, "dir", 0, true);
    CEntry* inner = Add(*dir, "x", 30);
    CEntry* other = Add(*dir, "y", 10);
    CEntry* zero = Add(*root, "z", 0);
    CEntry* file = Add(*root, "file", 40);
    layout.Build(*root, {0, 0, 400, 300}, 10, m.Metrics());
    // dir: 40 of 80 -> x 10..200; its inner area (20, 32, 190, 280) stacks 3/4 over 1/4.
    EXPECT_EQ(layout.RectOf(dir), CRect(10, 16, 200, 290));
    EXPECT_EQ(layout.RectOf(inner), CRect(20, 32, 190, 218));
    EXPECT_EQ(layout.RectOf(other), CRect(20, 218, 190, 280));
    EXPECT_FALSE(layout.RectOf(zero).has_value());
    const auto& blocks = layout.Blocks();
    ASSERT_EQ(blocks.size(), 5U);
    const CEntry* order[] = {root.get(), dir, inner, other, file};
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(blocks[i].pEntry, order[i]) << i;
    EXPECT_EQ(layout.HitTest({100, 250}), other);
    EXPECT_EQ(layout.HitTest({100, 20}), dir);  // dir's label strip
    EXPECT_EQ(layout.HitTest({195, 100}), dir);  // dir's border
    EXPECT_EQ(layout.HitTest({5, 100}), root.get());
    EXPECT_EQ(layout.HitTest({200, 100}), file);  // nothing of z between dir and file

    // An empty directory is one block over the whole area, hit anywhere.
    auto empty = MakeRoot("e");
    layout.Build(*empty, {0, 0, 300, 200}, 14, m.Metrics());
    ASSERT_EQ(layout.Blocks().size(), 1U);
    EXPECT_EQ(layout.HitTest({299, 199}), empty.get());
}

TEST(BlockLayoutTest, TinyBlocksAreNotMeasuredAndDepthIsUnlimited)
{
    // 4096 files over 1024 pixels: every fourth gets a one-pixel column, none a label.
    Measured m;
    CBlockLayout layout;
    auto root = MakeRoot(kUnlabelled);
    for (int i = 0; i < 4096; ++i)
        Add(*root, "f" + std::to_string(i), 1);
    layout.Build(*root, {0, 0, 1024, 10}, 0, m.Metrics());
    ASSERT_EQ(layout.Blocks().size(), 1U + 1024U);
    EXPECT_EQ(layout.Blocks().back().rect, CRect(1023, 0, 1024, 10));
    EXPECT_EQ(m.nCalls, 0);

    // A chain of 20000 directories with border 0: every level gets the whole area.
    auto chain = MakeRoot(kUnlabelled);
    CEntry* level = chain.get();
    for (int i = 0; i < 20000; ++i)
        level = Add(*level, "d", 0, true);
    CEntry* deepest = Add(*level, "f", 7);
    layout.Build(*chain, {0, 0, 50, 50}, 0, m.Metrics(1000));
    EXPECT_EQ(layout.Blocks().size(), 20002U);
    EXPECT_EQ(layout.HitTest({25, 25}), deepest);
    // Unwind bottom-up: destroying the chain top-down would recurse 20000 deep.
    while (level != chain.get()) {
        CEntry* parent = level->GetParent();
        parent->m_children.clear();
        level = parent;
    }
}
