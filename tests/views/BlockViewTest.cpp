// The block view as the program runs it: a real search of a scratch tree, the view attached
// to its document, mouse events sent to the widget, pixels read from a grab.
#include "doc/DriveVolraDoc.h"
#include "doc/Resource.h"
#include "support/TempTree.h"
#include "views/EntryInfo.h"
#include "views/VolraBlockView.h"
#include "views/VolraPrefs.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {
const QColor kBlack(0, 0, 0);
const QColor kRed(255, 0, 0);
const QColor kGrey(192, 192, 192);

// Records what the document tells its views.
class SpyView : public CView {
public:
    std::vector<LPARAM> hints;
    void OnUpdate(CView*, LPARAM lHint, QObject*) override { hints.push_back(lHint); }
};

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int nPaints = 0;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        nPaints += pEvent->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

class BlockViewTest : public ::testing::Test {
protected:
    void SetUp() override { std::swap(AfxGetPrefs().m_nBorder, m_nBorder); }
    void TearDown() override
    {
        SetEntryInfoSink({});
        if (doc)
            doc->RemoveView(&spy);
        std::swap(AfxGetPrefs().m_nBorder, m_nBorder);
    }

    // Searches the scratch tree and shows its root in a view of the given size.
    void Open(int w, int h)
    {
        doc = std::make_unique<CDriveVolraDoc>();
        doc->PresetRoot(tree.Root(), "Folder test");
        ASSERT_TRUE(doc->OnNewDocument());
        view = std::make_unique<CVolraBlockView>(&parent);
        doc->AddView(view.get());
        doc->AddView(&spy);
        view->resize(w, h);
        view->OnInitialUpdate();
    }
    CEntry* Child(const CEntry* pDir, const std::string& name) const
    {
        for (const auto& child : pDir->m_children)
            if (child->GetName() == name)
                return child.get();
        ADD_FAILURE() << "no " << name;
        return nullptr;
    }
    QImage Grab(QRect part = QRect(QPoint(0, 0), QSize(-1, -1))) const
    {
        return view->grab(part).toImage().convertToFormat(QImage::Format_RGB32);
    }
    CRect RectOf(const CEntry* pEntry) const { return view->GetLayout().RectOf(pEntry).value_or(CRect()); }
    QPoint Centre(const CEntry* pEntry) const
    {
        const CRect rc = RectOf(pEntry);
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    void Mouse(QEvent::Type type, QPoint pt, Qt::MouseButton button = Qt::LeftButton)
    {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(pt), QPointF(view->mapToGlobal(pt)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
    }
    void Click(QPoint pt)
    {
        Mouse(QEvent::MouseButtonPress, pt);
        Mouse(QEvent::MouseButtonRelease, pt);
    }
    void DoubleClick(QPoint pt)
    {
        Click(pt);
        Mouse(QEvent::MouseButtonDblClick, pt);
        Mouse(QEvent::MouseButtonRelease, pt);
    }
    void Hover(QPoint pt) { Mouse(QEvent::MouseMove, pt, Qt::NoButton); }
    QColor Fill(const CEntry* pEntry) const { return view->GetPalette()[(pEntry->GetDepth() % 3) * 8 + pEntry->m_nColour]; }
    QColor At(const QImage& image, int x, int y) const { return image.pixelColor(x, y); }
    int TextHeight() const { return QFontMetrics(AfxGetPrefs().m_fontLarge, view.get()).height(); }
    int LabelStrip() const { return std::max(TextHeight(), AfxGetPrefs().m_nBorder); }

    TempTree tree;
    QWidget parent;  // outlives the view it holds
    std::unique_ptr<CDriveVolraDoc> doc;
    std::unique_ptr<CVolraBlockView> view;
    SpyView spy;
    int m_nBorder = 14;
};
}  // namespace

TEST_F(BlockViewTest, StripsFillsFramesAndLabelsOfASearchedDirectory)
{
    tree.File("a", 60);
    tree.File("b", 30);
    tree.File("c", 10);
    Open(400, 200);
    const QImage image = Grab();
    CEntry* root = doc->m_pRoot.get();
    const int top = LabelStrip();
    ASSERT_EQ(view->GetLayout().Blocks().front().label, CBlockLayout::Label::Across);
    EXPECT_EQ(RectOf(root), CRect(0, 0, 400, 200));
    EXPECT_EQ(RectOf(Child(root, "a")), CRect(14, top, 237, 186));
    EXPECT_EQ(RectOf(Child(root, "b")), CRect(237, top, 348, 186));
    EXPECT_EQ(RectOf(Child(root, "c")), CRect(348, top, 385, 186));

    // The root: light blue in a black frame; its last inner column shows through.
    for (const QPoint pt : {QPoint(385, 100), QPoint(1, 100), QPoint(392, 190)})
        EXPECT_EQ(At(image, pt.x(), pt.y()), QColor(191, 191, 255)) << pt.x();
    for (const QPoint pt : {QPoint(0, 100), QPoint(399, 199), QPoint(200, 0)})
        EXPECT_EQ(At(image, pt.x(), pt.y()), kBlack) << pt.x();
    // Files: light green by colour index, no frame, ink only in the label box at (l+2, t+1).
    const QFontMetrics fm(AfxGetPrefs().m_fontLarge, view.get());
    for (const CEntry* file : {Child(root, "a"), Child(root, "b"), Child(root, "c")}) {
        const int c = 191 + 8 * file->m_nColour;
        EXPECT_EQ(Fill(file), QColor(c, 255, c));
        const CRect rc = RectOf(file);
        const int cx = fm.horizontalAdvance(QString::fromStdString(file->GetName()));
        const CRect labelBox(rc.left + 2, rc.top + 1, rc.left + 2 + cx, rc.top + 1 + TextHeight());
        int nInk = 0;
        int nOther = 0;
        for (int y = rc.top; y < rc.bottom; ++y) {
            for (int x = rc.left; x < rc.right; ++x) {
                if (labelBox.PtInRect({x, y}))
                    nInk += At(image, x, y).lightness() < 128 ? 1 : 0;
                else
                    nOther += At(image, x, y) != Fill(file) ? 1 : 0;
            }
        }
        EXPECT_GT(nInk, 0) << file->GetName();
        EXPECT_EQ(nOther, 0) << file->GetName();
    }
}

TEST_F(BlockViewTest, ClickSelectsInThisViewOnlyGreyInARedOutline)
{
    tree.File("a", 60);
    tree.File("b", 30);
    tree.File("c", 10);
    Open(400, 200);
    PaintCounter paints;
    view->installEventFilter(&paints);
    parent.show();  // so that a repaint request turns into a paint
    QCoreApplication::processEvents();
    CEntry* root = doc->m_pRoot.get();
    CEntry* b = Child(root, "b");
    paints.nPaints = 0;
    Click(Centre(b));
    EXPECT_EQ(doc->m_pSelected, b);
    EXPECT_EQ(doc->m_pCurrent, root);
    EXPECT_TRUE(spy.hints.empty());  // no other view is told
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.nPaints, 1);

