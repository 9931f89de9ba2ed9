#include "framework/ErrorBox.h"
#include "framework/UiServices.h"
#include "remote/SshVolraDoc.h"
#include "support/DocHarness.h"
#include "support/ScopedEnv.h"
#include "support/SshTestServer.h"
#include "support/TempTree.h"

#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <sstream>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {
// A search of folder on the server with the reader forced, as the program sets it up, and
// carried out unless told not to.
std::unique_ptr<CSshVolraDoc> SshSearch(const std::string& url, bool bRun = true)
{
    std::string error;
    auto doc = CSshVolraDoc::FromUrl(url, error);
    EXPECT_TRUE(doc) << error;
    doc->SetProgressInterval(std::chrono::milliseconds(0));
    if (bRun && !doc->OnNewDocument())
        doc.reset();
    return doc;
}

// Every entry below the root by its path from the root: directory flag, length, size on
// disk (a hard link's whether it carries them or not: which name does depends on the
// reading order), modification time (where the reader gives one), mount point.
using Shape = std::map<std::string, std::tuple<bool, std::int64_t, std::int64_t, std::int64_t, bool>>;
Shape ShapeOf(const CEntry& root, bool bTimes)
{
    Shape shape;
    std::vector<std::pair<const CEntry*, std::string>> stack{{&root, ""}};
    while (!stack.empty()) {
        const auto [entry, prefix] = stack.back();
        stack.pop_back();
        for (const CEntry* child : entry->GetChildren()) {
            const std::string path = prefix + "/" + std::string(child->GetName());
            shape[path] = {child->IsDirectory() != FALSE, child->GetLength(), child->GetItemDiskSize(),
                           bTimes ? child->GetModifiedTime().GetTime() : 0, child->IsMountPoint()};
            stack.emplace_back(child, path);
        }
    }
    return shape;
}

// A stand-in for ssh that plays a script: it takes ssh's arguments and ignores them.
std::string FakeSsh(const TempTree& t, const std::string& body)
{
    const std::string path = t.Path("fake-ssh");
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    t.Chmod("fake-ssh", 0755);
    return path;
}

