#include "HelpWindow.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

#include <algorithm>

// The guide and the icon are compiled into this static library; a linker keeps an object of
// a static library only when something refers to it, so the resources are registered here,
// by name, rather than left to their static initialiser. Outside any namespace, as
// Q_INIT_RESOURCE requires.
static void RegisterCompiledResources()
{
    static bool s_bDone = false;
    if (!s_bDone) {
        Q_INIT_RESOURCE(app);
        s_bDone = true;
    }
}

namespace {

constexpr auto kIndexName = "index.html";
constexpr auto kCompiledFolder = ":/help";
constexpr QSize kInitialSize(760, 640);

QPointer<CHelpWindow> s_pInstance;  // the one help window; it deletes itself when closed

}  // namespace

QStringList CHelpWindow::HelpFolders()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(exeDir + QStringLiteral("/../share/volra/help")),
            QDir::cleanPath(exeDir + QStringLiteral("/help")), QString::fromLatin1(kCompiledFolder)};
}

QUrl CHelpWindow::FindHelpIndex(const QStringList& folders)
{
    RegisterCompiledResources();
    for (const QString& folder : folders) {
        const QString index = QDir(folder).filePath(QString::fromLatin1(kIndexName));
        if (!QFileInfo(index).isFile())
            continue;
        // QTextBrowser resolves relative links against the page's URL; ":/x" is a
        // resource path, which as a URL is "qrc:/x".
        if (index.startsWith(QLatin1Char(':')))
            return QUrl(QStringLiteral("qrc") + index);
        return QUrl::fromLocalFile(QFileInfo(index).absoluteFilePath());
    }
    return {};
}

CHelpWindow* CHelpWindow::Instance() { return s_pInstance.data(); }

void CHelpWindow::ShowHelp(QWidget* pParent) { ShowHelp(pParent, HelpFolders()); }

void CHelpWindow::ShowHelp(QWidget* pParent, const QStringList& folders)
{
    const QUrl home = FindHelpIndex(folders);
    if (home.isEmpty())
        return;
    if (!s_pInstance) {
        // Parented to the main window, so that it closes with the program; Qt::Window keeps
        // it a window of its own, not a child widget.
        QWidget* pOwner = pParent ? pParent->window() : nullptr;
        s_pInstance = new CHelpWindow(pOwner, home);
        s_pInstance->PlaceOver(pOwner);
    } else {
        s_pInstance->m_home = home;
    }
    // A modal dialog blocks every window but those shown over it modally: the guide asked
    // for from a dialog is one of those, closed to go back to the dialog. Modality changes
    // at the next show.
    QWidget* pModal = QApplication::activeModalWidget();
    if (pModal != nullptr && pModal != s_pInstance && !s_pInstance->isModal()) {
        s_pInstance->hide();
        s_pInstance->setWindowModality(Qt::ApplicationModal);
    }
    s_pInstance->GoHome();
    s_pInstance->show();
    s_pInstance->raise();
    s_pInstance->activateWindow();
}

CHelpWindow::CHelpWindow(QWidget* pParent, const QUrl& home) : QMainWindow(pParent, Qt::Window), m_home(home)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // An open guide must not keep the program running after its main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Volra Help"));
    m_pBrowser = new QTextBrowser(this);
    m_pBrowser->setOpenExternalLinks(true);  // web links go to the desktop's browser
    setCentralWidget(m_pBrowser);
    CreateToolBar();
    connect(m_pBrowser, &QTextBrowser::sourceChanged, this, &CHelpWindow::OnSourceChanged);
}

// A new help window opens centred on the main window (or the screen) and wholly on that
// screen, smaller than usual where the screen is small; later it stays where the user put it.
void CHelpWindow::PlaceOver(const QWidget* pOwner)
{
    const QScreen* pScreen = pOwner != nullptr ? pOwner->screen() : QGuiApplication::primaryScreen();
    if (pScreen == nullptr)
        return;
    // The desktop's frame around a window is known only once it shows; the main window's
    // own frame is the best guess.
    QMargins frame;
    if (pOwner != nullptr) {
        const QRect inner = pOwner->geometry();
        const QRect outer = pOwner->frameGeometry();
        frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    }
    const QRect area = pScreen->availableGeometry();
    QRect place(QPoint(), kInitialSize.grownBy(frame).boundedTo(area.size()));
    place.moveCenter(pOwner != nullptr ? pOwner->frameGeometry().center() : area.center());
    place.moveLeft(std::clamp(place.left(), area.left(), area.right() + 1 - place.width()));
    place.moveTop(std::clamp(place.top(), area.top(), area.bottom() + 1 - place.height()));
    setGeometry(place.marginsRemoved(frame));
}

void CHelpWindow::CreateToolBar()
{
    QToolBar* pBar = addToolBar(QStringLiteral("Navigation"));
    pBar->setMovable(false);
    pBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    m_pBack =
        pBar->addAction(QIcon::fromTheme(QStringLiteral("go-previous"), style()->standardIcon(QStyle::SP_ArrowBack)),
                        QStringLiteral("&Back"));
    m_pBack->setShortcut(QKeySequence::Back);
    m_pBack->setEnabled(false);
    connect(m_pBack, &QAction::triggered, m_pBrowser, &QTextBrowser::backward);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, m_pBack, &QAction::setEnabled);

    m_pForward =
        pBar->addAction(QIcon::fromTheme(QStringLiteral("go-next"), style()->standardIcon(QStyle::SP_ArrowForward)),
                        QStringLiteral("&Forward"));
    m_pForward->setShortcut(QKeySequence::Forward);
    m_pForward->setEnabled(false);
    connect(m_pForward, &QAction::triggered, m_pBrowser, &QTextBrowser::forward);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, m_pForward, &QAction::setEnabled);

    m_pHome =
        pBar->addAction(QIcon::fromTheme(QStringLiteral("go-home"), style()->standardIcon(QStyle::SP_DirHomeIcon)),
                        QStringLiteral("&Home"));
    m_pHome->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    connect(m_pHome, &QAction::triggered, this, &CHelpWindow::GoHome);

    auto* pClose = new QAction(this);
    pClose->setShortcuts({QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)});
    connect(pClose, &QAction::triggered, this, &QWidget::close);
    addAction(pClose);
}

void CHelpWindow::GoHome()
{
    // Loading the page already shown again would only add it to the history twice.
    if (m_pBrowser->source() == m_home)
        m_pBrowser->verticalScrollBar()->setValue(0);
    else
        m_pBrowser->setSource(m_home);
}

void CHelpWindow::OnSourceChanged()
{
    const QString title = m_pBrowser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Volra Help") : title);
}

void HtmlHelpDisplayTopic(QWidget* pParent) { CHelpWindow::ShowHelp(pParent); }
