#include "platform/CmdTarget.h"
#include "platform/View.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {
// A view that records the hints it is sent, as the real views react to them.
class HintView : public CView {
public:
    std::vector<LPARAM> hints;
    void OnUpdate(CView*, LPARAM hint, QObject*) override { hints.push_back(hint); }
};

struct SearchedTree {
    TempTree tree;
    std::unique_ptr<TestDriveDoc> doc = std::make_unique<TestDriveDoc>();
    HintView view;

    SearchedTree()
    {
        tree.File("top.txt", 100);
        tree.File("a/one", 1000);
        tree.File("a/b/two", 2000);
        tree.Dir("a/b/c");
        tree.Dir("z");
        doc->PresetRoot(tree.Root(), "Folder " + tree.Root());
        EXPECT_TRUE(doc->OnNewDocument());
        doc->AddView(&view);
    }
    CEntry* At(const std::vector<std::string>& names) const
    {
        CEntry* e = doc->m_pRoot.get();
        for (const auto& n : names)
            e = Child(e, n);
        return e;
    }
    bool Enabled(UINT id)
    {
        CCmdUI ui(id);
        return UpdateCommandUI(view, ui) != FALSE;
    }
};
}  // namespace

TEST(VolraDoc, NavigationCommandsAndTitle)
{
    SearchedTree s;
    const std::string root = s.tree.Root();
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + root + ") " + root + " (3.03k)");
    EXPECT_FALSE(s.Enabled(ID_OPEN_PARENT)) << "at the root";
    EXPECT_FALSE(s.Enabled(ID_VIEW_DIRECTORY)) << "nothing selected";
    EXPECT_TRUE(s.Enabled(ID_REFRESH));
    EXPECT_FALSE(ExecuteCommand(s.view, ID_OPEN_PARENT));

    s.doc->m_pSelected = s.At({"top.txt"});
    EXPECT_FALSE(s.Enabled(ID_VIEW_DIRECTORY)) << "a file is never made current";
    EXPECT_FALSE(ExecuteCommand(s.view, ID_VIEW_DIRECTORY));
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot.get());

    s.doc->m_pSelected = s.At({"a"});
    EXPECT_TRUE(ExecuteCommand(s.view, ID_VIEW_DIRECTORY));
    EXPECT_EQ(s.doc->m_pCurrent, s.At({"a"}));
    EXPECT_EQ(s.doc->m_pSelected, s.At({"a"}));
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + root + ") " + root + "/a (2.93k)");
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_REDRAW}));

    EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_PARENT));
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot.get());
    EXPECT_EQ(s.doc->m_pSelected, s.doc->m_pRoot.get()) << "the parent becomes the selection";
}

TEST(VolraDoc, ContextMenuDescribesTheSelection)
{
    SearchedTree s;
    std::vector<std::pair<UINT, std::string>> items;
    for (const CMenuItem& item : s.doc->BuildContextMenuItems())
        items.emplace_back(item.id, item.text);
    EXPECT_EQ(items, (std::vector<std::pair<UINT, std::string>>{
                         {ID_SELECTION_LINE, "<<no selection>>"}, {0, ""}, {ID_OPEN_RUN, "&Open / Run"},
                         {ID_DELETE, "&Delete"}, {0, ""}, {ID_VIEW_DIRECTORY, "Open directory in &view"},
                         {ID_OPEN_PARENT, "Open &parent"}}));
    s.doc->m_pSelected = s.At({"a", "one"});
    EXPECT_EQ(s.doc->BuildContextMenuItems()[0].text, s.tree.Root() + "/a/one [1000 bytes]");
    CEntry fake(*s.At({"a", "one"}));
    fake.m_strName = "R&D.txt";
    s.doc->m_pSelected = &fake;
    EXPECT_EQ(s.doc->BuildContextMenuItems()[0].text, s.tree.Root() + "/a/R&&D.txt [0 bytes]")
        << "ampersands of a path show literally";
    s.doc->m_pSelected = nullptr;
}

TEST(VolraDoc, RefreshReplacesTheCurrentDirectoryAndFixesTotals)
{
    SearchedTree s;
    CEntry* b = s.At({"a", "b"});
    s.doc->SetCurrent(b);
    const std::string title = s.doc->GetTitle();
    s.view.hints.clear();
    s.tree.File("a/b/c/new", 1000);
    s.tree.Remove("a/b/two");

    ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
    CEntry* fresh = s.At({"a", "b"});
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(s.doc->m_pCurrent, fresh);
    EXPECT_EQ(s.doc->m_pSelected, fresh);
    EXPECT_EQ(fresh->GetSize(), 1000);
    EXPECT_EQ(s.At({"a"})->GetSize(), 2000);
    EXPECT_EQ(s.doc->m_pRoot->GetSize(), 2100);
    EXPECT_EQ(FindBadTotal(s.doc->m_pRoot.get()), nullptr);
    EXPECT_EQ(ChildNames(s.At({"a"})), (std::vector<std::string>{"b", "one"})) << "same place";
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(s.doc->GetTitle(), title) << "the title waits for the next navigation";

    // Refreshing the root replaces the root itself.
    s.doc->SetCurrent(s.doc->m_pRoot.get());
    CEntry* oldRoot = s.doc->m_pRoot.get();
    s.tree.File("z/more", 10);
    ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
    EXPECT_NE(s.doc->m_pRoot.get(), oldRoot);
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot.get());
    EXPECT_EQ(s.doc->m_pRoot->GetSize(), 2110);
    EXPECT_EQ(s.doc->m_pRoot->GetPath(), s.tree.Root());
}

TEST(VolraDoc, CancelledRefreshClosesTheDocument)
{
    SearchedTree s;
    s.doc->SetProgressInterval(std::chrono::milliseconds(0));
    s.doc->beforeListing = [&](CEntry*, int) { s.doc->m_dlgProgress.OnCancel(); };
    QSignalSpy closing(s.doc.get(), &CDocument::closing);
    QObject::connect(s.doc.get(), &QObject::destroyed, [&] { s.doc.release(); });
    ExecuteCommand(s.view, ID_REFRESH);
    EXPECT_EQ(closing.count(), 1);
    EXPECT_EQ(s.view.GetDocument(), nullptr) << "views are let go at once";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(s.doc, nullptr) << "the document is gone once control returns to the event loop";
}
