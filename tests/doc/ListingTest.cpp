#include "doc/ListingFormat.h"
#include "doc/ListingReader.h"
#include "doc/ListingWriter.h"
#include "doc/WalkExport.h"
#include "model/Entry.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Everything the listing carries of each entry, one line each in tree order; of the size on
// disk, what the item takes itself.
std::string Lines(const CEntry& e)
{
    const CHardLinkId* link = e.GetHardLink();
    std::string line = e.GetPath() + (e.IsDirectory() ? " D " : " F ") + std::to_string(e.GetLength()) + " "
        + std::to_string(e.GetItemDiskSize()) + " " + std::to_string(e.GetDiskSize()) + " "
        + std::to_string(e.GetModifiedTime().GetTime()) + " " + std::to_string(e.GetCreatedTime().GetTime()) + " "
        + std::to_string(e.GetAccessedTime().GetTime()) + (e.IsUnreadable() ? " unreadable" : "")
        + (e.IsExcluded() ? " excluded" : "") + (link ? " link " + std::to_string(link->links) : "") + "\n";
    for (const CEntry* child : e.GetChildren())
        line += Lines(*child);
    return line;
}

// A listing of items written by the program's writer, whatever they say.
std::string ListingOf(const std::vector<std::pair<CNcduItem, std::uint32_t>>& items, bool bEnd = true)
{
    std::string bytes;
    CListingWriter writer([&bytes](std::string_view piece, std::string&) { return bytes.append(piece), true; }, 1);
    std::string error;
    for (const auto& [item, depth] : items) {
        EXPECT_TRUE(writer.PutItem(item, depth, error));
    }
    if (bEnd) {
        EXPECT_TRUE(writer.EndStream(error));
    }
    return bytes;
}

CNcduItem Item(std::string_view name, bool bDirectory = false, std::int64_t nLength = 0)
{
    CNcduItem item;
    item.name = name;
    item.bDirectory = bDirectory;
    item.nLength = nLength;
    return item;
}

// What reading the bytes in pieces of nPiece says: "" when the listing was taken whole.
std::string ReadError(std::string_view bytes, std::size_t nPiece = 1 << 16)
{
    CEntryArena arena;
    CEntry* start = arena.NewEntry();
    start->InitAsRoot("/s");
    CListingReader reader(arena, start);
    bool bOk = true;
    for (std::size_t i = 0; bOk && i < bytes.size(); i += nPiece)
        bOk = reader.Feed(bytes.substr(i, nPiece));
    bOk = bOk && reader.Finish();
    EXPECT_EQ(bOk, reader.GetError().empty());
    return reader.GetError();
}
}  // namespace

// A folder streamed as a listing while it is walked reads back as the search itself, in
// pieces of any size: names with a newline, control bytes and bytes that are no UTF-8, a
// file over 4 GiB, one changed before 1970, two names of one file, an empty folder and one that could not be read
// midway, with every size, time and count.
TEST(Listing, AFolderStreamedWhileWalkedReadsBackAsTheSearch)
{
    TempTree t;
    t.Files({{"new\nline", 3},
             {"ctl\x01\x1b\x7f", 4},
             {"\xff\xfe bytes", 5},
             {"it's \"q\"\\", 6},
             {"deep/er/still/file", 7},
             {"locked/inner", 8},
             {"zz/after locked", 9},
             {"big.img", 5000000000LL}});
    t.Dir("empty");
    t.File("1969", 1);
    const timespec before1970[2] = {{-100, 0}, {-200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, t.Path("1969").c_str(), before1970, 0), 0);
    ASSERT_EQ(::link(t.Path("deep/er/still/file").c_str(), t.Path("second name").c_str()), 0);
    const auto doc = NewSearch(t.Root());
    doc->skipped = "locked";
    std::string bytes;
    CListingWriter writer([&bytes](std::string_view piece, std::string&) { return bytes.append(piece), true; }, 100);
    CWalkExport stream(writer);
    std::string error;
    doc->SetDirectoryListener([&](const CEntry& directory) { return stream.DirectoryRead(directory, error); });
    ASSERT_TRUE(doc->OnNewDocument());
    ASSERT_TRUE(stream.Finish(error)) << error;
    EXPECT_EQ(bytes.rfind(ListingFormat::kMagic, 0), 0u);

    for (const std::size_t nPiece : {std::size_t{1}, std::size_t{7}, bytes.size()}) {
        CEntryArena arena;
        CEntry* start = arena.NewEntry();
        start->InitAsRoot(t.Root());
        CListingReader reader(arena, start);
        for (std::size_t i = 0; i < bytes.size(); i += nPiece)
            ASSERT_TRUE(reader.Feed(std::string_view(bytes).substr(i, nPiece))) << reader.GetError();
        ASSERT_TRUE(reader.Finish()) << reader.GetError();
        start->AddSize(0, reader.GetStartOwnDisk());  // as the SSH search does for its root
        EXPECT_EQ(Lines(*start), Lines(*doc->GetRoot())) << nPiece;
        EXPECT_NE(Lines(*start).find("/locked D 0 "), std::string::npos);
        EXPECT_NE(Lines(*start).find("/1969 F 1 4096 4096 -200 "), std::string::npos);
        EXPECT_EQ(reader.GetFileCount(), 9);
        EXPECT_EQ(reader.GetDirectoryCount(), 6);
    }
}

