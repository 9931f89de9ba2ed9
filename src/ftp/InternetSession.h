#pragma once
#include "base/Types.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class CFtpConnection;

// The internet session a search opens its FTP connection through: it holds what every
// connection of the session shares, namely how long a silent server is waited for and how
// the calling thread spends the waits. Servers are always reached directly, never through
// a proxy.
class CInternetSession {
public:
    using WaitHook = std::function<bool()>;  // false: abort what is being waited for
    static constexpr std::chrono::milliseconds kDefaultTimeout{30000};

    CInternetSession();
    virtual ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // Logs in to an FTP server (nPort 0 to 65535). Null when that fails, with the reason in
    // the thread's last error code (an internet code) and the server's last reply kept for
    // the error box; also null, with ERROR_INTERNET_OPERATION_CANCELLED, when the wait hook
    // asked to stop.
    std::unique_ptr<CFtpConnection> GetFtpConnection(const std::string& strServer, const std::string& strUserName,
                                                     const std::string& strPassword, int nPort = 21,
                                                     BOOL bPassive = FALSE);
    void Close() {}

    // Called every few milliseconds while a command waits for the network, on the thread
    // that gave it; returning false aborts the command. Connections take the hook and the
    // timeout when they are made. The timeout is also the period in which a listing must
    // bring at least CFtpWorker::kListingFloorBytes.
    void SetWaitHook(WaitHook hook) { m_wait = std::move(hook); }
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

private:
    WaitHook m_wait;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
};
