#include "platform/FileFind.h"
#include "platform/LastError.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <fcntl.h>
#include <gtest/gtest.h>
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
    const CEntry* root = doc->m_pRoot;
    EXPECT_EQ(doc->m_pCurrent, root);
    EXPECT_EQ(doc->m_pSelected, nullptr);
    EXPECT_EQ(root->GetSize(), 5000000000LL + 1000 + 24 + 10);
    EXPECT_EQ(FindBadTotal(root), nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"big.img", "docs", "mixed", "zero"}));
    EXPECT_EQ(ChildNames(Child(root, "mixed")),
              (std::vector<std::string>{"_x", "A", "b", "c", "d", "e", "f", "g", "h", "i"}));
    EXPECT_EQ(Child(root, "docs")->GetSize(), 1024);
    EXPECT_TRUE(Child(Child(root, "docs"), "empty")->m_children.empty());
    EXPECT_EQ(Child(Child(root, "docs"), "more")->GetDepth(), 2);
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

TEST(Walk, LinksAreItemsOfTheirOwnAndLoopsEnd)
{
    TempTree t;
    t.Dir("d/inner");
    t.File("d/inner/f", 100);
    t.Symlink("d/inner/up", "../..");     // a loop if it were followed
    t.Symlink("d/self", "self");          // a link to itself
    t.Symlink("d/a", "b");
    t.Symlink("d/b", "a");
    t.Symlink("dangling", "/nonexistent/target");
    ErrorBoxes boxes;
    auto doc = Search(t.Root());
    ASSERT_TRUE(doc);
    EXPECT_TRUE(boxes.shown.empty());
    const CEntry* up = Child(Child(Child(doc->m_pRoot, "d"), "inner"), "up");
    ASSERT_NE(up, nullptr);
    EXPECT_FALSE(up->IsDirectory());
    EXPECT_EQ(up->GetSize(), 5) << "the link's own length";
    EXPECT_EQ(doc->m_pRoot->GetSize(), 100 + 5 + 4 + 1 + 1 + std::string("/nonexistent/target").size());
}

TEST(Walk, OddNamesSurviveIntact)
{
    TempTree t;
    const std::vector<std::string> names = {"new\nline", " lead and trail ", "bad\xff\xfe utf8",
                                            std::string(255, 'L'), "R&D", "\xe6\x97\xa5\xe6\x9c\xac"};
    for (const auto& n : names)
        t.File(n, 7);
    auto doc = Search(t.Root());
    ASSERT_TRUE(doc);
    for (const auto& n : names) {
        const CEntry* e = Child(doc->m_pRoot, n);
        ASSERT_NE(e, nullptr) << n;
        EXPECT_EQ(e->GetPath(), t.Root() + "/" + n);
        EXPECT_EQ(e->GetSize(), 7);
    }
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

TEST(Walk, UnreadableDirectoriesAreSkippedSilently)
{
    TempTree t;
    t.Chmod("", 0755);
    t.Dir("open");
    t.File("open/f", 10);
    t.Dir("locked/inner");
    t.File("locked/secret", 99);
    t.Chmod("locked", 0700);
    ErrorBoxes boxes;
    std::unique_ptr<TestDriveDoc> doc;
    {
        Unprivileged nobody;
        doc = Search(t.Root());
    }
    ASSERT_TRUE(doc);
    EXPECT_TRUE(boxes.shown.empty());
    const CEntry* locked = Child(doc->m_pRoot, "locked");
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(locked->IsDirectory());
    EXPECT_TRUE(locked->m_children.empty());
    EXPECT_EQ(locked->GetSize(), 0);
    EXPECT_EQ(doc->m_pRoot->GetSize(), 10);
}

TEST(Walk, ARootThatCannotBeListedGivesOneMessageAndNoDocument)
{
    TempTree t;
    t.Chmod("", 0755);
    t.Dir("locked");
    t.Chmod("locked", 0700);
    {
        ErrorBoxes boxes;
        EXPECT_FALSE(Search(t.Path("missing")));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0], "No such file or directory.");
    }
    {
        ErrorBoxes boxes;
        Unprivileged nobody;
        EXPECT_FALSE(Search(t.Path("locked")));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0], "Permission denied.");
    }
}

TEST(Walk, DirectoriesThatVanishBeforeTheirTurnStayEmpty)
{
    TempTree t;
    t.Dir("keep");
    t.File("keep/k", 3);
    t.Dir("gone/sub");
    t.File("gone/sub/x", 50);
    t.Dir("swapped");
    auto doc = std::make_unique<TestDriveDoc>();
    doc->PresetRoot(t.Root(), "Folder");
    doc->beforeListing = [&](CEntry* dir, int) {
        if (dir->GetName() == "gone")
            t.Remove("gone");
        if (dir->GetName() == "swapped") {
            t.Remove("swapped");
            t.File("swapped", 1);
        }
    };
    ErrorBoxes boxes;
    ASSERT_TRUE(doc->OnNewDocument());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(Child(doc->m_pRoot, "gone")->m_children.empty());
    EXPECT_TRUE(Child(doc->m_pRoot, "swapped")->m_children.empty());
    EXPECT_EQ(doc->m_pRoot->GetSize(), 3);
}

TEST(Walk, OtherFileSystemsAreNotEntered)
{
    struct stat dev {}, pts {};
    if (::stat("/dev", &dev) != 0 || ::stat("/dev/pts", &pts) != 0 || dev.st_dev == pts.st_dev)
        GTEST_SKIP() << "/dev/pts is not a file system of its own here";
    auto doc = Search("/dev");
    ASSERT_TRUE(doc);
    const CEntry* p = Child(doc->m_pRoot, "pts");
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->IsDirectory());
    EXPECT_TRUE(p->m_children.empty());
    EXPECT_FALSE(ListingOrder("/dev/pts").empty()) << "there was something to find";
}

TEST(Walk, CancelEndsTheSearchWithoutAMessage)
{
    TempTree t;
    for (int d = 0; d < 4; ++d)
        for (int f = 0; f < 20; ++f)
            t.File("d" + std::to_string(d) + "/f" + std::to_string(f), 1);
    QWidget mainWindow;
    AfxSetMainWnd(&mainWindow);
    auto doc = std::make_unique<TestDriveDoc>();
    doc->PresetRoot(t.Root(), "Folder");
    doc->SetProgressInterval(std::chrono::milliseconds(0));
    bool enabledDuringWalk = true;
    bool dialogShown = false;
    doc->beforeListing = [&](CEntry*, int n) {
        enabledDuringWalk = enabledDuringWalk && mainWindow.isEnabled();
        dialogShown = doc->m_dlgProgress.GetWindow() != nullptr && doc->m_dlgProgress.GetWindow()->isVisible();
        if (n == 2)  // pressed while the second directory is read
            QTimer::singleShot(0, [&] { doc->m_dlgProgress.OnCancel(); });
    };
    ErrorBoxes boxes;
    EXPECT_FALSE(doc->OnNewDocument());
    AfxSetMainWnd(nullptr);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(doc->listings, 2);
    EXPECT_FALSE(enabledDuringWalk) << "the main window is disabled while the dialog shows";
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(doc->m_dlgProgress.GetWindow(), nullptr);
}
