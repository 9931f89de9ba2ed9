// The pie view as the program runs it: a real search of a scratch tree, the view attached to
// its document, mouse and menu events sent to the widget, pixels read from a grab.
#include "doc/DriveVolraDoc.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"
#include "views/EntryInfo.h"
#include "views/VolraPieView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {
class PieViewTest : public ::testing::Test {
protected:
    void TearDown() override { SetEntryInfoSink({}); }

    void Open()
    {
        doc = std::make_unique<CDriveVolraDoc>();
        doc->PresetRoot(tree.Root(), "Folder test");
        ASSERT_TRUE(doc->OnNewDocument());
        view = std::make_unique<CVolraPieView>(&parent);
        doc->AddView(view.get());
        view->resize(600, 400);
        view->OnInitialUpdate();
        Grab();
    }
    QImage Grab() const { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    std::vector<std::string> Labels() const
    {
        std::vector<std::string> labels;
        for (const CPieSlice& slice : view->GetChart().Slices())
            labels.push_back(slice.m_label.GetText().toStdString());
        return labels;
    }
    // Halfway out from the centre, in the middle of the slice showing the named child.
    QPoint In(const std::string& name) const
    {
        const auto& entries = view->GetEntries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i]->GetName() != name)
                continue;
            const CPieSlice& slice = view->GetChart().Slice(static_cast<int>(i));
            const double m = (slice.m_fStart + slice.m_fExtent / 2) * 2 * M_PI;
            const int r = view->GetChart().Radius() / 2;
            return {300 + static_cast<int>(r * std::sin(m)), 200 + static_cast<int>(r * std::cos(m))};
        }
        ADD_FAILURE() << "no slice for " << name;
        return {};
    }
    void Mouse(QEvent::Type type, QPoint pt)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(pt), QPointF(view->mapToGlobal(pt)), button, button, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
    }
    void DoubleClick(QPoint pt)
    {
        Mouse(QEvent::MouseButtonPress, pt);
        Mouse(QEvent::MouseButtonDblClick, pt);
    }
    // Sends a context-menu request; returns the first line of the menu it opened, or
    // nothing when none opened.
    std::optional<QString> ContextMenu(QPoint pt, QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse)
    {
        std::optional<QString> firstLine;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                firstLine = menu->actions().value(0)->text();
                menu->close();
            }
        });
        QContextMenuEvent event(reason, pt, view->mapToGlobal(pt));
        QApplication::sendEvent(view.get(), &event);
        QCoreApplication::processEvents();
        return firstLine;
    }

    TempTree tree;
    QWidget parent;  // outlives the view it holds
    std::unique_ptr<CDriveVolraDoc> doc;
    std::unique_ptr<CVolraPieView> view;
};
}  // namespace

TEST_F(PieViewTest, SlicesFollowTheCurrentDirectoryByNameAndShare)
{
    tree.File("b", 1000);
    tree.File("A", 2000);
    tree.File("c/x", 1000);
    tree.File("z/one", 0);
    tree.File("z/two", 0);
    tree.File("z/three", 0);
    Open();
    EXPECT_EQ(Labels(), (std::vector<std::string>{"A [50.00%]", "b [25.00%]", "c [25.00%]", "z [0.00%]"}));
    // The first slice begins straight below the centre and turns towards three o'clock.
    QImage image = Grab();
    EXPECT_EQ(image.pixelColor(320, 250), CPieChart::kPalette[0]);
    EXPECT_EQ(image.pixelColor(280, 250), CPieChart::kPalette[2]);

    // An empty directory with children shares the turn equally; one child is the full disc.
    doc->SetCurrent(Child(doc->m_pRoot.get(), "z"));
    EXPECT_EQ(Labels(), (std::vector<std::string>{"one [33.33%]", "three [33.33%]", "two [33.33%]"}));
    doc->SetCurrent(Child(doc->m_pRoot.get(), "c"));
    EXPECT_EQ(Labels(), std::vector<std::string>{"x [100.00%]"});
    image = Grab();
    EXPECT_EQ(image.pixelColor(270, 150), CPieChart::kPalette[0]);
    EXPECT_EQ(image.pixelColor(330, 250), CPieChart::kPalette[0]);

    // A refresh replaces the entries: the slices are made again from the new ones.
    tree.File("c/y", 3000);
    doc->OnRefresh();
    ASSERT_EQ(view->GetEntries().size(), 2U);
    for (const CEntry* pEntry : view->GetEntries())
        EXPECT_EQ(pEntry->GetParent(), doc->m_pCurrent);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"x [25.00%]", "y [75.00%]"}));
}

