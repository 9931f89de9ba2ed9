#pragma once
#include <QApplication>
#include <QTimer>
#include <QWidget>

// Closes every modal window that comes up while it lives, and counts them, so that a test
// of a path that must never wait for the user fails instead of hanging.
class ModalWatch {
public:
    ModalWatch()
    {
        m_timer.callOnTimeout([this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                ++closed;
                w->close();
            }
        });
        m_timer.start(10);
    }
    int closed = 0;

private:
    QTimer m_timer;
};
