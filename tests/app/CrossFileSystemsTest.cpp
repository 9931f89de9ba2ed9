// Searches that stay on one file system or go past mount points, over trees with mounts of
// their own (memory disks, a proc): against du and find over the same trees. Mounting needs
// privilege (CI runs as root); without it these skip.
#include "RunProgram.h"
#include "SearchRules.h"
#include "doc/NcduReader.h"
#include "doc/NcduWriter.h"
#include "doc/SearchSnapshot.h"
#include "support/DocHarness.h"
#include "support/ScopedMount.h"
#include "support/TempTree.h"
#include "sys/FileSystemKind.h"
#include "sys/MountTable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Every entry in tree order: path below the root, length, disk size and how it was kept.
std::string Dump(const CEntry& e, std::size_t nRootLength)
{
    std::string text = e.GetPath().substr(std::min(nRootLength, e.GetPath().size())) + " "
        + std::to_string(e.GetLength()) + " " + std::to_string(e.GetDiskSize()) + (e.IsMountPoint() ? " M" : "")
        + (e.IsDirRepeat() ? " R" : "") + (e.IsExcluded() ? " X" : "") + "\n";
    for (const CEntry* child : e.GetChildren())
        text += Dump(*child, nRootLength);
    return text;
}

// The lengths of the files below root as find adds them up, never looking into proc.
std::int64_t FoundLengths(const std::string& root, const std::string& options)
{
    const std::string out = CommandOutput("find '" + root + "' " + options + " -path '" + root
                                          + "/proc' -prune -o -type f -printf '%s\\n'");
    std::int64_t n = 0;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find('\n', at);
        n += std::stoll(out.substr(at, end - at));
        at = end + 1;
    }
    return n;
}
}  // namespace

// The kind of a file system decides whether a crossing search goes in: by the mount
// table's name, by statfs's number (the mount table tells the ones that share a number).
TEST(CrossFileSystems, KindsOfFileSystemsDecideWhatIsEntered)
{
    using enum EFsKind;
    const std::pair<const char*, EFsKind> types[] = {
        {"ext4", Local},     {"tmpfs", Local},     {"fuseblk", Local},      {"newfs", Local}, {"proc", Pseudo},
        {"cgroup2", Pseudo}, {"devtmpfs", Pseudo}, {"autofs", Pseudo},      {"nfsd", Pseudo}, {"nfs4", Network},
        {"cifs", Network},   {"smb3", Network},    {"fuse.sshfs", Network}, {"9p", Network},
    };
    for (const auto& [type, kind] : types)
        EXPECT_EQ(FsKindOfType(type), kind) << type;
    const std::pair<std::uint64_t, std::optional<EFsKind>> magics[] = {
        {0x9fa0, Pseudo}, {0x6969, Network}, {0xef53, Local}, {0x01021994, std::nullopt}, {0x65735546, std::nullopt},
    };
    for (const auto& [magic, kind] : magics)
        EXPECT_EQ(FsKindOfMagic(magic), kind) << std::hex << magic;
    // Network file systems only while crossing, and only when asked; the kernel's never.
    CExcludeRules rules;
    rules.bNetworkFileSystems = true;
    EXPECT_FALSE(rules.Crossing().Enters(Local) || rules.Crossing().Enters(Network));
    rules.bCrossFileSystems = true;
    EXPECT_TRUE(rules.Crossing().Enters(Local) && rules.Crossing().Enters(Network));
    EXPECT_FALSE(rules.Crossing().Enters(Pseudo));
    rules.bNetworkFileSystems = false;
    EXPECT_FALSE(rules.Crossing().Enters(Network));

    const std::string mountinfo = "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
                                  "25 1 0:5 / /dev rw,nosuid shared:2 - devtmpfs udev rw,size=100k\n"
                                  "26 25 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
                                  "90 1 0:50 / /mnt/my\\040share rw - fuse.sshfs me@host:/x rw,user_id=1000\n"
                                  "91 1 0:51 / /broken\n";
    const std::tuple<unsigned, unsigned, const char*> devices[] = {
        {0, 5, "devtmpfs"}, {0, 23, "tmpfs"}, {0, 50, "fuse.sshfs"}, {0, 51, ""}, {8, 1, ""},
    };
    for (const auto& [nMajor, nMinor, type] : devices)
        EXPECT_EQ(FsTypeOfDevice(mountinfo, nMajor, nMinor), type) << nMajor << ":" << nMinor;
    // The drive list goes by the same names: the NFS server's control files are no share.
    const std::vector<CDriveInfo> drives = ParseMountInfo("30 22 0:40 / /proc/fs/nfsd rw - nfsd nfsd rw\n"
                                                          "31 1 0:41 / /srv/share rw - nfs4 server:/export rw\n",
                                                          {});
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].root, "/srv/share");
    EXPECT_EQ(drives[0].kind, DriveKind::Network);
}

