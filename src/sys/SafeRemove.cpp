#include "SafeRemove.h"

#include "DirStack.h"
#include "LastError.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
struct Status {
    bool directory = false;
    bool mountRoot = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint32_t links = 0;
    std::int64_t bytes = 0;  // its blocks of 512
};

// The status of `name` in dirFd, or of dirFd itself with AT_EMPTY_PATH and "". False with
// errno.
bool ReadStatus(int dirFd, const char* name, int flags, Status& status)
{
    struct statx sx {};
    constexpr unsigned kMask = STATX_TYPE | STATX_INO | STATX_NLINK | STATX_BLOCKS;
    if (::statx(dirFd, name, flags | AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kMask, &sx) != 0)
        return false;
    status.directory = S_ISDIR(sx.stx_mode);
    // A kernel too old to tell (before 5.8) leaves a bind mount of the same file system
    // looking like a folder; another device is told all the same.
    status.mountRoot =
        (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    status.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    status.inode = sx.stx_ino;
    status.links = sx.stx_nlink;
    constexpr std::uint64_t kMaxBlocks = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) / 512;
    status.bytes = (sx.stx_mask & STATX_BLOCKS) != 0
        ? static_cast<std::int64_t>(std::min<std::uint64_t>(sx.stx_blocks, kMaxBlocks) * 512)
        : 0;
    return true;
}

// What removing a name gives back: a file's blocks go only with its last name.
std::int64_t FreedBy(const Status& status) { return status.directory || status.links <= 1 ? status.bytes : 0; }

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<std::int64_t>::max() : sum;
}

// The names of the directory open as fd (just opened: its position at the start), "." and
// ".." left out. Read through fd itself: a descriptor more may not be had. False with errno.
bool ReadNames(int fd, std::vector<std::string>& names)
{
    std::vector<char> buffer(std::size_t{32} << 10);
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer.data(), buffer.size());
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        for (std::size_t pos = 0; pos < static_cast<std::size_t>(got);) {
            const auto* record = reinterpret_cast<const dirent64*>(buffer.data() + pos);
            pos += record->d_reclen;
            const std::string_view name = record->d_name;
            if (name != "." && name != "..")
                names.emplace_back(name);
        }
    }
}

std::string Join(const std::string& dir, const std::string& name)
{
    return dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name;
}

// Levels of the directory stack are named by their depth below the item's parent (0).
const void* KeyOf(std::size_t depth) { return reinterpret_cast<const void*>(depth + 1); }

// One directory being emptied: the names it held when it was opened, those done, and
// whether anything below it stays (and with it, the directory itself).
struct Frame {
    std::string name;  // in its parent
    Status status;
    std::vector<std::string> items;
    std::size_t next = 0;
    bool bKeep = false;
};

// Depth first without recursion, so that a tree thousands of levels deep cannot exhaust
// the stack; the directory stack keeps the descriptors within the process's limit.
class CRemoval {
public:
    CRemoval(CRemoveResult& result, std::uint64_t device) : m_result(result), m_device(device) {}
    void Run(const std::string& strRoot, const std::vector<std::string>& names, std::uint64_t inode);

private:
    void RemoveTree(const std::string& name, const Status& status);
    bool Enter(std::size_t depth, const std::string& name, const Status& status);
    void Step(std::size_t depth);
    void Finish(std::size_t parentDepth, const Frame& done);
    void Leave(const std::string& path, CRemoveLeft::Reason reason, int error = 0)
    {
        m_result.left.push_back({path, reason, error});
    }

    CRemoveResult& m_result;
    const std::uint64_t m_device;
    CDirStack m_dirs;
    std::vector<Frame> m_frames;
};

void CRemoval::Run(const std::string& strRoot, const std::vector<std::string>& names, std::uint64_t inode)
{
    const std::vector<std::string> above(names.begin(), names.end() - 1);
    const std::string& name = names.back();
    const int parentFd = m_dirs.Reset(strRoot, above, KeyOf(0));
    if (parentFd < 0) {
        Leave(Join(strRoot, name), CRemoveLeft::Reason::Failed, errno);
        return;
    }
    const std::string path = Join(m_dirs.Path(), name);
    Status status;
    if (!ReadStatus(parentFd, name.c_str(), 0, status)) {
        Leave(path, CRemoveLeft::Reason::Failed, errno);
        return;
    }
    if (inode == 0 || status.device != m_device || status.inode != inode) {
        Leave(path, CRemoveLeft::Reason::Replaced);
        return;
    }
    if (status.mountRoot) {
        Leave(path, CRemoveLeft::Reason::OtherFileSystem);
        return;
    }
    if (status.directory) {
        RemoveTree(name, status);
    } else if (::unlinkat(parentFd, name.c_str(), 0) == 0) {
        m_result.nFreed = FreedBy(status);
        m_result.bRemoved = true;
    } else {
        Leave(path, CRemoveLeft::Reason::Failed, errno);
    }
}

