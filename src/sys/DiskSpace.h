#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// What statvfs tells of a mounted file system. Sizes in bytes; "used" is what the blocks in
// use hold, "available" what an ordinary user may still write (df's Used and Avail).
struct CDiskSpace {
    std::uint64_t total = 0;
    std::uint64_t used = 0;
    std::uint64_t available = 0;
    std::uint64_t inodesUsed = 0;  // 0 where the file system keeps no count (btrfs, vfat)
    // Used as a share of what used and available add up to, as df counts it; 0 to 1.
    double UsedShare() const;
};

// The file system's figures for a path on it; false when statvfs fails.
bool ReadDiskSpace(const std::string& strPath, CDiskSpace& space);
using DiskSpaceReader = std::function<bool(const std::string& strPath, CDiskSpace& space)>;

// Whether the path is where a file system is mounted (the whole of it lies below).
bool IsMountRoot(const std::string& strPath);

// A question about a file system that may never be answered (a server that went away hangs
// statvfs for as long as the mount waits): asked on a thread of its own, which nobody
// waits for; the answer is looked at when convenient. When no thread can be started the
// query ends at once without an answer.
class CDiskSpaceQuery {
public:
    static std::shared_ptr<CDiskSpaceQuery> Start(const std::string& strPath, DiskSpaceReader reader);
    // True once the question is over; then bAnswered says whether space holds the answer.
    bool Done(bool& bAnswered, CDiskSpace& space) const;

private:
    void Finish(bool bAnswered, const CDiskSpace& space);

    mutable std::mutex m_mutex;
    bool m_bDone = false;
    bool m_bAnswered = false;
    CDiskSpace m_space;
};
