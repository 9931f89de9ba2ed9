#include "doc/WalkExport.h"
#include "doc/NcduReader.h"
#include "doc/NcduWriter.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Everything a saved search keeps of each entry but its colour, one line each in tree order;
// of the size on disk, what the item takes itself: which name of a file with two carries its
// blocks depends on the reading order.
std::string Lines(const CEntry& e)
{
    const CHardLinkId* link = e.GetHardLink();
    std::string line = e.GetPath() + (e.IsDirectory() ? " D " : " F ") + std::to_string(e.GetLength()) + " "
        + std::to_string(e.GetItemDiskSize()) + " " + std::to_string(e.GetModifiedTime().GetTime()) + " "
        + std::to_string(e.GetCreatedTime().GetTime()) + (e.IsUnreadable() ? " unreadable" : "")
        + (link ? " link " + std::to_string(link->links) : "") + "\n";
    for (const CEntry* child : e.GetChildren())
        line += Lines(*child);
    return line;
}

// The directories below e (e included) whose children read back in other colours than the
// walk gave them, though at most one of them is a directory: the walk's order then leaves
// every child a place of its own colour.
std::vector<std::string> ColoursLost(const CEntry& walked, const CEntry& read)
{
    std::vector<std::string> lost;
    std::size_t nDirectories = 0;
    bool bSame = walked.GetChildren().size() == read.GetChildren().size();
    for (std::size_t i = 0; bSame && i < walked.GetChildren().size(); ++i) {
        const CEntry& a = *walked.GetChildren()[i];
        const CEntry& b = *read.GetChildren()[i];
        bSame = a.GetName() == b.GetName();
        if (bSame && a.IsDirectory()) {
            ++nDirectories;
            const auto below = ColoursLost(a, b);
            lost.insert(lost.end(), below.begin(), below.end());
        }
        bSame = bSame && a.GetColour() == b.GetColour();
    }
    if (!bSame && nDirectories <= 1)
        lost.push_back(std::string(walked.GetName()));
    return lost;
}

void Drain(int fd, std::string& into)
{
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        into.append(buffer, static_cast<std::size_t>(n));
}
}  // namespace

// A folder written while it is walked: each directory goes down the pipe the moment the
// walk has read it, and what arrives opens as the search itself: the same entries, sizes,
// times and hard links, the folder that could not be read marked so, and every child in its
// colour wherever the walk's order leaves a place for it.
TEST(WalkExport, AFolderWrittenWhileWalkedOpensAsTheSearch)
{
    TempTree t;
    for (int i = 0; i < 21; ++i)
        t.File("wide/f" + std::to_string(i), 100 + i);
    for (const char* name : {"a", "b", "c", "locked"})
        t.File(std::string("wide/") + name + "/inner", 7);
    t.Files({{"wide/a/deep/er/file", 11}, {"one/x", 1}, {"one/y", 2}, {"one/z/end", 3}, {"quote\"d\\", 3}});
    t.Dir("empty");
    ASSERT_EQ(::link(t.Path("one/x").c_str(), t.Path("wide/second name").c_str()), 0);
    const auto doc = NewSearch(t.Root());
    doc->skipped = "locked";  // as if it could not be opened

    const TempTree out;
    ASSERT_EQ(::mkfifo(out.Path("pipe").c_str(), 0600), 0);
    const int fd = ::open(out.Path("pipe").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    CNcduWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(out.Path("pipe"), error)) << error;
    writer.BeginStream(1);  // every item as it comes
    CWalkExport stream(writer);
    std::string received;
    std::vector<std::string> notYetSent;
    doc->SetDirectoryListener([&](const CEntry& directory) {
        const bool bOk = stream.DirectoryRead(directory, error);
        Drain(fd, received);
        const std::string name(directory.GetParent() ? directory.GetName() : "");
        if (received.find("{\"name\":\"" + name) == std::string::npos)
            notYetSent.push_back(name);
        return bOk;
    });
    ASSERT_TRUE(doc->OnNewDocument());
    ASSERT_TRUE(stream.Finish(error)) << error;
    Drain(fd, received);
    ::close(fd);
    EXPECT_TRUE(notYetSent.empty()) << notYetSent.front();
    EXPECT_EQ(doc->listings, 11);

    WriteFile(out.Path("s.json"), received);
    CEntryArena arena;
    CNcduReader reader;
    const CEntry* read = reader.Read(out.Path("s.json"), arena);
    ASSERT_NE(read, nullptr) << reader.GetError();
    EXPECT_EQ(Lines(*read), Lines(*doc->GetRoot()));
    EXPECT_EQ(read->GetDiskSize(), doc->GetRoot()->GetDiskSize());
    const std::string lines = Lines(*read);
    const std::size_t locked = lines.find("/wide/locked D 0 ");
    EXPECT_NE(locked, std::string::npos);
    EXPECT_EQ(lines.substr(lines.find('\n', locked) - 11, 11), " unreadable");
    EXPECT_TRUE(ColoursLost(*doc->GetRoot(), *read).empty()) << ColoursLost(*doc->GetRoot(), *read).front();
}

// A stream that cannot be written stops the walk at once, with the system's reason; so
// does a directory told out of the walk's order.
TEST(WalkExport, WhatCannotBeWrittenStopsTheWalk)
{
    TempTree t;
    t.Files({{"a/b/c/file", 5}, {"d/file", 6}});
    const auto doc = NewSearch(t.Root());
    CNcduWriter full;
    std::string error;
    ASSERT_TRUE(full.Open("/dev/full", error)) << error;
    full.BeginStream(1);
    CWalkExport stream(full);
    doc->SetDirectoryListener([&](const CEntry& directory) { return stream.DirectoryRead(directory, error); });
    EXPECT_FALSE(doc->OnNewDocument());
    EXPECT_EQ(error, "No space left on device");
    EXPECT_EQ(doc->listings, 1) << "nothing more was read";

    const auto done = Search(t.Root());
    ASSERT_TRUE(done);
    CNcduWriter writer;
    ASSERT_TRUE(writer.Open("/dev/null", error)) << error;
    writer.BeginStream(1);
    CWalkExport unordered(writer);
    const CEntry* b = EntryAt(done->GetRoot(), {"a", "b"});
    ASSERT_NE(b, nullptr);
    error.clear();
    EXPECT_TRUE(unordered.DirectoryRead(*done->GetRoot(), error)) << error;
    EXPECT_FALSE(unordered.DirectoryRead(*b, error)) << "its parent was never told";
    EXPECT_EQ(error, "a directory came out of the walk's order");
}
