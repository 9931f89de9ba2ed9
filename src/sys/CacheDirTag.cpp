#include "CacheDirTag.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr char kSignature[] = "Signature: 8a477f597d28d172789f06886806bc55";
constexpr std::size_t kSignatureLength = sizeof kSignature - 1;
}  // namespace

bool HasCacheDirTag(int dirFd)
{
    // O_NONBLOCK: a FIFO of that name must not hold the walk up.
    const int fd = ::openat(dirFd, "CACHEDIR.TAG", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st {};
    char head[kSignatureLength];
    std::size_t nRead = 0;
    // A device or a FIFO of that name is no tag, and is never read.
    const bool bRegular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    while (bRegular && nRead < kSignatureLength) {
        const ssize_t got = ::read(fd, head + nRead, kSignatureLength - nRead);
        if (got <= 0)
            break;
        nRead += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return nRead == kSignatureLength && std::memcmp(head, kSignature, kSignatureLength) == 0;
}
