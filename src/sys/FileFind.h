#pragma once
#include "DirStack.h"
#include "FileStatus.h"
#include "Finder.h"

#include <cstdint>
#include <string>
#include <vector>

// The local finder: lists one directory of the file system at a time, with the finder
// semantics of CFinder (FindFile and its two relatives start a listing).
//
// It reads with getdents and statx relative to the directory, never
// following symbolic links (a link is an item of its own with the link's own length). An
// item that vanishes between the listing and its status read is simply not listed. A walk
// starts with FindFileBelow and lists every further directory with FindSubdirectory,
// which opens it relative to its parent's descriptor (see CDirStack).
class CFileFind : public CFinder {
public:
    CFileFind();
    ~CFileFind() override;

    // Starts listing the directory at strDirectory (a directory path, no wildcard pattern).
    virtual BOOL FindFile(const std::string& strDirectory);
    // Starts listing the directory reached from strTop (opened by its path) through names,
    // each opened inside the one before; pKey names it for FindSubdirectory.
    virtual BOOL FindFileBelow(const std::string& strTop, const std::vector<std::string>& names, const void* pKey);
    // Starts listing strName inside the directory listed earlier as pParentKey, which must
    // be held (Holds); pKey names it in turn.
    virtual BOOL FindSubdirectory(const void* pParentKey, const std::string& strName, const void* pKey);
    virtual bool Holds(const void* pKey) const { return m_dirs.Holds(pKey); }
    BOOL FindNextFile() override;
    void Close() override;

    std::string GetFilePath() const override;  // the directory path, "/", the name
    const std::string& GetFileName() const override { return m_cur.name; }
    BOOL MatchesMask(DWORD dwMask) const override;
    std::int64_t GetLength64() const override { return m_cur.size; }
    CTime GetCreationTime() const override { return m_cur.created; }
    CTime GetLastWriteTime() const override { return m_cur.modified; }
    CTime GetLastAccessTime() const override { return m_cur.accessed; }
    std::int64_t GetAllocated64() const override { return m_cur.allocated; }
    bool GetHardLink(CHardLinkId& id) const override;
    bool GetIdentity(std::uint64_t& device, std::uint64_t& inode) const override;

    // Device of the current item (local finder only): lets a walk stay on one file system.
    std::uint64_t GetDevice() const { return m_cur.device; }
    std::uint64_t GetInode() const { return m_cur.inode; }
    // The current item's status and name at once, without a call for each field: the walk
    // makes an entry of a million of them.
    const CFileStatus& GetStatus() const { return m_cur; }
    const std::string& GetName() const { return m_cur.name; }
    // For a walk that goes past mount points: each directory item on another device than
    // the directory listed tells the kind of its file system (GetFsKind); Same otherwise.
    void SetAskFsKinds(bool bAsk) { m_bAskFsKinds = bAsk; }
    EFsKind GetFsKind() const { return m_cur.fsKind; }
    // The walk passes over the subdirectory strName of the directory listed as pParentKey,
    // which it would have listed next: a finder that reads ahead stops reading it.
    virtual void PassOver(const void* /*pParentKey*/, const std::string& /*strName*/) {}

    // Whether a subdirectory that a CACHEDIR.TAG marks as a cache is listed as empty, and
    // whether the listing started last was such a one. A directory FindFileBelow reaches
    // through names is a subdirectory too (a refresh may start there); the top is not.
    void SetSkipCaches(bool bSkip) { m_bSkipCaches = bSkip; }
    bool WasCacheTagged() const { return m_bCacheTagged; }

    // Joins a directory path and a name with exactly one "/" between them.
    static std::string JoinPath(const std::string& dir, const std::string& name);

protected:
    // The read-ahead finder hands out its items through the same fields.
    struct Item : CFileStatus {
        std::string name;
    };
    Item m_cur;  // the current item
    bool m_bSkipCaches = false;
    bool m_bCacheTagged = false;
    bool m_bAskFsKinds = false;

private:
    BOOL StartListing(int fd, bool bSubdirectory = false);
    bool ReadAhead();  // fills m_next; false at the end (errno in m_nextError)
    bool NextName(const char*& name, unsigned char& type);

    CDirStack m_dirs;  // the directory being listed and its ancestors
    int m_dirFd = -1;  // the directory being listed, owned by m_dirs
    std::uint64_t m_dirDevice = 0;  // its device, known while kinds are asked
    std::vector<char> m_buffer;  // raw directory records, read in large batches
    std::size_t m_bufPos = 0;
    std::size_t m_bufLen = 0;
    Item m_next;
    bool m_haveNext = false;
    int m_nextError = 0;
};
