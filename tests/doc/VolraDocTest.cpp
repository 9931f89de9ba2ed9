#include "framework/CmdTarget.h"
#include "framework/Shell.h"
#include "framework/View.h"
#include "support/DocHarness.h"
#include "support/ModalWatch.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"
#include "sys/LastError.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <tuple>

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
template <class Doc> struct Searched {
    TempTree tree;
    TempTree data;
    ScopedDataHome dataHome{data.Path("share")};
    std::unique_ptr<Doc> doc = std::make_unique<Doc>();
    HintSpy view;

    Searched()
    {
        tree.Files({{"top.txt", 100},
                    {"a/one", 1000},
                    {"a/" + kOdd, 0},
                    {"a/b/two", 2000},
                    {"a/b/c/e.txt", 10},
                    {"a/b/c/four", 4096},
                    {"a/b/c/z.txt", 20}});
        doc->PresetRoot(tree.Root(), "Folder " + tree.Root());
        EXPECT_TRUE(doc->OnNewDocument());
        doc->AddView(&view);
    }
    CEntry* At(const std::vector<std::string>& names) const { return EntryAt(doc->GetRoot(), names); }
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
    const std::vector<CEntry*> chain = {c, s.At({"a", "b"}), a, s.doc->GetRoot()};
    ASSERT_EQ(Sizes(chain), (std::vector<std::int64_t>{4126, 6126, 7126, 7226}));
    s.doc->SetSelected(s.At({"a", "b", "c", "four"}));

    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(Sizes(chain), (std::vector<std::int64_t>{30, 2030, 3030, 3130}));
    EXPECT_EQ(ChildNames(c), (std::vector<std::string>{"e.txt", "z.txt"})) << "the others keep their order";
    EXPECT_EQ(s.doc->GetSelected(), c);
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + s.tree.Root() + ") " + s.tree.Root() + " (3.06k)")
        << "the title follows the current directory's new total";
    EXPECT_EQ(SizeOnDisk(s.tree.Path("a/b/c/four")), -1);
    EXPECT_EQ(SizeOnDisk(s.Trashed("four")), 4096);

    // The current directory goes with its subtree, and its parent becomes current.
    s.doc->SetCurrent(s.At({"a", "b"}));
    s.view.hints.clear();
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->GetCurrent(), a);
    EXPECT_EQ(s.doc->GetSelected(), a);
    EXPECT_EQ(ChildNames(a), (std::vector<std::string>{kOdd, "one"}));
    EXPECT_EQ(Sizes({a, s.doc->GetRoot()}), (std::vector<std::int64_t>{1000, 1100}));
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(SizeOnDisk(s.Trashed("b/c/z.txt")), 20) << "the whole directory is in the trash";
}

// The question is a real message box, answered from inside its loop.
TEST(FileCommands, DeleteRefusedDeclinedOrFailedChangesNothing)
{
    Searched<TestDriveDoc> s;
    ErrorBoxes boxes;
    s.doc->SetSelected(s.doc->GetRoot());
    EXPECT_FALSE(s.Enabled(ID_DELETE)) << "the root cannot be deleted";
    {
        ModalWatch asked;
        EXPECT_FALSE(ExecuteCommand(s.view, ID_DELETE));
        EXPECT_EQ(asked.closed, 0) << "a disabled Delete asks nothing";
    }
    const auto answer = [&](const std::vector<std::string>& names, QMessageBox::StandardButton press) {
        s.doc->SetSelected(s.At(names));
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
    EXPECT_EQ(Child(s.At({"a", "b", "c"}), "four"), s.doc->GetSelected());
    EXPECT_EQ(Sizes({s.At({"a", "b", "c"}), s.doc->GetRoot()}), (std::vector<std::int64_t>{4126, 7226}));
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
        s.doc->SetSelected(s.At(c.selection));
        const std::string path = s.doc->GetSelected()->GetPath();
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

    s.doc->SetSelected(s.At({"top.txt"}));
    EXPECT_FALSE(s.Enabled(ID_VIEW_DIRECTORY)) << "a file is never made current";
    EXPECT_FALSE(ExecuteCommand(s.view, ID_VIEW_DIRECTORY));
    EXPECT_EQ(s.doc->GetCurrent(), s.doc->GetRoot());

    s.doc->SetSelected(s.At({"a"}));
    EXPECT_TRUE(ExecuteCommand(s.view, ID_VIEW_DIRECTORY));
    EXPECT_EQ(s.doc->GetCurrent(), s.At({"a"}));
    EXPECT_EQ(s.doc->GetSelected(), s.At({"a"}));
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + root + ") " + root + "/a (6.96k)");
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_REDRAW}));

    EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_PARENT));
    EXPECT_EQ(s.doc->GetCurrent(), s.doc->GetRoot());
    EXPECT_EQ(s.doc->GetSelected(), s.doc->GetRoot()) << "the parent becomes the selection";
}

