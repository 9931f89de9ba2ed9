#include "FileStatus.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

bool ReadFileStatus(int dirFd, const char* name, unsigned char type, CFileStatus& status)
{
    struct statx stx;
    constexpr unsigned kMask = STATX_TYPE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME
        | STATX_BLOCKS | STATX_INO | STATX_NLINK;
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kMask, &stx) != 0) {
        if (errno == ENOENT)
            return false;
        // Status unreadable: keep the name with what the listing itself says.
        status = CFileStatus{};
        status.directory = type == DT_DIR;
        return true;
    }
    status.directory = S_ISDIR(stx.stx_mode);
    status.fsKind = EFsKind::Same;
    status.size = status.directory ? 0 : static_cast<std::int64_t>(stx.stx_size);
    status.modified = CTime(stx.stx_mtime.tv_sec);
    status.accessed = CTime(stx.stx_atime.tv_sec);
    // Some file systems (overlay, a few FUSE ones) claim a birth time and report zero.
    const bool haveBirth = (stx.stx_mask & STATX_BTIME) != 0 && stx.stx_btime.tv_sec != 0;
    status.created = CTime(haveBirth ? stx.stx_btime.tv_sec : stx.stx_ctime.tv_sec);
    status.device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    // Blocks are 512 bytes whatever the file system's own block size; du counts the same.
    constexpr std::uint64_t kMaxBlocks = static_cast<std::uint64_t>(INT64_MAX) / 512;
    status.allocated = (stx.stx_mask & STATX_BLOCKS) != 0
        ? static_cast<std::int64_t>(std::min<std::uint64_t>(stx.stx_blocks, kMaxBlocks) * 512)
        : status.size;
    status.inode = stx.stx_ino;
    // Only a file's names are counted (hard links); a directory's count is never asked for.
    status.links = !status.directory && (stx.stx_mask & STATX_NLINK) != 0 ? stx.stx_nlink : 0;
    return true;
}

void NoteFsKind(int dirFd, const char* name, std::uint64_t listDevice, CFileStatus& status)
{
    const bool bOther = status.directory && status.device != 0 && status.device != listDevice;
    status.fsKind = bOther ? FsKindBelow(dirFd, name) : EFsKind::Same;
}

namespace {
std::atomic<SubdirectoryOpenHook> g_openHook{nullptr};
}  // namespace

int OpenSubdirectory(int parentFd, const char* name)
{
    if (const SubdirectoryOpenHook hook = g_openHook.load(std::memory_order_relaxed))
        if (const int err = hook(name); err != 0) {
            errno = err;
            return -1;
        }
    return ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

void SetSubdirectoryOpenHook(SubdirectoryOpenHook hook) { g_openHook.store(hook); }
