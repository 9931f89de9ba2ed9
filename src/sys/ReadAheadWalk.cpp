#include "ReadAheadJob.h"

#include <algorithm>
#include <utility>

// The walk's side: it takes directories in its order and their records as they come.
//
// m_pHead, and each job's key and bTaken, are the walk's own: only this thread changes them
// (m_pHead under the lock, as the workers read it), so this thread reads them without it.

namespace {
constexpr auto kWaitSlice = std::chrono::milliseconds(10);  // the wait hook's period
}  // namespace

CReadAhead::Job* CReadAhead::TakeTop(const void* pKey)
{
    const Lock lock(m_mutex);
    m_pTop->key = pKey;
    m_pTop->bTaken = true;
    return m_pTop;
}

bool CReadAhead::ExpectsChildOf(const void* pParentKey) const
{
    return m_pHead != nullptr && m_pHead->pParent != nullptr && m_pHead->pParent->key == pParentKey;
}

CReadAhead::Job* CReadAhead::TakeChild(const void* pParentKey, std::string_view name, const void* pKey)
{
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
    WakeForHeadLocked();
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
    // Its first records read, a directory is open and no cache: nothing more to ask.
    if (const Chunk* pFirst = pJob->pFirstChunk.load(std::memory_order_acquire)) {
        cursor.pChunk = pFirst;
        return 0;
    }
    Lock lock = TakeLock();
    LetGoEndedLocked();
    while (!pJob->bOpened)
        if (!WaitForWalk(lock, hook)) {
            bCancelled = true;
            return 0;
        }
    cursor.bCacheTagged = pJob->bCacheTagged;
    // Most listings are read by now: their first records come without another lock.
    if (pJob->openError == 0 && !pJob->chunks.empty()) {
        cursor.pChunk = pJob->chunks[0].get();
        cursor.nRecord = 0;
    }
    return pJob->openError;
}

CReadAhead::EGot CReadAhead::Peek(Cursor& cursor, const Record*& pRecord, int& nEndError, const WaitHook& hook)
{
    if (cursor.pChunk != nullptr && cursor.nRecord < cursor.pChunk->Size()) {
        pRecord = &cursor.pChunk->At(cursor.nRecord);
        return EGot::Record;
    }
    if (cursor.bEnded) {
        nEndError = cursor.pJob->endError;  // set before the end was found, under the lock
        return EGot::End;
    }
    std::unique_ptr<Chunk> pDone;  // freed once the lock is let go
    Lock lock = TakeLock();
    Job* pJob = cursor.pJob;
    for (;;) {
        if (cursor.pChunk != nullptr)
            pDone = ReleaseChunkLocked(cursor);
        if (cursor.nChunk < pJob->chunks.size()) {
            cursor.pChunk = pJob->chunks[cursor.nChunk].get();
            cursor.nRecord = 0;
            pRecord = &cursor.pChunk->At(0);
            return EGot::Record;
        }
        if (pJob->state == Job::EState::Done) {
            nEndError = pJob->endError;
            EndLocked(cursor);
            return EGot::End;
        }
        if (!WaitForWalk(lock, hook))
            return EGot::Cancelled;
    }
}

// The chunk is handed back to be freed after the lock is let go: the workers wait on it.
std::unique_ptr<CReadAhead::Chunk> CReadAhead::ReleaseChunkLocked(Cursor& cursor)
{
    Job* pJob = cursor.pJob;
    const std::size_t n = cursor.pChunk->Size();
    pJob->nHeld -= n;
    m_nBuffered -= n;
    std::unique_ptr<Chunk> pChunk = std::move(pJob->chunks[cursor.nChunk]);
    ++cursor.nChunk;
    cursor.pChunk = nullptr;
    cursor.nRecord = 0;
    if (m_bHeadThrottled)
        m_cvHeadRoom.notify_one();
    WakeForRoomLocked();
    return pChunk;
}

// Workers that wait for room are woken together once a quarter of it is free again, rather
// than one for every listing the walk takes: waking costs the walk more than reading it.
void CReadAhead::WakeForRoomLocked()
{
    if (m_bRoomWanted && m_nBuffered <= m_options.nMaxBuffered / 4 * 3) {
        m_bRoomWanted = false;
        m_cvRoom.notify_all();
    }
}

void CReadAhead::Finish(Cursor& cursor)
{
    Job* pJob = cursor.pJob;
    if (pJob == nullptr || cursor.bEnded) {
        cursor = Cursor{};  // done with when its end was read
        return;
    }
    std::unique_ptr<Chunk> pDone;  // freed once the lock is let go
    const Lock lock = TakeLock();
    LetGoEndedLocked();
    if (cursor.pChunk != nullptr)
        pDone = ReleaseChunkLocked(cursor);
    FinishLocked(pJob);
    cursor = Cursor{};
    WakeForHeadLocked();
    WakeForRoomLocked();
}

// The end of a listing is the end of the walk's work with it, most often: it is finished
// under the lock that found the end, rather than under one more. The job itself is kept
// until the walk's next call that takes the lock, as the cursor still names it (the path
// of the listing's last item) until the walk lets it go.
void CReadAhead::EndLocked(Cursor& cursor)
{
    Job* pJob = cursor.pJob;
    LetGoEndedLocked();
    ++pJob->nRefs;
    m_pEnded = pJob;
    FinishLocked(pJob);
    cursor.bEnded = true;
    WakeForHeadLocked();
    WakeForRoomLocked();
}

void CReadAhead::LetGoEndedLocked()
{
    if (Job* pJob = std::exchange(m_pEnded, nullptr)) {
        --pJob->nRefs;
        ForgetLocked(pJob);
    }
}

// Below a directory, in walk order, come the directories below it and nothing else: they
// all go with it. One that a worker is reading ends after its batch, unread further.
void CReadAhead::PassOver(const void* pParentKey, std::string_view name)
{
    const Lock lock(m_mutex);
    LetGoEndedLocked();
    Job* pJob = m_pHead;
    if (pJob == nullptr || pJob->bTaken || pJob->pParent == nullptr || pJob->pParent->key != pParentKey
        || pJob->name != name)
        return;
    pJob->bTaken = true;
    std::vector<Job*> below;
    for (Job* p = pJob->pNext; p != nullptr && p->depth > pJob->depth; p = p->pNext)
        below.push_back(p);
    FinishLocked(pJob);
    for (Job* p : below)
        FinishLocked(p);
    if (m_bHeadThrottled)
        m_cvHeadRoom.notify_all();
    WakeForHeadLocked();
    WakeForRoomLocked();
}

// The walk is done with the job: what it holds goes, and so does the job once nothing
// needs it any more.
void CReadAhead::FinishLocked(Job* pJob)
{
    for (std::size_t i = 0; i < pJob->chunks.size(); ++i) {
        if (pJob->chunks[i] != nullptr) {
            pJob->nHeld -= pJob->chunks[i]->Size();
            m_nBuffered -= pJob->chunks[i]->Size();
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
}

// The walk's next directory is read whatever the room, by a worker waiting for either.
void CReadAhead::WakeForHeadLocked()
{
    if (m_pHead == nullptr || (m_pHead->state != Job::EState::Pending && m_pHead->state != Job::EState::Parked))
        return;
    if (m_nIdle > 0)
        m_cvWork.notify_one();
    else if (m_nWaitingForRoom > 0)
        m_cvRoom.notify_one();
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
