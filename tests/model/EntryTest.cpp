#include "model/Entry.h"
#include "model/EntryArena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <memory>
#include <tuple>

namespace {
// One made-up item, the way the walk hands items to entries.
CFoundItem Item(std::string_view name, bool dir, std::int64_t size, std::int64_t t = 0)
{
    CFoundItem item;
    item.name = name;
    item.bDirectory = dir;
    item.nLength = item.nAllocated = size;
    item.created = CTime(t);
    item.modified = CTime(t + 1);
    item.accessed = CTime(t + 2);
    return item;
}

CEntry* Add(CEntry* parent, const std::string& name, bool dir, std::int64_t size = 0)
{
    CEntry* e = CEntryArena::Of(*parent).NewEntry();
    e->InitFromItem(parent, Item(name, dir, size, 100));
    parent->AppendChild(e);
    return e;
}

CEntry& NewRoot(CEntryArena& arena, const std::string& path)
{
    CEntry* pRoot = arena.NewEntry();
    pRoot->InitAsRoot(path);
    return *pRoot;
}
}  // namespace

TEST(Entry, TotalsFollowEveryFileUpTheChain)
{
    CEntryArena arena;
    CEntry& root = NewRoot(arena, "/");
    CEntry* a = Add(&root, "a", true);
    CEntry* b = Add(a, "b", true);
    CEntry* c = Add(b, "c", true);
    Add(b, "empty", false, 0);
    EXPECT_EQ(root.GetSize(), 0);
    EXPECT_EQ(b->GetSize(), 0) << "a file of length 0 adds nothing";

    CEntry* f = Add(c, "f.bin", false, 1000);
    EXPECT_EQ(f->GetDepth(), 4);
    for (const CEntry* e : {f, c, b, a, &root})
        EXPECT_EQ(e->GetSize(), 1000) << e->GetName();

    CEntry* big = Add(a, "huge.iso", false, 5000000000LL);
    EXPECT_EQ(root.GetSize(), 5000001000LL);
    EXPECT_EQ(big->GetSizeText(), "4.66G");

    // Removing a child's total from its parent restores every ancestor.
    a->AddSize(-big->GetSize());
    for (const CEntry* e : {&root, a, c})
        EXPECT_EQ(e->GetSize(), 1000) << e->GetName();

    // Lengths near 2^63 (sparse files) stop a total at the largest value, never wrap it.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    CEntry* huge = Add(c, "huge1", false, kMax - 10);
    Add(b, "huge2", false, kMax - 10);
    for (const CEntry* e : {&root, a, b, c})
        EXPECT_EQ(e->GetSize(), kMax) << e->GetName();
    b->AddSize(-huge->GetSize());
    EXPECT_EQ(root.GetSize(), 10);
    c->AddSize(-kMax);
    EXPECT_EQ(root.GetSize(), 0) << "what stopped at the top comes down, never below nothing";
}

