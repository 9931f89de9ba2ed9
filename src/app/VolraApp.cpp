#include "VolraApp.h"

#include "AboutDlg.h"
#include "AppCommands.h"
#include "HistoryKeeper.h"
#include "MainFrame.h"
#include "PrefsBlock.h"
#include "PrefsHistory.h"
#include "PrefsList.h"
#include "PrefsPie.h"
#include "PrefsTree.h"
#include "VolraDocTemplate.h"
#include "doc/VolraDoc.h"
#include "framework/FileChooser.h"
#include "framework/PropertySheet.h"
#include "views/FileTypeInfo.h"
#include "views/VolraPrefs.h"

#include <QCoreApplication>
#include <QTimer>

CVolraApp::CVolraApp() = default;

CVolraApp::~CVolraApp()
{
    m_pTemplate.reset();
    m_pMainFrame.reset();
    m_pHistoryKeeper.reset();
}

const CCmdMap& CVolraApp::ClassCmdMap()
{
    static const CCmdMap map = CCmdMapOf<CVolraApp>(&CCmdTarget::ClassCmdMap())
                                   .On(ID_FILE_NEW, &CVolraApp::OnFileNew)
                                   .On(ID_FILE_OPEN, &CVolraApp::OnFileOpen)
                                   .On(ID_APP_ABOUT, &CVolraApp::OnAppAbout)
                                   .On(ID_PREFERENCES, &CVolraApp::OnPreferences)
                                   .On(ID_APP_EXIT, &CVolraApp::OnAppExit);
    return map;
}

BOOL CVolraApp::InitInstance(const std::string& strFolder, BOOL bShow, BOOL bStartSearch)
{
    AfxGetPrefs().LoadPreferences();
    AfxGetPrefs().CreateFonts();
    m_pHistoryKeeper = std::make_unique<CHistoryKeeper>();
    m_pHistoryKeeper->m_prefs.Load();
    InstallFileTypeIcons();
    m_pMainFrame = std::make_unique<CMainFrame>(this);
    m_pTemplate = std::make_unique<CVolraDocTemplate>(m_pMainFrame.get());
    m_pTemplate->SetHistoryKeeper(m_pHistoryKeeper.get());
    // The main window is up before the first search is offered over it.
    if (bShow)
        m_pMainFrame->show();
    if (bStartSearch) {
        QTimer::singleShot(0, m_pMainFrame.get(), [this, strFolder] {
            if (strFolder.empty())
                OnFileNew();
            else
                m_pTemplate->OpenDocumentFile(strFolder);
        });
    }
    return TRUE;
}

int CVolraApp::ExitInstance()
{
    // A search closed as the program quit (its walk cancelled by the closing main window)
    // leaves its document to be freed by an event loop that no longer runs.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_pHistoryKeeper->CancelAll(CHistoryKeeper::kExitWait);
    // Before the other preferences, which narrow the file's permissions last.
    m_pHistoryKeeper->m_prefs.Save();
    AfxGetPrefs().SavePreferences();
    return 0;
}

void CVolraApp::UpdateAllDocuments()
{
    for (CVolraDoc* pDoc : m_pTemplate->GetDocuments())
        pDoc->UpdateAllViews(nullptr, HINT_REDRAW);
}

void CVolraApp::OnFileNew() { m_pTemplate->OpenDocumentFile(); }

void CVolraApp::OnFileOpen()
{
    const std::string strPath =
        ChooseFilePath(FileChooser::OpenFile, m_pMainFrame.get(), QStringLiteral("Open search"));
    if (!strPath.empty())
        m_pTemplate->OpenSearchFile(strPath);
}

void CVolraApp::OnAppAbout()
{
    CAboutDlg dlg(m_pMainFrame.get());
    dlg.exec();
}

void CVolraApp::OnPreferences()
{
    CPropertySheet sheet(QStringLiteral("Preferences"), m_pMainFrame.get());
    auto* pTree = new CPrefsTree;
    auto* pBlock = new CPrefsBlock;
    CHistoryPrefs& history = m_pHistoryKeeper->m_prefs;
    auto* pHistory = new CPrefsHistory(history.m_bKeep, history.m_nPerFolder, history.m_nSpaceMiB);
    sheet.AddPage(pTree);
    sheet.AddPage(pBlock);
    sheet.AddPage(new CPrefsList);
    sheet.AddPage(new CPrefsPie);
    sheet.AddPage(pHistory);
    if (sheet.DoModal() != IDOK)
        return;
    history.m_bKeep = pHistory->m_bKeep;
    history.m_nPerFolder = pHistory->m_nPerFolder;
    history.m_nSpaceMiB = pHistory->m_nSpaceMiB;
    // Written to the settings file at exit, with the rest.
    CVolraPrefs& prefs = AfxGetPrefs();
    prefs.m_strFontFace = pBlock->m_strFontFace;
    prefs.m_nBorder = pBlock->m_nBorder;
    prefs.m_nFontSizeLarge = pBlock->m_nFontSize;
    prefs.m_bShowSizes = pTree->m_bShowSizes;
    prefs.m_bShowCounts = pTree->m_bShowCounts;
    prefs.CreateFonts();
    UpdateAllDocuments();
}

void CVolraApp::OnAppExit() { m_pMainFrame->close(); }
