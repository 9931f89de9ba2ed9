#include "framework/CmdTarget.h"
#include "sys/LastError.h"
#include "framework/Shell.h"
#include "framework/View.h"
#include "support/DocHarness.h"
#include "support/ModalWatch.h"
#include "support/TempTree.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace {
// A stand-in for xdg-open: logs its argument, waits for the test to open its gate, then
// exits with the given code.
struct StandInOpener {
    TempTree dir;
    explicit StandInOpener(int exitCode)
    {
        std::ofstream(dir.Path("opener")) << "#!/bin/sh\necho \"$1\" > " << dir.Path("log") << "\nwhile [ ! -e "
                                          << dir.Path("gate") << " ]; do sleep 0.01; done\nexit " << exitCode << "\n";
        dir.Chmod("opener", 0755);
        SetShellOpenerCommand(dir.Path("opener"));
    }
    ~StandInOpener() { SetShellOpenerCommand({}); }
    // The path it was given, decoded from its URL byte for byte.
    std::string Given() const
    {
        std::string url;
        std::ifstream log(dir.Path("log"));
        std::getline(log, url);
        return QByteArray::fromPercentEncoding(QByteArray::fromStdString(url).mid(7)).toStdString();
    }
};

const std::string kOdd = "odd\n\xff name";

// A searched tree of 7226 bytes: top.txt 100, a/one 1000, a/<odd> 0, a/b/two 2000,
// a/b/c/{e.txt 10, four 4096, z.txt 20}.
template <class Doc>
struct Searched {
    TempTree tree;
    TempTree data;
    ScopedDataHome dataHome{data.Path("share")};
    std::unique_ptr<Doc> doc = std::make_unique<Doc>();
    HintSpy view;

    Searched()
    {
        tree.Files({{"top.txt", 100}, {"a/one", 1000}, {"a/" + kOdd, 0}, {"a/b/two", 2000}, {"a/b/c/e.txt", 10},
                    {"a/b/c/four", 4096}, {"a/b/c/z.txt", 20}});
        doc->PresetRoot(tree.Root(), "Folder " + tree.Root());
        EXPECT_TRUE(doc->OnNewDocument());
        doc->AddView(&view);
    }
    CEntry* At(const std::vector<std::string>& names) const { return EntryAt(doc->m_pRoot, names); }
    bool Enabled(UINT id)
    {
        CCmdUI ui(id);
        return UpdateCommandUI(view, ui) != FALSE;
    }
    std::string Trashed(const std::string& name) const { return data.Path("share/Trash/files/" + name); }
};

std::vector<std::int64_t> Sizes(const std::vector<CEntry*>& entries)
{
    std::vector<std::int64_t> sizes;
    for (const CEntry* e : entries)
        sizes.push_back(e != nullptr ? e->GetSize() : -1);
    return sizes;
}
}  // namespace

TEST(FileCommands, DeleteTrashesTheItemAndTakesItOutOfTheTree)
{
    Searched<AgreeingDriveDoc> s;
    CEntry* a = s.At({"a"});
    CEntry* c = s.At({"a", "b", "c"});
    const std::vector<CEntry*> chain = {c, s.At({"a", "b"}), a, s.doc->m_pRoot};
    ASSERT_EQ(Sizes(chain), (std::vector<std::int64_t>{4126, 6126, 7126, 7226}));
    s.doc->m_pSelected = s.At({"a", "b", "c", "four"});

    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(Sizes(chain), (std::vector<std::int64_t>{30, 2030, 3030, 3130}));
    EXPECT_EQ(ChildNames(c), (std::vector<std::string>{"e.txt", "z.txt"})) << "the others keep their order";
    EXPECT_EQ(s.doc->m_pSelected, c);
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(SizeOnDisk(s.tree.Path("a/b/c/four")), -1);
    EXPECT_EQ(SizeOnDisk(s.Trashed("four")), 4096);

    // The current directory goes with its subtree, and its parent becomes current.
    s.doc->SetCurrent(s.At({"a", "b"}));
    s.view.hints.clear();
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->m_pCurrent, a);
    EXPECT_EQ(s.doc->m_pSelected, a);
    EXPECT_EQ(ChildNames(a), (std::vector<std::string>{kOdd, "one"}));
    EXPECT_EQ(Sizes({a, s.doc->m_pRoot}), (std::vector<std::int64_t>{1000, 1100}));
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(SizeOnDisk(s.Trashed("b/c/z.txt")), 20) << "the whole directory is in the trash";
}

