#include "sys/SafeRemove.h"
#include "support/DescriptorLimit.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"
#include "sys/LastError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Identity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

Identity IdentityOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return {st.st_dev, st.st_ino};
}

CRemoveResult Remove(const TempTree& t, const std::vector<std::string>& names, const Identity& identity)
{
    return SafeRemove(t.Path("root"), names, identity.device, identity.inode);
}
}  // namespace

TEST(SafeRemove, RemovesATreeButNeverWhatALinkNamesNorAFileWithANameLeft)
{
    TempTree t;
    t.Files({{"root/item/f", 3000}, {"root/item/sub/g", 100}, {"outside/target", 10}, {"outside/shared", 2000}});
    t.Symlink("root/item/link", t.Path("outside/target"));
    t.Symlink("root/item/dirlink", t.Path("outside"));
    ASSERT_EQ(::link(t.Path("outside/shared").c_str(), t.Path("root/item/sub/shared").c_str()), 0);
    std::int64_t nExpected = 0;  // every block but the shared file's, whose other name stays
    for (const char* relative : {"item", "item/f", "item/sub", "item/sub/g", "item/link", "item/dirlink"})
        nExpected += BlocksOnDisk(t.Path("root/") + relative);

    const CRemoveResult result = Remove(t, {"item"}, IdentityOf(t.Path("root/item")));
    EXPECT_TRUE(result.bRemoved);
    EXPECT_TRUE(result.left.empty());
    EXPECT_EQ(result.nFreed, nExpected);
    EXPECT_FALSE(Exists(t.Path("root/item")));
    for (const char* relative : {"outside/target", "outside/shared"})
        EXPECT_EQ(SizeOnDisk(t.Path(relative)), relative == std::string("outside/target") ? 10 : 2000) << relative;

    // A link as the item: the link goes, what it names stays. A file below a folder: the
    // folder stays.
    t.Symlink("root/top", t.Path("outside/target"));
    t.File("root/a/b/c", 1);
    EXPECT_TRUE(Remove(t, {"top"}, IdentityOf(t.Path("root/top"))).bRemoved);
    EXPECT_TRUE(Remove(t, {"a", "b", "c"}, IdentityOf(t.Path("root/a/b/c"))).bRemoved);
    EXPECT_TRUE(Exists(t.Path("outside/target")) && Exists(t.Path("root/a/b")));
}

TEST(SafeRemove, AnItemReplacedSinceTheSearchIsLeftAlone)
{
    TempTree t;
    t.Files({{"root/file", 10}, {"root/dir/inside", 10}, {"root/other", 20}});
    t.Dir("root/otherdir");
    const Identity file = IdentityOf(t.Path("root/file"));
    const Identity dir = IdentityOf(t.Path("root/dir"));
    // Between the search and the deletion: another file and another folder take the names.
    ASSERT_EQ(::rename(t.Path("root/other").c_str(), t.Path("root/file").c_str()), 0);
    t.Remove("root/dir");
    ASSERT_EQ(::rename(t.Path("root/otherdir").c_str(), t.Path("root/dir").c_str()), 0);
    t.File("root/dir/new", 5);

    struct Case {
        std::vector<std::string> names;
        Identity identity;
        CRemoveLeft::Reason reason;
        int error;
    };
    const Case cases[] = {
        {{"file"}, file, CRemoveLeft::Reason::Replaced, 0},
        {{"dir"}, dir, CRemoveLeft::Reason::Replaced, 0},
        {{"file"}, {file.device, 0}, CRemoveLeft::Reason::Replaced, 0},  // no identity: never removed
        {{"gone"}, file, CRemoveLeft::Reason::Failed, ENOENT},
        {{"file", "below"}, file, CRemoveLeft::Reason::Failed, ENOTDIR},
        {{}, dir, CRemoveLeft::Reason::Failed, EINVAL},  // the root itself
    };
    for (const Case& c : cases) {
        const CRemoveResult result = Remove(t, c.names, c.identity);
        SCOPED_TRACE(c.names.empty() ? "(root)" : c.names.back());
        EXPECT_FALSE(result.bRemoved);
        EXPECT_EQ(result.nFreed, 0);
        ASSERT_EQ(result.left.size(), 1u);
        EXPECT_EQ(result.left[0].reason, c.reason);
        EXPECT_EQ(result.left[0].error, c.error);
        EXPECT_EQ(result.left[0].Text(), c.error != 0 ? ErrnoText(c.error) : "replaced since the search");
    }
    EXPECT_EQ(SizeOnDisk(t.Path("root/file")), 20);
    EXPECT_TRUE(Exists(t.Path("root/dir/new")));
}

