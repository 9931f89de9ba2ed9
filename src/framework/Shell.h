#pragma once
#include "sys/LastError.h"

#include <QUrl>

#include <functional>
#include <string>

// Opens an item the way a double click in the desktop's file manager does: a document in
// its application, a directory in the file manager. Programs are not run, since the
// desktop opens an executable file by its type like any other.
//
// The desktop's opener (xdg-open) runs on its own and may take long (some desktops keep
// it until the application closes), so ShellOpen returns once it has started, and
// onFinished is called later, on the user-interface thread, with TRUE when the opener
// succeeded, or FALSE with the last error set to ERROR_NO_ASSOCIATION. onFinished must
// hold by value whatever it needs: the window that asked may be gone by then.
// ShellOpen returns FALSE, with the last error set and onFinished never called, when the
// item cannot be found (its own error) or the opener cannot be started (ERROR_NO_OPENER).
using ShellOpenDone = std::function<void(BOOL bOpened)>;
BOOL ShellOpen(const std::string& path, ShellOpenDone onFinished);

// The classic code for "nothing is set up to open this"; the error box has its text.
constexpr DWORD ERROR_NO_ASSOCIATION = 1155;
// The desktop's opener could not be started (not installed); an application-defined code.
constexpr DWORD ERROR_NO_OPENER = ERROR_ERRNO_BASE + 0x20001;

// The file URL the desktop is given for a path. It is made from the path's bytes, so that
// a name that is not UTF-8 still names the same file.
QUrl FileUrlOf(const std::string& path);

// The program that opens items, run with the item's URL as its one argument: "xdg-open"
// unless changed (tests run a stand-in); an empty text restores "xdg-open".
void SetShellOpenerCommand(const std::string& program);
// Openers started and not yet reported back through their onFinished.
int RunningShellOpeners();
