#pragma once
#include "model/EntryArena.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds the tree below a directory from Volra's own listing (ListingFormat), as a remote
// Volra streams it: the listing's root stands for the start directory, its items become the
// start's descendants as the walk makes them (sizes added up the tree at once, colours by
// place in the listing, children sorted once their directory is complete), so a refresh can
// read into its copy.
//
// What the server sends is not trusted: a stream without the format's mark, a number beyond
// 64 bits or a size beyond 2^63-1, flags it does not know, a name longer than kMaxName or
// one no file system allows, an item deeper than the directories open, nesting beyond
// kMaxDepth, bytes after the end mark, a stream that stops before it, all end the reading
// with a message. Nothing is held but the tree and one record.
class CListingReader {
public:
    // pStart (a directory of arena without children) receives what the listing holds.
    CListingReader(CEntryArena& arena, CEntry* pStart);

    // Takes the next bytes of the stream; false once the listing is refused (GetError).
    bool Feed(std::string_view bytes);
    // The stream has ended: false unless it ended with the end mark.
    bool Finish();

    const std::string& GetError() const { return m_strError; }
    std::int64_t GetFileCount() const { return m_nFiles; }
    std::int64_t GetDirectoryCount() const { return m_nDirectories; }
    // The directory whose contents are arriving, or null before the first record.
    const CEntry* GetDirectory() const { return m_stack.empty() ? nullptr : m_stack.back(); }
    // The root's own size on disk.
    std::int64_t GetStartOwnDisk() const { return m_nStartOwnDisk; }

private:
    struct Record;
    enum class Step { Taken, Short, Refused };
    bool TakeMagic();
    Step Parse(const char*& p, const char* end, Record& record);
    bool Add(const Record& record);
    void CloseDirectory();
    bool Fail(std::string problem);

    CEntryArena& m_arena;
    CEntry* m_pStart;  // not owned
    std::string m_buffer;  // bytes of a record not complete yet
    std::vector<CEntry*> m_stack;  // the open directories, the start first; not owned
    std::vector<std::uint64_t> m_devices;  // ... and the device of each
    bool m_bMagic = false;
    bool m_bEnded = false;
    std::int64_t m_nStartOwnDisk = 0;
    std::int64_t m_nFiles = 0;
    std::int64_t m_nDirectories = 0;
    std::uint64_t m_nRecords = 0;
    std::string m_strError;
};
