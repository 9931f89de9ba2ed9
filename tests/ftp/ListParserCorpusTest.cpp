#include "fuzz/ListParserCheck.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {
// 2024-06-15 12:00:00 UTC: a time of day without a year falls within the year before it.
constexpr std::int64_t kNow = 1718452800;

// Listing lines in the shapes servers send them, one of each, with the item each names.
struct Shape {
    const char* line;
    const char* name;
    bool directory;
    std::int64_t size;
    std::int64_t modified;  // 0: the line gives no time this parser can read
};

const Shape kShapes[] = {
    // Unix "ls -l", English, a time of day or a year.
    {"-rw-r--r--   1 root     other        531 Jan 29 03:26 README", "README", false, 531, 1706498760},
    {"dr-xr-xr-x   2 root     other        512 Apr  8  1994 etc", "etc", true, 0, 765763200},
    {"-rw-r--r-- 1 owner 5000000000 Mar  1  2021 -dash", "-dash", false, 5000000000, 1614556800},
    {"drwxr-xr-x   2 1000     1000         4096 Feb 29  2020 sub dir", "sub dir", true, 0, 1582934400},
    // Months in the server's language, with their dots and commas.
    {"-rw-r--r--   1 ftp      ftp         1234 Okt 10  2002 bericht.pdf", "bericht.pdf", false, 1234, 1034208000},
    {"drwxr-xr-x   3 user     users       4096 M\xc3\xa4r  3 12:05 Ordner", "Ordner", true, 0, 1709467500},
    {"-rw-r--r--   1 owner    group        120 Juli, 21 2003 sommer.txt", "sommer.txt", false, 120, 1058745600},
    {"-rw-r--r--   1 owner    group        531  3. Okt 2002 tag zuerst", "tag zuerst", false, 531, 1033603200},
    {"-rw-r--r--   1 user     group       5230 \xd0\xbe\xd0\xba\xd1\x82 10  2003 otchet.doc", "otchet.doc", false, 5230,
     1065744000},
    {"drwxr-xr-x   2 user     group       4096 szept. 21. 08:14 mappa", "mappa", true, 0, 1695284040},
    {"-rw-r--r--   1 user     group          5 f\xc3\xa9vr. 10  2003 fichier", "fichier", false, 5, 1044835200},
    {"-rw-r--r--   1 user     group          5 pa\xc5\xba 10  2003 plik", "plik", false, 5, 1065744000},
    {"-r--r--r--   1 user     group       5230 6\xe6\x9c\x88 3\xe6\x97\xa5 2003\xe5\xb9\xb4 nihongo.txt", "nihongo.txt",
     false, 5230, 1054598400},
    {"-rw-r--r--   1 user     group         10  6\xe6\x9c\x88  3 12:00 kyou", "kyou", false, 10, 1717416000},
    {"-rw-r--r--   1 user     group         12 Foo 01 2020 unknown month", "unknown month", false, 12, 0},
    // ISO dates of "ls --time-style".
    {"drwxr-xr-x 2 user group 4096 2004-04-21 13:29 long iso", "long iso", true, 0, 1082554140},
    {"-rw-r--r-- 1 user group 7 2004-04-21 13:29:12.123456789 +0200 full iso", "full iso", false, 7, 1082546952},
    // An ACL mark glued to the link count; owners and groups with spaces.
    {"drwxr-x---+1464 owner    group     45056 Oct 10 16:23 acl dir", "acl dir", true, 0, 1696954980},
    {"-rw-r--r--   1 John Smith Domain Users  1234 Jan 02  2020 report.txt", "report.txt", false, 1234, 1577923200},
    // DOS/IIS, month first, day first or ISO.
    {"01-16-24  02:05PM       <DIR>          a dir", "a dir", true, 0, 1705413900},
    {"2002-09-02  18:48       <DIR>          Programme", "Programme", true, 0, 1030992480},
    {"2002-09-02  18:48            1234567 setup.exe", "setup.exe", false, 1234567, 1030992480},
    {"16.01.2024  14:05       <DIR>          Daten", "Daten", true, 0, 1705413900},
};
// One random change of the kind that breaks parsers: a byte replaced by one of the
// separators and digits the formats are made of, a byte inserted or dropped, a cut, or a
// piece of the listing repeated elsewhere.
void Mutate(std::string& s, std::mt19937& random)
{
    static constexpr char kBytes[] = " /;=:-\r\n\t\0\xff"
                                     "0123456789<>dl";
    const auto pick = [&](std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const char byte = kBytes[pick(sizeof kBytes - 1)];
    switch (pick(5)) {
    case 0:
        if (!s.empty())
            s[pick(s.size())] = byte;
        break;
    case 1:
        s.insert(s.begin() + static_cast<std::ptrdiff_t>(pick(s.size() + 1)), byte);
        break;
    case 2:
        if (!s.empty())
            s.erase(pick(s.size()), 1 + pick(8));
        break;
    case 3:
        s.resize(pick(s.size() + 1));
        break;
    default: {
        const std::size_t from = pick(s.size() + 1);
        s.insert(pick(s.size() + 1), s.substr(from, pick(40)));
    }
    }
}
}  // namespace

// Every shape read exactly, line by line and as one listing in CRLF and in LF lines.
TEST(ListParserCorpus, EveryShapeOfTheWorldsServers)
{
    std::string crlf, lf;
    for (const Shape& shape : kShapes) {
        const auto items = CFtpListParser::ParseListing(shape.line, false, kNow);
        ASSERT_EQ(items.size(), 1u) << shape.line;
        EXPECT_EQ(items[0].name, shape.name) << shape.line;
        EXPECT_EQ(items[0].directory, shape.directory) << shape.line;
        EXPECT_EQ(items[0].size, shape.size) << shape.line;
        EXPECT_EQ(items[0].modified.GetTime(), shape.modified) << shape.line;
        crlf += std::string(shape.line) + "\r\n";
        lf += std::string(shape.line) + "\n";
    }
    for (const std::string& listing : {crlf, lf}) {
        std::vector<std::string> names;
        for (const CFtpItem& item : CFtpListParser::ParseListing(listing, false, kNow))
            names.push_back(item.name);
        ASSERT_EQ(names.size(), std::size(kShapes));
        for (std::size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(names[i], kShapes[i].name);
    }
}

// The fuzz target's rules over the seed listings and a fixed, bounded set of mutations of
// them, so that every run checks the same inputs.
TEST(ListParserCorpus, NoInputBreaksTheRules)
{
    std::mt19937 random(20240615);
    int seeds = 0;
    for (const auto& file : std::filesystem::directory_iterator(VOLRA_LIST_CORPUS)) {
        const std::string seed = ReadFile(file.path());
        ++seeds;
        ASSERT_EQ(CheckListing(seed), "") << file.path();
        for (int round = 0; round < 10000; ++round) {
            std::string input = seed;
            for (int n = 1 + round % 6; n > 0; --n)
                Mutate(input, random);
            ASSERT_EQ(CheckListing(input), "") << file.path() << " round " << round;
        }
    }
    EXPECT_GE(seeds, 3);
}
