#pragma once
#include "doc/DriveVolraDoc.h"
#include "framework/View.h"
#include "support/ScopedEnv.h"
#include "sys/FileStatus.h"
#include "sys/LastError.h"
#include "sys/PrefetchFind.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A local search document as the program makes it, with hooks to act at chosen moments of
// the walk (delete a directory just before it is listed, press Cancel, ...).
class TestDriveDoc : public CDriveVolraDoc {
public:
    std::function<void(CEntry* pDirectory, int nListing)> beforeListing;
    int listings = 0;
    std::string skipped;  // directories of this name are refused without asking the finder
    CReadAhead::Usage usage;  // what the last walk's read-ahead held at most

protected:
    void DeleteFinder(CFinder* pFinder) override
    {
        if (const auto* pPrefetch = dynamic_cast<const CPrefetchFind*>(pFinder))
            usage = pPrefetch->GetUsage();
        CDriveVolraDoc::DeleteFinder(pFinder);
    }
    BOOL StartFind(CFinder* pFinder, CEntry* pDirectory) override
    {
        ++listings;
        if (beforeListing)
            beforeListing(pDirectory, listings);
        if (!skipped.empty() && pDirectory->GetName() == skipped) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return CDriveVolraDoc::StartFind(pFinder, pDirectory);
    }
};

// A search of the folder as the program makes one, not yet run.
std::unique_ptr<TestDriveDoc> NewSearch(const std::string& folder);
// The same, run with progress after every item, so that events are dispatched between
// items; null when the search failed.
std::unique_ptr<TestDriveDoc> Search(const std::string& folder);

// Makes subdirectories fail to open (the hook returns an errno) while it lives.
struct ScopedOpenHook {
    explicit ScopedOpenHook(SubdirectoryOpenHook hook) { SetSubdirectoryOpenHook(hook); }
    ~ScopedOpenHook() { SetSubdirectoryOpenHook(nullptr); }
};

// A local search document that agrees to every delete and every batch (marked items
// trashed or deleted); a delete or an item that fails is a test failure. Pair it with
// ScopedDataHome so that deleted items land in a scratch trash.
class AgreeingDriveDoc : public TestDriveDoc {
protected:
    BOOL ConfirmDelete(const CEntry&) override { return TRUE; }
    void ReportDeleteFailure(const std::string& strText) override;
    BOOL ConfirmCleanup(const std::string&) override { return TRUE; }
    void ReportCleanup(const std::string& strText) override { ReportDeleteFailure(strText); }
};

// XDG_DATA_HOME while it lives (the trash is under it).
struct ScopedDataHome : ScopedEnv {
    explicit ScopedDataHome(const std::string& dir) : ScopedEnv("XDG_DATA_HOME", dir) {}
};

// Records the hints the document sends its views.
class HintSpy : public CView {
public:
    std::vector<LPARAM> hints;
    void OnUpdate(CView*, LPARAM lHint, QObject*) override { hints.push_back(lHint); }
};

// Captures every error box shown while it lives.
class ErrorBoxes {
public:
    ErrorBoxes();
    ~ErrorBoxes();
    std::vector<std::string> shown;
};

// Child of an entry by name, or null.
CEntry* Child(const CEntry* pParent, const std::string& name);
// The entry at the end of the path of names below pRoot, or null.
CEntry* EntryAt(CEntry* pRoot, const std::vector<std::string>& names);
// The same for a relative path of names with "/" between them; "" is pRoot.
CEntry* EntryAtPath(CEntry* pRoot, const std::string& relative);
// Names of the entries (a directory's children, a list's rows) in their order.
template <class Entries> std::vector<std::string> Names(const Entries& entries)
{
    std::vector<std::string> names;
    for (const CEntry* e : entries)
        names.emplace_back(e->GetName());
    return names;
}
inline std::vector<std::string> ChildNames(const CEntry* pParent) { return Names(pParent->GetChildren()); }
// Checks every directory's total against the sum of its children; returns the first
// entry where they differ, or null.
const CEntry* FindBadTotal(const CEntry* pRoot);
