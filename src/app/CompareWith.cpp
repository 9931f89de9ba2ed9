#include "CompareWith.h"

#include "doc/VolraDoc.h"
#include "framework/UiServices.h"
#include "history/SavedSearch.h"
#include "model/FormatSize.h"
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

std::vector<CKeptSearch> EarlierKeptSearches(const CVolraDoc& doc, const std::string& strHistoryFolder)
{
    if (doc.GetRoot() == nullptr || strHistoryFolder.empty())
        return {};
    // Only listing: the limits play no part.
    std::vector<CKeptSearch> kept = CHistoryStore(strHistoryFolder, {}).List(doc.GetRoot()->GetPath());
    // The window's own search was kept as it finished: its time and totals are its name's.
    const std::int64_t nOwn = doc.GetSearchTime().GetTime();
    const auto [nLength, nDisk] = doc.GetSearchTotals();
    std::erase_if(kept, [&](const CKeptSearch& k) {
        return k.nFinished == nOwn && k.nLength == nLength && k.nDiskSize == nDisk;
    });
    return kept;
}

std::string KeptSearchText(const CKeptSearch& kept)
{
    return CTime(kept.nFinished).Format("%d/%m/%Y %H:%M") + "  "
        + FormatSize(CEntry::ShowsDiskSizes() ? kept.nDiskSize : kept.nLength);
}

CTime SavedSearchTime(const std::string& strPath)
{
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 ? CTime(st.st_mtim.tv_sec) : CTime();
}
