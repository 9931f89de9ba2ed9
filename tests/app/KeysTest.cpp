#include "AppFixture.h"

#include "app/AppCommands.h"
#include "app/HelpWindow.h"
#include "framework/DisplayText.h"
#include "support/DocHarness.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

// Delete moves the selection to the trash after the usual question; Ctrl+C copies its path,
// as text and, byte for byte, as a file URI. A line edit in the window keeps both keys.
TEST(Keys, DeleteAndCopyActOnTheSelectionAndLeaveLineEditsTheirKeys)
{
    AppFixture f;
    TempTree data;
    const ScopedDataHome home(data.Path("share"));
    const std::string odd = "caf\xe9 x";
    f.tree.File(odd, 10);
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(f.Action(ID_DELETE)->text(), QStringLiteral("&Delete\tDel")) << "the menu names the key";
    f.Frame().show();
    f.Frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Frame()));
    QWidget* view = f.Frame().GetActiveChildFrame()->GetCurrentView();
    view->setFocus();

    doc->SetSelected(Child(doc->GetRoot(), odd));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* pCopied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(pCopied, nullptr);
    const QByteArray uri = "file://" + QByteArray::fromStdString(f.tree.Root()) + "/caf%E9%20x";
    EXPECT_EQ(pCopied->text(), QString::fromUtf8(f.tree.Path(odd)));
    EXPECT_EQ(pCopied->data(QStringLiteral("text/uri-list")), uri + "\r\n");
    EXPECT_EQ(pCopied->data(QStringLiteral("x-special/gnome-copied-files")), "copy\n" + uri);

    std::string question;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        question = box.text().toStdString();
        box.button(QMessageBox::Yes)->click();
    });
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(question, "Move \"" + DisplayText(f.tree.Path(odd)).toStdString() + "\" to the trash?");
    EXPECT_EQ(Child(doc->GetRoot(), odd), nullptr);
    EXPECT_EQ(doc->GetSelected(), doc->GetRoot());

    auto* pEdit = new QLineEdit(QStringLiteral("abc"));
    f.Frame().statusBar()->addWidget(pEdit);
    pEdit->setFocus();
    pEdit->setCursorPosition(0);
    doc->SetSelected(Child(doc->GetRoot(), "top.bin"));
    ModalWatch asked;
    QTest::keyClick(pEdit, Qt::Key_Delete);
    EXPECT_EQ(pEdit->text(), QStringLiteral("bc"));
    pEdit->selectAll();
    QTest::keyClick(pEdit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("bc"));
    EXPECT_EQ(asked.closed, 0);
    EXPECT_NE(Child(doc->GetRoot(), "top.bin"), nullptr);
}

// A modal dialog blocks the main window and its keys; F1 in it opens the guide all the same,
// over the dialog and usable, and closing the guide goes back to the dialog.
TEST(Keys, F1OpensTheGuideFromInsideAModalDialog)
{
    AppFixture f;
    f.Frame().show();
    QDialog dlg(&f.Frame());
    auto* pEdit = new QLineEdit(&dlg);
    QPointer<CHelpWindow> help;
    bool bOnTop = false;
    QWidget* pAfter = nullptr;
    QTimer::singleShot(0, &dlg, [&] {
        pEdit->setFocus();
        QTest::keyClick(pEdit, Qt::Key_F1);
        help = CHelpWindow::Instance();
        bOnTop = help != nullptr && help->isVisible() && QApplication::activeModalWidget() == help;
        if (help != nullptr)
            help->close();
        pAfter = QApplication::activeModalWidget();
        dlg.reject();
    });
    QTimer::singleShot(5000, &dlg, [&dlg] { dlg.done(-1); });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_TRUE(bOnTop);
    EXPECT_EQ(pAfter, &dlg);
}
