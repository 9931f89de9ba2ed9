#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Volra's own record of what it moved to the trash, $XDG_DATA_HOME/volra/trashed, so that a
// batch can be put back and what Volra trashed can be emptied without touching anything
// else in the trash.
//
// One line per item, its fields separated by tabs: trash directory, name in the trash,
// original path, batch, time, size, device, inode. Texts are percent-encoded byte by byte
// (every byte outside printable ASCII, and "%"), so that any name comes back as the same
// bytes and none can break a line. The file is written whole (CAtomicFile); a line that is
// not such a record (the file is the user's, and may have been edited) is passed over.

struct CTrashedItem {
    std::string trashDir;  // e.g. ~/.local/share/Trash
    std::string name;  // in trashDir/files (and trashDir/info, with ".trashinfo")
    std::string originalPath;
    std::uint64_t batch = 0;
    std::int64_t time = 0;  // seconds since 1970, when it went
    std::int64_t size = 0;  // bytes on the disk, as the search counted them
    std::uint64_t device = 0;  // the item's identity, which the move into the trash keeps
    std::uint64_t inode = 0;

    std::string TrashedPath() const;  // trashDir/files/name
    std::string InfoPath() const;  // trashDir/info/name.trashinfo
    bool operator==(const CTrashedItem&) const = default;
};

std::string FormatTrashRecord(const std::vector<CTrashedItem>& items);
std::vector<CTrashedItem> ParseTrashRecord(std::string_view text);

// The record file, held locked while the object lives, so that two Volra processes never
// rewrite it at once.
class CTrashRecord {
public:
    CTrashRecord() = default;
    ~CTrashRecord();
    CTrashRecord(const CTrashRecord&) = delete;
    CTrashRecord& operator=(const CTrashRecord&) = delete;

    // Locks the record (waiting a few seconds at most for another Volra that holds it) and
    // reads it; a record not made yet is empty. False with the reason.
    bool Open(std::string& strError);
    std::vector<CTrashedItem>& Items() { return m_items; }
    // Replaces the file with the items. False with the reason; the file is then as it was.
    bool Save(std::string& strError);

    static std::string Path();  // empty when the user has no data folder
    // Whether the item is still in its trash: its name there still holds the same file.
    static bool InTrash(const CTrashedItem& item);

private:
    int m_lockFd = -1;
    std::vector<CTrashedItem> m_items;
};
