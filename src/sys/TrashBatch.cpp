#include "TrashBatch.h"

#include "Trash.h"
#include "TrashRecord.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

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
}  // namespace

// Each item is readied first (its .trashinfo written, its name claimed), then all of them
// are recorded at once, then moved: two rewrites of the record per batch, however large.
CTrashBatchResult MoveBatchToTrash(const std::vector<CTrashRequest>& requests)
{
    CTrashBatchResult result;
    std::vector<CTrashSlot> slots(requests.size());
    std::vector<bool> ready(requests.size(), false);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        result.items.push_back({requests[i].path, false, ERROR_SUCCESS});
        ready[i] = PrepareTrash(requests[i].path, slots[i]) != FALSE;
        if (!ready[i])
            result.items[i].error = GetLastError();
    }
    const auto abandonAll = [&] {
        for (std::size_t i = 0; i < slots.size(); ++i)
            if (ready[i])
                AbandonTrash(slots[i]);
    };
    CTrashRecord record;
    if (!record.Open(result.strError)) {
        abandonAll();
        return result;
    }
    result.batch = NextBatch(record.Items());
    const std::int64_t now = std::time(nullptr);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (ready[i])
            record.Items().push_back({slots[i].trashDir, slots[i].name, slots[i].itemPath, result.batch, now,
                                      requests[i].nSize, slots[i].device, slots[i].inode});
    }
    if (!record.Save(result.strError)) {
        abandonAll();
        return result;
    }
    bool bAnyFailed = false;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!ready[i])
            continue;
        result.items[i].bMoved = CommitTrash(slots[i]) != FALSE;
        if (!result.items[i].bMoved) {
            result.items[i].error = GetLastError();
            bAnyFailed = true;
        }
    }
    if (!bAnyFailed)
        return result;
    // The lines of items that stayed go again. Should that fail, they name nothing in the
    // trash and are passed over.
    Drop(record.Items(), [&](const CTrashedItem& item) {
        for (std::size_t i = 0; i < slots.size(); ++i)
            if (ready[i] && !result.items[i].bMoved && item.trashDir == slots[i].trashDir && item.name == slots[i].name)
                return true;
        return false;
    });
    std::string strIgnored;
    record.Save(strIgnored);
    return result;
}

std::uint64_t LastTrashBatch()
{
    CTrashRecord record;
    std::string strError;
    if (!record.Open(strError))
        return 0;
    std::uint64_t last = 0;
    for (const CTrashedItem& item : record.Items())
        if (item.batch > last && CTrashRecord::InTrash(item))
            last = item.batch;
    return last;
}

CRestoreResult RestoreBatch(std::uint64_t batch)
{
    CRestoreResult result;
    CTrashRecord record;
    if (!record.Open(result.strError))
        return result;
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
    return result;
}

CRecordedTrash MeasureRecordedTrash()
{
    CRecordedTrash recorded;
    CTrashRecord record;
    if (!record.Open(recorded.strError))
        return recorded;
    for (const CTrashedItem& item : record.Items()) {
        if (CTrashRecord::InTrash(item) && HasInfo(item)) {
            ++recorded.nItems;
            recorded.nBytes = SaturatingAdd(recorded.nBytes, std::max<std::int64_t>(item.size, 0));
        }
    }
    return recorded;
}

// Each item is removed from inside its trash's files/ by SafeRemove, which checks that the
// name there is still the file that went before it removes anything.
CEmptyResult EmptyRecorded()
{
    CEmptyResult result;
    CTrashRecord record;
    if (!record.Open(result.strError))
        return result;
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
    return result;
}
