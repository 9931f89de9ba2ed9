#include "MountTable.h"

#include "FileSystemKind.h"
#include "HexDigit.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using namespace std::string_view_literals;

// File systems that hold files a user may want to measure. Anything else (proc, sysfs,
// cgroup, squashfs images of snaps, ...) is kernel bookkeeping and is left out. An overlay
// stays: inside a container it is the only file system there is. Memory file systems are
// wanted only where a user put them (IsUserMemoryMount).
constexpr std::array kLocalTypes = {
    "ext2"sv,  "ext3"sv,    "ext4"sv,     "xfs"sv,     "btrfs"sv,    "f2fs"sv,    "vfat"sv,     "msdos"sv,
    "exfat"sv, "ntfs"sv,    "ntfs3"sv,    "fuseblk"sv, "iso9660"sv,  "udf"sv,     "zfs"sv,      "jfs"sv,
    "hfs"sv,   "hfsplus"sv, "reiserfs"sv, "nilfs2"sv,  "bcachefs"sv, "overlay"sv, "virtiofs"sv,
};

bool Contains(const auto& list, std::string_view value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The same list a walk that crosses file systems goes by ("nfsd" is no share).
bool IsNetworkType(std::string_view type) { return FsKindOfType(type) == EFsKind::Network; }

bool IsFuseType(std::string_view type) { return type == "fuse" || type.starts_with("fuse."); }

bool IsUnder(std::string_view path, std::string_view dir)
{
    return path.starts_with(dir) && (path.size() == dir.size() || path[dir.size()] == '/');
}

// The system keeps its runtime state and device nodes under these.
bool IsSystemPath(std::string_view mountPoint)
{
    for (std::string_view system : {"/run"sv, "/dev"sv, "/sys"sv, "/proc"sv})
        if (IsUnder(mountPoint, system))
            return true;
    return false;
}

// A tmpfs such as /tmp or a scratch disc of a user's own.
bool IsUserMemoryMount(std::string_view type, std::string_view mountPoint)
{
    return type == "tmpfs" && !IsSystemPath(mountPoint);
}

// A FUSE file system (sshfs, rclone, an encrypted folder, ...) serves its owner alone
// unless mounted with allow_other; its super options say which ("user_id=1000,...").
bool IsReadableFuseMount(std::string_view mountPoint, std::string_view options, long userId)
{
    if (IsSystemPath(mountPoint))
        return false;  // the desktop's own: document portal, gvfs
    const std::string owner = "user_id=" + std::to_string(userId);
    bool bReadable = false;
    std::size_t pos = 0;
    while (pos <= options.size()) {
        const std::size_t end = std::min(options.find(',', pos), options.size());
        const std::string_view option = options.substr(pos, end - pos);
        bReadable = bReadable || option == "allow_other" || (userId >= 0 && option == owner);
        pos = end + 1;
    }
    return bReadable;
}

bool IsWanted(const CDriveInfo& mount, std::string_view options, long userId)
{
    if (IsFuseType(mount.fsType))
        return IsReadableFuseMount(mount.root, options, userId);
    return Contains(kLocalTypes, mount.fsType) || IsNetworkType(mount.fsType)
        || IsUserMemoryMount(mount.fsType, mount.root);
}

// Network and FUSE mounts are not asked: a server or a daemon that went away would hang the
// question, and a single file is bind-mounted from a local file system.
bool IsDirectoryMount(const CDriveInfo& mount, const CMountLookups& lookups)
{
    return !lookups.isDirectory || IsNetworkType(mount.fsType) || IsFuseType(mount.fsType)
        || lookups.isDirectory(mount.root);
}

std::string_view BaseName(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// Whether path is dir itself or lies below it; every absolute path lies below "/".
bool IsAtOrBelow(std::string_view path, std::string_view dir)
{
    return dir == "/" ? path.starts_with('/') : IsUnder(path, dir);
}

// "8:17", a device as the kernel writes it.
bool IsDeviceField(std::string_view field)
{
    const std::size_t colon = field.find(':');
    const auto digits = [](std::string_view s) { return !s.empty() && std::all_of(s.begin(), s.end(), IsDigit); };
    return colon != std::string_view::npos && digits(field.substr(0, colon)) && digits(field.substr(colon + 1));
}

// A mount as far as its place in the tree of mounts goes.
struct MountPlace {
    std::string_view id, parent;
    std::string_view device;  // the file system's major:minor
    std::string point;
};

// Whether another mount hides the given one: one made on top of it, or one on a point above
// that is not among the mounts it was made inside (found by their ids up to the first one
// not listed).
bool IsCovered(const std::vector<MountPlace>& mounts, std::size_t index)
{
    std::vector<std::size_t> inside;  // the mounts it lies in, nearest first
    for (std::size_t i = index; inside.size() <= mounts.size();) {
        const auto parent =
            std::find_if(mounts.begin(), mounts.end(), [&](const MountPlace& m) { return m.id == mounts[i].parent; });
        if (parent == mounts.end())
            break;
        i = static_cast<std::size_t>(parent - mounts.begin());
        inside.push_back(i);
    }
    const std::string& point = mounts[index].point;
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        if (mounts[i].point == point && mounts[i].parent == mounts[index].id)
            return true;
        if (mounts[i].point.size() < point.size() && IsAtOrBelow(point, mounts[i].point)
            && std::find(inside.begin(), inside.end(), i) == inside.end())
            return true;
    }
    return false;
}

// The whole of a file of the kernel's; false when a read fails, as a part could tell wrong.
bool ReadWholeFile(const char* path, std::string& text)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[16384];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno != EINTR)
            break;
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return n == 0;
}

