#include "app/AboutDlg.h"
#include "app/ChooseSearchTypeDlg.h"
#include "app/HelpWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <functional>
#include <ostream>

// gtest prints a URL that differs as text, not as the bytes of its handle. Internal linkage,
// so that another test file of this program may have its own.
static void PrintTo(const QUrl& url, std::ostream* pOut)
{
    *pOut << '"' << url.toString().toStdString() << '"';
}

namespace {

// Runs a dialog with the actions done from inside its event loop; a dialog the actions fail
// to close is ended with -1 after a while, so that a fault fails the test instead of hanging it.
int RunModal(QDialog& dlg, const std::function<int()>& doModal, const std::function<void()>& actions)
{
    QTimer::singleShot(0, &dlg, actions);
    QTimer::singleShot(5000, &dlg, [&dlg] {
        ADD_FAILURE() << "the dialog was still open";
        dlg.done(-1);
    });
    return doModal();
}

int RunChoose(CChooseSearchTypeDlg& dlg, const std::function<void()>& actions)
{
    return RunModal(dlg, [&dlg] { return dlg.DoModal(); }, actions);
}

int RunAbout(CAboutDlg& dlg, const std::function<void()>& actions)
{
    return RunModal(dlg, [&dlg] { return dlg.DoModal(); }, actions);
}

void WriteFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(contents);
}

// Clicks the first link whose text is the given one, where the browser shows it.
void ClickLink(QTextBrowser* pBrowser, const QString& text)
{
    QTextCursor cursor = pBrowser->document()->find(text);
    ASSERT_FALSE(cursor.isNull()) << text.toStdString();
    ASSERT_TRUE(cursor.charFormat().isAnchor()) << text.toStdString();
    cursor.setPosition(cursor.selectionStart() + 2);
    const QPoint point = pBrowser->cursorRect(cursor).center();
    QTest::mouseClick(pBrowser->viewport(), Qt::LeftButton, Qt::NoModifier, point);
}

const QUrl kCompiledIndex(QStringLiteral("qrc:/help/index.html"));

}  // namespace

// ---------------------------------------------------------------- Choose search type

TEST(ChooseSearchTypeDlg, HasTheCaptionThreeButtonsAndTheLocalSearchAsDefault)
{
    CChooseSearchTypeDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Choose search type"));
    EXPECT_TRUE(dlg.isModal());
    EXPECT_EQ(dlg.GetLocalButton()->text(), QStringLiteral("Local or Network &Drive"));
    EXPECT_EQ(dlg.GetFtpButton()->text(), QStringLiteral("FTP &Account"));
    EXPECT_EQ(dlg.GetCancelButton()->text(), QStringLiteral("&Cancel"));
    EXPECT_TRUE(dlg.GetLocalButton()->isDefault());
    EXPECT_FALSE(dlg.GetFtpButton()->isDefault());
    EXPECT_FALSE(dlg.GetCancelButton()->isDefault());
    EXPECT_TRUE(dlg.GetFtpButton()->isEnabled());
    EXPECT_EQ(IDC_LOCAL_DRIVE, 1021);
    EXPECT_EQ(IDC_FTP_ACCOUNT, 1022);
}

TEST(ChooseSearchTypeDlg, EachButtonEndsTheDialogWithItsOwnResult)
{
    const struct {
        QPushButton* (CChooseSearchTypeDlg::*button)() const;
        int result;
    } cases[] = {
        {&CChooseSearchTypeDlg::GetLocalButton, IDC_LOCAL_DRIVE},
        {&CChooseSearchTypeDlg::GetFtpButton, IDC_FTP_ACCOUNT},
        {&CChooseSearchTypeDlg::GetCancelButton, IDCANCEL},
    };
    for (const auto& c : cases) {
        CChooseSearchTypeDlg dlg;
        QPushButton* pButton = (dlg.*c.button)();
        EXPECT_EQ(RunChoose(dlg, [pButton] { QTest::mouseClick(pButton, Qt::LeftButton); }), c.result)
            << pButton->text().toStdString();
        EXPECT_FALSE(dlg.isVisible());
    }
}

