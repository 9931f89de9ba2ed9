#include "sys/DiskSpace.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <thread>

// statvfs's figures come back in bytes; a mount point is told from a folder below one.
TEST(DiskSpace, ReadsTheFileSystemAndKnowsItsMountPoints)
{
    TempTree t;
    t.Dir("sub");
    CDiskSpace space;
    ASSERT_TRUE(ReadDiskSpace(t.Path("sub"), space));
    EXPECT_GT(space.total, 0u);
    EXPECT_LE(space.used, space.total);
    EXPECT_LE(space.available, space.total);
    EXPECT_FALSE(ReadDiskSpace(t.Path("missing"), space));
    EXPECT_TRUE(IsMountRoot("/"));
    EXPECT_FALSE(IsMountRoot(t.Path("sub")));
    EXPECT_FALSE(IsMountRoot(t.Path("missing")));

    const std::pair<CDiskSpace, double> shares[] = {
        {{100, 25, 75, 0}, 0.25}, {{100, 0, 0, 0}, 0.0}, {{200, 100, 50, 0}, 100.0 / 150.0}};
    for (const auto& [figures, share] : shares)
        EXPECT_DOUBLE_EQ(figures.UsedShare(), share);
}

// A question that hangs keeps nobody waiting; its answer is there once it comes, whether or
// not anybody still asks.
TEST(DiskSpace, QueryNeverWaitsForAnAnswer)
{
    std::mutex mutex;
    std::condition_variable cv;
    bool release = false;
    auto hanging = CDiskSpaceQuery::Start("/mnt/gone", [&](const std::string& path, CDiskSpace& space) {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return release; });
        space.total = path.size();
        return true;
    });
    bool answered = false;
    CDiskSpace space;
    EXPECT_FALSE(hanging->Done(answered, space));
    {
        const std::lock_guard lock(mutex);
        release = true;
    }
    cv.notify_all();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!hanging->Done(answered, space) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(hanging->Done(answered, space));
    EXPECT_TRUE(answered);
    EXPECT_EQ(space.total, 9u);

    auto failing = CDiskSpaceQuery::Start("/x", [](const std::string&, CDiskSpace&) { return false; });
    while (!failing->Done(answered, space) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(failing->Done(answered, space));
    EXPECT_FALSE(answered);
}
