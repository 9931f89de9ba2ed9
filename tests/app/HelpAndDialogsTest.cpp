#include "app/AboutDlg.h"
#include "app/ChooseSearchTypeDlg.h"
#include "app/HelpWindow.h"
#include "doc/DriveSelectDlg.h"
#include "doc/SearchProgressWindow.h"
#include "platform/ErrorText.h"
#include "platform/LastError.h"
#include "platform/UiServices.h"
#include "support/ModalWatch.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <ostream>

// gtest prints a URL that differs as text, not as the bytes of its handle. Internal linkage,
// so that another test file of this program may have its own.
static void PrintTo(const QUrl& url, std::ostream* pOut)
{
    *pOut << '"' << url.toString().toStdString() << '"';
}

namespace {
void Click(QPushButton* pButton) { QTest::mouseClick(pButton, Qt::LeftButton); }

void WriteFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(contents);
}

const QUrl kCompiledIndex(QStringLiteral("qrc:/help/index.html"));
}  // namespace

TEST(Dialogs, EachButtonAndKeyEndsTheDialogWithItsOwnResult)
{
    using D = CChooseSearchTypeDlg;
    const std::tuple<BOOL, std::function<void(D&)>, int> ways[] = {
        {TRUE, [](D& d) { Click(d.GetLocalButton()); }, IDC_LOCAL_DRIVE},
        {TRUE, [](D& d) { Click(d.GetFtpButton()); }, IDC_FTP_ACCOUNT},
        {TRUE, [](D& d) { Click(d.GetCancelButton()); }, IDCANCEL},
        {TRUE, [](D& d) { d.GetCancelButton()->setFocus(); QTest::keyClick(&d, Qt::Key_Return); }, IDC_LOCAL_DRIVE},
        {TRUE, [](D& d) { QTest::keyClick(&d, Qt::Key_Escape); }, IDCANCEL},
        {TRUE, [](D& d) { d.close(); }, IDCANCEL},
        // A greyed FTP button: the click and the mnemonic Alt+A both go nowhere.
        {FALSE, [](D& d) {
             Click(d.GetFtpButton());
             QTest::keyClick(&d, Qt::Key_A, Qt::AltModifier);
             QTest::keyClick(&d, Qt::Key_Escape);
         },
         IDCANCEL},
        {FALSE, [](D& d) { d.EnableFtp(TRUE); Click(d.GetFtpButton()); }, IDC_FTP_ACCOUNT},
    };
    for (const auto& [bFtp, action, result] : ways) {
        D dlg(nullptr, bFtp);
        EXPECT_EQ(RunModal(dlg, [&] { action(dlg); }), result);
    }
    const std::pair<std::function<void(CAboutDlg&)>, int> aboutWays[] = {
        {[](CAboutDlg& d) { Click(d.GetOkButton()); }, IDOK},
        {[](CAboutDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }, IDOK},
        {[](CAboutDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, IDCANCEL},
    };
    for (const auto& [action, result] : aboutWays) {
        CAboutDlg dlg;
        EXPECT_EQ(RunModal(dlg, [&] { action(dlg); }), result);
    }
}

TEST(Dialogs, HaveATitleAndACloseBoxButNoMinimiseOrMaximise)
{
    CAboutDlg about;
    CChooseSearchTypeDlg searchType;
    CDriveSelectDlg drives(nullptr, {});
    CSearchProgressWindow progress(nullptr, {});
    const std::pair<const char*, QWidget*> dialogs[] = {
        {"about", &about}, {"search type", &searchType}, {"drives", &drives}, {"progress", progress.Dialog()}};
    for (const auto& [name, dialog] : dialogs)
        EXPECT_EQ(dialog->windowFlags(), kDialogWindowFlags) << name;

    Qt::WindowFlags boxFlags;
    WhenModal<QDialog>([&boxFlags](QDialog& box) {
        boxFlags = box.windowFlags();
        box.close();
    });
    SetLastError(ERROR_ACCESS_DENIED);
    ReportLastError();
    EXPECT_EQ(boxFlags, kDialogWindowFlags);
}

TEST(HelpLocation, TheFirstFolderHoldingAnIndexWinsInstalledCopyFirst)
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    EXPECT_EQ(CHelpWindow::HelpFolders(),
              (QStringList{QDir::cleanPath(exeDir + "/../share/volra/help"), exeDir + "/help", ":/help"}));
    // A folder named index.html is no page; "bin/../share/volra/help" is given as written,
    // and the URL names the real place.
    QTemporaryDir root;
    const QString empty = root.filePath("empty"), fake = root.filePath("fake"), guide = root.filePath("guide");
    ASSERT_TRUE(QDir().mkpath(empty) && QDir().mkpath(guide) && QDir().mkpath(fake + "/index.html"));
    WriteFile(guide + "/index.html", "<title>guide</title>");
    const QUrl guideIndex = QUrl::fromLocalFile(guide + "/index.html");
    EXPECT_EQ(CHelpWindow::FindHelpIndex({root.filePath("missing"), empty, fake, guide, ":/help"}), guideIndex);
    EXPECT_EQ(CHelpWindow::FindHelpIndex({empty, ":/help", guide}), kCompiledIndex);
    EXPECT_EQ(CHelpWindow::FindHelpIndex({guide + "/../guide"}), guideIndex);
    EXPECT_TRUE(CHelpWindow::FindHelpIndex({empty, fake}).isEmpty());
}

