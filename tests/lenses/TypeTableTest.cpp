#include "lenses/TypeTable.h"
#include "LensTree.h"
#include "lenses/TypesReport.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <sstream>

namespace {

struct Count {
    std::uint64_t n = 0;
    std::int64_t bytes = 0;
    bool operator==(const Count&) const = default;
};
using Counts = std::map<std::string, Count>;  // by extension

// find and awk's count of the files below a folder by extension: lengths, or 512-byte
// blocks. Another reading of the rules, for the kinds of names the tree holds.
Counts FindAndAwk(const std::string& folder, bool bDisk)
{
    const std::string awk = R"AWK({ n = $1; sub(/^\.+/, "", n); e = "";
  if (n ~ /\.[Ss][Oo](\.[0-9]+)+$/) e = "so";
  else if (tolower(n) ~ /.\.tar\.gz$/) e = "tar.gz";
  else if (match(n, /\.[^.]*$/)) e = tolower(substr(n, RSTART + 1));
  if (e ~ / /) e = "";
  c[e]++; b[e] += BYTES }
END { for (e in c) printf "%s\t%.0f\t%.0f\n", e, c[e], b[e] })AWK";
    const std::string bytes = bDisk ? "$3 * 512" : "$2";
    std::string script = awk;
    script.replace(script.find("BYTES"), 5, bytes);
    const std::string command =
        "cd '" + folder + "' && find . -type f -printf '%f\\t%s\\t%b\\n' | LC_ALL=C awk -F'\\t' '" + script + "'";
    Counts counts;
    std::istringstream lines(CommandOutput(command));
    for (std::string e, n, b; std::getline(lines, e, '\t') && std::getline(lines, n, '\t') && std::getline(lines, b);)
        counts[e] = {std::stoull(n), std::stoll(b)};
    return counts;
}

// The table's rows by extension, checking on the way that they are ordered, that every
// category adds up, and that no extension is in two of them.
Counts TableCounts(const CTypeTable& table)
{
    Counts counts;
    std::int64_t previous = std::numeric_limits<std::int64_t>::max();
    for (const CCategoryRow& category : table.Categories()) {
        EXPECT_LE(category.nSize, previous) << CategoryText(category.category);
        previous = category.nSize;
        Count sum;
        for (const CTypeRow& row : category.types) {
            EXPECT_EQ(row.pType->category, category.category);
            EXPECT_TRUE(counts.emplace(row.pType->extension, Count{row.nCount, row.nSize}).second);
            sum.n += row.nCount;
            sum.bytes += row.nSize;
        }
        EXPECT_EQ(sum, (Count{category.nCount, category.nSize})) << CategoryText(category.category);
    }
    const std::vector<CTypeRow> rows = table.Types();
    EXPECT_EQ(rows.size(), counts.size());
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const CTypeRow& a, const CTypeRow& b) {
        return a.nSize > b.nSize;
    })) << "largest first";
    return counts;
}

void ExpectTableIsFindAndAwks(const LensTree& t, const std::string& where)
{
    for (const bool bDisk : {false, true}) {
        CEntry::ShowDiskSizes(bDisk);
        const CEntry* pDir = t.At(where);
        ASSERT_NE(pDir, nullptr) << where;
        const CTypeTable table = CTypeTable::Build(*pDir);
        const Counts expected = FindAndAwk(t.tree.Path(where), bDisk);
        EXPECT_EQ(TableCounts(table), expected) << where << (bDisk ? " on disk" : " lengths");
        EXPECT_EQ(table.GetFileCount(),
                  std::accumulate(expected.begin(), expected.end(), std::uint64_t{0},
                                  [](std::uint64_t n, const auto& e) { return n + e.second.n; }));
        EXPECT_EQ(table.GetTotal(), pDir->GetSize());
        EXPECT_EQ(table.IsDiskMeasure(), bDisk);
    }
    CEntry::ShowDiskSizes(false);
}

}  // namespace

// The table of the root and of a folder below it is find's and awk's count, in either
// measure, and stays so after a delete and a refresh of a folder that changed meanwhile.
TEST(TypeTable, CountsWhatFindCountsThroughDeleteAndRefresh)
{
    LensTree t;
    ExpectTableIsFindAndAwks(t, "");
    ExpectTableIsFindAndAwks(t, "cache");

    t.Delete("Src");
    t.Add("img/new.iso", 3000);
    t.Add("img/Later.TAR.GZ", 5000);
    t.tree.Remove("img/iso");
    t.Refresh("img");
    ExpectTableIsFindAndAwks(t, "");
    ExpectTableIsFindAndAwks(t, "img");
}

// Shares are of the directory's total; an empty one has no files and no shares; a file
// alone is a table of one row.
TEST(TypeTable, SharesEmptyDirectoriesAndSingleFiles)
{
    TempTree tree;
    tree.Files({{"a.iso", 3000}, {"b.txt", 1000}});
    tree.Dir("empty");
    const auto doc = Search(tree.Root());
    ASSERT_NE(doc, nullptr);
    const CTypeTable table = CTypeTable::Build(*doc->GetRoot());
    ASSERT_EQ(table.Categories().size(), 2u);
    EXPECT_EQ(table.Categories()[0].category, FileCategory::Archives);
    EXPECT_DOUBLE_EQ(table.ShareOf(table.Categories()[0].nSize), 0.75);
    EXPECT_DOUBLE_EQ(table.ShareOf(table.Categories()[1].nSize), 0.25);
    EXPECT_EQ(TypesReport(table), "archives and disk images\tiso\t1\t3000\ndocuments\ttxt\t1\t1000\n");

    const CTypeTable none = CTypeTable::Build(*Child(doc->GetRoot(), "empty"));
    EXPECT_TRUE(none.Categories().empty());
    EXPECT_EQ(none.GetFileCount(), 0u);
    EXPECT_EQ(none.ShareOf(0), 0.0);
    EXPECT_EQ(TypesReport(CTypeTable::Build(*Child(doc->GetRoot(), "b.txt"))), "documents\ttxt\t1\t1000\n");
}
