#include "ftp/FtpListParser.h"

#include <gtest/gtest.h>

#include <tuple>
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
    std::int64_t modified;  // 0: the line gives no time this parser can read
};

// Listing lines in the shapes servers send them, with the item each names.
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
    {"type=file;size=9223372036854775808; mlsd 2^63", true, "mlsd 2^63", false, 0, 0},
    {"type=file;size=-5; mlsd minus", true, "mlsd minus", false, 0, 0},
    // Unix "ls -l", English: with and without a group, a year or a time of day, links and odd names.
    {"-rw-r--r--   1 owner    group           6 Jan 02 03:04 a file.txt", false, "a file.txt", false, 6, 1704164640},
    {"-rw-r--r--   1 owner    group           6 Dec 24 10:00 last year", false, "last year", false, 6, 1703412000},
    {"-rw-r--r--   1 root     other        531 Jan 29 03:26 README", false, "README", false, 531, 1706498760},
    {"dr-xr-xr-x   2 root     other        512 Apr  8  1994 etc", false, "etc", true, 0, 765763200},
    {"drwxr-xr-x   2 1000     1000         4096 Feb 29  2020 sub dir", false, "sub dir", true, 0, 1582934400},
    {"-rw-r--r-- 1 owner 5000000000 Mar  1  2021 -dash", false, "-dash", false, 5000000000, 1614556800},
    {"lrwxrwxrwx 1 o g 11 Jan 02 2020 link -> target dir", false, "link", false, 11, 1577923200},
    {"-rw-r--r-- 1 o g 3 Jan 02 2020  leading space ", false, " leading space ", false, 3, 1577923200},
    {"-rw-r--r-- 1 o g 3 Jan 02 2020 \xc3\xbc\xe5\x90\x8d", false, "\xc3\xbc\xe5\x90\x8d", false, 3, 1577923200},
    {"drwxr-xr-x 2 o g 4096 Jan 02 2020 .", false, ".", true, 0, 1577923200},
    {"total 42", false, nullptr, false, 0, 0},
    {"drwxr-xr-x 2 o g 4096 Jan 01 2020 with/slash", false, nullptr, false, 0, 0},
    // Months in the server's language, with their dots and commas.
    {"-rw-r--r--   1 ftp      ftp         1234 Okt 10  2002 bericht.pdf", false, "bericht.pdf", false, 1234,
     1034208000},
    {"drwxr-xr-x   3 user     users       4096 M\xc3\xa4r  3 12:05 Ordner", false, "Ordner", true, 0, 1709467500},
    {"-rw-r--r--   1 owner    group        120 Juli, 21 2003 sommer.txt", false, "sommer.txt", false, 120, 1058745600},
    {"-rw-r--r--   1 owner    group        531  3. Okt 2002 tag zuerst", false, "tag zuerst", false, 531, 1033603200},
    {"-rw-r--r--   1 user     group       5230 \xd0\xbe\xd0\xba\xd1\x82 10  2003 otchet.doc", false, "otchet.doc",
     false, 5230, 1065744000},
    {"drwxr-xr-x   2 user     group       4096 szept. 21. 08:14 mappa", false, "mappa", true, 0, 1695284040},
    {"-rw-r--r--   1 user     group          5 f\xc3\xa9vr. 10  2003 fichier", false, "fichier", false, 5, 1044835200},
    {"-rw-r--r--   1 user     group          5 pa\xc5\xba 10  2003 plik", false, "plik", false, 5, 1065744000},
    {"-r--r--r--   1 user     group       5230 6\xe6\x9c\x88 3\xe6\x97\xa5 2003\xe5\xb9\xb4 nihongo.txt", false,
     "nihongo.txt", false, 5230, 1054598400},
    {"-rw-r--r--   1 user     group         10  6\xe6\x9c\x88  3 12:00 kyou", false, "kyou", false, 10, 1717416000},
    {"-rw-r--r--   1 user     group         12 Foo 01 2020 unknown month", false, "unknown month", false, 12, 0},
    // ISO dates of "ls --time-style"; an ACL mark glued to the link count; owners and groups with spaces.
    {"drwxr-xr-x 2 user group 4096 2004-04-21 13:29 long iso", false, "long iso", true, 0, 1082554140},
    {"-rw-r--r-- 1 user group 7 2004-04-21 13:29:12.123456789 +0200 full iso", false, "full iso", false, 7, 1082546952},
    {"drwxr-x---+1464 owner    group     45056 Oct 10 16:23 acl dir", false, "acl dir", true, 0, 1696954980},
    {"-rw-r--r--   1 John Smith Domain Users  1234 Jan 02  2020 report.txt", false, "report.txt", false, 1234,
     1577923200},
    // Sizes that cannot be read keep their item, at size 0, in LIST as in MLSD.
    {"-rw-r--r-- 1 o g 9223372036854775808 Jan 01 2020 2^63", false, "2^63", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g 18446744073709551616 Jan 01 2020 2^64", false, "2^64", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g -5 Jan 01 2020 minus", false, "minus", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g 12abc Jan 01 2020 letters", false, "letters", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g 0x10 Jan 01 2020 hex", false, "hex", false, 0, 1577836800},
    {"-rw-r--r-- 1 o g +5 Jan 01 2020 plus", false, "plus", false, 0, 1577836800},
    {"01-16-24  12:05AM                 -5 dos minus", false, "dos minus", false, 0, 1705363500},
    {"-rw-r--r-- 1 o g x12 Jan 01 2020 no size", false, nullptr, false, 0, 0},
    {"-rw-r--r-- 1 o g 12 Jan 01 2020", false, nullptr, false, 0, 0},
    // DOS/IIS: two- or four-digit years, twelve- or twenty-four-hour times, month first, day first or ISO.
    {"01-16-24  11:14AM       <DIR>          a dir", false, "a dir", true, 0, 1705403640},
    {"01-16-24  02:05PM       <DIR>          pm dir", false, "pm dir", true, 0, 1705413900},
    {"01-16-24  12:05AM                 1234 a file.txt", false, "a file.txt", false, 1234, 1705363500},
    {"12-31-1999  23:59                   7 old", false, "old", false, 7, 946684740},
    {"2002-09-02  18:48       <DIR>          Programme", false, "Programme", true, 0, 1030992480},
    {"2002-09-02  18:48            1234567 setup.exe", false, "setup.exe", false, 1234567, 1030992480},
    {"16.01.2024  14:05       <DIR>          Daten", false, "Daten", true, 0, 1705413900},
    {"01-16-24  13:14PM 12 bad clock", false, nullptr, false, 0, 0},
    {"01-16-24  11:14AM       <DIR>", false, nullptr, false, 0, 0},
    {"01-16-24  11:14AM       junk name", false, nullptr, false, 0, 0},
};
}  // namespace

