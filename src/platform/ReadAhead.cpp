#include "ReadAhead.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A parent found again is only opened in, never listed: no read permission needed.
constexpr int kParentFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// Listings are read in batches of this size, as the one-at-a-time finder reads them, so
// that an error in the middle of a listing comes after the same items.
constexpr std::size_t kBatchBytes = 64 * 1024;
constexpr std::size_t kMaxOpenParents = 256;
constexpr auto kWaitSlice = std::chrono::milliseconds(10);
// A batch this slow may have waited on the disk; it did when the worker had blocks read
// from it meanwhile (a busy machine makes batches slow too, without any). Fast batches are
// not asked about: asking costs a system call.
constexpr auto kSlowBatch = std::chrono::milliseconds(2);
constexpr unsigned kCalmBatches = 8;  // batches without a wait before a worker is let go

bool IsDotsName(const char* n) { return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)); }

long BlocksRead()
{
    rusage ru{};
    ::getrusage(RUSAGE_THREAD, &ru);
    return ru.ru_inblock;
}

thread_local long t_nBlocksRead = 0;  // the worker's count when last asked

// Whether the disk kept the worker waiting during a batch that took `elapsed`.
bool WaitedOnDisk(std::chrono::steady_clock::duration elapsed)
{
    if (elapsed < kSlowBatch)
        return false;
    const long nBlocks = BlocksRead();
    const bool bWaited = nBlocks != t_nBlocksRead;
    t_nBlocksRead = nBlocks;
    return bWaited;
}
}  // namespace

// One directory: where it is, what was read of it, and where it stands in the walk's order.
struct CReadAhead::Job {
    enum class EState : std::uint8_t { Pending, Reading, Parked, Done };

    Job* pParent = nullptr;     // kept alive by nRefs
    std::string name;
    std::uint32_t depth = 0;
    std::uint32_t order = 0;    // among its parent's subdirectories in walk order
    const void* key = nullptr;  // the walk's, once taken
    Job* pPrev = nullptr;       // walk order, while bInOrder
    Job* pNext = nullptr;
    std::vector<std::unique_ptr<Chunk>> chunks;  // null once the walk is past them
    std::size_t nHeld = 0;      // records in chunks not yet given back
    std::vector<Job*> children; // subdirectories found, in listing order, until the end
    int fd = -1;
    int openError = 0;
    int endError = 0;
    std::uint32_t nRefs = 0;      // jobs below it still alive
    std::uint32_t nUnopened = 0;  // subdirectories still to be opened in fd
    std::uint32_t nFdUsers = 0;   // workers opening something in fd right now
    dev_t dev = 0;                // recorded when fd is closed early
    ino_t ino = 0;
    EState state = EState::Pending;
    bool bOpened = false;      // fd or openError is known
    bool bInOrder = false;
    bool bPending = false;     // in m_pending
    bool bCounted = false;     // counts one in m_nBuffered while started and not finished
    bool bTaken = false;       // by the walk
    bool bFinished = false;    // the walk is done with it
    bool bLastIsChild = false; // the last record read is children.back()
};

namespace {
// Whether a comes after b in walk order: that of a depth-first walk that takes each
// directory before the ones below it, and the subdirectories of one in their order.
bool ComesLater(const CReadAhead::Job* a, const CReadAhead::Job* b)
{
    while (a->depth > b->depth)
        if ((a = a->pParent) == b)
            return true;
    while (b->depth > a->depth)
        if ((b = b->pParent) == a)
            return false;
    while (a != b && a->pParent != b->pParent) {
        a = a->pParent;
        b = b->pParent;
    }
    return a->order > b->order;
}
}  // namespace

CReadAhead::CReadAhead(int topFd, const Options& options) : m_options(options)
{
    m_pTop = new Job;
    m_pTop->fd = topFd;
    m_pTop->bOpened = true;
    m_pTop->bInOrder = true;
    m_live.insert(m_pTop);
    m_pHead = m_pTop;
    m_nAllowed = std::max(1u, m_options.nThreads);
    const Lock lock(m_mutex);
    for (unsigned i = 0; i < m_nAllowed; ++i)
        m_threads.emplace_back([this] { Work(); });
}

