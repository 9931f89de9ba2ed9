#include "model/SearchComparison.h"
#include "doc/NcduWriter.h"
#include "history/ChangeList.h"
#include "history/SavedSearch.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
// Real bytes, so that sizes on disk follow the lengths.
void Write(const TempTree& tree, const std::string& relative, std::size_t nBytes, bool bAppend = false)
{
    std::ofstream out(tree.Path(relative), bAppend ? std::ios::app | std::ios::binary : std::ios::binary);
    out << std::string(nBytes, 'x');
    ASSERT_TRUE(out.good()) << relative;
}

// The folder searched as the program searches it, saved, and read back as a comparison
// reads its earlier side.
void SaveSearch(const std::string& folder, const std::string& file, CSavedSearch& saved)
{
    const auto doc = Search(folder);
    ASSERT_NE(doc, nullptr);
    CNcduWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(file, error)) << error;
    ASSERT_TRUE(writer.Write(*doc->GetRoot(), error)) << error;
    ASSERT_TRUE(saved.Read(file, error)) << error;
}

std::string Relative(const CEntry& entry, const CEntry& root)
{
    return entry.GetPath().substr(root.GetPath().size() + 1);
}

std::vector<std::string> RemovedNames(const CSearchComparison& comparison, const CEntry* pDirectory)
{
    return Names(comparison.RemovedChildren(*pDirectory));
}
}  // namespace

// A tree changed at several depths between two searches: every item now knows its earlier
// length or that it is new, every item gone is found in its directory, a rename is one
// item gone and one new, a directory that became a file (and the reverse) is never
// matched, and names differing only in case are told apart.
TEST(SearchComparison, ItemsKnowTheirEarlierSizesOrThatTheyAreNew)
{
    TempTree tree, scratch;
    for (const char* dir : {"a", "a/b", "a/b/c", "g", "g/h", "swap"})
        tree.Dir(dir);
    Write(tree, "a/x", 1000);
    Write(tree, "a/b/c/deep", 3000);
    Write(tree, "top", 300);
    Write(tree, "gone", 700);
    Write(tree, "g/h/i", 100);
    Write(tree, "swap/in", 50);
    Write(tree, "todir", 10);
    Write(tree, "old-name", 400);
    Write(tree, "Readme", 10);
    CSavedSearch earlier;
    SaveSearch(tree.Root(), scratch.Path("earlier.json"), earlier);

    Write(tree, "a/x", 2000, true);
    Write(tree, "a/b/c/deep", 1000);
    Write(tree, "a/b/c/new", 222);
    tree.Remove("gone");
    for (const char* gone : {"g", "swap", "todir"})
        tree.Remove(gone);
    Write(tree, "swap", 20);
    tree.Dir("todir");
    Write(tree, "todir/k", 30);
    ASSERT_EQ(::rename(tree.Path("old-name").c_str(), tree.Path("new-name").c_str()), 0);
    Write(tree, "README", 20);
    const auto current = Search(tree.Root());
    ASSERT_NE(current, nullptr);

    const CSearchComparison comparison(*earlier.GetRoot(), *current->GetRoot());
    const struct {
        std::vector<std::string> path;
        std::int64_t nEarlier;  // -1: new
    } cases[] = {
        {{}, 1000 + 3000 + 300 + 700 + 100 + 50 + 10 + 400 + 10},
        {{"a"}, 4000},
        {{"a", "x"}, 1000},
        {{"a", "b", "c"}, 3000},
        {{"a", "b", "c", "deep"}, 3000},
        {{"top"}, 300},
        {{"Readme"}, 10},
        {{"a", "b", "c", "new"}, -1},
        {{"swap"}, -1},
        {{"todir"}, -1},
        {{"todir", "k"}, -1},
        {{"new-name"}, -1},
        {{"README"}, -1},
    };
    for (const auto& c : cases) {
        const CEntry* pNow = EntryAt(current->GetRoot(), c.path);
        ASSERT_NE(pNow, nullptr) << testing::PrintToString(c.path);
        const CEntry* pThen = comparison.EarlierOf(*pNow);
        EXPECT_EQ(pThen != nullptr ? pThen->GetLength() : -1, c.nEarlier) << testing::PrintToString(c.path);
        if (pThen != nullptr) {
            EXPECT_EQ(pThen->GetPath(), pNow->GetPath());
        }
    }
    EXPECT_EQ(RemovedNames(comparison, current->GetRoot()),
              (std::vector<std::string>{"g", "gone", "old-name", "swap", "todir"}));
    const CEntry* pC = EntryAt(current->GetRoot(), {"a", "b", "c"});
    EXPECT_EQ(RemovedNames(comparison, pC), std::vector<std::string>{});
    EXPECT_EQ(RemovedNames(comparison, EntryAt(current->GetRoot(), {"todir"})), std::vector<std::string>{})
        << "a new directory has nothing gone";
    // new: a/b/c/new, swap, todir and todir/k, new-name, README; gone: gone, g, g/h, g/h/i,
    // swap and swap/in, todir, old-name
    EXPECT_EQ(comparison.NewCount(), 6u);
    EXPECT_EQ(comparison.RemovedCount(), 8u);
    EXPECT_LE(comparison.OwnBytes(), 16 * CEntryArena::Of(*current->GetRoot()).EntryCount())
        << "a comparison costs at most 16 bytes a current entry, however few there are";
}

