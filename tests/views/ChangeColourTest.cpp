// The block view's colouring by change: the colour rules alone, then the view on a search
// compared with an earlier one, read from grabs at the blocks the layout placed.
#include "views/ChangeColour.h"
#include "framework/CmdUI.h"
#include "support/ComparedSearch.h"
#include "support/ViewProbe.h"
#include "views/VolraBlockView.h"
#include "views/VolraPrefs.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {
using EKind = CChangeColour::EKind;

bool Reddish(QColor c) { return c.red() > c.green() + 40 && c.green() == c.blue(); }
bool Greenish(QColor c) { return c.green() > c.red() + 40 && c.green() > c.blue() + 40; }
}  // namespace

TEST(ChangeColourTest, KindAndShareChooseTheFill)
{
    // Shares: a change against the larger of the directory's two sizes, never above 1.
    const std::tuple<std::int64_t, std::int64_t, std::int64_t, double> shares[] = {
        {100, 1000, 500, 0.1}, {-400, 600, 1000, 0.4}, {5, 0, 0, 0.0}, {INT64_MIN + 1, 10, 10, 1.0}};
    for (const auto& [nChange, nNow, nEarlier, dShare] : shares)
        EXPECT_DOUBLE_EQ(CChangeColour::Share(nChange, nNow, nEarlier), dShare) << nChange << " of " << nNow;

    // The larger the share, the deeper the colour: each step further from the light tint.
    for (const EKind kind : {EKind::Grown, EKind::Shrunk}) {
        const QColor light = kind == EKind::Grown ? CChangeColour::kGrownLight : CChangeColour::kShrunkLight;
        int nLast = 0;
        for (const double dShare : {0.0, 0.001, 0.01, 0.1, 0.5, 1.0}) {
            const QColor c = CChangeColour::For(kind, dShare, 1, 3);
            EXPECT_TRUE(kind == EKind::Grown ? Reddish(c) : Greenish(c)) << dShare;
            const int nDistance = std::abs(c.red() - light.red()) + std::abs(c.green() - light.green())
                + std::abs(c.blue() - light.blue());
            // The floor: even no share at all is well away from the light tint.
            EXPECT_GT(nDistance, dShare == 0.0 ? 80 : nLast) << dShare;
            nLast = nDistance;
        }
        EXPECT_EQ(CChangeColour::For(kind, 7.5, 0, 5), CChangeColour::For(kind, 1.0, 0, 0)) << "clamped";
        EXPECT_EQ(CChangeColour::For(kind, std::nan(""), 0, 0), CChangeColour::For(kind, 0, 0, 0));
    }
    // New is one bright colour whatever the share.
    EXPECT_EQ(CChangeColour::For(EKind::New, 0.0, 2, 1), CChangeColour::For(EKind::New, 1.0, 0, 7));
}

// keep 100 (same), a/grows 1000 -> 4000, a/b/shrinks 5000 -> 10, a/b/c/gone 300 removed,
// a/b/c/d/new 50 and fresh/f 9 new, x/y/gone 7 removed: a was 6300 and is 4060, the root
// was 6407 and is 4169.
TEST(ChangeColourTest, EachEntryIsMeasuredAgainstItsDirectory)
{
    const ComparedSearch search;
    const CSearchComparison& comparison = *search.doc->GetComparison();
    const std::tuple<std::vector<std::string>, EKind, double> cases[] = {
        {{}, EKind::Shrunk, 2238.0 / 6407},  // the root against itself
        {{"keep"}, EKind::Unchanged, 0},
        {{"a", "grows"}, EKind::Grown, 3000.0 / 6300},
        {{"a", "b"}, EKind::Shrunk, 5240.0 / 6300},
        {{"a", "b", "shrinks"}, EKind::Shrunk, 4990.0 / 5300},
        {{"a", "b", "c"}, EKind::Shrunk, 250.0 / 5300},
        {{"a", "b", "c", "d", "new"}, EKind::New, 0},
    };
    for (const auto& [path, kind, dShare] : cases) {
        const CEntry* pEntry = search.At(path);
        ASSERT_NE(pEntry, nullptr);
        EXPECT_EQ(CChangeColour::Of(comparison, *pEntry),
                  CChangeColour::For(kind, dShare, pEntry->GetDepth(), pEntry->GetColour()))
            << pEntry->GetPath();
    }
}

