#include "remote/FindListing.h"
#include "model/Entry.h"
#include "model/EntryArena.h"
#include "support/DocHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::string_literals;

namespace {
// A record as find writes it with its depth and name.
std::string RecAt(const std::string& type, const std::string& depth, const std::string& name,
                  const std::string& size = "10", const std::string& device = "7", const std::string& links = "1")
{
    return type + " " + size + " 8 100.5 200.25 300.0 -1.-000000010 " + device + " 42 " + links + " " + depth + " "
        + name + std::string(1, '\0');
}

// The record of the item at path, the start being the one at depth 0 ("/s").
std::string Rec(const std::string& type, const std::string& path, const std::string& size = "10",
                const std::string& device = "7", const std::string& links = "1")
{
    const auto depth = std::count(path.begin(), path.end(), '/') - 1;
    return RecAt(type, std::to_string(depth), path.substr(path.rfind('/') + 1), size, device, links);
}

struct Listing {
    CEntryArena arena;
    CEntry* root = arena.NewEntry();
    std::unique_ptr<CFindListing> listing;
    explicit Listing(const std::string& start = "/s")
    {
        root->InitAsRoot("h:" + start);
        listing = std::make_unique<CFindListing>(arena, root, start);
    }
    // Fed in pieces of n bytes, so that records are cut anywhere.
    bool Read(const std::string& stream, std::size_t n = 3)
    {
        for (std::size_t i = 0; i < stream.size(); i += n)
            if (!listing->Feed(std::string_view(stream).substr(i, n)))
                return false;
        return listing->Finish();
    }
};
}  // namespace

// A listing as find writes it, cut into pieces anywhere: entries as the walk makes them,
// sorted, totals added, times (birth unknown: the change time), a second device as a
// mount point, hard links counted once on disk, and find's "Permission denied" lines
// marking their directories unreadable.
TEST(FindListing, BuildsTheTreeAsTheWalkDoes)
{
    Listing l;
    const std::string stream = Rec("d", "/s") + Rec("f", "/s/b") + Rec("d", "/s/a dir") + Rec("f", "/s/a dir/x\ny")
        + Rec("d", "/s/a dir/locked") + Rec("d", "/s/mnt", "4096", "9") + Rec("f", "/s/l1", "10", "7", "2")
        + Rec("f", "/s/l2", "10", "7", "2") + Rec("l", "/s/\xff-link", "3");
    l.listing->NoteErrorLine("find: '/s/a dir/locked': Permission denied");
    l.listing->NoteErrorLine("find: '/elsewhere': Permission denied");
    ASSERT_TRUE(l.Read(stream)) << l.listing->GetError();
    EXPECT_EQ(Names(l.root->GetChildren()), (std::vector<std::string>{"a dir", "b", "l1", "l2", "mnt", "\xff-link"}));
    EXPECT_EQ(l.listing->GetFileCount(), 5);
    EXPECT_EQ(l.listing->GetDirectoryCount(), 3);
    EXPECT_EQ(l.root->GetLength(), 10 + 10 + 10 + 10 + 3);
    EXPECT_EQ(l.root->GetDiskSize(), 7 * 4096) << "every item's blocks, the links' once";
    const CEntry* x = EntryAtPath(l.root, "a dir/x\ny");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->GetModifiedTime().GetTime(), 100);
    EXPECT_EQ(x->GetAccessedTime().GetTime(), 200);
    EXPECT_EQ(x->GetCreatedTime().GetTime(), 300);
    EXPECT_TRUE(EntryAtPath(l.root, "a dir/locked")->IsUnreadable());
    EXPECT_FALSE(EntryAtPath(l.root, "a dir")->IsUnreadable());
    EXPECT_TRUE(EntryAtPath(l.root, "mnt")->IsMountPoint());
    EXPECT_TRUE(EntryAtPath(l.root, "l2")->IsLinkRepeat() || EntryAtPath(l.root, "l1")->IsLinkRepeat());
    EXPECT_EQ(FindBadTotal(l.root), nullptr);
}

// What a hostile or broken server may send: each is refused with a message, never a
// crash or a tree that lies.
TEST(FindListing, RefusesHostileStreams)
{
    const std::string start = Rec("d", "/s");
    struct Case {
        std::string stream;
        const char* says;
    };
    const Case cases[] = {
        {"", "empty"},
        {Rec("f", "/s"), "not a directory"},
        {RecAt("d", "1", "t"), "at depth 1 where the folder searched was expected"},
        {start + RecAt("f", "0", "x"), "is not inside a directory listed before it"},
        {start + Rec("f", "/s/a/b"), "is not inside a directory listed before it"},
        {start + Rec("f", "/s/"), "not a file name"},
        {start + Rec("f", "/s/.."), "not a file name"},
        {start + RecAt("f", "1", "a/b"), "\"a/b\" is not a file name"},
        {start + RecAt("f", "-1", "x"), "the depth \"-1\" is not a whole number"},
        {start + Rec("f", "/s/x", "12z"), "is not a whole number"},
        {start + Rec("f", "/s/x", "-1"), "is not a whole number"},
        {start + Rec("f", "/s/x", "99999999999999999999"), "is not a whole number"},
        {start + Rec("f", "/s/x", "9223372036854775808"), "too large"},
        {start + Rec("ff", "/s/x"), "not one letter"},
        {start + "f 1 2 3\0"s, "too few fields"},
        {start + Rec("d", "/s/a") + Rec("f", "/s/a/x").substr(0, 20), "stops inside"},
        {start + Rec("d", "/s/a") + Rec("f", "/s/b") + Rec("f", "/s/a/late"), "not inside a directory listed before"},
        {start + std::string(CFindListing::kMaxRecord + 1, 'x'), "longer than"},
    };
    for (const Case& c : cases) {
        Listing l;
        EXPECT_FALSE(l.Read(c.stream, 4096)) << c.says;
        EXPECT_NE(l.listing->GetError().find(c.says), std::string::npos) << l.listing->GetError();
    }
    // Absurd depth: refused at the limit, not followed down to the end of memory.
    for (const std::size_t depth : {50u, 51u}) {
        std::string deep = start;
        std::string path = "/s";
        for (std::size_t i = 0; i < depth; ++i) {
            path += "/d";
            deep += Rec("d", path);
        }
        Listing l;
        l.listing->SetMaxDepth(50);
        EXPECT_EQ(l.Read(deep, 1 << 20), depth == 50) << depth;
        EXPECT_EQ(l.listing->GetError().find("deeper than 50 levels") != std::string::npos, depth > 50);
    }
}