TEST(Entry, PathsAreComposedWithOneSeparatorIconsCachedAndBothKeptByTheCopyForRereading)
{
    for (const char* rootPath : {"/", "/home"}) {
        CEntryArena arena;
        CEntry& root = NewRoot(arena, rootPath);
        CEntry* d = Add(&root, "dir with space", true);
        CEntry* f = Add(d, "na\nme\xff", false, 42);
        const std::string base = std::string(rootPath) == "/" ? "" : rootPath;
        EXPECT_EQ(root.GetPath(), rootPath);
        EXPECT_EQ(f->GetPath(), base + "/dir with space/na\nme\xff") << "bytes kept exactly";

        d->SetColour(5);
        // Icons are looked up once per entry and state, directories with a trailing "/".
        static int nLookups;
        nLookups = 0;
        CEntry::SetIconLookup(nullptr);
        EXPECT_EQ(d->GetIconIndex(FALSE), -1) << "no lookup installed: nothing known yet";
        CEntry::SetIconLookup([](const std::string& path, BOOL bOpen, BOOL) {
            ++nLookups;
            return path.back() != '/' ? 3 : bOpen ? 8 : 7;
        });
        EXPECT_EQ((std::vector<int>{d->GetIconIndex(FALSE), d->GetIconIndex(TRUE), d->GetIconIndex(FALSE),
                                    d->GetIconIndex(TRUE), f->GetIconIndex(FALSE)}),
                  (std::vector<int>{7, 8, 7, 8, 3}));
        EXPECT_EQ(nLookups, 3);
        CEntry::SetIconLookup([](const std::string&, BOOL, BOOL) { return 0; });  // a copy keeps its own
        CEntry& copy = *arena.NewCopyForRereading(*d);
        EXPECT_EQ(copy.GetParent(), &root);
        EXPECT_EQ(copy.GetPath(), d->GetPath());
        EXPECT_EQ(copy.GetModifiedTime(), d->GetModifiedTime());
        EXPECT_EQ(std::vector<std::int64_t>({copy.GetDepth(), copy.IsDirectory(), copy.GetSize(),
                                             static_cast<std::int64_t>(copy.GetChildren().size()), copy.GetColour(),
                                             copy.GetIconIndex(FALSE), copy.GetIconIndex(TRUE)}),
                  std::vector<std::int64_t>({1, TRUE, 0, 0, 5, 7, 8}))
            << "the same identity, times, icons and colour; no contents";
        CEntry::SetIconLookup(nullptr);
        EXPECT_EQ(d->GetSize(), 42) << "the source is unchanged";
    }
}

TEST(Entry, DeepTreesAreFreedWithoutRecursionAndTheirRoomIsReused)
{
    CEntryArena arena;
    CEntry& root = NewRoot(arena, "/");
    const auto build = [&] {
        CEntry* p = Add(&root, "top", true);
        for (int i = 0; i < 200000; ++i)
            p = Add(p, i % 2 != 0 ? "d" : std::string(300, 'n'), true);
        Add(p, "leaf", false, 9);
        return p;
    };
    const CEntry* deepest = build();
    EXPECT_EQ(root.GetSize(), 9);
    EXPECT_EQ(deepest->GetDepth(), 200001);
    EXPECT_EQ(deepest->GetPath().size(), 4u + 100000u * (2 + 301));
    const std::size_t nReserved = arena.ReservedBytes();
    for (int round = 0; round < 3; ++round) {
        CEntry* top = root.GetChildren()[0];
        root.AddSize(-top->GetSize());
        ASSERT_TRUE(root.RemoveChild(top));
        arena.Free(top);  // would overflow the stack if freed recursively
        EXPECT_EQ(arena.EntryCount(), 1u);
        build();
    }
    EXPECT_EQ(arena.ReservedBytes(), nReserved) << "entries, names and arrays reused or given back";
}

// Every live entry has a place of its own below the arena's count of places, across
// blocks and after entries freed have been made again; another arena counts from 0.
TEST(Entry, EachLiveEntryHasAPlaceOfItsOwnInItsArena)
{
    CEntryArena arena, other;
    CEntry& root = NewRoot(arena, "/");
    CEntry* dir = Add(&root, "dir", true);
    for (int i = 0; i < 40000; ++i)
        Add(i % 2 == 0 ? dir : &root, "f" + std::to_string(i), false, 1);
    root.RemoveChild(dir);
    arena.Free(dir);
    for (int i = 0; i < 30000; ++i)
        Add(&root, "g" + std::to_string(i), false, 1);
    std::vector<std::size_t> places{CEntryArena::PlaceOf(root)};
    for (const CEntry* child : root.GetChildren())
        places.push_back(CEntryArena::PlaceOf(*child));
    ASSERT_EQ(places.size(), arena.EntryCount());
    EXPECT_LT(*std::max_element(places.begin(), places.end()), arena.PlaceCount());
    EXPECT_LE(arena.PlaceCount(), arena.EntryCount() + 16384) << "freed places are made again";
    std::sort(places.begin(), places.end());
    EXPECT_EQ(std::adjacent_find(places.begin(), places.end()), places.end()) << "two entries share a place";
    EXPECT_EQ(CEntryArena::PlaceOf(NewRoot(other, "/")), 0u);
}

