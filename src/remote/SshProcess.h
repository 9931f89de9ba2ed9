#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

// The local ssh process of one remote search: started in a session of its own (no terminal,
// standard input /dev/null), its output read in pieces without ever blocking for longer
// than asked, its standard error kept (the last lines, bounded) and handed over line by
// line. Kill ends it and whatever it started (askpass) at once and reaps it; so does the
// destructor, so no process outlives the search.
class CSshProcess {
public:
    CSshProcess() = default;
    ~CSshProcess() { Kill(); }
    CSshProcess(const CSshProcess&) = delete;
    CSshProcess& operator=(const CSshProcess&) = delete;

    // Runs argv[0] (looked up in PATH) with the environment changed by env (name, value).
    // False with the reason when it could not be started.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env,
               std::string& strError);

    enum class Result { Data, End, Idle, Error };
    // Waits at most wait for output: Data with nRead > 0 bytes in pBuffer, End once the
    // output is closed, Idle when nothing came, Error (with the reason) when it cannot be
    // read. Standard error is taken in meanwhile.
    Result Read(char* pBuffer, std::size_t nSize, std::size_t& nRead, std::chrono::milliseconds wait,
                std::string& strError);
    // After End: waits for the process to exit (taking the rest of its standard error)
    // and returns its exit status, or 128 + the signal that ended it.
    int WaitForExit();
    void Kill();
    pid_t GetPid() const { return m_pid; }

    // Every complete line of standard error, as it comes (without the line end).
    std::function<void(std::string_view line)> m_onErrorLine;
    // The last lines of standard error, at most kTailBytes, ends of lines trimmed.
    std::string GetErrorTail() const;
    static constexpr std::size_t kTailBytes = 2048;

private:
    void DrainErrors(bool bBlock);
    void TakeErrorBytes(const char* p, std::size_t n);

    pid_t m_pid = -1;
    int m_out = -1;  // read ends, owned
    int m_err = -1;
    std::string m_strLine;  // standard error's line being read, bounded
    std::string m_strTail;  // its last bytes
};
