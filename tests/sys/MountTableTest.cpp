#include "sys/MountTable.h"

#include "support/ScopedMount.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <set>
#include <tuple>
#include <unistd.h>

namespace {

// A desktop with the usual kernel file systems, a network share, sshfs and other FUSE mounts
// (the user's, another's, another's open to all, the desktop's own), a CD, a
// USB stick with a label, mount points with escaped characters, and an nvme disk. Below
// them: a stick mounted over a directory of the root disk, and a tmpfs over the point of
// another disk, hiding it (only what is visible counts), then a floppy, an SD card, smb3,
// an overlay container root, a snap image, memory file systems of the user's and of the
// system's, a bind-mounted file and a line of no known shape.
constexpr std::string_view kSample =
    "22 1 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:5 - proc proc rw\n"
    "23 1 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:6 - sysfs sysfs rw\n"
    "24 1 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8000000k\n"
    "27 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw,errors=remount-ro\n"
    "28 23 0:26 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:9 - cgroup2 cgroup2 rw\n"
    "29 27 259:1 / /boot/efi rw,relatime shared:30 - vfat /dev/nvme0n1p1 rw,fmask=0077\n"
    "30 27 0:40 / /mnt/nas rw,relatime shared:40 - nfs4 nas:/export/media rw,vers=4.2\n"
    "31 27 0:41 / /home/ann/remote rw,nosuid,relatime shared:41 - fuse.sshfs ann@box:/srv "
    "rw,user_id=1000,group_id=1000\n"
    "35 27 0:42 / /home/bob/remote rw - fuse.sshfs bob@box:/srv rw,user_id=1001,group_id=1001\n"
    "36 27 0:43 / /home/bob/vault rw - fuse.gocryptfs /home/bob/.v rw,user_id=1001,group_id=1001,allow_other\n"
    "37 27 0:44 / /home/ann/vault\040x rw - fuse.gocryptfs /home/ann/.v rw,user_id=10000,group_id=1000\n"
    "38 53 0:45 / /run/user/1000/doc rw - fuse.portal portal rw,user_id=1000,group_id=1000\n"
    "32 27 11:0 / /media/cdrom ro,nosuid,nodev,relatime shared:42 - iso9660 /dev/sr0 ro\n"
    "33 27 8:17 / /media/ann/USB\\040STICK rw,nosuid,nodev,relatime shared:43 - vfat /dev/sdb1 rw\n"
    "34 27 8:2 / /srv/old\\011data\\134x rw,relatime shared:44 - ext4 /dev/sdab12 rw\n"
    "40 27 8:1 / /data rw - ext4 /dev/sda1 rw\n"
    "41 40 8:33 / /data rw - ext4 /dev/sdc1 rw\n"
    "42 27 8:3 / /hidden rw - ext4 /dev/sda3 rw\n"
    "43 42 0:30 / /hidden rw - tmpfs tmpfs rw\n"
    "44 27 2:0 / /mnt/floppy rw - vfat /dev/fd0 rw\n"
    "46 27 179:1 / /mnt/sd rw - exfat /dev/mmcblk0p1 rw\n"
    "47 27 0:60 / /mnt/share rw - smb3 //server/share rw\n"
    "49 0 0:62 / /container rw - overlay overlay rw,lowerdir=/a\n"
    "50 27 0:63 / /snap/core/1 ro - squashfs /dev/loop3 ro\n"
    "51 27 0:70 / /tmp rw - tmpfs tmpfs rw\n"
    "52 24 0:71 / /dev/shm rw - tmpfs tmpfs rw\n"
    "53 1 0:72 / /run/user/1000 rw - tmpfs tmpfs rw\n"
    "54 23 0:73 / /sys/fs/cgroup ro - tmpfs tmpfs ro\n"
    "55 27 0:74 / /running rw - tmpfs scratch rw\n"
    "56 27 254:1 /containers/x/hosts /etc/hosts rw - ext4 /dev/vda1 rw\n"
    "malformed line without a separator\n";

using Row = std::tuple<std::string, std::string, DriveKind, std::string, std::string>;

std::vector<Row> Rows(const std::vector<CDriveInfo>& drives)
{
    std::vector<Row> rows;
    for (const CDriveInfo& d : drives)
        rows.emplace_back(d.root, d.label, d.kind, d.fsType, d.device);
    return rows;
}

}  // namespace