TEST(ChooseSearchTypeDlg, EnterPicksTheLocalSearchEscapeAndTheCloseBoxCancel)
{
    CChooseSearchTypeDlg enterDlg;
    EXPECT_EQ(RunChoose(enterDlg, [&enterDlg] { QTest::keyClick(&enterDlg, Qt::Key_Return); }), IDC_LOCAL_DRIVE);

    CChooseSearchTypeDlg keypadDlg;
    EXPECT_EQ(RunChoose(keypadDlg, [&keypadDlg] { QTest::keyClick(&keypadDlg, Qt::Key_Enter); }), IDC_LOCAL_DRIVE);

    CChooseSearchTypeDlg escapeDlg;
    EXPECT_EQ(RunChoose(escapeDlg, [&escapeDlg] { QTest::keyClick(&escapeDlg, Qt::Key_Escape); }), IDCANCEL);

    CChooseSearchTypeDlg closeDlg;
    EXPECT_EQ(RunChoose(closeDlg, [&closeDlg] { closeDlg.close(); }), IDCANCEL);
}

TEST(ChooseSearchTypeDlg, AGreyedFtpButtonCannotBeChosen)
{
    CChooseSearchTypeDlg dlg(nullptr, FALSE);
    EXPECT_FALSE(dlg.GetFtpButton()->isEnabled());
    EXPECT_TRUE(dlg.GetLocalButton()->isEnabled());
    // The click and the mnemonic Alt+A both go nowhere; only Escape then ends the dialog.
    bool bStillOpen = false;
    const int result = RunChoose(dlg, [&dlg, &bStillOpen] {
        QTest::mouseClick(dlg.GetFtpButton(), Qt::LeftButton);
        QTest::keyClick(&dlg, Qt::Key_A, Qt::AltModifier);
        bStillOpen = dlg.isVisible();
        QTest::keyClick(&dlg, Qt::Key_Escape);
    });
    EXPECT_TRUE(bStillOpen);
    EXPECT_EQ(result, IDCANCEL);

    dlg.EnableFtp(TRUE);
    EXPECT_TRUE(dlg.GetFtpButton()->isEnabled());
    EXPECT_EQ(RunChoose(dlg, [&dlg] { QTest::mouseClick(dlg.GetFtpButton(), Qt::LeftButton); }), IDC_FTP_ACCOUNT);
}

// ---------------------------------------------------------------- About box

TEST(AboutDlg, ShowsTheCaptionTheVersionAndOk)
{
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("volra"));
    EXPECT_TRUE(dlg.isModal());
    EXPECT_EQ(dlg.GetVersionLabel()->text(), QStringLiteral("Version:"));
    EXPECT_EQ(dlg.GetVersion()->text(), QStringLiteral("1.1"));
    EXPECT_EQ(dlg.GetOkButton()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(dlg.GetOkButton()->isDefault());

    dlg.show();
    // The banner runs across the top, edge to edge; the version sits below it, beside its label.
    const QRect banner = dlg.GetBanner()->geometry();
    EXPECT_EQ(banner.topLeft(), QPoint(0, 0));
    EXPECT_EQ(banner.size(), QSize(CAboutDlg::kBannerWidth, CAboutDlg::kBannerHeight));
    EXPECT_EQ(dlg.width(), CAboutDlg::kBannerWidth);
    EXPECT_GT(dlg.GetVersionLabel()->geometry().top(), banner.bottom());
    EXPECT_GE(dlg.GetVersion()->geometry().left() - dlg.GetVersionLabel()->geometry().right(), 4);
    EXPECT_EQ(dlg.GetVersion()->geometry().center().y(), dlg.GetVersionLabel()->geometry().center().y());
    dlg.hide();
}

