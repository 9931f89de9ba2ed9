#include "ThreadStart.h"

#include <atomic>
#include <cerrno>
#include <new>
#include <system_error>

namespace {
std::atomic<ThreadStartHook> g_startHook{nullptr};
}  // namespace

std::optional<std::thread> TryStartThread(std::function<void()> body)
{
    try {
        // A refusal takes the very path a failed start takes.
        if (const ThreadStartHook hook = g_startHook.load(std::memory_order_relaxed); hook != nullptr && hook())
            throw std::system_error(EAGAIN, std::generic_category(), "thread start refused");
        return std::thread(std::move(body));
    } catch (const std::system_error&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

void SetThreadStartHook(ThreadStartHook hook) { g_startHook.store(hook); }
