#include "ReadAheadJob.h"

#include "FileStatus.h"
#include "ThreadStart.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Listings are read in batches of this size, as the one-at-a-time finder reads them, so
// that an error in the middle of a listing comes after the same items.
constexpr std::size_t kBatchBytes = 64 * 1024;
// The shortest record getdents gives is 24 bytes: its header, a one-byte name and the
// null, padded to 8.
static_assert(CReadAhead::kMaxBatchRecords == kBatchBytes / 24);
// A batch this slow may have waited on the disk; it did when the worker had blocks read
// from it meanwhile (a busy machine makes batches slow too, without any). Fast batches are
// not asked about: asking costs a system call.
constexpr auto kSlowBatch = std::chrono::milliseconds(2);
// How long the disk must have kept nobody waiting before the extra workers are let go, one
// by one: reads that miss the cache come in bursts (a new inode table, a new directory
// block), with many cached ones between.
constexpr auto kCalm = std::chrono::milliseconds(250);
// A warm page cache still misses now and then (an inode table block, a directory block
// evicted meanwhile), and a few workers reading the same block all wait for it: more workers
// are let loose only while batches that waited on the disk make up this share of the recent
// ones (a running average over about the last 16), as they do from the start of a cold walk.
constexpr unsigned kShareOne = 1u << 16;
constexpr unsigned kDiskBoundShare = kShareOne / 4;

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

CReadAhead::CReadAhead(int topFd, const Options& options) : m_options(FitToDescriptorsLeft(options))
{
    m_nMaxThreads = m_options.nMaxThreads;
    m_nMaxOpenParents = m_options.nMaxOpenParents;
    // Neither grows beyond these, so that starting a worker or keeping a parent open never
    // has to allocate.
    m_threads.reserve(m_nMaxThreads);
    m_openParents.reserve(m_nMaxOpenParents + m_nMaxThreads + 1);
    m_pTop = new Job;
    m_pTop->fd = topFd;
    struct stat st {};
    if (m_options.crossing.bCross && ::fstat(topFd, &st) == 0)
        m_pTop->device = static_cast<std::uint64_t>(st.st_dev);
    m_pTop->bOpened = true;
    m_pTop->bInOrder = true;
    AddLiveLocked(m_pTop);  // no worker runs yet
    m_pHead = m_pTop;
    NoteDescriptorOpened();
    const Lock lock(m_mutex);
    const unsigned nWanted = std::min(std::max(1u, m_options.nThreads), m_nMaxThreads);
    while (m_threads.size() < nWanted && StartWorkerLocked()) {}
    m_nAllowed = static_cast<unsigned>(m_threads.size());
}

CReadAhead::~CReadAhead()
{
    {
        const Lock lock(m_mutex);
        m_bStop = true;  // no worker is started after this
    }
    m_cvWork.notify_all();
    m_cvRoom.notify_all();
    m_cvHeadRoom.notify_all();
    for (std::thread& t : m_threads)
        t.join();
    while (Job* pJob = m_pLive) {
        m_pLive = pJob->pLiveNext;
        if (pJob->fd >= 0)
            CloseDescriptor(pJob->fd);
        delete pJob;
    }
}

namespace {
// About 10 microseconds of tries before a thread waiting for the lock sleeps: the lock is
// held for a few microseconds at a time, and a thread put to sleep and woken again costs
// more than that (several times more in a virtual machine).
constexpr int kLockTries = 256;

void PauseBriefly()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}
}  // namespace

void CReadAhead::Relock(Lock& lock)
{
    for (int i = 0; i < kLockTries; ++i) {
        if (lock.try_lock())
            return;
        PauseBriefly();
    }
    lock.lock();
}

CReadAhead::Lock CReadAhead::TakeLock() const
{
    Lock lock(m_mutex, std::defer_lock);
    Relock(lock);
    return lock;
}

// A thread the system refuses (at its limit of processes or of address space) leaves the
// read-ahead with the workers it has: no more are tried.
bool CReadAhead::StartWorkerLocked()
{
    if (m_threads.size() >= m_nMaxThreads)
        return false;
    std::optional<std::thread> worker;
    try {
        // Allocated here, so that a worker that starts has all it needs.
        worker = TryStartThread([this, buffer = std::vector<char>(kBatchBytes)]() mutable { Work(std::move(buffer)); });
    } catch (const std::bad_alloc&) {}
    if (!worker) {
        m_nMaxThreads = static_cast<unsigned>(m_threads.size());
        return false;
    }
    m_threads.push_back(std::move(*worker));
    return true;
}