// The largest changes, growth and shrinkage alike, files and directories alike, a
// directory's being everything below it; items gone are listed with what they held.
TEST(SearchComparison, LargestChangesRankGrowthAndShrinkageByTheirSize)
{
    TempTree tree, scratch;
    tree.Dir("d");
    tree.Dir("d/e");
    Write(tree, "d/e/grows", 100);
    Write(tree, "shrinks", 900);
    Write(tree, "same", 50);
    tree.Dir("gone");
    Write(tree, "gone/f", 600);
    CSavedSearch earlier;
    SaveSearch(tree.Root(), scratch.Path("earlier.json"), earlier);
    Write(tree, "d/e/grows", 1000, true);
    Write(tree, "shrinks", 100);
    Write(tree, "d/new", 5);
    tree.Remove("gone");
    const auto current = Search(tree.Root());
    ASSERT_NE(current, nullptr);
    const CSearchComparison comparison(*earlier.GetRoot(), *current->GetRoot());

    const std::vector<CChange> changes = LargestChanges(comparison, SizeMeasure::Length, 10);
    std::vector<std::string> shown;
    for (const CChange& change : changes) {
        const CEntry& root = change.bAfter ? comparison.GetCurrentRoot() : comparison.GetEarlierRoot();
        shown.push_back(std::to_string(change.Delta()) + " " + std::to_string(change.nBefore) + " "
                        + std::to_string(change.nAfter) + (change.bBefore ? "" : " new")
                        + (change.bAfter ? "" : " gone") + " " + Relative(*change.pEntry, root));
    }
    EXPECT_EQ(shown,
              (std::vector<std::string>{
                  "1005 100 1105 d",
                  "1000 100 1100 d/e",  // the shallower first among equals
                  "1000 100 1100 d/e/grows",
                  "-800 900 100 shrinks",
                  "-600 600 0 gone gone",
                  "-600 600 0 gone gone/f",
                  "5 0 5 new d/new",
              }));
    EXPECT_EQ(LargestChanges(comparison, SizeMeasure::Length, 2).size(), 2u);
    EXPECT_TRUE(LargestChanges(comparison, SizeMeasure::Length, 0).empty());
}