TEST(VolraDoc, ContextMenuDescribesTheSelection)
{
    Searched<TestDriveDoc> s;
    EXPECT_EQ(s.doc->BuildContextMenuItems()[0].text, "<<no selection>>");
    s.doc->SetSelected(s.At({"a", "one"}));
    EXPECT_EQ(s.doc->BuildContextMenuItems()[0].text, s.tree.Root() + "/a/one [1000 bytes]");
    CEntry* fake = s.doc->m_entries.NewCopyForRereading(*s.At({"a", "one"}));
    fake->SetName("R&D.txt");
    s.doc->SetSelected(fake);
    EXPECT_EQ(s.doc->BuildContextMenuItems()[0].text, s.tree.Root() + "/a/R&&D.txt [0 bytes]")
        << "ampersands of a path show literally";
    s.doc->SetSelected(nullptr);
}

TEST(VolraDoc, RefreshReplacesTheCurrentDirectoryAndFixesTotals)
{
    Searched<TestDriveDoc> s;
    CEntry* b = s.At({"a", "b"});
    s.doc->SetCurrent(b);
    s.view.hints.clear();
    s.tree.File("a/b/c/new", 1000);
    s.tree.Remove("a/b/two");

    ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
    CEntry* fresh = s.At({"a", "b"});
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(s.doc->GetCurrent(), fresh);
    EXPECT_EQ(s.doc->GetSelected(), fresh);
    EXPECT_EQ(Sizes({fresh, s.At({"a"}), s.doc->GetRoot()}), (std::vector<std::int64_t>{5126, 6126, 6226}));
    EXPECT_EQ(FindBadTotal(s.doc->GetRoot()), nullptr);
    EXPECT_EQ(ChildNames(s.At({"a"})), (std::vector<std::string>{"b", kOdd, "one"})) << "same place";
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + s.tree.Root() + ") " + s.tree.Root() + "/a/b (5.01k)")
        << "the title follows the new total";

    // Refreshing the root replaces the root itself.
    s.doc->SetCurrent(s.doc->GetRoot());
    CEntry* oldRoot = s.doc->GetRoot();
    s.tree.File("more", 10);
    ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
    EXPECT_NE(s.doc->GetRoot(), oldRoot);
    EXPECT_EQ(s.doc->GetCurrent(), s.doc->GetRoot());
    EXPECT_EQ(s.doc->GetRoot()->GetSize(), 6236);
    EXPECT_EQ(s.doc->GetRoot()->GetPath(), s.tree.Root());
}

namespace {
// Everything an entry shows, itself included, for every entry of the tree in order.
using EntryState = std::tuple<const CEntry*, std::string, std::int64_t, std::int64_t, bool, bool, unsigned,
                              std::vector<const CEntry*>, std::string>;
std::vector<EntryState> TreeState(const CEntry* root)
{
    std::vector<EntryState> state;
    std::vector<const CEntry*> stack{root};
    while (!stack.empty()) {
        const CEntry* e = stack.back();
        stack.pop_back();
        const std::vector<const CEntry*> children(e->GetChildren().begin(), e->GetChildren().end());
        state.emplace_back(e, e->GetPath(), e->GetLength(), e->GetDiskSize(), e->IsUnreadable(), e->IsLinkRepeat(),
                           +e->GetColour(), children, e->GetModifiedText());
        stack.insert(stack.end(), children.rbegin(), children.rend());
    }
    return state;
}

// Path, length and size on disk of every entry, as an independent search finds them.
std::map<std::string, std::pair<std::int64_t, std::int64_t>> Totals(const CEntry* root)
{
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> totals;
    for (const EntryState& e : TreeState(root))
        totals[std::get<1>(e)] = {std::get<2>(e), std::get<3>(e)};
    return totals;
}
}  // namespace