unsigned CReadAhead::Workers() const
{
    const Lock lock(m_mutex);
    return static_cast<unsigned>(m_threads.size());
}

CReadAhead::Usage CReadAhead::GetUsage() const
{
    const Lock lock(m_mutex);
    return {m_nPeakBuffered, m_nPeakDescriptors.load(), static_cast<unsigned>(m_threads.size()), m_nPeakActive};
}

void CReadAhead::NoteBufferedLocked() { m_nPeakBuffered = std::max(m_nPeakBuffered, m_nBuffered); }

bool CReadAhead::IsChildWanted(const CFileStatus& status) const
{
    return status.directory && (!m_options.bStayOnDevice || status.device == m_options.device)
        && m_options.crossing.Enters(status.fsKind);
}

// ---- workers ---------------------------------------------------------------------------

void CReadAhead::Work(std::vector<char> buffer)
{
    t_nBlocksRead = BlocksRead();
    Lock lock(m_mutex);
    while (!m_bStop) {
        bool bForRoom = false;
        Job* pJob = PickLocked(bForRoom);
        if (pJob == nullptr) {
            unsigned& nIdle = bForRoom ? m_nWaitingForRoom : m_nIdle;
            ++nIdle;
            (bForRoom ? m_cvRoom : m_cvWork).wait(lock);
            --nIdle;
            continue;
        }
        m_nPeakActive = std::max(m_nPeakActive, ++m_nActive);
        try {
            ReadJob(pJob, buffer, lock);
        } catch (const std::bad_alloc&) {
            // Out of memory with millions of entries: the walk hears it as the listing's
            // error, and reports it, instead of the program ending here.
            if (!lock.owns_lock())
                lock.lock();
            if (pJob->state == Job::EState::Reading)
                FailReadingLocked(pJob);
        }
        --m_nActive;
    }
}

// The walk's own directory first, whatever else runs; then, while the read-ahead has room,
// a directory parked earlier, else the earliest in walk order not started yet.
CReadAhead::Job* CReadAhead::PickLocked(bool& bForRoom)
{
    Job* pJob = nullptr;
    const auto startable = [](const Job* p) {
        return p != nullptr && (p->state == Job::EState::Pending || p->state == Job::EState::Parked);
    };
    if (startable(m_pHead)) {
        pJob = m_pHead;
    } else if (m_nActive >= m_nAllowed || m_nBuffered >= m_options.nMaxBuffered) {
        bForRoom = true;  // for a turn, or for room
        m_bRoomWanted = m_bRoomWanted || m_nBuffered >= m_options.nMaxBuffered;
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
            if (pNext->state == Job::EState::Pending && !pNext->bFinished)
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
        NoteBufferedLocked();
    }
    pJob->state = Job::EState::Reading;
    return pJob;
}

void CReadAhead::ReadJob(Job* pJob, std::vector<char>& buffer, Lock& lock)
{
    Batch first;
    if (!pJob->bOpened)
        OpenJob(pJob, buffer, first, lock);
    if (first.bRead) {
        if (!PublishLocked(pJob, first, lock))
            return;
    } else if (pJob->fd < 0) {
        FinishReadingLocked(pJob);
        return;
    }
    while (!m_bStop && ReadBatch(pJob, buffer, lock)) {}
}

// Reads and publishes one batch. True while there is more to read and the worker should
// go on with it; false once the listing ended, the job was parked, or the work stops.
bool CReadAhead::ReadBatch(Job* pJob, std::vector<char>& buffer, Lock& lock)
{
    lock.unlock();
    Batch batch;
    ReadUnlocked(pJob, pJob->fd, buffer, batch);
    Relock(lock);
    return PublishLocked(pJob, batch, lock);
}

