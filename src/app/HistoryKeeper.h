#pragma once
#include "HistoryPrefs.h"

#include <QObject>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class CVolraDoc;
class QTimer;

// Keeps every search of a local folder or file system that finishes in a window, for
// comparison later (CHistoryStore), while the history is on. The window must not wait for
// it: on the user-interface thread the tree is only copied into a compact snapshot; the
// export is formatted, compressed and written on a worker thread of its own, at the lowest
// priority, which owns the snapshot, so the window or the document may close meanwhile.
//
// Nothing here opens a box: a search that cannot be kept (no thread, no memory, a full
// disk, an unwritable folder) says so on the status bar. Writes still running when the
// program ends are cancelled, their temporary files removed, and waited for a bounded time.
class CHistoryKeeper : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kExitWait{2000};

    explicit CHistoryKeeper(QObject* pParent = nullptr);
    ~CHistoryKeeper() override;  // cancels, waiting at most kExitWait

    // A search finished in a window: kept when it is a local one and the history is on.
    void SearchFinished(const CVolraDoc& doc);
    // Waits for the running writes, at most timeout; true when all of them have ended.
    bool WaitForWrites(std::chrono::milliseconds timeout);
    // Asks the running writes to stop and waits for them, at most wait; a write that has
    // not stopped by then is left to end on its own.
    void CancelAll(std::chrono::milliseconds wait);

    CHistoryPrefs m_prefs;

private:
    struct Job;
    void StartJob(const CVolraDoc& doc);
    // Collects the writes that have ended and tells of those that failed.
    void Collect();

    std::vector<std::shared_ptr<Job>> m_jobs;  // shared with their worker threads
    QTimer* m_pCollectTimer = nullptr;  // runs while writes do
};