// Staying, every mount point is a folder of another file system, empty; crossing, the search
// goes into memory disks (one inside another, and two alike whose inode numbers are the
// same) but never into proc. du and find count the same; both finders agree; saved searches
// keep mount points; a refresh of one follows the rules of its time.
TEST(CrossFileSystems, SearchesGoIntoMountsButNeverIntoTheKernelsOwn)
{
    TempTree t;
    t.Files({{"top", 1000}, {"a/b", 2000}});
    for (const char* dir : {"disk1", "disk2", "proc"})
        t.Dir(dir);
    ScopedMount disk1 = ScopedMount::SmallDisk(t.Path("disk1"), 1 << 20);
    if (!disk1.Mounted())
        GTEST_SKIP() << "cannot mount here: " << std::strerror(errno);
    const ScopedMount disk2 = ScopedMount::SmallDisk(t.Path("disk2"), 1 << 20);
    for (const std::string disk : {"disk1", "disk2"}) {
        t.Files({{disk + "/d/f", 300}, {disk + "/x", 20}});
        ASSERT_EQ(::link(t.Path(disk + "/d/f").c_str(), t.Path(disk + "/d/g").c_str()), 0);
    }
    t.Dir("disk1/d/inner");
    const ScopedMount inner = ScopedMount::SmallDisk(t.Path("disk1/d/inner"), 1 << 20);
    t.File("disk1/d/inner/deep", 77);
    const ScopedMount proc = ScopedMount::Kernel("proc", t.Path("proc"));
    if (!disk2.Mounted() || !inner.Mounted() || !proc.Mounted())
        GTEST_SKIP() << "cannot mount a memory disk in one, or a proc: " << std::strerror(errno);

    for (const bool bCross : {false, true}) {
        SCOPED_TRACE(bCross ? "crossing" : "staying");
        const ScopedRules rules(Rules({}, false, bCross));
        std::string byOneThread;
        for (const bool bReadAhead : {false, true}) {
            auto doc = NewSearch(t.Root());
            doc->SetReadAhead(bReadAhead);
            ASSERT_TRUE(doc->OnNewDocument());
            CEntry* root = doc->GetRoot();
            EXPECT_EQ(root->GetLength(), FoundLengths(t.Root(), bCross ? "" : "-xdev"));
            EXPECT_EQ(root->GetDiskSize(), Du(t.Root(), bCross ? "--exclude=proc" : "-x"));
            EXPECT_EQ(FindBadTotal(root), nullptr);
            const CEntry* pProc = Child(root, "proc");
            ASSERT_NE(pProc, nullptr);
            EXPECT_TRUE(pProc->IsMountPoint() && pProc->GetChildren().empty());
            EXPECT_EQ(pProc->GetTypeText(), "Directory (other file system)");
            EXPECT_EQ(Child(root, "disk1")->IsMountPoint(), !bCross);
            EXPECT_EQ(EntryAt(root, {"disk1", "d", "inner", "deep"}) != nullptr, bCross);
            EXPECT_EQ(EntryAt(root, {"disk2", "d", "f"}) != nullptr, bCross) << "not taken for disk1/d";
            const std::string dump = Dump(*root, t.Root().size());
            if (bReadAhead) {
                EXPECT_EQ(dump, byOneThread);
            }
            byOneThread = dump;
        }
    }

    // A saved search keeps its mount points in ncdu's words, and reads them back as such.
    auto doc = Search(t.Root());
    ASSERT_TRUE(doc);
    TempTree out;
    CNcduWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(out.Path("s.json"), error) && writer.Write(*doc->GetRoot(), error)) << error;
    const std::string saved = ReadFile(out.Path("s.json"));
    std::size_t nOther = 0;
    for (std::size_t at = 0; (at = saved.find("\"excluded\":\"otherfs\"", at)) != std::string::npos; ++at)
        ++nOther;
    EXPECT_EQ(nOther, 3u) << saved;
    CNcduReader reader;
    CEntryArena arena;
    const CEntry* back = reader.Read(out.Path("s.json"), arena);
    ASSERT_NE(back, nullptr) << reader.GetError();
    EXPECT_EQ(Child(back, "disk1")->GetTypeText(), "Directory (other file system)");

    // Crossing, each file system's device goes along (ncdu's "dev"), so that the links of
    // the two disks, alike in inode numbers, stay apart when read back; kept (a snapshot
    // written later) or written at once.
    {
        const ScopedRules rules(Rules({}, false, true));
        auto crossed = Search(t.Root());
        ASSERT_TRUE(crossed);
        const CSearchSnapshot snapshot(*crossed->GetRoot(), 0);
        for (const bool bKept : {false, true}) {
            CNcduWriter again;
            ASSERT_TRUE(again.Open(out.Path("c.json"), error)
                        && (bKept ? again.Write(snapshot, error) : again.Write(*crossed->GetRoot(), error)))
                << error;
            CEntryArena crossedArena;
            const CEntry* read = reader.Read(out.Path("c.json"), crossedArena);
            ASSERT_NE(read, nullptr) << reader.GetError();
            EXPECT_EQ(read->GetDiskSize(), crossed->GetRoot()->GetDiskSize()) << bKept;
        }
    }

    // A refresh of a mount point goes in while the rules cross, and leaves it again after.
    for (const bool bCross : {true, false}) {
        const ScopedRules rules(Rules({}, false, bCross));
        doc->SetCurrent(Child(doc->GetRoot(), "disk1"));
        doc->OnRefresh();
        const CEntry* pDisk = Child(doc->GetRoot(), "disk1");
        EXPECT_EQ(pDisk->IsMountPoint(), !bCross);
        EXPECT_EQ(pDisk->GetLength(), bCross ? FoundLengths(t.Path("disk1"), "") : 0);
        EXPECT_EQ(FindBadTotal(doc->GetRoot()), nullptr);
    }
    // The headless tools take the command line's word alone.
    const ProgramRun crossing = RunProgram(out, {"--save", t.Root(), "--cross-file-systems", "-"});
    const ProgramRun staying = RunProgram(out, {"--save", t.Root(), "-"});
    EXPECT_EQ(crossing.exitCode, 0) << crossing.err;
    EXPECT_NE(crossing.out.find("\"name\":\"deep\""), std::string::npos);
    EXPECT_EQ(staying.out.find("\"name\":\"deep\""), std::string::npos);
}

