#include "sys/TrashBatch.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"
#include "sys/Trash.h"
#include "sys/TrashRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// A private home and data folder, so that the trash and the record are the test's own.
struct ScratchHome {
    TempTree t;
    ScopedEnv home{"HOME", t.Path("home")};
    ScopedEnv data{"XDG_DATA_HOME", t.Path("data")};
    std::string Trash(const std::string& relative) const { return t.Path("data/Trash/" + relative); }
    std::string Real(const std::string& relative) const { return fs::canonical(t.Root()).string() + "/" + relative; }
};

std::vector<CTrashedItem> Recorded()
{
    CTrashRecord record;
    std::string strError;
    EXPECT_TRUE(record.Open(strError)) << strError;
    return record.Items();
}

std::vector<std::string> RecordedNames()
{
    std::vector<std::string> names;
    for (const CTrashedItem& item : Recorded())
        names.push_back(item.name);
    return names;
}

}  // namespace

TEST(TrashBatch, ABatchMovesWhatItCanAndRecordsOnlyThat)
{
    ScratchHome s;
    TempTree& t = s.t;
    t.Chmod("", 0755);
    t.Files({{"free/a", 100}, {"free/b\nnewline", 200}, {"locked/c", 300}});
    t.Dir("data");
    if (::geteuid() == 0) {  // the batch runs as nobody, whose trash and folder these are
        for (const char* dir : {"data", "free"})
            ASSERT_EQ(::chown(t.Path(dir).c_str(), Unprivileged::kNobody, Unprivileged::kNobody), 0);
    }
    t.Chmod("locked", 0555);
    CTrashBatchResult result;
    {
        Unprivileged nobody;
        result =
            MoveBatchToTrash({{t.Path("free/a"), 100}, {t.Path("free/b\nnewline"), 200}, {t.Path("locked/c"), 300}});
    }
    EXPECT_EQ(result.strError, "");
    EXPECT_EQ(result.batch, 1u);
    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_TRUE(result.items[0].bMoved && result.items[1].bMoved);
    EXPECT_FALSE(result.items[2].bMoved);
    EXPECT_EQ(result.items[2].error, ERROR_ACCESS_DENIED);
    EXPECT_EQ(SizeOnDisk(t.Path("locked/c")), 300);
    EXPECT_EQ(DirNames(s.Trash("files")), (std::vector<std::string>{"a", "b\nnewline"}));
    EXPECT_EQ(DirNames(s.Trash("info")), (std::vector<std::string>{"a.trashinfo", "b\nnewline.trashinfo"}));

    const std::vector<CTrashedItem> recorded = Recorded();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(std::tie(recorded[1].originalPath, recorded[1].trashDir, recorded[1].size, recorded[1].batch),
              std::make_tuple(s.Real("free/b\nnewline"), t.Path("data/Trash"), std::int64_t{200}, std::uint64_t{1}));
    EXPECT_TRUE(CTrashRecord::InTrash(recorded[0]) && CTrashRecord::InTrash(recorded[1]));

    t.Chmod("locked", 0755);
    EXPECT_EQ(MoveBatchToTrash({{t.Path("locked/c"), 300}}).batch, 2u);
    EXPECT_EQ(LastTrashBatch(), 2u);
}

TEST(TrashBatch, UndoPutsTheLastBatchBackButNeverOverWhatTookItsPlace)
{
    ScratchHome s;
    TempTree& t = s.t;
    t.Files({{"x/zero", 1}, {"x/one", 10}, {"x/dir/two", 20}});
    const std::uint64_t first = MoveBatchToTrash({{t.Path("x/zero"), 1}}).batch;
    const std::uint64_t second = MoveBatchToTrash({{t.Path("x/one"), 10}, {t.Path("x/dir"), 20}}).batch;
    ASSERT_EQ(LastTrashBatch(), second);
    t.File("x/dir", 5);  // the user made something else of that name since

    CRestoreResult restored = RestoreBatch(second);
    EXPECT_EQ(restored.strError, "");
    ASSERT_EQ(restored.items.size(), 2u);
    EXPECT_EQ(restored.items[0].path, s.Real("x/one"));
    EXPECT_EQ(restored.items[0].state, CRestoreOutcome::State::Restored);
    EXPECT_EQ(restored.items[1].path, s.Real("x/dir"));
    EXPECT_EQ(restored.items[1].state, CRestoreOutcome::State::PlaceTaken);
    EXPECT_EQ(SizeOnDisk(t.Path("x/one")), 10);
    EXPECT_EQ(SizeOnDisk(t.Path("x/dir")), 5);
    EXPECT_EQ(SizeOnDisk(s.Trash("files/dir/two")), 20);
    EXPECT_EQ(DirNames(s.Trash("info")), (std::vector<std::string>{"dir.trashinfo", "zero.trashinfo"}));
    EXPECT_EQ(RecordedNames(), (std::vector<std::string>{"zero", "dir"}));
    EXPECT_EQ(LastTrashBatch(), second) << "dir is still in the trash";

    // The user takes it out of the trash by hand: undo passes over it, and the batch before
    // is the last one now.
    ASSERT_EQ(::rename(s.Trash("files/dir").c_str(), t.Path("x/dir-back").c_str()), 0);
    restored = RestoreBatch(second);
    ASSERT_EQ(restored.items.size(), 1u);
    EXPECT_EQ(restored.items[0].state, CRestoreOutcome::State::Gone);
    EXPECT_EQ(RecordedNames(), std::vector<std::string>{"zero"});
    EXPECT_EQ(LastTrashBatch(), first);
    EXPECT_EQ(RestoreBatch(first).items.at(0).state, CRestoreOutcome::State::Restored);
    EXPECT_EQ(LastTrashBatch(), 0u);
}

