#pragma once
#include "DirStack.h"
#include "Time.h"
#include "Types.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;

// Lists one directory at a time. After a successful FindFile the finder stands before the
// first item; every FindNextFile makes the next item current and returns FALSE when the item
// it has just made current is the last one (that item stays current and valid). On FALSE the
// reason is in the thread's last error code (ERROR_NO_MORE_FILES at the normal end).
//
// The local finder reads with getdents and statx relative to the directory, never
// following symbolic links (a link is an item of its own with the link's own length). An
// item that vanishes between the listing and its status read is simply not listed. A walk
// starts with FindFileBelow and lists every further directory with FindSubdirectory,
// which opens it relative to its parent's descriptor (see CDirStack).
class CFileFind {
public:
    CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;
    virtual ~CFileFind();

    // Starts listing the directory at strDirectory (a directory path, no wildcard pattern).
    virtual BOOL FindFile(const std::string& strDirectory);
    // Starts listing the directory reached from strTop (opened by its path) through names,
    // each opened inside the one before; pKey names it for FindSubdirectory.
    BOOL FindFileBelow(const std::string& strTop, const std::vector<std::string>& names, const void* pKey);
    // Starts listing strName inside the directory listed earlier as pParentKey, which must
    // be held (Holds); pKey names it in turn.
    BOOL FindSubdirectory(const void* pParentKey, const std::string& strName, const void* pKey);
    bool Holds(const void* pKey) const { return m_dirs.Holds(pKey); }
    virtual BOOL FindNextFile();
    virtual void Close();

    virtual std::string GetFilePath() const;   // the directory path, "/", the name
    virtual const std::string& GetFileName() const { return m_cur.name; }
    virtual BOOL IsDots() const;
    virtual BOOL MatchesMask(DWORD dwMask) const;
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    virtual std::int64_t GetLength64() const { return m_cur.size; }
    virtual CTime GetCreationTime() const { return m_cur.created; }
    virtual CTime GetLastWriteTime() const { return m_cur.modified; }
    virtual CTime GetLastAccessTime() const { return m_cur.accessed; }

    // Device of the current item (local finder only): lets a walk stay on one file system.
    std::uint64_t GetDevice() const { return m_cur.device; }

    // Joins a directory path and a name with exactly one "/" between them.
    static std::string JoinPath(const std::string& dir, const std::string& name);

protected:
    struct Item {
        std::string name;
        bool directory = false;
        std::int64_t size = 0;
        CTime created, modified, accessed;
        std::uint64_t device = 0;
    };
    Item m_cur;           // the current item

private:
    BOOL StartListing(int fd);
    bool ReadAhead();   // fills m_next; false at the end (errno in m_nextError)
    bool NextName(const char*& name, unsigned char& type);

    CDirStack m_dirs;            // the directory being listed and its ancestors
    int m_dirFd = -1;            // the directory being listed, owned by m_dirs
    std::vector<char> m_buffer;  // raw directory records, read in large batches
    std::size_t m_bufPos = 0;
    std::size_t m_bufLen = 0;
    Item m_next;
    bool m_haveNext = false;
    int m_nextError = 0;
};
