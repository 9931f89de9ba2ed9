#include "app/AboutDlg.h"
#include "app/ChooseSearchTypeDlg.h"
#include "app/HelpWindow.h"
#include "framework/UiServices.h"
#include "support/ModalWatch.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <ostream>

// gtest prints a URL that differs as text, not as the bytes of its handle. Internal linkage,
// so that another test file of this program may have its own.
static void PrintTo(const QUrl& url, std::ostream* pOut) { *pOut << '"' << url.toString().toStdString() << '"'; }

namespace {
void Click(QPushButton* pButton) { QTest::mouseClick(pButton, Qt::LeftButton); }

const QUrl kCompiledIndex(QStringLiteral("qrc:/help/index.html"));
}  // namespace

TEST(Dialogs, EachButtonAndKeyEndsTheDialogWithItsOwnResult)
{
    using D = CChooseSearchTypeDlg;
    const std::tuple<BOOL, std::function<void(D&)>, int> ways[] = {
        {TRUE, [](D& d) { Click(d.GetLocalButton()); }, IDC_LOCAL_DRIVE},
        {TRUE, [](D& d) { Click(d.GetFtpButton()); }, IDC_FTP_ACCOUNT},
        {TRUE, [](D& d) { Click(d.GetSshButton()); }, IDC_SSH_ADDRESS},
        {TRUE, [](D& d) { Click(d.GetCancelButton()); }, IDCANCEL},
        {TRUE,
         [](D& d) {
             d.GetCancelButton()->setFocus();
             QTest::keyClick(&d, Qt::Key_Return);
         },
         IDC_LOCAL_DRIVE},
        {TRUE, [](D& d) { QTest::keyClick(&d, Qt::Key_Escape); }, IDCANCEL},
        {TRUE, [](D& d) { d.close(); }, IDCANCEL},
        // A greyed FTP button: the click and the mnemonic Alt+A both go nowhere.
        {FALSE,
         [](D& d) {
             Click(d.GetFtpButton());
             QTest::keyClick(&d, Qt::Key_A, Qt::AltModifier);
             QTest::keyClick(&d, Qt::Key_Escape);
         },
         IDCANCEL},
        {FALSE,
         [](D& d) {
             d.EnableFtp(TRUE);
             Click(d.GetFtpButton());
         },
         IDC_FTP_ACCOUNT},
    };
    for (const auto& [bFtp, action, result] : ways) {
        D dlg(nullptr, bFtp);
        WhenModal<D>(action);
        EXPECT_EQ(dlg.DoModal(), result);
    }
    const std::pair<std::function<void(CAboutDlg&)>, int> aboutWays[] = {
        {[](CAboutDlg& d) { Click(d.GetOkButton()); }, IDOK},
        {[](CAboutDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }, IDOK},
        {[](CAboutDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, IDCANCEL},
    };
    for (const auto& [action, result] : aboutWays) {
        CAboutDlg dlg;
        WhenModal<CAboutDlg>(action);
        EXPECT_EQ(dlg.DoModal(), result);
    }
}

TEST(HelpLocation, TheFirstFolderHoldingAnIndexWins)
{
    // A folder named index.html is no page; "bin/../share/volra/help" is given as written,
    // and the URL names the real place.
    TempTree t;
    t.Dir("empty");
    t.Dir("fake/index.html");
    t.File("guide/index.html", 20);
    const auto at = [&t](const char* relative) { return QString::fromStdString(t.Path(relative)); };
    const QString empty = at("empty"), fake = at("fake"), guide = at("guide");
    const QUrl guideIndex = QUrl::fromLocalFile(guide + "/index.html");
    EXPECT_EQ(CHelpWindow::FindHelpIndex({at("missing"), empty, fake, guide, ":/help"}), guideIndex);
    EXPECT_EQ(CHelpWindow::FindHelpIndex({empty, ":/help", guide}), kCompiledIndex);
    EXPECT_EQ(CHelpWindow::FindHelpIndex({guide + "/../guide"}), guideIndex);
    EXPECT_TRUE(CHelpWindow::FindHelpIndex({empty, fake}).isEmpty());
}

class HelpWindowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (CHelpWindow* pWindow = CHelpWindow::Instance())
            pWindow->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(CHelpWindow::Instance(), nullptr);
    }
};

TEST_F(HelpWindowTest, BelongsToItsMainWindowFollowsLinksAndIsReused)
{
    const qsizetype windows = QApplication::topLevelWidgets().size();
    CHelpWindow::ShowHelp(nullptr, {QStringLiteral("/nonexistent/volra/help")});
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows) << "no guide: no window and no message box";

    QWidget mainWindow;
    mainWindow.show();
    // The main frame asks with whatever widget has the focus; the help belongs to its window.
    HtmlHelpDisplayTopic(new QWidget(&mainWindow));
    CHelpWindow* pWindow = CHelpWindow::Instance();
    ASSERT_NE(pWindow, nullptr);
    EXPECT_EQ(pWindow->parentWidget(), &mainWindow);
    EXPECT_TRUE(pWindow->isWindow());
    EXPECT_FALSE(pWindow->testAttribute(Qt::WA_QuitOnClose));
    QTextBrowser* pBrowser = pWindow->GetBrowser();
    EXPECT_EQ(pBrowser->source(), kCompiledIndex);
    EXPECT_EQ(pWindow->windowTitle(), QStringLiteral("Volra Help"));

    // A click on a link opens the page inside the compiled guide, and the window takes its title.
    QTextCursor cursor = pBrowser->document()->find(QStringLiteral("The search window"));
    ASSERT_TRUE(cursor.charFormat().isAnchor());
    cursor.setPosition(cursor.selectionStart() + 2);
    QTest::mouseClick(pBrowser->viewport(), Qt::LeftButton, Qt::NoModifier, pBrowser->cursorRect(cursor).center());
    const QUrl window(QStringLiteral("qrc:/help/window.html"));
    EXPECT_EQ(pBrowser->source(), window);
    EXPECT_EQ(pWindow->windowTitle(), QStringLiteral("The search window - Volra Help"));
    pWindow->GetBackAction()->trigger();
    EXPECT_EQ(pBrowser->source(), kCompiledIndex);
    EXPECT_FALSE(pWindow->GetBackAction()->isEnabled());
    pWindow->GetForwardAction()->trigger();
    EXPECT_EQ(pBrowser->source(), window);
    pWindow->GetHomeAction()->trigger();
    EXPECT_EQ(pBrowser->source(), kCompiledIndex);

    // A second request shows the same window at its default topic.
    pBrowser->setSource(QUrl(QStringLiteral("files.html")));
    pWindow->hide();
    HtmlHelpDisplayTopic(&mainWindow);
    EXPECT_EQ(CHelpWindow::Instance(), pWindow);
    EXPECT_TRUE(pWindow->isVisible());
    EXPECT_EQ(pBrowser->source(), kCompiledIndex);

    // Near the screen's corner a new window is pulled back wholly onto the screen.
    pWindow->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QRect area = mainWindow.screen()->availableGeometry();
    mainWindow.setGeometry(QRect(area.bottomRight() - QPoint(50, 50), QSize(300, 200)));
    CHelpWindow::ShowHelp(&mainWindow);
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    EXPECT_TRUE(area.contains(CHelpWindow::Instance()->frameGeometry()));
}