// Nothing the stream says is trusted: a stream cut anywhere, a name whose length lies or
// that no file system allows, numbers beyond their bounds, flags and nesting that make no
// sense, bytes after the end: each is refused with a message that says what was wrong.
TEST(Listing, AHostileStreamIsRefusedWithItsReason)
{
    CNcduItem root = Item("/s", true);
    root.nModified = -5;
    CNcduItem linked = Item("f", false, 10);
    linked.bHardLink = true;
    linked.nInode = 1ull << 63;
    linked.nLinks = 2;
    const std::string whole = ListingOf({{root, 0}, {Item("d", true), 1}, {linked, 2}, {Item("g"), 1}});
    ASSERT_EQ(ReadError(whole), "");
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        EXPECT_NE(ReadError(whole.substr(0, cut), 3).find(cut == 0 ? "empty" : "stops"), std::string::npos) << cut;

    const std::string head(ListingFormat::kMagic);
    const std::string longName(ListingFormat::kMaxName + 1, 'n');
    CNcduItem huge = Item("h", false, std::numeric_limits<std::int64_t>::max());
    huge.nDiskSize = -1;  // written as 0, within bounds
    struct Case {
        std::string bytes;
        const char* says;
    };
    const Case cases[] = {
        {"[1,0,{},[{\"name\":\"/s\"}]]", "not a Volra listing"},
        {"#volra-listing 2\n", "version"},
        {ListingOf({{root, 0}, {Item(longName), 1}}), "a name of 4097 bytes"},
        {ListingOf({{root, 0}, {Item("a/b"), 1}}), "\"a/b\" is not a file name"},
        {ListingOf({{root, 0}, {Item(".."), 1}}), "not a file name"},
        {ListingOf({{root, 0}, {Item(std::string_view("n\0l", 3)), 1}}), "not a file name"},
        {ListingOf({{root, 0}, {Item("f"), 2}}), "deeper than the directories open"},
        {ListingOf({{root, 0}, {Item("f"), 1}, {Item("g"), 2}}), "deeper than the directories open"},
        {ListingOf({{Item("f"), 1}}), "does not begin with the folder"},
        {ListingOf({{root, 0}}) + "x", "unexpected bytes after the end"},
        {ListingOf({{root, 0}}, false)
             + std::string("\x01\x01\x00\x01"
                           "f\x80\x80\x80\x80\x80\x80\x80\x80\x80\x02",
                           15),
         "longer than 64 bits"},
        {ListingOf({{root, 0}}, false)
             + std::string("\x01\x00\x02\x01"
                           "f\x00\x00",
                           7),
         "flags"},
        {ListingOf({{root, 0}}, false)
             + std::string("\x01\x00\x00\x01"
                           "f\xff\xff\xff\xff\xff\xff\xff\xff\xff\x01\x00",
                           16),
         "beyond 2^63-1"},
        {ListingOf({{root, 0}, {huge, 1}}), ""},
        {head + std::string("\x00\x01\x00\x00", 4), "a name of 0 bytes"},
        {head + std::string("\x00\x01\x00\xff\xff\x03", 6), "a name of 65535 bytes"},
    };
    for (const Case& c : cases) {
        const std::string error = ReadError(c.bytes, 5);
        EXPECT_EQ(*c.says == '\0', error.empty()) << c.says;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }

    std::vector<std::pair<CNcduItem, std::uint32_t>> nested{{root, 0}};
    for (std::uint32_t i = 1; i <= ListingFormat::kMaxDepth + 1; ++i)
        nested.emplace_back(Item("d", true), i);
    EXPECT_NE(ReadError(ListingOf(nested)).find("nested deeper than 100000"), std::string::npos);
    nested.pop_back();
    EXPECT_EQ(ReadError(ListingOf(nested)), "");
}
