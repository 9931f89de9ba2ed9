#include "UiServices.h"

#include <QApplication>
#include <QCursor>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <QWidget>
#include <algorithm>
#include <utility>
#include <vector>

namespace {
QPointer<QWidget> g_mainWnd;
int g_waitDepth = 0;
bool g_headless = false;
std::vector<CLongOperation*> g_operations;  // not owned: each removes itself as it ends
}  // namespace

QWidget* AfxGetMainWnd() { return g_mainWnd.data(); }
void AfxSetMainWnd(QWidget* pWnd) { g_mainWnd = pWnd; }

bool HaveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

bool SetHeadless(bool bHeadless) { return std::exchange(g_headless, bHeadless); }
bool IsHeadless() { return g_headless || !HaveWidgets(); }

void ShowStatusMessage(const std::string& strText)
{
    // Paths are not part of such a message, so its bytes are plain text.
    if (auto* pMain = qobject_cast<QMainWindow*>(AfxGetMainWnd()))
        pMain->statusBar()->showMessage(QString::fromStdString(strText));
}

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

CLongOperation::CLongOperation(std::function<void()> cancel) : m_cancel(std::move(cancel))
{
    g_operations.push_back(this);
}

CLongOperation::~CLongOperation()
{
    g_operations.erase(std::remove(g_operations.begin(), g_operations.end(), this), g_operations.end());
}

void CLongOperation::CancelAll()
{
    for (CLongOperation* p : std::vector<CLongOperation*>(g_operations))
        if (p->m_cancel)
            p->m_cancel();
}
