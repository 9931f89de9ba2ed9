#pragma once
#include "FileStatus.h"
#include "FileSystemKind.h"
#include "ListingChunk.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Reads the listings of a depth-first walk, and the status of every item, ahead of the walk
// on worker threads, while the walk takes them on its own thread, one directory at a time
// and in its own order: that of a stack onto which each directory's subdirectories are
// pushed in listing order once it has been read, the last pushed read first. The read-ahead
// foresees that order from the listings it has read, so the walk finds most directories
// read when it comes to them; nothing of the walk's tree is touched here.
//
// Listings are kept as chunks of records, one chunk per batch of directory records read,
// and given back as the walk moves past them. Their number is bounded (Options): a worker
// starts a further directory only while the read-ahead holds less than that, and parks one
// it is reading when the bound is reached, unless the walk is waiting for it. While the page
// cache answers, a few workers per core run (the kernel does the work, and the cores are
// shared with the walk); more are let loose while they wait on the disk, which then serves
// several reads at once.
//
// Every directory is opened inside its parent's descriptor without following links. A
// parent stays open while subdirectories of it are still to be opened; should too many be
// open, the shallowest are closed and found again from an ancestor, checked against their
// device and inode.
//
// Workers and open parents are fitted to the descriptors the process has left, and to the
// threads the system lets it start: with too few of either none run (Workers() is 0), and
// the caller walks on its own thread instead.
class CReadAhead {
public:
    struct Options {
        // Always allowed to work: twice the cores, as a worker that a busy machine preempts
        // would otherwise hold up the walk behind it.
        unsigned nThreads = std::max(2u, 2 * std::thread::hardware_concurrency());
        unsigned nMaxThreads = 16;  // while the disk keeps them waiting
        std::size_t nMaxBuffered = std::size_t{1} << 14;  // records read and not yet taken
        std::size_t nMaxOpenParents = 256;  // descriptors kept for subdirectories to come
        bool bStayOnDevice = false;  // subdirectories on another device are not read
        bool bSkipCaches = false;  // subdirectories a CACHEDIR.TAG marks are listed as empty
        // Past mount points: which file systems subdirectories on another device may lie
        // on to be read (their kinds are asked, as CFileFind::SetAskFsKinds does).
        CFsCrossing crossing;
        unsigned nBatchesPerWait = 0;  // tests: as if the disk kept one batch in so many waiting
        std::uint64_t device = 0;
    };
    using Record = CListingChunk::Record;
    using Chunk = CListingChunk;
    struct Job;

    // The walk's place in the listing of one directory.
    struct Cursor {
        Job* pJob = nullptr;
        const Chunk* pChunk = nullptr;
        std::size_t nChunk = 0;
        std::size_t nRecord = 0;
        bool bCacheTagged = false;  // the directory is a cache, listed as empty
        bool bEnded = false;  // the walk read the listing's end: the job is finished
    };
    enum class EGot { Record, End, Cancelled };
    // Called every few milliseconds while the walk waits: it keeps the program responsive
    // and answers true to stop waiting.
    using WaitHook = std::function<bool()>;

    // Starts reading at the directory open as topFd, which it takes over.
    CReadAhead(int topFd, const Options& options);
    // Stops the workers and waits for them.
    ~CReadAhead();
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    // The walk's side, all on one thread. Directories are known by keys of the walk's choice.
    Job* TakeTop(const void* pKey);
    // Whether the directory expected next is a subdirectory of the one known as pParentKey.
    bool ExpectsChildOf(const void* pParentKey) const;
    // The directory expected next, now known as pKey, if it is strName in pParentKey;
    // null otherwise.
    Job* TakeChild(const void* pParentKey, std::string_view name, const void* pKey);
    // The walk will not read the directory expected next, strName in pParentKey, nor
    // anything below it: they leave the walk's order, and what was read of them goes.
    void PassOver(const void* pParentKey, std::string_view name);
    // Opens a cursor on a directory taken: 0 when it could be opened, else the errno.
    int Begin(Cursor& cursor, Job* pJob, const WaitHook& hook, bool& bCancelled);
    // The record at the cursor, waiting for it if need be; at the end, the errno that ended
    // the listing (0 at its normal end).
    EGot Peek(Cursor& cursor, const Record*& pRecord, int& nEndError, const WaitHook& hook);
    void Advance(Cursor& cursor) { ++cursor.nRecord; }
    // The walk is done with the cursor's directory.
    void Finish(Cursor& cursor);
    // The names from the top directory down to the job's, the top's own left out.
    std::vector<std::string> NamesBelowTop(const Job* pJob) const;
    // The same for the directory known as pKey, when it is the parent of the one expected
    // next; false otherwise.
    bool NamesBelowTop(const void* pKey, std::vector<std::string>& names) const;

