#pragma once
#include <memory>
#include <string>

class CVolraDoc;

// While it lives, messages that would wait in a box go to standard error.
class CHeadlessRun {
public:
    CHeadlessRun();
    ~CHeadlessRun();
    CHeadlessRun(const CHeadlessRun&) = delete;
    CHeadlessRun& operator=(const CHeadlessRun&) = delete;

private:
    bool m_bWas;
};

// What a headless run shows or writes: a folder to search, or a file to read a saved
// search from. Paths are argv's bytes.
struct CSearchSource {
    std::string path;    // a folder: resolved; a file: as given
    bool bFile = false;
};

// Checks the path before any long work; false with a message naming it and the reason.
bool ResolveSearchSource(const std::string& strPath, CSearchSource& source, std::string& strError);
// Searches the folder (label "Folder PATH") or reads the file (label "File NAME") without a
// window. Null when that failed: a file's error has gone to standard error; a search's
// reason too, and the caller says which search failed.
std::unique_ptr<CVolraDoc> OpenSearchHeadless(const CSearchSource& source);
