#pragma once
#include "HistoryNames.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CSearchSnapshot;

// One search kept by the history: its file, and what the file's name tells of it.
struct CKeptSearch {
    std::string strPath;
    std::int64_t nFinished = 0;  // when its search finished: seconds since 1970, UTC
    std::int64_t nLength = 0;  // bytes, the files' lengths
    std::int64_t nDiskSize = 0;  // bytes on the disk
};

// The searches kept for comparison: gzip-compressed saved searches (ncdu's export) in the
// user's data folder, $XDG_DATA_HOME/volra/history/ (~/.local/share when the variable is
// unset or not absolute), one folder per search root (HistoryNames.h), folders made
// 0700. Each file is written under a temporary name and renamed once it is whole and on
// the disk, so a crash leaves nothing that looks like a kept search.
//
// Only names the history makes are its own: a file or folder of any other name, or one
// of its own names that is not a readable regular file, is passed over, never listed,
// counted or removed. Its temporary files older than a day (left by a crash) are removed.
//
// The store holds no state beyond its folder and limits, so any thread may use a copy;
// two programs keeping at once at worst remove a file the other was about to.
class CHistoryStore {
public:
    struct Limits {
        std::size_t nPerRoot = 10;  // searches kept of each root
        std::uint64_t nBytes = std::uint64_t{1} << 30;  // what the files of all roots take
    };

    // The history's folder; empty when neither XDG_DATA_HOME nor HOME says where it is.
    static std::string DefaultFolder();

    // strFolder is absolute (DefaultFolder).
    explicit CHistoryStore(std::string strFolder, Limits limits);
    const std::string& GetFolder() const { return m_strFolder; }

    // The kept searches of root, newest first; none when the folder cannot be read.
    std::vector<CKeptSearch> List(std::string_view root) const;
    // Every root that has a folder, as the bytes it is.
    std::vector<std::string> Roots() const;

    // Writes the snapshot as a kept search of its root, then prunes. False with the reason
    // (the folder cannot be made, the disk is full, "cancelled"); nothing is left of it.
    bool Keep(const CSearchSnapshot& snapshot, std::string& strError, const std::atomic<bool>* pCancel = nullptr) const;
    // Brings the history within its limits, the oldest searches removed first: beyond
    // nPerRoot in each root, then across roots until their files take at most nBytes.
    void Prune() const;

private:
    struct Folder {
        std::string strName;
        std::string strRoot;
    };
    struct File {
        std::string strFolder;  // the root's folder name
        std::string strName;
        CKeptName name;  // what the name tells
        std::uint64_t nBytes = 0;  // what the file takes
    };
    std::vector<Folder> Folders(int baseFd) const;
    std::string FindFolder(int baseFd, std::string_view root, bool bMake, std::string& strError) const;
    // The recognised files of one folder, newest first; stale temporary files go.
    std::vector<File> Files(int baseFd, const std::string& strFolder, bool bRemoveStale) const;

    std::string m_strFolder;
    Limits m_limits;
};
