#include "history/HistoryStore.h"
#include "doc/NcduWriter.h"
#include "doc/SearchSnapshot.h"
#include "history/HistoryNames.h"
#include "history/SavedSearch.h"
#include "support/DocHarness.h"
#include "support/EntryBuild.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <tuple>
#include <utime.h>

namespace {
constexpr std::int64_t kT0 = 1796565780;  // 2026-12-06T14:03:00Z
constexpr std::int64_t kHour = 3600;

CHistoryStore Store(const TempTree& data, std::size_t nPerRoot = 10, std::uint64_t nBytes = std::uint64_t{1} << 30)
{
    return CHistoryStore(data.Path("volra/history"), {nPerRoot, nBytes});
}

// A tree made by hand: the root and one file of nBytes.
const CEntry& HandTree(const std::string& root, std::int64_t nBytes)
{
    CEntry* pRoot = MakeRoot(root);
    AddEntry(*pRoot, "file", nBytes);
    return *pRoot;
}

void Keep(CHistoryStore& store, const CEntry& root, std::int64_t nFinished)
{
    std::string error;
    EXPECT_TRUE(store.Keep(CSearchSnapshot(root, nFinished), error)) << error;
}

std::vector<std::int64_t> Times(const std::vector<CKeptSearch>& kept)
{
    std::vector<std::int64_t> times;
    for (const CKeptSearch& k : kept)
        times.push_back(k.nFinished);
    return times;
}

void Age(const std::string& path, std::int64_t nSeconds)
{
    const time_t when = std::time(nullptr) - nSeconds;
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

// Entry by entry, in name order: what a saved search gives back of a tree.
void ExpectSameTree(const CEntry& a, const CEntry& b)
{
    const auto fields = [](const CEntry& e) {
        return std::make_tuple(std::string(e.GetName()), e.GetLength(), e.GetDiskSize(), e.IsDirectory(),
                               +e.GetColour(), e.GetModifiedTime().GetTime(), e.IsUnreadable(),
                               e.GetHardLink() != nullptr, ChildNames(&e));
    };
    ASSERT_EQ(fields(a), fields(b)) << a.GetPath();
    for (std::size_t i = 0; i < a.GetChildren().size(); ++i)
        ExpectSameTree(*a.GetChildren()[i], *b.GetChildren()[i]);
}
}  // namespace

// Only names the history makes are its own: written again from what they tell, they are
// the same bytes; any other is someone else's.
TEST(HistoryNames, FolderAndFileNamesMapBackAndNothingElseIsTakenForThem)
{
    EXPECT_EQ(EscapedFolderName("/"), "%2F");
    EXPECT_EQ(EscapedFolderName("/home/ann/"), "%2Fhome%2Fann");
    EXPECT_EQ(EscapedFolderName("/a b%\n\xff~"), "%2Fa%20b%25%0A%FF~");
    EXPECT_EQ(EscapedFolderName("relative"), "");
    EXPECT_EQ(EscapedFolderName("/" + std::string(100, '\x01')), "") << "longer than a file name may be";
    struct {
        const char* name;
        const char* root;  // null: not a name of ours
    } folders[] = {
        {"%2F", "/"},
        {"%2Fhome%2Fann", "/home/ann"},
        {"%2Fa%20b%25%0A%FF~", "/a b%\n\xff~"},
        {"%2fhome", nullptr},  // lower-case digits
        {"%2Fh%6Fme", nullptr},  // a byte escaped that needs none
        {"%2Fa b", nullptr},  // one left plain that does not
        {"%2Fx%2", nullptr},
        {"home", nullptr},
        {"h-0123456789abcdef", nullptr},
    };
    for (const auto& f : folders) {
        std::string root;
        EXPECT_EQ(RootOfEscapedName(f.name, root), f.root != nullptr) << f.name;
        EXPECT_EQ(root, f.root != nullptr ? f.root : "") << f.name;
    }
    const std::string hashed = HashedFolderName("/long", 1);
    EXPECT_EQ(hashed, HashedFolderName("/long///", 1));
    EXPECT_NE(hashed, HashedFolderName("/long2", 1));
    for (const std::string& name : {hashed, HashedFolderName("/long", 2), HashedFolderName("/long", 16)})
        EXPECT_TRUE(IsHashedFolderName(name)) << name;
    for (const std::string& name :
         {hashed + "-1", hashed + "-02", hashed + "x", hashed.substr(0, 10), std::string("%2F")})
        EXPECT_FALSE(IsHashedFolderName(name)) << name;

    EXPECT_EQ(KeptFileName({kT0, 1234, 4096}), "20261206T140300Z-1234-4096.json.gz");
    CKeptName kept;
    ASSERT_TRUE(ParseKeptFileName("20261206T140300Z-1234-4096.json.gz", kept));
    EXPECT_EQ(kept, (CKeptName{kT0, 1234, 4096}));
    ASSERT_TRUE(ParseKeptFileName("19700101T000000Z-0-0.json.gz", kept));
    EXPECT_EQ(kept, CKeptName{});
    for (const char* name : {
             "20261206T140300Z-01234-4096.json.gz",  // a leading zero
             "20261306T140300Z-1-2.json.gz",  // month 13
             "20260230T140300Z-1-2.json.gz",  // 30 February
             "20261206T240000Z-1-2.json.gz",
             "20261206t140300z-1-2.json.gz",
             "20261206T140300Z-1-2.json",
             "20261206T140300Z-1.json.gz",
             "20261206T140300Z--1-2.json.gz",
             "20261206T140300Z-1-2.json.gz.part",
             "20261206T140300Z-99999999999999999999-2.json.gz",  // beyond 64 bits
             "20261206T140300-1-2.json.gz",
             ".volra-a1b2c3",
         })
        EXPECT_FALSE(ParseKeptFileName(name, kept)) << name;
    EXPECT_TRUE(IsTemporaryName(".volra-a1B2c3"));
    EXPECT_FALSE(IsTemporaryName(".volra-a1B2c"));
}

// A root's searches are listed newest first, their times and totals read from the names;
// at most nPerRoot are kept, and across roots the oldest go first until the files fit in
// the space allowed.
TEST(HistoryStore, ListsNewestFirstAndKeepsToTheCountAndSpaceAcrossRoots)
{
    TempTree data;
    CHistoryStore store = Store(data, 3);
    const CEntry& a = HandTree("/srv/a", 5000);
    for (const std::int64_t t : {kT0 + kHour, kT0, kT0 + 3 * kHour, kT0 + 2 * kHour})
        Keep(store, a, t);
    const std::vector<CKeptSearch> kept = store.List("/srv/a/");
    EXPECT_EQ(Times(kept), (std::vector<std::int64_t>{kT0 + 3 * kHour, kT0 + 2 * kHour, kT0 + kHour}));
    for (const CKeptSearch& k : kept) {
        EXPECT_EQ(k.nLength, 5000);
        EXPECT_EQ(k.nDiskSize, a.GetDiskSize());
        EXPECT_GT(SizeOnDisk(k.strPath), 0) << k.strPath;
    }
    EXPECT_EQ(kept[0].strPath, data.Path("volra/history/%2Fsrv%2Fa/20261206T170300Z-5000-5000.json.gz"));
    EXPECT_TRUE(store.List("/srv").empty());

    const CEntry& b = HandTree("/srv/b", 7000);
    Keep(store, b, kT0 + 4 * kHour);
    Keep(store, b, kT0 + 5 * kHour);
    std::uint64_t nAll = 0;
    for (const auto* pRoot : {"/srv/a", "/srv/b"})
        for (const CKeptSearch& k : store.List(pRoot))
            nAll += static_cast<std::uint64_t>(SizeOnDisk(k.strPath));
    // One byte too many: the oldest of all (a's) goes; then room for about two files: the
    // two oldest left go, one of a's and then one of b's.
    Store(data, 3, nAll - 1).Prune();
    EXPECT_EQ(Times(store.List("/srv/a")), (std::vector<std::int64_t>{kT0 + 3 * kHour, kT0 + 2 * kHour}));
    EXPECT_EQ(Times(store.List("/srv/b")).size(), 2u);
    const std::uint64_t nNewest = static_cast<std::uint64_t>(SizeOnDisk(store.List("/srv/b")[0].strPath));
    Store(data, 3, nNewest).Prune();
    EXPECT_TRUE(store.List("/srv/a").empty());
    EXPECT_EQ(Times(store.List("/srv/b")), (std::vector<std::int64_t>{kT0 + 5 * kHour}));
    // Folders are the user's alone.
    struct stat st {};
    ASSERT_EQ(::stat(data.Path("volra/history/%2Fsrv%2Fb").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// Files the history did not make, or cannot read, are neither listed, counted nor removed,
// however old their names say they are; a temporary file (a write cut off by a crash) is
// never listed, and removed only once it is a day old.
TEST(HistoryStore, ForeignUnreadableAndHalfWrittenFilesAreLeftAloneAndNotListed)
{
    TempTree data;
    data.Chmod("", 0777);
    const CEntry& root = HandTree("/srv/c", 100);
    const std::string folder = "volra/history/%2Fsrv%2Fc/";
    Unprivileged user;  // so that permissions bite, and the files made here are this user's
    CHistoryStore store = Store(data, 1);
    Keep(store, root, kT0);
    const std::vector<std::string> planted = {
        "notes.txt",
        "20261206T140300Z-01-1.json.gz",  // not a name of ours
        "19990101T000000Z-1-1.json.gz",  // ours, but unreadable
        "19990101T000000Z-2-2.json.gz",  // ours, but a directory
        "19990101T000000Z-3-3.json.gz",  // ours, but a link
        ".volra-fresh1",  // a write under way, or cut off an hour ago
        ".volra-toolong",  // not a temporary name of ours
    };
    data.File(folder + planted[0], 10);
    data.File(folder + planted[1], 10);
    data.File(folder + planted[2], 10);
    data.Chmod(folder + planted[2], 0);
    data.Dir(folder + planted[3]);
    data.Symlink(folder + planted[4], store.List("/srv/c").at(0).strPath);
    data.File(folder + planted[5], 3);
    data.File(folder + planted[6], 3);
    data.File(folder + ".volra-stale1", 3);
    for (const std::string& name : planted)
        Age(data.Path(folder + name), 3 * 24 * kHour);
    Age(data.Path(folder + planted[5]), kHour);
    Age(data.Path(folder + ".volra-stale1"), 25 * kHour);

    Keep(store, root, kT0 + kHour);
    EXPECT_EQ(Times(store.List("/srv/c")), (std::vector<std::int64_t>{kT0 + kHour}));
    std::vector<std::string> expected = planted;
    expected.push_back("20261206T150300Z-100-100.json.gz");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(DirNames(data.Path(folder)), expected);
}

// Roots whose bytes differ only where a file name cannot show them, or whose paths are too
// long for a folder name, are kept apart, and every folder maps back to its root: a long
// root by the file inside its folder, which also tells it from another of the same hash.
TEST(HistoryStore, RootsWithAnyBytesAreKeptApartAndTheirFoldersMapBack)
{
    TempTree data;
    const std::string long1 = "/" + std::string(300, 'd');
    const std::string long2 = long1 + "/e";
    const std::vector<std::string> roots = {"/", "/x/a\nb", "/x/a%0Ab", "/x/\xff\xfe", long1, long2};
    const std::string history = data.Path("volra/history/");
    // Another root's folder where long2's would be, and a folder a crash left without its
    // root file where long1's would be.
    data.Dir("volra/history/" + HashedFolderName(long2, 1));
    WriteFile(history + HashedFolderName(long2, 1) + "/root", "/someone/else");
    data.Dir("volra/history/" + HashedFolderName(long1, 1));
    CHistoryStore store = Store(data);
    for (std::size_t i = 0; i < roots.size(); ++i)
        Keep(store, HandTree(roots[i], 100 * static_cast<std::int64_t>(i + 1)), kT0);

    for (std::size_t i = 0; i < roots.size(); ++i) {
        const std::vector<CKeptSearch> kept = store.List(roots[i]);
        ASSERT_EQ(kept.size(), 1u) << i;
        EXPECT_EQ(kept[0].nLength, 100 * static_cast<std::int64_t>(i + 1)) << i;
    }
    std::vector<std::string> expectedRoots = roots;
    expectedRoots.push_back("/someone/else");
    std::vector<std::string> found = store.Roots();
    std::sort(found.begin(), found.end());
    std::sort(expectedRoots.begin(), expectedRoots.end());
    EXPECT_EQ(found, expectedRoots);
    std::vector<std::string> folders = {"%2F",
                                        "%2Fx%2Fa%0Ab",
                                        "%2Fx%2Fa%250Ab",
                                        "%2Fx%2F%FF%FE",
                                        HashedFolderName(long1, 1),
                                        HashedFolderName(long2, 1),
                                        HashedFolderName(long2, 2)};
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(DirNames(history), folders);
    EXPECT_EQ(ReadFile(history + HashedFolderName(long1, 1) + "/root"), long1);
    EXPECT_EQ(ReadFile(history + HashedFolderName(long2, 2) + "/root"), long2);
}

// A kept search is the search: read back, every entry has its name, sizes, time and colour,
// and the export is the very one "Save search as" writes of the tree. A write cancelled
// midway leaves nothing behind.
TEST(HistoryStore, AKeptSearchReadsBackAsTheTreeAndACancelledOneLeavesNothing)
{
    TempTree tree, data;
    tree.Files({{"a.bin", 3000}, {"sub/b.txt", 1000}, {"sub/deeper/c", 24}, {"new\nline", 5}, {"\xff\xfe", 7}});
    tree.Dir("empty");
    tree.Dir("locked");
    ASSERT_EQ(::link(tree.Path("sub/b.txt").c_str(), tree.Path("b.link").c_str()), 0);
    const ScopedOpenHook hook([](const char* name) { return std::string_view(name) == "locked" ? EACCES : 0; });
    const auto doc = Search(tree.Root());
    ASSERT_NE(doc, nullptr);
    const CEntry& root = *doc->GetRoot();
    ASSERT_EQ(root.GetLength(), 3000 + 2 * 1000 + 24 + 5 + 7);
    ASSERT_TRUE(Child(&root, "locked")->IsUnreadable());
    const CSearchSnapshot snapshot(root, kT0);
    EXPECT_EQ(snapshot.EntryCount(), 11u);
    CHistoryStore store = Store(data);
    std::string error;
    ASSERT_TRUE(store.Keep(snapshot, error)) << error;
    const std::vector<CKeptSearch> kept = store.List(tree.Root());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].nLength, root.GetLength());
    EXPECT_EQ(kept[0].nDiskSize, root.GetDiskSize());
    EXPECT_EQ(ReadFile(kept[0].strPath).substr(0, 2), "\x1f\x8b") << "gzip";
    CSavedSearch saved;
    ASSERT_TRUE(saved.Read(kept[0].strPath, error)) << error;
    EXPECT_TRUE(saved.HasDiskSizes());
    ExpectSameTree(root, *saved.GetRoot());

    // The same bytes as the tree's own export, but for the time it was written.
    std::string texts[2];
    for (int k = 0; k < 2; ++k) {
        CNcduWriter writer;
        const std::string path = data.Path("plain" + std::to_string(k) + ".json");
        ASSERT_TRUE(writer.Open(path, error)) << error;
        ASSERT_TRUE(k == 0 ? writer.Write(root, error) : writer.Write(snapshot, error)) << error;
        texts[k] = ReadFile(path);
        texts[k].erase(0, texts[k].find('\n'));
    }
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_GT(texts[0].size(), 500u);

    // Cancelled: a tree far over the megabyte after which a write looks at its cancel flag.
    CEntry* pBig = MakeRoot("/big");
    for (int i = 0; i < 20000; ++i)
        AddEntry(*pBig, std::string(80, 'n') + std::to_string(i), i);
    const std::atomic<bool> cancel{true};
    EXPECT_FALSE(store.Keep(CSearchSnapshot(*pBig, kT0), error, &cancel));
    EXPECT_EQ(error, "cancelled");
    EXPECT_TRUE(store.List("/big").empty());
    EXPECT_EQ(DirNames(data.Path("volra/history/%2Fbig")), std::vector<std::string>{});
}