TEST(MountTable, KeepsRealVisibleFileSystemsSortedAndClassifiesThem)
{
    CMountLookups lookups;
    std::set<std::string> asked;
    lookups.isRemovable = [&asked](const std::string& disk) {
        asked.insert(disk);
        return disk == "sdb" || disk == "sdc" || disk == "mmcblk0";
    };
    lookups.labelOf = [](const std::string& device) -> std::string {
        return device == "/dev/sdb1" ? "USB STICK" : device == "/dev/nvme0n1p1" ? "EFI" : "";
    };
    lookups.userId = 1000;
    std::set<std::string> statted;
    lookups.isDirectory = [&statted](const std::string& mountPoint) {
        statted.insert(mountPoint);
        return mountPoint != "/etc/hosts";
    };
    using K = DriveKind;
    const std::vector<Row> expected = {
        {"/", "", K::HardDisc, "ext4", "/dev/nvme0n1p2"},
        {"/boot/efi", "EFI", K::HardDisc, "vfat", "/dev/nvme0n1p1"},
        {"/container", "", K::HardDisc, "overlay", "overlay"},
        {"/data", "", K::Removable, "ext4", "/dev/sdc1"},
        {"/hidden", "", K::HardDisc, "tmpfs", "tmpfs"},
        {"/home/ann/remote", "ann@box:/srv", K::Network, "fuse.sshfs", "ann@box:/srv"},
        {"/home/bob/vault", "", K::HardDisc, "fuse.gocryptfs", "/home/bob/.v"},
        {"/media/ann/USB STICK", "USB STICK", K::Removable, "vfat", "/dev/sdb1"},
        {"/media/cdrom", "", K::CdRom, "iso9660", "/dev/sr0"},
        {"/mnt/floppy", "", K::Floppy, "vfat", "/dev/fd0"},
        {"/mnt/nas", "nas:/export/media", K::Network, "nfs4", "nas:/export/media"},
        {"/mnt/sd", "", K::Removable, "exfat", "/dev/mmcblk0p1"},
        {"/mnt/share", "//server/share", K::Network, "smb3", "//server/share"},
        {"/running", "", K::HardDisc, "tmpfs", "scratch"},
        {"/srv/old\tdata\\x", "", K::HardDisc, "ext4", "/dev/sdab12"},
        {"/tmp", "", K::HardDisc, "tmpfs", "tmpfs"},
    };
    EXPECT_EQ(Rows(ParseMountInfo(kSample, lookups)), expected);
    // Only block devices are asked about, by their whole-disk names.
    EXPECT_EQ(asked, (std::set<std::string>{"nvme0n1", "sdb", "sdc", "sdab", "mmcblk0"}));
    // Network and FUSE mounts are never asked: a server that went away would hang the question.
    for (const char* remote : {"/mnt/nas", "/home/ann/remote", "/mnt/share", "/home/bob/vault"})
        EXPECT_EQ(statted.count(remote), 0u) << remote;
    EXPECT_EQ(statted.count("/etc/hosts"), 1u);

    // Whole-disk names that end in a digit come back as they are; an escape cut short
    // stays as written.
    for (const char* disk : {"nvme0n1", "mmcblk0", "dm-0"})
        EXPECT_EQ(DiskOfPartition(disk), disk);
    EXPECT_EQ(UnescapeMountField("/trailing\\04"), "/trailing\\04");
}

TEST(MountTable, SystemLookupsReadRemovableFlagsAndLabelLinks)
{
    TempTree tree;
    tree.Dir("sys/block/sdb");
    tree.Dir("sys/block/sda");
    std::ofstream(tree.Path("sys/block/sdb/removable")) << "1\n";
    std::ofstream(tree.Path("sys/block/sda/removable")) << "0\n";
    tree.Dir("dev/disk/by-label");
    tree.File("dev/sdb1");
    tree.File("dev/sda2");
    tree.Symlink("dev/disk/by-label/USB\\x20STICK\\xc3\\xa9", "../../sdb1");
    tree.Symlink("dev/disk/by-label/data", "../../sda2");

    const CMountLookups lookups = SystemMountLookups(tree.Path("sys/block"), tree.Path("dev/disk/by-label"));
    EXPECT_TRUE(lookups.isRemovable("sdb"));
    EXPECT_FALSE(lookups.isRemovable("sda"));
    EXPECT_FALSE(lookups.isRemovable("sdz"));
    EXPECT_FALSE(lookups.isRemovable("../block/sdb")) << "a disk name never leaves the directory";
    EXPECT_EQ(lookups.labelOf(tree.Path("dev/sdb1")), "USB STICK\xc3\xa9");
    EXPECT_EQ(lookups.labelOf(tree.Path("dev/sda2")), "data");
    EXPECT_EQ(lookups.labelOf(tree.Path("dev/sdc1")), "");
    EXPECT_EQ(SystemMountLookups(tree.Path("no/such"), tree.Path("no/such")).labelOf(tree.Path("dev/sda2")), "");
    EXPECT_TRUE(lookups.isDirectory(tree.Path("sys/block")));
    EXPECT_FALSE(lookups.isDirectory(tree.Path("dev/sdb1")));
    EXPECT_FALSE(lookups.isDirectory(tree.Path("no/such")));
}

