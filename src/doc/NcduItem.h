#pragma once
#include <cstdint>
#include <string_view>

// One item of a saved search as ncdu's export writes it, whoever holds it: an entry of a
// live tree, or a record of a snapshot taken of one (CSearchSnapshot).
struct CNcduItem {
    std::string_view name;  // the item's bytes; the root's is its path
    bool bDirectory = false;
    bool bUnreadable = false;
    bool bMountPoint = false;  // a directory on another file system
    bool bExcluded = false;  // left out by a pattern or as a cache: nothing counted
    bool bHardLink = false;  // a file with several names: nInode and nLinks hold
    // Where a file system begins (the root, a mount point): nDevice holds its device, which
    // the items below share, so that hard links on two file systems stay apart.
    bool bOwnDevice = false;
    std::uint64_t nDevice = 0;
    std::int64_t nLength = 0;  // bytes: a file's length (a directory's is not written)
    std::int64_t nDiskSize = 0;  // bytes the item itself takes on the disk, counted or not
    std::uint64_t nInode = 0;
    std::uint64_t nLinks = 0;
    std::int64_t nModified = 0;  // seconds since 1970; 0 when not known
    std::int64_t nCreated = 0;
    std::int64_t nAccessed = 0;
};