// A refresh started at a folder the rules leave out (a cache, or one a pattern names) keeps
// it out as a search from the top does, with nothing counted.
TEST(CrossFileSystems, RefreshKeepsOutWhatASearchWouldLeaveOut)
{
    TempTree t;
    t.Files({{"keep/x", 10}, {"cache/blob", 7000}, {"build/tmp/a", 500}});
    WriteFile(t.Path("cache/CACHEDIR.TAG"), kCacheTag);
    for (const bool bReadAhead : {false, true}) {
        SCOPED_TRACE(bReadAhead);
        auto doc = NewSearch(t.Root());
        doc->SetReadAhead(bReadAhead);
        ASSERT_TRUE(doc->OnNewDocument());
        ASSERT_FALSE(Child(doc->GetRoot(), "cache")->GetChildren().empty());
        const ScopedRules rules(Rules({"build/tmp"}, true));
        for (const std::vector<std::string>& names : {std::vector<std::string>{"cache"}, {"build", "tmp"}}) {
            doc->SetCurrent(EntryAt(doc->GetRoot(), names));
            doc->OnRefresh();
            const CEntry* pLeft = EntryAt(doc->GetRoot(), names);
            ASSERT_NE(pLeft, nullptr);
            EXPECT_TRUE(pLeft->IsExcluded() && pLeft->GetChildren().empty()) << names.back();
            EXPECT_EQ(pLeft->GetDiskSize(), 0) << names.back();
        }
        auto afresh = NewSearch(t.Root());
        afresh->SetReadAhead(bReadAhead);
        ASSERT_TRUE(afresh->OnNewDocument());
        EXPECT_EQ(Dump(*doc->GetRoot(), t.Root().size()), Dump(*afresh->GetRoot(), t.Root().size()));
    }
}
