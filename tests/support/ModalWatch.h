#pragma once
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// Closes every modal window that comes up while it lives (or only message boxes, leaving
// the dialog under test open), counting them and keeping the texts of message boxes, so
// that a test of a path that must never wait for the user fails instead of hanging.
class ModalWatch {
public:
    explicit ModalWatch(bool bBoxesOnly = false)
    {
        m_timer.callOnTimeout([this, bBoxesOnly] {
            QWidget* w = QApplication::activeModalWidget();
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box != nullptr)
                texts.push_back(box->text().toStdString());
            if (w != nullptr && (box != nullptr || !bBoxesOnly)) {
                ++closed;
                w->close();
            }
        });
        m_timer.start(10);
    }
    int closed = 0;
    std::vector<std::string> texts;

private:
    QTimer m_timer;
};

// Runs actions from inside the next modal dialog's loop, as a user would act on it; a dialog
// (or message box) still open after a while is ended, so that a fault fails the test
// instead of hanging it. Call it, then start the dialog.
template <class Dlg> void WhenModal(const std::function<void(Dlg&)>& actions)
{
    QTimer::singleShot(0, [actions] {
        auto* pDlg = qobject_cast<Dlg*>(QApplication::activeModalWidget());
        if (pDlg == nullptr) {
            ADD_FAILURE() << "no dialog of the expected kind";
            return;
        }
        QTimer::singleShot(5000, pDlg, [pDlg] {
            ADD_FAILURE() << "the dialog was still open";
            while (auto* pModal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                pModal->done(0);
                if (pModal == pDlg)
                    break;
            }
        });
        actions(*pDlg);
    });
}
