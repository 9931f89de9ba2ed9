#include "cleanup/FreedSpace.h"
#include "cleanup/PermanentDelete.h"
#include "model/FormatSize.h"
#include "model/MarkSet.h"
#include "support/DocHarness.h"
#include "support/EntryBuild.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Deletes each item as the program does; the bytes freed, and what stayed goes to left.
std::int64_t DeleteAll(const std::vector<const CEntry*>& items, std::vector<CRemoveLeft>& left)
{
    std::int64_t nFreed = 0;
    for (const CEntry* pItem : items) {
        const CRemoveResult result = DeleteForGood(*pItem);
        EXPECT_EQ(result.bRemoved, result.left.empty()) << pItem->GetPath();
        nFreed += result.nFreed;
        left.insert(left.end(), result.left.begin(), result.left.end());
    }
    return nFreed;
}
}  // namespace

TEST(FreedSpace, AFileWithSeveralNamesFreesOnlyWhenEveryNameGoes)
{
    TempTree t;
    t.Files(
        {{"root/a/one", 3000}, {"root/a/sub/two", 100}, {"root/a/h", 2000}, {"root/b/own", 10}, {"root/c/x", 4000}});
    t.Dir("outside");
    ASSERT_EQ(::link(t.Path("root/a/h").c_str(), t.Path("root/b/h2").c_str()), 0);
    ASSERT_EQ(::link(t.Path("root/c/x").c_str(), t.Path("outside/x2").c_str()), 0);  // a name outside the search
    const auto doc = Search(t.Path("root"));
    ASSERT_TRUE(doc);
    const auto at = [&](const std::string& relative) { return EntryAtPath(doc->GetRoot(), relative); };
    // An independent count: the blocks of the items named, from lstat; a name the search
    // counts 0 (not the one of its file it met first) counts 0 on disk here too.
    const auto sum = [&](const std::vector<std::string>& relatives, bool bAsShown) {
        std::int64_t n = 0;
        for (const std::string& relative : relatives)
            n += bAsShown && at(relative)->IsLinkRepeat() ? 0 : BlocksOnDisk(t.Path("root/" + relative));
        return n;
    };
    const std::vector<std::string> a = {"a", "a/one", "a/sub", "a/sub/two", "a/h"};
    const std::vector<std::string> b = {"b", "b/own", "b/h2"};

    struct Case {
        std::vector<std::string> marked;
        std::vector<std::string> freed;
        std::vector<std::string> shown;  // what the items take, as the views count it
        std::size_t nItems;
        std::size_t nShared;
    };
    const Case cases[] = {
        {{"a"}, {"a", "a/one", "a/sub", "a/sub/two"}, a, 1, 1},  // b/h2 keeps h's blocks
        {{"a", "a/sub", "a/one"}, {"a", "a/one", "a/sub", "a/sub/two"}, a, 1, 1},  // nested: once
        {{"a", "b"}, {"a", "a/one", "a/sub", "a/sub/two", "a/h", "b", "b/own"}, {}, 2, 0},
        {{"a/h", "b/h2"}, {"a/h"}, {"a/h", "b/h2"}, 2, 0},
        {{"b/h2"}, {}, {"b/h2"}, 1, 1},
        {{"c"}, {"c"}, {"c", "c/x"}, 1, 1},  // c/x has a name outside the search
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.marked.front() + " and " + std::to_string(c.marked.size() - 1) + " more");
        CMarkSet marks(*doc->GetRoot());
        for (const std::string& relative : c.marked)
            marks.SetMarked(*at(relative), true);
        const CFreedSpace freed = MeasureFreedSpace(marks.TopMarked());
        EXPECT_EQ(freed.nItems, c.nItems);
        EXPECT_EQ(freed.nFrees, sum(c.freed, false));
        EXPECT_EQ(freed.nSharedFiles, c.nShared);
        std::vector<std::string> shown = c.shown;
        if (shown.empty()) {  // both a and b: every block once, whichever name carries h
            shown = a;
            shown.insert(shown.end(), b.begin(), b.end());
        }
        EXPECT_EQ(freed.nOnDisk, sum(shown, true));
        EXPECT_TRUE(freed.staying.empty());
        ASSERT_EQ(freed.devices.size(), 1u);
        struct stat st {};
        ASSERT_EQ(::stat(t.Path("root").c_str(), &st), 0);
        EXPECT_EQ(freed.devices[0].device, st.st_dev);
        EXPECT_EQ(freed.devices[0].strTop, t.Path("root"));
        EXPECT_EQ(freed.devices[0].nFrees, freed.nFrees);
        EXPECT_EQ(FreedSpaceText(freed),
                  std::to_string(c.nItems) + (c.nItems == 1 ? " item" : " items") + " \xC2\xB7 "
                      + FormatSize(freed.nOnDisk) + " on disk \xC2\xB7 frees " + FormatSize(freed.nFrees));
    }

    // a read again (its copy takes over h's name and the identity); then deleting a, b and c
    // for good gives back just what was foretold.
    doc->SetCurrent(at("a"));
    doc->OnRefresh();
    CMarkSet marks(*doc->GetRoot());
    for (const char* relative : {"a", "b", "c"})
        marks.SetMarked(*at(relative), true);
    const CFreedSpace freed = MeasureFreedSpace(marks.TopMarked());
    EXPECT_EQ(freed.nFrees, sum({"a", "a/one", "a/sub", "a/sub/two", "a/h", "b", "b/own", "c"}, false));
    std::vector<CRemoveLeft> left;
    EXPECT_EQ(DeleteAll(marks.TopMarked(), left), freed.nFrees);
    EXPECT_TRUE(left.empty());
    EXPECT_TRUE(Exists(t.Path("outside/x2")));
}

