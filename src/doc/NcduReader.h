#pragma once
#include "JsonInput.h"
#include "model/EntryArena.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Reads a search from ncdu's JSON export (format version 1, as "ncdu -o" writes it), plain
// or gzip-compressed, as one stream: a file of any size is never held in memory whole,
// and nesting is followed without recursion.
//
// The tree comes out as a walk would have built it: names are the bytes the file holds
// (not necessarily UTF-8), every directory's total is the sum of the lengths ("asize") of
// the files below it (a directory's own size does not count, as in the walk), its size on
// disk that of the "dsize" of everything below it and itself, a file with "hlnkc" counted
// once per device and "ino" on disk; children are sorted by name and coloured by their
// place in the file, a directory with "read_error" is unreadable, and a directory on
// another file system (excluded as "otherfs") is a mount point. Modified, created and
// accessed times come from "mtime", "created" and "atime"; what the tree has no place for
// (owners, modes) is checked and passed over.
//
// Anything else is refused with the line and column where it went wrong: a file that is
// not JSON or not this format, cut off, with a number out of range, a name no file system
// allows, or nested deeper than kMaxDepth. Nothing of a refused file is kept.
class CNcduReader {
public:
    static constexpr int kMaxDepth = 100000;  // directories; deeper than any path can be named
    static constexpr std::size_t kMaxName = 4096;  // bytes; file systems allow 255

    struct Progress {
        std::int64_t nFiles = 0;
        std::int64_t nDirectories = 0;  // the root not counted, as in the walk
        const CEntry* pDirectory = nullptr;  // the one being read; null before the root
    };
    // Called after every piece of the file has been read; false stops the reading, which
    // then fails as cancelled.
    std::function<bool(const Progress&)> m_onProgress;

    // The tree of strPath's search, made in arena, or null; then GetError says why and
    // nothing was left in the arena.
    CEntry* Read(const std::string& strPath, CEntryArena& arena);
    // Reads a search streamed by another program (a remote reader's output) into pStart, a
    // directory of arena without children: the stream's root stands for pStart, and its
    // items become pStart's descendants as the walk makes them (sizes added up the tree at
    // once, children sorted when complete), so a refresh can read into its copy. Null on
    // failure; what was added then stays below pStart for its owner to free.
    CEntry* ReadInto(const CJsonInput::Source& source, CEntryArena& arena, CEntry* pStart);
    // After ReadInto: the stream's root's own size on disk.
    std::int64_t GetStartOwnDisk() const { return m_nStartOwnDisk; }
    // "line 3, column 17: ..." or the system's reason the file could not be read.
    const std::string& GetError() const { return m_strError; }
    bool WasCancelled() const { return m_bCancelled; }
    // Whether the file read last gave any item a size on disk ("dsize"): an export made
    // without them knows lengths alone, and its sizes on disk all read 0.
    bool HasDiskSizes() const { return m_bDiskSizes; }

private:
    CEntry* Parse(CJsonInput& input, CEntryArena& arena, CEntry* pStart);

    std::string m_strError;
    std::int64_t m_nStartOwnDisk = 0;
    bool m_bCancelled = false;
    bool m_bDiskSizes = false;
};
