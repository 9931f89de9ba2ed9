#include "Shell.h"

#include "sys/ErrorText.h"
#include "sys/LastError.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
constexpr auto kDesktopOpener = "xdg-open";
std::string g_openerCommand = kDesktopOpener;
int g_runningOpeners = 0;

std::string ShellMessage(DWORD code)
{
    if (code == ERROR_NO_ASSOCIATION)
        return "No application is associated with the specified file for this operation.\n";
    if (code == ERROR_NO_OPENER)
        return "The program that opens items on the desktop (" + g_openerCommand + ") could not be started.\n";
    return {};
}

// The opener's verdict reaches the caller from the event loop, never from inside the
// process object's own signal: the caller may show a box that waits for the user, and the
// process object is on its way out.
void ReportWhenFinished(QProcess* process, ShellOpenDone onFinished)
{
    QObject::connect(process, &QProcess::finished, process,
                     [process, onFinished = std::move(onFinished)](int code, QProcess::ExitStatus status) {
                         const BOOL bOpened = status == QProcess::NormalExit && code == 0;
                         process->deleteLater();
                         QTimer::singleShot(0, QCoreApplication::instance(), [onFinished, bOpened] {
                             --g_runningOpeners;
                             SetLastError(bOpened ? ERROR_SUCCESS : ERROR_NO_ASSOCIATION);
                             if (onFinished)
                                 onFinished(bOpened);
                         });
                     });
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

BOOL ShellOpen(const std::string& path, ShellOpenDone onFinished)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        SetLastErrorFromErrno(errno);  // gone since the search: say so, open nothing
        return FALSE;
    }
    RegisterMessageTable("shell", ShellMessage);
    QCoreApplication* pApp = QCoreApplication::instance();
    if (pApp == nullptr) {
        SetLastError(ERROR_NO_OPENER);  // no event loop could hear the opener end
        return FALSE;
    }
    // The process belongs to the application, not to the window that asked, so closing
    // that window leaves it alone. The URL is plain ASCII, so every byte of the name
    // arrives; the opener's own messages go where the program's go.
    auto* process = new QProcess(pApp);
    process->setProgram(QFile::decodeName(QByteArray::fromStdString(g_openerCommand)));
    process->setArguments({QString::fromLatin1(FileUrlOf(path).toEncoded())});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    ReportWhenFinished(process, std::move(onFinished));
    ++g_runningOpeners;
    process->start();
    if (!process->waitForStarted()) {
        --g_runningOpeners;
        delete process;
        SetLastError(ERROR_NO_OPENER);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

void SetShellOpenerCommand(const std::string& program) { g_openerCommand = program.empty() ? kDesktopOpener : program; }

int RunningShellOpeners() { return g_runningOpeners; }
