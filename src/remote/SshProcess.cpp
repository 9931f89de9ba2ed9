#include "SshProcess.h"

#include "sys/LastError.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
constexpr std::size_t kMaxLine = 4096;  // a longer line of standard error is cut

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::vector<std::string> MergedEnvironment(const std::vector<std::pair<std::string, std::string>>& env)
{
    std::vector<std::string> merged;
    for (char** p = environ; *p != nullptr; ++p) {
        const std::string_view entry(*p);
        bool bReplaced = false;
        for (const auto& [name, value] : env)
            bReplaced = bReplaced
                || (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0
                    && entry[name.size()] == '=');
        if (!bReplaced)
            merged.emplace_back(entry);
    }
    for (const auto& [name, value] : env)
        merged.push_back(name + "=" + value);
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}
}  // namespace

bool CSshProcess::Start(const std::vector<std::string>& argv,
                        const std::vector<std::pair<std::string, std::string>>& env, std::string& strError)
{
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        strError = ErrnoText(errno);
        CloseFd(out[0]);
        CloseFd(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    // A session of its own: no terminal to ask on, and one signal ends ssh and its askpass.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> args = argv;
    std::vector<std::string> envStrings = MergedEnvironment(env);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(envStrings);
    const int rc = ::posix_spawnp(&m_pid, argp[0], &actions, &attr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    CloseFd(out[1]);
    CloseFd(err[1]);
    if (rc != 0) {
        m_pid = -1;
        CloseFd(out[0]);
        CloseFd(err[0]);
        strError = argv[0] + ": " + ErrnoText(rc);
        return false;
    }
    m_out = out[0];
    m_err = err[0];
    ::fcntl(m_out, F_SETFL, O_NONBLOCK);
    ::fcntl(m_err, F_SETFL, O_NONBLOCK);
    return true;
}

CSshProcess::Result CSshProcess::Read(char* pBuffer, std::size_t nSize, std::size_t& nRead,
                                      std::chrono::milliseconds wait, std::string& strError)
{
    nRead = 0;
    if (m_out < 0)
        return Result::End;
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    const int n = ::poll(fds, m_err >= 0 ? 2 : 1, static_cast<int>(wait.count()));
    if (n < 0 && errno != EINTR) {
        strError = ErrnoText(errno);
        return Result::Error;
    }
    if (m_err >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0)
        DrainErrors(false);
    if (n <= 0 || (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
        return Result::Idle;
    const ssize_t got = ::read(m_out, pBuffer, nSize);
    if (got > 0) {
        nRead = static_cast<std::size_t>(got);
        return Result::Data;
    }
    if (got == 0) {
        CloseFd(m_out);
        return Result::End;
    }
    if (errno == EAGAIN || errno == EINTR)
        return Result::Idle;
    strError = ErrnoText(errno);
    return Result::Error;
}

void CSshProcess::DrainErrors(bool bBlock)
{
    char buffer[4096];
    while (m_err >= 0) {
        if (bBlock) {
            pollfd fd = {m_err, POLLIN, 0};
            ::poll(&fd, 1, 1000);  // ssh has ended: whatever it left is there already
        }
        const ssize_t got = ::read(m_err, buffer, sizeof buffer);
        if (got > 0) {
            TakeErrorBytes(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR) && !bBlock)
            return;
        if (!m_strLine.empty())
            TakeErrorBytes("\n", 1);
        CloseFd(m_err);
    }
}

void CSshProcess::TakeErrorBytes(const char* p, std::size_t n)
{
    m_strTail.append(p, n);
    if (m_strTail.size() > 2 * kTailBytes)
        m_strTail.erase(0, m_strTail.size() - kTailBytes);
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != '\n') {
            if (m_strLine.size() < kMaxLine)
                m_strLine += p[i];
            continue;
        }
        if (m_onErrorLine)
            m_onErrorLine(m_strLine);
        m_strLine.clear();
    }
}

std::string CSshProcess::GetErrorTail() const
{
    std::string tail = m_strTail.size() > kTailBytes ? m_strTail.substr(m_strTail.size() - kTailBytes) : m_strTail;
    if (m_strTail.size() > kTailBytes) {
        const std::size_t lineStart = tail.find('\n');
        if (lineStart != std::string::npos)
            tail.erase(0, lineStart + 1);  // whole lines only
    }
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' '))
        tail.pop_back();
    return tail;
}

int CSshProcess::WaitForExit()
{
    DrainErrors(true);
    if (m_pid < 0)
        return -1;
    // The output is closed, so ssh is ending: a few seconds, not for ever.
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 500 && done == 0; ++i) {
        done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == 0)
            ::usleep(10000);
    }
    if (done != m_pid) {
        Kill();
        return 128 + SIGKILL;
    }
    m_pid = -1;
    CloseFd(m_out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void CSshProcess::Kill()
{
    if (m_pid > 0) {
        ::kill(-m_pid, SIGKILL);  // its own process group: ssh and anything it started
        ::kill(m_pid, SIGKILL);
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {}
        m_pid = -1;
    }
    CloseFd(m_out);
    CloseFd(m_err);
}
