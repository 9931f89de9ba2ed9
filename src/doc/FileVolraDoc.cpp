#include "FileVolraDoc.h"

#include "FinderItem.h"
#include "NcduReader.h"
#include "framework/ErrorBox.h"
#include "framework/UiServices.h"
#include "sys/Finder.h"
#include "sys/LastError.h"

#include <sys/stat.h>

namespace {
std::string BaseName(const std::string& strPath)
{
    std::string name = strPath;
    while (name.size() > 1 && name.back() == '/')
        name.pop_back();
    const std::size_t slash = name.rfind('/');
    return slash == std::string::npos || name.size() == 1 ? name : name.substr(slash + 1);
}
}  // namespace

CFileVolraDoc::CFileVolraDoc() = default;

const CCmdMap& CFileVolraDoc::ClassCmdMap()
{
    static const CCmdMap map = CCmdMapOf<CFileVolraDoc>(&CVolraDoc::BrowseCmdMap());
    return map;
}

bool CFileVolraDoc::IsSearchFile(const std::string& strPath)
{
    struct stat st {};
    return !strPath.empty() && ::stat(strPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

BOOL CFileVolraDoc::OnOpenDocument(const std::string& strPath)
{
    CNcduReader reader;
    CPumpThrottle throttle;
    reader.m_onProgress = [this, &throttle](const CNcduReader::Progress& progress) {
        if (throttle.Due()) {
            if (progress.pDirectory != nullptr)
                m_dlgProgress.m_strCurrentDir = progress.pDirectory->GetPath();
            m_dlgProgress.m_strDirectories = std::to_string(progress.nDirectories);
            m_dlgProgress.m_strFiles = std::to_string(progress.nFiles);
            m_dlgProgress.UpdateData(FALSE);
            PumpMessages();
            RestoreWaitCursor();
        }
        return !m_dlgProgress.m_bCancelled;
    };
    CEntry* pRoot = nullptr;
    {
        // As a walk: the progress dialog up, the main window disabled, a window or the
        // program closing meanwhile turned into Cancel.
        const CWalkScope scope(*this);
        pRoot = reader.Read(strPath, m_entries);
    }
    if (pRoot == nullptr) {
        if (!reader.WasCancelled())
            ShowErrorBox(strPath + ": " + reader.GetError(), AfxGetMainWnd());
        return FALSE;
    }
    m_pRoot = pRoot;
    m_pCurrent = m_pRoot;
    m_strRootPath = m_pRoot->GetName();
    m_strLabel = "File " + BaseName(strPath);
    UpdateTitle();
    UpdateAllViews(nullptr, HINT_TREE_CHANGED);
    ShowUnreadableCount();
    return TRUE;
}

void CFileVolraDoc::InitRootEntry(CEntry* pRoot, const std::string& strRootPath) { pRoot->InitAsRoot(strRootPath); }

CEntry* CFileVolraDoc::CreateEntry(CEntry* pParent, CFinder* pFinder)
{
    CEntry* pEntry = m_entries.NewEntry();
    pEntry->InitFromItem(pParent, FinderItem(*pFinder));
    return pEntry;
}

CFinder* CFileVolraDoc::CreateFinder() { return nullptr; }

void CFileVolraDoc::DeleteFinder(CFinder*) {}

BOOL CFileVolraDoc::StartFind(CFinder*, CEntry*)
{
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
}
