#pragma once
#include <QMainWindow>
#include <QStringList>
#include <QUrl>

class QAction;
class QTextBrowser;

// The program's help: the HTML user guide in a browser window of its own, opened at its
// default topic (index.html) with Back, Forward and Home. There is one help window; a
// second request raises it and goes back to the default topic. Asked for while a modal
// dialog is up, it opens modal over that dialog, as the dialog blocks every other window.
class CHelpWindow : public QMainWindow {
    Q_OBJECT
public:
    // Shows the guide found in the usual folders (HelpFolders). When no guide is found
    // nothing happens: a missing help file is not worth a message.
    static void ShowHelp(QWidget* pParent);
    // The same with the folders given, tried in order.
    static void ShowHelp(QWidget* pParent, const QStringList& folders);

    // Where the guide is looked for, in order: the installed copy (<prefix>/share/volra/help
    // beside <prefix>/bin/volra), a "help" folder beside the executable, and the copy
    // compiled into the program, so that a build tree always has one.
    static QStringList HelpFolders();
    // index.html of the first folder that holds one, as a URL the browser can load ("qrc:"
    // for the compiled copy); an empty URL when none does.
    static QUrl FindHelpIndex(const QStringList& folders);

    // The open help window, or nullptr.
    static CHelpWindow* Instance();

    QTextBrowser* GetBrowser() const { return m_pBrowser; }
    QAction* GetBackAction() const { return m_pBack; }
    QAction* GetForwardAction() const { return m_pForward; }
    QAction* GetHomeAction() const { return m_pHome; }

private:
    CHelpWindow(QWidget* pParent, const QUrl& home);
    void PlaceOver(const QWidget* pOwner);
    void CreateToolBar();
    void GoHome();
    void OnSourceChanged();

    QUrl m_home;  // the default topic
    QTextBrowser* m_pBrowser = nullptr;
    QAction* m_pBack = nullptr;
    QAction* m_pForward = nullptr;
    QAction* m_pHome = nullptr;
};

// Help > Contents (F1): the guide at its default topic, whatever has the focus.
void HtmlHelpDisplayTopic(QWidget* pParent);
