#pragma once
#include "model/Entry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What deleting some items of a search would give back to the disk, told from the search
// alone, before anything is touched.
//
// A file's blocks come back with its last name: a file with several names frees them only
// when every name of it in the search is among the items and it has no name outside the
// search (no more names than the search found). A directory frees its own blocks, unless
// something below it stays: a mount point (another file system is there), a folder met
// already under another name (a bind mount), a folder that could not be read. None of
// these is deleted, and neither are the directories that hold them. Each byte counts for
// the file system it lies on.

// What one file system gets back.
struct CFreedOnDevice {
    std::uint64_t device = 0;  // 0: not known (an FTP server, a saved search)
    // Where that file system begins in the search: the root, or a mount point below it.
    std::string strTop;
    std::int64_t nFrees = 0;  // bytes
};

struct CFreedSpace {
    std::size_t nItems = 0;
    std::int64_t nOnDisk = 0;  // bytes: the items' sizes on disk, as the views show them
    std::int64_t nFrees = 0;  // bytes: what deleting them gives back, all file systems together
    // The file systems the deletion would take anything from (a staying mount point is of
    // neither), ordered by where they begin in the search, the root's first.
    std::vector<CFreedOnDevice> devices;
    // The directories that stay (see above), in the order met; not owned, valid until the
    // tree next changes.
    std::vector<const CEntry*> staying;
    // Files with several names whose blocks stay: another name is not among the items.
    std::size_t nSharedFiles = 0;
};

// Counts the items given, none of them below another (as CMarkSet::TopMarked lists them).
// Throws std::bad_alloc when memory runs out.
CFreedSpace MeasureFreedSpace(const std::vector<const CEntry*>& items);
// "3 items · 1.50G on disk · frees 1.20G"
std::string FreedSpaceText(const CFreedSpace& freed);