    QImage image = Grab();
    const CRect rc = RectOf(b);
    const QColor a = Fill(Child(root, "a"));
    const QColor c = Fill(Child(root, "c"));
    const std::vector<QColor> across{a, kRed, kRed, kGrey, kGrey, kRed, kRed, c};
    const int xs[] = {rc.left - 1, rc.left, rc.left + 1, rc.left + 2, rc.right - 3, rc.right - 2, rc.right - 1, rc.right};
    for (std::size_t i = 0; i < across.size(); ++i)
        EXPECT_EQ(At(image, xs[i], 150), across[i]) << xs[i];
    for (const int y : {rc.top, rc.top + 1, rc.bottom - 2, rc.bottom - 1})
        EXPECT_EQ(At(image, rc.left + 50, y), kRed) << y;
    EXPECT_EQ(At(image, rc.left + 50, rc.bottom - 3), kGrey);

    // A selected directory: grey under its children, red inside its black frame.
    Click({5, 100});
    EXPECT_EQ(doc->m_pSelected, root);
    image = Grab();
    EXPECT_EQ(At(image, 0, 100), kBlack);
    EXPECT_EQ(At(image, 1, 100), kRed);
    EXPECT_EQ(At(image, 2, 100), kGrey);
    EXPECT_EQ(At(image, 385, 100), kGrey);
    EXPECT_EQ(At(image, 200, 100), a);

    // The wheel does nothing, and takes the event so that no parent scrolls with it.
    QWheelEvent wheel(QPointF(Centre(b)), QPointF(view->mapToGlobal(Centre(b))), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.get(), &wheel);
    EXPECT_TRUE(wheel.isAccepted());
    EXPECT_EQ(doc->m_pSelected, root);
    EXPECT_EQ(doc->m_pCurrent, root);
    EXPECT_TRUE(spy.hints.empty());
}

