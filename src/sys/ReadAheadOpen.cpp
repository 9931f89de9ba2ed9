#include "ReadAheadJob.h"

#include "FileStatus.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Descriptors: every directory is opened inside its parent's descriptor, which stays open
// while subdirectories of it are still to be opened.

namespace {
// A parent found again is only opened in, never listed: no read permission needed.
constexpr int kParentFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr std::size_t kMaxOpenParents = 256;
}  // namespace

void CReadAhead::OpenJob(Job* pJob, Lock& lock)
{
    Job* pParent = pJob->pParent;
    const int parentFd = HoldParentFd(pParent, lock);
    lock.unlock();
    int fd = -1;
    int err = ENOENT;  // the parent is gone: as good as vanished
    if (parentFd >= 0) {
        fd = OpenSubdirectory(parentFd, pJob->name.c_str());
        err = errno;
    }
    lock.lock();
    if (parentFd >= 0)
        --pParent->nFdUsers;
    --pParent->nUnopened;
    LetGoParentFdLocked(pParent);
    pJob->fd = fd;
    pJob->openError = fd < 0 ? err : 0;
    pJob->bOpened = true;
    if (pJob == m_pHead && m_bWalkWaiting)
        m_cvWalk.notify_one();
}

int CReadAhead::HoldParentFd(Job* pParent, Lock& lock)
{
    if (pParent->fd < 0 && ReopenLocked(pParent, lock) < 0)
        return -1;
    ++pParent->nFdUsers;
    return pParent->fd;
}

void CReadAhead::LetGoParentFdLocked(Job* pParent)
{
    if (pParent->nUnopened == 0 && pParent->nFdUsers == 0 && pParent != m_pTop && pParent->fd >= 0)
        CloseFdLocked(pParent);
}

// Opens a parent whose descriptor was closed early again, from its nearest open ancestor
// by names without following links; it must be the very directory it was.
int CReadAhead::ReopenLocked(Job* pJob, Lock& lock)
{
    std::vector<const std::string*> names;
    Job* pAncestor = pJob;
    for (; pAncestor->fd < 0; pAncestor = pAncestor->pParent)
        names.push_back(&pAncestor->name);
    ++pAncestor->nFdUsers;
    lock.unlock();
    int fd = pAncestor->fd;
    for (auto it = names.rbegin(); it != names.rend() && fd >= 0; ++it) {
        const int next = ::openat(fd, (*it)->c_str(), kParentFlags);
        if (fd != pAncestor->fd)
            ::close(fd);
        fd = next;
    }
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || st.st_dev != pJob->dev || st.st_ino != pJob->ino)) {
        ::close(fd);
        fd = -1;
    }
    lock.lock();
    --pAncestor->nFdUsers;
    LetGoParentFdLocked(pAncestor);
    if (pJob->fd < 0 && fd >= 0) {
        pJob->fd = fd;
        KeepFdLocked(pJob);
    } else if (fd >= 0) {
        ::close(fd);
    }
    return pJob->fd;
}

// A directory keeps its descriptor for its subdirectories; of too many kept, the shallowest
// goes, as its subdirectories come last in walk order.
void CReadAhead::KeepFdLocked(Job* pJob)
{
    m_openParents.push_back(pJob);
    if (m_openParents.size() <= kMaxOpenParents)
        return;
    Job* pVictim = nullptr;
    for (Job* p : m_openParents)
        if (p != m_pTop && p->nFdUsers == 0 && (pVictim == nullptr || p->depth < pVictim->depth))
            pVictim = p;
    if (pVictim == nullptr)
        return;
    struct stat st {};
    if (::fstat(pVictim->fd, &st) == 0) {
        pVictim->dev = st.st_dev;
        pVictim->ino = st.st_ino;
    }
    CloseFdLocked(pVictim);
}

void CReadAhead::CloseFdLocked(Job* pJob)
{
    if (pJob->fd >= 0)
        ::close(pJob->fd);
    pJob->fd = -1;
    const auto it = std::find(m_openParents.begin(), m_openParents.end(), pJob);
    if (it != m_openParents.end())
        m_openParents.erase(it);
}