TEST(AboutDlg, BannerShowsTheMarkAndTheNameOnItsDarkGround)
{
    const QImage banner = CAboutDlg::DrawBanner(1.0).toImage();
    ASSERT_EQ(banner.size(), QSize(CAboutDlg::kBannerWidth, CAboutDlg::kBannerHeight));
    EXPECT_EQ(banner.pixelColor(0, 0), QColor(0x2c, 0x40, 0x64));
    // The mark fills 64 pixels square at (20, 16): its big blue block, its green and its
    // orange block lie at these points.
    EXPECT_EQ(banner.pixelColor(30, 30), QColor(0x6f, 0x9f, 0xe6));
    EXPECT_EQ(banner.pixelColor(70, 22), QColor(0x67, 0xb9, 0x6a));
    EXPECT_EQ(banner.pixelColor(70, 52), QColor(0xe9, 0x97, 0x4a));
    // The name is written in white to the right of the mark, and only there.
    int whiteRight = 0;
    int whiteLeft = 0;
    for (int y = 0; y < banner.height(); ++y)
        for (int x = 0; x < banner.width(); ++x)
            if (banner.pixelColor(x, y) == Qt::white)
                ++(x > 104 ? whiteRight : whiteLeft);
    EXPECT_GT(whiteRight, 200);
    EXPECT_EQ(whiteLeft, 0);

    // On a high-density screen the banner keeps its logical size with twice the pixels.
    const QPixmap sharp = CAboutDlg::DrawBanner(2.0);
    EXPECT_EQ(sharp.size(), QSize(2 * CAboutDlg::kBannerWidth, 2 * CAboutDlg::kBannerHeight));
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(CAboutDlg::kBannerWidth, CAboutDlg::kBannerHeight));
}

TEST(AboutDlg, OkEndsWithIdokEscapeWithIdcancel)
{
    CAboutDlg okDlg;
    EXPECT_EQ(RunAbout(okDlg, [&okDlg] { QTest::mouseClick(okDlg.GetOkButton(), Qt::LeftButton); }), IDOK);
    CAboutDlg enterDlg;
    EXPECT_EQ(RunAbout(enterDlg, [&enterDlg] { QTest::keyClick(&enterDlg, Qt::Key_Return); }), IDOK);
    CAboutDlg escapeDlg;
    EXPECT_EQ(RunAbout(escapeDlg, [&escapeDlg] { QTest::keyClick(&escapeDlg, Qt::Key_Escape); }), IDCANCEL);
}

// ---------------------------------------------------------------- Help

TEST(HelpLocation, TheInstalledCopyComesFirstThenTheFolderBesideTheProgramThenTheCompiledOne)
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QStringList folders = CHelpWindow::HelpFolders();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders[0], QDir::cleanPath(exeDir + QStringLiteral("/../share/volra/help")));
    EXPECT_EQ(folders[1], exeDir + QStringLiteral("/help"));
    EXPECT_EQ(folders[2], QStringLiteral(":/help"));
    // From the build tree only the compiled copy is there.
    EXPECT_EQ(CHelpWindow::FindHelpIndex(folders), kCompiledIndex);
}

