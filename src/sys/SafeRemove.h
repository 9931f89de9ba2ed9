#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Permanent deletion of one item a search found: a file, a link, or a directory with
// everything below it.
//
// The item is reached from the search's root one name at a time, each directory opened
// relative to its parent's descriptor without following links (O_NOFOLLOW | O_DIRECTORY),
// and everything is removed with unlinkat in the directory that holds it, so that a link
// swapped in anywhere on the way cannot divert the deletion. A link is removed itself,
// never what it names. Before anything is removed, the item must still be the one the
// search met (its device and inode): an item replaced since is left alone. Removal never
// leaves the item's file system: another file system mounted below it, or a folder bind
// mounted there, stays in place, and so do the directories that hold it.

// Something that stayed, and why.
struct CRemoveLeft {
    enum class Reason {
        Replaced,  // not the item the search met: another one has its name now
        OtherFileSystem,  // a mount point: another file system (or a bind mount) is there
        Failed,  // the system refused; error says why
    };
    std::string path;  // as bytes
    Reason reason = Reason::Failed;
    int error = 0;  // the errno value, for Failed
    // "replaced since the search", "another file system is mounted there", or the system's
    // text ("Permission denied").
    std::string Text() const;
};

struct CRemoveResult {
    bool bRemoved = false;  // the item itself is gone
    // Bytes given back, read from each item's status as it went: its blocks, a file's only
    // with its last name.
    std::int64_t nFreed = 0;
    // What stayed and why; the directories that stay only because they hold one of these
    // are not named.
    std::vector<CRemoveLeft> left;
};

// Removes the item reached from strRoot (opened by its path) through names (at least one),
// provided it is still the item of the given device and inode. An inode of 0 (not
// recorded) never matches: nothing is removed that cannot be told from another item.
CRemoveResult SafeRemove(const std::string& strRoot, const std::vector<std::string>& names, std::uint64_t device,
                         std::uint64_t inode);
