#include "doc/NcduReader.h"
#include "doc/NcduWriter.h"
#include "support/DocHarness.h"
#include "support/EntryBuild.h"
#include "support/Mutate.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>

#include <regex>
#include <zlib.h>

namespace {
const std::string kFixture = VOLRA_TEST_DATA "/ncdu-1.18-export.json";

// A time as its number, or "?" when it is not known (its text is then empty).
std::string Time(const std::string& text, CTime time)
{
    return text.empty() && time.GetTime() == 0 ? "?" : std::to_string(time.GetTime());
}

// Every entry below the root, one line each, in tree order: path, size, kind, colour and,
// when asked for, the three times. Totals are checked on the way, stopping at the
// largest value as the program's do.
std::string Dump(const CEntry& root, bool withTimes = true)
{
    std::string out;
    std::vector<const CEntry*> stack{&root};
    while (!stack.empty()) {
        const CEntry* e = stack.back();
        stack.pop_back();
        std::int64_t sum = 0;
        for (std::size_t i = e->GetChildren().size(); i-- > 0;) {
            stack.push_back(e->GetChildren()[i]);
            if (__builtin_add_overflow(sum, e->GetChildren()[i]->GetSize(), &sum))
                sum = INT64_MAX;
        }
        out += e->GetPath() + " " + std::to_string(e->GetSize()) + (e->IsDirectory() ? " D" : " F")
            + (e->IsMountPoint() ? "M" : "") + std::to_string(e->GetColour());
        if (withTimes)
            out += " " + Time(e->GetCreatedText(), e->GetCreatedTime()) + "/"
                + Time(e->GetModifiedText(), e->GetModifiedTime()) + "/"
                + Time(e->GetAccessedText(), e->GetAccessedTime());
        out += e->IsDirectory() && sum != e->GetSize() ? " BAD TOTAL\n" : "\n";
    }
    return out;
}

CEntry* ReadOrFail(const std::string& path, CEntryArena& arena = HandArena())
{
    CNcduReader reader;
    CEntry* root = reader.Read(path, arena);
    EXPECT_NE(root, nullptr) << reader.GetError();
    return root;
}

CEntry* SaveAndRead(const CEntry& root, const std::string& path, CEntryArena& arena)
{
    CNcduWriter writer;
    std::string error;
    EXPECT_TRUE(writer.Open(path, error) && writer.Write(root, error)) << error;
    return ReadOrFail(path, arena);
}

// Every entry's length, size on disk, read error and hard link, one line each.
std::string DiskDump(const CEntry& e)
{
    const CHardLinkId* link = e.GetHardLink();
    std::string line = e.GetPath() + " " + std::to_string(e.GetLength()) + " " + std::to_string(e.GetDiskSize())
        + (e.IsUnreadable() ? " unreadable" : "") + (e.IsLinkRepeat() ? " repeat" : "")
        + (link ? " " + std::to_string(link->inode) + "/" + std::to_string(link->links) : "") + "\n";
    for (const CEntry* child : e.GetChildren())
        line += DiskDump(*child);
    return line;
}
}  // namespace

