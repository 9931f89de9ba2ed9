#include "FileSystemKind.h"

#include "MountTable.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace {
using namespace std::string_view_literals;

// Kernel interfaces that look like file systems. "nfsd" and "rpc_pipefs" are the NFS
// server's and client's control files, not shares.
constexpr std::array kPseudoTypes = {
    "proc"sv,       "sysfs"sv,   "cgroup"sv,      "cgroup2"sv,  "devtmpfs"sv,  "devpts"sv,  "securityfs"sv,
    "debugfs"sv,    "tracefs"sv, "pstore"sv,      "bpf"sv,      "configfs"sv,  "fusectl"sv, "mqueue"sv,
    "hugetlbfs"sv,  "autofs"sv,  "binfmt_misc"sv, "efivarfs"sv, "selinuxfs"sv, "smackfs"sv, "nsfs"sv,
    "rpc_pipefs"sv, "nfsd"sv,    "devfs"sv,       "usbfs"sv,    "xenfs"sv,     "binder"sv,  "fuse.portal"sv,
};

constexpr std::array kNetworkTypes = {
    "nfs"sv,
    "nfs4"sv,
    "cifs"sv,
    "smb3"sv,
    "smbfs"sv,
    "sshfs"sv,
    "fuse.sshfs"sv,
    "9p"sv,
    "ncpfs"sv,
    "afs"sv,
    "ceph"sv,
    "glusterfs"sv,
    "fuse.glusterfs"sv,
    "fuse.ceph-fuse"sv,
    "davfs"sv,
    "fuse.davfs"sv,
    "fuse.rclone"sv,
    "fuse.s3fs"sv,
    "fuse.gcsfuse"sv,
    "fuse.gvfsd-fuse"sv,
    "coda"sv,
    "lustre"sv,
};

// statfs's numbers (linux/magic.h and the file systems' own sources).
constexpr std::pair<std::uint64_t, EFsKind> kMagics[] = {
    {0x9fa0, EFsKind::Pseudo},  // proc
    {0x62656572, EFsKind::Pseudo},  // sysfs
    {0x27e0eb, EFsKind::Pseudo},  // cgroup
    {0x63677270, EFsKind::Pseudo},  // cgroup2
    {0x1cd1, EFsKind::Pseudo},  // devpts
    {0x73636673, EFsKind::Pseudo},  // securityfs
    {0x64626720, EFsKind::Pseudo},  // debugfs
    {0x74726163, EFsKind::Pseudo},  // tracefs
    {0x6165676c, EFsKind::Pseudo},  // pstore
    {0xcafe4a11, EFsKind::Pseudo},  // bpf
    {0x62656570, EFsKind::Pseudo},  // configfs
    {0x65735543, EFsKind::Pseudo},  // fusectl
    {0x19800202, EFsKind::Pseudo},  // mqueue
    {0x958458f6, EFsKind::Pseudo},  // hugetlbfs
    {0x0187, EFsKind::Pseudo},  // autofs
    {0x42494e4d, EFsKind::Pseudo},  // binfmt_misc
    {0xde5e81e4, EFsKind::Pseudo},  // efivarfs
    {0xf97cff8c, EFsKind::Pseudo},  // selinuxfs
    {0x43415d53, EFsKind::Pseudo},  // smackfs
    {0x6e736673, EFsKind::Pseudo},  // nsfs
    {0x67596969, EFsKind::Pseudo},  // rpc_pipefs
    {0x6e667364, EFsKind::Pseudo},  // nfsd
    {0x6969, EFsKind::Network},  // nfs, nfs4
    {0xff534d42, EFsKind::Network},  // cifs
    {0xfe534d42, EFsKind::Network},  // smb3
    {0x517b, EFsKind::Network},  // smbfs
    {0x01021997, EFsKind::Network},  // 9p
    {0x5346414f, EFsKind::Network},  // afs
    {0x6b414653, EFsKind::Network},  // kafs
    {0x00c36400, EFsKind::Network},  // ceph
    {0x73757245, EFsKind::Network},  // coda
    {0x564c, EFsKind::Network},  // ncpfs
    {0x0bd00bd0, EFsKind::Network},  // lustre
};

// The common homes of files, answered without the mount table. tmpfs, ramfs and FUSE are
// not among them: devtmpfs shares their numbers, as all FUSE file systems (sshfs, ntfs-3g,
// rclone, ...) share one.
constexpr std::array<std::uint64_t, 9> kLocalMagics = {
    0xef53,  // ext2, ext3, ext4
    0x58465342,  // xfs
    0x9123683e,  // btrfs
    0xf2f52010,  // f2fs
    0x4d44,  // vfat, msdos
    0x2011bab0,  // exfat
    0x794c7630,  // overlay
    0x73717368,  // squashfs
    0x2fc12fc1,  // zfs
};

template <typename List, typename Value> bool Contains(const List& list, const Value& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::string MountInfoText()
{
    std::ifstream in("/proc/self/mountinfo");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace

EFsKind FsKindOfType(std::string_view type)
{
    if (Contains(kPseudoTypes, type))
        return EFsKind::Pseudo;
    if (Contains(kNetworkTypes, type) || type.starts_with("nfs") || type.starts_with("smb"))
        return EFsKind::Network;
    return EFsKind::Local;
}

std::optional<EFsKind> FsKindOfMagic(std::uint64_t magic)
{
    for (const auto& [known, kind] : kMagics)
        if (known == magic)
            return kind;
    // ext4, xfs, btrfs and the many others that hold files.
    if (Contains(kLocalMagics, magic))
        return EFsKind::Local;
    return std::nullopt;
}

EFsKind FsKindBelow(int parentFd, const char* name)
{
    // O_PATH without O_DIRECTORY: an automount point is looked at, never mounted.
    const int fd = ::openat(parentFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return EFsKind::Local;
    struct statfs sfs {};
    struct stat st {};
    const bool bHaveMagic = ::fstatfs(fd, &sfs) == 0;
    const bool bHaveDevice = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (bHaveMagic)
        if (const std::optional<EFsKind> kind = FsKindOfMagic(static_cast<std::uint64_t>(sfs.f_type)))
            return *kind;
    if (!bHaveDevice)
        return EFsKind::Local;
    const std::string type = FsTypeOfDevice(MountInfoText(), major(st.st_dev), minor(st.st_dev));
    return type.empty() ? EFsKind::Local : FsKindOfType(type);
}
