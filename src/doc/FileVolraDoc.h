#pragma once
#include "VolraDoc.h"

#include <string>

// A search read from a file in ncdu's export format (written by "ncdu -o", or by Volra's
// "Save search as..."), labelled "File NAME". Its tree stands for a file system that may be
// on another machine or long changed: nothing is read again, opened or deleted, so Refresh,
// Open/Run and Delete are not handled here and show disabled.
class CFileVolraDoc : public CVolraDoc {
    Q_OBJECT
public:
    CFileVolraDoc();

    // True when strPath names something to read a search from rather than a folder to
    // search: anything that is there and is not a directory.
    static bool IsSearchFile(const std::string& strPath);

    // Reads the search, with the progress dialog up and Cancel working. FALSE after the
    // error (with its line and column) has been shown, or after a cancel; then nothing of
    // the file was kept.
    BOOL OnOpenDocument(const std::string& strPath);

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }

    // Nothing here walks: there is no finder, and nothing is ever listed.
    void InitRootEntry(CEntry* pRoot, const std::string& strRootPath) override;
    CEntry* CreateEntry(CEntry* pParent, CFinder* pFinder) override;
    CFinder* CreateFinder() override;
    void DeleteFinder(CFinder* pFinder) override;
    BOOL StartFind(CFinder* pFinder, CEntry* pDirectory) override;
};