namespace {
class BlockChangeTest : public ::testing::Test {
protected:
    // No border, so that the small blocks of the fixture still have room.
    void SetUp() override
    {
        std::swap(AfxGetPrefs().m_nBorder, m_nBorder);
        view->resize(800, 600);
        search.doc->AddView(view.get());
        search.doc->UpdateAllViews(nullptr, HINT_TREE_CHANGED);
    }
    void TearDown() override
    {
        search.doc->RemoveView(view.get());
        std::swap(AfxGetPrefs().m_nBorder, m_nBorder);
    }
    QImage Grab() const { return GrabImage(*view); }
    // The colour at the middle of the entry's block in the image.
    QColor At(const QImage& image, const std::vector<std::string>& path) const
    {
        const std::optional<CRect> rc = view->GetLayout().RectOf(search.At(path));
        EXPECT_TRUE(rc.has_value() && !rc->IsRectEmpty()) << path.back();
        return rc ? image.pixelColor(rc->ToQRect().center()) : QColor();
    }
    // Whether the command is enabled and checked.
    std::pair<bool, bool> Command() const
    {
        CCmdUI ui(ID_COLOUR_BY_CHANGE);
        EXPECT_TRUE(view->OnCmdMsg(ID_COLOUR_BY_CHANGE, &ui));
        return {ui.m_bEnabled, ui.m_nCheck == 1};
    }
    std::unique_ptr<CSearchComparison> Compared() const
    {
        return std::make_unique<CSearchComparison>(*search.earlier->GetRoot(), *search.doc->GetRoot());
    }

    ComparedSearch search;
    QWidget parent;
    std::unique_ptr<CVolraBlockView> view = std::make_unique<CVolraBlockView>(&parent);
    int m_nBorder = 0;
};
}  // namespace

TEST_F(BlockChangeTest, ColouringByChangeChangesOnlyTheFillsAndOnlyWhileComparing)
{
    // Comparing alone changes no pixel, nor does the choice without a comparison.
    const QImage compared = Grab();
    EXPECT_EQ(Command(), std::pair(true, false));
    search.doc->SetComparison(nullptr);
    EXPECT_EQ(Command(), std::pair(false, false));
    const QImage plain = Grab();
    EXPECT_EQ(plain, compared);
    view->OnColourByChange();
    EXPECT_EQ(Grab(), plain);

    // With a comparison the choice shows: grown red, shrunk green, new bright, the same grey.
    search.doc->SetComparison(Compared());
    EXPECT_EQ(Command(), std::pair(true, true));
    const QImage coloured = Grab();
    EXPECT_TRUE(Reddish(At(coloured, {"a", "grows"})));
    EXPECT_TRUE(Greenish(At(coloured, {"a", "b", "shrinks"})));
    EXPECT_EQ(At(coloured, {"a", "b", "c", "d", "new"}), CChangeColour::kNew);
    EXPECT_EQ(At(coloured, {"keep"}), CChangeColour::Of(*search.doc->GetComparison(), *search.At({"keep"})));

    // Sizes on disk with an earlier search that knew lengths only: no change can be told,
    // and the usual palette comes back.
    auto lengthsOnly = Compared();
    lengthsOnly->SetEarlierSearch(nullptr, CTime(), false);
    search.doc->SetComparison(std::move(lengthsOnly));
    CEntry::ShowDiskSizes(true);
    const QImage onDisk = Grab();
    const std::pair<bool, bool> onDiskCommand = Command();
    search.doc->SetComparison(nullptr);
    const QImage onDiskPlain = Grab();
    CEntry::ShowDiskSizes(false);
    EXPECT_EQ(onDiskCommand, std::pair(false, false));
    EXPECT_EQ(onDisk, onDiskPlain);

    // The command turns it off again.
    search.doc->SetComparison(Compared());
    ASSERT_TRUE(ExecuteCommand(*view, ID_COLOUR_BY_CHANGE));
    EXPECT_EQ(Command(), std::pair(true, false));
    EXPECT_EQ(Grab(), plain);
}
