#pragma once
#include <sys/fsuid.h>
#include <unistd.h>

// While it lives, file access on this thread is checked as an ordinary user, so that
// permission bits bite even when the tests run as root (CI does). Changing the file-system
// user id away from 0 drops the capabilities that override permissions; changing it back
// restores them.
class Unprivileged {
public:
    static constexpr uid_t kNobody = 65534;
    Unprivileged() : m_active(::geteuid() == 0)
    {
        if (m_active)
            ::setfsuid(kNobody);
    }
    ~Unprivileged()
    {
        if (m_active)
            ::setfsuid(0);
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

private:
    bool m_active;
};
