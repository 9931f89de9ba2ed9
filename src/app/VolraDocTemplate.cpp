#include "VolraDocTemplate.h"

#include "ChildFrame.h"
#include "ChooseSearchTypeDlg.h"
#include "HistoryKeeper.h"
#include "MainFrame.h"
#include "doc/DriveVolraDoc.h"
#include "doc/FileVolraDoc.h"
#include "ftp/FtpUrl.h"
#include "ftp/FtpVolraDoc.h"
#include "remote/SshAddressDlg.h"
#include "remote/SshVolraDoc.h"

#include <algorithm>
#include <memory>

CVolraDocTemplate::CVolraDocTemplate(CMainFrame* pMainFrame) : m_pMainFrame(pMainFrame)
{
    m_chooseSearchType = [this] {
        CChooseSearchTypeDlg dlg(m_pMainFrame);
        return dlg.DoModal();
    };
}

CVolraDocTemplate::~CVolraDocTemplate() = default;

CVolraDoc* CVolraDocTemplate::CreateNewDocument(const std::string& strFolder)
{
    if (CFtpUrl::IsFtpUrl(strFolder)) {
        std::string strError;  // the command line has checked the address already
        return CFtpVolraDoc::FromUrl(strFolder, strError).release();
    }
    if (CSshAddress::IsSshUrl(strFolder)) {
        std::string strError;  // likewise
        return CSshVolraDoc::FromUrl(strFolder, strError).release();
    }
    if (!strFolder.empty()) {
        auto* pDoc = new CDriveVolraDoc;
        pDoc->PresetRoot(strFolder, "Folder " + strFolder);
        return pDoc;
    }
    switch (m_chooseSearchType()) {
    case IDC_LOCAL_DRIVE:
        return new CDriveVolraDoc;
    case IDC_FTP_ACCOUNT:
        return new CFtpVolraDoc;
    case IDC_SSH_ADDRESS:
        return AskSshDocument();
    default:
        return nullptr;
    }
}

CVolraDoc* CVolraDocTemplate::AskSshDocument()
{
    CSshAddressDlg dlg(m_pMainFrame);
    if (dlg.DoModal() != IDOK)
        return nullptr;
    auto* pDoc = new CSshVolraDoc;
    pDoc->PresetAddress(dlg.GetAddress());
    return pDoc;
}

CVolraDoc* CVolraDocTemplate::OpenDocumentFile(const std::string& strFolder)
{
    if (CFileVolraDoc::IsSearchFile(strFolder))
        return OpenSearchFile(strFolder);
    std::unique_ptr<CVolraDoc> doc(CreateNewDocument(strFolder));
    if (doc == nullptr)
        return nullptr;
    // The window exists, hidden, while the search runs; its views already follow the
    // document. Both are discarded silently when the search does not finish (the window
    // first, as its views leave the document as they go).
    auto frame = std::make_unique<CChildFrame>(doc.get());
    doc->SetTitle("Volra" + std::to_string(m_nUntitledCount + 1));
    if (!doc->OnNewDocument())
        return nullptr;
    ++m_nUntitledCount;
    // Only a new search is kept: not a refresh, not an opened file.
    if (m_pHistoryKeeper != nullptr)
        m_pHistoryKeeper->SearchFinished(*doc);
    return AddDocument(std::move(doc), std::move(frame));
}

// A saved search is not untitled: it takes its title from the file and uses no number.
CVolraDoc* CVolraDocTemplate::OpenSearchFile(const std::string& strFile)
{
    auto doc = std::make_unique<CFileVolraDoc>();
    auto frame = std::make_unique<CChildFrame>(doc.get());
    if (!doc->OnOpenDocument(strFile))
        return nullptr;
    return AddDocument(std::move(doc), std::move(frame));
}

CVolraDoc* CVolraDocTemplate::AddDocument(std::unique_ptr<CVolraDoc> doc, std::unique_ptr<CChildFrame> frame)
{
    CVolraDoc* pDoc = doc.release();
    m_documents.push_back(pDoc);
    connect(pDoc, &QObject::destroyed, this, [this, pDoc] { RemoveDocument(pDoc); });
    CChildFrame* pFrame = frame.release();
    if (m_pMainFrame != nullptr)
        m_pMainFrame->AddChildFrame(pFrame);
    pFrame->InitialUpdateFrame();
    return pDoc;
}

void CVolraDocTemplate::RemoveDocument(CVolraDoc* pDoc)
{
    m_documents.erase(std::remove(m_documents.begin(), m_documents.end(), pDoc), m_documents.end());
}
