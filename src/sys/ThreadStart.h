#pragma once
#include <cerrno>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

// Whether a test refuses the next thread start (SetThreadStartHook).
bool ThreadStartRefused();

// Starts a thread running body, or says that none could be started: a process near its
// limit of processes (RLIMIT_NPROC) or of address space (RLIMIT_AS) cannot have another,
// and the caller carries on with the threads it has instead of ending the program. body is
// moved into the thread, never copied, so whatever it carries was allocated beforehand.
template <class Body> std::optional<std::thread> TryStartThread(Body&& body)
{
    try {
        // A refusal takes the very path a failed start takes.
        if (ThreadStartRefused())
            throw std::system_error(EAGAIN, std::generic_category(), "thread start refused");
        return std::thread(std::forward<Body>(body));
    } catch (const std::system_error&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// Tests refuse thread starts at chosen moments, as a system at its limit would: the hook is
// asked before every start and answers true to refuse it.
using ThreadStartHook = bool (*)();
void SetThreadStartHook(ThreadStartHook hook);