TEST_F(BlockViewTest, DoubleClickEntersDirectoriesAndGoesUpFromTheFrame)
{
    tree.File("d/x", 3000);
    tree.File("d/y", 1000);
    tree.File("f", 4000);
    Open(600, 400);
    // A repaint of part of the view (outside blocks are skipped with their subtrees)
    // gives the same pixels as the whole.
    const QImage whole = Grab();
    for (int y = 0; y < 400; y += 100)
        for (int x = 0; x < 600; x += 150)
            EXPECT_EQ(Grab(QRect(x, y, 150, 100)), whole.copy(x, y, 150, 100)) << x << "," << y;
    CEntry* root = doc->m_pRoot.get();
    CEntry* d = Child(root, "d");
    CEntry* f = Child(root, "f");

    DoubleClick(Centre(f));  // a file: the click's selection, nothing more
    EXPECT_EQ(doc->m_pSelected, f);
    EXPECT_EQ(doc->m_pCurrent, root);
    EXPECT_TRUE(spy.hints.empty());

    DoubleClick({RectOf(d).left + 5, 200});  // in d's border: enters d
    EXPECT_EQ(doc->m_pCurrent, d);
    EXPECT_EQ(doc->m_pSelected, d);
    EXPECT_EQ(spy.hints, std::vector<LPARAM>{HINT_REDRAW});
    EXPECT_NE(doc->GetTitle().find(d->GetPath()), std::string::npos);

    // Current and selected at once: black frame, red inside it, grey down to the children.
    const QImage image = Grab();
    EXPECT_EQ(RectOf(d), CRect(0, 0, 600, 400));
    const std::vector<QColor> row{kBlack, kRed, kGrey, kGrey, Fill(Child(d, "x"))};
    const int xs[] = {0, 1, 2, 13, 14};
    for (std::size_t i = 0; i < row.size(); ++i)
        EXPECT_EQ(At(image, xs[i], 200), row[i]) << xs[i];

    DoubleClick({5, 200});  // d's own frame: up to the parent
    EXPECT_EQ(doc->m_pCurrent, root);
    EXPECT_EQ(doc->m_pSelected, root);

    // At the root there is no parent: it stays current, becomes the selection, and every
    // view is told.
    Grab();
    Click(Centre(f));
    spy.hints.clear();
    DoubleClick({5, 200});
    EXPECT_EQ(doc->m_pCurrent, root);
    EXPECT_EQ(doc->m_pSelected, root);
    EXPECT_EQ(spy.hints, std::vector<LPARAM>{HINT_REDRAW});

    // An empty directory fills the view, and is what a click anywhere selects.
    tree.Dir("e");
    doc->OnRefresh();
    CEntry* e = Child(doc->m_pRoot.get(), "e");
    doc->SetCurrent(e);
    doc->m_pSelected = nullptr;
    const QImage empty = Grab();
    EXPECT_EQ(view->GetLayout().Blocks().size(), 1U);
    EXPECT_EQ(At(empty, 300, 300), Fill(e));
    EXPECT_EQ(At(empty, 599, 399), kBlack);
    Click({599, 399});
    EXPECT_EQ(doc->m_pSelected, e);
}

TEST_F(BlockViewTest, HoverAndClicksForgetTheTreeWhenItChanges)
{
    tree.File("a", 60);
    tree.File("b", 40);
    Open(400, 200);
    std::vector<const CEntry*> shown;
    SetEntryInfoSink([&shown](const CEntry* pEntry) { shown.push_back(pEntry); });
    CEntry* root = doc->m_pRoot.get();
    Hover({200, 100});  // nothing laid out yet: the current directory
    Grab();
    const QPoint ptB = Centre(Child(root, "b"));
    Hover(ptB);
    Hover({200, 3});  // the label strip
    EXPECT_EQ(shown, (std::vector<const CEntry*>{root, Child(root, "b"), root}));

    // Refresh replaces the whole tree and destroys the old one: until the next paint every
    // point yields the new current directory.
    shown.clear();
    tree.File("c", 100);
    doc->OnRefresh();
    CEntry* fresh = doc->m_pRoot.get();
    ASSERT_EQ(doc->m_pCurrent, fresh);
    EXPECT_TRUE(view->GetLayout().IsEmpty());
    Hover(ptB);
    Click(ptB);
    EXPECT_EQ(doc->m_pSelected, fresh);
    EXPECT_EQ(view->HitTest({399, 199}), fresh);
    Grab();
    CEntry* freshC = Child(fresh, "c");
    Hover(Centre(freshC));
    EXPECT_EQ(shown, (std::vector<const CEntry*>{fresh, freshC}));
    EXPECT_EQ(RectOf(freshC).right, 386);  // half of 200 bytes: the right half

    SetEntryInfoSink({});
    Hover(ptB);  // without a sink: nothing
    EXPECT_EQ(shown.size(), 2U);
}

