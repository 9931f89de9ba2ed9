#include "FileFind.h"

#include "CacheDirTag.h"
#include "LastError.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
bool IsDotsName(const char* n) { return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)); }
}  // namespace

CFileFind::CFileFind() = default;

CFileFind::~CFileFind() = default;

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
    return StartListing(m_dirs.Reset(strDirectory, {}, nullptr));
}

BOOL CFileFind::FindFileBelow(const std::string& strTop, const std::vector<std::string>& names, const void* pKey)
{
    Close();
    // A directory below the top is a subdirectory of the search, its start or not.
    return StartListing(m_dirs.Reset(strTop, names, pKey), !names.empty());
}

BOOL CFileFind::FindSubdirectory(const void* pParentKey, const std::string& strName, const void* pKey)
{
    Close();
    return StartListing(m_dirs.Descend(pParentKey, strName, pKey), true);
}

BOOL CFileFind::StartListing(int fd, bool bSubdirectory)
{
    m_bCacheTagged = false;
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    m_dirFd = fd;
    struct stat st {};
    m_dirDevice = m_bAskFsKinds && ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_dev) : 0;
    // A cache is kept as an empty directory; a search's root is listed whatever it holds.
    if (bSubdirectory && m_bSkipCaches && HasCacheDirTag(fd)) {
        m_bCacheTagged = true;
        Close();
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    if (m_buffer.empty())
        m_buffer.resize(64 * 1024);
    m_bufPos = m_bufLen = 0;
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

// The next raw record of the listing; false at its end or on an error (m_nextError).
bool CFileFind::NextName(const char*& name, unsigned char& type)
{
    if (m_bufPos >= m_bufLen) {
        const ssize_t got = ::getdents64(m_dirFd, m_buffer.data(), m_buffer.size());
        if (got <= 0) {
            m_nextError = got < 0 ? errno : 0;
            return false;
        }
        m_bufLen = static_cast<std::size_t>(got);
        m_bufPos = 0;
    }
    const auto* de = reinterpret_cast<const dirent64*>(m_buffer.data() + m_bufPos);
    m_bufPos += de->d_reclen;
    name = de->d_name;
    type = de->d_type;
    return true;
}

bool CFileFind::ReadAhead()
{
    m_haveNext = false;
    m_nextError = 0;
    const char* name = nullptr;
    unsigned char type = DT_UNKNOWN;
    while (m_dirFd >= 0 && NextName(name, type)) {
        Item& it = m_next;
        it.name.assign(name);
        if (IsDotsName(name)) {
            it.directory = true;
            it.fsKind = EFsKind::Same;
            it.size = 0;
            it.allocated = 0;
            it.links = 0;
            it.created = it.modified = it.accessed = CTime();
            m_haveNext = true;
            return true;
        }
        if (!ReadFileStatus(m_dirFd, name, type, it))
            continue;  // removed since the listing was read: it is simply not there
        if (m_bAskFsKinds)
            NoteFsKind(m_dirFd, name, m_dirDevice, it);
        m_haveNext = true;
        return true;
    }
    return false;
}

// The directory's descriptor stays with m_dirs: its subdirectories are opened in it.
void CFileFind::Close()
{
    m_dirFd = -1;
    m_haveNext = false;
}

std::string CFileFind::GetFilePath() const { return JoinPath(m_dirs.Path(), m_cur.name); }

BOOL CFileFind::MatchesMask(DWORD dwMask) const
{
    DWORD attributes = 0;
    if (m_cur.directory)
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    return (attributes & dwMask) != 0 ? TRUE : FALSE;
}

bool CFileFind::GetHardLink(CHardLinkId& id) const
{
    if (m_cur.directory || m_cur.links < 2)
        return false;
    id = {m_cur.device, m_cur.inode, m_cur.links};
    return true;
}

bool CFileFind::GetIdentity(std::uint64_t& device, std::uint64_t& inode) const
{
    if (m_cur.inode == 0)
        return false;  // its status could not be read
    device = m_cur.device;
    inode = m_cur.inode;
    return true;
}
