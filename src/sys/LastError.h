#pragma once
#include "base/Types.h"

#include <string>

// The calling thread's last error code, as the walk and the error box read it.
// Codes below 0x20000000 use the classic system numbering; an errno value that has no
// classic counterpart is carried as ERROR_ERRNO_BASE + errno (bit 29 marks codes
// defined by the application). Internet (FTP) codes start at 12000.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_NOT_READY = 21;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_CANCELLED = 1223;  // the user gave up waiting
constexpr DWORD ERROR_ERRNO_BASE = 0x20000000;
constexpr DWORD ERROR_INTERNET_BASE = 12000;

DWORD GetLastError();
void SetLastError(DWORD code);

// Maps an errno value to a code: EACCES and EPERM become ERROR_ACCESS_DENIED, and so on.
DWORD ErrorFromErrno(int err);
// The errno value a code stands for, or 0 when it is not a file-system code.
int ErrnoFromError(DWORD code);
// Sets the last error from errno (or from the given errno value).
void SetLastErrorFromErrno(int err);
// The system's text for an errno value ("No such file or directory"), the same in every
// locale, without a full stop.
std::string ErrnoText(int err);