// Cancelled, or ended by an error, a refresh gives up what it read and nothing else: every
// entry, total and the title are as before, and the window stays. A refresh after it works.
TEST(VolraDoc, GivenUpRefreshLeavesTheSearchExactlyAsItWas)
{
    for (const std::string ending : {"cancel", "error in a subdirectory", "root gone"}) {
        SCOPED_TRACE(ending);
        Searched<TestDriveDoc> s;
        ErrorBoxes boxes;
        s.doc->SetProgressInterval(std::chrono::milliseconds(0));
        s.doc->SetCurrent(ending == "root gone" ? s.doc->GetRoot() : s.At({"a"}));
        const std::vector<EntryState> before = TreeState(s.doc->GetRoot());
        const std::size_t nEntries = s.doc->m_entries.EntryCount();
        const std::string title = s.doc->GetTitle();
        s.tree.File("a/b/new", 1000);
        s.tree.File("a/b/c/more", 500);
        s.view.hints.clear();
        s.doc->beforeListing = [&](CEntry* dir, int) {
            if (ending == "cancel" && dir->GetName() == "c")  // after a/b/new was counted
                s.doc->m_dlgProgress.OnCancel();
        };
        const ScopedOpenHook hook(ending == "error in a subdirectory"
                                      ? +[](const char* name) { return std::string_view(name) == "c" ? EIO : 0; }
                                      : nullptr);
        TempTree moved;
        if (ending == "root gone") {
            ASSERT_EQ(::rename(s.tree.Root().c_str(), moved.Path("away").c_str()), 0);
        }

        ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
        const std::map<std::string, std::vector<std::string>> told = {
            {"cancel", {}},
            {"error in a subdirectory", {"Input/output error."}},
            {"root gone", {"No such file or directory."}}};
        EXPECT_EQ(boxes.shown, told.at(ending));
        EXPECT_TRUE(TreeState(s.doc->GetRoot()) == before) << "every entry, total and child as it was";
        EXPECT_EQ(s.doc->m_entries.EntryCount(), nEntries) << "what was read is given back";
        EXPECT_EQ(s.doc->GetTitle(), title);
        EXPECT_EQ(s.view.GetDocument(), s.doc.get()) << "the window stays";
        EXPECT_TRUE(s.view.hints.empty());

        if (ending == "root gone") {
            ASSERT_EQ(::rename(moved.Path("away").c_str(), s.tree.Root().c_str()), 0);
        }
        s.doc->beforeListing = nullptr;
        SetSubdirectoryOpenHook(nullptr);
        ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
        const auto again = Search(s.tree.Root());
        ASSERT_TRUE(again);
        EXPECT_EQ(Totals(s.doc->GetRoot()), Totals(again->GetRoot())) << "the refresh after it reads all";
        EXPECT_EQ(s.doc->GetRoot()->GetSize(), 7226 + 1500);
    }
}

// A directory gone since the search leaves it as a deleted one does, without an error box;
// one that can no longer be read stays, empty and marked unreadable. The title follows.
TEST(VolraDoc, RefreshOfAVanishedOrLockedDirectory)
{
    Searched<TestDriveDoc> s;
    ErrorBoxes boxes;
    const std::string root = s.tree.Root();
    CEntry* a = s.At({"a"});
    s.doc->SetCurrent(s.At({"a", "b"}));
    s.tree.Remove("a/b");
    s.view.hints.clear();
    ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ChildNames(a), (std::vector<std::string>{kOdd, "one"}));
    EXPECT_EQ(s.doc->GetCurrent(), a);
    EXPECT_EQ(s.doc->GetSelected(), a);
    EXPECT_EQ(Sizes({a, s.doc->GetRoot()}), (std::vector<std::int64_t>{1000, 1100}));
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + root + ") " + root + "/a (1000 bytes)");

    s.tree.File("a/locked/secret", 99);
    ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
    s.doc->SetCurrent(s.At({"a", "locked"}));
    s.tree.Chmod("", 0755);
    s.tree.Chmod("a", 0755);
    s.tree.Chmod("a/locked", 0);
    {
        Unprivileged nobody;
        ASSERT_TRUE(ExecuteCommand(s.view, ID_REFRESH));
    }
    s.tree.Chmod("a/locked", 0755);
    CEntry* locked = s.At({"a", "locked"});
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(locked->IsUnreadable());
    EXPECT_TRUE(locked->GetChildren().empty());
    EXPECT_EQ(Sizes({locked, s.At({"a"}), s.doc->GetRoot()}), (std::vector<std::int64_t>{0, 1000, 1100}));
    EXPECT_EQ(s.doc->GetTitle(), "(Folder " + root + ") " + root + "/a/locked (0 bytes)");
    EXPECT_TRUE(boxes.shown.empty());
}

// Closing the window while a refresh runs cancels it; once it has returned, the document goes.
TEST(VolraDoc, ClosingDuringARefreshClosesTheDocumentAfterIt)
{
    Searched<TestDriveDoc> s;
    s.doc->SetProgressInterval(std::chrono::milliseconds(0));
    s.doc->beforeListing = [&](CEntry*, int) { s.doc->OnCloseDocument(); };
    QSignalSpy closing(s.doc.get(), &CDocument::closing);
    QObject::connect(s.doc.get(), &QObject::destroyed, [&] { s.doc.release(); });
    ExecuteCommand(s.view, ID_REFRESH);
    EXPECT_EQ(closing.count(), 1);
    EXPECT_EQ(s.view.GetDocument(), nullptr) << "views are let go at once";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(s.doc, nullptr) << "the document is gone once control returns to the event loop";
}
