#include "TrashBatch.h"

#include "Trash.h"
#include "TrashRecord.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<std::int64_t>::max() : sum;
}

std::uint64_t NextBatch(const std::vector<CTrashedItem>& items)
{
    std::uint64_t last = 0;
    for (const CTrashedItem& item : items)
        last = std::max(last, item.batch);
    return last + 1;
}

bool HasInfo(const CTrashedItem& item)
{
    struct stat st {};
    return ::lstat(item.InfoPath().c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Takes the items matching out of the record; true when any was.
template <class Match> bool Drop(std::vector<CTrashedItem>& items, Match match)
{
    return std::erase_if(items, match) > 0;
}

// One batch on its way: each item readied (its .trashinfo written, its name claimed), then
// all of them recorded at once, then moved: two rewrites of the record however large the
// batch.
class CBatchMove {
public:
    CBatchMove(const std::vector<CTrashRequest>& requests, CTrashBatchResult& result)
        : m_requests(requests), m_result(result)
    {}
    void Run();
    // The .trashinfo of every item readied and not moved goes again.
    void AbandonUnmoved();

private:
    void Prepare();
    void Record(CTrashRecord& record);
    void Move(CTrashRecord& record);
    bool Moved(std::size_t i) const { return i < m_result.items.size() && m_result.items[i].bMoved; }

    const std::vector<CTrashRequest>& m_requests;
    CTrashBatchResult& m_result;
    std::vector<CTrashSlot> m_slots;
    std::vector<bool> m_ready;  // its .trashinfo is written
};

void CBatchMove::Run()
{
    Prepare();
    CTrashRecord record;
    if (record.Open(m_result.strError))
        Record(record);
    if (!m_result.strError.empty()) {
        AbandonUnmoved();
        return;
    }
    Move(record);
}

void CBatchMove::Prepare()
{
    m_slots.resize(m_requests.size());
    m_ready.assign(m_requests.size(), false);
    m_result.items.reserve(m_requests.size());
    for (std::size_t i = 0; i < m_requests.size(); ++i) {
        m_result.items.push_back({m_requests[i].path, false, ERROR_SUCCESS});
        m_ready[i] = PrepareTrash(m_requests[i].path, m_slots[i]) != FALSE;
        if (!m_ready[i])
            m_result.items[i].error = GetLastError();
    }
}

void CBatchMove::Record(CTrashRecord& record)
{
    m_result.batch = NextBatch(record.Items());
    const std::int64_t now = std::time(nullptr);
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        const CTrashSlot& slot = m_slots[i];
        if (m_ready[i])
            record.Items().push_back({slot.trashDir, slot.name, slot.itemPath, m_result.batch, now, m_requests[i].nSize,
                                      slot.device, slot.inode});
    }
    record.Save(m_result.strError);
}

void CBatchMove::Move(CTrashRecord& record)
{
    std::vector<std::pair<std::string, std::string>> stayed;  // trash and name of items not moved
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_ready[i])
            continue;
        m_ready[i] = false;  // a failed commit takes its .trashinfo away itself
        m_result.items[i].bMoved = CommitTrash(m_slots[i]) != FALSE;
        if (!m_result.items[i].bMoved) {
            m_result.items[i].error = GetLastError();
            stayed.emplace_back(m_slots[i].trashDir, m_slots[i].name);
        }
    }
    // The lines of items that stayed go again. Should that fail, they name nothing in the
    // trash and are passed over.
    if (Drop(record.Items(), [&](const CTrashedItem& item) {
            return std::ranges::count(stayed, std::pair(item.trashDir, item.name)) > 0;
        })) {
        std::string strIgnored;
        record.Save(strIgnored);
    }
}

void CBatchMove::AbandonUnmoved()
{
    for (std::size_t i = 0; i < m_ready.size() && i < m_slots.size(); ++i) {
        if (m_ready[i] && !Moved(i))
            AbandonTrash(m_slots[i]);
        m_ready[i] = false;
    }
}