CReadAhead::~CReadAhead()
{
    {
        const Lock lock(m_mutex);
        m_bStop = true;  // no worker is started after this
    }
    m_cvWork.notify_all();
    m_cvHeadRoom.notify_all();
    for (std::thread& t : m_threads)
        t.join();
    for (Job* pJob : m_live) {
        if (pJob->fd >= 0)
            ::close(pJob->fd);
        delete pJob;
    }
}

unsigned CReadAhead::PeakWorkers() const
{
    const Lock lock(m_mutex);
    return m_nPeakActive;
}

bool CReadAhead::IsChildWanted(const CFileStatus& status) const
{
    return status.directory && (!m_options.bStayOnDevice || status.device == m_options.device);
}

// ---- workers ---------------------------------------------------------------------------

void CReadAhead::Work()
{
    std::vector<char> buffer(kBatchBytes);
    t_nBlocksRead = BlocksRead();
    Lock lock(m_mutex);
    while (!m_bStop) {
        Job* pJob = PickLocked();
        if (pJob == nullptr) {
            ++m_nIdle;
            m_cvWork.wait(lock);
            --m_nIdle;
            continue;
        }
        m_nPeakActive = std::max(m_nPeakActive, ++m_nActive);
        ReadJob(pJob, buffer, lock);
        --m_nActive;
    }
}

// The walk's own directory first, whatever else runs; then, while the read-ahead has room,
// a directory parked earlier, else the earliest in walk order not started yet.
CReadAhead::Job* CReadAhead::PickLocked()
{
    Job* pJob = nullptr;
    const auto startable = [](const Job* p) {
        return p != nullptr && (p->state == Job::EState::Pending || p->state == Job::EState::Parked);
    };
    if (startable(m_pHead)) {
        pJob = m_pHead;
    } else if (m_nActive >= m_nAllowed || m_nBuffered >= m_options.nMaxBuffered) {
        return nullptr;
    } else if (!m_parked.empty()) {
        pJob = m_parked.front();
    } else {
        // Entries of directories started meanwhile as the walk's own are passed over.
        while (!m_pending.empty() && pJob == nullptr) {
            std::pop_heap(m_pending.begin(), m_pending.end(), ComesLater);
            Job* pNext = m_pending.back();
            m_pending.pop_back();
            pNext->bPending = false;
            if (pNext->state == Job::EState::Pending)
                pJob = pNext;
            else
                ForgetLocked(pNext);
        }
        if (pJob == nullptr)
            return nullptr;
    }
    if (pJob->state == Job::EState::Parked)
        m_parked.erase(std::find(m_parked.begin(), m_parked.end(), pJob));
    if (!pJob->bCounted) {
        pJob->bCounted = true;
        ++m_nBuffered;
    }
    pJob->state = Job::EState::Reading;
    return pJob;
}

void CReadAhead::ReadJob(Job* pJob, std::vector<char>& buffer, Lock& lock)
{
    if (!pJob->bOpened)
        OpenJob(pJob, lock);
    if (pJob->fd < 0) {
        FinishReadingLocked(pJob);
        return;
    }
    while (!m_bStop && ReadBatch(pJob, buffer, lock)) {
    }
}

