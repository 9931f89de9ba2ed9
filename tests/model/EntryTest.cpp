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

// Directories keep inode numbers of any size, in every block; a file keeps none of its own
// (a deletion looks at it again), but one with several names answers its link's. A place
// freed and made again never keeps its old number.
TEST(Entry, IdentitiesOfDirectoriesOfAnyInodeNumberRoundTripInEveryBlockAndAfterReuse)
{
    const std::uint64_t inodes[] = {1, 0xFFFFFFFF, std::uint64_t{1} << 32, 0x123400000001, ~std::uint64_t{0}, 77};
    CEntryArena arena;
    CEntry& root = NewRoot(arena, "/");
    root.SetIdentity(9, 2);
    std::vector<std::pair<CEntry*, std::uint64_t>> made;
    for (int i = 0; i < 70000; ++i) {
        // Spread over the blocks, between files that have an identity too.
        const bool bDir = i % 997 == 0 && (i / 20000) % 2 == 0;
        CEntry* e = Add(&root, "f", bDir);
        const std::uint64_t inode = bDir ? inodes[made.size() % std::size(inodes)] : 1000 + i;
        e->SetIdentity(9, inode);
        if (bDir)
            made.emplace_back(e, inode);
    }
    ASSERT_GT(made.size(), 30u);
    // Set again out of order: each keeps the last.
    for (std::size_t i = made.size(); i-- > 0;)
        if (i % 2 == 0)
            made[i].first->SetIdentity(9, made[i].second);
    for (const auto& [e, inode] : made) {
        std::uint64_t device = 0, got = 0;
        EXPECT_TRUE(e->GetIdentity(device, got));
        EXPECT_EQ(std::make_pair(device, got), std::make_pair(std::uint64_t{9}, inode)) << CEntryArena::PlaceOf(*e);
    }
    std::uint64_t device = 0, inode = 0;
    EXPECT_FALSE(root.GetChildren()[1]->GetIdentity(device, inode)) << "a file with one name keeps none";
    EXPECT_EQ(root.GetChildren()[1]->GetDevice(), 9u);
    CEntry* linked = Add(&root, "linked", false);
    linked->SetIdentity(9, 4444);
    linked->SetHardLink({9, 4444, 2}, 512);
    EXPECT_TRUE(linked->GetIdentity(device, inode));
    EXPECT_EQ(std::make_pair(device, inode), std::make_pair(std::uint64_t{9}, std::uint64_t{4444}));
    // Freed and made again in the same place: a new item's number, or none.
    for (const auto& [e, old] : made) {
        root.RemoveChild(e);
        arena.Free(e);
        CEntry* again = Add(&root, "g", true);
        ASSERT_EQ(again, e) << "the freed place is made again";
        EXPECT_FALSE(again->GetIdentity(device, inode)) << old;
        again->SetIdentity(9, 5);
        EXPECT_TRUE(again->GetIdentity(device, inode));
        EXPECT_EQ(inode, 5u) << old;
    }
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

    // Names alike in their first eight bytes, prefixes of each other, bytes at both ends of
    // the range: sorted as the names compare.
    std::vector<std::string> odd = {"abcdefghij2", "ABCDEFGHIJ1", "abcdefgh", "abcdefgh\x01", "abcdefg", "\xff",
                                    "\x7f",        "Z",           "a",        "abcdefgH0"};
    CEntry* dir = Add(&root, "odd", true);
    for (const std::string& name : odd)
        Add(dir, name, false, 1);
    SortChildrenByName(*dir);
    std::sort(odd.begin(), odd.end(),
              [](const std::string& a, const std::string& b) { return CompareNames(a, b) < 0; });
    std::vector<std::string> sorted;
    for (const CEntry* c : dir->GetChildren())
        sorted.emplace_back(c->GetName());
    EXPECT_EQ(sorted, odd);
}