// Every line read alone, then all of one kind as one listing in CRLF and in LF lines: the
// items the lines name, in their order.
TEST(FtpListParser, LinesOfEveryStyleAloneAndAsListings)
{
    std::string listings[2][2];  // [MLSD][LF]
    std::vector<std::string> named[2];
    for (const Case& c : kCases) {
        CFtpItem item;
        const bool ok =
            c.mlsd ? CFtpListParser::ParseMlsdLine(c.line, item) : CFtpListParser::ParseListLine(c.line, item, kNow);
        listings[c.mlsd][0] += std::string(c.line) + "\r\n";
        listings[c.mlsd][1] += std::string(c.line) + "\n";
        ASSERT_EQ(ok, c.name != nullptr) << c.line;
        if (!ok)
            continue;
        named[c.mlsd].push_back(c.name);
        EXPECT_EQ(std::make_tuple(item.name, item.directory, item.size, item.modified.GetTime()),
                  std::make_tuple(std::string(c.name), c.directory, c.size, c.modified))
            << c.line;
    }
    for (const bool bMlsd : {false, true}) {
        for (const std::string& listing : listings[bMlsd]) {
            std::vector<std::string> names;
            for (const CFtpItem& item : CFtpListParser::ParseListing(listing, bMlsd, kNow))
                names.push_back(item.name);
            EXPECT_EQ(names, named[bMlsd]) << bMlsd;
        }
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
