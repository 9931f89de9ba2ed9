#include "doc/SearchProgressDlg.h"
#include "doc/SearchProgressWindow.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {
QLabel* Label(const CSearchProgressDlg& dlg, const char* name)
{
    return dlg.GetWindow()->findChild<QLabel*>(QLatin1String(name));
}

// The three fields as shown: files, directories, and the path with its line breaks taken out.
QStringList Shown(const CSearchProgressDlg& dlg)
{
    QStringList texts;
    for (const char* name : {CSearchProgressWindow::kFilesName, CSearchProgressWindow::kDirectoriesName,
                             CSearchProgressWindow::kCurrentDirName})
        texts << Label(dlg, name)->text().remove(QLatin1Char('\n'));
    return texts;
}
}  // namespace

TEST(SearchProgressDlg, ShowsTheFieldsWhenPushedAndKeepsThemBetweenWindows)
{
    CSearchProgressDlg dlg;
    dlg.Create(nullptr);
    EXPECT_TRUE(dlg.GetWindow()->isVisible());
    EXPECT_FALSE(dlg.GetWindow()->isModal()) << "the walk goes on while it shows";
    dlg.m_strFiles = "12345";
    dlg.m_strDirectories = "678";
    dlg.m_strCurrentDir = "/srv/Tom & Jerry/odd\nname/caf\xe9";
    EXPECT_EQ(Shown(dlg), (QStringList{"", "", ""})) << "not before they are pushed";
    dlg.UpdateData(FALSE);
    // The byte that is not UTF-8 shows as a replacement character, the newline as "?"; the
    // field keeps both. The ampersand is text, not a shortcut marker.
    EXPECT_EQ(Shown(dlg), (QStringList{"12345", "678", "/srv/Tom & Jerry/odd?name/caf\uFFFD"}));
    EXPECT_EQ(dlg.m_strCurrentDir, "/srv/Tom & Jerry/odd\nname/caf\xe9");
    QLabel* pDir = Label(dlg, CSearchProgressWindow::kCurrentDirName);
    EXPECT_EQ(pDir->textFormat(), Qt::PlainText);

    // A long path is broken into lines that fit the label; a short one stays on one line.
    dlg.m_strCurrentDir = "/home/ann/" + std::string(120, 'x') + "/more words here/" + std::string(40, 'y');
    dlg.UpdateData(FALSE);
    const QStringList lines = pDir->text().split(QLatin1Char('\n'));
    EXPECT_GE(lines.size(), 3);
    EXPECT_EQ(lines.join(QString()), QString::fromStdString(dlg.m_strCurrentDir));
    for (const QString& line : lines)
        EXPECT_LE(pDir->fontMetrics().horizontalAdvance(line), pDir->contentsRect().width() - pDir->indent())
            << line.toStdString();
    // A path thousands of levels deep: only what the box can show is laid out.
    dlg.m_strCurrentDir = std::string(200000, 'd');
    dlg.UpdateData(FALSE);
    EXPECT_LT(pDir->text().size(), 2000);
    dlg.m_strCurrentDir = "/home";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(pDir->text(), QStringLiteral("/home"));

    // A refresh opens a new window that starts from the previous final figures.
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.GetWindow(), nullptr);
    dlg.Create(nullptr);
    EXPECT_EQ(Shown(dlg), (QStringList{"12345", "678", "/home"}));
    EXPECT_FALSE(dlg.m_bCancelled);
}

TEST(SearchProgressDlg, CancelEscapeAndCloseBoxWorkOverTheDisabledMainWindow)
{
    auto main = std::make_unique<QWidget>();
    main->show();
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        CSearchProgressDlg dlg;
        dlg.Create(main.get());
        QWidget* pWnd = dlg.GetWindow();
        auto* pCancel = pWnd->findChild<QPushButton*>(QLatin1String(CSearchProgressWindow::kCancelName));
        // The walk disables the main window while it runs; the dialog stays usable.
        main->setEnabled(false);
        EXPECT_TRUE(pCancel->isEnabled());
        if (way == 0)
            pCancel->click();
        else if (way == 1)
            QTest::keyClick(pWnd, Qt::Key_Escape);
        else
            pWnd->close();
        main->setEnabled(true);
        EXPECT_TRUE(dlg.m_bCancelled);
        // Hidden, not destroyed: the walk destroys it when it has stopped.
        EXPECT_EQ(dlg.GetWindow(), pWnd);
        EXPECT_FALSE(pWnd->isVisible());
    }
    // The main window may go first and take the dialog with it; the object copes.
    CSearchProgressDlg dlg;
    dlg.Create(main.get());
    main.reset();
    EXPECT_EQ(dlg.GetWindow(), nullptr);
    dlg.UpdateData(FALSE);
    dlg.OnCancel();
    EXPECT_TRUE(dlg.m_bCancelled);
}
