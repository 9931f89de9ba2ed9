#include "CompareWith.h"

#include "doc/VolraDoc.h"
#include "framework/UiServices.h"
#include "history/SavedSearch.h"
#include "model/SearchComparison.h"

#include <sys/stat.h>

#include <memory>
#include <new>

bool CompareWithSavedSearch(CVolraDoc& doc, const std::string& strPath, CTime finished, std::string& strError)
{
    if (doc.GetRoot() == nullptr || doc.IsSearching()) {
        strError = "There is no finished search in this window to compare.";
        return false;
    }
    // Reading a large search takes a moment; nothing is dispatched meanwhile, so the window
    // and its document stay as they are until it is done.
    BeginWaitCursor();
    struct CEndWait {
        ~CEndWait() { EndWaitCursor(); }
    } endWait;
    try {
        auto saved = std::make_shared<CSavedSearch>();
        std::string reason;
        if (!saved->Read(strPath, reason)) {
            strError = "\"" + strPath + "\" cannot be compared: " + reason;
            return false;
        }
        const std::string earlierRoot = saved->GetRoot()->GetPath();
        const std::string currentRoot = doc.GetRoot()->GetPath();
        if (!CSearchComparison::SameRoot(earlierRoot, currentRoot)) {
            strError = "\"" + strPath + "\" is a search of " + earlierRoot + ", not of " + currentRoot + ".";
            return false;
        }
        if (CEntry::ShowsDiskSizes() && !saved->HasDiskSizes()) {
            strError = "\"" + strPath
                + "\" knows file lengths only, and sizes on disk are shown: turn View > Size on disk off to "
                  "compare with it.";
            return false;
        }
        auto comparison = std::make_unique<CSearchComparison>(*saved->GetRoot(), *doc.GetRoot());
        comparison->SetEarlierSearch(saved, finished, saved->HasDiskSizes());
        doc.SetComparison(std::move(comparison));
        return true;
    } catch (const std::bad_alloc&) {
        strError = "\"" + strPath + "\" cannot be compared: there is not enough memory for both searches.";
        return false;
    }
}

CTime SavedSearchTime(const std::string& strPath)
{
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 ? CTime(st.st_mtim.tv_sec) : CTime();
}
