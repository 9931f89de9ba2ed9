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
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <sys/stat.h>

namespace {
// A view that records the hints it is sent, as the real views react to them.
class HintView : public CView {
public:
    std::vector<LPARAM> hints;
    void OnUpdate(CView*, LPARAM hint, QObject*) override { hints.push_back(hint); }
};

// A local search document whose delete question is answered by the test, and whose
// failure messages are collected instead of shown.
class AnsweringDoc : public TestDriveDoc {
public:
    bool answer = true;
    std::vector<std::string> questions;  // path of each entry asked about
    std::vector<std::string> failures;   // text of each failure message

protected:
    BOOL ConfirmDelete(const CEntry& entry) override
    {
        questions.push_back(entry.GetPath());
        return answer ? TRUE : FALSE;
    }
    void ReportDeleteFailure(const std::string& strText) override { failures.push_back(strText); }
};

// XDG_DATA_HOME for one test, so that deleted items land in a scratch trash.
class ScopedDataHome {
public:
    explicit ScopedDataHome(const std::string& dir)
    {
        if (const char* old = std::getenv("XDG_DATA_HOME"))
            m_old = old;
        ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    }
    ~ScopedDataHome()
    {
        if (m_old)
            ::setenv("XDG_DATA_HOME", m_old->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

private:
    std::optional<std::string> m_old;
};

// Records what Open/Run hands to the desktop instead of launching anything.
class RecordingOpener {
public:
    explicit RecordingOpener(bool succeed = true)
    {
        SetShellOpener([this, succeed](const std::string& path) {
            calls.push_back(path);
            return succeed;
        });
    }
    ~RecordingOpener() { SetShellOpener(nullptr); }
    RecordingOpener(const RecordingOpener&) = delete;
    RecordingOpener& operator=(const RecordingOpener&) = delete;
    std::vector<std::string> calls;
};

const std::string kOdd = "odd\n\xff name";

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
        tree.Dir("z");
        doc->PresetRoot(tree.Root(), "Folder " + tree.Root());
        EXPECT_TRUE(doc->OnNewDocument());
        doc->AddView(&view);
    }
    CEntry* At(const std::vector<std::string>& names) const
    {
        CEntry* e = doc->m_pRoot.get();
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

int CountEntries(const CEntry* e)
{
    int n = 1;
    for (const auto& c : e->m_children)
        n += CountEntries(c.get());
    return n;
}

// The sizes of the entries named, in order.
std::vector<std::int64_t> Sizes(const std::vector<CEntry*>& entries)
{
    std::vector<std::int64_t> sizes;
    for (const CEntry* e : entries)
        sizes.push_back(e != nullptr ? e->GetSize() : -1);
    return sizes;
}
}  // namespace

TEST(FileCommands, DeleteFileLowersEveryTotalAndSelectsTheParent)
{
    Searched<AnsweringDoc> s;
    CEntry* c = s.At({"a", "b", "c"});
    const std::vector<CEntry*> chain = {c, s.At({"a", "b"}), s.At({"a"}), s.doc->m_pRoot.get()};
    ASSERT_EQ(Sizes(chain), (std::vector<std::int64_t>{4126, 6126, 7126, 7226}));
    s.doc->m_pSelected = s.At({"a", "b", "c", "four"});
    const std::string path = s.tree.Path("a/b/c/four");

    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->questions, (std::vector<std::string>{path}));
    EXPECT_TRUE(s.doc->failures.empty());
    EXPECT_EQ(Sizes(chain), (std::vector<std::int64_t>{30, 2030, 3030, 3130}));
    EXPECT_EQ(ChildNames(c), (std::vector<std::string>{"e.txt", "z.txt"})) << "the others keep their order";
    EXPECT_EQ(s.doc->m_pSelected, c);
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot.get());
    EXPECT_EQ(FindBadTotal(s.doc->m_pRoot.get()), nullptr);
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(SizeOnDisk(path), -1);
    EXPECT_EQ(SizeOnDisk(s.Trashed("four")), 4096);
}

TEST(FileCommands, DeletingTheCurrentDirectoryRemovesItsSubtree)
{
    Searched<AnsweringDoc> s;
    CEntry* a = s.At({"a"});
    s.doc->SetCurrent(s.At({"a", "b"}));
    s.view.hints.clear();
    const int before = CountEntries(s.doc->m_pRoot.get());

    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->questions, (std::vector<std::string>{s.tree.Path("a/b")}));
    EXPECT_EQ(s.doc->m_pCurrent, a);
    EXPECT_EQ(s.doc->m_pSelected, a);
    EXPECT_EQ(ChildNames(a), (std::vector<std::string>{kOdd, "one"}));
    EXPECT_EQ(CountEntries(s.doc->m_pRoot.get()), before - 6) << "b, c and its three files, two";
    EXPECT_EQ(a->GetSize(), 1000);
    EXPECT_EQ(s.doc->m_pRoot->GetSize(), 1100);
    EXPECT_EQ(FindBadTotal(s.doc->m_pRoot.get()), nullptr);
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_EQ(SizeOnDisk(s.Trashed("b/c/four")), 4096) << "the whole directory is in the trash";
    EXPECT_EQ(SizeOnDisk(s.Trashed("b/two")), 2000);
    EXPECT_EQ(SizeOnDisk(s.tree.Path("a/b")), -1);
}

