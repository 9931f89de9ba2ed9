#include "doc/SearchAnimation.h"
#include "doc/SearchProgressDlg.h"
#include "doc/SearchProgressWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <memory>

namespace {

QLabel* Label(const CSearchProgressDlg& dlg, const char* name)
{
    QWidget* pWnd = dlg.GetWindow();
    return pWnd != nullptr ? pWnd->findChild<QLabel*>(QLatin1String(name)) : nullptr;
}

QString Text(const CSearchProgressDlg& dlg, const char* name)
{
    QLabel* pLabel = Label(dlg, name);
    return pLabel != nullptr ? pLabel->text() : QStringLiteral("<no label>");
}

// The directory label holds the path broken into lines; joined again it is the path.
QString Unwrapped(const CSearchProgressDlg& dlg)
{
    return Text(dlg, CSearchProgressWindow::kCurrentDirName).remove(QLatin1Char('\n'));
}

void PressKey(QWidget* pTarget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &release);
}

void PumpFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

TEST(SearchProgressDlg, ShowsTheFieldsOnlyWhenPushed)
{
    CSearchProgressDlg dlg;
    dlg.Create(nullptr);
    QWidget* pWnd = dlg.GetWindow();
    ASSERT_NE(pWnd, nullptr);
    EXPECT_EQ(pWnd->windowTitle(), QStringLiteral("Search in progress"));
    EXPECT_TRUE(pWnd->isVisible());
    EXPECT_FALSE(pWnd->isModal());
    EXPECT_EQ(pWnd->minimumSize(), pWnd->maximumSize());
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kFilesName), QString());
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kDirectoriesName), QString());
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kCurrentDirName), QString());

    dlg.m_strFiles = "12345";
    dlg.m_strDirectories = "678";
    dlg.m_strCurrentDir = "/srv/Tom & Jerry/caf\xe9";
    // Writing the fields alone shows nothing; UpdateData(TRUE) never touches them.
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kFilesName), QString());
    dlg.UpdateData(TRUE);
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kFilesName), QString());
    EXPECT_EQ(dlg.m_strFiles, "12345");
    dlg.UpdateData(FALSE);
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kFilesName), QStringLiteral("12345"));
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kDirectoriesName), QStringLiteral("678"));
    // The byte that is not UTF-8 shows as a replacement character; the field keeps it.
    EXPECT_EQ(Unwrapped(dlg), QStringLiteral("/srv/Tom & Jerry/caf\uFFFD"));
    EXPECT_EQ(dlg.m_strCurrentDir, "/srv/Tom & Jerry/caf\xe9");
    // The ampersand is text, not a shortcut marker.
    QLabel* pDir = Label(dlg, CSearchProgressWindow::kCurrentDirName);
    ASSERT_NE(pDir, nullptr);
    EXPECT_EQ(pDir->textFormat(), Qt::PlainText);
    EXPECT_EQ(pDir->buddy(), nullptr);
    EXPECT_FALSE(dlg.m_bCancelled);
}

TEST(SearchProgressDlg, BreaksLongPathsToFitTheLabel)
{
    CSearchProgressDlg dlg;
    dlg.Create(nullptr);
    const std::string longName(120, 'x');
    dlg.m_strCurrentDir = "/home/ann/" + longName + "/more words here/" + std::string(40, 'y');
    dlg.UpdateData(FALSE);
    QLabel* pDir = Label(dlg, CSearchProgressWindow::kCurrentDirName);
    ASSERT_NE(pDir, nullptr);
    const QStringList lines = pDir->text().split(QLatin1Char('\n'));
    EXPECT_GE(lines.size(), 3);
    EXPECT_EQ(lines.join(QString()), QString::fromStdString(dlg.m_strCurrentDir));
    const QFontMetrics fm(pDir->font());
    const int room = pDir->contentsRect().width() - pDir->indent();
    for (const QString& line : lines)
        EXPECT_LE(fm.horizontalAdvance(line), room) << line.toStdString();
    // A short path stays on one line.
    dlg.m_strCurrentDir = "/home";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(pDir->text(), QStringLiteral("/home"));
}

TEST(SearchProgressDlg, CancelEscapeAndCloseBoxEachCancelAndHide)
{
    enum class Way { Button, Escape, CloseBox };
    for (Way way : {Way::Button, Way::Escape, Way::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(way));
        CSearchProgressDlg dlg;
        dlg.Create(nullptr);
        QWidget* pWnd = dlg.GetWindow();
        ASSERT_NE(pWnd, nullptr);
        auto* pCancel = pWnd->findChild<QPushButton*>(QLatin1String(CSearchProgressWindow::kCancelName));
        ASSERT_NE(pCancel, nullptr);
        EXPECT_EQ(pCancel->text(), QStringLiteral("Cancel"));
        if (way == Way::Button)
            pCancel->click();
        else if (way == Way::Escape)
            PressKey(pWnd, Qt::Key_Escape);
        else
            pWnd->close();
        EXPECT_TRUE(dlg.m_bCancelled);
        // Hidden, not destroyed: the walk destroys it when it has stopped.
        ASSERT_EQ(dlg.GetWindow(), pWnd);
        EXPECT_FALSE(pWnd->isVisible());
        dlg.DestroyWindow();
        EXPECT_EQ(dlg.GetWindow(), nullptr);
        EXPECT_TRUE(dlg.m_bCancelled);
    }
}

