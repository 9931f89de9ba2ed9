#include "doc/SearchProgressWindow.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"
#include "sys/ErrorText.h"
#include "sys/LastError.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <new>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <tuple>
#include <unistd.h>

TEST(Walk, BuildsTheTreeWithTotalsOrderAndColours)
{
    TempTree t;
    t.Dir("docs/empty");
    t.Files({{"docs/a.txt", 1000}, {"docs/more/b.bin", 24}, {"big.img", 5000000000LL}, {"zero", 0}});
    for (const char* n : {"b", "A", "_x", "c", "d", "e", "f", "g", "h", "i"})
        t.File(std::string("mixed/") + n, 1);

    ErrorBoxes boxes;
    auto doc = Search(t.Root());
    ASSERT_TRUE(doc);
    EXPECT_TRUE(boxes.shown.empty());
    const CEntry* root = doc->GetRoot();
    EXPECT_EQ(doc->GetCurrent(), root);
    EXPECT_EQ(doc->GetSelected(), nullptr);
    EXPECT_EQ(root->GetSize(), 5000000000LL + 1000 + 24 + 10);
    EXPECT_EQ(FindBadTotal(root), nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"big.img", "docs", "mixed", "zero"}));
    EXPECT_EQ(ChildNames(Child(root, "mixed")),
              (std::vector<std::string>{"_x", "A", "b", "c", "d", "e", "f", "g", "h", "i"}));
    EXPECT_EQ(Child(root, "docs")->GetSize(), 1024);
    EXPECT_TRUE(Child(Child(root, "docs"), "empty")->GetChildren().empty());
    EXPECT_EQ(Child(Child(root, "docs"), "more")->GetPath(), t.Root() + "/docs/more");

    // Colours follow the listing order, modulo 8, whatever the sorted order is.
    int nListed = 0;
    for (const auto& item : std::filesystem::directory_iterator(t.Path("mixed")))
        EXPECT_EQ(Child(Child(root, "mixed"), item.path().filename())->GetColour(), nListed++ % 8) << item.path();

    // Every entry counted once: 2 + 10 + 2 files, 4 directories below the root.
    EXPECT_EQ(doc->m_dlgProgress.m_strFiles, "14");
    EXPECT_EQ(doc->m_dlgProgress.m_strDirectories, "4");
    EXPECT_EQ(doc->GetTitle(), "(Folder " + t.Root() + ") " + t.Root() + " (4.66G)");
}

// Tests run as an ordinary user even under root: permissions bite either way.
TEST(Walk, UnreadableDirectoriesAreMarkedSkippedSilentlyAndReadAgainButNotAnUnreadableRoot)
{
    TempTree t;
    t.Chmod("", 0755);
    t.Files({{"locked/secret", 99}, {"vanishing/lost", 5}, {"open/f", 10}});
    t.Chmod("locked", 0);
    const auto doc = NewSearch(t.Root());
    const auto asNobody = [&doc](bool bSearch) {
        Unprivileged nobody;
        return bSearch ? doc->OnNewDocument() != FALSE : (doc->OnRefresh(), true);
    };
    ErrorBoxes boxes;
    {
        const ScopedOpenHook hook([](const char* name) { return std::string_view(name) == "vanishing" ? ENOENT : 0; });
        ASSERT_TRUE(asNobody(true));
        for (const auto& [name, type] : {std::pair{"locked", "Directory (unreadable)"},
                                         {"vanishing", "Directory (unreadable)"},
                                         {"open", "Directory"}})
            EXPECT_EQ(Child(doc->GetRoot(), name)->GetTypeText(), type) << name;
        EXPECT_TRUE(Child(doc->GetRoot(), "locked")->GetChildren().empty());
        EXPECT_EQ(doc->GetRoot()->GetSize(), 10);
        EXPECT_EQ(doc->UnreadableText(), "2 directories could not be read");
        t.Chmod("locked", 0755);
        asNobody(false);
        EXPECT_EQ(doc->UnreadableText(), "1 directory could not be read");
        EXPECT_EQ(ChildNames(Child(doc->GetRoot(), "locked")), std::vector<std::string>{"secret"});
    }
    doc->SetCurrent(Child(doc->GetRoot(), "vanishing"));
    asNobody(false);
    EXPECT_EQ(doc->UnreadableText(), "");
    EXPECT_FALSE(Child(doc->GetRoot(), "vanishing")->IsUnreadable());
    EXPECT_TRUE(boxes.shown.empty());

    t.Chmod("locked", 0);
    Unprivileged nobody;
    EXPECT_FALSE(Search(t.Path("missing")));
    EXPECT_FALSE(Search(t.Path("locked")));
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"No such file or directory.", "Permission denied."}));
}