TEST(FileCommands, EnabledOnlyWithASelectionAndDeleteNeverAtTheRoot)
{
    Searched<AnsweringDoc> s;
    RecordingOpener opener;
    EXPECT_FALSE(s.Enabled(ID_DELETE));
    EXPECT_FALSE(s.Enabled(ID_OPEN_RUN));
    EXPECT_FALSE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_FALSE(ExecuteCommand(s.view, ID_OPEN_RUN));

    s.doc->m_pSelected = s.doc->m_pRoot.get();
    EXPECT_FALSE(s.Enabled(ID_DELETE)) << "the root cannot be deleted";
    EXPECT_TRUE(s.Enabled(ID_OPEN_RUN));
    EXPECT_FALSE(ExecuteCommand(s.view, ID_DELETE));

    s.doc->m_pSelected = s.At({"top.txt"});
    EXPECT_TRUE(s.Enabled(ID_DELETE));
    EXPECT_TRUE(s.Enabled(ID_OPEN_RUN));
    s.doc->m_pSelected = s.At({"a"});
    EXPECT_TRUE(s.Enabled(ID_DELETE));

    EXPECT_TRUE(s.doc->questions.empty()) << "a disabled Delete asks nothing";
    EXPECT_TRUE(opener.calls.empty());
    EXPECT_EQ(s.doc->m_pRoot->GetSize(), 7226);
}

TEST(FileCommands, FailedOrDeclinedDeleteChangesNothing)
{
    Searched<AnsweringDoc> s;
    ErrorBoxes boxes;
    CEntry* four = s.At({"a", "b", "c", "four"});
    const std::vector<CEntry*> chain = {s.At({"a", "b", "c"}), s.At({"a", "b"}), s.At({"a"}),
                                        s.doc->m_pRoot.get()};
    const int count = CountEntries(s.doc->m_pRoot.get());

    // Declined: no trash, no message, no change.
    s.doc->answer = false;
    s.doc->m_pSelected = four;
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->questions.size(), 1u);
    EXPECT_EQ(SizeOnDisk(s.tree.Path("a/b/c/four")), 4096);
    EXPECT_EQ(SizeOnDisk(s.data.Path("share")), -1) << "no trash was even made";
    EXPECT_TRUE(s.doc->failures.empty());

    // Gone from the disc since the search: one message naming the item and the reason.
    s.doc->answer = true;
    s.tree.Remove("a/b/c/four");
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(s.doc->failures, (std::vector<std::string>{"Could not move \"" + s.tree.Path("a/b/c/four")
                                                         + "\" to the trash.\nNo such file or directory."}));
    EXPECT_TRUE(boxes.shown.empty()) << "one message, not two";

    EXPECT_EQ(s.doc->m_pSelected, four);
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot.get());
    EXPECT_EQ(Child(chain[0], "four"), four);
    EXPECT_EQ(Sizes(chain), (std::vector<std::int64_t>{4126, 6126, 7126, 7226}));
    EXPECT_EQ(CountEntries(s.doc->m_pRoot.get()), count);
    EXPECT_TRUE(s.view.hints.empty());
}

namespace {
// Answers the next modal message box: records it, then presses the given button.
struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* parent = nullptr;
    bool defaultIsNo = false;
    int count = 0;
};

void AnswerNextBox(BoxSeen& seen, QMessageBox::StandardButton press, int triesLeft = 1000)
{
    QTimer::singleShot(0, [&seen, press, triesLeft] {
        // Only a box that offers the button is ours: the one before may still be closing.
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box->button(press) == nullptr) {
            if (triesLeft > 0)
                AnswerNextBox(seen, press, triesLeft - 1);
            return;
        }
        ++seen.count;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.parent = box->parentWidget();
        seen.defaultIsNo = static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::No);
        box->button(press)->click();
    });
}
}  // namespace

