#pragma once
#include <functional>
#include <optional>
#include <thread>

// Starts a thread, or says that none could be started: a process near its limit of
// processes (RLIMIT_NPROC) or of address space (RLIMIT_AS) cannot have another, and the
// caller carries on with the threads it has instead of ending the program.
std::optional<std::thread> TryStartThread(std::function<void()> body);

// Tests refuse thread starts at chosen moments, as a system at its limit would: the hook is
// asked before every start and answers true to refuse it.
using ThreadStartHook = bool (*)();
void SetThreadStartHook(ThreadStartHook hook);
