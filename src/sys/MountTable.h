#pragma once
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// What sort of drive a mounted file system lives on. The value is the drive's icon index.
enum class DriveKind { Floppy = 0, HardDisc = 1, CdRom = 2, Removable = 3, Network = 4 };

// One mounted file system as the drive list shows it. All strings are file-system bytes.
struct CDriveInfo {
    std::string root;  // the mount point, e.g. "/home"
    std::string label;  // the volume label, or empty when the volume has none
    DriveKind kind = DriveKind::HardDisc;
    std::string fsType;  // e.g. "ext4", "nfs4", "fuse.sshfs"
    std::string device;  // the mount source, e.g. "/dev/sdb1", "server:/export"
};

// The questions that the mount table cannot answer by itself. Any function may be empty:
// the answer is then "not removable" / "no label" / "a directory".
struct CMountLookups {
    // Whether the whole disk (a name under /sys/block such as "sdb") has removable media.
    std::function<bool(const std::string& disk)> isRemovable;
    // The volume label of a device path such as "/dev/sdb1", or empty.
    std::function<std::string(const std::string& device)> labelOf;
    // Whether a mount point is a directory: a single file can be bind-mounted too (a
    // container's /etc/hosts), and a file is no drive.
    std::function<bool(const std::string& mountPoint)> isDirectory;
    // The user whose own FUSE file systems are listed; -1 lists only those open to all
    // (allow_other). The kernel refuses anyone else, even a look at the mount point.
    long userId = -1;
};

// The lookups that read the running system: <sysBlockDir>/<disk>/removable, the symbolic
// links in byLabelDir (read once, on first use) and the mount points' own status.
CMountLookups SystemMountLookups(const std::string& sysBlockDir = "/sys/block",
                                 const std::string& byLabelDir = "/dev/disk/by-label");

// The drives of a /proc/self/mountinfo text: real and network file systems, FUSE ones the
// user may read, and memory ones (tmpfs) that a user mounted; FUSE and memory file systems
// only outside the system's own /run, /dev, /sys and /proc. One per mount point (the last
// mount, which hides the earlier ones), directories only, sorted by mount point bytes. A
// network file system without a label is labelled with its source ("server:/export").
std::vector<CDriveInfo> ParseMountInfo(std::string_view mountinfoText, const CMountLookups& lookups);

// The drives of the running system.
std::vector<CDriveInfo> EnumerateDrives();

// The file system type a /proc/self/mountinfo text gives for the device major:minor
// ("tmpfs", "fuse.sshfs"), or empty when no line names it.
std::string FsTypeOfDevice(std::string_view mountinfoText, unsigned nMajor, unsigned nMinor);

// Whether a walk that starts at the directory startPath (its canonical path, as bytes) and
// keeps to the file system holding it may meet a directory twice, by a /proc/self/mountinfo
// text. A directory has no other name within its own mount, so it shows twice only where a
// mount below the start is of that same file system (a bind mount of a directory inside the
// walk or above it, or the file system mounted again). True as well where the text cannot
// tell: a line of no known shape, no mount above the start, the mount above it hidden.
bool MayMeetDirectoriesTwice(std::string_view mountinfoText, std::string_view startPath);
// The same for the directory open as fd, by the running system's mount table; true when
// either cannot be read. Mount points are never asked for their status, so a network
// server that went away holds nothing up.
bool MayMeetDirectoriesTwice(int fd);

// Helpers the lookups are made of, public so that each can be checked on its own.

// Decodes the octal escapes of a mountinfo field ("\040" is a space).
std::string UnescapeMountField(std::string_view field);
// Decodes the "\xHH" escapes udev writes into /dev/disk/by-label names.
std::string UnescapeUdevName(std::string_view name);
// The whole-disk name of a device or partition name: "sdb1" -> "sdb", "nvme0n1p2" ->
// "nvme0n1", "mmcblk0p1" -> "mmcblk0"; a whole-disk name comes back unchanged.
std::string DiskOfPartition(std::string_view deviceName);
// Whether <sysBlockDir>/<disk>/removable reads "1".
bool ReadRemovableFlag(const std::string& sysBlockDir, const std::string& disk);
// Label per device for every link in byLabelDir: the key is the canonical path of the
// link's target, the value the decoded link name.
std::map<std::string, std::string> ReadVolumeLabels(const std::string& byLabelDir);
