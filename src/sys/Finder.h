#pragma once
#include "base/HardLinkId.h"
#include "base/Time.h"
#include "base/Types.h"

#include <cstdint>
#include <string>

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;

// What the walk and the entries read of a listing, whoever produces it: the local file
// system or an FTP server. After a successful start (each finder has its own) the finder
// stands before the first item; every FindNextFile makes the next item current and returns
// FALSE when the item it has just made current is the last one (that item stays current and
// valid). On FALSE the reason is in the thread's last error code (ERROR_NO_MORE_FILES at the
// normal end).
class CFinder {
public:
    CFinder() = default;
    CFinder(const CFinder&) = delete;
    CFinder& operator=(const CFinder&) = delete;
    virtual ~CFinder() = default;

    virtual BOOL FindNextFile() = 0;
    virtual void Close() = 0;

    virtual std::string GetFilePath() const = 0;
    virtual const std::string& GetFileName() const = 0;
    virtual BOOL MatchesMask(DWORD dwMask) const = 0;
    virtual std::int64_t GetLength64() const = 0;  // bytes; 0 for a directory
    virtual CTime GetCreationTime() const = 0;
    virtual CTime GetLastWriteTime() const = 0;
    virtual CTime GetLastAccessTime() const = 0;
    // The bytes the item takes on its disk, a directory's own included; where nothing
    // better is known, its length.
    virtual std::int64_t GetAllocated64() const { return GetLength64(); }
    // True, with its identity, for a file (never a directory) that has more than one name.
    virtual bool GetHardLink(CHardLinkId& /*id*/) const { return false; }
    // True, with its device and inode, where the finder can tell which item it is.
    virtual bool GetIdentity(std::uint64_t& /*device*/, std::uint64_t& /*inode*/) const { return false; }

    BOOL IsDots() const
    {
        const std::string& n = GetFileName();
        return (n == "." || n == "..") ? TRUE : FALSE;
    }
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
};
