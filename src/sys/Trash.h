#pragma once
#include "LastError.h"
#include "base/Types.h"

#include <cstdint>
#include <string>

// The desktop's trash, as the freedesktop.org Trash specification lays it out, so that
// every file manager can list and restore what Volra throws away.
//
// An item on the same file system as the home trash ($XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash; created 0700 when missing) goes there. An item elsewhere goes to
// the trash at the top of its own file system: $topdir/.Trash/$uid when the administrator
// made $topdir/.Trash (a real directory with the sticky bit), else $topdir/.Trash-$uid.
// Nothing is ever copied between file systems: a disk cleaner that silently copied
// gigabytes to make room would do the opposite of what was asked.
//
// The item (a file, a directory with everything below it, or a symbolic link itself, never
// its target) is renamed into files/ after its .trashinfo is written; the name gets ".2",
// ".3", ... when the trash already holds one. The trash's directorysizes cache is not
// kept: readers must cope with directories it does not list, and the trash stays valid.
//
// A trash's own folders (the home trash, a top directory's .Trash/$uid or .Trash-$uid, their
// files/ and info/), anything that holds one of them and anything already inside one are
// refused with ERROR_TRASH_ITSELF: moving them would leave every record of the trash
// pointing at nothing.
//
// TRUE when the item is in the trash; trashedAs (if given) then receives its new path.
// FALSE with the last error set when it is still where it was.
BOOL MoveToTrash(const std::string& path, std::string* trashedAs = nullptr);

// MoveToTrash in two steps, for a batch whose own record must be written between them
// (TrashBatch): PrepareTrash does everything up to the move (the trash chosen, the
// .trashinfo written, which claims the item's name in the trash); CommitTrash moves the
// item. Both FALSE with the last error; a failed commit takes the .trashinfo away again,
// and so does AbandonTrash for an item that is not to go after all.
struct CTrashSlot {
    std::string itemPath;  // absolute, its directory's links resolved
    std::uint64_t device = 0;  // the item's identity, which the move keeps
    std::uint64_t inode = 0;
    std::string trashDir;  // e.g. ~/.local/share/Trash
    std::string name;  // in the trash's files/ (and info/, with ".trashinfo")
    std::string FilesPath() const;
    std::string InfoPath() const;
};
BOOL PrepareTrash(const std::string& path, CTrashSlot& slot);
BOOL CommitTrash(const CTrashSlot& slot);
void AbandonTrash(const CTrashSlot& slot);

// rename(2) that never replaces what is at `to`: 0, or the errno (EEXIST when taken).
int RenameNoReplace(const std::string& from, const std::string& to);
// The user's data folder: $XDG_DATA_HOME, else ~/.local/share; empty when there is no home.
std::string DataHomeDir();
// Makes a directory and every missing one above it, each private to the user (0700). False
// with errno.
bool MakePrivateDirs(const std::string& path);

// The last error of MoveToTrash when no trash can be used on the item's file system (none
// exists and none can be made, or the one there cannot be written). The error box
// explains it in words.
constexpr DWORD ERROR_NO_TRASH = ERROR_ERRNO_BASE + 0x10001;
// The last error of MoveToTrash for the trash itself, or an item that holds or is in one.
constexpr DWORD ERROR_TRASH_ITSELF = ERROR_ERRNO_BASE + 0x10002;
