#include "platform/FileFind.h"
#include "platform/LastError.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Progress every item by default, so that event dispatching between items is exercised.
std::unique_ptr<TestDriveDoc> Search(const std::string& root, int progressMs = 0)
{
    auto doc = std::make_unique<TestDriveDoc>();
    doc->PresetRoot(root, "Folder " + root);
    doc->SetProgressInterval(std::chrono::milliseconds(progressMs));
    const BOOL ok = doc->OnNewDocument();
    if (!ok)
        doc.reset();
    return doc;
}

// The names of a directory in the order the listing produces them, dots left out.
std::vector<std::string> ListingOrder(const std::string& dir)
{
    std::vector<std::string> names;
    CFileFind find;
    BOOL more = find.FindFile(dir);
    while (more) {
        more = find.FindNextFile();
        if (!find.IsDots())
            names.push_back(find.GetFileName());
    }
    return names;
}
}  // namespace

TEST(Walk, BuildsTheTreeWithTotalsOrderAndColours)
{
    TempTree t;
    t.Dir("docs/empty");
    t.Dir("docs/more");
    t.File("docs/a.txt", 1000);
    t.File("docs/more/b.bin", 24);
    for (const char* n : {"b", "A", "_x", "c", "d", "e", "f", "g", "h", "i"})
        t.File(std::string("mixed/") + n, 1);
    t.File("big.img", 5000000000LL);
    t.File("zero", 0);

    ErrorBoxes boxes;
    auto doc = Search(t.Root());
    ASSERT_TRUE(doc);
    EXPECT_TRUE(boxes.shown.empty());
    const CEntry* root = doc->m_pRoot.get();
    EXPECT_EQ(doc->m_pCurrent, root);
    EXPECT_EQ(doc->m_pSelected, nullptr);
    EXPECT_EQ(root->GetSize(), 5000000000LL + 1000 + 24 + 10);
    EXPECT_EQ(FindBadTotal(root), nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"big.img", "docs", "mixed", "zero"}));
    EXPECT_EQ(ChildNames(Child(root, "mixed")),
              (std::vector<std::string>{"_x", "A", "b", "c", "d", "e", "f", "g", "h", "i"}));
    EXPECT_EQ(Child(root, "docs")->GetSize(), 1024);
    EXPECT_TRUE(Child(Child(root, "docs"), "empty")->m_children.empty());
    EXPECT_EQ(Child(Child(root, "docs"), "more")->GetPath(), t.Root() + "/docs/more");

    // Colours follow the listing order, modulo 8, whatever the sorted order is.
    const auto order = ListingOrder(t.Path("mixed"));
    ASSERT_EQ(order.size(), 10u);
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(Child(Child(root, "mixed"), order[i])->m_nColour, static_cast<int>(i % 8)) << order[i];

    // Every entry counted once: 2 + 10 + 2 files, 4 directories below the root.
    EXPECT_EQ(doc->m_dlgProgress.m_strFiles, "14");
    EXPECT_EQ(doc->m_dlgProgress.m_strDirectories, "4");
    EXPECT_EQ(doc->GetTitle(), "(Folder " + t.Root() + ") " + t.Root() + " (4.66G)");
}

// Links are items of their own, with the link's own length: a loop ends.
TEST(Walk, LinksAreNeverFollowed)
{
    TempTree t;
    t.File("d/inner/f", 100);
    t.Symlink("d/inner/up", "../..");
    t.Symlink("dangling", "/nonexistent/target");
    ErrorBoxes boxes;
    auto doc = Search(t.Root());
    ASSERT_TRUE(doc);
    EXPECT_TRUE(boxes.shown.empty());
    const CEntry* up = Child(Child(Child(doc->m_pRoot.get(), "d"), "inner"), "up");
    ASSERT_NE(up, nullptr);
    EXPECT_FALSE(up->IsDirectory());
    EXPECT_EQ(doc->m_pRoot->GetSize(), 100 + 5 + std::string("/nonexistent/target").size());
}

TEST(Walk, DeepTreesAreWalkedWithoutLimits)
{
    TempTree t("/dev/shm");  // removing 10,000 levels is slow on some disk file systems
    constexpr int kDepth = 10000;
    int fd = ::open(t.Root().c_str(), O_PATH | O_DIRECTORY);
    for (int i = 0; i < kDepth; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0) << i;
        const int next = ::openat(fd, "d", O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    const int file = ::openat(fd, "deepest", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "12345", 5), 5);
    ::close(file);
    ::close(fd);

    ErrorBoxes boxes;
    auto doc = Search(t.Root(), 16);
    ASSERT_TRUE(doc);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(doc->m_pRoot->GetSize(), 5);
    EXPECT_EQ(doc->m_dlgProgress.m_strDirectories, std::to_string(kDepth));
    EXPECT_EQ(doc->m_dlgProgress.m_strFiles, "1");
}

