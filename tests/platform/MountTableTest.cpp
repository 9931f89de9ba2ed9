#include "platform/MountTable.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace {

// A desktop with the usual kernel file systems, a network share, an sshfs mount, a CD, a
// USB stick with a label, a partition whose mount point holds a space, and an nvme disk.
constexpr std::string_view kSample =
    "22 1 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:5 - proc proc rw\n"
    "23 1 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:6 - sysfs sysfs rw\n"
    "24 1 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8000000k\n"
    "25 24 0:23 / /dev/pts rw,nosuid,noexec,relatime shared:3 - devpts devpts rw,gid=5\n"
    "26 1 0:24 / /run rw,nosuid,nodev,noexec,relatime shared:7 - tmpfs tmpfs rw,mode=755\n"
    "27 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw,errors=remount-ro\n"
    "28 23 0:26 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:9 - cgroup2 cgroup2 rw\n"
    "29 27 259:1 / /boot/efi rw,relatime shared:30 - vfat /dev/nvme0n1p1 rw,fmask=0077\n"
    "30 27 0:40 / /mnt/nas rw,relatime shared:40 - nfs4 nas:/export/media rw,vers=4.2\n"
    "31 27 0:41 / /home/ann/remote rw,nosuid,nodev,relatime shared:41 - fuse.sshfs ann@box:/srv "
    "rw,user_id=1000\n"
    "32 27 11:0 / /media/cdrom ro,nosuid,nodev,relatime shared:42 - iso9660 /dev/sr0 ro\n"
    "33 27 8:17 / /media/ann/USB\\040STICK rw,nosuid,nodev,relatime shared:43 - vfat /dev/sdb1 rw\n"
    "34 27 8:2 / /srv/old\\040data rw,relatime shared:44 - ext4 /dev/sda2 rw\n"
    "35 27 0:50 / /tmp rw,nosuid,nodev shared:45 - tmpfs tmpfs rw\n";

CMountLookups FakeLookups()
{
    CMountLookups lookups;
    lookups.isRemovable = [](const std::string& disk) { return disk == "sdb"; };
    lookups.labelOf = [](const std::string& device) -> std::string {
        if (device == "/dev/sdb1")
            return "USB STICK";
        if (device == "/dev/nvme0n1p1")
            return "EFI";
        return {};
    };
    return lookups;
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
}

}  // namespace

TEST(MountTable, ParsesARealisticMountTable)
{
    const std::vector<CDriveInfo> drives = ParseMountInfo(kSample, FakeLookups());

    struct Expected {
        std::string root, label;
        DriveKind kind;
        std::string fsType, device;
    };
    const std::vector<Expected> expected = {
        {"/", "", DriveKind::HardDisc, "ext4", "/dev/nvme0n1p2"},
        {"/boot/efi", "EFI", DriveKind::HardDisc, "vfat", "/dev/nvme0n1p1"},
        {"/home/ann/remote", "", DriveKind::Network, "fuse.sshfs", "ann@box:/srv"},
        {"/media/ann/USB STICK", "USB STICK", DriveKind::Removable, "vfat", "/dev/sdb1"},
        {"/media/cdrom", "", DriveKind::CdRom, "iso9660", "/dev/sr0"},
        {"/mnt/nas", "", DriveKind::Network, "nfs4", "nas:/export/media"},
        {"/srv/old data", "", DriveKind::HardDisc, "ext4", "/dev/sda2"},
    };
    ASSERT_EQ(drives.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].root);
        EXPECT_EQ(drives[i].root, expected[i].root);
        EXPECT_EQ(drives[i].label, expected[i].label);
        EXPECT_EQ(drives[i].kind, expected[i].kind);
        EXPECT_EQ(drives[i].fsType, expected[i].fsType);
        EXPECT_EQ(drives[i].device, expected[i].device);
    }
}