TEST(Walk, DirectoriesChangedBeforeTheirTurnAreNeverFollowedOutOfTheTree)
{
    // Read ahead, a directory may have been read before it changes; whenever it was read,
    // nothing outside the tree is ever counted.
    for (const bool bReadAhead : {false, true}) {
        SCOPED_TRACE(bReadAhead);
        TempTree t;
        TempTree outside;
        for (const char* n : {"a/huge", "b/huge"})
            outside.File(n, 1LL << 40);
        for (const char* n : {"gone/sub", "file", "link"})
            t.Dir(n);
        t.File("p/a/x", 50);
        t.File("p/b/y", 60);
        auto doc = NewSearch(t.Root());
        doc->SetReadAhead(bReadAhead);
        bool swapped = false;
        doc->beforeListing = [&](CEntry* dir, int) {
            const std::string name(dir->GetName());
            if (name == "gone" || name == "file" || name == "link")
                t.Remove(name);
            if (name == "file")
                t.File("file", 1);
            if (name == "link")
                t.Symlink("link", outside.Root());
            // Both children of p are still to be read when p turns into a link.
            if (dir->GetParent() != nullptr && dir->GetParent()->GetName() == "p" && !swapped) {
                swapped = ::rename(t.Path("p").c_str(), t.Path("p.old").c_str()) == 0;
                t.Symlink("p", outside.Root());
            }
        };
        ErrorBoxes boxes;
        ASSERT_TRUE(doc->OnNewDocument());
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_TRUE(swapped);
        for (const char* n : {"gone", "file", "link"})
            EXPECT_TRUE(bReadAhead || Child(doc->GetRoot(), n)->GetChildren().empty()) << n;
        EXPECT_EQ(Child(Child(doc->GetRoot(), "p"), "b")->GetSize(), 60);
        EXPECT_EQ(doc->GetRoot()->GetSize(), 50 + 60) << "nothing counted through a link";
    }
}

namespace {
std::atomic<bool> g_bCancelled{true};

// Keeps directories from opening, on whichever thread reads them, until the user has cancelled.
int HoldUntilCancelled(const char*)
{
    while (!g_bCancelled)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
}
}  // namespace

// Cancel acts even while the walk waits for a listing the read-ahead holds back; out of
// memory ends the search with its reason rather than the program.
TEST(Walk, CancelOrAnExceptionEndsTheSearchAndGivesTheWindowBack)
{
    TempTree t;
    for (int d = 0; d < 4; ++d)
        for (int f = 0; f < 20; ++f)
            t.File("d" + std::to_string(d) + "/f" + std::to_string(f), 1);
    QWidget mainWindow;
    AfxSetMainWnd(&mainWindow);
    char outOfMemory[256];
    FormatErrorText(ERROR_NOT_ENOUGH_MEMORY, outOfMemory, sizeof outOfMemory);
    for (const std::string ending : {"cancel", "cancel while held", "out of memory"}) {
        SCOPED_TRACE(ending);
        auto doc = NewSearch(t.Root());
        doc->SetProgressInterval(std::chrono::milliseconds(0));
        g_bCancelled = ending != "cancel while held";
        const ScopedOpenHook hook(&HoldUntilCancelled);
        bool shownOverDisabledWindow = false;
        doc->beforeListing = [&](CEntry*, int n) {
            shownOverDisabledWindow = !mainWindow.isEnabled() && doc->m_dlgProgress.GetWindow()->isVisible();
            if (n == 2 && ending == "out of memory")
                throw std::bad_alloc();
            if (n == 2)  // pressed while the second directory is read
                QTimer::singleShot(0, [&] {
                    doc->m_dlgProgress.OnCancel();
                    g_bCancelled = true;
                });
        };
        ErrorBoxes boxes;
        EXPECT_FALSE(doc->OnNewDocument());
        // Out of memory is told, as the one failure of the three.
        EXPECT_EQ(boxes.shown,
                  ending == "out of memory" ? std::vector<std::string>{outOfMemory} : std::vector<std::string>{});
        EXPECT_EQ(doc->listings, 2);
        EXPECT_TRUE(shownOverDisabledWindow);
        EXPECT_TRUE(mainWindow.isEnabled());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor is gone";
        EXPECT_EQ(doc->m_dlgProgress.GetWindow(), nullptr);
    }
    AfxSetMainWnd(nullptr);
}

namespace {
// A search that takes the count of entries to meet as given, as a whole file system's
// search takes it from the inodes in use.
class ExpectingDriveDoc : public TestDriveDoc {
public:
    std::uint64_t expected = 0;

protected:
    std::uint64_t CountExpectedEntries(const CEntry&) override { return expected; }
};
}  // namespace

