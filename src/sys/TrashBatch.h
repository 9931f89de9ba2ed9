#pragma once
#include "LastError.h"
#include "SafeRemove.h"

#include <cstdint>
#include <string>
#include <vector>

// Items moved to the trash together, as one batch that can be put back, and the emptying of
// what Volra has moved there, never anything else in the trash. Every step leaves each item
// untouched, in the trash with its .trashinfo and a line of Volra's record (TrashRecord),
// back where it was, or deleted because the user asked for exactly that: the .trashinfo and
// the record are written before an item moves, and a record of an item no longer in the
// trash (a crash before its move, or the user restored or removed it since) is passed over.

struct CTrashRequest {
    std::string path;
    std::int64_t nSize = 0;  // bytes on the disk, as the search counted them: kept in the record
};

struct CTrashOutcome {
    std::string path;
    bool bMoved = false;
    DWORD error = ERROR_SUCCESS;  // why it stayed
};

struct CTrashBatchResult {
    std::uint64_t batch = 0;
    std::vector<CTrashOutcome> items;  // in the order asked
    // Not empty when the record could not be written: then nothing was moved at all.
    std::string strError;
};

// Moves the items to the trash (MoveToTrash's rules), one by one; an item that cannot go
// stays where it was and says why, the others go all the same.
CTrashBatchResult MoveBatchToTrash(const std::vector<CTrashRequest>& requests);

// The newest batch with an item still in the trash, or 0 when there is none (or no record
// can be read). Reads the record and looks at each item: not for every repaint.
std::uint64_t LastTrashBatch();

struct CRestoreOutcome {
    enum class State {
        Restored,
        PlaceTaken,  // something else is where it was: it stays in the trash
        Gone,  // no longer in the trash (restored or removed by the user): nothing done
        Failed,  // it stays in the trash; error says why (its folder is gone, say)
    };
    std::string path;  // where it was, and is again when restored
    State state = State::Failed;
    int error = 0;  // the errno value, for Failed
};

struct CRestoreResult {
    std::vector<CRestoreOutcome> items;
    std::string strError;  // the record could not be read or written
};

// Puts each item of the batch back where it was and takes its .trashinfo and its record
// away; an item that cannot go back stays in the trash, recorded.
CRestoreResult RestoreBatch(std::uint64_t batch);

struct CRecordedTrash {
    std::size_t nItems = 0;
    std::int64_t nBytes = 0;  // as recorded when they went
    std::string strError;
};

// What EmptyRecorded would remove, for the question before it: the recorded items still in
// the trash and their sizes.
CRecordedTrash MeasureRecordedTrash();

struct CEmptyResult {
    std::size_t nRemoved = 0;
    std::int64_t nFreed = 0;  // bytes given back (SafeRemove's count)
    std::vector<CRemoveLeft> left;  // what could not be removed, and why
    std::string strError;
};

// Removes for good, from the trash, the recorded items still there with their .trashinfo
// (each checked to be the very file that went) and nothing else.
CEmptyResult EmptyRecorded();
