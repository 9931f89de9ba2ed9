// The pie view as the program runs it: a real search of a scratch tree, the view attached to
// its document, mouse and menu events sent to the widget, pixels read from a grab.
#include "support/Input.h"
#include "support/ViewHarness.h"
#include "views/VolraPieView.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
class PieViewTest : public ViewHarness<CVolraPieView> {
protected:
    // Each slice's label text, in slice order.
    std::vector<std::string> Labels() const
    {
        std::vector<std::string> labels;
        for (const CPieSlice& slice : view->GetChart().Slices())
            labels.push_back(slice.m_label.GetText().toStdString());
        return labels;
    }
    QImage Grab() const { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Halfway out from the centre to the middle of the slice's arc.
    QPoint In(int nSlice) const { return (view->GetChart().Slice(nSlice).m_label.m_ptAnchor + QPoint(300, 200)) / 2; }
    void Mouse(QEvent::Type type, QPoint pt) { SendMouse(view.get(), type, pt); }
};
}  // namespace

TEST_F(PieViewTest, SlicesFollowTheCurrentDirectoryByNameAndShare)
{
    tree.Files({{"b", 1000}, {"A", 2000}, {"c/x", 1000}, {"z/one", 0}, {"z/two", 0}, {"z/three", 0}});
    Open(600, 400);
    Grab();
    // By name, letters compared without case, whatever order the children are kept in.
    const std::vector<CEntry*> byName(root->GetChildren().begin(), root->GetChildren().end());
    for (CEntry* child : byName)
        root->RemoveChild(child);
    for (auto it = byName.rbegin(); it != byName.rend(); ++it)
        root->AppendChild(*it);
    doc->UpdateAllViews(nullptr, HINT_REDRAW);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"A [50.00%]", "b [25.00%]", "c [25.00%]", "z [0.00%]"}));

    // An empty directory with children shares the turn equally.
    doc->SetCurrent(Child(root, "z"));
    EXPECT_EQ(Labels(), (std::vector<std::string>{"one [33.33%]", "three [33.33%]", "two [33.33%]"}));
    doc->SetCurrent(Child(root, "c"));

    // A refresh replaces the entries: the slices are made again from the new ones.
    tree.File("c/y", 3000);
    doc->OnRefresh();
    ASSERT_EQ(view->GetEntries().size(), 2U);
    for (const CEntry* pEntry : view->GetEntries())
        EXPECT_EQ(pEntry->GetParent(), doc->GetCurrent());
    EXPECT_EQ(Labels(), (std::vector<std::string>{"x [25.00%]", "y [75.00%]"}));
}

TEST_F(PieViewTest, ClicksHighlightSelectAndNavigateRightClicksOpenTheMenuOverASlice)
{
    tree.File("d/x", 3000);
    tree.File("f", 1000);
    Open(600, 400);
    Grab();
    std::vector<const CEntry*> shown;
    SetEntryInfoSink([&shown](const CEntry* pEntry) { shown.push_back(pEntry); });
    CEntry* d = Child(root, "d");
    CEntry* f = Child(root, "f");
    Mouse(QEvent::MouseMove, In(1));
    Mouse(QEvent::MouseMove, {5, 5});
    EXPECT_EQ(shown, (std::vector<const CEntry*>{f, nullptr}));

    // A click highlights the slice; one on nothing takes highlight and selection away.
    Mouse(QEvent::MouseButtonPress, In(0));
    EXPECT_EQ(doc->GetSelected(), d);
    EXPECT_EQ(Grab().pixelColor(In(0)), CPieSlice::kHighlightFill);
    Mouse(QEvent::MouseButtonPress, {5, 5});
    EXPECT_EQ(doc->GetSelected(), nullptr);
    EXPECT_EQ(Grab().pixelColor(In(0)), CPieChart::kPalette[0]);

    // A right click on a slice highlights, selects and opens the menu; on nothing, and from
    // the keyboard (which asks at the screen's (-1, -1), whatever the event's own point),
    // highlight and selection go and no menu opens.
    EXPECT_EQ(ContextMenuAt(view.get(), In(1)).firstLine, f->GetPath() + " [" + f->GetSizeText() + "]");
    EXPECT_EQ(doc->GetSelected(), f);
    EXPECT_EQ(view->GetHighlight(), 1);
    EXPECT_EQ(ContextMenuAt(view.get(), {5, 5}).firstLine, "");
    EXPECT_EQ(doc->GetSelected(), nullptr);
    Mouse(QEvent::MouseButtonPress, In(1));
    EXPECT_EQ(ContextMenuAt(view.get(), In(1), QContextMenuEvent::Keyboard).firstLine, "");
    EXPECT_EQ(doc->GetSelected(), nullptr);
    EXPECT_EQ(view->GetHighlight(), -1);

    // A double-click (a press, then the double-click) on a file selects it and no more; on
    // a directory it goes in; with nothing highlighted it goes up, if it can.
    for (const QPoint pt : {In(1), In(0)}) {
        Mouse(QEvent::MouseButtonPress, pt);
        Mouse(QEvent::MouseButtonDblClick, pt);
    }
    EXPECT_EQ(doc->GetCurrent(), d);
    EXPECT_EQ(view->GetHighlight(), -1) << "rebuilt for the new directory";
    Grab();
    for (int i = 0; i < 2; ++i) {
        Mouse(QEvent::MouseButtonPress, {5, 5});
        Mouse(QEvent::MouseButtonDblClick, {5, 5});
        EXPECT_EQ(doc->GetCurrent(), root);
    }
}

// A dark palette darkens the background and lightens what lies on it (the leaders, the
// empty directory's message); the label boxes keep their black text on yellow.
TEST_F(PieViewTest, BackgroundAndPlainTextsFollowThePalette)
{
    tree.Files({{"big", 3000}, {"small", 1000}});
    tree.Dir("empty");
    Open(600, 400);
    QPalette dark = view->palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    const auto count = [](const QImage& image, const CRect& rc, QColor colour) {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                n += image.pixelColor(x, y) == colour ? 1 : 0;
        return n;
    };
    for (const QPalette& palette : {view->palette(), dark}) {
        view->setPalette(palette);
        doc->SetCurrent(root);
        QImage image = Grab();
        const QColor base = palette.color(QPalette::Base);
        const QColor text = palette.color(QPalette::Text);
        EXPECT_EQ(image.pixelColor(2, 2), base);
        const CPieLabel& label = view->GetChart().Slice(0).m_label;
        ASSERT_TRUE(label.IsVisible());
        const QPoint middle = (label.m_ptAnchor + label.m_ptElbow) / 2;  // on the leader's outward part
        EXPECT_EQ(image.pixelColor(middle), text);
        EXPECT_GT(count(image, label.m_rcText, CPieLabel::kBoxText), 0) << "the box's text";

        doc->SetCurrent(Child(root, "empty"));
        image = Grab();
        const CRect all(0, 0, image.width(), image.height());
        EXPECT_GT(count(image, all, text), 0) << "the message";
    }
}
