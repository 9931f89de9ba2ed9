#pragma once
#include "FtpListParser.h"
#include "base/Types.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef void CURL;
typedef void CURLM;
struct curl_slist;

struct CFtpLogin {
    std::string strHost;
    std::string strUserName;  // empty: anonymous
    std::string strPassword;
    int nPort = 21;
};

// What one command came to.
struct CFtpOutcome {
    DWORD dwError = 0;  // 0, or one of the internet codes
    long nReplyCode = 0;  // the last reply code of the command, 0 when none came
    std::string strReply;  // the server's last reply, line ends included
    std::string strEntryPath;  // after a login: the server's current directory
    std::vector<CFtpItem> items;  // after a listing
};

// One FTP connection, driven by libcurl on a thread of its own so that no network wait ever
// blocks the thread that gives the commands. One command runs at a time; the caller's
// thread waits for it, calling a wait hook every few milliseconds (to keep its windows
// painted) that may ask for the command to be aborted. libcurl's handles are touched only
// by the worker thread, apart from the wake-up that makes an abort take effect at once.
//
// Data connections are active (PORT/EPRT) until the server cannot open one back to us;
// from then on they are passive, for the rest of the connection.
//
// The timeout bounds every wait for the server, and is also the period of the floor a
// listing must keep to: a listing that brings less than kListingFloorBytes in one such
// period ends as if the server had stopped, so a server that drips its listing a byte at a
// time cannot hold a search for ever.
class CFtpWorker {
public:
    using WaitHook = std::function<bool()>;  // false: abort the running command
    // Starts the worker's thread; it throws std::system_error when the system will not.
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;
    static constexpr std::size_t kListingFloorBytes = 1024;

    CFtpWorker(CFtpLogin login, std::chrono::milliseconds timeout);
    // Logs out (when still logged in) and ends the thread, whatever state an exception
    // left the last command in: a command still running is aborted first.
    ~CFtpWorker();
    CFtpWorker(const CFtpWorker&) = delete;
    CFtpWorker& operator=(const CFtpWorker&) = delete;

    // Logs in, reads the server's current directory and asks for its features.
    CFtpOutcome Login(const WaitHook& wait);
    // Changes to an absolute directory (as the server spells paths).
    CFtpOutcome ChangeDirectory(const std::string& strPath, const WaitHook& wait);
    // Lists a directory: MLSD when the server offers it, else LIST.
    CFtpOutcome List(const std::string& strPath, const WaitHook& wait);
    // Says goodbye to the server and ends the thread; the wait cannot be aborted.
    void Logout(const WaitHook& wait);
    // Passive data connections from the start; only before the first command.
    void ForcePassive() { UsePassive(); }

    bool UsesMlsd() const { return m_bMlsd; }
    bool IsPassive() const { return m_bPassive; }
    // Logins so far: 1 for a whole search on a healthy server.
    long GetLoginCount() const { return m_nLogins; }
    // Replaces how threads are started (empty: std::thread), so that tests can see a
    // worker whose thread would not start. Without its thread every command fails with
    // ERROR_INTERNET_OUT_OF_HANDLES.
    static void SetThreadStarter(ThreadStarter starter);

private:
    enum class Kind { Login, ChangeDirectory, List, Logout };
    struct Command {
        Kind kind = Kind::Login;
        std::string strPath;
    };

    CFtpOutcome Run(Command command, const WaitHook& wait);
    void AbortLocked();
    void ThreadMain();
    CFtpOutcome ExecuteSafely(const Command& command);
    CFtpOutcome Execute(const Command& command);
    CFtpOutcome Transfer(const std::string& strPath, bool bNoBody, bool bList);
    long Perform(bool bList);  // a CURLcode
    void SetUp();
    void UsePassive();
    void CleanUp();
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnData(char* data, std::size_t size, std::size_t count, void* self);
    friend struct CFtpRawData;  // takes listings as they arrive, see FtpWorker.cpp
    void AddReplyLine(std::string_view line);

    const CFtpLogin m_login;
    const std::chrono::milliseconds m_timeout;
    std::string m_strBaseUrl;  // "ftp://host:port", or empty when the host cannot be used

    // Worker side: libcurl's handles and what they fill in.
    CURLM* m_multi = nullptr;
    CURL* m_easy = nullptr;
    curl_slist* m_features = nullptr;
    std::string m_strData;
    bool m_bDataLost = false;  // the listing under way outgrew its bound or memory
    std::string m_strReply;
    std::size_t m_nReceived = 0;  // bytes of replies and listings, for the listing's floor
    bool m_bOutOfMemory = false;  // a callback could not keep what the server sent
    bool m_bReplyOpen = false;  // inside a reply of several lines
    bool m_bInFeatures = false;
    std::atomic<bool> m_bMlsd{false};
    std::atomic<bool> m_bPassive{false};
    std::atomic<long> m_nLogins{0};

    // Handing commands over.
    std::mutex m_mutex;
    std::condition_variable m_cvCommand;
    std::condition_variable m_cvDone;
    Command m_command;
    bool m_bHasCommand = false;
    bool m_bDone = false;
    CFtpOutcome m_outcome;
    std::atomic<bool> m_bAbort{false};
    bool m_bQuit = false;  // the destructor's word: end the thread, whatever it waits for
    bool m_bRunning = false;  // worker side: a command other than the logout is executing
    bool m_bBusy = false;  // caller side: a command is under way
    bool m_bLoggedOut = false;  // caller side
    std::thread m_thread;  // not joinable when it could not be started
};