// A file with two names takes its blocks once, at the name the search meets first: once
// that name is gone the other carries them, and it is the one that grew on the disk,
// though its length stayed.
TEST(SearchComparison, SizesOnDiskFollowTheNameThatCarriesALinkedFile)
{
    TempTree tree, scratch;
    tree.Dir("sub");
    Write(tree, "f", 16384);
    ASSERT_EQ(::link(tree.Path("f").c_str(), tree.Path("sub/l").c_str()), 0);
    const std::int64_t nBlocks = BlocksOnDisk(tree.Path("f"));
    ASSERT_GT(nBlocks, 0);
    CSavedSearch earlier;
    SaveSearch(tree.Root(), scratch.Path("earlier.json.gz"), earlier);
    ASSERT_TRUE(earlier.HasDiskSizes());
    tree.Remove("f");
    const auto current = Search(tree.Root());
    ASSERT_NE(current, nullptr);
    const CSearchComparison comparison(*earlier.GetRoot(), *current->GetRoot());

    const CEntry* pLink = EntryAt(current->GetRoot(), {"sub", "l"});
    ASSERT_NE(pLink, nullptr);
    ASSERT_NE(comparison.EarlierOf(*pLink), nullptr);
    EXPECT_EQ(comparison.EarlierOf(*pLink)->GetDiskSize(), 0) << "the other name carried it";
    EXPECT_EQ(pLink->GetDiskSize(), nBlocks);
    const auto Shown = [&comparison](SizeMeasure measure) {
        std::vector<std::string> shown;
        for (const CChange& change : LargestChanges(comparison, measure, 3))
            shown.push_back(
                (change.Delta() > 0 ? "+" : "") + std::to_string(change.Delta()) + " "
                + Relative(*change.pEntry, change.bAfter ? comparison.GetCurrentRoot() : comparison.GetEarlierRoot()));
        return shown;
    };
    const std::string blocks = std::to_string(nBlocks);
    EXPECT_EQ(Shown(SizeMeasure::Disk),
              (std::vector<std::string>{"-" + blocks + " f", "+" + blocks + " sub", "+" + blocks + " sub/l"}));
    EXPECT_EQ(Shown(SizeMeasure::Length)[0], "-16384 f");
    EXPECT_EQ(Shown(SizeMeasure::Length).size(), 1u) << "the other name's length is what it was";
}

// A saved search cut off or damaged is refused with the reason, and nothing of it kept;
// a search is compared only with one of the same root, named by the same bytes.
TEST(SearchComparison, RefusesDamagedSearchesAndOtherRoots)
{
    TempTree tree, scratch;
    Write(tree, "f", 100);
    CSavedSearch whole;
    SaveSearch(tree.Root(), scratch.Path("whole.json"), whole);
    const std::string text = ReadFile(scratch.Path("whole.json"));
    const struct {
        std::string content;
        std::string reason;
    } files[] = {
        {text.substr(0, text.size() / 2), "it is cut off"},
        {text.substr(0, text.size() - 3), "it is cut off"},
        {"[1,0,{},[{\"name\":\"/x\"},{\"name\":\"a/b\"}]]", "\"name\" is not a file name"},
        {"not json", "invalid value"},
    };
    for (const auto& f : files) {
        WriteFile(scratch.Path("bad.json"), f.content);
        CSavedSearch saved;
        std::string error;
        EXPECT_FALSE(saved.Read(scratch.Path("bad.json"), error)) << f.content;
        EXPECT_NE(error.find(f.reason), std::string::npos) << error;
        EXPECT_EQ(saved.GetRoot(), nullptr);
        EXPECT_EQ(saved.GetArena().EntryCount(), 0u);
    }
    const struct {
        const char *a, *b;
        bool bSame;
    } roots[] = {
        {"/srv/data", "/srv/data/", true},       {"/", "/", true},
        {"/srv/data", "/srv/Data", false},       {"/srv/data", "/srv/dat", false},
        {"/srv/d\xe9", "/srv/d\xc3\xa9", false},
    };
    for (const auto& r : roots)
        EXPECT_EQ(CSearchComparison::SameRoot(r.a, r.b), r.bSame) << r.a << " " << r.b;
}
