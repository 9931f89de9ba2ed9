#include "framework/CmdTarget.h"
#include "model/FormatSize.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A local search that answers the cleaning-up questions as told and keeps what it was
// asked and what it reported.
class CleanupDoc : public TestDriveDoc {
public:
    bool bAgree = true;
    std::vector<std::string> asked;
    std::vector<std::string> reported;

protected:
    BOOL ConfirmCleanup(const std::string& strText) override
    {
        asked.push_back(strText);
        return bAgree ? TRUE : FALSE;
    }
    void ReportCleanup(const std::string& strText) override { reported.push_back(strText); }
};

// Hands a folder and everything in it to the user Unprivileged acts as, when the tests run
// as root: that user then moves what it owns, and is refused what is read-only.
void GiveToUser(const std::string& root)
{
    if (::geteuid() != 0)
        return;
    const auto own = [](const std::filesystem::path& p) {
        ASSERT_EQ(::lchown(p.c_str(), Unprivileged::kNobody, Unprivileged::kNobody), 0) << p;
    };
    own(root);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        own(entry.path());
}

// keep/ro/x 100 (ro read-only), a/big 4096, a/small 10, b.txt 300, c.txt 50.
struct Marked {
    TempTree tree;
    TempTree data;
    ScopedDataHome dataHome{data.Path("share")};
    std::unique_ptr<CleanupDoc> doc = std::make_unique<CleanupDoc>();
    HintSpy view;

    Marked()
    {
        tree.Files({{"keep/ro/x", 100}, {"a/big", 4096}, {"a/small", 10}, {"b.txt", 300}, {"c.txt", 50}});
        tree.Chmod("keep/ro", 0555);
        doc->PresetRoot(tree.Root(), "Folder " + tree.Root());
        EXPECT_TRUE(doc->OnNewDocument());
        doc->AddView(&view);
    }
    CEntry* At(const std::vector<std::string>& names) const { return EntryAt(doc->GetRoot(), names); }
    void Mark(const std::vector<std::vector<std::string>>& items)
    {
        for (const auto& names : items)
            ASSERT_TRUE(doc->SetMarked(*At(names), true));
        view.hints.clear();
    }
    bool Enabled(UINT id)
    {
        CCmdUI ui(id);
        return UpdateCommandUI(view, ui) != FALSE;
    }
    // The tree's totals against a new search of the same folder: lengths and blocks of
    // the root and of every directory that is left.
    void ExpectTotalsOfAFreshSearch()
    {
        const auto fresh = Search(tree.Root());
        ASSERT_NE(fresh, nullptr);
        EXPECT_EQ(FindBadTotal(doc->GetRoot()), nullptr);
        EXPECT_EQ(doc->GetRoot()->GetLength(), fresh->GetRoot()->GetLength());
        EXPECT_EQ(doc->GetRoot()->GetDiskSize(), fresh->GetRoot()->GetDiskSize());
        for (const char* dir : {"keep", "a"}) {
            const CEntry* mine = At({dir});
            const CEntry* theirs = EntryAt(fresh->GetRoot(), {dir});
            ASSERT_EQ(mine == nullptr, theirs == nullptr) << dir;
            if (mine != nullptr) {
                EXPECT_EQ(mine->GetDiskSize(), theirs->GetDiskSize()) << dir;
            }
        }
    }
};
}  // namespace

TEST(CleanupCommands, TrashMarkedMovesWhatCanGoAndListsWhatStayed)
{
    Marked s;
    const auto menuIds = [&] {
        std::vector<UINT> ids;
        for (const CMenuItem& item : s.doc->BuildContextMenuItems())
            ids.push_back(item.id);
        return ids;
    };
    const std::vector<UINT> unmarkedMenu = menuIds();
    EXPECT_FALSE(s.Enabled(ID_TRASH_MARKED)) << "nothing marked yet";
    s.Mark({{"a"}, {"keep", "ro", "x"}, {"b.txt"}, {"a", "big"}});
    EXPECT_TRUE(s.Enabled(ID_TRASH_MARKED));
    std::vector<UINT> markedMenu = unmarkedMenu;
    markedMenu.insert(markedMenu.begin() + 4, {ID_TRASH_MARKED, ID_DELETE_PERMANENTLY});
    EXPECT_EQ(menuIds(), markedMenu) << "the context menu offers both while marks exist";
    const std::int64_t nMarkedDisk =
        s.At({"a"})->GetDiskSize() + s.At({"keep", "ro", "x"})->GetDiskSize() + s.At({"b.txt"})->GetDiskSize();
    {
        GiveToUser(s.tree.Root());
        GiveToUser(s.data.Root());
        Unprivileged asUser;  // the read-only folder holds its file even for root
        EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE)) << "with marks, Delete trashes them";
    }
    ASSERT_EQ(s.doc->asked.size(), 1u) << "one question for the whole batch";
    EXPECT_EQ(s.doc->asked[0], "Move 3 items (" + FormatSize(nMarkedDisk) + " on disk) to the trash?");
    ASSERT_EQ(s.doc->reported.size(), 1u);
    EXPECT_EQ(s.doc->reported[0], "1 item could not be moved:\n" + s.tree.Path("keep/ro/x") + ": Permission denied.");

    EXPECT_EQ(ChildNames(s.doc->GetRoot()), (std::vector<std::string>{"c.txt", "keep"}));
    EXPECT_NE(SizeOnDisk(s.tree.Path("keep/ro/x")), -1) << "the item that could not go is where it was";
    EXPECT_EQ(SizeOnDisk(s.tree.Path("a")), -1);
    EXPECT_NE(SizeOnDisk(s.data.Path("share/Trash/files/a/big")), -1);
    EXPECT_NE(SizeOnDisk(s.data.Path("share/Trash/files/b.txt")), -1);
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED})) << "the views rebuild once";
    EXPECT_TRUE(s.doc->GetMarks()->IsMarked(*s.At({"keep", "ro", "x"}))) << "what stayed stays marked";
    EXPECT_EQ(s.doc->GetMarks()->Count(), 1u);
    s.ExpectTotalsOfAFreshSearch();
}

