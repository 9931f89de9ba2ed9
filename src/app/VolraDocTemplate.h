#pragma once
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CChildFrame;
class CHistoryKeeper;
class CMainFrame;
class CVolraDoc;

// Makes the document and window of each new search: asks which kind of search it is,
// runs it inside a hidden window, and shows the window only once the search has finished.
// New documents are titled Volra1, Volra2, ... until their search gives them a title; a
// search that is cancelled or fails uses no number and leaves nothing behind.
class CVolraDocTemplate : public QObject {
    Q_OBJECT
public:
    explicit CVolraDocTemplate(CMainFrame* pMainFrame);
    ~CVolraDocTemplate() override;

    // A new search, or the search of strFolder without asking (label "Folder <path>"), or,
    // when strFolder names a file, the search saved in it (OpenSearchFile).
    // Returns the document, or null when the user cancelled or the search failed.
    CVolraDoc* OpenDocumentFile(const std::string& strFolder = {});
    // The search saved in strFile (ncdu's export format) in a window of its own, labelled
    // "File <name>"; null when it could not be read (the error has been shown).
    CVolraDoc* OpenSearchFile(const std::string& strFile);
    // The kind of search to make: the "Choose search type" dialog; replaceable for tests.
    std::function<int()> m_chooseSearchType;

    // Who keeps each finished search of this machine for comparison; none by default.
    void SetHistoryKeeper(CHistoryKeeper* pKeeper) { m_pHistoryKeeper = pKeeper; }

    const std::vector<CVolraDoc*>& GetDocuments() const { return m_documents; }
    int GetUntitledCount() const { return m_nUntitledCount; }

private:
    CVolraDoc* CreateNewDocument(const std::string& strFolder);
    // Asks for an ssh:// address (the recent ones offered); null when none was given.
    CVolraDoc* AskSshDocument();
    // Lists the document and shows its window, which held it while it was filled.
    CVolraDoc* AddDocument(std::unique_ptr<CVolraDoc> doc, std::unique_ptr<CChildFrame> frame);
    void RemoveDocument(CVolraDoc* pDoc);

    CMainFrame* m_pMainFrame;  // not owned
    CHistoryKeeper* m_pHistoryKeeper = nullptr;  // not owned
    std::vector<CVolraDoc*> m_documents;  // each document owns itself once shown
    int m_nUntitledCount = 0;
};
