// The block view as the program runs it: a real search of a scratch tree, the view attached
// to its document, mouse events sent to the widget, pixels read from a grab.
#include "support/Input.h"
#include "support/RectPrint.h"
#include "support/ViewHarness.h"
#include "views/DC.h"
#include "views/VolraBlockView.h"
#include "views/VolraPrefs.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {
class PaintCounter : public QObject {
public:
    int nPaints = 0;
    bool eventFilter(QObject*, QEvent* pEvent) override { return nPaints += pEvent->type() == QEvent::Paint, false; }
};

class BlockViewTest : public ViewHarness<CVolraBlockView> {
protected:
    void SetUp() override { std::swap(AfxGetPrefs().m_nBorder, m_nBorder); }
    void TearDown() override
    {
        ViewHarness::TearDown();
        std::swap(AfxGetPrefs().m_nBorder, m_nBorder);
    }
    CEntry* Child(const std::string& name, const CEntry* p = nullptr) const { return ::Child(p ? p : root, name); }
    QImage Grab(QRect part = QRect(0, 0, -1, -1)) const
    {
        return view->grab(part).toImage().convertToFormat(QImage::Format_RGB32);
    }
    CRect RectOf(const CEntry* pEntry) const { return view->GetLayout().RectOf(pEntry).value_or(CRect()); }
    QPoint Centre(const CEntry* pEntry) const { return RectOf(pEntry).ToQRect().center(); }
    void Click(QPoint pt, bool bDouble = false) { ClickAt(view.get(), pt, bDouble); }
    void Hover(QPoint pt) { SendMouse(view.get(), QEvent::MouseMove, pt); }

    int m_nBorder = 14;
};
}  // namespace

TEST_F(BlockViewTest, AClickOrRightClickSelectsAndRepaintsThisViewOnly)
{
    tree.Files({{"a", 60}, {"b", 30}, {"c", 10}});
    Open(400, 200);
    PaintCounter paints;
    view->installEventFilter(&paints);
    parent.show();  // so that a repaint request turns into a paint
    QCoreApplication::processEvents();
    CEntry* b = Child("b");
    paints.nPaints = 0;
    Click(Centre(b));
    EXPECT_EQ(doc->GetSelected(), b);
    EXPECT_TRUE(spy.hints.empty());  // no other view is told
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.nPaints, 1);
    // The outline lies within the block, and a directory's within its frame.
    const auto red = [this](std::initializer_list<QPoint> points) {
        const QImage image = Grab();
        std::vector<bool> bRed;
        for (const QPoint pt : points)
            bRed.push_back(image.pixelColor(pt) == QColor(255, 0, 0));
        return bRed;
    };
    const CRect rc = RectOf(b);
    EXPECT_EQ(
        red({{rc.left - 1, 150}, {rc.left, 150}, {rc.right - 1, 150}, {rc.right, 150}, {rc.left + 50, rc.top + 1}}),
        (std::vector<bool>{false, true, true, false, true}));
    Click({5, 100});
    EXPECT_EQ(doc->GetSelected(), root);
    EXPECT_EQ(red({{0, 100}, {1, 100}}), (std::vector<bool>{false, true}));

    // A right click selects, then opens the document's menu at the pointer.
    CEntry* c = Child("c");
    const OpenedMenu menu = ContextMenuAt(view.get(), Centre(c));
    EXPECT_EQ(doc->GetSelected(), c);
    EXPECT_EQ(menu.firstLine, c->GetPath() + " [" + c->GetSizeText() + "]");
    EXPECT_EQ(menu.pos, view->mapToGlobal(Centre(c)));
}

TEST_F(BlockViewTest, HoverClicksAndDoubleClicksFollowTheLayoutMadeAgainAfterEveryChange)
{
    tree.Files({{"d/x", 3000}, {"d/y", 1000}, {"f", 4000}});
    Open(600, 400);
    std::vector<const CEntry*> shown;
    SetEntryInfoSink([&shown](const CEntry* pEntry) { shown.push_back(pEntry); });
    // A repaint of part of the view (blocks outside it skipped with their subtrees) gives
    // the same pixels as the whole.
    const QImage whole = Grab();
    for (int y = 0; y < 400; y += 100)
        for (int x = 0; x < 600; x += 150)
            EXPECT_EQ(Grab(QRect(x, y, 150, 100)), whole.copy(x, y, 150, 100)) << x << "," << y;
    CEntry* d = Child("d");
    CEntry* f = Child("f");
    const QPoint ptX = Centre(Child("x", d));
    Hover(ptX);
    Hover({200, 3});  // the label strip
    EXPECT_EQ(shown, (std::vector<const CEntry*>{Child("x", d), root}));

    // Double-clicks: a file is selected and no more; d's border enters d, and d's own frame
    // leads up again, the parent becoming the selection; at the root there is no parent: it
    // stays current, becomes the selection, and every view is told.
    const std::tuple<QPoint, bool, CEntry*, CEntry*, std::size_t> clicks[] = {
        {Centre(f), true, root, f, 0},
        {{RectOf(d).left + 5, 200}, true, d, d, 1},
        {{5, 200}, true, root, root, 1},
        {Centre(f), false, root, f, 0},
        {{5, 200}, true, root, root, 1}};
    for (const auto& [pt, bDouble, current, selected, nHints] : clicks) {
        spy.hints.clear();
        Grab();
        Click(pt, bDouble);
        EXPECT_EQ(doc->GetCurrent(), current) << pt.x() << "," << pt.y();
        EXPECT_EQ(doc->GetSelected(), selected) << pt.x() << "," << pt.y();
        EXPECT_EQ(spy.hints, std::vector<LPARAM>(nHints, HINT_REDRAW));
    }

    // Another mode is shown meanwhile: d is refreshed (new entries, same sizes) and the
    // root made current again, all unheard by this view. Then it is attached and redrawn.
    doc->RemoveView(view.get());
    doc->SetCurrent(d);
    doc->OnRefresh();
    doc->SetCurrent(root);
    doc->AddView(view.get());
    doc->UpdateAllViews(nullptr, HINT_REDRAW);
    EXPECT_EQ(view->HitTest(ptX), root);
    Grab();
    EXPECT_EQ(view->HitTest(ptX), Child("x", Child("d")));

    // A refresh while attached replaces the whole tree: until the next paint every point
    // yields the new current directory.
    shown.clear();
    tree.File("g", 8000);
    doc->OnRefresh();
    root = doc->GetRoot();
    Hover(ptX);
    Click(ptX);
    EXPECT_EQ(doc->GetSelected(), root);
    Grab();
    Hover(Centre(Child("g")));
    EXPECT_EQ(shown, (std::vector<const CEntry*>{root, Child("g")}));
    EXPECT_EQ(RectOf(Child("g")).Width(), 572 / 2);  // half of all bytes

    // A new size, then a new border, each lays the view out again.
    view->resize(500, 200);
    Grab();
    EXPECT_EQ(RectOf(root), CRect(0, 0, 500, 200));
    AfxGetPrefs().m_nBorder = 20;
    Grab();
    EXPECT_EQ(RectOf(Child("d")).left, 20);
}

