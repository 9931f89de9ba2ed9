#pragma once
#include "model/Entry.h"
#include "sys/AtomicFile.h"

#include <string>

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
class CNcduWriter {
public:
    CNcduWriter();
    ~CNcduWriter();
    CNcduWriter(const CNcduWriter&) = delete;
    CNcduWriter& operator=(const CNcduWriter&) = delete;

    // Makes ready to write to strPath, so that a place that cannot be written is known
    // before any long work. False with the system's reason.
    bool Open(const std::string& strPath, std::string& strError);
    // Writes the search whose root is given and puts the file in its place.
    bool Write(const CEntry& root, std::string& strError);

private:
    bool Flush(std::string& strError);
    bool Finish(std::string& strError);
    void Discard();

    CAtomicFile m_file;
    void* m_gz = nullptr;  // gzFile, when compressing
    std::string m_out;  // what has not been written yet
};