TEST(FileCommands, TheQuestionAndTheFailureAreRealMessageBoxes)
{
    Searched<TestDriveDoc> s;
    QWidget main;
    AfxSetMainWnd(&main);
    const std::string path = s.tree.Path("a/b/c/four");
    s.doc->m_pSelected = s.At({"a", "b", "c", "four"});

    BoxSeen seen;
    AnswerNextBox(seen, QMessageBox::No);
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.title, "Volra");
    EXPECT_EQ(seen.text, QString::fromStdString("Move \"" + path + "\" to the trash?"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.parent, &main);
    EXPECT_TRUE(seen.defaultIsNo) << "Enter alone never deletes";
    EXPECT_EQ(SizeOnDisk(path), 4096);
    EXPECT_NE(Child(s.At({"a", "b", "c"}), "four"), nullptr);

    s.doc->m_pSelected = s.At({"a", "b"});
    AnswerNextBox(seen, QMessageBox::Yes);
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(seen.count, 2);
    EXPECT_EQ(seen.text, QString::fromStdString("Move the folder \"" + s.tree.Path("a/b")
                                                + "\" and everything in it to the trash?"));
    EXPECT_EQ(Child(s.At({"a"}), "b"), nullptr);
    EXPECT_EQ(SizeOnDisk(s.Trashed("b/c/four")), 4096);

    // A failure is told in a box of its own, over the main window.
    s.doc->m_pSelected = s.At({"top.txt"});
    s.tree.Remove("top.txt");
    AnswerNextBox(seen, QMessageBox::Yes);
    BoxSeen failure;
    AnswerNextBox(failure, QMessageBox::Ok);
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE));
    EXPECT_EQ(seen.count, 3);
    EXPECT_EQ(failure.count, 1);
    EXPECT_EQ(failure.title, "Volra");
    EXPECT_EQ(failure.icon, QMessageBox::Critical);
    EXPECT_EQ(failure.parent, &main);
    EXPECT_EQ(failure.text, QString::fromStdString("Could not move \"" + s.tree.Path("top.txt")
                                                   + "\" to the trash.\nNo such file or directory."));
    EXPECT_NE(Child(s.doc->m_pRoot.get(), "top.txt"), nullptr);
    AfxSetMainWnd(nullptr);
}

TEST(FileCommands, OpenRunHandsTheExactPathToTheDesktop)
{
    Searched<AnsweringDoc> s;
    ErrorBoxes boxes;
    {
        RecordingOpener opener;
        s.doc->m_pSelected = s.At({"a", kOdd});
        EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_RUN));
        s.doc->m_pSelected = s.At({"a", "b"});
        EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_RUN));
        s.doc->m_pSelected = s.doc->m_pRoot.get();
        EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_RUN));
        EXPECT_EQ(opener.calls, (std::vector<std::string>{s.tree.Path("a/" + kOdd), s.tree.Path("a/b"),
                                                          s.tree.Root()}));
        EXPECT_TRUE(boxes.shown.empty());

        // Gone since the search: said so, and nothing is launched.
        s.tree.Remove("top.txt");
        s.doc->m_pSelected = s.At({"top.txt"});
        EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_RUN));
        EXPECT_EQ(opener.calls.size(), 3u);
        EXPECT_EQ(boxes.shown, (std::vector<std::string>{"No such file or directory."}));
    }
    {
        RecordingOpener refusing(false);
        boxes.shown.clear();
        s.doc->m_pSelected = s.At({"a", "one"});
        EXPECT_TRUE(ExecuteCommand(s.view, ID_OPEN_RUN));
        EXPECT_EQ(refusing.calls, (std::vector<std::string>{s.tree.Path("a/one")}));
        EXPECT_EQ(boxes.shown, (std::vector<std::string>{
                                   "No application is associated with the specified file for this operation.\n"}));
        EXPECT_EQ(GetLastError(), ERROR_NO_ASSOCIATION);
    }
    EXPECT_EQ(s.doc->m_pSelected, s.At({"a", "one"}));
    EXPECT_EQ(s.doc->m_pCurrent, s.doc->m_pRoot.get());
    EXPECT_EQ(s.doc->m_pRoot->GetSize(), 7226);
    EXPECT_TRUE(s.view.hints.empty()) << "the tree is never touched";
    EXPECT_TRUE(s.doc->questions.empty());

    // The desktop gets a URL that names the same bytes, whatever they are.
    const QUrl odd = FileUrlOf("/tmp/a b\n\xff%");
    EXPECT_TRUE(odd.isLocalFile());
    EXPECT_EQ(odd.toEncoded(), QByteArray("file:///tmp/a%20b%0A%FF%25"));
    EXPECT_EQ(QByteArray::fromPercentEncoding(odd.toEncoded().mid(7)), QByteArray("/tmp/a b\n\xff%"));
    EXPECT_EQ(FileUrlOf("/srv/caf\xc3\xa9").toLocalFile(), QString::fromUtf8("/srv/caf\xc3\xa9"));
}