// "sr0", "fd1": the kernel's names for optical and floppy drives.
bool IsNumberedName(std::string_view name, std::string_view prefix)
{
    return name.size() > prefix.size() && name.starts_with(prefix) && IsDigit(name[prefix.size()]);
}

DriveKind KindOf(const std::string& type, const std::string& device, const CMountLookups& lookups)
{
    if (IsNetworkType(type))
        return DriveKind::Network;
    const std::string_view name = device.starts_with("/dev/") ? BaseName(device) : std::string_view();
    if (type == "iso9660" || type == "udf" || IsNumberedName(name, "sr"))
        return DriveKind::CdRom;
    if (IsNumberedName(name, "fd"))
        return DriveKind::Floppy;
    if (!name.empty() && lookups.isRemovable && lookups.isRemovable(DiskOfPartition(name)))
        return DriveKind::Removable;
    return DriveKind::HardDisc;
}

// The fields of one mountinfo line: "id parent maj:min root mountpoint options
// [optional...] - type source superoptions". Empty when the line does not have that shape.
std::vector<std::string_view> MountLineFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t end = std::min(line.find(' ', pos), line.size());
        if (end > pos)
            fields.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
    const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (fields.size() < 6 || dash - fields.begin() < 6 || fields.end() - dash < 3)
        fields.clear();
    return fields;
}

// Returns false for a line that does not have the shape of a mountinfo line.
bool SplitMountLine(std::string_view line, std::string& mountPoint, std::string& type, std::string& source,
                    std::string& superOptions)
{
    const std::vector<std::string_view> fields = MountLineFields(line);
    if (fields.empty())
        return false;
    const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
    mountPoint = UnescapeMountField(fields[4]);
    type = UnescapeMountField(dash[1]);
    source = UnescapeMountField(dash[2]);
    superOptions = fields.end() - dash > 3 ? UnescapeMountField(dash[3]) : std::string();
    return true;
}
}  // namespace

