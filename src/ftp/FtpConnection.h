#pragma once
#include "FtpListParser.h"
#include "base/Types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CFtpWorker;
struct CFtpOutcome;

// One logged-in FTP connection, made by CInternetSession::GetFtpConnection and reused for
// every command of a search. Every call waits for the server on a worker thread while the
// session's wait hook keeps the calling thread's windows alive. Failures return FALSE with
// an internet code as the thread's last error, the server's reply kept for the error box.
class CFtpConnection {
public:
    ~CFtpConnection();  // logs out
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;

    // The server's current directory: where the login put us, or the last directory
    // changed to.
    BOOL GetCurrentDirectory(std::string& strDirectory) const;
    // Changes to an absolute directory. A directory the server will not enter fails with
    // ERROR_INTERNET_EXTENDED_ERROR and its refusal as the last reply.
    BOOL SetCurrentDirectory(const std::string& strDirectory);
    // Logs out; every later command fails.
    void Close();
    // Replaces the session's wait hook for the commands still to come.
    void SetWaitHook(std::function<bool()> wait) { m_wait = std::move(wait); }

    // The listing of the current directory, for CFtpFileFind. The reply code of a refused
    // listing is in nReplyCode.
    BOOL ListCurrentDirectory(std::vector<CFtpItem>& items, long& nReplyCode);

    // Whether data connections had to turn passive, and how many times the connection
    // logged in (once, unless the server dropped it).
    bool IsPassive() const;
    long GetLoginCount() const;

private:
    friend class CInternetSession;
    CFtpConnection(std::unique_ptr<CFtpWorker> pWorker, std::string strEntryPath, std::function<bool()> wait);
    BOOL Finish(CFtpOutcome& outcome);

    std::unique_ptr<CFtpWorker> m_pWorker;
    std::string m_strCurrentDirectory;
    std::function<bool()> m_wait;
};
