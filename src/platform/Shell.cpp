#include "Shell.h"

#include "ErrorText.h"
#include "LastError.h"
#include "UiServices.h"

#include <QByteArray>
#include <QDesktopServices>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
ShellOpener g_opener;

std::string ShellMessage(DWORD code)
{
    if (code == ERROR_NO_ASSOCIATION)
        return "No application is associated with the specified file for this operation.\n";
    return {};
}

// Qt hands a file URL to the desktop (xdg-open, or the desktop portal) in its encoded
// form, which is plain ASCII, so every byte of the name arrives.
bool DesktopOpen(const std::string& path)
{
    if (!HaveWidgets())
        return false;  // the desktop services need a GUI application
    return QDesktopServices::openUrl(FileUrlOf(path));
}
}  // namespace

QUrl FileUrlOf(const std::string& path)
{
    // QUrl::fromLocalFile(QFile::decodeName(...)) would not do: Qt 6 decodes names as
    // UTF-8 and turns every invalid byte into U+FFFD, naming a file that does not exist.
    QByteArray raw(path.data(), static_cast<qsizetype>(path.size()));
    if (!raw.startsWith('/')) {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd != nullptr) {
            raw.prepend(QByteArray(cwd) + '/');
            ::free(cwd);
        }
    }
    return QUrl::fromEncoded("file://" + raw.toPercentEncoding("/"), QUrl::StrictMode);
}

BOOL ShellOpen(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        SetLastErrorFromErrno(errno);  // gone since the search: say so, open nothing
        return FALSE;
    }
    const bool opened = g_opener ? g_opener(path) : DesktopOpen(path);
    if (!opened) {
        RegisterMessageTable("shell", ShellMessage);
        SetLastError(ERROR_NO_ASSOCIATION);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

void SetShellOpener(ShellOpener opener) { g_opener = std::move(opener); }
