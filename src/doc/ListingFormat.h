#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// The listing one Volra streams to another (an SSH search of a server that has Volra): the
// items of a search in ncdu's file order, as binary records, so that neither end spends its
// time on JSON and the connection carries a fifth of the bytes.
//
// The stream is kMagic, then one record per item, then an end mark. A record is
//   depth       varint: 0 for the root (the first record), else 1 + the depth of its parent
//   flags       two bytes, little endian (Flag below)
//   name        varint length (1 to kMaxName), then the bytes; the root's is its path
//   length      varint, files only
//   disk size   varint
//   device      varint, with kOwnDevice
//   inode, links  varints, with kHardLink
//   times       zigzag varints, each only with its kKnown... flag: created, modified, accessed
// and the end mark is a lone depth 0. A varint is 7 bits a byte, least significant first,
// at most 64 bits in 10 bytes.
namespace ListingFormat {

inline constexpr std::string_view kMagic = "#volra-listing 1\n";
inline constexpr std::string_view kMagicStem = "#volra-listing ";

enum Flag : std::uint16_t {
    kDirectory = 1u << 0,
    kUnreadable = 1u << 1,
    kMountPoint = 1u << 2,
    kExcluded = 1u << 3,
    kHardLink = 1u << 4,
    kOwnDevice = 1u << 5,
    kKnownCreated = 1u << 6,
    kKnownModified = 1u << 7,
    kKnownAccessed = 1u << 8,
    kAllFlags = (1u << 9) - 1,
};

inline constexpr std::size_t kMaxName = 4096;  // bytes; file systems allow 255, a path 4096
inline constexpr std::size_t kMaxDepth = 100000;  // directories below the root

}  // namespace ListingFormat
