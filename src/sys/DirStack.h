#pragma once
#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

// The directories of a depth-first walk from its top down to the one opened last, each
// held by a descriptor, so that a subdirectory is opened relative to its parent (openat
// with O_NOFOLLOW): below the top no path is resolved that a link swapped in meanwhile
// could divert, and opening costs the same at any depth. The walk names each directory by
// a key of its own choosing (its entry). It asks for a child of the directory it opened
// last or of one of that one's ancestors; the levels below that parent are let go.
//
// A tree thousands of levels deep would need a descriptor per level, so only the top and
// the deepest kMaxOpen levels stay open; fewer, from the first time the process runs out of
// descriptors (a low `ulimit -n`). A level let go is found again through ".." of the
// level below it, checked against the device and inode it had; should that fail (something
// was moved meanwhile), by its names from the top, still without following links.
class CDirStack {
public:
    static constexpr std::size_t kMaxOpen = 64;

    CDirStack() = default;
    ~CDirStack();
    CDirStack(const CDirStack&) = delete;
    CDirStack& operator=(const CDirStack&) = delete;

    // Starts over: opens strTop by its path (piece by piece when it is longer than one
    // open takes), then each of names inside the one before. The directory reached becomes
    // the only level, known as pKey (may be null: never asked for again). Returns its
    // descriptor for listing, owned by the stack, or -1 with errno set.
    int Reset(const std::string& strTop, const std::vector<std::string>& names, const void* pKey);
    bool Holds(const void* pKey) const { return pKey != nullptr && Find(pKey) != kNone; }
    // Opens strName inside the held directory pParentKey as the new deepest level, known
    // as pKey. Returns its descriptor for listing, or -1 with errno set (EINVAL when the
    // parent is not held).
    int Descend(const void* pParentKey, const std::string& strName, const void* pKey);
    // Makes the held level pKey the deepest again, the levels below it closed, and returns
    // its descriptor: reopened when it had been let go (then only fit to open, stat and
    // remove in, not to list). -1 with errno set (EINVAL when it is not held).
    int Ascend(const void* pKey);
    // The deepest level's path: the top's path and the names below it.
    const std::string& Path() const { return m_strPath; }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Level {
        const void* key;
        int fd;  // -1 while let go
        std::size_t pathEnd;  // where the level's path ends in m_strPath
        dev_t dev = 0;  // identity, recorded when the level is let go
        ino_t ino = 0;
    };

    void Clear();
    std::size_t Find(const void* pKey) const;
    void Truncate(std::size_t nLevels);
    void Push(const void* pKey, int fd, const std::string& strName);
    void LetGo(Level& level);
    bool LetGoShallowest(std::size_t nParent);
    bool Reopen(std::size_t nLevel);
    bool ReopenUpwards(std::size_t nLevel);
    bool ReopenByNames(std::size_t nLevel);
    std::string NameOf(std::size_t nLevel) const;

    std::vector<Level> m_levels;  // [0] the top, always open; [1, m_firstOpen) let go
    std::size_t m_firstOpen = 1;  // [m_firstOpen, size) open
    std::size_t m_nMaxOpen = kMaxOpen;  // levels open below the top, at least 1
    std::string m_strPath;
};
