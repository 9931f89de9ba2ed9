#include "sys/DiskSpace.h"

#include "support/ScopedMount.h"
#include "support/TempTree.h"

#include <QTest>
#include <gtest/gtest.h>
#include <latch>
#include <unistd.h>

// statvfs's figures come back in bytes; a mount point is told from a folder below one.
TEST(DiskSpace, ReadsTheFileSystemAndKnowsItsMountPoints)
{
    const std::pair<CDiskSpace, double> shares[] = {
        {{100, 25, 75, 0}, 0.25}, {{100, 0, 0, 0}, 0.0}, {{200, 100, 50, 0}, 100.0 / 150.0}};
    for (const auto& [figures, share] : shares)
        EXPECT_DOUBLE_EQ(figures.UsedShare(), share);
    TempTree t;
    t.Dir("disk");
    CDiskSpace space;
    EXPECT_FALSE(ReadDiskSpace(t.Path("missing"), space));
    EXPECT_FALSE(IsMountRoot(t.Path("missing")));
    const ScopedMount disk = ScopedMount::SmallDisk(t.Path("disk"), 1 << 20);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting needs privilege";
    t.File("disk/sub/f", 4096);
    ASSERT_TRUE(ReadDiskSpace(t.Path("disk/sub"), space));
    EXPECT_EQ(space.total, 1u << 20);
    EXPECT_EQ(space.used, static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE))) << "the file's one block";
    EXPECT_EQ(space.available, space.total - space.used);
    EXPECT_TRUE(IsMountRoot(t.Path("disk")));
    EXPECT_FALSE(IsMountRoot(t.Path("disk/sub")));
}

// A question that hangs keeps nobody waiting; its answer is there once it comes, whether or
// not anybody still asks.
TEST(DiskSpace, QueryNeverWaitsForAnAnswer)
{
    std::latch answer(1);  // held back until the test lets it come
    auto hanging = CDiskSpaceQuery::Start("/mnt/gone", [&](const std::string& path, CDiskSpace& space) {
        answer.wait();
        space.total = path.size();
        return true;
    });
    bool answered = false;
    CDiskSpace space;
    EXPECT_FALSE(hanging->Done(answered, space));
    answer.count_down();
    const auto done = [&](const CDiskSpaceQuery& query) {
        return QTest::qWaitFor([&] { return query.Done(answered, space); }, 10000);
    };
    ASSERT_TRUE(done(*hanging));
    EXPECT_TRUE(answered);
    EXPECT_EQ(space.total, 9u);
    ASSERT_TRUE(done(*CDiskSpaceQuery::Start("/x", [](const std::string&, CDiskSpace&) { return false; })));
    EXPECT_FALSE(answered);
}
