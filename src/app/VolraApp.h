#pragma once
#include "SearchPrefs.h"
#include "framework/CmdTarget.h"

#include <memory>
#include <string>

class CHistoryKeeper;
class CTrashCommands;
class CMainFrame;
class CVolraDocTemplate;

// The application: reads the preferences and builds the shared fonts, makes the main
// window and the document template, carries out the command line, and writes the
// preferences back at exit. It handles the commands that need no window of their own.
class CVolraApp : public CCmdTarget {
public:
    CVolraApp();
    ~CVolraApp() override;

    // strFolder empty: a new search is offered at once; otherwise that folder is searched,
    // or, when it names a file, the search saved in it is opened.
    // bShow FALSE keeps the main window hidden (tests).
    BOOL InitInstance(const std::string& strFolder, BOOL bShow = TRUE, BOOL bStartSearch = TRUE);
    int ExitInstance();

    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
    CVolraDocTemplate* GetDocTemplate() const { return m_pTemplate.get(); }
    CHistoryKeeper* GetHistoryKeeper() const { return m_pHistoryKeeper.get(); }
    // What the command line leaves out, kept to beside the preferences' patterns.
    void SetCommandLineExcludes(CExcludeRules rules) { m_commandLineExcludes = std::move(rules); }

    // Every view of every open search redraws: the preferences changed.
    void UpdateAllDocuments();

    void OnFileNew();
    // "Open search...": a file in ncdu's export format, opened as a search window of its own.
    void OnFileOpen();
    void OnAppAbout();
    // The Preferences sheet; OK takes its values, rebuilds the label fonts and redraws
    // every open search at once.
    void OnPreferences();
    void OnAppExit();
    // Undo and "Empty what Volra trashed" (CTrashCommands): a batch may span windows.
    void OnEditUndo();
    void OnUpdateEditUndo(CCmdUI* pCmdUI);
    void OnEmptyVolraTrash();

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }

private:
    CSearchPrefs m_searchPrefs;
    CExcludeRules m_commandLineExcludes;
    std::unique_ptr<CHistoryKeeper> m_pHistoryKeeper;  // outlives the windows it keeps searches of
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CVolraDocTemplate> m_pTemplate;
    std::unique_ptr<CTrashCommands> m_pTrashCommands;
};