// Out of memory ends an operation with that reason, with what it did so far in the result:
// each step is recorded before it is taken, so the trash and the record stay consistent.
template <class Result, class Work> Result Guarded(Work work)
{
    Result result;
    try {
        work(result);
    } catch (const std::bad_alloc&) {
        result.strError = ErrnoText(ENOMEM);
    }
    return result;
}
}  // namespace

CTrashBatchResult MoveBatchToTrash(const std::vector<CTrashRequest>& requests)
{
    CTrashBatchResult result;
    CBatchMove batch(requests, result);
    try {
        batch.Run();
    } catch (const std::bad_alloc&) {
        batch.AbandonUnmoved();
        result.strError = ErrnoText(ENOMEM);
    }
    return result;
}

std::uint64_t LastTrashBatch()
{
    try {
        CTrashRecord record;
        std::string strError;
        if (!record.Open(strError))
            return 0;
        std::uint64_t last = 0;
        for (const CTrashedItem& item : record.Items())
            if (item.batch > last && CTrashRecord::InTrash(item))
                last = item.batch;
        return last;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

namespace {
void Restore(std::uint64_t batch, CRestoreResult& result)
{
    CTrashRecord record;
    if (!record.Open(result.strError))
        return;
    std::vector<CTrashedItem> done;  // restored, or gone already: their lines go
    for (const CTrashedItem& item : record.Items()) {
        if (item.batch != batch)
            continue;
        CRestoreOutcome outcome{item.originalPath, CRestoreOutcome::State::Gone, 0};
        if (CTrashRecord::InTrash(item)) {
            // Never over what has taken its place meanwhile.
            const int err = RenameNoReplace(item.TrashedPath(), item.originalPath);
            if (err == 0) {
                ::unlink(item.InfoPath().c_str());
                outcome.state = CRestoreOutcome::State::Restored;
            } else {
                outcome.state = err == EEXIST ? CRestoreOutcome::State::PlaceTaken : CRestoreOutcome::State::Failed;
                outcome.error = err;
            }
        }
        if (outcome.state == CRestoreOutcome::State::Restored || outcome.state == CRestoreOutcome::State::Gone)
            done.push_back(item);
        result.items.push_back(std::move(outcome));
    }
    if (Drop(record.Items(), [&](const CTrashedItem& item) { return std::ranges::count(done, item) > 0; }))
        record.Save(result.strError);
}

void Measure(CRecordedTrash& recorded)
{
    CTrashRecord record;
    if (!record.Open(recorded.strError))
        return;
    for (const CTrashedItem& item : record.Items()) {
        if (CTrashRecord::InTrash(item) && HasInfo(item)) {
            ++recorded.nItems;
            recorded.nBytes = SaturatingAdd(recorded.nBytes, std::max<std::int64_t>(item.size, 0));
        }
    }
}

// Each item is removed from inside its trash's files/ by SafeRemove, which checks that the
// name there is still the file that went before it removes anything.
void Empty(CEmptyResult& result)
{
    CTrashRecord record;
    if (!record.Open(result.strError))
        return;
    std::vector<CTrashedItem> kept;
    for (const CTrashedItem& item : record.Items()) {
        if (!CTrashRecord::InTrash(item) || !HasInfo(item))
            continue;  // restored or removed by the user: the line goes
        const CRemoveResult removed = SafeRemove(item.trashDir + "/files", {item.name}, item.device, item.inode);
        result.nFreed = SaturatingAdd(result.nFreed, removed.nFreed);
        result.left.insert(result.left.end(), removed.left.begin(), removed.left.end());
        if (removed.bRemoved) {
            ::unlink(item.InfoPath().c_str());
            ++result.nRemoved;
        } else {
            kept.push_back(item);  // partly removed, perhaps: what is left stays recorded
        }
    }
    if (kept.size() != record.Items().size()) {
        record.Items() = std::move(kept);
        record.Save(result.strError);
    }
}
}  // namespace

CRestoreResult RestoreBatch(std::uint64_t batch)
{
    return Guarded<CRestoreResult>([batch](CRestoreResult& result) { Restore(batch, result); });
}

CRecordedTrash MeasureRecordedTrash() { return Guarded<CRecordedTrash>(Measure); }

CEmptyResult EmptyRecorded() { return Guarded<CEmptyResult>(Empty); }
