#include "LastError.h"

#include <cerrno>
#include <cstring>

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;

struct ErrnoCode {
    int err;
    DWORD code;
};

// Only the pairs whose meaning is the same on both sides; everything else keeps its errno.
constexpr ErrnoCode kMapped[] = {
    {ENOENT, ERROR_PATH_NOT_FOUND}, {EMFILE, ERROR_TOO_MANY_OPEN_FILES}, {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},   {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},   {ENOMEDIUM, ERROR_NOT_READY},
    {ENOTDIR, ERROR_DIRECTORY},
};
}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

DWORD ErrorFromErrno(int err)
{
    if (err == 0)
        return ERROR_SUCCESS;
    for (const auto& m : kMapped)
        if (m.err == err)
            return m.code;
    return ERROR_ERRNO_BASE + static_cast<DWORD>(err);
}

int ErrnoFromError(DWORD code)
{
    if (code == ERROR_FILE_NOT_FOUND)
        return ENOENT;
    for (const auto& m : kMapped)
        if (m.code == code)
            return m.err;
    if (code > ERROR_ERRNO_BASE && code < ERROR_ERRNO_BASE + 4096)
        return static_cast<int>(code - ERROR_ERRNO_BASE);
    return 0;
}

void SetLastErrorFromErrno(int err) { SetLastError(ErrorFromErrno(err)); }

std::string ErrnoText(int err)
{
    // strerror would follow the user's LC_MESSAGES; the program's texts do not.
    const char* text = ::strerrordesc_np(err);
    return text != nullptr ? text : "Unknown error " + std::to_string(err);
}