TEST(SafeRemove, MountsBelowStayAndSoDoTheFoldersHoldingThem)
{
    TempTree t;
    t.Files(
        {{"root/item/f", 3000}, {"root/item/in/g", 100}, {"root/item/in/disk/.keep", 0}, {"elsewhere/precious", 7}});
    t.Dir("root/item/in/bound");
    ScopedMount disk = ScopedMount::SmallDisk(t.Path("root/item/in/disk"), 1 << 20);
    // A bind mount of a folder of the same file system: only the mount says it is elsewhere.
    ScopedMount bound = ScopedMount::Bind(t.Path("elsewhere"), t.Path("root/item/in/bound"));
    if (!disk.Mounted() || !bound.Mounted())
        GTEST_SKIP() << "mounting is not allowed here";
    t.File("root/item/in/disk/kept", 1000);
    const std::int64_t nExpected = BlocksOnDisk(t.Path("root/item/f")) + BlocksOnDisk(t.Path("root/item/in/g"));

    const CRemoveResult result = Remove(t, {"item"}, IdentityOf(t.Path("root/item")));
    EXPECT_FALSE(result.bRemoved);
    EXPECT_EQ(result.nFreed, nExpected);
    ASSERT_EQ(result.left.size(), 2u);
    for (const CRemoveLeft& left : result.left) {
        EXPECT_TRUE(left.path == t.Path("root/item/in/disk") || left.path == t.Path("root/item/in/bound")) << left.path;
        EXPECT_EQ(left.reason, CRemoveLeft::Reason::OtherFileSystem);
        EXPECT_EQ(left.Text(), "another file system is mounted there");
    }
    EXPECT_EQ(SizeOnDisk(t.Path("elsewhere/precious")), 7);
    EXPECT_EQ(SizeOnDisk(t.Path("root/item/in/disk/kept")), 1000);
    EXPECT_FALSE(Exists(t.Path("root/item/f")) || Exists(t.Path("root/item/in/g")));

    // The mount point as the item itself.
    const CRemoveResult mountItself = Remove(t, {"item", "in", "disk"}, IdentityOf(t.Path("root/item/in/disk")));
    ASSERT_EQ(mountItself.left.size(), 1u);
    EXPECT_EQ(mountItself.left[0].reason, CRemoveLeft::Reason::OtherFileSystem);
}

// Deeper than the directory stack keeps open, and with few descriptors to spare.
TEST(SafeRemove, ATreeDeeperThanTheDescriptorsThereAreGoesWhole)
{
    TempTree t;
    std::string relative = "root/deep";
    std::int64_t nExpected = 0;
    std::vector<std::string> dirs;
    for (int i = 0; i < 150; ++i) {
        t.File(relative + "/f", 600);
        dirs.push_back(relative);
        relative += "/d";
    }
    for (const std::string& dir : dirs)
        nExpected += BlocksOnDisk(t.Path(dir)) + BlocksOnDisk(t.Path(dir + "/f"));

    const CRemoveResult result = [&] {
        const ScopedDescriptorLimit few(12);
        return Remove(t, {"deep"}, IdentityOf(t.Path("root/deep")));
    }();
    EXPECT_TRUE(result.bRemoved);
    EXPECT_TRUE(result.left.empty()) << result.left.front().path << ": " << result.left.front().Text();
    EXPECT_EQ(result.nFreed, nExpected);
    EXPECT_FALSE(Exists(t.Path("root/deep")));
}
