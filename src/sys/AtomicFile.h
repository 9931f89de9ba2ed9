#pragma once
#include <cstddef>
#include <string>

// A file the user keeps, replaced all at once: what is written goes into a temporary file
// beside it, which takes the file's place only once everything is written and on the disk
// (flushed, synced, renamed over it, the folder synced). A failure anywhere, or an end
// without Commit, leaves the old file as it was, byte for byte, and no temporary behind.
//
// A symbolic link is followed to the file it names, as a shell redirection does: the file
// it names is replaced and the link stays. A device or a pipe that exists already
// (/dev/stdout, /dev/null) takes the data directly, as it comes.
class CAtomicFile {
public:
    CAtomicFile() = default;
    ~CAtomicFile();  // discards what was not committed
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Makes ready to write strPath, so that a place that cannot be written is known before
    // any long work. False with the system's reason ("Permission denied").
    bool Open(const std::string& strPath, std::string& strError);
    // Writes into a descriptor that stays the caller's (standard output): nothing is
    // replaced, and Commit leaves it open.
    void OpenDescriptor(int fd);
    // The descriptor written to, for a writer of its own (a compressor); -1 when not open.
    int Descriptor() const { return m_fd; }
    bool Write(const void* pData, std::size_t nBytes, std::string& strError);
    // Puts what was written in the file's place for good. False with the reason; the old
    // file is then as it was.
    bool Commit(std::string& strError);
    // Gives up: the temporary file goes, the old file stays.
    void Discard();

    // The file that is replaced: the path given, with links followed.
    const std::string& Target() const { return m_strTarget; }

private:
    bool Fail(int err, std::string& strError);

    std::string m_strTarget;
    std::string m_strTemp;  // empty when writing directly into a device or a pipe
    int m_fd = -1;
    bool m_bBorrowed = false;  // m_fd is the caller's
    unsigned m_nMode = 0666;  // the finished file's permissions
    long m_nOwner = -1;  // ... and its owner and group, when it had them before
    long m_nGroup = -1;
};