// Alive: there, and not a zombie waiting for a parent (or an init) to reap it.
bool ProcessAlive(pid_t pid)
{
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return pid > 0 && close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// A signal is delivered, not awaited: a killed process may take a moment to end.
bool EndsSoon(pid_t pid)
{
    for (int i = 0; i < 200 && ProcessAlive(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !ProcessAlive(pid);
}
}  // namespace

// Odd names (spaces, quotes, a newline, control bytes, bytes that are no UTF-8, a leading
// dash), an empty folder, a file over 4 GiB, a symbolic link and two names of one file: for
// each remote reader the tree, the totals and the counts equal a local search of the same
// folder.
TEST(SshSearch, EachReaderGivesTheTreeOfTheLocalSearch)
{
    TempTree t;
    t.Files({{"a file.txt", 6},
             {"it's \"quoted\"", 2},
             {"new\nline", 3},
             {"\xff\xfe bytes", 4},
             {"ctl\x01\x1b\x7f", 5},
             {"-lead", 0},
             {"sub dir/-dash/inner.bin", 1000},
             {"big.img", 5000000000LL}});
    t.Dir("empty");
    t.Symlink("link", "a file.txt");
    ASSERT_EQ(::link(t.Path("sub dir/-dash/inner.bin").c_str(), t.Path("second name").c_str()), 0);
    const auto local = Search(t.Root());
    ASSERT_TRUE(local);

    SshTestServer server(VOLRA_PROGRAM_DIR);
    const ScopedEnv command("VOLRA_SSH_COMMAND", server.ClientCommand());
    for (const char* reader : {"find", "ncdu", "volra"}) {
        const ScopedEnv forced("VOLRA_SSH_READER", reader);
        ErrorBoxes boxes;
        const auto doc = SshSearch(server.Url(t.Root()));
        ASSERT_TRUE(doc) << reader << ": " << (boxes.shown.empty() ? "" : boxes.shown.front());
        const bool bTimes = std::string(reader) != "ncdu" || doc->GetRoot()->GetChildren().front()->HasModifiedTime();
        EXPECT_EQ(ShapeOf(*doc->GetRoot(), bTimes), ShapeOf(*local->GetRoot(), bTimes)) << reader;
        EXPECT_EQ(doc->GetRoot()->GetLength(), local->GetRoot()->GetLength()) << reader;
        EXPECT_EQ(doc->GetRoot()->GetDiskSize(), local->GetRoot()->GetDiskSize()) << reader;
        EXPECT_EQ(FindBadTotal(doc->GetRoot()), nullptr) << reader;
        EXPECT_EQ(doc->m_dlgProgress.m_strFiles, local->m_dlgProgress.m_strFiles) << reader;
        EXPECT_EQ(doc->m_dlgProgress.m_strDirectories, local->m_dlgProgress.m_strDirectories) << reader;
        EXPECT_EQ(doc->GetRoot()->GetName(), "127.0.0.1:" + t.Root());
        EXPECT_EQ(Child(Child(doc->GetRoot(), "sub dir"), "-dash")->GetPath(),
                  "127.0.0.1:" + t.Root() + "/sub dir/-dash");
        EXPECT_EQ(doc->GetTitle().rfind("(SSH root@127.0.0.1) 127.0.0.1:" + t.Root() + " (", 0), 0u) << doc->GetTitle();
        EXPECT_EQ(doc->GetProcessId(), -1) << "ssh has ended and was reaped";
    }
}

// Refresh runs the remote search again for that folder alone: what changed there shows,
// every total above stays true. With the server gone, the error is told once and the tree
// stays as it was.
TEST(SshSearch, RefreshRereadsTheSubtreeRemotely)
{
    TempTree t;
    t.Files({{"keep", 100}, {"sub/a", 10}, {"sub/deeper/b", 20}});
    auto server = std::make_unique<SshTestServer>();
    const ScopedEnv command("VOLRA_SSH_COMMAND", server->ClientCommand());
    const ScopedEnv forced("VOLRA_SSH_READER", "find");
    const auto doc = SshSearch(server->Url(t.Root()));
    ASSERT_TRUE(doc);
    t.File("sub/deeper/new", 5000);
    t.Remove("sub/a");
    doc->RefreshDirectory(Child(doc->GetRoot(), "sub"));
    EXPECT_EQ(ChildNames(EntryAtPath(doc->GetRoot(), "sub/deeper")), (std::vector<std::string>{"b", "new"}));
    EXPECT_EQ(ChildNames(Child(doc->GetRoot(), "sub")), (std::vector<std::string>{"deeper"}));
    EXPECT_EQ(doc->GetRoot()->GetLength(), 100 + 20 + 5000);
    EXPECT_EQ(FindBadTotal(doc->GetRoot()), nullptr);
    const auto local = Search(t.Root());
    EXPECT_EQ(doc->GetRoot()->GetDiskSize(), local->GetRoot()->GetDiskSize());

    server.reset();
    ErrorBoxes boxes;
    doc->RefreshDirectory(Child(doc->GetRoot(), "sub"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].find("onnection refused"), std::string::npos) << boxes.shown[0];
    EXPECT_EQ(doc->GetRoot()->GetLength(), 100 + 20 + 5000) << "the tree stays";
    EXPECT_EQ(FindBadTotal(doc->GetRoot()), nullptr);
}

// A refused login, a folder the server does not have (with each reader), a lost
// connection, a stream (find's, ncdu's or Volra's) that stops, lies or trickles: one error
// box each, with ssh's or the remote reader's words, and no document.
TEST(SshSearch, FailuresEndInOneErrorBoxAndNoDocument)
{
    SshTestServer server(VOLRA_PROGRAM_DIR);
    {
        const ScopedEnv command("VOLRA_SSH_COMMAND", server.ClientCommand(true));
        ErrorBoxes boxes;
        EXPECT_FALSE(SshSearch(server.Url("/tmp")));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_NE(boxes.shown[0].find("Permission denied"), std::string::npos) << boxes.shown[0];
    }
    const ScopedEnv command("VOLRA_SSH_COMMAND", server.ClientCommand());
    for (const char* reader : {"find", "ncdu", "volra"}) {
        const ScopedEnv forced("VOLRA_SSH_READER", reader);
        ErrorBoxes boxes;
        EXPECT_FALSE(SshSearch(server.Url("/no/such/folder"))) << reader;
        ASSERT_EQ(boxes.shown.size(), 1u) << reader;
        EXPECT_EQ(boxes.shown[0].rfind("127.0.0.1:/no/such/folder: ", 0), 0u) << boxes.shown[0];
        EXPECT_NE(boxes.shown[0].find("No such file or directory"), std::string::npos) << boxes.shown[0];
    }

    TempTree t;
    const std::string root = "printf 'd 0 0 1 1 1 -1 7 1 2 0 s\\0";
    struct Case {
        std::string script;
        const char* says;
    };
    const Case cases[] = {
        {root + "f 1 0 1 1 1 -1 7 2 1 1 x'; echo 'Connection to h closed by remote host.' >&2; exit 255",
         "Connection to h closed by remote host."},
        {root + "f 1 0 1 1 1 -1 7 2 1 1 x'", "stops inside it"},
        {root + "f 1 0 1 1 1 -1 7 2 1 1 ..\\0'", "not a file name"},
        {root + "'; exec sleep 30", "sent nothing for"},
        {"printf '[1,0,{},[{\"name\":\"/s\"},{\"name\":\"x\",\"asize\":-5}]]'", "\"asize\" must be a whole number"},
        {"printf '#volra-listing 1\\n\\000\\001\\000\\002/s'", "the listing stops inside it"},
        {"printf '#volra-listing 1\\n\\000\\001\\000\\002/s\\000\\001\\000\\000\\003a/b\\000\\000\\000'",
         "\"a/b\" is not a file name"},
        {"printf '[1,0,{},[{\"name\":\"/s\"},{\"name\":\"'; head -c 50000000 /dev/zero | tr '\\0' a",
         "it is not a listing"},
    };
    for (const Case& c : cases) {
        const ScopedEnv fake("VOLRA_SSH_COMMAND", FakeSsh(t, c.script));
        std::string error;
        auto doc = CSshVolraDoc::FromUrl("ssh://h/s", error);
        doc->SetStallLimits(std::chrono::milliseconds(300), std::chrono::minutes(1), 0);
        ErrorBoxes boxes;
        EXPECT_FALSE(doc->OnNewDocument()) << c.says;
        ASSERT_EQ(boxes.shown.size(), 1u) << c.says;
        EXPECT_NE(boxes.shown[0].find(c.says), std::string::npos) << boxes.shown[0];
    }
}

// Cancel, or closing the window, mid-stream: ssh and what it started are gone at once,
// no box is shown, and the document lives until the walk has returned.
TEST(SshSearch, CancelAndCloseEndSshAndItsChildren)
{
    TempTree t;
    const std::string pids = t.Path("pids");
    const ScopedEnv fake(
        "VOLRA_SSH_COMMAND",
        FakeSsh(t,
                "printf 'd 0 0 1 1 1 -1 7 1 2 0 s\\0d 0 0 1 1 1 -1 7 2 2 1 sub\\0'; sleep 60 & echo $$ $! > " + pids
                    + "; wait"));
    for (const bool close : {false, true}) {
        ::unlink(pids.c_str());
        std::string error;
        CSshVolraDoc* doc = CSshVolraDoc::FromUrl("ssh://h/s", error).release();
        QPointer<CSshVolraDoc> alive(doc);
        pid_t shell = 0;
        pid_t child = 0;
        QTimer::singleShot(500, doc, [&, doc, close] {
            std::istringstream(ReadFile(pids)) >> shell >> child;
            EXPECT_EQ(doc->GetProcessId(), shell);
            EXPECT_EQ(doc->m_dlgProgress.m_strCurrentDir, "h:/s/sub") << "the directory being read";
            EXPECT_EQ(doc->m_dlgProgress.m_strDirectories, "1");
            if (close)
                doc->OnCloseDocument();
            else
                doc->m_dlgProgress.OnCancel();
        });
        ErrorBoxes boxes;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(doc->OnNewDocument());
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_TRUE(alive) << "closing during the walk only cancels it";
        EXPECT_GT(child, 0);
        EXPECT_FALSE(ProcessAlive(shell)) << "ssh was ended and reaped";
        EXPECT_TRUE(EndsSoon(child)) << "so was what it started";
        delete doc;
    }
}

// ssh runs in a session of its own with standard input from /dev/null (no terminal to ask
// on), askpass set to this program and forced, the display kept; without a window it may
// not ask at all (BatchMode=yes before any option of the user's).
TEST(SshSearch, SshRunsWithoutATerminalAndAsksThroughAskpass)
{
    TempTree t;
    const std::string seen = t.Path("seen");
    const ScopedEnv display("DISPLAY", ":42");
    const ScopedEnv reader("VOLRA_SSH_READER", "");
    const ScopedEnv fake("VOLRA_SSH_COMMAND",
                         FakeSsh(t,
                                 "{ echo \"$SSH_ASKPASS|$SSH_ASKPASS_REQUIRE|$VOLRA_ASKPASS|$DISPLAY\"; "
                                 "readlink /proc/$$/fd/0; [ \"$(ps -o sid= -p $$)\" -eq $$ ] && echo own session; "
                                 "printf '%s\\n' \"$*\"; } > "
                                     + seen + "; printf 'd 0 0 1 1 1 -1 7 1 2 0 s\\0'"));
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    for (const bool headless : {false, true}) {
        const bool was = SetHeadless(headless);
        const auto doc = SshSearch("ssh://h/s");
        SetHeadless(was);
        ASSERT_TRUE(doc);
        const std::string batch = headless ? "-o BatchMode=yes " : "";
        EXPECT_EQ(ReadFile(seen),
                  std::string(self) + "|force|1|:42\n/dev/null\nown session\n" + batch
                      + "-T -x -o BatchMode=no -- h p='/s';if command -v volra >/dev/null 2>&1;"
                        "then VOLRA_SAVE_LISTING=1;export VOLRA_SAVE_LISTING;exec volra --save \"$p\" -;elif command "
                        "-v ncdu >/dev/null 2>&1;"
                        "then exec ncdu -x -0 -e -o- \"$p\";else LC_ALL=C;export LC_ALL;exec find "
                        "\"$p\" -xdev -printf '%y %s %b %T@ %A@ %C@ %B@ %D %i %n %d %f\\0';fi\n");
    }
}