// The question is a real message box, answered from inside its loop.
TEST(FileCommands, DeleteRefusedDeclinedOrFailedChangesNothing)
{
    Searched<TestDriveDoc> s;
    ErrorBoxes boxes;
    s.doc->m_pSelected = s.doc->m_pRoot;
    EXPECT_FALSE(s.Enabled(ID_DELETE)) << "the root cannot be deleted";
    {
        ModalWatch asked;
        EXPECT_FALSE(ExecuteCommand(s.view, ID_DELETE));
        EXPECT_EQ(asked.closed, 0) << "a disabled Delete asks nothing";
    }
    const auto answer = [&](const std::vector<std::string>& names, QMessageBox::StandardButton press) {
        s.doc->m_pSelected = s.At(names);
        std::string question;
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            question = box.text().toStdString();
            EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No)) << "Enter alone never deletes";
            box.button(press)->click();
        });
        EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
        return question;
    };
    const std::string four = s.tree.Path("a/b/c/four");
    EXPECT_EQ(answer({"a", "b", "c", "four"}, QMessageBox::No), "Move \"" + four + "\" to the trash?");
    EXPECT_EQ(answer({"a", "b"}, QMessageBox::No),
              "Move the folder \"" + s.tree.Path("a/b") + "\" and everything in it to the trash?");
    EXPECT_EQ(SizeOnDisk(four), 4096);
    EXPECT_EQ(SizeOnDisk(s.data.Path("share")), -1) << "no trash was even made";
    EXPECT_TRUE(boxes.shown.empty()) << "declined: nothing is said";

    // Gone from the disc since the search: one message naming the item and the reason.
    s.tree.Remove("a/b/c/four");
    answer({"a", "b", "c", "four"}, QMessageBox::Yes);
    EXPECT_EQ(boxes.shown,
              (std::vector<std::string>{"Could not move \"" + four + "\" to the trash.\nNo such file or directory."}));
    EXPECT_EQ(Child(s.At({"a", "b", "c"}), "four"), s.doc->m_pSelected);
    EXPECT_EQ(Sizes({s.At({"a", "b", "c"}), s.doc->m_pRoot}), (std::vector<std::int64_t>{4126, 7226}));
    EXPECT_TRUE(s.view.hints.empty());
}

TEST(FileCommands, OpenRunHandsTheExactPathToTheDesktopAndReportsItsFailureLater)
{
    struct Case {
        std::vector<std::string> selection;
        int exitCode;  // the opener's; -1: there is no opener
        std::string box;
    };
    const std::vector<Case> cases = {
        {{"a", kOdd}, 0, ""},
        {{"a", "one"}, 3, "No application is associated with the specified file for this operation.\n"},
        {{"top.txt"}, 0, "No such file or directory."},  // gone since the search
        {{"a", "one"}, -1, "The program that opens items on the desktop (volra-no-opener) could not be started.\n"},
    };
    for (const Case& c : cases) {
        Searched<TestDriveDoc> s;
        ErrorBoxes boxes;
        StandInOpener opener(c.exitCode);
        if (c.exitCode < 0)
            SetShellOpenerCommand("volra-no-opener");
        s.doc->m_pSelected = s.At(c.selection);
        const std::string path = s.doc->m_pSelected->GetPath();
        if (c.selection[0] == "top.txt")
            s.tree.Remove("top.txt");
        const bool starts = c.exitCode >= 0 && c.selection[0] != "top.txt";
        EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_RUN));
        // The command has returned while the opener still runs, and the window that asked
        // may close before the answer comes.
        EXPECT_EQ(RunningShellOpeners(), starts ? 1 : 0) << path;
        s.doc.reset();
        opener.dir.File("gate");
        EXPECT_TRUE(QTest::qWaitFor([] { return RunningShellOpeners() == 0; }, 10000));
        EXPECT_EQ(boxes.shown, c.box.empty() ? std::vector<std::string>{} : std::vector{c.box}) << path;
        EXPECT_EQ(opener.Given(), starts ? path : "");
    }
}