TEST(SearchProgressDlg, KeepsItsFieldsBetweenWindows)
{
    CSearchProgressDlg dlg;
    dlg.Create(nullptr);
    dlg.m_strFiles = "10";
    dlg.m_strDirectories = "2";
    dlg.m_strCurrentDir = "/data/last";
    dlg.UpdateData(FALSE);
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.GetWindow(), nullptr);
    EXPECT_EQ(dlg.m_strFiles, "10");
    // A refresh opens a new window that starts from the previous final figures.
    dlg.Create(nullptr);
    ASSERT_NE(dlg.GetWindow(), nullptr);
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kFilesName), QStringLiteral("10"));
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kDirectoriesName), QStringLiteral("2"));
    EXPECT_EQ(Unwrapped(dlg), QStringLiteral("/data/last"));
    dlg.m_strFiles = "11";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(Text(dlg, CSearchProgressWindow::kFilesName), QStringLiteral("11"));
}

TEST(SearchProgressDlg, StaysUsableOverADisabledMainWindow)
{
    QWidget main;
    main.setGeometry(200, 150, 900, 700);
    main.show();
    CSearchProgressDlg dlg;
    dlg.Create(&main);
    QWidget* pWnd = dlg.GetWindow();
    ASSERT_NE(pWnd, nullptr);
    EXPECT_TRUE(pWnd->isWindow());
    EXPECT_EQ(pWnd->parentWidget(), &main);
    // Centred over the main window.
    const QPoint offset = pWnd->geometry().center() - main.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();

    main.setEnabled(false);
    EXPECT_FALSE(main.isEnabled());
    EXPECT_TRUE(pWnd->isEnabled());
    auto* pCancel = pWnd->findChild<QPushButton*>(QLatin1String(CSearchProgressWindow::kCancelName));
    ASSERT_NE(pCancel, nullptr);
    EXPECT_TRUE(pCancel->isEnabled());
    PressKey(pWnd, Qt::Key_Escape);
    EXPECT_TRUE(dlg.m_bCancelled);
    main.setEnabled(true);
    dlg.DestroyWindow();
}

TEST(SearchProgressDlg, SurvivesItsParentAndWorksWithoutWindow)
{
    CSearchProgressDlg headless;
    headless.m_strFiles = "5";
    headless.UpdateData(FALSE);
    EXPECT_EQ(headless.GetWindow(), nullptr);
    headless.OnCancel();
    EXPECT_TRUE(headless.m_bCancelled);
    headless.DestroyWindow();

    CSearchProgressDlg dlg;
    auto pMain = std::make_unique<QWidget>();
    pMain->show();
    dlg.Create(pMain.get());
    ASSERT_NE(dlg.GetWindow(), nullptr);
    pMain.reset();  // the main window takes its child dialog with it
    EXPECT_EQ(dlg.GetWindow(), nullptr);
    dlg.m_strFiles = "7";
    dlg.UpdateData(FALSE);
    dlg.OnCancel();
    EXPECT_TRUE(dlg.m_bCancelled);
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.m_strFiles, "7");
}

TEST(SearchProgressDlg, ControlsFitWithoutOverlapping)
{
    CSearchProgressDlg dlg;
    dlg.Create(nullptr);
    QWidget* pWnd = dlg.GetWindow();
    ASSERT_NE(pWnd, nullptr);
    auto* pTotals = pWnd->findChild<QGroupBox*>();
    ASSERT_NE(pTotals, nullptr);
    EXPECT_EQ(pTotals->title(), QStringLiteral("Totals"));
    std::vector<QWidget*> controls;
    for (QWidget* pChild : pWnd->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(pWnd->rect().contains(pChild->geometry())) << pChild->objectName().toStdString();
        if (pChild != pTotals)
            controls.push_back(pChild);
    }
    ASSERT_EQ(controls.size(), 8u);  // animation, three captions, three values, Cancel
    for (std::size_t i = 0; i < controls.size(); ++i)
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " / " << controls[j]->objectName().toStdString();
    QStringList statics;
    for (QLabel* pLabel : pWnd->findChildren<QLabel*>())
        if (pLabel->objectName().isEmpty())
            statics << pLabel->text();
    statics.sort();
    EXPECT_EQ(statics, (QStringList{"Directories searched", "Files found", "Now searching..."}));
}

TEST(SearchProgressDlg, AnimatesWhileShown)
{
    CSearchProgressDlg dlg;
    dlg.Create(nullptr);
    QWidget* pWnd = dlg.GetWindow();
    ASSERT_NE(pWnd, nullptr);
    auto* pAnim = pWnd->findChild<CSearchAnimation*>(QLatin1String(CSearchProgressWindow::kAnimationName));
    ASSERT_NE(pAnim, nullptr);
    EXPECT_GE(pAnim->width(), CSearchAnimation::kSceneWidth - 8);
    EXPECT_TRUE(pAnim->IsRunning());

    // Every frame differs from the one before it, and the sequence loops.
    pAnim->SetFrame(0);
    QImage previous = pAnim->grab().toImage();
    for (int i = 1; i <= CSearchAnimation::kFrameCount; ++i) {
        pAnim->Advance();
        EXPECT_EQ(pAnim->Frame(), i % CSearchAnimation::kFrameCount);
        const QImage current = pAnim->grab().toImage();
        EXPECT_NE(current, previous) << "frame " << i;
        previous = current;
    }
    pAnim->SetFrame(0);
    EXPECT_EQ(previous, pAnim->grab().toImage());

    // The timer moves it while events are dispatched, and stops when the window hides.
    PumpFor(3 * CSearchAnimation::kFrameIntervalMs);
    EXPECT_NE(pAnim->Frame(), 0);
    dlg.OnCancel();
    EXPECT_FALSE(pAnim->IsRunning());
}
