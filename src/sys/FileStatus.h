#pragma once
#include "FileSystemKind.h"
#include "base/Time.h"

#include <cstdint>

// What the walk knows of one item of a listing besides its name.
struct CFileStatus {
    bool directory = false;
    // A directory on another device than the one listed: the kind of its file system, where
    // the walk asked (NoteFsKind); Same otherwise.
    EFsKind fsKind = EFsKind::Same;
    std::uint32_t links = 0;  // names of a file; 0 when unknown, or a directory (beside the flag: no padding)
    std::int64_t size = 0;  // bytes; 0 for a directory
    CTime created, modified, accessed;
    std::uint64_t device = 0;  // 0 when the status could not be read
    std::int64_t allocated = 0;  // bytes on the disk: its blocks times 512
    std::uint64_t inode = 0;
};

// Reads the status of the item `name` of the directory open as dirFd, without following a
// link (a link is an item of its own with the link's own length). type is the listing's
// own idea of the item (a d_type value), kept when the status cannot be read. False when the
// item vanished between the listing and this read: it is then simply not listed.
bool ReadFileStatus(int dirFd, const char* name, unsigned char type, CFileStatus& status);

// Asks the kind of file system of the directory item `name` of dirFd just read into status,
// when it lies on another device than listDevice, the listed directory's: only mount points
// (and the like) cost a look.
void NoteFsKind(int dirFd, const char* name, std::uint64_t listDevice, CFileStatus& status);

// Opens the subdirectory `name` of the directory open as parentFd for listing, without
// following a link; -1 with errno set when it cannot.
int OpenSubdirectory(int parentFd, const char* name);
// Tests make directories vanish, or refuse to open, at the very moment they are opened, by
// whichever thread opens them: the hook answers an errno value to fail with, or 0.
using SubdirectoryOpenHook = int (*)(const char* name);
void SetSubdirectoryOpenHook(SubdirectoryOpenHook hook);
