#pragma once
#include "doc/DriveVolraDoc.h"

#include <functional>
#include <string>
#include <vector>

// A local search document as the program makes it, with hooks to act at chosen moments of
// the walk (delete a directory just before it is listed, press Cancel, ...).
class TestDriveDoc : public CDriveVolraDoc {
public:
    std::function<void(CEntry* pDirectory, int nListing)> beforeListing;
    int listings = 0;

protected:
    BOOL StartFind(CFinder* pFinder, CEntry* pDirectory) override
    {
        ++listings;
        if (beforeListing)
            beforeListing(pDirectory, listings);
        return CDriveVolraDoc::StartFind(pFinder, pDirectory);
    }
};

// A local search document that agrees to every delete; a delete that fails is a test
// failure. Pair it with ScopedDataHome so that deleted items land in a scratch trash.
class AgreeingDriveDoc : public TestDriveDoc {
protected:
    BOOL ConfirmDelete(const CEntry&) override { return TRUE; }
    void ReportDeleteFailure(const std::string& strText) override;
};

// XDG_DATA_HOME while it lives (the trash is under it).
class ScopedDataHome {
public:
    explicit ScopedDataHome(const std::string& dir);
    ~ScopedDataHome();

private:
    bool m_bHad;
    std::string m_old;
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
// Names of the children in their order.
std::vector<std::string> ChildNames(const CEntry* pParent);
// Checks every directory's total against the sum of its children; returns the first
// entry where they differ, or null.
const CEntry* FindBadTotal(const CEntry* pRoot);