// Names compare byte by byte after folding A-Z to a-z; bytes above ASCII sort after the letters.
TEST(Entry, ChildrenKeepListingOrderUntilSortedByNameThroughRemovalAndReplacement)
{
    CEntryArena arena;
    CEntry& root = NewRoot(arena, "/");
    std::vector<CEntry*> kids;
    for (const char* name : {"d", "B", "a", "_x", "c"})
        kids.push_back(Add(&root, name, false, 1));
    EXPECT_TRUE(std::equal(kids.begin(), kids.end(), root.GetChildren().begin(), root.GetChildren().end()));
    EXPECT_FALSE(root.HasSubdirectories() || kids[0]->HasSubdirectories());
    SortChildrenByName(root);
    const auto names = [&] {
        std::string joined;
        for (const CEntry* c : root.GetChildren())
            joined += std::string(c->GetName()) + " ";
        return joined;
    };
    EXPECT_EQ(names(), "_x a B c d ");
    EXPECT_TRUE(root.RemoveChild(kids[2]));
    EXPECT_FALSE(root.RemoveChild(kids[2]));
    EXPECT_EQ(names(), "_x B c d ");
    CEntry* fresh = arena.NewCopyForRereading(*kids[4]);
    fresh->SetName("C2");
    EXPECT_TRUE(root.ReplaceChild(kids[4], fresh));
    EXPECT_FALSE(root.ReplaceChild(kids[4], fresh));
    EXPECT_EQ(names(), "_x B C2 d ");
    Add(&root, "sub", true);
    EXPECT_TRUE(root.HasSubdirectories());
    const std::tuple<const char*, const char*, int> pairs[] = {
        {"abc", "ABD", -1}, {"Readme", "README", 0}, {"\xc3\xa9", "z", 1}, {"ab", "abc", -1}};
    for (const auto& [a, b, order] : pairs)
        EXPECT_EQ(std::clamp(CompareNames(a, b), -1, 1), order) << a << " " << b;
}

TEST(Entry, TimesAndNamesOfAnyRangeAndLengthRoundTrip)
{
    CEntryArena arena;
    CEntry& root = NewRoot(arena, std::string(70000, '/'));
    EXPECT_EQ(root.GetName().size(), 70000u) << "a root path longer than any name";
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const std::int64_t times[] = {
        0,    -1,   -34560000, 4102444800, (std::int64_t{1} << 39) - 1, -(std::int64_t{1} << 39), std::int64_t{1} << 39,
        kMin, kMax, 1704067200};
    for (std::size_t i = 0; i + 2 < std::size(times); ++i) {
        CEntry* e = Add(&root, std::string(i * 40, 'x'), false);
        e->SetTimes(CTime(times[i]), CTime(times[i + 1]), CTime(times[i + 2]));
        EXPECT_EQ(e->GetName(), std::string(i * 40, 'x'));
        EXPECT_EQ((std::vector<std::int64_t>{e->GetCreatedTime().GetTime(), e->GetModifiedTime().GetTime(),
                                             e->GetAccessedTime().GetTime()}),
                  (std::vector<std::int64_t>{times[i], times[i + 1], times[i + 2]}))
            << i;
        const CEntry* copy = arena.NewCopyForRereading(*e);
        EXPECT_EQ(copy->GetAccessedTime(), e->GetAccessedTime()) << i;
        e->SetTimes(CTime(1), CTime(2), CTime(3));
        EXPECT_EQ(e->GetAccessedTime().GetTime(), 3) << "from wide times back to packed ones";
    }
}