// Reads and publishes one batch. True while there is more to read and the worker should
// go on with it; false once the listing ended, the job was parked, or the work stops.
bool CReadAhead::ReadBatch(Job* pJob, std::vector<char>& buffer, Lock& lock)
{
    lock.unlock();
    const auto start = std::chrono::steady_clock::now();
    const ssize_t got = ::getdents64(pJob->fd, buffer.data(), buffer.size());
    const int err = got < 0 ? errno : 0;
    std::vector<Job*> found;
    bool bLastIsChild = false;
    std::unique_ptr<Chunk> pChunk;
    if (got > 0)
        pChunk = ParseBatch(pJob, buffer.data(), static_cast<std::size_t>(got), found, bLastIsChild);
    const bool bWaited = WaitedOnDisk(std::chrono::steady_clock::now() - start);
    lock.lock();

    for (Job* pChild : found)
        m_live.insert(pChild);
    pJob->children.insert(pJob->children.end(), found.begin(), found.end());
    if (pChunk != nullptr && !pChunk->records.empty()) {
        pJob->bLastIsChild = bLastIsChild;
        pJob->nHeld += pChunk->records.size();
        m_nBuffered += pChunk->records.size();
        pJob->chunks.push_back(std::move(pChunk));
        if (pJob == m_pHead && m_bWalkWaiting)
            m_cvWalk.notify_one();
    }
    NoteWaitingLocked(bWaited);
    if (got <= 0 || pJob->bFinished || m_bStop) {
        pJob->endError = err;
        FinishReadingLocked(pJob);
        return false;
    }
    if (pJob != m_pHead && m_nBuffered >= m_options.nMaxBuffered) {
        pJob->state = Job::EState::Parked;
        m_parked.push_back(pJob);
        return false;
    }
    // The directory the walk reads runs ahead of it only so far.
    while (pJob == m_pHead && pJob->nHeld >= m_options.nMaxBuffered / 2 && !pJob->bFinished && !m_bStop) {
        m_bHeadThrottled = true;
        m_cvHeadRoom.wait(lock);
        m_bHeadThrottled = false;
    }
    return true;
}

std::unique_ptr<CReadAhead::Chunk> CReadAhead::ParseBatch(Job* pJob, const char* pBatch, std::size_t nBytes,
                                                          std::vector<Job*>& found, bool& bLastIsChild) const
{
    auto pChunk = std::make_unique<Chunk>();
    pChunk->records.reserve(nBytes / 32);
    pChunk->names.reserve(nBytes / 2);
    for (std::size_t pos = 0; pos < nBytes && !m_bStop;) {
        const auto* de = reinterpret_cast<const dirent64*>(pBatch + pos);
        pos += de->d_reclen;
        const char* name = de->d_name;
        CFileStatus status;
        const bool bDots = IsDotsName(name);
        if (bDots)
            status.directory = true;
        else if (!ReadFileStatus(pJob->fd, name, de->d_type, status))
            continue;  // removed since the listing was read: it is simply not there
        const std::size_t nLength = std::strlen(name);
        pChunk->records.push_back({static_cast<std::uint32_t>(pChunk->names.size()),
                                   static_cast<std::uint32_t>(nLength), status});
        pChunk->names.insert(pChunk->names.end(), name, name + nLength);
        bLastIsChild = !bDots && IsChildWanted(status);
        if (bLastIsChild) {
            auto* pChild = new Job;
            pChild->pParent = pJob;
            pChild->name.assign(name, nLength);
            pChild->depth = pJob->depth + 1;
            found.push_back(pChild);
        }
    }
    return pChunk;
}

