#include "ftp/FtpListParser.h"

#include <gtest/gtest.h>

#include <utility>

namespace {
// 2024-06-15 12:00:00 UTC: a time of day without a year falls within the year before it.
constexpr std::int64_t kNow = 1718452800;

struct Case {
    const char* line;
    bool mlsd;
    const char* name;  // nullptr: the line names no item
    bool directory;
    std::int64_t size;
    std::int64_t modified;
};

const Case kCases[] = {
    // MLSD: facts in any order and case, one space, the name whole.
    {"type=file;size=6;modify=20240102030405; a file.txt", true, "a file.txt", false, 6, 1704164645},
    {"Modify=20240102030405.123;Type=dir;sizd=4096;  two spaces", true, " two spaces", true, 0, 1704164645},
    {"type=OS.unix=symlink;size=9; -dash", true, "-dash", false, 9, 0},
    {"type=cdir;modify=20240102030405; .", true, nullptr, false, 0, 0},
    {"type=pdir; ..", true, nullptr, false, 0, 0},
    {"size=6; no type", true, nullptr, false, 0, 0},
    {"type=file;size=6;", true, nullptr, false, 0, 0},
    {"type=file; a/b", true, nullptr, false, 0, 0},
    // Unix "ls -l": with and without a group, a year or a time of day, links and odd names.
    {"-rw-r--r--   1 owner    group           6 Jan 02 03:04 a file.txt", false, "a file.txt", false, 6, 1704164640},
    {"-rw-r--r--   1 owner    group           6 Dec 24 10:00 last year", false, "last year", false, 6, 1703412000},
    {"drwxr-xr-x   2 1000     1000         4096 Feb 29  2020 sub dir", false, "sub dir", true, 0, 1582934400},
    {"-rw-r--r-- 1 owner 5000000000 Mar  1  2021 -dash", false, "-dash", false, 5000000000, 1614556800},
    {"lrwxrwxrwx 1 o g 11 Jan 02 2020 link -> target dir", false, "link", false, 11, 1577923200},
    {"-rw-r--r-- 1 o g 3 Jan 02 2020  leading space ", false, " leading space ", false, 3, 1577923200},
    {"-rw-r--r-- 1 o g 3 Jan 02 2020 \xc3\xbc\xe5\x90\x8d", false, "\xc3\xbc\xe5\x90\x8d", false, 3, 1577923200},
    {"drwxr-xr-x 2 o g 4096 Jan 02 2020 .", false, ".", true, 0, 1577923200},
    {"total 42", false, nullptr, false, 0, 0},
    {"drwxr-xr-x 2 o g 4096 Jan 01 2020 with/slash", false, nullptr, false, 0, 0},
    // Sizes that cannot be read keep their item, at size 0, in LIST as in MLSD.
    {"-rw-r--r-- 1 o g 9223372036854775808 Jan 01 2020 2^63", false, "2^63", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g 18446744073709551616 Jan 01 2020 2^64", false, "2^64", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g -5 Jan 01 2020 minus", false, "minus", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g 12abc Jan 01 2020 letters", false, "letters", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g 0x10 Jan 01 2020 hex", false, "hex", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g +5 Jan 01 2020 plus", false, "plus", false, 0, 1577836800},
    {"01-16-24  12:05AM                 -5 dos minus", false, "dos minus", false, 0, 1705363500},
    {"type=file;size=9223372036854775808; mlsd 2^63", true, "mlsd 2^63", false, 0, 0},
    {"type=file;size=-5; mlsd minus", true, "mlsd minus", false, 0, 0},
    {"-rw-r--r-- 1 o g x12 Jan 01 2020 no size", false, nullptr, false, 0, 0},
    {"-rw-r--r-- 1 o g 12 Jan 01 2020", false, nullptr, false, 0, 0},
    // DOS/IIS: two- or four-digit years, twelve- or twenty-four-hour times.
    {"01-16-24  11:14AM       <DIR>          a dir", false, "a dir", true, 0, 1705403640},
    {"01-16-24  12:05AM                 1234 a file.txt", false, "a file.txt", false, 1234, 1705363500},
    {"12-31-1999  23:59                   7 old", false, "old", false, 7, 946684740},
    {"01-16-24  13:14PM 12 bad clock", false, nullptr, false, 0, 0},
    {"01-16-24  11:14AM       <DIR>", false, nullptr, false, 0, 0},
    {"01-16-24  11:14AM       junk name", false, nullptr, false, 0, 0},
};
}  // namespace

TEST(FtpListParser, LinesOfEveryStyle)
{
    for (const Case& c : kCases) {
        CFtpItem item;
        const bool ok =
            c.mlsd ? CFtpListParser::ParseMlsdLine(c.line, item) : CFtpListParser::ParseListLine(c.line, item, kNow);
        ASSERT_EQ(ok, c.name != nullptr) << c.line;
        if (!ok)
            continue;
        EXPECT_EQ(item.name, c.name) << c.line;
        EXPECT_EQ(item.directory, c.directory) << c.line;
        EXPECT_EQ(item.size, c.size) << c.line;
        EXPECT_EQ(item.modified.GetTime(), c.modified) << c.line;
    }
}

// Lines end at CRLF or LF; a lone CR is part of the name it stands in, at its end too.
TEST(FtpListParser, ALoneCarriageReturnBelongsToTheName)
{
    const std::string list = "-rw-r--r-- 1 o g 3 Jan 02 2020 cr\rmid\r\n"
                             "drwxr-xr-x 2 o g 4096 Jan 02 2020 dcr\rx\n"
                             "-rw-r--r-- 1 o g 1 Jan 02 2020 end\r\r\n";
    const std::string mlsd = "type=file;size=3; cr\rmid\r\ntype=dir; dcr\rx\ntype=file;size=1; end\r\r\n";
    for (const auto& [data, bMlsd] : {std::pair{list, false}, std::pair{mlsd, true}}) {
        std::vector<std::string> names;
        for (const CFtpItem& item : CFtpListParser::ParseListing(data, bMlsd, kNow))
            names.push_back(item.name);
        EXPECT_EQ(names, (std::vector<std::string>{"cr\rmid", "dcr\rx", "end\r"})) << bMlsd;
    }
}
