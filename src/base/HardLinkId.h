#pragma once
#include <cstdint>

// A file with more than one name: which file it is, and how many names it has.
struct CHardLinkId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t links = 0;
};
