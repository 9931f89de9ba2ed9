#pragma once
#include <QByteArray>
#include <string>

// The file a headless run writes its result to. It is opened before the long work starts,
// so that a wrong place fails at once, and its old content stays until the result is
// written. A file made here and never written is removed again.
class COutputFile {
public:
    COutputFile() = default;
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // False with the reason ("Permission denied", ...) when the path cannot be written.
    bool Open(const std::string& strPath, std::string& strReason);
    // Replaces the content with data; false with the reason ("No space left on device").
    bool Write(const QByteArray& data, std::string& strReason);

private:
    std::string m_strPath;
    int m_fd = -1;
    bool m_bCreated = false;  // made by Open: removed unless written
    bool m_bWritten = false;
};
