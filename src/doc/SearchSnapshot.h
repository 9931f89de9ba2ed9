#pragma once
#include "NcduItem.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CEntry;

// A search's tree copied into one flat buffer, in the order a saved search holds it, so
// that it can be written on a worker thread while the document goes on (or goes away):
// the snapshot owns its bytes and refers to nothing of the tree. Taking one costs a walk
// over the tree and a few dozen bytes per entry, far less than formatting the export.
//
// Each entry is one record: a byte of flags, its depth, its name's length and bytes, its
// length and size on disk, a linked file's inode and count of names, and the times it
// knows, numbers as variable-length integers (7 bits a byte, least significant first).
class CSearchSnapshot {
public:
    CSearchSnapshot() = default;
    // Takes the whole tree of root, finished at nFinished (seconds since 1970, UTC).
    // Throws std::bad_alloc when the memory for it cannot be had.
    CSearchSnapshot(const CEntry& root, std::int64_t nFinished);

    const std::string& GetRootPath() const { return m_strRootPath; }
    std::int64_t GetFinished() const { return m_nFinished; }
    // The root's totals: the files' lengths, and what everything takes on the disk.
    std::int64_t GetLength() const { return m_nLength; }
    std::int64_t GetDiskSize() const { return m_nDiskSize; }
    std::size_t EntryCount() const { return m_nEntries; }
    std::size_t Bytes() const { return m_records.size(); }

    // The records again, in order, the root first.
    class CReader {
    public:
        explicit CReader(const CSearchSnapshot& snapshot) : m_records(snapshot.m_records) {}
        // The next item (its name pointing into the snapshot) and its depth; false at the end.
        bool Next(CNcduItem& item, std::uint32_t& nDepth);

    private:
        std::uint64_t Number();
        const std::string& m_records;
        std::size_t m_nNext = 0;
    };

private:
    void Add(const CEntry& entry, std::uint32_t nDepth);

    std::string m_records;
    std::string m_strRootPath;
    std::int64_t m_nFinished = 0;
    std::int64_t m_nLength = 0;
    std::int64_t m_nDiskSize = 0;
    std::size_t m_nEntries = 0;
};