TEST(FreedSpace, AMountPointStaysAndSoDoTheFoldersAboveIt)
{
    TempTree t;
    t.Files({{"root/d/f", 3000}, {"root/d/inner/g", 100}, {"root/e", 50}});
    t.Dir("root/d/inner/m");
    const ScopedMount mount = ScopedMount::SmallDisk(t.Path("root/d/inner/m"), 1 << 20);
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting is not allowed here";
    t.File("root/d/inner/m/kept", 1000);
    const auto doc = Search(t.Path("root"));
    ASSERT_TRUE(doc);
    CMarkSet marks(*doc->GetRoot());
    marks.SetMarked(*Child(doc->GetRoot(), "d"), true);
    marks.SetMarked(*Child(doc->GetRoot(), "e"), true);

    const CFreedSpace freed = MeasureFreedSpace(marks.TopMarked());
    EXPECT_EQ(freed.nFrees,
              BlocksOnDisk(t.Path("root/d/f")) + BlocksOnDisk(t.Path("root/d/inner/g"))
                  + BlocksOnDisk(t.Path("root/e")))
        << "d and d/inner hold the mount point: they stay";
    ASSERT_EQ(freed.staying.size(), 1u);
    EXPECT_EQ(freed.staying[0]->GetPath(), t.Path("root/d/inner/m"));
    ASSERT_EQ(freed.devices.size(), 1u) << "nothing of the mounted file system is freed";
    EXPECT_EQ(freed.devices[0].strTop, t.Path("root"));

    std::vector<CRemoveLeft> left;
    EXPECT_EQ(DeleteAll(marks.TopMarked(), left), freed.nFrees);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, t.Path("root/d/inner/m"));
    EXPECT_EQ(left[0].reason, CRemoveLeft::Reason::OtherFileSystem);
    EXPECT_TRUE(Exists(t.Path("root/d/inner/m/kept")));
    EXPECT_FALSE(Exists(t.Path("root/d/f")) || Exists(t.Path("root/d/inner/g")) || Exists(t.Path("root/e")));
}

// A saved search may cross file systems below its root: each keeps its own share.
TEST(FreedSpace, EachFileSystemGetsItsOwnShare)
{
    CEntry* root = MakeRoot("/r");
    root->SetIdentity(1, 2);
    CEntry* a = AddEntry(*root, "a", 0, true);
    a->SetIdentity(1, 3);
    AddEntry(*a, "f", 100)->SetIdentity(1, 4);
    CEntry* m = AddEntry(*a, "m", 0, true);
    m->SetIdentity(2, 1);
    AddEntry(*m, "g", 300)->SetIdentity(2, 5);
    CEntry* sub = AddEntry(*m, "sub", 0, true);  // no identity of its own: on m's device
    AddEntry(*sub, "h", 7);
    EXPECT_TRUE(m->StartsDevice());
    EXPECT_FALSE(a->StartsDevice());
    EXPECT_EQ(sub->GetChildren()[0]->GetDevice(), 2u);

    const CFreedSpace freed = MeasureFreedSpace({a});
    std::vector<std::tuple<std::uint64_t, std::string, std::int64_t>> shares;
    for (const auto& d : freed.devices)
        shares.emplace_back(d.device, d.strTop, d.nFrees);
    EXPECT_EQ(shares, (decltype(shares){{1, "/r", 100}, {2, "/r/a/m", 307}}));
    EXPECT_EQ(freed.nFrees, 407);

    // A copy read again is the same item on the same file system.
    CEntry* copy = CEntryArena::Of(*m).NewCopyForRereading(*m);
    std::uint64_t device = 0, inode = 0;
    ASSERT_TRUE(copy->GetIdentity(device, inode));
    EXPECT_EQ(device, 2u);
    EXPECT_EQ(inode, 1u);
    EXPECT_TRUE(copy->StartsDevice());
    CEntryArena::Of(*m).AbandonCopy(copy);
}
