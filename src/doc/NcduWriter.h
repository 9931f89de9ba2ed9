#pragma once
#include "ItemSink.h"
#include "NcduItem.h"
#include "model/Entry.h"
#include "sys/AtomicFile.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class CSearchSnapshot;

// Writes a search in ncdu's JSON export format (version 1.2, as "ncdu -o" writes it), so
// that ncdu -f, or Volra, opens it again. Names are written as the bytes they are, with
// only what JSON demands escaped; a directory's total is not written but summed again by
// the reader. Files carry "asize" (their length) and "mtime"; "created" and "atime", which
// ncdu passes over, keep the other two times; a mount point is a directory excluded as
// "otherfs". Children go out in an order that gives each its colour back on reading.
//
// Nothing is replaced until everything has been written and is on the disk (CAtomicFile), so
// a failed save leaves the old file as it was; a link is followed to the file it names. A
// name ending in ".gz" is written gzip-compressed; "-" is standard output.
class CNcduWriter final : public CItemSink {
public:
    // zlib's own trade-off between size and time, as gzip uses by default.
    static constexpr int kDefaultLevel = -1;

    CNcduWriter();
    ~CNcduWriter() override;
    CNcduWriter(const CNcduWriter&) = delete;
    CNcduWriter& operator=(const CNcduWriter&) = delete;

    // Makes ready to write to strPath, so that a place that cannot be written is known
    // before any long work. False with the system's reason. nLevel is the compression
    // level (1 fastest, 9 smallest) of a ".gz" name.
    bool Open(const std::string& strPath, std::string& strError, int nLevel = kDefaultLevel);
    // Writes the search whose root is given and puts the file in its place.
    bool Write(const CEntry& root, std::string& strError);
    // The same from a snapshot of a search, which may be written on any thread. While
    // pCancel (when given) turns true, the writing stops within a megabyte, and nothing is
    // left behind: false with "cancelled".
    bool Write(const CSearchSnapshot& snapshot, std::string& strError, const std::atomic<bool>* pCancel = nullptr);

    // What is written of an entry.
    static CNcduItem ItemOf(const CEntry& entry);
    // Visits root and everything below it, depth first, in the order they are written:
    // each directory's children in the order that gives them their colours back (the
    // colours are their places in the file). Depth 0 is root's. Stops when visit does.
    static bool VisitInFileOrder(const CEntry& root, const std::function<bool(const CEntry&, std::uint32_t)>& visit);

    // A search written while it runs (CWalkExport): BeginStream, then every item after the
    // ones before it in file order with its depth (0 the root's; the directories it is not
    // in are closed), then EndStream. It goes out in pieces of about nPieceBytes, so that a
    // reader at the other end of a pipe has it as it comes.
    void BeginStream(std::size_t nPieceBytes);
    bool PutItem(const CNcduItem& item, std::uint32_t nDepth, std::string& strError) override
    {
        return Put(item, nDepth, strError);
    }
    bool EndStream(std::string& strError) override { return End(strError); }

private:
    void Begin(std::int64_t nTimestamp);
    // The item after the ones before it: nDepth closes the directories it is not in.
    bool Put(const CNcduItem& item, std::uint32_t nDepth, std::string& strError);
    bool End(std::string& strError);
    bool Flush(std::string& strError);
    bool Finish(std::string& strError);
    void Discard();

    CAtomicFile m_file;
    void* m_gz = nullptr;  // gzFile, when compressing
    std::string m_out;  // what has not been written yet
    std::uint32_t m_nOpen = 0;  // directories whose children are being written
    std::size_t m_nFlushBytes;  // what is written at once
    const std::atomic<bool>* m_pCancel = nullptr;  // not owned
};
