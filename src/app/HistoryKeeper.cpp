#include "HistoryKeeper.h"

#include "doc/DriveVolraDoc.h"
#include "doc/SearchSnapshot.h"
#include "framework/UiServices.h"
#include "sys/ThreadStart.h"

#include <QTimer>

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <new>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr int kCollectMs = 250;
// The worker's niceness, the lowest there is: compressing a million entries takes a second
// or two of a core, which the window, painting its first frame meanwhile, should not have
// to share. Once the window is idle the worker has the core to itself.
constexpr int kWorkerNice = 19;

void TellNotKept(const std::string& strReason) { ShowStatusMessage("Search not kept for comparison: " + strReason); }
}  // namespace

// One write: the worker's and the keeper's alike. The worker fills in the result and then
// says it is done; nothing else is touched by both.
struct CHistoryKeeper::Job {
    Job(CSearchSnapshot&& snap, CHistoryStore&& s) : snapshot(std::move(snap)), store(std::move(s)) {}

    CSearchSnapshot snapshot;
    CHistoryStore store;
    std::atomic<bool> bCancel{false};
    bool bKept = false;
    std::string strError;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable ended;
    bool bDone = false;  // under mutex

    void Run()
    {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
        bKept = store.Keep(snapshot, strError, &bCancel);
        snapshot = CSearchSnapshot();  // its memory back before the program may collect
        const std::lock_guard lock(mutex);
        bDone = true;
        ended.notify_all();
    }
    bool WaitUntil(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock lock(mutex);
        return ended.wait_until(lock, deadline, [this] { return bDone; });
    }
};

CHistoryKeeper::CHistoryKeeper(QObject* pParent) : QObject(pParent), m_pCollectTimer(new QTimer(this))
{
    m_pCollectTimer->setInterval(kCollectMs);
    connect(m_pCollectTimer, &QTimer::timeout, this, &CHistoryKeeper::Collect);
}

CHistoryKeeper::~CHistoryKeeper() { CancelAll(kExitWait); }

void CHistoryKeeper::SearchFinished(const CVolraDoc& doc)
{
    // Only a search of this machine: an FTP server's, or an opened file's, is elsewhere.
    if (m_prefs.m_bKeep == 0 || dynamic_cast<const CDriveVolraDoc*>(&doc) == nullptr || doc.GetRoot() == nullptr)
        return;
    try {
        StartJob(doc);
    } catch (const std::bad_alloc&) {
        TellNotKept("out of memory");
    }
}

void CHistoryKeeper::StartJob(const CVolraDoc& doc)
{
    auto job = std::make_shared<Job>(
        CSearchSnapshot(*doc.GetRoot(),
                        doc.GetSearchTime().GetTime() != 0 ? doc.GetSearchTime().GetTime() : std::time(nullptr)),
        CHistoryStore(CHistoryStore::DefaultFolder(), m_prefs.StoreLimits()));
    // Room for the job first: once its thread runs, nothing may fail before it is listed.
    m_jobs.reserve(m_jobs.size() + 1);
    // The worker holds the job as long as it runs, whether the keeper waits for it or not.
    auto worker = TryStartThread([job] { job->Run(); });
    if (!worker) {
        std::fputs("volra: search not kept for comparison: no thread could be started\n", stderr);
        TellNotKept("no thread could be started");
        return;
    }
    job->worker = std::move(*worker);
    m_jobs.push_back(std::move(job));
    m_pCollectTimer->start();
}

void CHistoryKeeper::Collect()
{
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        Job& job = **it;
        {
            const std::lock_guard lock(job.mutex);
            if (!job.bDone) {
                ++it;
                continue;
            }
        }
        job.worker.join();
        if (!job.bKept && !job.bCancel)
            TellNotKept(job.strError);
        it = m_jobs.erase(it);
    }
    if (m_jobs.empty())
        m_pCollectTimer->stop();
}

bool CHistoryKeeper::WaitForWrites(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool bAll = true;
    for (const auto& job : m_jobs)
        bAll = job->WaitUntil(deadline) && bAll;
    Collect();
    return bAll;
}

void CHistoryKeeper::CancelAll(std::chrono::milliseconds wait)
{
    for (const auto& job : m_jobs)
        job->bCancel = true;
    WaitForWrites(wait);
    // Still writing (a disk that does not answer): it ends on its own, owning its job.
    for (const auto& job : m_jobs)
        job->worker.detach();
    m_jobs.clear();
    m_pCollectTimer->stop();
}
