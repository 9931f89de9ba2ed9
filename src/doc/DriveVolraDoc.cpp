#include "DriveVolraDoc.h"

#include "DriveSelectDlg.h"
#include "platform/ErrorText.h"
#include "platform/FileFind.h"
#include "platform/LastError.h"
#include "platform/UiServices.h"

#include <sys/stat.h>

CDriveVolraDoc::CDriveVolraDoc() = default;

void CDriveVolraDoc::PresetRoot(const std::string& strRootPath, const std::string& strLabel)
{
    m_strPresetRoot = strRootPath;
    m_strPresetLabel = strLabel;
}

BOOL CDriveVolraDoc::ChooseRoot(std::string& strRoot, std::string& strLabel)
{
    if (!m_strPresetRoot.empty()) {
        strRoot = m_strPresetRoot;
        strLabel = m_strPresetLabel;
        return TRUE;
    }
    CDriveSelectDlg dlg(AfxGetMainWnd());
    if (dlg.DoModal() != IDOK)
        return FALSE;
    strRoot = dlg.m_strDrive;
    strLabel = dlg.m_strTitle;
    return TRUE;
}

// A root that cannot be listed at all (unmounted meanwhile, no permission on the root
// itself) gets one error box and no document, rather than an empty window.
BOOL CDriveVolraDoc::CanListRoot(const std::string& strRoot)
{
    CFileFind probe;
    if (probe.FindFile(strRoot) || GetLastError() == ERROR_NO_MORE_FILES)
        return TRUE;
    ReportLastError();
    return FALSE;
}

BOOL CDriveVolraDoc::OnNewDocument()
{
    if (!CVolraDoc::OnNewDocument())
        return FALSE;
    std::string strRoot;
    std::string strLabel;
    if (!ChooseRoot(strRoot, strLabel))
        return FALSE;
    if (!CanListRoot(strRoot))
        return FALSE;
    m_strRootPath = strRoot;
    m_pRoot = std::make_unique<CEntry>();
    m_pCurrent = m_pRoot.get();
    InitRootEntry(m_pRoot.get(), m_strRootPath);
    const BOOL bOk = Search(m_pRoot.get());
    if (bOk) {
        m_strLabel = strLabel;
        UpdateTitle();
        UpdateAllViews(nullptr, HINT_TREE_CHANGED);
    }
    return bOk;
}

void CDriveVolraDoc::InitRootEntry(CEntry* pRoot, const std::string& strRootPath)
{
    pRoot->InitAsRoot(strRootPath);
    struct stat st {};
    m_bHaveRootDevice = ::stat(strRootPath.c_str(), &st) == 0;
    m_rootDevice = m_bHaveRootDevice ? static_cast<std::uint64_t>(st.st_dev) : 0;
}

std::unique_ptr<CEntry> CDriveVolraDoc::CreateEntry(CEntry* pParent, CFileFind* pFinder)
{
    auto entry = std::make_unique<CEntry>();
    entry->InitFromFind(pParent, *pFinder);
    if (entry->m_bDirectory && m_bHaveRootDevice && pFinder->GetDevice() != m_rootDevice)
        entry->m_bMountPoint = true;
    return entry;
}

CFileFind* CDriveVolraDoc::CreateFinder() { return new CFileFind; }

void CDriveVolraDoc::DeleteFinder(CFileFind* pFinder) { delete pFinder; }

BOOL CDriveVolraDoc::StartFind(CFileFind* pFinder, CEntry* pDirectory)
{
    if (pDirectory->m_bMountPoint) {
        SetLastError(ERROR_SUCCESS);  // another file system: listed as empty
        return FALSE;
    }
    return pFinder->FindFile(pDirectory->GetPath());
}