// The walk pushes a listing's subdirectories once it is read and takes the last first: so
// they go right after their directory in walk order, last found first.
void CReadAhead::FinishReadingLocked(Job* pJob)
{
    // The walk stops at once at a refusal in mid-listing, leaving the item before it alone.
    if (pJob->endError == EACCES && pJob->bLastIsChild && !pJob->children.empty()) {
        m_live.erase(pJob->children.back());
        delete pJob->children.back();
        pJob->children.pop_back();
    }
    pJob->state = Job::EState::Done;
    const bool bWanted = pJob->bInOrder && !m_bStop;
    Job* pAfter = pJob;
    std::uint32_t nOrder = 0;
    for (auto it = pJob->children.rbegin(); it != pJob->children.rend(); ++it) {
        Job* pChild = *it;
        if (!bWanted) {
            m_live.erase(pChild);
            delete pChild;
            continue;
        }
        pChild->order = nOrder++;
        pChild->bInOrder = true;
        pChild->pPrev = pAfter;
        pChild->pNext = pAfter->pNext;
        if (pAfter->pNext != nullptr)
            pAfter->pNext->pPrev = pChild;
        pAfter->pNext = pChild;
        pAfter = pChild;
        pChild->bPending = true;
        m_pending.push_back(pChild);
        std::push_heap(m_pending.begin(), m_pending.end(), ComesLater);
    }
    const auto nChildren = static_cast<std::uint32_t>(bWanted ? pJob->children.size() : 0);
    pJob->nRefs += nChildren;
    pJob->nUnopened = nChildren;
    pJob->children.clear();
    pJob->children.shrink_to_fit();
    if (nChildren > 0)
        KeepFdLocked(pJob);
    else if (pJob != m_pTop)
        CloseFdLocked(pJob);
    if (pJob == m_pHead && m_bWalkWaiting)
        m_cvWalk.notify_one();
    if (nChildren > 0 && m_nIdle > 0)
        m_cvWork.notify_all();
    ForgetLocked(pJob);
}

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

// A job goes once the walk is done with it and nothing below it needs it any more.
void CReadAhead::ForgetLocked(Job* pJob)
{
    while (pJob != nullptr && pJob->bFinished && !pJob->bInOrder && !pJob->bPending && pJob->nRefs == 0
           && pJob->state != Job::EState::Reading) {
        if (pJob->state == Job::EState::Parked)
            m_parked.erase(std::find(m_parked.begin(), m_parked.end(), pJob));
        CloseFdLocked(pJob);
        Job* pParent = pJob->pParent;
        if (pJob == m_pTop)
            m_pTop = nullptr;
        m_live.erase(pJob);
        delete pJob;
        if (pParent != nullptr)
            --pParent->nRefs;
        pJob = pParent;
    }
}

// Several workers only pay while they wait on the disk; with the page cache warm they
// share the cores with the walk and with each other.
void CReadAhead::NoteWaitingLocked(bool bWaitedOnDisk)
{
    if (!bWaitedOnDisk) {
        if (m_nAllowed > m_options.nThreads && ++m_nCalmBatches >= kCalmBatches) {
            --m_nAllowed;
            m_nCalmBatches = 0;
        }
        return;
    }
    m_nCalmBatches = 0;
    if (m_nAllowed >= m_options.nMaxThreads || m_bStop)
        return;
    ++m_nAllowed;
    if (m_threads.size() < m_nAllowed)
        m_threads.emplace_back([this] { Work(); });
    m_cvWork.notify_one();
}

// ---- the walk's side -------------------------------------------------------------------

CReadAhead::Job* CReadAhead::TakeTop(const void* pKey)
{
    const Lock lock(m_mutex);
    m_pTop->key = pKey;
    m_pTop->bTaken = true;
    return m_pTop;
}

bool CReadAhead::ExpectsChildOf(const void* pParentKey) const
{
    const Lock lock(m_mutex);
    return m_pHead != nullptr && m_pHead->pParent != nullptr && m_pHead->pParent->key == pParentKey;
}

CReadAhead::Job* CReadAhead::TakeChild(const void* pParentKey, std::string_view name, const void* pKey)
{
    const Lock lock(m_mutex);
    Job* pJob = m_pHead;
    if (pJob == nullptr || pJob->bTaken || pJob->pParent == nullptr || pJob->pParent->key != pParentKey
        || pJob->name != name)
        return nullptr;
    pJob->key = pKey;
    pJob->bTaken = true;
    return pJob;
}

bool CReadAhead::WaitForWalk(Lock& lock, const WaitHook& hook)
{
    m_bWalkWaiting = true;
    const bool bTimedOut = m_cvWalk.wait_for(lock, kWaitSlice) == std::cv_status::timeout;
    m_bWalkWaiting = false;
    if (!bTimedOut || !hook)
        return true;
    lock.unlock();
    const bool bGiveUp = hook();
    lock.lock();
    return !bGiveUp;
}