TEST(HelpLocation, TheFirstFolderHoldingAnIndexWins)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QDir dir(root.path());
    for (const char* name : {"empty", "fake", "second", "third"})
        ASSERT_TRUE(dir.mkdir(QString::fromLatin1(name)));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("fake/index.html")));  // a folder of that name is no page
    WriteFile(dir.filePath(QStringLiteral("second/index.html")), "<title>second</title>");
    WriteFile(dir.filePath(QStringLiteral("third/index.html")), "<title>third</title>");
    const QString missing = dir.filePath(QStringLiteral("missing"));
    const QString empty = dir.filePath(QStringLiteral("empty"));
    const QString fake = dir.filePath(QStringLiteral("fake"));
    const QString second = dir.filePath(QStringLiteral("second"));
    const QString third = dir.filePath(QStringLiteral("third"));
    const QUrl secondIndex = QUrl::fromLocalFile(second + QStringLiteral("/index.html"));

    EXPECT_EQ(CHelpWindow::FindHelpIndex({missing, empty, fake, second, third, QStringLiteral(":/help")}), secondIndex);
    EXPECT_EQ(CHelpWindow::FindHelpIndex({third, second}), QUrl::fromLocalFile(third + QStringLiteral("/index.html")));
    EXPECT_EQ(CHelpWindow::FindHelpIndex({empty, QStringLiteral(":/help"), second}), kCompiledIndex);
    // "bin/../share/volra/help" is given as written; the URL names the real place.
    EXPECT_EQ(CHelpWindow::FindHelpIndex({second + QStringLiteral("/../second")}), secondIndex);
    EXPECT_TRUE(CHelpWindow::FindHelpIndex({missing, empty, fake}).isEmpty());
    EXPECT_TRUE(CHelpWindow::FindHelpIndex({}).isEmpty());
}