void CRemoval::RemoveTree(const std::string& name, const Status& status)
{
    if (!Enter(0, name, status))
        return;
    while (!m_frames.empty()) {
        const std::size_t depth = m_frames.size();  // the deepest frame's level
        if (m_frames.back().next < m_frames.back().items.size()) {
            Step(depth);
            continue;
        }
        const Frame done = std::move(m_frames.back());
        m_frames.pop_back();
        Finish(depth - 1, done);
    }
}

// Opens the subdirectory `name` of the level at depth and reads its names. It must be the
// directory just looked at, and on this file system.
bool CRemoval::Enter(std::size_t depth, const std::string& name, const Status& status)
{
    const int fd = m_dirs.Descend(KeyOf(depth), name, KeyOf(depth + 1));
    if (fd < 0) {
        const int err = errno;
        m_dirs.Ascend(KeyOf(depth));
        Leave(Join(m_dirs.Path(), name), CRemoveLeft::Reason::Failed, err);
        return false;
    }
    const std::string path = m_dirs.Path();
    Status opened;
    Frame frame{name, status, {}, 0, false};
    bool bEntered = false;
    if (!ReadStatus(fd, "", AT_EMPTY_PATH, opened) || opened.device != status.device || opened.inode != status.inode)
        Leave(path, CRemoveLeft::Reason::Replaced);  // swapped between the look and the open
    else if (opened.mountRoot)
        Leave(path, CRemoveLeft::Reason::OtherFileSystem);
    else if (!ReadNames(fd, frame.items))
        Leave(path, CRemoveLeft::Reason::Failed, errno);
    else
        bEntered = true;
    if (!bEntered) {
        m_dirs.Ascend(KeyOf(depth));
        return false;
    }
    m_frames.push_back(std::move(frame));
    return true;
}

// The next name of the deepest directory: a file or link goes, a directory is entered.
void CRemoval::Step(std::size_t depth)
{
    Frame& frame = m_frames.back();
    const std::string name = frame.items[frame.next++];
    const int fd = m_dirs.Ascend(KeyOf(depth));
    const std::string path = Join(m_dirs.Path(), name);
    Status status;
    if (fd < 0 || !ReadStatus(fd, name.c_str(), 0, status)) {
        if (fd >= 0 && errno == ENOENT)
            return;  // gone meanwhile: nothing to do
        Leave(path, CRemoveLeft::Reason::Failed, errno);
        frame.bKeep = true;
        return;
    }
    if (status.device != m_device || status.mountRoot) {
        Leave(path, CRemoveLeft::Reason::OtherFileSystem);
        frame.bKeep = true;
        return;
    }
    if (status.directory) {
        if (!Enter(depth, name, status))
            frame.bKeep = true;  // frame is still the deepest: nothing was pushed
        return;
    }
    if (::unlinkat(fd, name.c_str(), 0) == 0) {
        m_result.nFreed = SaturatingAdd(m_result.nFreed, FreedBy(status));
    } else if (errno != ENOENT) {
        Leave(path, CRemoveLeft::Reason::Failed, errno);
        frame.bKeep = true;
    }
}

// A directory emptied (or not): it goes from its parent unless something below it stays.
void CRemoval::Finish(std::size_t parentDepth, const Frame& done)
{
    Frame* pParent = m_frames.empty() ? nullptr : &m_frames.back();
    bool bGone = false;
    if (!done.bKeep) {
        const int fd = m_dirs.Ascend(KeyOf(parentDepth));
        bGone = fd >= 0 && ::unlinkat(fd, done.name.c_str(), AT_REMOVEDIR) == 0;
        if (bGone)
            m_result.nFreed = SaturatingAdd(m_result.nFreed, done.status.bytes);
        else
            Leave(Join(m_dirs.Path(), done.name), CRemoveLeft::Reason::Failed, errno);
    }
    if (pParent == nullptr)
        m_result.bRemoved = bGone;
    else if (!bGone)
        pParent->bKeep = true;
}
}  // namespace

std::string CRemoveLeft::Text() const
{
    switch (reason) {
    case Reason::Replaced:
        return "replaced since the search";
    case Reason::OtherFileSystem:
        return "another file system is mounted there";
    case Reason::Failed:
        break;
    }
    return ErrnoText(error);
}

CRemoveResult SafeRemove(const std::string& strRoot, const std::vector<std::string>& names, std::uint64_t device,
                         std::uint64_t inode)
{
    CRemoveResult result;
    if (names.empty()) {
        result.left.push_back({strRoot, CRemoveLeft::Reason::Failed, EINVAL});  // the root itself is never removed
        return result;
    }
    try {
        CRemoval(result, device).Run(strRoot, names, inode);
    } catch (const std::bad_alloc&) {
        // The names of a huge directory did not fit: what is done stays done, the rest stays.
        result.left.push_back({Join(strRoot, names.back()), CRemoveLeft::Reason::Failed, ENOMEM});
    }
    return result;
}
