#pragma once
// Small services of the windowing layer that the documents use: the main window, the
// event pump of long operations, and the wait cursor. All of them do nothing harmful in a
// program without a QApplication (the headless scan tools).

#include <Qt>

#include <chrono>

class QWidget;

// The frame of every dialog and message box of the program: a title and a close box, and
// never minimise or maximise buttons, whatever a platform would add by default: a dialog
// is answered, not parked or spread over the screen.
inline constexpr Qt::WindowFlags kDialogWindowFlags = Qt::Dialog | Qt::CustomizeWindowHint
                                                      | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                                      | Qt::WindowCloseButtonHint;

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

// Dispatches every pending event, as a long operation on the user-interface thread must.
void PumpMessages();

// Decides when a long loop should pump: at most once per interval, while asking the clock
// only every few calls, so that a tight loop pays almost nothing for staying responsive.
class CPumpThrottle {
public:
    explicit CPumpThrottle(std::chrono::milliseconds interval = std::chrono::milliseconds(16))
        : m_interval(interval) {}
    bool Due()
    {
        if (m_interval.count() == 0)
            return true;
        if (++m_calls < kCallsPerClockRead)
            return false;
        m_calls = 0;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last < m_interval)
            return false;
        m_last = now;
        return true;
    }

private:
    static constexpr unsigned kCallsPerClockRead = 32;
    std::chrono::steady_clock::duration m_interval;
    std::chrono::steady_clock::time_point m_last{};
    unsigned m_calls = 0;
};

// The wait cursor, counted like the framework's: Begin/End nest, Restore puts it back
// after something dispatched during a long operation may have changed it.
void BeginWaitCursor();
void EndWaitCursor();
void RestoreWaitCursor();
