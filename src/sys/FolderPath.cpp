#include "FolderPath.h"

#include "LastError.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

bool ResolveFolder(const std::string& strPath, std::string& strFolder, std::string& strError)
{
    if (strPath.empty()) {
        strError = "an empty path names no folder";
        return false;
    }
    char* resolved = ::realpath(strPath.c_str(), nullptr);
    int err = resolved == nullptr ? errno : 0;
    if (resolved != nullptr) {
        strFolder = resolved;
        std::free(resolved);
        struct stat st {};
        if (::stat(strFolder.c_str(), &st) != 0)
            err = errno;
        else if (!S_ISDIR(st.st_mode))
            err = ENOTDIR;
    }
    if (err != 0)
        strError = strPath + ": " + ErrnoText(err);
    return err == 0;
}
