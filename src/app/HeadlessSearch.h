#pragma once
#include <functional>
#include <memory>
#include <string>

class CEntry;
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

// What a headless run shows or writes: a folder to search, an FTP account to search, or a
// file to read a saved search from. Paths are argv's bytes.
struct CSearchSource {
    enum class Kind { Folder, Ftp, Ssh, File } kind = Kind::Folder;
    std::string path;  // a folder: resolved; an ftp:// address or a file: as given
    std::string shown;  // how messages name it: an address never with its password
};

// "volra: MESSAGE" on standard error; paths in it are printed as the bytes they are.
void FailHeadless(const std::string& message);

// Checks the path before any long work; false with a message naming it and the reason.
bool ResolveSearchSource(const std::string& strPath, CSearchSource& source, std::string& strError);
// Searches the folder (label "Folder PATH") or the account, or reads the file (label
// "File NAME"), without a window. Null when that failed: the reason, and for a search
// which one failed, have gone to standard error.
// A directory listener (CVolraDoc::SetDirectoryListener), when given, is told of the walk.
std::unique_ptr<CVolraDoc> OpenSearchHeadless(const CSearchSource& source,
                                              std::function<bool(const CEntry&)> directoryListener = {});
