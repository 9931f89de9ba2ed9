#include "platform/CmdTarget.h"
#include "platform/LastError.h"
#include "platform/Shell.h"
#include "platform/View.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {
// A view that records the hints it is sent, as the real views react to them.
class HintView : public CView {
public:
    std::vector<LPARAM> hints;
    void OnUpdate(CView*, LPARAM hint, QObject*) override { hints.push_back(hint); }
};

// A search document whose delete question is answered by the test, and whose failure
// messages are collected instead of shown.
class AnsweringDoc : public TestDriveDoc {
public:
    bool answer = true;
    std::vector<std::string> questions;  // path of each entry asked about
    std::vector<std::string> failures;   // text of each failure message

protected:
    BOOL ConfirmDelete(const CEntry& entry) override
    {
        questions.push_back(entry.GetPath());
        return answer;
    }
    void ReportDeleteFailure(const std::string& strText) override { failures.push_back(strText); }
};

// XDG_DATA_HOME while it lives, so that deleted items land in a scratch trash.
struct ScopedDataHome {
    const bool had = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray old = qgetenv("XDG_DATA_HOME");
    explicit ScopedDataHome(const std::string& dir) { qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir)); }
    ~ScopedDataHome() { had ? qputenv("XDG_DATA_HOME", old) : qunsetenv("XDG_DATA_HOME"); }
};

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
    HintView view;

    Searched()
    {
        tree.File("top.txt", 100);
        tree.File("a/one", 1000);
        tree.File("a/" + kOdd, 0);
        tree.File("a/b/two", 2000);
        tree.File("a/b/c/e.txt", 10);
        tree.File("a/b/c/four", 4096);
        tree.File("a/b/c/z.txt", 20);
        doc->PresetRoot(tree.Root(), "Folder " + tree.Root());
        EXPECT_TRUE(doc->OnNewDocument());
        doc->AddView(&view);
    }
    CEntry* At(const std::vector<std::string>& names) const
    {
        CEntry* e = doc->m_pRoot;
        for (const auto& n : names)
            e = e != nullptr ? Child(e, n) : nullptr;
        return e;
    }
    bool Enabled(UINT id)
    {
        CCmdUI ui(id);
        return UpdateCommandUI(view, ui) != FALSE;
    }
    std::string Trashed(const std::string& name) const { return data.Path("share/Trash/files/" + name); }
};

std::int64_t SizeOnDisk(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

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
    Searched<AnsweringDoc> s;
    CEntry* a = s.At({"a"});
    CEntry* c = s.At({"a", "b", "c"});
    const std::vector<CEntry*> chain = {c, s.At({"a", "b"}), a, s.doc->m_pRoot};
    ASSERT_EQ(Sizes(chain), (std::vector<std::int64_t>{4126, 6126, 7126, 7226}));
    s.doc->m_pSelected = s.At({"a", "b", "c", "four"});

    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->questions, (std::vector<std::string>{s.tree.Path("a/b/c/four")}));
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

TEST(FileCommands, DeleteRefusedDeclinedOrFailedChangesNothing)
{
    Searched<AnsweringDoc> s;
    ErrorBoxes boxes;
    s.doc->m_pSelected = s.doc->m_pRoot;
    EXPECT_FALSE(s.Enabled(ID_DELETE)) << "the root cannot be deleted";
    EXPECT_FALSE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_TRUE(s.doc->questions.empty()) << "a disabled Delete asks nothing";

    CEntry* four = s.At({"a", "b", "c", "four"});
    s.doc->m_pSelected = four;
    EXPECT_TRUE(s.Enabled(ID_DELETE));
    s.doc->answer = false;
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->questions.size(), 1u);
    EXPECT_EQ(SizeOnDisk(s.tree.Path("a/b/c/four")), 4096);
    EXPECT_EQ(SizeOnDisk(s.data.Path("share")), -1) << "no trash was even made";
    EXPECT_TRUE(s.doc->failures.empty()) << "declined: nothing is said";

    // Gone from the disc since the search: one message naming the item and the reason.
    s.doc->answer = true;
    s.tree.Remove("a/b/c/four");
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->failures, (std::vector<std::string>{"Could not move \"" + s.tree.Path("a/b/c/four")
                                                         + "\" to the trash.\nNo such file or directory."}));
    EXPECT_TRUE(boxes.shown.empty()) << "one message, not two";

    EXPECT_EQ(s.doc->m_pSelected, four);
    EXPECT_EQ(Child(s.At({"a", "b", "c"}), "four"), four);
    EXPECT_EQ(Sizes({s.At({"a", "b", "c"}), s.doc->m_pRoot}), (std::vector<std::int64_t>{4126, 7226}));
    EXPECT_TRUE(s.view.hints.empty());
}

namespace {
struct BoxSeen {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool defaultIsNo = false;
};

// Answers the next modal message box that offers the button (the one before may still be
// closing): records it, then presses the button. A box that never comes leaves `seen` empty.
void AnswerNextBox(BoxSeen& seen, QMessageBox::StandardButton press, int triesLeft = 1000)
{
    QTimer::singleShot(0, [&seen, press, triesLeft] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box->button(press) == nullptr) {
            if (triesLeft > 0)
                AnswerNextBox(seen, press, triesLeft - 1);
            return;
        }
        seen.text = box->text();
        seen.icon = box->icon();
        seen.defaultIsNo = static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::No);
        box->button(press)->click();
    });
}
}  // namespace

TEST(FileCommands, TheQuestionAndTheFailureAreRealMessageBoxes)
{
    Searched<TestDriveDoc> s;
    const std::string path = s.tree.Path("a/b/c/four");
    s.doc->m_pSelected = s.At({"a", "b", "c", "four"});
    BoxSeen question;
    AnswerNextBox(question, QMessageBox::No);
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(question.text, QString::fromStdString("Move \"" + path + "\" to the trash?"));
    EXPECT_TRUE(question.defaultIsNo) << "Enter alone never deletes";
    EXPECT_EQ(SizeOnDisk(path), 4096);

    // A folder is asked about as a whole; a failure is told in an error box of its own.
    s.doc->m_pSelected = s.At({"a", "b"});
    s.tree.Remove("a/b");
    BoxSeen failure;
    AnswerNextBox(question, QMessageBox::Yes);
    AnswerNextBox(failure, QMessageBox::Ok);
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(question.text, QString::fromStdString("Move the folder \"" + s.tree.Path("a/b")
                                                    + "\" and everything in it to the trash?"));
    EXPECT_EQ(failure.icon, QMessageBox::Critical);
    EXPECT_TRUE(failure.text.startsWith(QString::fromStdString("Could not move \"" + s.tree.Path("a/b"))));
    EXPECT_NE(Child(s.At({"a"}), "b"), nullptr);
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
        Searched<AnsweringDoc> s;
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
