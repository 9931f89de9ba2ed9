#include "ReadAheadJob.h"

#include "CacheDirTag.h"
#include "FileStatus.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// Descriptors: every directory is opened inside its parent's descriptor, which stays open
// while subdirectories of it are still to be opened.

namespace {
// A parent found again is only opened in, never listed: no read permission needed.
constexpr int kParentFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Left to the walk's own thread (the finder that starts a walk holds two) and to the rest
// of the program.
constexpr std::size_t kSparedDescriptors = 8;
// Held by one worker at most: the directory it reads, one it parked, a parent it keeps
// beyond the bound while opening in it, and two while finding a parent again.
constexpr std::size_t kDescriptorsPerWorker = 5;

bool IsOutOfDescriptors(int err) { return err == EMFILE || err == ENFILE; }

// Descriptors the process may still open under its soft limit.
std::size_t FreeDescriptors()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY
        || limit.rlim_cur > std::numeric_limits<std::size_t>::max() / 2)
        return std::numeric_limits<std::size_t>::max() / 2;
    std::size_t nUsed = 64;  // a guess, without /proc
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        nUsed = 0;
        while (::readdir(dir) != nullptr)
            ++nUsed;
        ::closedir(dir);
        nUsed = nUsed >= 3 ? nUsed - 3 : 0;  // ".", ".." and the listing's own descriptor
    }
    const auto nLimit = static_cast<std::size_t>(limit.rlim_cur);
    return nLimit > nUsed ? nLimit - nUsed : 0;
}
}  // namespace

CReadAhead::Options CReadAhead::FitToDescriptors(Options options, std::size_t nFree)
{
    const std::size_t nLeft = nFree > kSparedDescriptors ? nFree - kSparedDescriptors : 0;
    // Workers get at most half of them, the parents kept open the rest.
    const auto nWorkers =
        static_cast<unsigned>(std::min<std::size_t>(options.nMaxThreads, nLeft / 2 / kDescriptorsPerWorker));
    options.nMaxThreads = nWorkers;
    options.nThreads = std::min(options.nThreads, nWorkers);
    options.nMaxOpenParents = std::min(options.nMaxOpenParents, nLeft - nWorkers * kDescriptorsPerWorker);
    if (options.nMaxOpenParents == 0)
        options.nMaxThreads = options.nThreads = 0;
    return options;
}

CReadAhead::Options CReadAhead::FitToDescriptorsLeft(const Options& options)
{
    return FitToDescriptors(options, FreeDescriptors());
}

std::size_t CReadAhead::DescriptorBound(const Options& options, unsigned nWorkers)
{
    return 1 + options.nMaxOpenParents + nWorkers * kDescriptorsPerWorker;
}

void CReadAhead::NoteDescriptorOpened()
{
    const std::size_t n = m_nDescriptors.fetch_add(1, std::memory_order_relaxed) + 1;
    std::size_t nPeak = m_nPeakDescriptors.load(std::memory_order_relaxed);
    while (n > nPeak && !m_nPeakDescriptors.compare_exchange_weak(nPeak, n, std::memory_order_relaxed)) {}
}

void CReadAhead::CloseDescriptor(int fd)
{
    ::close(fd);
    m_nDescriptors.fetch_sub(1, std::memory_order_relaxed);
}

// An open that fails for want of memory or descriptors is the directory's error, as any
// other; the walk reports it.
void CReadAhead::OpenJob(Job* pJob, std::vector<char>& buffer, Batch& first, Lock& lock)
{
    Job* pParent = pJob->pParent;
    int fd = -1;
    int err = 0;
    bool bCacheTagged = false;
    try {
        do
            fd = OpenInParent(pJob, err, bCacheTagged, buffer, first, lock);
        while (fd < 0 && IsOutOfDescriptors(err) && ShedOpenParentLocked());
    } catch (const std::bad_alloc&) {
        if (!lock.owns_lock())
            lock.lock();
        err = ENOMEM;
    }
    --pParent->nUnopened;
    LetGoParentFdLocked(pParent);
    if (bCacheTagged) {
        CloseDescriptor(fd);  // nothing in it is read
        fd = -1;
        pJob->bCacheTagged = true;
    }
    pJob->fd = fd;
    pJob->openError = fd < 0 ? err : 0;
    pJob->bOpened = true;
    if (pJob == m_pHead && m_bWalkWaiting)
        m_cvWalk.notify_one();
}

