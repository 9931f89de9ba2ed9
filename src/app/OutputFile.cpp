#include "OutputFile.h"

#include "sys/LastError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

COutputFile::~COutputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_bCreated && !m_bWritten)
        ::unlink(m_strPath.c_str());
}

bool COutputFile::Open(const std::string& strPath, std::string& strReason)
{
    m_strPath = strPath;
    // Not truncated yet: a search that fails leaves an existing picture as it was.
    m_fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    m_bCreated = m_fd >= 0;
    if (m_fd < 0 && errno == EEXIST)
        m_fd = ::open(strPath.c_str(), O_WRONLY | O_CLOEXEC);
    if (m_fd < 0)
        strReason = ErrnoText(errno);
    return m_fd >= 0;
}

bool COutputFile::Write(const QByteArray& data, std::string& strReason)
{
    struct stat st {};
    // Devices and pipes (/dev/stdout) take the data as it comes; only a file is emptied.
    if (::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(m_fd, 0) != 0) {
        strReason = ErrnoText(errno);
        return false;
    }
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::write(m_fd, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            strReason = ErrnoText(n < 0 ? errno : EIO);
            return false;
        }
        done += n;
    }
    m_bWritten = true;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {  // a network file system may report a full disk only here
        strReason = ErrnoText(errno);
        return false;
    }
    return true;
}