// Children are kept as places in the arena, turned back into entries through its table of
// blocks: the same entries, in the same order, from whichever block, for every way the
// program walks them.
TEST(Entry, ChildrenInEveryBlockIterateAsTheEntriesTheyAre)
{
    CEntryArena arena, other;
    CEntry& root = NewRoot(arena, "/");
    CEntry* dir = Add(&root, "dir", true);
    std::vector<CEntry*> kids;
    for (int i = 0; i < 60000; ++i) {
        CEntry* e = Add(i % 3 == 0 ? dir : &root, "f" + std::to_string(i), false, 1);
        if (i % 3 == 0)
            kids.push_back(e);
    }
    const CEntryChildren& children = dir->GetChildren();
    ASSERT_EQ(children.size(), kids.size());
    EXPECT_GT(CEntryArena::PlaceOf(*kids.back()), 2 * CEntryArena::PlaceOf(*kids[kids.size() / 3]))
        << "the children lie in several blocks";
    EXPECT_TRUE(std::equal(kids.begin(), kids.end(), children.begin(), children.end()));
    EXPECT_TRUE(std::equal(kids.rbegin(), kids.rend(), std::make_reverse_iterator(children.end()),
                           std::make_reverse_iterator(children.begin())));
    const std::vector<const CEntry*> copied(children.begin(), children.end());
    EXPECT_TRUE(std::equal(kids.begin(), kids.end(), copied.begin(), copied.end()));
    for (const std::size_t i : {std::size_t{0}, kids.size() / 2, kids.size() - 1}) {
        EXPECT_EQ(children[i], kids[i]) << i;
        EXPECT_EQ(*(children.begin() + static_cast<std::ptrdiff_t>(i)), kids[i]) << i;
    }
    EXPECT_EQ(std::make_pair(children.front(), children.back()), std::make_pair(kids.front(), kids.back()));
    EXPECT_EQ(children.end() - children.begin(), static_cast<std::ptrdiff_t>(kids.size()));

    // Sorted by name, they are found by binary search like any sorted range.
    SortChildrenByName(*dir);
    const auto it =
        std::lower_bound(children.begin(), children.end(), std::string_view("f30000"),
                         [](const CEntry* e, std::string_view name) { return CompareNames(e->GetName(), name) < 0; });
    ASSERT_NE(it, children.end());
    EXPECT_EQ((*it)->GetName(), "f30000");
    EXPECT_TRUE(std::is_sorted(children.begin(), children.end(), [](const CEntry* a, const CEntry* b) {
        return CompareNames(a->GetName(), b->GetName()) < 0;
    }));
    // An entry of another arena is never a child, whatever its place.
    NewRoot(other, "/");
    CEntry* stranger = other.NewEntry();
    ASSERT_EQ(CEntryArena::PlaceOf(*stranger), CEntryArena::PlaceOf(*dir));
    EXPECT_FALSE(root.RemoveChild(stranger));
    EXPECT_FALSE(root.ReplaceChild(stranger, kids[0]));
    EXPECT_EQ(root.GetChildren().front(), dir);
}

