// libFuzzer target for the listing parser: scripts/fuzz builds it with clang and runs it
// over tests/ftp/corpus. A crash, a sanitizer report or a broken rule ends the run.
#include "ListParserCheck.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string why = CheckListing(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        std::abort();
    }
    return 0;
}