// Every solid pixel of a label's text, across or down, reaches the screen: nothing drawn
// after it (the children below or beside it) covers its descenders and underscores. Down,
// a column of the block's fill keeps the underscores off its frame.
TEST_F(BlockViewTest, LabelsShowTheirWholeText)
{
    tree.File("under_score_dir/x", 20000);  // wide: labelled across
    tree.File("LC_MESSAGES/y", 1000);  // narrow: labelled down
    Open(800, 600);
    const QImage image = Grab();
    const CBlockLayout& layout = view->GetLayout();
    for (const CEntry* pDir : {Child("under_score_dir"), Child("LC_MESSAGES")}) {
        const auto* pBlock = &layout.Blocks().front();
        while (pBlock->pEntry != pDir)
            ++pBlock;
        ASSERT_NE(pBlock->label, CBlockLayout::Label::None) << pDir->GetName();
        EXPECT_EQ(layout.LabelText(*pBlock).toStdString(), pDir->GetName());
        // The same text drawn alone on white, where the view drew it.
        QImage alone(image.size(), QImage::Format_RGB32);
        alone.fill(Qt::white);
        {
            QPainter painter(&alone);
            CDC dc(painter, CRect(0, 0, alone.width(), alone.height()));
            const bool bDown = pBlock->label == CBlockLayout::Label::Down;
            dc.SelectFont({bDown ? AfxGetPrefs().m_fontLargeVertical : AfxGetPrefs().m_fontLarge,
                           bDown ? CDC::kEscapementDown : 0});
            dc.SetBkMode(CDC::BkMode::Transparent);
            const QPoint origin = layout.LabelOrigin(*pBlock);
            dc.TextOut(origin.x(), origin.y(), layout.LabelText(*pBlock));
        }
        int nSolid = 0;
        int nLost = 0;
        for (int y = 0; y < alone.height(); ++y)
            for (int x = 0; x < alone.width(); ++x)
                if (alone.pixelColor(x, y).lightness() < 64) {
                    ++nSolid;
                    nLost += image.pixelColor(x, y).lightness() >= 128 ? 1 : 0;
                }
        EXPECT_GT(nSolid, 0) << pDir->GetName();
        EXPECT_EQ(nLost, 0) << pDir->GetName();
        if (pBlock->label == CBlockLayout::Label::Down) {
            const CRect& rc = pBlock->rect;
            int nInked = 0;
            for (int y = rc.top + 1; y < rc.bottom - 1; ++y)
                nInked += image.pixelColor(rc.left + 1, y) != view->GetPalette()[pBlock->nPalette] ? 1 : 0;
            EXPECT_EQ(nInked, 0) << "the column beside the frame";
        }
    }
}

// A directory that could not be read is hatched over its colour; one that could, is not.
TEST_F(BlockViewTest, UnreadableDirectoriesAreHatched)
{
    tree.Files({{"a", 3000}});
    tree.Dir("locked");
    tree.Dir("open");
    CEntry::ShowDiskSizes(true);  // an empty directory's block is its own blocks
    Open(300, 200);
    Child("locked")->SetUnreadable(true);
    view->OnUpdate(nullptr, HINT_REDRAW, nullptr);
    const QImage image = Grab();
    CEntry::ShowDiskSizes(false);
    for (const auto& [name, colours] : {std::pair{"locked", 2u}, {"open", 1u}}) {
        std::set<QRgb> seen;
        const QRect rc = RectOf(Child(name)).ToQRect().adjusted(2, 20, -2, -2);
        for (int y = rc.top(); y <= rc.bottom(); ++y)
            for (int x = rc.left(); x <= rc.right(); ++x)
                seen.insert(image.pixel(x, y));
        EXPECT_EQ(seen.size(), colours) << name;
        EXPECT_EQ(seen.contains(QColor(64, 64, 64).rgb()), colours == 2) << name;
    }
}