TEST(HelpContents, EveryLinkBetweenThePagesLeadsToACompiledPage)
{
    const QStringList pages = QDir(QStringLiteral(":/help")).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_EQ(pages.size(), 6) << pages.join(QLatin1Char(' ')).toStdString();
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]*)(#[^\"]*)?\""));
    const QRegularExpression anchor(QStringLiteral("id=\"([^\"]+)\""));
    int links = 0;
    for (const QString& page : pages) {
        QFile file(QStringLiteral(":/help/") + page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(html.contains(QStringLiteral("<title>"))) << page.toStdString();
        for (const QRegularExpressionMatch& m : link.globalMatch(html)) {
            const QString target = m.captured(1).isEmpty() ? page : m.captured(1);
            if (target.contains(QLatin1Char(':')))
                continue;  // a web address, opened by the desktop's browser
            ++links;
            QFile targetFile(QStringLiteral(":/help/") + target);
            ASSERT_TRUE(targetFile.open(QIODevice::ReadOnly)) << page.toStdString() << " -> " << target.toStdString();
            if (m.hasCaptured(2)) {
                const QString id = m.captured(2).mid(1);
                EXPECT_TRUE(QString::fromUtf8(targetFile.readAll()).contains(QStringLiteral("id=\"%1\"").arg(id)))
                    << page.toStdString() << " -> " << target.toStdString() << "#" << id.toStdString();
            }
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

TEST_F(HelpWindowTest, OpensTheGuideAtItsDefaultTopicAndFollowsLinks)
{
    EXPECT_EQ(CHelpWindow::Instance(), nullptr);
    CHelpWindow::ShowHelp(nullptr);
    CHelpWindow* pWindow = CHelpWindow::Instance();
    ASSERT_NE(pWindow, nullptr);
    EXPECT_TRUE(pWindow->isVisible());
    EXPECT_TRUE(pWindow->isWindow());
    QTextBrowser* pBrowser = pWindow->GetBrowser();
    EXPECT_EQ(pBrowser->source(), kCompiledIndex);
    EXPECT_EQ(pBrowser->documentTitle(), QStringLiteral("Volra Help"));
    EXPECT_EQ(pWindow->windowTitle(), QStringLiteral("Volra Help"));
    EXPECT_TRUE(pBrowser->toPlainText().contains(QStringLiteral("Getting started")));
    EXPECT_FALSE(pWindow->GetBackAction()->isEnabled());
    EXPECT_FALSE(pWindow->GetForwardAction()->isEnabled());

    // A click on a link opens the page inside the compiled guide, and the window takes its title.
    ClickLink(pBrowser, QStringLiteral("The search window"));
    EXPECT_EQ(pBrowser->source(), QUrl(QStringLiteral("qrc:/help/window.html")));
    EXPECT_EQ(pWindow->windowTitle(), QStringLiteral("The search window - Volra Help"));
    EXPECT_TRUE(pBrowser->toPlainText().contains(QStringLiteral("Block mode (Alt+B)")));
    EXPECT_TRUE(pWindow->GetBackAction()->isEnabled());

    pWindow->GetBackAction()->trigger();
    EXPECT_EQ(pBrowser->source(), kCompiledIndex);
    EXPECT_EQ(pWindow->windowTitle(), QStringLiteral("Volra Help"));
    EXPECT_FALSE(pWindow->GetBackAction()->isEnabled());
    EXPECT_TRUE(pWindow->GetForwardAction()->isEnabled());

    pWindow->GetForwardAction()->trigger();
    EXPECT_EQ(pBrowser->source(), QUrl(QStringLiteral("qrc:/help/window.html")));
    pWindow->GetHomeAction()->trigger();
    EXPECT_EQ(pBrowser->source(), kCompiledIndex);
    EXPECT_TRUE(pWindow->GetBackAction()->isEnabled());
}

TEST_F(HelpWindowTest, ASecondRequestReusesTheWindowAtTheDefaultTopic)
{
    QWidget mainWindow;
    auto* pChild = new QWidget(&mainWindow);
    mainWindow.show();
    // The main frame asks with whatever widget has the focus; the help belongs to its window.
    HtmlHelpDisplayTopic(pChild);
    CHelpWindow* pFirst = CHelpWindow::Instance();
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst->parentWidget(), &mainWindow);
    EXPECT_TRUE(pFirst->isWindow());
    EXPECT_TRUE(pFirst->isVisible());
    EXPECT_FALSE(pFirst->testAttribute(Qt::WA_QuitOnClose));

    pFirst->GetBrowser()->setSource(QUrl(QStringLiteral("files.html")));
    pFirst->hide();
    HtmlHelpDisplayTopic(&mainWindow);
    EXPECT_EQ(CHelpWindow::Instance(), pFirst);
    EXPECT_TRUE(pFirst->isVisible());
    EXPECT_EQ(pFirst->GetBrowser()->source(), kCompiledIndex);
    int helpWindows = 0;
    for (QWidget* pTop : QApplication::topLevelWidgets())
        helpWindows += qobject_cast<CHelpWindow*>(pTop) != nullptr;
    EXPECT_EQ(helpWindows, 1);

    // Closed, it is gone; the next request makes a new one.
    pFirst->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(CHelpWindow::Instance(), nullptr);
    HtmlHelpDisplayTopic(&mainWindow);
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    EXPECT_EQ(CHelpWindow::Instance()->GetBrowser()->source(), kCompiledIndex);
}

TEST_F(HelpWindowTest, AnInstalledGuideIsPreferredAndNoGuideMeansNoWindow)
{
    const auto visibleWindows = [] {
        QList<QWidget*> visible;
        for (QWidget* pTop : QApplication::topLevelWidgets())
            if (pTop->isVisible())
                visible << pTop;
        return visible;
    };
    const QList<QWidget*> before = visibleWindows();
    CHelpWindow::ShowHelp(nullptr, {QStringLiteral("/nonexistent/volra/help")});
    EXPECT_EQ(CHelpWindow::Instance(), nullptr);
    EXPECT_EQ(visibleWindows(), before);  // no window and no message box

    QTemporaryDir installed;
    ASSERT_TRUE(installed.isValid());
    WriteFile(installed.filePath(QStringLiteral("index.html")),
              "<html><head><title>Installed guide</title></head><body><p>installed</p></body></html>");
    CHelpWindow::ShowHelp(nullptr, {installed.path(), QStringLiteral(":/help")});
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    QTextBrowser* pBrowser = CHelpWindow::Instance()->GetBrowser();
    EXPECT_EQ(pBrowser->source(), QUrl::fromLocalFile(installed.filePath(QStringLiteral("index.html"))));
    EXPECT_EQ(CHelpWindow::Instance()->windowTitle(), QStringLiteral("Installed guide"));
    EXPECT_EQ(pBrowser->toPlainText(), QStringLiteral("installed"));
}
