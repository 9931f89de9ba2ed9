#include "ThreadStart.h"

#include <atomic>

namespace {
std::atomic<ThreadStartHook> g_startHook{nullptr};
}  // namespace

bool ThreadStartRefused()
{
    const ThreadStartHook hook = g_startHook.load(std::memory_order_relaxed);
    return hook != nullptr && hook();
}

void SetThreadStartHook(ThreadStartHook hook) { g_startHook.store(hook); }
