#include "UiServices.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QWidget>
#include <utility>

namespace {
QPointer<QWidget> g_mainWnd;
int g_waitDepth = 0;
bool g_headless = false;
}  // namespace

QWidget* AfxGetMainWnd() { return g_mainWnd.data(); }
void AfxSetMainWnd(QWidget* pWnd) { g_mainWnd = pWnd; }

bool HaveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

bool SetHeadless(bool bHeadless) { return std::exchange(g_headless, bHeadless); }
bool IsHeadless() { return g_headless || !HaveWidgets(); }

void PumpMessages()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void BeginWaitCursor()
{
    if (++g_waitDepth == 1 && HaveWidgets())
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void EndWaitCursor()
{
    if (g_waitDepth == 0)
        return;
    if (--g_waitDepth == 0 && HaveWidgets())
        QGuiApplication::restoreOverrideCursor();
}

void RestoreWaitCursor()
{
    if (g_waitDepth > 0 && HaveWidgets()) {
        const QCursor* c = QGuiApplication::overrideCursor();
        if (c == nullptr)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else if (c->shape() != Qt::WaitCursor)
            QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
    }
}