// Exports ncdu wrote open as their trees. What is saved opens again the same: tree, sizes,
// kinds, colours, the three times, sizes on disk, hard links, read errors and every name
// byte for byte, plain or compressed; a mount point stays one. Searched as a nobody:
// permissions bite even for root.
TEST(Ncdu, ExportsOpenAndSavedSearchesOpenAgainTheSame)
{
    // Names JSON must escape, bytes that are not UTF-8, a hard link, a symbolic link and a
    // sparse file over 4 GiB.
    TempTree t;
    TempTree out;
    t.Files({{"caf\xe9 \"q\"\\", 3},
             {"line\nbreak\x01\x7f", 1500},
             {"d/\xff\xfe/big.img", 5'000'000'000},
             {"d/report.txt", 4000}});
    ASSERT_EQ(::link(t.Path("d/report.txt").c_str(), t.Path("d/link.txt").c_str()), 0);
    t.Symlink("d/latest", "report.txt");
    t.Dir("empty");
    // ncdu's own export of the tree opens as a search of it: both list a directory in the
    // same order, so even the colours agree; ncdu keeps no times without -e.
    ASSERT_EQ(std::system(("ncdu -x -o '" + out.Path("ncdu.json") + "' '" + t.Root() + "' 2>/dev/null").c_str()), 0)
        << "scripts/setup installs ncdu";
    const CEntry* byNcdu = ReadOrFail(out.Path("ncdu.json"));
    const auto search = Search(t.Root());
    ASSERT_TRUE(byNcdu != nullptr && search != nullptr);
    EXPECT_EQ(Dump(*byNcdu, false), Dump(*search->GetRoot(), false));
    EXPECT_EQ(byNcdu->GetDiskSize(), search->GetRoot()->GetDiskSize()) << "a file of two names is on the disk once";

    t.Chmod("", 0755);
    t.File("locked/secret", 9);
    t.Chmod("locked", 0);
    const std::unique_ptr<TestDriveDoc> doc = [&] {
        Unprivileged nobody;
        return Search(t.Root());
    }();
    ASSERT_TRUE(doc);
    CEntryArena fixtureArena;  // a file of two names has one carrier in each arena
    const CEntry* fixture = ReadOrFail(kFixture, fixtureArena);
    ASSERT_NE(fixture, nullptr);
    // Hard links count at each name and a directory's own size not at all, as in the walk;
    // "locked" could not be read and "skip.tmp" was excluded; "mnt" is another file system.
    const std::string r = "/tmp/volra-fixture";
    EXPECT_EQ(Dump(*fixture),
              r + " 5000011513 D0 ?/1709294400/?\n" + r + "/big.img 5000000000 F3 ?/1672628645/?\n" + r
                  + "/cache 0 D0 ?/1709294400/?\n" + r + "/cache/skip.tmp 0 F0 ?/?/?\n" + r
                  + "/docs 11513 D5 ?/1709294400/?\n" + r + "/docs/latest 10 F0 ?/1709294400/?\n" + r
                  + "/docs/old 1503 D3 ?/1709294400/?\n" + r + "/docs/old/caf\xe9 \"q\" 3 F1 ?/1709294400/?\n" + r
                  + "/docs/old/line\nbreak 1500 F0 ?/1709294400/?\n" + r
                  + "/docs/report-link.txt 5000 F1 ?/1709294400/?\n" + r + "/docs/report.txt 5000 F2 ?/1709294400/?\n"
                  + r + "/empty 0 D4 ?/1709294400/?\n" + r + "/locked 0 D1 ?/1709294400/?\n" + r
                  + "/mnt 0 DM2 ?/1709294400/?\n");
    for (const CEntry* root : {static_cast<const CEntry*>(doc->GetRoot()), fixture}) {
        for (const char* name : {"s.json", "s.json.gz"}) {
            CEntryArena arena;
            const CEntry* again = SaveAndRead(*root, out.Path(name), arena);
            ASSERT_NE(again, nullptr);
            EXPECT_EQ(Dump(*again), Dump(*root)) << name;
            EXPECT_EQ(DiskDump(*again), DiskDump(*root)) << name;
            EXPECT_EQ(arena.UnreadableCount(), 1u) << name;
        }
    }
    // The compressed one is compressed, and ncdu itself reads what was written.
    EXPECT_EQ(ReadFile(out.Path("s.json.gz")).substr(0, 2), "\x1f\x8b");
    EXPECT_EQ(std::system(("ncdu -f '" + out.Path("s.json") + "' -o /dev/null 2>/dev/null").c_str()), 0);
}

TEST(NcduReader, WhatIsNotAnExportIsRefusedWithLineAndColumn)
{
    const std::string head = "[1,2,{\"progname\":\"x\"},\n[{\"name\":\"/r\"}";
    std::string deepest = head;  // the root and kMaxDepth - 1 directories nested in it
    for (int i = 1; i < CNcduReader::kMaxDepth; ++i)
        deepest += ",[{\"name\":\"d\"}";
    const std::string tooDeep = deepest + ",[{\"name\":\"d\"}";
    const std::string ignoredDeep = head + ",{\"name\":\"f\",\"x\":" + std::string(2000, '[');
    const std::pair<std::string, std::string> cases[] = {
        {"", "line 1, column 1: the file is empty"},
        {"\n \n\t ", "line 3, column 3: the file is empty"},
        {"{}", "line 1, column 1: not an ncdu export: it must be an array [1, minor version, {...}, [...]]"},
        {"[2,0,{},[{\"name\":\"/\"}]]", "line 1, column 2: version 2 of the format cannot be read, only version 1"},
        {"[1,2,[],[{\"name\":\"/\"}]]", "line 1, column 6: the metadata object {...} is missing after the version"},
        {head + ",{\"name\":\"a/b\"}]]", "line 2, column 28: \"name\" is not a file name"},
        {head + ",{\"name\":\"..\"}]]", "line 2, column 27: \"name\" is not a file name"},
        {head + ",{\"name\":\"a\\u0000\"}]]", "line 2, column 32: \"name\" is not a file name"},
        {head + ",{\"asize\":1}]]", "line 2, column 26: an item without a \"name\""},
        {head + ",{\"name\":7}]]", "line 2, column 24: \"name\" must be a string"},
        {head + ",{\"name\":\"a\",\"asize\":9223372036854775808}]]",
         "line 2, column 54: \"asize\" must be a whole number of bytes from 0 to 2^63-1"},
        {head + ",{\"name\":\"a\",\"asize\":-1}]]",
         "line 2, column 37: \"asize\" must be a whole number of bytes from 0 to 2^63-1"},
        {head + ",{\"name\":\"a\",\"asize\":1.5}]]",
         "line 2, column 38: \"asize\" must be a whole number of bytes from 0 to 2^63-1"},
        {head + ",{\"name\":\"a\",\"asize\":1e999}]]", "line 2, column 41: number too big to be stored in double"},
        {head + ",{\"name\":\"a\",\"mtime\":\"now\"}]]",
         "line 2, column 40: \"mtime\" must be a whole number of seconds from -2^63 to 2^63-1"},
        {head + ",{\"name\":\"a\",\"hlnkc\":1}]]", "line 2, column 36: \"hlnkc\" must be true or false"},
        {head + ",{\"name\":\"a\",\"dsize\":[1]}]]",
         "line 2, column 36: \"dsize\" must be a whole number of bytes from 0 to 2^63-1"},
        {head + ",{\"name\":\"\\ud800\"}]]", "line 2, column 31: the surrogate pair in string is invalid"},
        {head + ",{\"name\":\"a\tb\"}]]", "line 2, column 26: invalid escape character in string"},
        {head + ",7]]", "line 2, column 16: a file {...} or a directory [...] was expected"},
        {head + ",[[{\"name\":\"a\"}]]]]",
         "line 2, column 17: a directory [...] must begin with its info object {...}"},
        {head + "],[]]", "line 2, column 17: nothing may follow the directory tree"},
        {head + ",{\"name\":\"a\"", "line 2, column 27: the file ends before the search does: it is cut off"},
        {head + "]] []", "line 2, column 18: the document root must not be followed by other values"},
        {head + "]]" + std::string(1, '\0') + "x", "line 2, column 17: unexpected bytes after the end of the search"},
        {ignoredDeep, "line 2, column 1032: values nested too deeply"},
        {tooDeep + "]]", "line 2, column 1400002: directories nested deeper than 100000 levels"},
    };
    TempTree t;
    for (const auto& [content, message] : cases) {
        WriteFile(t.Path("in.json"), content);
        CNcduReader reader;
        EXPECT_EQ(reader.Read(t.Path("in.json"), HandArena()), nullptr) << message;
        EXPECT_EQ(reader.GetError(), message) << content.substr(0, 80);
    }
    // One level less opens, as do the extremes of each number.
    WriteFile(t.Path("in.json"), deepest + std::string(CNcduReader::kMaxDepth, ']') + "]");
    const CEntry* root = ReadOrFail(t.Path("in.json"));
    const CEntry* e = root;
    while (e != nullptr && !e->GetChildren().empty())
        e = e->GetChildren().front();
    EXPECT_EQ(e != nullptr ? e->GetDepth() : -1, CNcduReader::kMaxDepth - 1);
    WriteFile(t.Path("in.json"),
              head
                  + ",{\"name\":\"a\",\"asize\":9223372036854775807,\"mtime\":-9223372036854775808}"
                    ",{\"name\":\"b\",\"asize\":9223372036854775807,\"x\":{\"y\":[null,{}]}}"
                    ",{\"name\":\"c\",\"mtime\":18446744073674991616}]]");
    root = ReadOrFail(t.Path("in.json"));
    ASSERT_NE(root, nullptr);
    // ncdu writes a time before 1970 as its 64 bits taken unsigned (c: -34560000).
    EXPECT_EQ(Dump(*root),
              "/r 9223372036854775807 D0 ?/?/?\n/r/a 9223372036854775807 F0 ?/-9223372036854775808/?\n"
              "/r/b 9223372036854775807 F1 ?/?/?\n/r/c 0 F2 ?/-34560000/?\n");
    // Sizes on disk at the limit: a total that stopped there has no own part left to write,
    // and one below it keeps its own exactly.
    const std::string huge = ",\"dsize\":9223372036854775807}";
    WriteFile(t.Path("in.json"),
              head + ",[{\"name\":\"big\",\"dsize\":4096},{\"name\":\"a\"" + huge + ",{\"name\":\"b\"" + huge
                  + ",{\"name\":\"c\"" + huge + "],[{\"name\":\"d\",\"dsize\":4096},{\"name\":\"e\",\"dsize\":100}]]]");
    root = ReadOrFail(t.Path("in.json"));
    ASSERT_NE(root, nullptr);
    CEntryArena arena;
    const CEntry* again = SaveAndRead(*root, t.Path("out.json"), arena);
    ASSERT_NE(again, nullptr);
    const std::string max = " 0 9223372036854775807\n";
    EXPECT_EQ(DiskDump(*again),
              "/r" + max + "/r/big" + max + "/r/big/a" + max + "/r/big/b" + max + "/r/big/c" + max
                  + "/r/d 0 4196\n/r/d/e 0 100\n");
    EXPECT_EQ(Child(again, "big")->GetItemDiskSize(), 0);
    EXPECT_EQ(Child(again, "d")->GetItemDiskSize(), 4096);
}

// Reading 1 GB of nothing but blanks reports progress all along (so a window stays alive
// and Cancel works) and ends in an error naming the place, not in a hang or a crash.
TEST(NcduReader, AGigabyteOfWhitespaceEndsInAnError)
{
    TempTree t;
    gzFile gz = gzopen(t.Path("blank.json.gz").c_str(), "wb1");
    const std::string blanks(1 << 20, ' ');
    for (int i = 0; i < 1024; ++i)
        ASSERT_GT(gzwrite(gz, blanks.data(), static_cast<unsigned>(blanks.size())), 0);
    gzclose(gz);
    CNcduReader reader;
    int progress = 0;
    reader.m_onProgress = [&progress](const CNcduReader::Progress&) { return ++progress > 0; };
    EXPECT_EQ(reader.Read(t.Path("blank.json.gz"), HandArena()), nullptr);
    EXPECT_EQ(reader.GetError(), "line 1, column 1073741825: the file is empty");
    EXPECT_GE(progress, 4096);
    reader.m_onProgress = [](const CNcduReader::Progress& p) { return p.nFiles < 0; };
    EXPECT_EQ(reader.Read(kFixture, HandArena()), nullptr);
    EXPECT_TRUE(reader.WasCancelled());
}

// Exports damaged at random (seeded, so a failure repeats) open whole or not at all: a
// tree whose totals add up, or an error with its line and column.
TEST(NcduReader, DamagedExportsOpenWholeOrNotAtAll)
{
    const std::string seed = ReadFile(kFixture);
    std::mt19937 random(13);
    const std::regex where("line [0-9]+, column [0-9]+: .+");
    TempTree t;
    int opened = 0;
    for (int round = 0; round < 1500; ++round) {
        WriteFile(t.Path("in.json"),
                  Mutated(seed, 1 + round % 4, random, std::string_view("[]{},:\"\\-019eE.\x00\xff\n ", 19)));
        CNcduReader reader;
        const std::size_t nBefore = HandArena().EntryCount();
        CEntry* root = reader.Read(t.Path("in.json"), HandArena());
        if (root != nullptr) {
            ++opened;
            EXPECT_EQ(Dump(*root).find("BAD TOTAL"), std::string::npos);
            HandArena().Free(root);
        } else {
            EXPECT_EQ(HandArena().EntryCount(), nBefore) << "a refused file leaves nothing behind";
            EXPECT_TRUE(std::regex_match(reader.GetError(), where)) << reader.GetError();
        }
    }
    EXPECT_GT(opened, 0);
}
