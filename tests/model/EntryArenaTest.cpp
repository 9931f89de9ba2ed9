#include "model/EntryArena.h"
#include "model/Entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// An entry refers to its parent, its name and its children array in 32 bits each: these
// check that every reference finds what it was made for, wherever in the arena's blocks and
// chunks that lies, and that what a refresh or a delete gives back is made again.
namespace {
CEntry* Add(CEntry* parent, std::string_view name, bool dir, std::int64_t size = 0)
{
    CFoundItem item;
    item.name = name;
    item.bDirectory = dir;
    item.nLength = item.nAllocated = size;
    CEntry* e = CEntryArena::Of(*parent).NewEntry();
    e->InitFromItem(parent, item);
    parent->AppendChild(e);
    return e;
}

CEntry& NewRoot(CEntryArena& arena, std::string_view path)
{
    CEntry* pRoot = arena.NewEntry();
    pRoot->InitAsRoot(path);
    return *pRoot;
}

// Several of each, so that they fill more than one 64 KiB chunk of names.
std::string NameOf(std::size_t nLength, std::size_t i)
{
    std::string name(nLength, static_cast<char>('a' + i % 26));
    if (nLength > 0)
        name[nLength / 2] = static_cast<char>('0' + i % 10);
    return name;
}
}  // namespace

// Lengths at each edge of the stored forms: the length in the entry (up to 254), the one
// stored before the name, and past a quarter of a chunk, where a name is allocated alone.
TEST(EntryArena, NamesOfEveryLengthFindTheirBytesAndTheirRoomIsMadeAgain)
{
    const std::size_t lengths[] = {0, 1, 2, 254, 255, 256, 4000, 16379, 16380, 16381, 70000};
    CEntryArena arena;
    CEntry& root = NewRoot(arena, "/");
    std::vector<std::pair<CEntry*, std::string>> made;
    for (const std::size_t nLength : lengths)
        for (std::size_t i = 0; i < 9; ++i)
            made.emplace_back(Add(&root, NameOf(nLength, i), false, 1), NameOf(nLength, i));
    for (const auto& [e, name] : made) {
        EXPECT_EQ(e->GetName(), name) << name.size();
        e->SetName(e->GetName());  // renamed to a view of its own name
        EXPECT_EQ(e->GetName(), name) << name.size() << " renamed to itself";
    }
    const std::size_t nReserved = arena.ReservedBytes();
    // A refresh or a delete gives them back; the same names in other order reuse the room.
    for (int round = 0; round < 3; ++round) {
        for (auto& [e, name] : made) {
            root.RemoveChild(e);
            arena.Free(e);
        }
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            it->first = Add(&root, it->second, false, 1);
        for (const auto& [e, name] : made)
            ASSERT_EQ(e->GetName(), name) << name.size() << " after round " << round;
    }
    EXPECT_EQ(arena.ReservedBytes(), nReserved) << "names given back were made again";
    EXPECT_EQ(root.GetName(), "/");
}

// A name allocated alone takes a chunk number of its own: numbers given back are made
// again, or a long run of renames would run out of them.
TEST(EntryArena, LongNamesRenamedOverAndOverNeverRunOutOfRoom)
{
    CEntryArena arena;
    CEntry& root = NewRoot(arena, std::string(20000, '/'));
    CEntry* e = Add(&root, "f", false);
    const std::string big(20000, 'b');
    for (int i = 0; i < 70000; ++i) {
        e->SetName(big);
        e->SetName("f");
    }
    EXPECT_EQ(e->GetName(), "f");
    EXPECT_EQ(root.GetName().size(), 20000u);
}

// Children arrays at each edge: grown by doubling from 4, cut to size when sorted, and
// allocated alone from 4095 children on; parents in other blocks than their children.
TEST(EntryArena, ChildrenArraysOfEverySizeAndParentsInOtherBlocksFindTheirEntries)
{
    const std::size_t counts[] = {0, 1, 4, 5, 63, 64, 4094, 4095, 5000, 40000};
    CEntryArena arena;
    CEntry& root = NewRoot(arena, "/");
    std::vector<std::pair<CEntry*, std::vector<CEntry*>>> dirs;
    for (const std::size_t nCount : counts) {
        CEntry* dir = Add(&root, "d" + std::to_string(nCount), true);
        std::vector<CEntry*> kids;
        for (std::size_t i = 0; i < nCount; ++i)
            kids.push_back(Add(dir, "f" + std::to_string(nCount - i), false, 1));
        dirs.emplace_back(dir, kids);
    }
    const auto check = [&](const char* when) {
        for (const auto& [dir, kids] : dirs) {
            const CEntryChildren& children = dir->GetChildren();
            ASSERT_EQ(children.size(), kids.size()) << when;
            std::vector<const CEntry*> got(children.begin(), children.end()), want(kids.begin(), kids.end());
            std::sort(got.begin(), got.end());
            std::sort(want.begin(), want.end());
            EXPECT_EQ(got, want) << kids.size() << " " << when;
            EXPECT_EQ(dir->GetSize(), static_cast<std::int64_t>(kids.size())) << when;
            for (const CEntry* kid : kids)
                ASSERT_EQ(kid->GetParent(), dir) << kid->GetPath() << " " << when;
        }
    };
    check("in listing order");
    EXPECT_NE(&CEntryPlaces::HeaderOf(dirs.back().second.back()), &CEntryPlaces::HeaderOf(dirs.back().first))
        << "some children lie in another block than their parent";
    for (auto& [dir, kids] : dirs)
        SortChildrenByName(*dir);
    check("sorted");
    EXPECT_EQ(dirs.back().first->GetChildren().front()->GetPath(), "/d40000/f1");
    EXPECT_EQ(dirs[5].first->GetChildren().back()->GetName(), "f9");

    // Deleted and read again, in other order: the arrays given back are made again.
    const std::size_t nReserved = arena.ReservedBytes();
    for (int round = 0; round < 2; ++round) {
        for (auto it = dirs.rbegin(); it != dirs.rend(); ++it) {
            root.RemoveChild(it->first);
            it->first->SubtractFromAncestors();
            arena.Free(it->first);
            const std::size_t nCount = it->second.size();
            it->first = Add(&root, "d" + std::to_string(nCount), true);
            for (std::size_t i = 0; i < nCount; ++i)
                it->second[i] = Add(it->first, "f" + std::to_string(nCount - i), false, 1);
            SortChildrenByName(*it->first);
        }
        check("read again");
    }
    EXPECT_EQ(arena.ReservedBytes(), nReserved) << "arrays given back were made again";
    EXPECT_EQ(root.GetSize(), 4094 + 4095 + 5000 + 40000 + 63 + 64 + 1 + 4 + 5);
}
