#pragma once
#include "sys/MountTable.h"

#include <QIcon>

// The icon of a kind of drive: the icon theme's, else one the program draws itself.
QIcon DriveIcon(DriveKind kind);
// The program's own picture of a kind of drive, at 16 and 32 pixels; used where the theme
// has none.
QIcon DrawnDriveIcon(DriveKind kind);
