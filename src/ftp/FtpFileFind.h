#pragma once
#include "FtpListParser.h"
#include "sys/Finder.h"

#include <vector>

class CFtpConnection;

// Lists the current directory of an FTP connection, one listing at a time. The whole
// listing arrives before FindFile returns; FindNextFile then steps through it. A server
// gives one time per item: it serves as all three.
class CFtpFileFind : public CFinder {
public:
    // pConnection is not owned and must outlive the finder. The context is not used.
    explicit CFtpFileFind(CFtpConnection* pConnection, DWORD dwContext = 1);
    ~CFtpFileFind() override;

    // Lists the connection's current directory. TRUE: the finder stands before the first
    // item. FALSE: ERROR_NO_MORE_FILES for an empty directory, ERROR_ACCESS_DENIED when the
    // server refuses the listing itself, else an internet code.
    BOOL FindFile();
    BOOL FindNextFile() override;
    void Close() override;

    // The listed directory, "/" unless it already ends with "/" or "\", the name.
    std::string GetFilePath() const override;
    const std::string& GetFileName() const override;
    BOOL MatchesMask(DWORD dwMask) const override;
    std::int64_t GetLength64() const override;
    CTime GetCreationTime() const override;
    CTime GetLastWriteTime() const override;
    CTime GetLastAccessTime() const override;
    // The server's identity of the item (MLSD's "unique" fact); empty when it gives none.
    const std::string& GetUniqueId() const { return Current().unique; }
    // The whole listing FindFile brought, in the server's order.
    const std::vector<CFtpItem>& GetItems() const { return m_items; }

private:
    const CFtpItem& Current() const;

    CFtpConnection* m_pConnection;  // not owned
    std::string m_strRoot;  // the directory listed
    std::vector<CFtpItem> m_items;
    std::size_t m_nNext = 0;  // the item the next FindNextFile makes current
};
