// libFuzzer target for the reader of saved searches: scripts/fuzz builds it with clang and
// runs it over tests/doc/data. A crash, a sanitizer report, or a file that is neither read
// nor refused with a reason ends the run.
#include "doc/NcduReader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The reader takes a path, as the program gives it one.
    char path[] = "/tmp/volra-ncdu-fuzz-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return 0;
    const bool bWritten = ::write(fd, data, size) == static_cast<ssize_t>(size);
    ::close(fd);
    CEntryArena arena;
    CNcduReader reader;
    const CEntry* pRoot = bWritten ? reader.Read(path, arena) : nullptr;
    ::unlink(path);
    if (bWritten && (pRoot == nullptr) == reader.GetError().empty())
        std::abort();
    if (pRoot == nullptr && arena.EntryCount() != 0)
        std::abort();  // a refused file leaves nothing behind
    return 0;
}

// The reader's one use of the platform's error texts, without the rest of the platform.
std::string ErrnoText(int err) { return strerrordesc_np(err); }
