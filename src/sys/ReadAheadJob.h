#pragma once
// The read-ahead's own record of one directory, shared by its parts (ReadAhead*.cpp).
#include "ReadAhead.h"

#include <sys/types.h>

// One directory: where it is, what was read of it, and where it stands in the walk's order.
struct CReadAhead::Job {
    enum class EState : std::uint8_t { Pending, Reading, Parked, Done };

    Job* pParent = nullptr;  // kept alive by nRefs
    std::string name;
    std::uint32_t depth = 0;
    std::uint32_t order = 0;  // among its parent's subdirectories in walk order
    const void* key = nullptr;  // the walk's, once taken
    Job* pPrev = nullptr;  // walk order, while bInOrder
    Job* pNext = nullptr;
    Job* pLivePrev = nullptr;  // every job alive, for the end: linked, as a set would
    Job* pLiveNext = nullptr;  // cost an allocation and a hash for every directory
    std::vector<std::unique_ptr<Chunk>> chunks;  // null once the walk is past them
    // The listing's first chunk once it is read (set under the lock, after all else the walk
    // begins with): most often the walk begins a directory with it, without the lock.
    std::atomic<const Chunk*> pFirstChunk{nullptr};
    std::size_t nHeld = 0;  // records in chunks not yet given back
    // Subdirectories found, until the end of the listing: linked through pNextFound, the
    // last found first (the order in which they go after their directory in walk order).
    Job* pFound = nullptr;
    Job* pNextFound = nullptr;
    std::uint32_t nFound = 0;
    int fd = -1;
    int openError = 0;
    int endError = 0;
    std::uint32_t nRefs = 0;  // jobs below it still alive
    std::uint32_t nUnopened = 0;  // subdirectories still to be opened in fd
    std::uint32_t nFdUsers = 0;  // workers opening something in fd right now
    std::uint64_t device = 0;  // of the directory, as its parent's listing read it (crossing only)
    dev_t dev = 0;  // recorded when fd is closed early
    ino_t ino = 0;
    EState state = EState::Pending;
    bool bOpened = false;  // fd or openError is known
    bool bInOrder = false;
    bool bPending = false;  // in m_pending
    bool bCounted = false;  // counts one in m_nBuffered while started and not finished
    bool bTaken = false;  // by the walk
    bool bFinished = false;  // the walk is done with it
    bool bLastIsChild = false;  // the last record read is pFound
    bool bCacheTagged = false;  // a cache: opened, found tagged, and never listed
};

// Whether a comes after b in walk order: that of a depth-first walk that takes each
// directory before the ones below it, and the subdirectories of one in their order.
inline bool ComesLater(const CReadAhead::Job* a, const CReadAhead::Job* b)
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

// What a worker read of a listing without the lock, to be handed over under it.
struct CReadAhead::Batch {
    std::unique_ptr<Chunk> pChunks[2];
    // Subdirectories found, owned here until the job adopts them: the last found first.
    Job* pFound = nullptr;
    Job* pFirstFound = nullptr;
    std::uint32_t nFound = 0;
    Batch() = default;
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    ~Batch() { Drop(); }
    void Drop()
    {
        while (Job* pJob = pFound) {
            pFound = pJob->pNextFound;
            delete pJob;
        }
        pFirstFound = nullptr;
        nFound = 0;
    }
    std::chrono::steady_clock::time_point end;
    ssize_t got = 0;  // of the last read: 0 at the listing's end, -1 on an error (err)
    int err = 0;
    bool bRead = false;
    bool bLastIsChild = false;
    bool bClosedEarly = false;  // the descriptor is closed: the listing is over
    bool bWaited = false;  // on the disk
};