TEST(Entry, TimesAndNamesOfAnyRangeAndLengthRoundTrip)
{
    CEntryArena arena;
    CEntry& root = NewRoot(arena, std::string(70000, '/'));
    EXPECT_EQ(root.GetName().size(), 70000u) << "a root path longer than any name";
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    // Around the ends of the packed range (unsigned 32 bits, its last two values reserved)
    // and far beyond it.
    const std::int64_t times[] = {
        0,    -1,   -34560000, 4102444800, 4294967293, 4294967294, 4294967295, 4294967296, -(std::int64_t{1} << 39),
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

TEST(Entry, UnknownTimesReadAsNothingWhateverTheirRange)
{
    CEntryArena arena;
    CEntry& root = NewRoot(arena, "/");
    EXPECT_EQ(std::make_tuple(root.HasModifiedTime(), root.GetModifiedText(), root.GetCreatedTime().GetTime()),
              std::make_tuple(false, std::string(), std::int64_t{0}))
        << "a root has no times of its own";
    for (const std::int64_t t : {std::int64_t{1704067200}, std::int64_t{-5}}) {
        CEntry* e = Add(&root, "f", false);
        e->SetTimes(CTime(t), CTime(t), CTime(t));
        e->SetUnknownTimes(2);
        const CEntry* copy = arena.NewCopyForRereading(*e);
        for (const CEntry* p : {static_cast<const CEntry*>(e), copy}) {
            EXPECT_EQ(std::make_tuple(p->HasModifiedTime(), p->GetModifiedText(), p->GetModifiedTime().GetTime(),
                                      p->GetCreatedTime().GetTime(), p->GetAccessedTime().GetTime()),
                      std::make_tuple(false, std::string(), std::int64_t{0}, t, t))
                << t;
        }
        e->SetUnknownTimes(0);
        EXPECT_TRUE(e->HasModifiedTime()) << t;
    }
}

// Lengths take 40 bits and sizes on disk 32, counted in blocks of 512 bytes or, when a
// reader counts otherwise, in bytes; anything beyond is kept exactly all the same.
TEST(Entry, SizesOfAnyMagnitudeAreKeptExactlyAndTotalsCrossEveryForm)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t k2T = std::int64_t{1} << 41;  // the first size on disk in blocks beyond them
    const std::pair<std::int64_t, std::int64_t> sizes[] = {
        {0, 0},
        {1, 4096},
        {(std::int64_t{1} << 40) - 1, k2T - 512},
        {std::int64_t{1} << 40, k2T},
        {511, 511},
        {4294967295, 4294967295},
        {4294967297, 4294967297},
        {kMax, kMax},
    };
    CEntryArena arena;
    CEntry& root = NewRoot(arena, "/");
    for (const auto& [nLength, nDisk] : sizes) {
        CEntry* dir = Add(&root, "d", true);
        CFoundItem item = Item("f", false, nLength);
        item.nAllocated = nDisk;
        CEntry* f = arena.NewEntry();
        f->InitFromItem(dir, item);
        dir->AppendChild(f);
        for (const CEntry* e : {f, dir, &root})
            EXPECT_EQ(std::make_pair(e->GetLength(), e->GetDiskSize()), std::make_pair(nLength, nDisk))
                << nLength << " " << nDisk << " at " << e->GetName();
        // Taken out again, every total goes back to its small form.
        dir->RemoveChild(f);
        f->SubtractFromAncestors();
        arena.Free(f);
        EXPECT_EQ(std::make_pair(root.GetLength(), root.GetDiskSize()),
                  std::make_pair(std::int64_t{0}, std::int64_t{0}))
            << nLength << " " << nDisk;
        root.RemoveChild(dir);
        arena.Free(dir);
    }
    // Totals grow past each form one file at a time, and shrink back.
    CEntry* dir = Add(&root, "d", true);
    std::vector<CEntry*> files;
    for (int i = 0; i < 5; ++i) {
        CFoundItem item = Item("f", false, std::int64_t{1} << 46);
        item.nAllocated = k2T / 4 + (i == 4 ? 1 : 0);
        files.push_back(arena.NewEntry());
        files.back()->InitFromItem(dir, item);
    }
    EXPECT_EQ(std::make_pair(root.GetLength(), root.GetDiskSize()),
              std::make_pair(5 * (std::int64_t{1} << 46), 5 * (k2T / 4) + 1));
    for (int i = 0; i < 4; ++i)
        dir->AddSize(-files[static_cast<std::size_t>(i)]->GetLength(),
                     -files[static_cast<std::size_t>(i)]->GetDiskSize());
    EXPECT_EQ(std::make_pair(root.GetLength(), dir->GetDiskSize()), std::make_pair(std::int64_t{1} << 46, k2T / 4 + 1));
}