// Whether a walk that keeps to the file system of its start can meet a directory twice: only
// through a mount of that same file system below the start. A root disk with a folder bound
// elsewhere on it, a stick (its name escaped) with a folder of its own bound inside it, a
// home disk with a tmpfs below, and a disk hidden under another mounted on the same point,
// with binds of either below.
TEST(MountTable, ADirectoryShowsTwiceOnlyThroughItsOwnFileSystemMountedBelowTheStart)
{
    constexpr std::string_view kMounts =
        "1 0 254:1 / / rw - ext4 /dev/vda1 rw\n"
        "2 1 254:1 /srv/data /srv/bound rw - ext4 /dev/vda1 rw\n"
        "3 1 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n"
        "4 3 8:17 /photos /media/usb\\040stick/inner\\040dir/again rw - vfat /dev/sdb1 rw\n"
        "5 1 8:2 / /home rw,relatime shared:3 - ext4 /dev/sda2 rw\n"
        "6 5 0:50 / /home/ann/tmp rw - tmpfs tmpfs rw\n"
        "7 1 8:3 / /data rw - ext4 /dev/sda3 rw\n"
        "8 7 8:4 / /data rw - xfs /dev/sda4 rw\n"
        "9 8 8:3 /old /data/x/y rw - ext4 /dev/sda3 rw\n"
        "10 8 8:4 /a /data/z rw - xfs /dev/sda4 rw\n";
    const struct {
        std::string_view start;
        bool bTwice;
    } cases[] = {
        {"/", true},  // the bound folder is met in both places
        {"/srv", true},
        {"/srv/bound", false},  // the start is the mount point: nothing mounted below
        {"/srv/bou", false},  // "/srv/bound" is no folder of "/srv/bou"
        {"/home", false},  // only another file system below, which the walk stays out of
        {"/home/ann/tmp", false},
        {"/home/ann/tmp/sub", false},  // inside the tmpfs nested in /home
        {"/media/usb stick", true},
        {"/media/usb stick/inner dir", true},
        {"/media/usb stick/inner dir/again", false},
        {"/media/usb stick/inner dir/again/deep", false},
        {"/data", true},  // the disk on top is bound at /data/z
        {"/data/x", false},  // only the hidden disk is bound below
        {"/data/z/deeper", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MayMeetDirectoriesTwice(kMounts, c.start), c.bTwice) << c.start;

    // Where the text cannot tell, a walk keeps count.
    const struct {
        std::string_view text, start;
    } unknown[] = {
        {"", "/home"},
        {"no mount table at all", "/home"},
        {std::string_view(kMounts.data(), 45), "/home"},  // cut in the middle of a line
        {"1 0 254:1 / / rw - ext4 /dev/vda1 rw\n2 1 sda / /home rw - ext4 /dev/sda2 rw\n", "/home"},
        {"5 1 8:2 / /home rw - ext4 /dev/sda2 rw\n", "/srv"},  // no mount above the start
        {kMounts, "home"},
        // A disk mounted on /a later hides the one mounted on /a/b before.
        {"1 0 254:1 / / rw - ext4 /dev/vda1 rw\n2 1 8:1 / /a/b rw - ext4 /dev/sda1 rw\n"
         "3 1 8:2 / /a rw - ext4 /dev/sda2 rw\n4 2 8:9 / /a/b/c/d rw - ext4 /dev/sdc1 rw\n",
         "/a/b/c"},
        // Listed out of order, the disk made on top of another on /m is listed first.
        {"1 0 254:1 / / rw - ext4 /dev/vda1 rw\n3 2 8:2 / /m rw - ext4 /dev/sda2 rw\n"
         "2 1 8:1 / /m rw - ext4 /dev/sda1 rw\n",
         "/m"},
    };
    for (const auto& c : unknown)
        EXPECT_TRUE(MayMeetDirectoriesTwice(c.text, c.start)) << c.text << " from " << c.start;
}

// The running system's table, for folders opened as a walk opens its start: a fresh folder
// has nothing mounted below it but what the test mounts there.
TEST(MountTable, TheRunningSystemsTableTellsWhereAnOpenDirectoryMayShowTwice)
{
    TempTree t;
    t.Dir("top/disk");
    t.Dir("top/with space/bound");
    t.Dir("elsewhere");
    const auto mayShowTwice = [&t](const std::string& relative) {
        const int fd = ::open(t.Path(relative).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        EXPECT_GE(fd, 0) << relative;
        const bool bTwice = MayMeetDirectoriesTwice(fd);
        ::close(fd);
        return bTwice;
    };
    EXPECT_FALSE(mayShowTwice("top"));
    EXPECT_TRUE(MayMeetDirectoriesTwice(-1)) << "no folder open";
    const ScopedMount disk = ScopedMount::SmallDisk(t.Path("top/disk"), 65536);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting needs privilege";
    EXPECT_FALSE(mayShowTwice("top")) << "another file system below";
    const ScopedMount bound = ScopedMount::Bind(t.Path("elsewhere"), t.Path("top/with space/bound"));
    ASSERT_TRUE(bound.Mounted());
    const struct {
        std::string relative;
        bool bTwice;
    } cases[] = {
        {"top", true},
        {"top/with space", true},
        {"top/disk/../with space", true},  // known by where it is, not by the way there
        {"top/with space/bound", false},
        {"top/disk", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mayShowTwice(c.relative), c.bTwice) << c.relative;
}