TEST(Walk, UnreadableDirectoriesAreSkippedSilentlyButNotAnUnreadableRoot)
{
    TempTree t;
    t.Chmod("", 0755);
    t.File("open/f", 10);
    t.File("locked/secret", 99);
    t.Chmod("locked", 0700);
    ErrorBoxes boxes;
    Unprivileged nobody;
    auto doc = Search(t.Root());
    ASSERT_TRUE(doc);
    EXPECT_TRUE(boxes.shown.empty());
    const CEntry* locked = Child(doc->m_pRoot.get(), "locked");
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(locked->IsDirectory());
    EXPECT_TRUE(locked->m_children.empty());
    EXPECT_EQ(doc->m_pRoot->GetSize(), 10);

    EXPECT_FALSE(Search(t.Path("missing")));
    EXPECT_FALSE(Search(t.Path("locked")));
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"No such file or directory.", "Permission denied."}));
}

TEST(Walk, DirectoriesChangedBeforeTheirTurnAreNeverFollowedOutOfTheTree)
{
    TempTree t;
    TempTree outside;
    for (const char* n : {"a/huge", "b/huge"})
        outside.File(n, 1LL << 40);
    for (const char* n : {"gone/sub", "file", "link"})
        t.Dir(n);
    t.File("p/a/x", 50);
    t.File("p/b/y", 60);
    auto doc = std::make_unique<TestDriveDoc>();
    doc->PresetRoot(t.Root(), "Folder");
    bool swapped = false;
    doc->beforeListing = [&](CEntry* dir, int) {
        const std::string name = dir->GetName();
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
        EXPECT_TRUE(Child(doc->m_pRoot.get(), n)->m_children.empty()) << n;
    EXPECT_EQ(Child(Child(doc->m_pRoot.get(), "p"), "b")->GetSize(), 60);
    EXPECT_EQ(doc->m_pRoot->GetSize(), 50 + 60) << "nothing counted through a link";
}

TEST(Walk, OtherFileSystemsAreNotEntered)
{
    struct stat dev {}, pts {};
    if (::stat("/dev", &dev) != 0 || ::stat("/dev/pts", &pts) != 0 || dev.st_dev == pts.st_dev)
        GTEST_SKIP() << "/dev/pts is not a file system of its own here";
    auto doc = Search("/dev");
    ASSERT_TRUE(doc);
    const CEntry* p = Child(doc->m_pRoot.get(), "pts");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->IsDirectory());
    EXPECT_TRUE(p->m_children.empty());
    EXPECT_FALSE(ListingOrder("/dev/pts").empty()) << "there was something to find";
}

TEST(Walk, CancelOrAnExceptionEndsTheSearchAndGivesTheWindowBack)
{
    TempTree t;
    for (int d = 0; d < 4; ++d)
        for (int f = 0; f < 20; ++f)
            t.File("d" + std::to_string(d) + "/f" + std::to_string(f), 1);
    QWidget mainWindow;
    AfxSetMainWnd(&mainWindow);
    for (const bool outOfMemory : {false, true}) {
        SCOPED_TRACE(outOfMemory);
        auto doc = std::make_unique<TestDriveDoc>();
        doc->PresetRoot(t.Root(), "Folder");
        doc->SetProgressInterval(std::chrono::milliseconds(0));
        bool shownOverDisabledWindow = false;
        doc->beforeListing = [&](CEntry*, int n) {
            shownOverDisabledWindow = !mainWindow.isEnabled() && doc->m_dlgProgress.GetWindow()->isVisible();
            if (n == 2 && outOfMemory)
                throw std::bad_alloc();
            if (n == 2)  // pressed while the second directory is read
                QTimer::singleShot(0, [&] { doc->m_dlgProgress.OnCancel(); });
        };
        ErrorBoxes boxes;
        if (outOfMemory)
            EXPECT_THROW(doc->OnNewDocument(), std::bad_alloc);
        else
            EXPECT_FALSE(doc->OnNewDocument());
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(doc->listings, 2);
        EXPECT_TRUE(shownOverDisabledWindow);
        EXPECT_TRUE(mainWindow.isEnabled());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor is gone";
        EXPECT_EQ(doc->m_dlgProgress.GetWindow(), nullptr);
    }
    AfxSetMainWnd(nullptr);
}