int CReadAhead::Begin(Cursor& cursor, Job* pJob, const WaitHook& hook, bool& bCancelled)
{
    cursor = Cursor{pJob};
    bCancelled = false;
    Lock lock(m_mutex);
    while (!pJob->bOpened)
        if (!WaitForWalk(lock, hook)) {
            bCancelled = true;
            return 0;
        }
    return pJob->openError;
}

CReadAhead::EGot CReadAhead::Peek(Cursor& cursor, const Record*& pRecord, int& nEndError, const WaitHook& hook)
{
    if (cursor.pChunk != nullptr && cursor.nRecord < cursor.pChunk->records.size()) {
        pRecord = &cursor.pChunk->records[cursor.nRecord];
        return EGot::Record;
    }
    Lock lock(m_mutex);
    Job* pJob = cursor.pJob;
    for (;;) {
        if (cursor.pChunk != nullptr)
            ReleaseChunkLocked(cursor);
        if (cursor.nChunk < pJob->chunks.size()) {
            cursor.pChunk = pJob->chunks[cursor.nChunk].get();
            cursor.nRecord = 0;
            pRecord = &cursor.pChunk->records[0];
            return EGot::Record;
        }
        if (pJob->state == Job::EState::Done) {
            nEndError = pJob->endError;
            return EGot::End;
        }
        if (!WaitForWalk(lock, hook))
            return EGot::Cancelled;
    }
}

void CReadAhead::ReleaseChunkLocked(Cursor& cursor)
{
    Job* pJob = cursor.pJob;
    const std::size_t n = cursor.pChunk->records.size();
    pJob->nHeld -= n;
    m_nBuffered -= n;
    pJob->chunks[cursor.nChunk].reset();
    ++cursor.nChunk;
    cursor.pChunk = nullptr;
    cursor.nRecord = 0;
    if (m_bHeadThrottled)
        m_cvHeadRoom.notify_one();
    if (m_nIdle > 0)
        m_cvWork.notify_one();  // room for one more directory
}

void CReadAhead::Finish(Cursor& cursor)
{
    Job* pJob = cursor.pJob;
    if (pJob == nullptr)
        return;
    const Lock lock(m_mutex);
    if (cursor.pChunk != nullptr)
        ReleaseChunkLocked(cursor);
    for (std::size_t i = cursor.nChunk; i < pJob->chunks.size(); ++i) {
        if (pJob->chunks[i] != nullptr) {
            pJob->nHeld -= pJob->chunks[i]->records.size();
            m_nBuffered -= pJob->chunks[i]->records.size();
            pJob->chunks[i].reset();
        }
    }
    pJob->chunks.clear();
    if (pJob->bCounted)
        --m_nBuffered;
    pJob->bCounted = false;
    pJob->bFinished = true;
    if (pJob->bInOrder) {
        if (pJob->pPrev != nullptr)
            pJob->pPrev->pNext = pJob->pNext;
        if (pJob->pNext != nullptr)
            pJob->pNext->pPrev = pJob->pPrev;
        if (m_pHead == pJob)
            m_pHead = pJob->pNext;
        pJob->bInOrder = false;
    }
    ForgetLocked(pJob);
    cursor = Cursor{};
    if (m_nIdle > 0)
        m_cvWork.notify_one();  // the new head may wait to be read
}

std::vector<std::string> CReadAhead::NamesBelowTop(const Job* pJob) const
{
    std::vector<std::string> names;
    for (; pJob != nullptr && pJob->pParent != nullptr; pJob = pJob->pParent)
        names.push_back(pJob->name);
    std::reverse(names.begin(), names.end());
    return names;
}

bool CReadAhead::NamesBelowTop(const void* pKey, std::vector<std::string>& names) const
{
    const Lock lock(m_mutex);
    if (m_pHead == nullptr || m_pHead->pParent == nullptr || m_pHead->pParent->key != pKey)
        return false;
    names = NamesBelowTop(m_pHead->pParent);
    return true;
}
