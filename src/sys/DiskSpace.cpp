#include "DiskSpace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <exception>
#include <limits>
#include <thread>

namespace {
std::uint64_t Blocks(std::uint64_t count, std::uint64_t blockSize)
{
    if (blockSize != 0 && count > std::numeric_limits<std::uint64_t>::max() / blockSize)
        return std::numeric_limits<std::uint64_t>::max();
    return count * blockSize;
}
}  // namespace

double CDiskSpace::UsedShare() const
{
    const double whole = static_cast<double>(used) + static_cast<double>(available);
    return whole > 0 ? static_cast<double>(used) / whole : 0.0;
}

bool ReadDiskSpace(const std::string& strPath, CDiskSpace& space)
{
    struct statvfs sv {};
    if (::statvfs(strPath.c_str(), &sv) != 0)
        return false;
    const std::uint64_t unit = sv.f_frsize != 0 ? sv.f_frsize : sv.f_bsize;
    space.total = Blocks(sv.f_blocks, unit);
    space.used = Blocks(sv.f_blocks >= sv.f_bfree ? sv.f_blocks - sv.f_bfree : 0, unit);
    space.available = Blocks(sv.f_bavail, unit);
    space.inodesUsed = sv.f_files >= sv.f_ffree ? sv.f_files - sv.f_ffree : 0;
    return true;
}

bool IsMountRoot(const std::string& strPath)
{
    struct statx self {};
    constexpr int kFlags = AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC;
    if (::statx(AT_FDCWD, strPath.c_str(), kFlags, STATX_TYPE | STATX_INO, &self) != 0)
        return false;
    if (self.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        return (self.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    // Kernels before 5.8 do not say: a mount root lies on another device than its parent,
    // or is its own parent ("/").
    struct statx parent {};
    if (::statx(AT_FDCWD, (strPath + "/..").c_str(), AT_STATX_DONT_SYNC, STATX_INO, &parent) != 0)
        return false;
    return parent.stx_dev_major != self.stx_dev_major || parent.stx_dev_minor != self.stx_dev_minor
        || parent.stx_ino == self.stx_ino;
}

std::shared_ptr<CDiskSpaceQuery> CDiskSpaceQuery::Start(const std::string& strPath, DiskSpaceReader reader)
{
    auto query = std::make_shared<CDiskSpaceQuery>();
    try {
        // The thread keeps the query alive; the asker may long be gone when it returns.
        std::thread([query, strPath, reader = std::move(reader)] {
            CDiskSpace space;
            const bool bAnswered = reader && reader(strPath, space);
            query->Finish(bAnswered, space);
        }).detach();
    } catch (const std::exception&) {  // no thread to be had, or no memory for it
        query->Finish(false, {});
    }
    return query;
}

bool CDiskSpaceQuery::Done(bool& bAnswered, CDiskSpace& space) const
{
    const std::lock_guard lock(m_mutex);
    if (m_bDone) {
        bAnswered = m_bAnswered;
        space = m_space;
    }
    return m_bDone;
}

void CDiskSpaceQuery::Finish(bool bAnswered, const CDiskSpace& space)
{
    const std::lock_guard lock(m_mutex);
    m_bDone = true;
    m_bAnswered = bAnswered;
    m_space = space;
}
