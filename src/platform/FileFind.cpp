#include "FileFind.h"

#include "LastError.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
bool IsDotsName(const char* n)
{
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}
}  // namespace

CFileFind::CFileFind() = default;

CFileFind::~CFileFind() { Close(); }

std::string CFileFind::JoinPath(const std::string& dir, const std::string& name)
{
    std::string path;
    path.reserve(dir.size() + 1 + name.size());
    path = dir;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

BOOL CFileFind::FindFile(const std::string& strDirectory)
{
    Close();
    m_strRoot = strDirectory;
    m_dirFd = ::open(strDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_dirFd < 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    // fdopendir takes over the descriptor; statx still uses it for the item lookups.
    DIR* dir = ::fdopendir(m_dirFd);
    if (dir == nullptr) {
        const int err = errno;
        ::close(m_dirFd);
        m_dirFd = -1;
        SetLastErrorFromErrno(err);
        return FALSE;
    }
    m_dir = dir;
    if (!ReadAhead()) {
        const int err = m_nextError;
        Close();
        SetLastError(err != 0 ? ErrorFromErrno(err) : ERROR_NO_MORE_FILES);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_haveNext) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    std::swap(m_cur, m_next);
    if (ReadAhead())
        return TRUE;
    SetLastError(m_nextError != 0 ? ErrorFromErrno(m_nextError) : ERROR_NO_MORE_FILES);
    return FALSE;
}

bool CFileFind::ReadAhead()
{
    m_haveNext = false;
    m_nextError = 0;
    DIR* dir = static_cast<DIR*>(m_dir);
    while (dir != nullptr) {
        errno = 0;
        const dirent* de = ::readdir(dir);
        if (de == nullptr) {
            m_nextError = errno;
            return false;
        }
        Item& it = m_next;
        it.name.assign(de->d_name);
        if (IsDotsName(de->d_name)) {
            it.directory = true;
            it.size = 0;
            it.created = it.modified = it.accessed = CTime();
            m_haveNext = true;
            return true;
        }
        struct statx stx;
        constexpr unsigned kMask = STATX_TYPE | STATX_SIZE | STATX_ATIME | STATX_MTIME
                                   | STATX_CTIME | STATX_BTIME;
        if (::statx(m_dirFd, de->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kMask, &stx) != 0) {
            if (errno == ENOENT)
                continue;  // removed since the listing was read: it is simply not there
            // Status unreadable: keep the name with what the listing itself says.
            it.directory = de->d_type == DT_DIR;
            it.size = 0;
            it.created = it.modified = it.accessed = CTime();
            it.device = 0;
            m_haveNext = true;
            return true;
        }
        it.directory = S_ISDIR(stx.stx_mode);
        it.size = it.directory ? 0 : static_cast<std::int64_t>(stx.stx_size);
        it.modified = CTime(stx.stx_mtime.tv_sec);
        it.accessed = CTime(stx.stx_atime.tv_sec);
        it.created = CTime((stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : stx.stx_ctime.tv_sec);
        it.device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
        m_haveNext = true;
        return true;
    }
    return false;
}

void CFileFind::Close()
{
    if (m_dir != nullptr)
        ::closedir(static_cast<DIR*>(m_dir));  // also closes m_dirFd
    else if (m_dirFd >= 0)
        ::close(m_dirFd);
    m_dir = nullptr;
    m_dirFd = -1;
    m_haveNext = false;
}

std::string CFileFind::GetFilePath() const { return JoinPath(m_strRoot, m_cur.name); }

BOOL CFileFind::IsDots() const { return IsDotsName(m_cur.name.c_str()) ? TRUE : FALSE; }

BOOL CFileFind::MatchesMask(DWORD dwMask) const
{
    DWORD attributes = 0;
    if (m_cur.directory)
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    return (attributes & dwMask) != 0 ? TRUE : FALSE;
}