// The dialog tells what the entries found so far hold and, where the number of entries to
// meet is known, how far the walk is: never 100% before the walk is over.
TEST(Walk, ProgressShowsTheSizeFoundAndTheShareWalked)
{
    TempTree t;
    t.File("a/1", 500);
    t.File("b/2", 500);
    t.File("c", 3000);
    // Seen before the second and the third listing (the root read, then one of a and b),
    // and at the end: 4 and 5 entries found of the root's 6.
    const struct {
        std::uint64_t expected;
        std::vector<int> percents;
    } cases[] = {{6, {66, 83, 100}}, {4, {99, 99, 100}}, {0, {-1, -1, -1}}};
    for (const auto& c : cases) {
        ExpectingDriveDoc doc;
        doc.expected = c.expected;
        doc.PresetRoot(t.Root(), "Folder " + t.Root());
        doc.SetProgressInterval(std::chrono::milliseconds(0));
        std::vector<int> percents;
        std::vector<std::string> sizes;
        std::vector<std::pair<bool, int>> bars;
        doc.beforeListing = [&](CEntry*, int nListing) {
            if (nListing == 1)
                return;
            percents.push_back(doc.m_dlgProgress.m_nPercent);
            sizes.push_back(doc.m_dlgProgress.m_strSize);
            const auto* pBar = doc.m_dlgProgress.GetWindow()->findChild<QProgressBar*>(
                QLatin1String(CSearchProgressWindow::kPercentName));
            const auto* pSize =
                doc.m_dlgProgress.GetWindow()->findChild<QLabel*>(QLatin1String(CSearchProgressWindow::kSizeName));
            bars.emplace_back(pBar->isVisibleTo(pBar->window()), pBar->value());
            EXPECT_EQ(pSize->text().toStdString(), sizes.back());
        };
        ASSERT_TRUE(doc.OnNewDocument());
        percents.push_back(doc.m_dlgProgress.m_nPercent);
        sizes.push_back(doc.m_dlgProgress.m_strSize);
        EXPECT_EQ(percents, c.percents) << c.expected;
        EXPECT_EQ(sizes, (std::vector<std::string>{"2.93k", "3.42k", "3.91k"}));
        ASSERT_EQ(bars.size(), 2u);
        for (std::size_t i = 0; i < bars.size(); ++i)
            EXPECT_EQ(bars[i], std::make_pair(c.expected > 0, c.expected > 0 ? c.percents[i] : 0)) << i;
    }
    // A folder below a mount point is no whole file system: no share is shown.
    auto doc = Search(t.Path("a"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->m_dlgProgress.m_nPercent, -1);
    EXPECT_EQ(doc->m_dlgProgress.m_strSize, "500 bytes");
}

// Each entry carries its own item's status as the system tells it: lengths, blocks, times,
// which file it is and, for a file with two names, that both are the same file.
TEST(Walk, EntriesCarryTheStatusOfTheirItems)
{
    TempTree t;
    t.File("f", 10000);
    t.Dir("d");
    ASSERT_EQ(::link(t.Path("f").c_str(), t.Path("d/h").c_str()), 0);
    ASSERT_EQ(::symlink("f", t.Path("s").c_str()), 0);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 0}};  // accessed, modified
    ASSERT_EQ(::utimensat(AT_FDCWD, t.Path("f").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    for (const bool bReadAhead : {true, false}) {
        auto doc = NewSearch(t.Root());
        doc->SetReadAhead(bReadAhead);
        ASSERT_TRUE(doc->OnNewDocument());
        for (const char* path : {"f", "d", "d/h", "s"}) {
            struct statx stx {};
            ASSERT_EQ(::statx(AT_FDCWD, t.Path(path).c_str(), AT_SYMLINK_NOFOLLOW, STATX_ALL, &stx), 0);
            const CEntry* e = EntryAtPath(doc->GetRoot(), path);
            ASSERT_NE(e, nullptr) << path;
            const bool bDir = S_ISDIR(stx.stx_mode);
            EXPECT_EQ(e->IsDirectory() != FALSE, bDir) << path;
            if (!bDir)
                EXPECT_EQ(e->GetLength(), static_cast<std::int64_t>(stx.stx_size)) << path;
            EXPECT_EQ(e->GetItemDiskSize(), static_cast<std::int64_t>(stx.stx_blocks) * 512) << path;
            EXPECT_EQ(e->GetModifiedTime().GetTime(), stx.stx_mtime.tv_sec) << path;
            const bool bBirth = (stx.stx_mask & STATX_BTIME) != 0 && stx.stx_btime.tv_sec != 0;
            EXPECT_EQ(e->GetCreatedTime().GetTime(), bBirth ? stx.stx_btime.tv_sec : stx.stx_ctime.tv_sec) << path;
            std::uint64_t device = 0;
            std::uint64_t inode = 0;
            // Only directories and files with several names keep which file they are.
            const bool bKnown = bDir || stx.stx_nlink > 1;
            ASSERT_EQ(e->GetIdentity(device, inode) != FALSE, bKnown) << path;
            if (!bKnown)
                continue;
            EXPECT_EQ(device, makedev(stx.stx_dev_major, stx.stx_dev_minor)) << path;
            EXPECT_EQ(inode, stx.stx_ino) << path;
            const CHardLinkId* link = e->GetHardLink();
            ASSERT_EQ(link != nullptr, stx.stx_nlink == 2 && !bDir) << path;
            if (link != nullptr)
                EXPECT_EQ(std::make_tuple(link->device, link->inode, link->links),
                          std::make_tuple(device, inode, 2ull));
        }
        EXPECT_EQ(EntryAtPath(doc->GetRoot(), "f")->GetAccessedTime().GetTime(), 1000000000);
        EXPECT_EQ(EntryAtPath(doc->GetRoot(), "d/h")->GetModifiedTime().GetTime(), 1200000000);
    }
}