    // What the read-ahead held at most so far, against its bounds: records read and not yet
    // given back (nMaxBuffered, plus one batch per worker as it is published), descriptors
    // open (DescriptorBound), worker threads started (nMaxThreads).
    struct Usage {
        std::size_t nPeakBuffered = 0;
        std::size_t nPeakDescriptors = 0;
        unsigned nThreads = 0;
        unsigned nPeakWorkers = 0;  // that ran at once
    };
    Usage GetUsage() const;
    // The workers started; 0 when none could be, and nothing is read ahead.
    unsigned Workers() const;
    // The most records one batch of a listing can add.
    static constexpr std::size_t kMaxBatchRecords = 64 * 1024 / 24;
    // The most descriptors that can be open at once with these options and that many workers.
    static std::size_t DescriptorBound(const Options& options, unsigned nWorkers);
    // The options cut down to what nFree more descriptors allow; nMaxThreads 0 when they
    // do not allow a single worker.
    static Options FitToDescriptors(Options options, std::size_t nFree);

private:
    void Work(std::vector<char> buffer);
    bool StartWorkerLocked();
    Job* PickLocked(bool& bForRoom);
    using Lock = std::unique_lock<std::mutex>;
    Lock TakeLock() const;
    static void Relock(Lock& lock);
    struct Batch;
    void ReadJob(Job* pJob, std::vector<char>& buffer, Lock& lock);
    bool ReadBatch(Job* pJob, std::vector<char>& buffer, Lock& lock);
    void ReadUnlocked(Job* pJob, int fd, std::vector<char>& buffer, Batch& batch);
    bool PublishLocked(Job* pJob, Batch& batch, Lock& lock);
    std::unique_ptr<Chunk> ParseBatch(Job* pJob, int fd, const char* pBatch, std::size_t nBytes, Batch& batch) const;
    void OpenJob(Job* pJob, std::vector<char>& buffer, Batch& first, Lock& lock);
    int HoldParentFd(Job* pParent, int& err, Lock& lock);
    void LetGoParentFdLocked(Job* pParent);
    int OpenInParent(Job* pJob, int& err, bool& bCacheTagged, std::vector<char>& buffer, Batch& first, Lock& lock);
    int ReopenLocked(Job* pJob, int& err, Lock& lock);
    bool ShedOpenParentLocked();
    bool CloseShallowestParentLocked();
    static Options FitToDescriptorsLeft(const Options& options);
    void AdoptChildrenLocked(Job* pJob, Batch& batch);
    void AddLiveLocked(Job* pJob);
    void DeleteJobLocked(Job* pJob);
    void NoteDescriptorOpened();
    void CloseDescriptor(int fd);
    void NoteBufferedLocked();
    void FinishReadingLocked(Job* pJob);
    void FailReadingLocked(Job* pJob);
    void KeepFdLocked(Job* pJob);
    void CloseFdLocked(Job* pJob);
    void ForgetLocked(Job* pJob);
    std::unique_ptr<Chunk> ReleaseChunkLocked(Cursor& cursor);
    void FinishLocked(Job* pJob);
    void EndLocked(Cursor& cursor);
    void LetGoEndedLocked();
    void WakeForRoomLocked();
    void WakeForHeadLocked();
    bool WaitForWalk(Lock& lock, const WaitHook& hook);
    void NoteWaitingLocked(bool bWaitedOnDisk, std::chrono::steady_clock::time_point now);
    bool IsChildWanted(const CFileStatus& status) const;

    const Options m_options;  // fitted to the descriptors left when it started
    mutable std::mutex m_mutex;
    std::condition_variable m_cvWork;  // workers wait here for something to read
    std::condition_variable m_cvRoom;  // ... and here for room in the read-ahead
    std::condition_variable m_cvWalk;  // the walk waits here for the directory it reads
    std::condition_variable m_cvHeadRoom;  // the walk's own directory waits for the walk
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_bStop{false};

    Job* m_pTop = nullptr;
    Job* m_pHead = nullptr;  // the walk's next directory, or the one it is reading
    Job* m_pEnded = nullptr;  // finished at its end, and still named by the walk's cursor
    std::vector<Job*> m_pending;  // not started yet: a heap, the earliest in walk order on top
    std::vector<Job*> m_parked;
    std::vector<Job*> m_openParents;  // keeping their descriptor for subdirectories
    Job* m_pLive = nullptr;  // every job, for the end (Job::pLiveNext)
    std::size_t m_nBuffered = 0;
    unsigned m_nActive = 0;
    unsigned m_nAllowed = 0;
    unsigned m_nPeakActive = 0;
    unsigned m_nMaxThreads = 0;  // lowered when a thread could not be started
    std::size_t m_nMaxOpenParents = 0;  // lowered when descriptors ran out
    std::size_t m_nPeakBuffered = 0;
    std::atomic<std::size_t> m_nDescriptors{0};  // open now, temporary ones included
    std::atomic<std::size_t> m_nPeakDescriptors{0};
    unsigned m_nIdle = 0;  // workers waiting for something to read
    unsigned m_nWaitingForRoom = 0;  // workers waiting for the walk to take what was read
    std::chrono::steady_clock::time_point m_lastDiskWait{};
    unsigned m_nWaitShare = 0;  // of the recent batches that waited on the disk, in 1/65536
    std::atomic<unsigned> m_nBatches{0};  // read, counted only for nBatchesPerWait
    bool m_bWalkWaiting = false;
    bool m_bHeadThrottled = false;
    bool m_bRoomWanted = false;  // a worker waits for the read-ahead to have room again
};
