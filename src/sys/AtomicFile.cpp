#include "AtomicFile.h"

#include "LastError.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
constexpr int kMaxLinks = 40;  // as many as the kernel follows in one path

std::string Folder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder + (folder.back() == '/' ? "" : "/") + name;
}

// Follows path while it names a symbolic link; a relative target is taken from the link's
// folder, as the kernel does. What is not a link, or not there yet, ends the chain.
bool FollowLinks(std::string& path, int& err)
{
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;  // a path that cannot be looked at fails where it is opened
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) {
            err = n < 0 ? errno : (n == 0 ? ENOENT : ENAMETOOLONG);
            return false;
        }
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : Join(Folder(path), target);
    }
    err = ELOOP;
    return false;
}

unsigned CreationMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

// A rename is on the disk only once its folder is: without this, a crash soon after may
// bring back the old file, or on some file systems neither. A file system that cannot
// sync a folder says EINVAL; there is nothing more to do.
int SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int err = ::fsync(fd) != 0 && errno != EINVAL ? errno : 0;
    ::close(fd);
    return err;
}
}  // namespace

CAtomicFile::~CAtomicFile() { Discard(); }

bool CAtomicFile::Open(const std::string& strPath, std::string& strError)
{
    Discard();
    std::string target = strPath;
    int err = 0;
    if (!FollowLinks(target, err))
        return Fail(err, strError);
    m_strTarget = target;
    struct stat st {};
    const bool bExists = ::stat(target.c_str(), &st) == 0;
    if (bExists && !S_ISREG(st.st_mode)) {
        m_fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        return m_fd >= 0 || Fail(errno, strError);
    }
    std::string temp = Join(Folder(target), ".volra-XXXXXX");
    m_fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (m_fd < 0)
        return Fail(errno, strError);
    m_strTemp = temp;
    m_nMode = bExists ? static_cast<unsigned>(st.st_mode & 07777) : CreationMode();
    m_nOwner = bExists ? static_cast<long>(st.st_uid) : -1;
    m_nGroup = bExists ? static_cast<long>(st.st_gid) : -1;
    return true;
}

void CAtomicFile::OpenDescriptor(int fd)
{
    Discard();
    m_fd = fd;
    m_bBorrowed = true;
}

bool CAtomicFile::Write(const void* pData, std::size_t nBytes, std::string& strError)
{
    const char* p = static_cast<const char*>(pData);
    for (std::size_t done = 0; done < nBytes;) {
        const ssize_t n = ::write(m_fd, p + done, nBytes - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Fail(n < 0 ? errno : EIO, strError);
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool CAtomicFile::Commit(std::string& strError)
{
    if (m_fd < 0)
        return Fail(EBADF, strError);
    const int fd = std::exchange(m_fd, -1);
    if (std::exchange(m_bBorrowed, false))
        return true;
    if (m_strTemp.empty())  // a device or a pipe: it has what it was given
        return ::close(fd) == 0 || Fail(errno, strError);
    // The replaced file's owner where this user may give it, then its permissions (a change
    // of owner clears the set-id bits).
    if (m_nOwner >= 0 && ::fchown(fd, static_cast<uid_t>(m_nOwner), static_cast<gid_t>(m_nGroup)) != 0) {
        // not ours to give: the file becomes this user's, as a copy would
    }
    int err = ::fchmod(fd, static_cast<mode_t>(m_nMode)) != 0 || ::fsync(fd) != 0 ? errno : 0;
    // A network file system may report a full disk only at the close.
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0)
        err = errno;
    if (err != 0)
        return Fail(err, strError);
    m_strTemp.clear();
    err = SyncFolder(Folder(m_strTarget));
    return err == 0 || Fail(err, strError);
}

void CAtomicFile::Discard()
{
    if (m_fd >= 0 && !m_bBorrowed)
        ::close(m_fd);
    m_fd = -1;
    m_bBorrowed = false;
    if (!m_strTemp.empty())
        ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
}

bool CAtomicFile::Fail(int err, std::string& strError)
{
    Discard();
    strError = ErrnoText(err);
    return false;
}
