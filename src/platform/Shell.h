#pragma once
#include "Types.h"

#include <QUrl>

#include <functional>
#include <string>

// Opens an item the way a double click in the desktop's file manager does: a document in
// its application, a directory in the file manager. Programs are not run, since the
// desktop opens an executable file by its type like any other. TRUE when the desktop took
// the item; FALSE with the last error set: the item's own error when it cannot be found,
// ERROR_NO_ASSOCIATION when nothing on the desktop can open it.
BOOL ShellOpen(const std::string& path);

// The classic code for "nothing is set up to open this"; the error box has its text.
constexpr DWORD ERROR_NO_ASSOCIATION = 1155;

// The file URL the desktop is given for a path. It is made from the path's bytes, so that
// a name that is not UTF-8 still names the same file.
QUrl FileUrlOf(const std::string& path);

// What hands an existing item to the desktop; true when it was taken. Tests install their
// own to see the calls without launching anything; an empty function restores the desktop.
using ShellOpener = std::function<bool(const std::string& path)>;
void SetShellOpener(ShellOpener opener);
