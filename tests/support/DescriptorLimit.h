#pragma once
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/resource.h>

// Descriptors this process has open, less the one the count itself uses.
inline std::size_t OpenDescriptors()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}) - 1;
}

// RLIMIT_NOFILE lowered while it lives, to what is open now and nFree more: a low `ulimit -n`.
struct ScopedDescriptorLimit {
    rlimit saved{};
    explicit ScopedDescriptorLimit(std::size_t nFree)
    {
        ::getrlimit(RLIMIT_NOFILE, &saved);
        rlimit low = saved;
        low.rlim_cur = OpenDescriptors() + nFree;
        EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    }
    ~ScopedDescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &saved); }
    ScopedDescriptorLimit(const ScopedDescriptorLimit&) = delete;
    ScopedDescriptorLimit& operator=(const ScopedDescriptorLimit&) = delete;
};