TEST(MountTable, KeepsTheVisibleMountAndClassifiesByDeviceAndType)
{
    // A stick mounted over a directory of the root disk, then a tmpfs over the stick's
    // point hides it: only what is visible counts. Floppy, a DVD as udf, smb3, 9p, an
    // overlay container root and a bind source without "/dev" are classified too.
    const std::string text =
        "1 0 8:1 / /data rw - ext4 /dev/sda1 rw\n"
        "2 1 8:17 / /data rw - ext4 /dev/sdb1 rw\n"
        "3 1 8:1 / /hidden rw - ext4 /dev/sda3 rw\n"
        "4 3 0:30 / /hidden rw - tmpfs tmpfs rw\n"
        "5 1 2:0 / /mnt/floppy rw - vfat /dev/fd0 rw\n"
        "6 1 11:0 / /mnt/dvd ro - udf /dev/sr1 ro\n"
        "7 1 0:60 / /mnt/share rw - smb3 //server/share rw\n"
        "8 1 0:61 / /mnt/host rw - 9p hostshare rw\n"
        "9 0 0:62 / /container rw - overlay overlay rw,lowerdir=/a\n"
        "10 1 179:1 / /mnt/sd rw - exfat /dev/mmcblk0p1 rw\n"
        "11 1 0:63 / /snap/core/1 ro - squashfs /dev/loop3 ro\n"
        "malformed line without a separator\n"
        "12 1 0:64 / /mnt/odd\\011tab\\134back rw - btrfs /dev/vdb rw\n";
    CMountLookups lookups;
    std::set<std::string> asked;
    lookups.isRemovable = [&asked](const std::string& disk) {
        asked.insert(disk);
        return disk == "sdb" || disk == "mmcblk0";
    };
    const std::vector<CDriveInfo> drives = ParseMountInfo(text, lookups);

    std::vector<std::pair<std::string, DriveKind>> got;
    for (const CDriveInfo& d : drives)
        got.emplace_back(d.root, d.kind);
    const std::vector<std::pair<std::string, DriveKind>> expected = {
        {"/container", DriveKind::HardDisc},    {"/data", DriveKind::Removable},
        {"/mnt/dvd", DriveKind::CdRom},         {"/mnt/floppy", DriveKind::Floppy},
        {"/mnt/host", DriveKind::Network},      {"/mnt/odd\ttab\\back", DriveKind::HardDisc},
        {"/mnt/sd", DriveKind::Removable},      {"/mnt/share", DriveKind::Network},
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(drives[1].device, "/dev/sdb1");
    // Only block devices are asked about, by their whole-disk names.
    EXPECT_EQ(asked, (std::set<std::string>{"sdb", "mmcblk0", "vdb"}));
    // With no lookups at all nothing is removable and nothing has a label.
    const std::vector<CDriveInfo> bare = ParseMountInfo(kSample, CMountLookups{});
    ASSERT_EQ(bare.size(), 7u);
    EXPECT_EQ(bare[3].kind, DriveKind::HardDisc);
    EXPECT_EQ(bare[3].label, "");
}

TEST(MountTable, DecodesNamesAndFindsWholeDisks)
{
    EXPECT_EQ(UnescapeMountField("/a\\040b\\011c\\012d\\134e"), "/a b\tc\nd\\e");
    EXPECT_EQ(UnescapeMountField("/trailing\\04"), "/trailing\\04");
    EXPECT_EQ(UnescapeMountField("/not\\999octal"), "/not\\999octal");
    EXPECT_EQ(UnescapeUdevName("My\\x20Disk\\x2fX"), "My Disk/X");
    EXPECT_EQ(UnescapeUdevName("caf\\xc3\\xa9\\x2"), "caf\xc3\xa9\\x2");

    EXPECT_EQ(DiskOfPartition("sdb1"), "sdb");
    EXPECT_EQ(DiskOfPartition("sdab12"), "sdab");
    EXPECT_EQ(DiskOfPartition("sdb"), "sdb");
    EXPECT_EQ(DiskOfPartition("vda3"), "vda");
    EXPECT_EQ(DiskOfPartition("xvda1"), "xvda");
    EXPECT_EQ(DiskOfPartition("nvme0n1p2"), "nvme0n1");
    EXPECT_EQ(DiskOfPartition("nvme0n1"), "nvme0n1");
    EXPECT_EQ(DiskOfPartition("mmcblk0p1"), "mmcblk0");
    EXPECT_EQ(DiskOfPartition("mmcblk0"), "mmcblk0");
    EXPECT_EQ(DiskOfPartition("sr0"), "sr0");
    EXPECT_EQ(DiskOfPartition("dm-0"), "dm-0");
}

TEST(MountTable, ReadsRemovableFlagsAndLabelLinksFromDirectories)
{
    TempTree tree;
    tree.Dir("sys/block/sdb");
    tree.Dir("sys/block/sda");
    WriteText(tree.Path("sys/block/sdb/removable"), "1\n");
    WriteText(tree.Path("sys/block/sda/removable"), "0\n");
    EXPECT_TRUE(ReadRemovableFlag(tree.Path("sys/block"), "sdb"));
    EXPECT_FALSE(ReadRemovableFlag(tree.Path("sys/block"), "sda"));
    EXPECT_FALSE(ReadRemovableFlag(tree.Path("sys/block"), "sdz"));
    EXPECT_FALSE(ReadRemovableFlag(tree.Path("sys/block"), "../block/sdb"));

    tree.Dir("dev/disk/by-label");
    tree.File("dev/sdb1");
    tree.File("dev/sda2");
    tree.Symlink("dev/disk/by-label/USB\\x20STICK", "../../sdb1");
    tree.Symlink("dev/disk/by-label/data", "../../sda2");
    const std::string sdb1 = std::filesystem::canonical(tree.Path("dev/sdb1")).string();
    const std::string sda2 = std::filesystem::canonical(tree.Path("dev/sda2")).string();
    const std::map<std::string, std::string> labels = ReadVolumeLabels(tree.Path("dev/disk/by-label"));
    EXPECT_EQ(labels, (std::map<std::string, std::string>{{sdb1, "USB STICK"}, {sda2, "data"}}));
    EXPECT_TRUE(ReadVolumeLabels(tree.Path("no/such/dir")).empty());

    // The system lookups built on those directories answer by device path.
    const CMountLookups lookups = SystemMountLookups(tree.Path("sys/block"), tree.Path("dev/disk/by-label"));
    EXPECT_TRUE(lookups.isRemovable("sdb"));
    EXPECT_FALSE(lookups.isRemovable("sda"));
    EXPECT_EQ(lookups.labelOf(tree.Path("dev/sdb1")), "USB STICK");
    EXPECT_EQ(lookups.labelOf(tree.Path("dev/sda2")), "data");
    EXPECT_EQ(lookups.labelOf(tree.Path("dev/sdc1")), "");
}

TEST(MountTable, EnumeratesTheRunningSystem)
{
    // Whatever this machine mounts, the list is sorted, free of duplicates and of the
    // kernel's own file systems, and every entry is a directory one can walk.
    const std::vector<CDriveInfo> drives = EnumerateDrives();
    ASSERT_FALSE(drives.empty());
    for (std::size_t i = 0; i < drives.size(); ++i) {
        SCOPED_TRACE(drives[i].root);
        if (i > 0) {
            EXPECT_LT(drives[i - 1].root, drives[i].root);
        }
        for (const char* pseudo : {"proc", "sysfs", "tmpfs", "cgroup", "cgroup2", "devtmpfs", "devpts"})
            EXPECT_NE(drives[i].fsType, pseudo);
        EXPECT_TRUE(std::filesystem::is_directory(drives[i].root));
    }
}
