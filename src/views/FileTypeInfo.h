#pragma once
#include "base/Types.h"
#include "sys/MountTable.h"

#include <QIcon>

#include <string>
#include <vector>

// The file-type icons of every view: one image list shared by the list view, the tree
// panel and anything else that shows entries, and the lookup from a path to an index in it.
//
// The lookup goes by name only (the MIME type the extension suggests, directory or not),
// never by opening or even stat-ing the file, so it serves entries found over FTP exactly
// like local ones and costs no disc access while a view paints.
//
// The list is class-wide: created on first use, it grows by one icon per distinct icon
// name and lives until the program ends, so an index once handed out stays valid for the
// whole run (entries cache theirs and never ask again). Objects of this class carry no data;
// views may hold one to say that they use the list, but need not.
class CFileTypeInfo {
public:
    // The icon index of a path. A trailing "/" means a directory: closed or open folder by
    // bOpen; the path "/" alone is the root of a file system and gets the hard-disc drive
    // icon. Any other path is a file, typed by its last component's name. bSmall is
    // accepted for the callers' sake and changes nothing: an icon carries every size and the
    // view picks the one it draws. Always answers a valid index.
    static int GetSysIconIndex(const std::string& path, BOOL bOpen, BOOL bSmall);
    // The icon index for the root of a search on a drive of the given kind (the tree panel
    // shows mount points and FTP roots with these).
    static int GetDriveIconIndex(DriveKind kind);
    // The icon index of an entry: a drive (a search's root or a mount point) shows the
    // hard-disc drive icon, as "/" does; anything else as GetSysIconIndex says.
    static int GetEntryIconIndex(const std::string& path, BOOL bOpen, BOOL bDrive);

    // The shared image list; indices are positions in it.
    static const std::vector<QIcon>& ImageList();
    // The icon at an index; a null icon for an index never handed out.
    static const QIcon& GetIcon(int index);
    // The theme name the icon at an index was found under, or "drawn:<shape>" for an icon
    // drawn by the program itself because no theme had one; empty for a bad index.
    static const std::string& GetIconName(int index);

    // Forgets every icon and index, so that the next lookup builds the list anew from the
    // icon theme as it is now. Indices handed out before, and cached on entries, become
    // meaningless: only for tests, which use it to see the list built with and without a
    // theme.
    static void ClearImageList();
};

// Makes CEntry::GetIconIndex answer from the shared image list.
void InstallFileTypeIcons();
