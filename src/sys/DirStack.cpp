#include "DirStack.h"

#include "FileStatus.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kListFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// A level found again is only a parent to open in, never listed: no read permission needed.
constexpr int kParentFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr std::size_t kChunk = 2048;  // well below PATH_MAX

bool IsOutOfDescriptors(int err) { return err == EMFILE || err == ENFILE; }

void CloseKeepingErrno(int fd)
{
    const int err = errno;
    ::close(fd);
    errno = err;
}

// Opens a directory whose path is too long for one open(): a piece of at most kChunk bytes
// at a time, each relative to the last, so that trees of any depth can be started in.
int OpenLongPath(const std::string& path, int flags)
{
    int fd = ::open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::size_t pos = path.find_first_not_of('/');
    while (fd >= 0 && pos != std::string::npos) {
        std::size_t end = path.size();
        if (end - pos > kChunk) {
            end = path.rfind('/', pos + kChunk);
            if (end == std::string::npos || end <= pos) {
                ::close(fd);
                errno = ENAMETOOLONG;  // a single name longer than any file system allows
                return -1;
            }
        }
        const bool last = path.find_first_not_of('/', end) == std::string::npos;
        const int next =
            ::openat(fd, path.substr(pos, end - pos).c_str(), last ? flags : (O_PATH | O_DIRECTORY | O_CLOEXEC));
        CloseKeepingErrno(fd);
        fd = next;
        if (last)
            return fd;
        pos = path.find_first_not_of('/', end);
    }
    return fd;
}

int OpenPath(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0 && errno == ENAMETOOLONG)
        return OpenLongPath(path, flags);
    return fd;
}

void AppendName(std::string& path, const std::string& name)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
}
}  // namespace

CDirStack::~CDirStack() { Clear(); }

void CDirStack::Clear()
{
    Truncate(0);
    m_firstOpen = 1;
}

int CDirStack::Reset(const std::string& strTop, const std::vector<std::string>& names, const void* pKey)
{
    Clear();
    if (strTop.empty()) {
        errno = ENOENT;
        return -1;
    }
    int fd = OpenPath(strTop, names.empty() ? kListFlags : kParentFlags);
    std::string path = strTop;
    for (std::size_t i = 0; fd >= 0 && i < names.size(); ++i) {
        const int next = ::openat(fd, names[i].c_str(), i + 1 == names.size() ? kListFlags : kParentFlags);
        CloseKeepingErrno(fd);
        fd = next;
        AppendName(path, names[i]);
    }
    if (fd < 0)
        return -1;
    m_strPath = std::move(path);
    m_levels.push_back({pKey, fd, m_strPath.size()});
    return fd;
}

int CDirStack::Descend(const void* pParentKey, const std::string& strName, const void* pKey)
{
    const std::size_t parent = pParentKey != nullptr ? Find(pParentKey) : kNone;
    if (parent == kNone) {
        errno = EINVAL;
        return -1;
    }
    if (m_levels[parent].fd < 0 && !Reopen(parent))
        return -1;
    Truncate(parent + 1);
    int fd = OpenSubdirectory(m_levels[parent].fd, strName.c_str());
    while (fd < 0 && IsOutOfDescriptors(errno) && LetGoShallowest(parent))
        fd = OpenSubdirectory(m_levels[parent].fd, strName.c_str());
    if (fd < 0)
        return -1;
    Push(pKey, fd, strName);
    return fd;
}

int CDirStack::Ascend(const void* pKey)
{
    const std::size_t level = pKey != nullptr ? Find(pKey) : kNone;
    if (level == kNone) {
        errno = EINVAL;
        return -1;
    }
    if (m_levels[level].fd < 0 && !Reopen(level))
        return -1;
    Truncate(level + 1);
    return m_levels[level].fd;
}

// Searched from the deepest level up: a depth-first walk asks for a level near the bottom,
// and every level passed over is let go right after.
std::size_t CDirStack::Find(const void* pKey) const
{
    for (std::size_t i = m_levels.size(); i-- > 0;)
        if (m_levels[i].key == pKey)
            return i;
    return kNone;
}

void CDirStack::Truncate(std::size_t nLevels)
{
    while (m_levels.size() > nLevels) {
        if (m_levels.back().fd >= 0)
            ::close(m_levels.back().fd);
        m_levels.pop_back();
    }
    m_firstOpen = std::min(m_firstOpen, std::max<std::size_t>(nLevels, 1));
    m_strPath.resize(m_levels.empty() ? 0 : m_levels.back().pathEnd);
}

void CDirStack::Push(const void* pKey, int fd, const std::string& strName)
{
    AppendName(m_strPath, strName);
    m_levels.push_back({pKey, fd, m_strPath.size()});
    // Too many open: the shallowest below the top go, as they are needed again last.
    while (m_levels.size() - m_firstOpen > m_nMaxOpen)
        LetGo(m_levels[m_firstOpen++]);
}

void CDirStack::LetGo(Level& level)
{
    struct stat st {};
    if (::fstat(level.fd, &st) == 0) {
        level.dev = st.st_dev;
        level.ino = st.st_ino;
    }
    ::close(level.fd);
    level.fd = -1;
}

// The process ran out of descriptors: the stack keeps one level fewer open from now on,
// and lets the shallowest go, unless that is the parent about to be opened in.
bool CDirStack::LetGoShallowest(std::size_t nParent)
{
    if (m_firstOpen >= nParent)
        return false;
    m_nMaxOpen = std::max<std::size_t>(1, nParent - m_firstOpen);
    LetGo(m_levels[m_firstOpen++]);
    return true;
}

bool CDirStack::Reopen(std::size_t nLevel)
{
    if (!ReopenUpwards(nLevel) && !ReopenByNames(nLevel)) {
        // Moved away meanwhile: as good as vanished. Running out of descriptors or memory
        // is said as it is.
        if (!IsOutOfDescriptors(errno) && errno != ENOMEM)
            errno = ENOENT;
        return false;
    }
    m_firstOpen = nLevel;
    return true;
}

// Climbs from the deepest level, which is always open, one ".." at a time; each parent
// must be the very directory that level was.
bool CDirStack::ReopenUpwards(std::size_t nLevel)
{
    Truncate(m_firstOpen + 1);
    while (m_levels.size() > nLevel + 1) {
        const std::size_t i = m_levels.size() - 2;
        const int fd = ::openat(m_levels[i + 1].fd, "..", kParentFlags);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_dev != m_levels[i].dev || st.st_ino != m_levels[i].ino) {
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        m_levels[i].fd = fd;
        Truncate(i + 1);
        m_firstOpen = i;
    }
    return true;
}

bool CDirStack::ReopenByNames(std::size_t nLevel)
{
    int fd = m_levels[0].fd;
    for (std::size_t i = 1; i <= nLevel && fd >= 0; ++i) {
        const int next = ::openat(fd, NameOf(i).c_str(), kParentFlags);
        if (i > 1)
            CloseKeepingErrno(fd);
        fd = next;
    }
    if (fd < 0)
        return false;
    Truncate(nLevel + 1);
    m_levels[nLevel].fd = fd;
    return true;
}

std::string CDirStack::NameOf(std::size_t nLevel) const
{
    std::size_t start = m_levels[nLevel - 1].pathEnd;
    if (m_strPath[start - 1] != '/')
        ++start;
    return m_strPath.substr(start, m_levels[nLevel].pathEnd - start);
}