// Opens the job's directory in its parent's descriptor, found again if need be; -1 with
// err set when it cannot. The listing's first batches are read into first before the lock
// is taken again: the lock is taken once for both.
int CReadAhead::OpenInParent(Job* pJob, int& err, bool& bCacheTagged, std::vector<char>& buffer, Batch& first,
                             Lock& lock)
{
    Job* pParent = pJob->pParent;
    const int parentFd = HoldParentFd(pParent, err, lock);
    if (parentFd < 0)
        return -1;
    lock.unlock();
    int fd = -1;
    try {
        fd = OpenSubdirectory(parentFd, pJob->name.c_str());
        err = fd < 0 ? errno : 0;
        if (fd >= 0)
            NoteDescriptorOpened();
        bCacheTagged = fd >= 0 && m_options.bSkipCaches && HasCacheDirTag(fd);
        if (fd >= 0 && !bCacheTagged)
            ReadUnlocked(pJob, fd, buffer, first);
    } catch (...) {
        if (fd >= 0 && !first.bClosedEarly)
            CloseDescriptor(fd);
        first.Drop();
        for (std::unique_ptr<Chunk>& pChunk : first.pChunks)
            pChunk.reset();
        first.bRead = false;
        lock.lock();
        --pParent->nFdUsers;
        throw;
    }
    Relock(lock);
    --pParent->nFdUsers;
    return fd;
}

int CReadAhead::HoldParentFd(Job* pParent, int& err, Lock& lock)
{
    if (pParent->fd < 0 && ReopenLocked(pParent, err, lock) < 0)
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
// by names without following links; it must be the very directory it was, else it is as
// good as vanished (ENOENT in err).
int CReadAhead::ReopenLocked(Job* pJob, int& err, Lock& lock)
{
    std::vector<const std::string*> names;
    Job* pAncestor = pJob;
    for (; pAncestor->fd < 0; pAncestor = pAncestor->pParent)
        names.push_back(&pAncestor->name);
    ++pAncestor->nFdUsers;
    lock.unlock();
    int fd = pAncestor->fd;
    err = 0;
    for (auto it = names.rbegin(); it != names.rend() && fd >= 0; ++it) {
        const int next = ::openat(fd, (*it)->c_str(), kParentFlags);
        err = next < 0 ? errno : 0;
        if (next >= 0)
            NoteDescriptorOpened();
        if (fd != pAncestor->fd)
            CloseDescriptor(fd);
        fd = next;
    }
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || st.st_dev != pJob->dev || st.st_ino != pJob->ino)) {
        CloseDescriptor(fd);
        fd = -1;
    }
    if (fd < 0 && !IsOutOfDescriptors(err) && err != ENOMEM)
        err = ENOENT;
    lock.lock();
    --pAncestor->nFdUsers;
    LetGoParentFdLocked(pAncestor);
    if (pJob->fd < 0 && fd >= 0) {
        pJob->fd = fd;
        KeepFdLocked(pJob);
    } else if (fd >= 0) {
        CloseDescriptor(fd);
    }
    return pJob->fd;
}

// A directory keeps its descriptor for its subdirectories; of too many kept, the shallowest
// goes, as its subdirectories come last in walk order.
void CReadAhead::KeepFdLocked(Job* pJob)
{
    m_openParents.push_back(pJob);
    if (m_openParents.size() > m_nMaxOpenParents)
        CloseShallowestParentLocked();
}

bool CReadAhead::CloseShallowestParentLocked()
{
    Job* pVictim = nullptr;
    for (Job* p : m_openParents)
        if (p != m_pTop && p->nFdUsers == 0 && (pVictim == nullptr || p->depth < pVictim->depth))
            pVictim = p;
    if (pVictim == nullptr)
        return false;
    struct stat st {};
    if (::fstat(pVictim->fd, &st) == 0) {
        pVictim->dev = st.st_dev;
        pVictim->ino = st.st_ino;
    }
    CloseFdLocked(pVictim);
    return true;
}

// Descriptors ran out all the same (the rest of the program opened some meanwhile): one
// parent fewer is kept open from now on, and the shallowest goes now.
bool CReadAhead::ShedOpenParentLocked()
{
    if (!CloseShallowestParentLocked())
        return false;
    m_nMaxOpenParents = std::max<std::size_t>(1, m_openParents.size());
    return true;
}

void CReadAhead::CloseFdLocked(Job* pJob)
{
    if (pJob->fd >= 0)
        CloseDescriptor(pJob->fd);
    pJob->fd = -1;
    const auto it = std::find(m_openParents.begin(), m_openParents.end(), pJob);
    if (it != m_openParents.end())
        m_openParents.erase(it);
}
