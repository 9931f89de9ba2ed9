#pragma once
// Small services of the windowing layer that the documents use: the main window, the
// event pump of long operations, and the wait cursor. All of them do nothing harmful in a
// program without a QApplication (the headless scan tools).

#include <Qt>

#include <chrono>
#include <ctime>
#include <functional>
#include <string>

class QWidget;

// The frame of every dialog and message box of the program: a title and a close box, and
// never minimise or maximise buttons, whatever a platform would add by default: a dialog
// is answered, not parked or spread over the screen.
inline constexpr Qt::WindowFlags kDialogWindowFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

// The application's main window, or null before it exists (and in headless tools).
QWidget* AfxGetMainWnd();
void AfxSetMainWnd(QWidget* pWnd);

// True when widgets can be shown: a QApplication exists.
bool HaveWidgets();

// A run with nobody at the screen (--snapshot, the benchmarks) may still draw widgets, but
// a modal box would wait for ever: its messages go to standard error instead. A program
// without a QApplication is always headless. SetHeadless returns the previous setting.
bool SetHeadless(bool bHeadless);
bool IsHeadless();

// A message on the main window's status bar, until the next one replaces it; nothing
// without a main window.
void ShowStatusMessage(const std::string& strText);

// Dispatches every pending event, as a long operation on the user-interface thread must.
void PumpMessages();

// Decides when a long loop should pump: at most once per interval. The clock is looked at
// on every call, as one item can take long on a slow file system and the window must not
// wait for the next few. A walk asks a million times, with the items' status read by other
// threads: the coarse clock, which ticks every few milliseconds, costs it a quarter of what
// the fine one does, and an interval a few milliseconds longer is not seen.
class CPumpThrottle {
public:
    using Clock = std::chrono::steady_clock;
    // The coarse monotonic clock, on the scale of Clock (both count from the same start).
    static Clock::time_point CoarseNow()
    {
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
        return Clock::time_point(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
    }
    explicit CPumpThrottle(std::chrono::milliseconds interval = std::chrono::milliseconds(16),
                           Clock::time_point (*now)() = &CoarseNow)
        : m_interval(interval), m_now(now)
    {}
    bool Due()
    {
        if (m_interval.count() == 0)
            return true;
        const auto now = m_now();
        if (now - m_last < m_interval)
            return false;
        m_last = now;
        return true;
    }

private:
    Clock::duration m_interval;
    Clock::time_point (*m_now)();
    Clock::time_point m_last{};
};

// A long operation that pumps events registers itself while it runs. A window that closes,
// or a program that quits, asks every running one to stop instead of freeing what it uses;
// each stops after the step it is taking, and its caller discards what it worked on.
class CLongOperation {
public:
    explicit CLongOperation(std::function<void()> cancel);
    ~CLongOperation();
    CLongOperation(const CLongOperation&) = delete;
    CLongOperation& operator=(const CLongOperation&) = delete;

    static void CancelAll();

private:
    std::function<void()> m_cancel;
};

// The wait cursor, counted: Begin/End nest, Restore puts it back
// after something dispatched during a long operation may have changed it.
void BeginWaitCursor();
void EndWaitCursor();
void RestoreWaitCursor();
