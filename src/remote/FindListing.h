#pragma once
#include "model/EntryArena.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// Builds the tree below a directory from what GNU find prints with kPrintfFormat: one
// record per item, depth first with every directory before its contents, each record
// "TYPE LENGTH BLOCKS MTIME ATIME CTIME BTIME DEVICE INODE LINKS DEPTH NAME\0". The first
// record is the start directory itself, at depth 0; every other item is at 1 + the depth of
// its directory, the innermost open one at that depth. Names rather than whole paths halve
// what the server sends, and no path is compared with its directory's.
//
// Entries are made as the walk makes them (sizes added up the tree at once, colours in
// listing order, children sorted once their directory is complete), so a refresh can read
// into its copy. What the server sends is not trusted: a record that does not parse, a
// depth below its directory's, a name that no file system allows, a
// record or a nesting beyond the limits below, a stream that stops inside a record, all
// end the reading with a message; nothing is kept in memory but the tree and one record.
class CFindListing {
public:
    static constexpr const char* kPrintfFormat = "%y %s %b %T@ %A@ %C@ %B@ %D %i %n %d %f\\0";
    static constexpr std::size_t kMaxRecord = 1u << 20;  // bytes: a path this long is absurd
    static constexpr std::size_t kMaxDepth = 100000;  // directories below the start
    static constexpr std::size_t kMaxUnreadable = 100000;  // directories find could not read

    // pStart (a directory of arena without children) receives what the records list below
    // strStartPath, which the first record stands for (find's messages name its path).
    CFindListing(CEntryArena& arena, CEntry* pStart, std::string strStartPath);

    void SetMaxDepth(std::size_t nDepth) { m_nMaxDepth = nDepth; }

    // Takes the next bytes of find's output; false once the listing is refused (GetError).
    bool Feed(std::string_view bytes);
    // The output has ended: closes the open directories, marks those find could not read.
    // False when it ended inside a record or before the first.
    bool Finish();
    // A line of find's standard error: "find: 'PATH': Permission denied" makes PATH
    // unreadable, as the walk marks a directory it may not list.
    void NoteErrorLine(std::string_view line);

    const std::string& GetError() const { return m_strError; }
    std::int64_t GetFileCount() const { return m_nFiles; }
    std::int64_t GetDirectoryCount() const { return m_nDirectories; }
    // The directory whose contents are arriving, or null before the first record.
    const CEntry* GetDirectory() const { return m_stack.empty() ? nullptr : m_stack.back(); }
    // The start directory's own blocks, in bytes, as its record gives them.
    std::int64_t GetStartOwnDisk() const { return m_nStartOwnDisk; }

private:
    struct Record {
        char type = 0;
        std::uint64_t numbers[3] = {0, 0, 0};  // length, blocks, device
        std::uint64_t inode = 0;
        std::uint64_t links = 0;
        std::int64_t times[4] = {0, 0, 0, 0};  // modified, accessed, changed, born (-1: not known)
        std::uint64_t depth = 0;
        std::string_view name;
    };
    bool TakeRecord(std::string_view record);
    bool Parse(std::string_view record, Record& out);
    bool AddStart(const Record& record);
    bool AddItem(const Record& record);
    void CloseDirectory();
    bool Fail(std::string problem);

    CEntryArena& m_arena;
    CEntry* m_pStart;  // not owned
    std::string m_strStartPath;
    std::string m_strPending;  // a record begun in an earlier piece
    std::vector<CEntry*> m_stack;  // the open directories, the start first; not owned
    std::unordered_set<std::string> m_unreadable;  // paths find reported
    std::size_t m_nMaxDepth = kMaxDepth;
    std::uint64_t m_startDevice = 0;
    std::int64_t m_nStartOwnDisk = 0;
    std::int64_t m_nFiles = 0;
    std::int64_t m_nDirectories = 0;
    std::uint64_t m_nRecords = 0;
    bool m_bStarted = false;
    std::string m_strError;
};
