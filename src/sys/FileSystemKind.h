#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// What a walk that goes past mount points makes of the file system it meets there: one
// holding files worth measuring, the kernel's own bookkeeping (proc, sysfs, cgroup, ...,
// never entered, as its "files" are views of memory and counters), or a share on another
// machine (entered only when the user asks, since reading it is slow and it is usually
// measured on its server).
enum class EFsKind : std::uint8_t {
    Same = 0,  // the listing directory's own file system: nothing was asked
    Local,
    Pseudo,
    Network,
};

// Which kinds a walk enters below its root.
struct CFsCrossing {
    bool bCross = false;  // false: the walk stays on the root's file system
    bool bNetwork = false;  // network file systems too (only while crossing)

    bool Enters(EFsKind kind) const
    {
        return kind == EFsKind::Same || (bCross && (kind == EFsKind::Local || (kind == EFsKind::Network && bNetwork)));
    }
};

// By the mount table's name of a file system type ("ext4", "proc", "fuse.sshfs").
// Unknown names are Local: du, without -x, goes into them too.
EFsKind FsKindOfType(std::string_view type);
// By statfs's f_type; nothing where the number alone does not tell (tmpfs and devtmpfs
// share one, as do all FUSE file systems) or is not known here.
std::optional<EFsKind> FsKindOfMagic(std::uint64_t magic);
// The kind of the file system of the directory `name` in the directory open as parentFd,
// looked at without following a link and without setting off an automount: its f_type,
// else the mount table's type for its device. Local when it cannot be looked at (it is
// then read, or fails to be, as any directory).
EFsKind FsKindBelow(int parentFd, const char* name);