TEST(CleanupCommands, DeclinedQuestionsChangeNothing)
{
    Marked s;
    s.doc->bAgree = false;
    s.Mark({{"a"}, {"b.txt"}});
    const std::int64_t nBefore = s.doc->GetRoot()->GetDiskSize();
    for (const UINT id : {ID_TRASH_MARKED, ID_DELETE, ID_DELETE_PERMANENTLY})
        EXPECT_TRUE(ExecuteCommand(s.view, id)) << id;
    ASSERT_EQ(s.doc->asked.size(), 3u);
    EXPECT_NE(s.doc->asked[2].find("This cannot be undone."), std::string::npos) << s.doc->asked[2];
    EXPECT_TRUE(s.view.hints.empty());
    EXPECT_TRUE(s.doc->reported.empty());
    EXPECT_EQ(s.doc->GetRoot()->GetDiskSize(), nBefore);
    EXPECT_EQ(s.doc->GetMarks()->Count(), 2u);
    EXPECT_NE(SizeOnDisk(s.tree.Path("a/big")), -1);
    EXPECT_NE(SizeOnDisk(s.tree.Path("b.txt")), -1);
    EXPECT_EQ(SizeOnDisk(s.data.Path("share/Trash")), -1) << "nothing went near the trash";
}

TEST(CleanupCommands, DeletePermanentlyRemovesTheMarkedOrTheSelection)
{
    Marked s;
    s.Mark({{"a"}, {"b.txt"}});
    const std::int64_t nFreedBefore = CDriveVolraDoc::FreedSinceStart();
    const std::int64_t nDisk = s.At({"a"})->GetDiskSize() + s.At({"b.txt"})->GetDiskSize();
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE_PERMANENTLY));
    ASSERT_EQ(s.doc->asked.size(), 1u);
    EXPECT_EQ(s.doc->asked[0],
              "Delete 2 items (" + FormatSize(nDisk) + " on disk, frees " + FormatSize(nDisk)
                  + ") permanently?\nThis cannot be undone.");
    EXPECT_TRUE(s.doc->reported.empty());
    EXPECT_EQ(SizeOnDisk(s.tree.Path("a")), -1);
    EXPECT_EQ(SizeOnDisk(s.tree.Path("b.txt")), -1);
    EXPECT_EQ(SizeOnDisk(s.data.Path("share/Trash")), -1) << "deleted, not trashed";
    EXPECT_EQ(CDriveVolraDoc::FreedSinceStart() - nFreedBefore, nDisk);
    EXPECT_EQ(s.view.hints, (std::vector<LPARAM>{HINT_TREE_CHANGED}));
    EXPECT_FALSE(s.doc->HasMarks());
    s.ExpectTotalsOfAFreshSearch();

    // Without marks the selection goes; the root never does.
    EXPECT_FALSE(s.Enabled(ID_TRASH_MARKED));
    s.doc->SetSelected(s.doc->GetRoot());
    EXPECT_FALSE(s.Enabled(ID_DELETE_PERMANENTLY));
    s.doc->SetSelected(s.At({"c.txt"}));
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE_PERMANENTLY));
    EXPECT_EQ(ChildNames(s.doc->GetRoot()), (std::vector<std::string>{"keep"}));
    EXPECT_EQ(s.doc->GetSelected(), s.doc->GetRoot());
    s.ExpectTotalsOfAFreshSearch();
}

// A file swapped for another since the search stays, untouched, and is named; the rest goes.
TEST(CleanupCommands, DeletePermanentlyLeavesWhatWasReplacedSinceTheSearch)
{
    Marked s;
    s.Mark({{"b.txt"}, {"c.txt"}});
    // Another file under the same name, made before the old one goes so that it cannot get
    // its inode back; of the same length, modified at another time.
    s.tree.File("c.new", 50);
    const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, s.tree.Path("c.new").c_str(), anHourAgo, 0), 0);
    std::filesystem::rename(s.tree.Path("c.new"), s.tree.Path("c.txt"));
    const std::int64_t nFreedBefore = CDriveVolraDoc::FreedSinceStart();
    const std::int64_t nRootBefore = s.doc->GetRoot()->GetDiskSize();
    const std::int64_t nGone = s.At({"b.txt"})->GetDiskSize();
    EXPECT_TRUE(ExecuteCommand(s.view, ID_DELETE_PERMANENTLY));
    ASSERT_EQ(s.doc->reported.size(), 1u);
    EXPECT_EQ(s.doc->reported[0],
              "1 item could not be deleted:\n" + s.tree.Path("c.txt") + ": replaced since the search");
    EXPECT_EQ(ReadFile(s.tree.Path("c.txt")).size(), 50u) << "the newcomer is untouched";
    EXPECT_EQ(SizeOnDisk(s.tree.Path("b.txt")), -1);
    EXPECT_EQ(CDriveVolraDoc::FreedSinceStart() - nFreedBefore, nGone);
    EXPECT_EQ(ChildNames(s.doc->GetRoot()), (std::vector<std::string>{"a", "c.txt", "keep"}));
    EXPECT_EQ(s.doc->GetRoot()->GetDiskSize(), nRootBefore - nGone);
    EXPECT_TRUE(s.doc->GetMarks()->IsMarked(*s.At({"c.txt"}))) << "what stayed stays marked";
}