// Two batches are read for every time the lock is taken: most listings fit in one, and are
// then found to be over before what was read is handed over, under the same lock.
void CReadAhead::ReadUnlocked(Job* pJob, int fd, std::vector<char>& buffer, Batch& batch)
{
    const auto start = std::chrono::steady_clock::now();
    batch.bRead = true;
    for (std::unique_ptr<Chunk>& pChunk : batch.pChunks) {
        batch.got = ::getdents64(fd, buffer.data(), buffer.size());
        batch.err = batch.got < 0 ? errno : 0;
        if (batch.got <= 0)
            break;
        pChunk = ParseBatch(pJob, fd, buffer.data(), static_cast<std::size_t>(batch.got), batch);
        if (m_bStop)
            break;
    }
    // A listing over without subdirectories needs its descriptor no more, and nobody else
    // uses it: it is closed before the lock is taken, which the walk and the others wait on.
    batch.bClosedEarly =
        batch.got <= 0 && batch.pFound == nullptr && pJob->pFound == nullptr && pJob->pParent != nullptr;
    if (batch.bClosedEarly)
        CloseDescriptor(fd);
    batch.end = std::chrono::steady_clock::now();
    batch.bWaited = WaitedOnDisk(batch.end - start)
        || (m_options.nBatchesPerWait != 0 && m_nBatches.fetch_add(1) % m_options.nBatchesPerWait == 0);
}