TEST(TrashBatch, EmptyingRemovesWhatVolraTrashedAndNothingElse)
{
    ScratchHome s;
    TempTree& t = s.t;
    t.Files({{"mine/keep", 30}, {"mine/reused", 40}, {"old/dir/f", 3000}, {"old/dir/sub/g", 100}, {"old/h", 2000}});
    ASSERT_TRUE(MoveToTrash(t.Path("mine/keep")));  // the user's own, not Volra's
    const std::int64_t nBlocks = BlocksOnDisk(t.Path("old/dir")) + BlocksOnDisk(t.Path("old/dir/f"))
        + BlocksOnDisk(t.Path("old/dir/sub")) + BlocksOnDisk(t.Path("old/dir/sub/g")) + BlocksOnDisk(t.Path("old/h"));
    ASSERT_EQ(MoveBatchToTrash({{t.Path("old/dir"), 3500}, {t.Path("old/h"), 2000}}).strError, "");
    {
        // Lines a crash or the user left: an item that never went, and a name of the trash
        // that another file has taken since.
        CTrashRecord record;
        std::string strError;
        ASSERT_TRUE(record.Open(strError)) << strError;
        record.Items().push_back({t.Path("data/Trash"), "ghost", t.Path("old/ghost"), 9, 0, 1, 0, 12345});
        ASSERT_TRUE(MoveToTrash(t.Path("mine/reused")));
        struct stat st {};
        ASSERT_EQ(::lstat(s.Trash("files/reused").c_str(), &st), 0);
        record.Items().push_back(
            {t.Path("data/Trash"), "reused", t.Path("old/reused"), 9, 0, 40, st.st_dev, st.st_ino + 1});
        ASSERT_TRUE(record.Save(strError)) << strError;
    }

    const CRecordedTrash recorded = MeasureRecordedTrash();
    EXPECT_EQ(recorded.nItems, 2u);
    EXPECT_EQ(recorded.nBytes, 5500);
    const CEmptyResult emptied = EmptyRecorded();
    EXPECT_EQ(emptied.strError, "");
    EXPECT_EQ(emptied.nRemoved, 2u);
    EXPECT_EQ(emptied.nFreed, nBlocks);
    EXPECT_TRUE(emptied.left.empty());
    EXPECT_EQ(DirNames(s.Trash("files")), (std::vector<std::string>{"keep", "reused"}));
    EXPECT_EQ(DirNames(s.Trash("info")), (std::vector<std::string>{"keep.trashinfo", "reused.trashinfo"}));
    EXPECT_TRUE(Recorded().empty()) << "lines of items no longer in the trash go";
    EXPECT_EQ(MeasureRecordedTrash().nItems, 0u);
}

TEST(TrashBatch, TheRecordKeepsAnyBytesAndPassesOverLinesNotItsOwn)
{
    const std::vector<CTrashedItem> items = {
        {"/home/ann/.local/share/Trash", "a b\tc\nd%e", "/home/ann/a b\tc\nd%e", 3, 1700000000, 4096, 2049, 77},
        {"/media/usb/.Trash-1000", "\xff\xfe", "/media/usb/\xff\xfe", 18446744073709551615u, -5, 0, 0, 1},
    };
    const std::string text = FormatTrashRecord(items);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << "a line each, after the heading";
    EXPECT_EQ(ParseTrashRecord(text), items);
    const char* const junk[] = {
        "/t\tname\t/p\t1\t2\t3\t4",  // a field short
        "/t\tname\t/p\t1\t2\t3\t4\t5\t6",  // one too many
        "/t\tna%2\t/p\t1\t2\t3\t4\t5",  // a cut escape
        "/t\tname\t/p\tone\t2\t3\t4\t5",  // not a number
        "/t\ta%2Fb\t/p\t1\t2\t3\t4\t5",  // a name with "/"
        "/t\t..\t/p\t1\t2\t3\t4\t5",
        "\tname\t/p\t1\t2\t3\t4\t5",  // no trash
        "",
    };
    for (const char* line : junk)
        EXPECT_EQ(ParseTrashRecord(text + line + "\n" + text),
                  (std::vector<CTrashedItem>{items[0], items[1], items[0], items[1]}))
            << line;
}
