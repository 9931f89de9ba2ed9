// The read-ahead's batches: every item comes back with the name and status it was added
// with, however far its values reach, and the common ones take no room beyond 32 bytes.
#include "sys/ListingChunk.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace {
auto Fields(const CFileStatus& s)
{
    return std::make_tuple(s.directory, s.fsKind, s.links, s.size, s.created.GetTime(), s.modified.GetTime(),
                           s.accessed.GetTime(), s.device, s.allocated, s.inode);
}

CFileStatus File(std::int64_t size, std::int64_t allocated, std::int64_t time, std::uint64_t inode)
{
    CFileStatus s;
    s.links = 1;
    s.size = size;
    s.allocated = allocated;
    s.created = s.modified = s.accessed = CTime(time);
    s.device = 0x801;
    s.inode = inode;
    return s;
}

CFileStatus Directory(std::uint64_t device, EFsKind kind = EFsKind::Same)
{
    CFileStatus s;
    s.directory = true;
    s.allocated = 4096;
    s.created = CTime(1);
    s.modified = CTime(2);
    s.accessed = CTime(3);
    s.device = device;
    s.fsKind = kind;
    s.inode = 77;
    return s;
}

struct Item {
    std::string name;
    CFileStatus status;
    bool bWide;
};

std::vector<Item> Items()
{
    constexpr std::int64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
    const auto with = [](CFileStatus s, auto change) {
        change(s);
        return s;
    };
    CFileStatus dots;  // the listing's own entries carry no status
    dots.directory = true;
    return {
        {".", dots, false},
        {"..", dots, false},
        {"plain", File(12345, 16384, 1700000000, 42), false},
        {"empty", File(0, 0, 0, 1), false},
        {"at the 32-bit edges", File(kMax32, kMax32 * 512, kMax32, ~std::uint64_t{0}), false},
        {"4 GiB", File(kMax32 + 1, 4096, 5, 9), true},
        {"blocks past 32 bits", File(10, (kMax32 + 1) * 512, 5, 9), true},
        {"counted in bytes", File(1000, 1000, 5, 9), true},
        {"before 1970", File(1, 512, -1, 9), true},
        {"from 2106", File(1, 512, kMax32 + 1, 9), true},
        {"only modified from 2106", with(File(1, 512, 5, 9), [](CFileStatus& s) { s.modified = CTime(kMax32 + 1); }),
         true},
        {"several names", with(File(1, 512, 5, 9), [](CFileStatus& s) { s.links = 3; }), true},
        {"status unreadable", with(CFileStatus{}, [](CFileStatus& s) { s.links = 0; }), true},
        {"dir", Directory(0x801), false},
        {"mount point", Directory(0x900, EFsKind::Local), true},
        {"bind of another device", Directory(0x900), true},
        {std::string(255, 'L'), File(3, 512, 5, 9), false},
        {std::string(256, 'M'), File(3, 512, 5, 9), true},
        {"after the long names", File(4, 512, 6, 10), false},
    };
}
}  // namespace

TEST(ListingChunk, GivesBackEveryItemAsAddedAndKeepsOnlyTheRareOnesWhole)
{
    const std::vector<Item> items = Items();
    CListingChunk chunk;
    chunk.Reserve(4, 16);  // too little: it grows
    std::size_t nWide = 0;
    for (const Item& item : items) {
        chunk.Add(item.name, item.status);
        nWide += item.bWide ? 1 : 0;
    }
    ASSERT_EQ(chunk.Size(), items.size());
    EXPECT_EQ(chunk.WideCount(), nWide);
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(items[i].name);
        EXPECT_EQ(chunk.NameOf(chunk.At(i)), items[i].name);
        CFileStatus got = Directory(5);  // every field is overwritten
        chunk.StatusOf(chunk.At(i), got);
        EXPECT_EQ(Fields(got), Fields(items[i].status));
    }
    // A batch is made again from the start, its device that of its first known item.
    chunk.Clear();
    EXPECT_TRUE(chunk.Empty());
    chunk.Add("x", Directory(0x900));
    chunk.Add("y", File(1, 512, 5, 9));
    CFileStatus got;
    chunk.StatusOf(chunk.At(0), got);
    EXPECT_EQ(got.device, 0x900u);
    chunk.StatusOf(chunk.At(1), got);
    EXPECT_EQ(Fields(got), Fields(File(1, 512, 5, 9)));
    EXPECT_EQ(chunk.WideCount(), 1u);
}