TEST_F(BlockViewTest, AViewAttachedAgainKeepsNothingOfTheTreeItShowedBefore)
{
    tree.File("d/x", 3000);
    tree.File("f", 4000);
    Open(400, 200);
    Grab();
    CEntry* root = doc->m_pRoot.get();
    const QPoint ptX = Centre(Child(Child(root, "d"), "x"));
    // Another mode is shown meanwhile: d is refreshed (new entries, same sizes) and the
    // root made current again, all unheard by this view. Then it is attached and redrawn.
    doc->RemoveView(view.get());
    doc->SetCurrent(Child(root, "d"));
    doc->OnRefresh();
    doc->SetCurrent(root);
    doc->AddView(view.get());
    doc->UpdateAllViews(nullptr, HINT_REDRAW);
    EXPECT_EQ(view->HitTest(ptX), root);
    Grab();
    EXPECT_EQ(view->HitTest(ptX), Child(Child(root, "d"), "x"));
}

TEST_F(BlockViewTest, LayoutFollowsSizeAndPreferences)
{
    tree.File("a", 60);
    tree.File("b", 30);
    tree.File("c", 10);
    Open(500, 200);
    Grab();
    CEntry* root = doc->m_pRoot.get();
    // Inner width 472: the single-precision offset lets the last strip reach the end.
    EXPECT_EQ(RectOf(root), CRect(0, 0, 500, 200));
    EXPECT_EQ(RectOf(Child(root, "a")).right, 297);
    EXPECT_EQ(RectOf(Child(root, "b")).right, 438);
    EXPECT_EQ(RectOf(Child(root, "c")).right, 486);

    view->resize(400, 200);
    AfxGetPrefs().m_nBorder = 20;
    Grab();
    const int top = LabelStrip();
    EXPECT_EQ(RectOf(Child(root, "a")), CRect(20, top, 236, 180));
    EXPECT_EQ(RectOf(Child(root, "b")), CRect(236, top, 344, 180));
    EXPECT_EQ(RectOf(Child(root, "c")), CRect(344, top, 380, 180));
}

TEST_F(BlockViewTest, RightClickSelectsAndOpensTheDocumentMenuAtThePointer)
{
    tree.File("a", 60);
    tree.File("c", 10);
    Open(400, 200);
    Grab();
    CEntry* c = Child(doc->m_pRoot.get(), "c");
    const QPoint pt = Centre(c);
    const QPoint global = view->mapToGlobal(pt);

    // The menu runs its own event loop; a timer inside that loop reads and closes it.
    QString firstLine;
    QPoint menuPos;
    const CEntry* pSelectedWhileOpen = nullptr;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            firstLine = menu->actions().value(0)->text();
            menuPos = menu->pos();
            pSelectedWhileOpen = doc->m_pSelected;
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, pt, global);
    QApplication::sendEvent(view.get(), &event);

    EXPECT_EQ(pSelectedWhileOpen, c);
    EXPECT_EQ(doc->m_pSelected, c);
    EXPECT_EQ(firstLine.toStdString(), c->GetPath() + " [" + c->GetSizeText() + "]");
    EXPECT_EQ(menuPos, global);
}

TEST_F(BlockViewTest, PaletteIsEightShadesInThreeFamiliesByDepth)
{
    CVolraBlockView v;
    for (int i = 0; i < 8; ++i) {
        const int c = 191 + 8 * i;
        EXPECT_EQ(v.GetPalette()[i], QColor(c, c, 255)) << i;
        EXPECT_EQ(v.GetPalette()[8 + i], QColor(c, 255, c)) << i;
        EXPECT_EQ(v.GetPalette()[16 + i], QColor(255, c, c)) << i;
    }
    EXPECT_TRUE(v.testAttribute(Qt::WA_OpaquePaintEvent));
}