std::string UnescapeMountField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        // The kernel writes space, tab, newline and backslash as three octal digits.
        const bool octal = field[i] == '\\' && field.size() - i >= 4 && field[i + 1] >= '0' && field[i + 1] <= '3'
            && IsOctal(field[i + 2]) && IsOctal(field[i + 3]);
        if (octal) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string UnescapeUdevName(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && name.size() - i >= 4 && name[i + 1] == 'x' && HexValue(name[i + 2]) >= 0
            && HexValue(name[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::string DiskOfPartition(std::string_view name)
{
    // Disks whose own names end in a digit (nvme0n1, mmcblk0, loop0) number their
    // partitions after a "p": strip "p<digits>" when a digit stands before the "p".
    std::size_t end = name.size();
    while (end > 0 && IsDigit(name[end - 1]))
        --end;
    if (end == name.size())
        return std::string(name);  // no partition number at all
    if (end >= 2 && name[end - 1] == 'p' && IsDigit(name[end - 2]))
        return std::string(name.substr(0, end - 1));
    // Classic names (sdb1, hda2, vdc3, xvda1) put the number straight after the letters.
    for (std::string_view prefix : {"sd", "hd", "vd", "xvd"}) {
        if (name.starts_with(prefix) && end > prefix.size())
            return std::string(name.substr(0, end));
    }
    return std::string(name);
}

bool ReadRemovableFlag(const std::string& sysBlockDir, const std::string& disk)
{
    if (disk.empty() || disk.find('/') != std::string::npos || disk == "." || disk == "..")
        return false;
    std::ifstream in(sysBlockDir + "/" + disk + "/removable");
    char c = 0;
    return in.get(c) && c == '1';
}

std::map<std::string, std::string> ReadVolumeLabels(const std::string& byLabelDir)
{
    std::map<std::string, std::string> labels;
    std::error_code ec;
    for (fs::directory_iterator it(byLabelDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code pathEc;
        const fs::path target = fs::weakly_canonical(it->path(), pathEc);
        if (!pathEc)
            labels[target.string()] = UnescapeUdevName(it->path().filename().string());
    }
    return labels;
}

CMountLookups SystemMountLookups(const std::string& sysBlockDir, const std::string& byLabelDir)
{
    CMountLookups lookups;
    lookups.isRemovable = [sysBlockDir](const std::string& disk) { return ReadRemovableFlag(sysBlockDir, disk); };
    // The label links are read when the first label is asked for, then kept.
    auto labels = std::make_shared<std::map<std::string, std::string>>();
    auto loaded = std::make_shared<bool>(false);
    lookups.labelOf = [byLabelDir, labels, loaded](const std::string& device) {
        if (!*loaded) {
            *labels = ReadVolumeLabels(byLabelDir);
            *loaded = true;
        }
        std::error_code ec;
        const fs::path canonical = fs::weakly_canonical(device, ec);
        const auto it = labels->find(ec ? device : canonical.string());
        return it == labels->end() ? std::string() : it->second;
    };
    lookups.isDirectory = [](const std::string& mountPoint) {
        // What the kernel has at hand is enough: no file system is asked to revalidate.
        struct statx sx {};
        return ::statx(AT_FDCWD, mountPoint.c_str(), AT_STATX_DONT_SYNC, STATX_TYPE, &sx) == 0 && S_ISDIR(sx.stx_mode);
    };
    return lookups;
}

std::vector<CDriveInfo> ParseMountInfo(std::string_view text, const CMountLookups& lookups)
{
    // A later mount on the same point hides the earlier one, whatever its type, so the
    // duplicates go before the pseudo file systems are dropped.
    struct Mount {
        CDriveInfo info;
        std::string options;  // the file system's own (super) options
    };
    std::vector<Mount> mounts;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        Mount m;
        if (SplitMountLine(text.substr(pos, end - pos), m.info.root, m.info.fsType, m.info.device, m.options)) {
            std::erase_if(mounts, [&](const Mount& o) { return o.info.root == m.info.root; });
            mounts.push_back(std::move(m));
        }
        pos = end + 1;
    }
    std::vector<CDriveInfo> drives;
    for (Mount& m : mounts) {
        if (!IsWanted(m.info, m.options, lookups.userId) || !IsDirectoryMount(m.info, lookups))
            continue;
        CDriveInfo& d = drives.emplace_back(std::move(m.info));
        d.kind = KindOf(d.fsType, d.device, lookups);
        if (d.device.starts_with("/dev/") && lookups.labelOf)
            d.label = lookups.labelOf(d.device);
        // A share is known by where it comes from: "server:/export", "//server/share".
        if (d.kind == DriveKind::Network && d.label.empty())
            d.label = d.device;
    }
    std::sort(drives.begin(), drives.end(), [](const CDriveInfo& a, const CDriveInfo& b) { return a.root < b.root; });
    return drives;
}

std::string FsTypeOfDevice(std::string_view text, unsigned nMajor, unsigned nMinor)
{
    // "id parent maj:min root mountpoint options [optional...] - type source superoptions"
    const std::string device = std::to_string(nMajor) + ":" + std::to_string(nMinor);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t first = line.find(' ');
        const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
        const std::size_t third = second == std::string_view::npos ? second : line.find(' ', second + 1);
        if (third == std::string_view::npos || line.substr(second + 1, third - second - 1) != device)
            continue;
        const std::size_t dash = line.find(" - ", third);
        if (dash == std::string_view::npos)
            continue;
        const std::string_view rest = line.substr(dash + 3);
        return UnescapeMountField(rest.substr(0, std::min(rest.find(' '), rest.size())));
    }
    return {};
}

std::vector<CDriveInfo> EnumerateDrives()
{
    std::ifstream in("/proc/self/mountinfo");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CMountLookups lookups = SystemMountLookups();
    lookups.userId = static_cast<long>(::getuid());
    return ParseMountInfo(text, lookups);
}

bool MayMeetDirectoriesTwice(std::string_view text, std::string_view startPath)
{
    std::vector<MountPlace> mounts;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty())
            continue;
        const std::vector<std::string_view> fields = MountLineFields(line);
        if (fields.empty() || !IsDeviceField(fields[2]))
            return true;
        mounts.push_back({fields[0], fields[1], fields[2], UnescapeMountField(fields[4])});
    }
    // The start lies in the mount of the longest point above it; of several mounts on one
    // point, in the last, which hides the others.
    std::size_t holder = mounts.size();
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        if (IsAtOrBelow(startPath, mounts[i].point)
            && (holder == mounts.size() || mounts[i].point.size() >= mounts[holder].point.size()))
            holder = i;
    }
    if (!startPath.starts_with('/') || holder == mounts.size() || IsCovered(mounts, holder))
        return true;
    const MountPlace& held = mounts[holder];
    return std::any_of(mounts.begin(), mounts.end(), [&](const MountPlace& m) {
        return m.device == held.device && m.point != startPath && IsAtOrBelow(m.point, startPath);
    });
}

bool MayMeetDirectoriesTwice(int fd)
{
    // The directory's path as the kernel resolved it: no link, no "..", no double slash.
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::string path(4097, '\0');
    const ssize_t n = ::readlink(link.c_str(), path.data(), path.size());
    std::string text;
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size() || !ReadWholeFile("/proc/self/mountinfo", text))
        return true;
    path.resize(static_cast<std::size_t>(n));
    return MayMeetDirectoriesTwice(text, path);
}
