#include "doc/MetDirectories.h"

#include <gtest/gtest.h>

// A walk of a million directories notes each once: every one is met before only after it
// was noted, on its own device, however many the set grew through meanwhile.
TEST(MetDirectories, EachDirectoryIsMetBeforeOnlyOnItsOwnDeviceOnceNoted)
{
    CMetDirectories met;
    constexpr std::uint64_t kCount = 200000;
    // Inodes in sequence, as most file systems hand them out, and scattered ones.
    const auto inodeOf = [](std::uint64_t i) { return i % 2 == 0 ? i + 2 : (i << 40) | 7; };
    for (std::uint64_t i = 0; i < kCount; ++i)
        ASSERT_FALSE(met.Meet(2049, inodeOf(i))) << i;
    EXPECT_EQ(met.Size(), kCount);
    for (std::uint64_t i = 0; i < kCount; ++i)
        ASSERT_TRUE(met.Meet(2049, inodeOf(i))) << i;
    EXPECT_EQ(met.Size(), kCount);
    // The same inode on another file system is another directory; inode 0 is unknown.
    const struct {
        std::uint64_t device, inode;
        bool bMetBefore;
    } cases[] = {{2050, 2, false}, {2050, 2, true},  {2049, 2, true},          {0, 2, false},
                 {2049, 0, false}, {2049, 0, false}, {2051, kCount + 5, false}};
    for (const auto& c : cases)
        EXPECT_EQ(met.Meet(c.device, c.inode), c.bMetBefore) << c.device << ":" << c.inode;
    EXPECT_EQ(met.Size(), kCount + 3);
    met.Clear();
    EXPECT_EQ(met.Size(), 0u);
    EXPECT_FALSE(met.Meet(2049, 2));
}
