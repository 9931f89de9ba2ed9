#pragma once
#include "base/HardLinkId.h"
#include "base/Time.h"

#include <cstdint>
#include <string_view>

// What an entry is made from: one item of a listing, whoever read it (the local file
// system, an FTP server, a saved search). The name is borrowed for the call.
struct CFoundItem {
    std::string_view name;
    bool bDirectory = false;
    std::int64_t nLength = 0;  // bytes; 0 for a directory
    std::int64_t nAllocated = 0;  // bytes on its disk, a directory's own included
    CTime created;
    CTime modified;
    CTime accessed;
    // A file (never a directory) with more than one name: which file it is.
    bool bHardLink = false;
    CHardLinkId link;
    // Which item of which file system it is, where the reader can tell (a local listing);
    // inode 0 when it cannot. A deletion checks it before it removes anything.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};