bool CReadAhead::PublishLocked(Job* pJob, Batch& batch, Lock& lock)
{
    if (batch.bClosedEarly)
        pJob->fd = -1;
    AdoptChildrenLocked(pJob, batch);
    // A directory the walk passed over meanwhile keeps nothing more of what is read.
    bool bPublished = false;
    for (std::unique_ptr<Chunk>& pChunk : batch.pChunks) {
        if (pChunk == nullptr || pChunk->Empty() || pJob->bFinished)
            continue;
        pJob->nHeld += pChunk->Size();
        m_nBuffered += pChunk->Size();
        pJob->chunks.push_back(std::move(pChunk));
        bPublished = true;
    }
    if (bPublished) {
        if (pJob->pFirstChunk.load(std::memory_order_relaxed) == nullptr)
            pJob->pFirstChunk.store(pJob->chunks.front().get(), std::memory_order_release);
        pJob->bLastIsChild = batch.bLastIsChild;
        NoteBufferedLocked();
        if (pJob == m_pHead && m_bWalkWaiting)
            m_cvWalk.notify_one();
    }
    NoteWaitingLocked(batch.bWaited, batch.end);
    if (batch.got <= 0 || pJob->bFinished || m_bStop) {
        pJob->endError = batch.err;
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

// Linked in front of those found before, as they were found after them.
void CReadAhead::AdoptChildrenLocked(Job* pJob, Batch& batch)
{
    if (batch.pFound == nullptr)
        return;
    for (Job* pChild = batch.pFound; pChild != nullptr; pChild = pChild->pNextFound)
        AddLiveLocked(pChild);
    batch.pFirstFound->pNextFound = pJob->pFound;
    pJob->pFound = batch.pFound;
    pJob->nFound += batch.nFound;
    batch.pFound = batch.pFirstFound = nullptr;
    batch.nFound = 0;
}

void CReadAhead::AddLiveLocked(Job* pJob)
{
    pJob->pLivePrev = nullptr;
    pJob->pLiveNext = m_pLive;
    if (m_pLive != nullptr)
        m_pLive->pLivePrev = pJob;
    m_pLive = pJob;
}

void CReadAhead::DeleteJobLocked(Job* pJob)
{
    if (pJob->pLivePrev != nullptr)
        pJob->pLivePrev->pLiveNext = pJob->pLiveNext;
    else
        m_pLive = pJob->pLiveNext;
    if (pJob->pLiveNext != nullptr)
        pJob->pLiveNext->pLivePrev = pJob->pLivePrev;
    delete pJob;
}

std::unique_ptr<CReadAhead::Chunk> CReadAhead::ParseBatch(Job* pJob, int fd, const char* pBatch, std::size_t nBytes,
                                                          Batch& batch) const
{
    auto pChunk = std::make_unique<Chunk>();
    std::size_t nRecords = 0;
    std::size_t nNameBytes = 0;
    for (std::size_t pos = 0; pos < nBytes; ++nRecords) {
        const auto* de = reinterpret_cast<const dirent64*>(pBatch + pos);
        pos += de->d_reclen;
        nNameBytes += std::strlen(de->d_name);
    }
    pChunk->Reserve(nRecords, nNameBytes);
    for (std::size_t pos = 0; pos < nBytes && !m_bStop;) {
        const auto* de = reinterpret_cast<const dirent64*>(pBatch + pos);
        pos += de->d_reclen;
        const char* name = de->d_name;
        CFileStatus status;
        const bool bDots = IsDotsName(name);
        if (bDots)
            status.directory = true;
        else if (!ReadFileStatus(fd, name, de->d_type, status))
            continue;  // removed since the listing was read: it is simply not there
        else if (m_options.crossing.bCross)
            NoteFsKind(fd, name, pJob->device, status);
        const std::size_t nLength = std::strlen(name);
        pChunk->Add({name, nLength}, status);
        batch.bLastIsChild = !bDots && IsChildWanted(status);
        if (batch.bLastIsChild) {
            auto pChild = std::make_unique<Job>();
            pChild->pParent = pJob;
            pChild->name.assign(name, nLength);
            pChild->depth = pJob->depth + 1;
            pChild->device = status.device;
            pChild->pNextFound = batch.pFound;
            batch.pFound = pChild.release();
            if (batch.pFirstFound == nullptr)
                batch.pFirstFound = batch.pFound;
            ++batch.nFound;
        }
    }
    return pChunk;
}

// Out of memory reading a listing: it ends with ENOMEM, which the walk reports. The
// subdirectories found are dropped, as keeping them in order may take memory too.
void CReadAhead::FailReadingLocked(Job* pJob)
{
    pJob->endError = ENOMEM;
    while (Job* pChild = pJob->pFound) {
        pJob->pFound = pChild->pNextFound;
        DeleteJobLocked(pChild);
    }
    pJob->nFound = 0;
    FinishReadingLocked(pJob);
}

// The walk pushes a listing's subdirectories once it is read and takes the last first: so
// they go right after their directory in walk order, last found first.
void CReadAhead::FinishReadingLocked(Job* pJob)
{
    const bool bWanted = pJob->bInOrder && !m_bStop;
    if (bWanted)
        m_pending.reserve(m_pending.size() + pJob->nFound);  // may throw: nothing changed yet
    // The walk stops at once at a refusal in mid-listing, leaving the item before it alone.
    if (pJob->endError == EACCES && pJob->bLastIsChild && pJob->pFound != nullptr) {
        Job* pLast = pJob->pFound;
        pJob->pFound = pLast->pNextFound;
        --pJob->nFound;
        DeleteJobLocked(pLast);
    }
    pJob->state = Job::EState::Done;
    Job* pAfter = pJob;
    std::uint32_t nOrder = 0;
    for (Job *pChild = pJob->pFound, *pNextChild = nullptr; pChild != nullptr; pChild = pNextChild) {
        pNextChild = pChild->pNextFound;
        pChild->pNextFound = nullptr;
        if (!bWanted) {
            DeleteJobLocked(pChild);
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
    const std::uint32_t nChildren = bWanted ? pJob->nFound : 0;
    pJob->nRefs += nChildren;
    pJob->nUnopened = nChildren;
    pJob->pFound = nullptr;
    pJob->nFound = 0;
    if (nChildren > 0)
        KeepFdLocked(pJob);
    else if (pJob != m_pTop)
        CloseFdLocked(pJob);
    if (pJob == m_pHead && m_bWalkWaiting)
        m_cvWalk.notify_one();
    // As many idle workers as there are subdirectories to read, not more: each wakes to take
    // the lock.
    for (unsigned n = std::min<std::uint32_t>(nChildren, m_nIdle); n > 0; --n)
        m_cvWork.notify_one();
    ForgetLocked(pJob);
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
        DeleteJobLocked(pJob);
        if (pParent != nullptr)
            --pParent->nRefs;
        pJob = pParent;
    }
}

// Several workers only pay while they wait on the disk; with the page cache warm they
// share the cores with the walk and with each other.
void CReadAhead::NoteWaitingLocked(bool bWaitedOnDisk, std::chrono::steady_clock::time_point now)
{
    m_nWaitShare = m_nWaitShare - m_nWaitShare / 16 + (bWaitedOnDisk ? kShareOne / 16 : 0);
    if (!bWaitedOnDisk || m_nWaitShare < kDiskBoundShare) {
        if (m_nAllowed > m_options.nThreads && now - m_lastDiskWait >= kCalm) {
            --m_nAllowed;
            m_lastDiskWait = now;
        }
        return;
    }
    m_lastDiskWait = now;
    if (m_nAllowed >= m_nMaxThreads || m_bStop)
        return;
    if (m_threads.size() <= m_nAllowed && !StartWorkerLocked())
        return;
    ++m_nAllowed;
    m_cvRoom.notify_one();
}
