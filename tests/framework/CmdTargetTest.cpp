#include "framework/CmdTarget.h"
#include "framework/Document.h"
#include "framework/PopupMenu.h"
#include "framework/View.h"
#include "support/DocHarness.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

namespace {
constexpr UINT ID_A = 40001;  // handled by the document, enabled by its flag
constexpr UINT ID_B = 40002;  // handled by the view only
constexpr UINT ID_C = 40003;  // handled by nobody
constexpr UINT ID_D = 40004;  // the view overrides the document's update

class TestDoc : public CDocument {
public:
    bool enableA = false;
    int ranA = 0;
    int ranD = 0;
    void OnA() { ++ranA; }
    void OnUpdateA(CCmdUI* ui)
    {
        ui->Enable(enableA);
        ui->SetCheck(enableA ? 1 : 0);
    }
    void OnD() { ++ranD; }
    static const CCmdMap& ClassCmdMap()
    {
        static const CCmdMap map = CCmdMapOf<TestDoc>(&CDocument::ClassCmdMap())
                                       .On(ID_A, &TestDoc::OnA, &TestDoc::OnUpdateA)
                                       .On(ID_D, &TestDoc::OnD);
        return map;
    }

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }
};

class TestView : public HintSpy {
public:
    int ranB = 0;
    void OnB() { ++ranB; }
    void OnUpdateD(CCmdUI* ui) { ui->Enable(FALSE); }
    static const CCmdMap& ClassCmdMap()
    {
        static const CCmdMap map =
            CCmdMapOf<TestView>(&CView::ClassCmdMap()).On(ID_B, &TestView::OnB).OnUpdate(ID_D, &TestView::OnUpdateD);
        return map;
    }

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }
};
}  // namespace

TEST(CommandRouting, ViewThenDocumentDisabledWithoutHandlerInMenusTooAndUpdatesUntilDetached)
{
    TestDoc doc;
    TestView view;
    doc.AddView(&view);
    EXPECT_FALSE(ExecuteCommand(view, ID_A)) << "disabled by the document's update handler";
    EXPECT_EQ(doc.ranA, 0);
    doc.enableA = true;
    EXPECT_TRUE(ExecuteCommand(view, ID_A));
    EXPECT_EQ(doc.ranA, 1);

    EXPECT_TRUE(ExecuteCommand(view, ID_B));
    EXPECT_EQ(view.ranB, 1);
    EXPECT_FALSE(ExecuteCommand(doc, ID_B)) << "the document does not route back to views";

    CCmdUI ui(ID_C);
    EXPECT_FALSE(UpdateCommandUI(view, ui));
    EXPECT_FALSE(ExecuteCommand(view, ID_C));

    // An update handler nearer the head wins, while the command still reaches the document.
    EXPECT_FALSE(ExecuteCommand(view, ID_D));
    EXPECT_EQ(doc.ranD, 0);
    EXPECT_TRUE(ExecuteCommand(doc, ID_D));
    EXPECT_EQ(doc.ranD, 1);

    // A popup menu's items follow the same handlers: text, enabled, checked; the description
    // line has no handler.
    const std::vector<CMenuItem> items = {
        {103, EscapeMenuText("/tmp/R&D [1.00k]")}, {0, {}}, {ID_A, "&Alpha"}, {ID_B, "&Beta"}, {ID_C, "&Gamma"}};
    auto menu = BuildPopupMenu(items, view);
    QStringList states;
    for (const QAction* a : menu->actions())
        states << (a->isSeparator()
                       ? "-"
                       : a->text() + (a->isEnabled() ? " on" : " off") + (a->isChecked() ? " checked" : ""));
    EXPECT_EQ(states, (QStringList{"/tmp/R&&D [1.00k] off", "-", "&Alpha on checked", "&Beta on", "&Gamma off"}));
    EXPECT_EQ(menu->actions()[2]->data().toUInt(), ID_A);

    // Updates reach every view but the sender, once each, until it is detached or destroyed.
    TestView other;
    doc.AddView(&other);
    doc.AddView(&other);
    doc.UpdateAllViews(&view, 1);
    doc.RemoveView(&other);
    doc.UpdateAllViews(nullptr, 0);
    EXPECT_EQ(view.hints, std::vector<LPARAM>{0});
    EXPECT_EQ(other.hints, std::vector<LPARAM>{1});
    EXPECT_EQ(other.GetDocument(), nullptr);
    {
        TestView gone;
        doc.AddView(&gone);
    }
    EXPECT_EQ(doc.GetViews().size(), 1u) << "a destroyed view leaves its document";
}