TEST(VolraDoc, NavigationCommandsAndTitle)
{
    Searched<TestDriveDoc> s;
    const std::string root = s.tree.Root();
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + root + ") " + root + " (7.06k)");
    EXPECT_FALSE(s.Enabled(ID_OPEN_PARENT)) << "at the root";
    EXPECT_FALSE(s.Enabled(ID_VIEW_DIRECTORY)) << "nothing selected";
    EXPECT_TRUE(s.Enabled(ID_REFRESH));
    EXPECT_FALSE(ExecuteCommand(s.view, ID_OPEN_PARENT));

    s.doc->m_pSelected = s.At({"top.txt"});
    EXPECT_FALSE(s.Enabled(ID_VIEW_DIRECTORY)) << "a file is never made current";
    EXPECT_FALSE(ExecuteCommand(s.view, ID_VIEW_DIRECTORY));
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot);

    s.doc->m_pSelected = s.At({"a"});
    EXPECT_TRUE(ExecuteCommand(s.view, ID_VIEW_DIRECTORY));
    EXPECT_EQ(s.doc->m_pCurrent, s.At({"a"}));
    EXPECT_EQ(s.doc->m_pSelected, s.At({"a"}));
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + root + ") " + root + "/a (6.96k)");
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_REDRAW}));

    EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_PARENT));
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot);
    EXPECT_EQ(s.doc->m_pSelected, s.doc->m_pRoot) << "the parent becomes the selection";
}

TEST(VolraDoc, ContextMenuDescribesTheSelection)
{
    Searched<TestDriveDoc> s;
    EXPECT_EQ(s.doc->BuildContextMenuItems()[0].text, "<<no selection>>");
    s.doc->m_pSelected = s.At({"a", "one"});
    EXPECT_EQ(s.doc->BuildContextMenuItems()[0].text, s.tree.Root() + "/a/one [1000 bytes]");
    CEntry* fake = s.doc->m_entries.NewCopyForRereading(*s.At({"a", "one"}));
    fake->SetName("R&D.txt");
    s.doc->m_pSelected = fake;
    EXPECT_EQ(s.doc->BuildContextMenuItems()[0].text, s.tree.Root() + "/a/R&&D.txt [0 bytes]")
        << "ampersands of a path show literally";
    s.doc->m_pSelected = nullptr;
}

TEST(VolraDoc, RefreshReplacesTheCurrentDirectoryAndFixesTotals)
{
    Searched<TestDriveDoc> s;
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
    EXPECT_EQ(Sizes({fresh, s.At({"a"}), s.doc->m_pRoot}), (std::vector<std::int64_t>{5126, 6126, 6226}));
    EXPECT_EQ(FindBadTotal(s.doc->m_pRoot), nullptr);
    EXPECT_EQ(ChildNames(s.At({"a"})), (std::vector<std::string>{"b", kOdd, "one"})) << "same place";
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(s.doc->GetTitle(), title) << "the title waits for the next navigation";

    // Refreshing the root replaces the root itself.
    s.doc->SetCurrent(s.doc->m_pRoot);
    CEntry* oldRoot = s.doc->m_pRoot;
    s.tree.File("more", 10);
    ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
    EXPECT_NE(s.doc->m_pRoot, oldRoot);
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot);
    EXPECT_EQ(s.doc->m_pRoot->GetSize(), 6236);
    EXPECT_EQ(s.doc->m_pRoot->GetPath(), s.tree.Root());
}

TEST(VolraDoc, CancelledRefreshClosesTheDocument)
{
    Searched<TestDriveDoc> s;
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
