#pragma once
#include <condition_variable>
#include <mutex>

// Holds every thread that waits at it until the test opens it: a disk or a server that
// does not answer yet.
class Gate {
public:
    void Wait()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_bOpen; });
    }
    void Open()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_bOpen = true;
        }
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bOpen = false;
};
