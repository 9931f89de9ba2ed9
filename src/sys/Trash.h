#pragma once
#include "LastError.h"
#include "base/Types.h"

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

// The last error of MoveToTrash when no trash can be used on the item's file system (none
// exists and none can be made, or the one there cannot be written). The error box
// explains it in words.
constexpr DWORD ERROR_NO_TRASH = ERROR_ERRNO_BASE + 0x10001;
// The last error of MoveToTrash for the trash itself, or an item that holds or is in one.
constexpr DWORD ERROR_TRASH_ITSELF = ERROR_ERRNO_BASE + 0x10002;