TEST_F(PieViewTest, ClicksHighlightSelectAndNavigate)
{
    tree.File("d/x", 3000);
    tree.File("f", 1000);
    Open();
    std::vector<const CEntry*> shown;
    SetEntryInfoSink([&shown](const CEntry* pEntry) { shown.push_back(pEntry); });
    CEntry* root = doc->m_pRoot.get();
    CEntry* d = Child(root, "d");
    CEntry* f = Child(root, "f");
    Mouse(QEvent::MouseMove, In("f"));
    Mouse(QEvent::MouseMove, {5, 5});
    EXPECT_EQ(shown, (std::vector<const CEntry*>{f, nullptr}));

    // A click highlights: the slice light grey in a red outline, its label box red.
    Mouse(QEvent::MouseButtonPress, In("d"));
    EXPECT_EQ(doc->m_pSelected, d);
    EXPECT_EQ(view->GetHighlight(), 0);
    QImage image = Grab();
    EXPECT_EQ(image.pixelColor(In("d")), CPieSlice::kHighlightFill);
    const CRect& box = view->GetChart().Slice(0).m_label.m_rcText;
    EXPECT_EQ(image.pixelColor(box.left - 1, box.top), CPieLabel::kHighlightedBox);
    Mouse(QEvent::MouseButtonPress, {5, 5});
    EXPECT_EQ(doc->m_pSelected, nullptr);
    EXPECT_EQ(view->GetHighlight(), -1);
    EXPECT_EQ(Grab().pixelColor(In("d")), CPieChart::kPalette[0]);

    DoubleClick(In("f"));  // a file: selected, nothing more
    EXPECT_EQ(doc->m_pCurrent, root);
    EXPECT_EQ(doc->m_pSelected, f);
    DoubleClick(In("d"));
    EXPECT_EQ(doc->m_pCurrent, d);
    EXPECT_EQ(view->GetHighlight(), -1) << "rebuilt for the new directory";
    Grab();
    DoubleClick({5, 5});  // nothing highlighted: up to the parent
    EXPECT_EQ(doc->m_pCurrent, root);
    DoubleClick({5, 5});  // the root has none
    EXPECT_EQ(doc->m_pCurrent, root);
}

TEST_F(PieViewTest, ContextMenuOnlyOverASlice)
{
    tree.File("d/x", 3000);
    tree.File("f", 1000);
    Open();
    CEntry* f = Child(doc->m_pRoot.get(), "f");
    EXPECT_EQ(ContextMenu(In("f")), QString::fromStdString(f->GetPath() + " [" + f->GetSizeText() + "]"));
    EXPECT_EQ(doc->m_pSelected, f);
    EXPECT_EQ(view->GetHighlight(), 1);

    // On nothing, and from the keyboard (which asks at the screen's (-1, -1), whatever the
    // event's own point): no highlight, no selection, no menu.
    EXPECT_EQ(ContextMenu({5, 5}), std::nullopt);
    EXPECT_EQ(doc->m_pSelected, nullptr);
    Mouse(QEvent::MouseButtonPress, In("f"));
    EXPECT_EQ(ContextMenu(In("f"), QContextMenuEvent::Keyboard), std::nullopt);
    EXPECT_EQ(doc->m_pSelected, nullptr);
    EXPECT_EQ(view->GetHighlight(), -1);
}