TEST(HelpContents, EveryLinkBetweenThePagesLeadsToACompiledPage)
{
    const auto read = [](const QString& page) {
        QFile file(QStringLiteral(":/help/") + page);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    // A link without a colon stays inside the guide; web addresses go to the desktop's browser.
    const QRegularExpression link(QStringLiteral("href=\"([^\":#]*)(?:#([^\"]*))?\""));
    int links = 0;
    for (const QString& page : QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")})) {
        for (const QRegularExpressionMatch& m : link.globalMatch(read(page))) {
            const QString target = read(m.captured(1).isEmpty() ? page : m.captured(1));
            EXPECT_FALSE(target.isEmpty()) << page.toStdString() << ": " << m.captured(0).toStdString();
            if (m.hasCaptured(2)) {
                EXPECT_TRUE(target.contains(QStringLiteral("id=\"%1\"").arg(m.captured(2))))
                    << page.toStdString() << ": " << m.captured(0).toStdString();
            }
            ++links;
        }
    }
    EXPECT_GT(links, 40);
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

TEST_F(HelpWindowTest, OpensCentredOnItsMainWindowFollowsLinksAndIsReused)
{
    const qsizetype windows = QApplication::topLevelWidgets().size();
    CHelpWindow::ShowHelp(nullptr, {QStringLiteral("/nonexistent/volra/help")});
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows) << "no guide: no window and no message box";

    QWidget mainWindow;
    const QRect area = mainWindow.screen()->availableGeometry();
    QRect centred(QPoint(), area.size() / 2);
    centred.moveCenter(area.center() + QPoint(7, -5));
    mainWindow.setGeometry(centred);
    mainWindow.show();
    // The main frame asks with whatever widget has the focus; the help belongs to its window.
    HtmlHelpDisplayTopic(new QWidget(&mainWindow));
    CHelpWindow* pWindow = CHelpWindow::Instance();
    ASSERT_NE(pWindow, nullptr);
    EXPECT_EQ(pWindow->parentWidget(), &mainWindow);
    EXPECT_TRUE(pWindow->isWindow());
    EXPECT_FALSE(pWindow->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_LE((pWindow->frameGeometry().center() - mainWindow.frameGeometry().center()).manhattanLength(), 1);
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
    mainWindow.setGeometry(QRect(area.bottomRight() - QPoint(50, 50), QSize(300, 200)));
    CHelpWindow::ShowHelp(&mainWindow);
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    EXPECT_TRUE(area.contains(CHelpWindow::Instance()->frameGeometry()));
}
