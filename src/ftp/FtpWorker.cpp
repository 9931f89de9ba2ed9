#include "FtpWorker.h"

#include "InternetError.h"
#include "sys/LastError.h"

#include <algorithm>
#include <ctime>
#include <curl/curl.h>
#include <new>
#include <system_error>

namespace {
// How often a waiting caller gets its hook called.
constexpr std::chrono::milliseconds kWaitSlice{10};
// The longest sleep between looks at a transfer. libcurl does not always wake its poll
// when a passive data connection completes, so a transfer is looked at this often
// whatever it waits for.
constexpr int kPollMs = 5;
// A server that takes our address but has not connected back after this long is taken
// to be unable to: the listing is tried again in passive mode.
constexpr std::chrono::milliseconds kMaxAcceptWait{10000};
// A listing longer than this is not a directory but a server gone wrong.
constexpr std::size_t kMaxListing = std::size_t{512} << 20;

CFtpWorker::ThreadStarter& Starter()
{
    static CFtpWorker::ThreadStarter starter;
    return starter;
}

CFtpOutcome Failed(DWORD dwError)
{
    CFtpOutcome outcome;
    outcome.dwError = dwError;
    return outcome;
}

long Seconds(std::chrono::milliseconds ms) { return static_cast<long>((ms.count() + 999) / 1000); }

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

// The URL path that makes libcurl change to strDirectory with one CWD and then list it.
// libcurl reads a URL's path relative to the login directory; "%2F" at its start makes
// the path absolute. An empty directory stays in the login directory.
std::string DirectoryUrlPath(const std::string& strDirectory)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string path = "/";
    std::size_t from = 0;
    if (!strDirectory.empty() && strDirectory[0] == '/') {
        path += "%2F";
        from = 1;
    }
    for (std::size_t i = from; i < strDirectory.size(); ++i) {
        const auto c = static_cast<unsigned char>(strDirectory[i]);
        if (IsUnreserved(c) || c == '/') {
            path += static_cast<char>(c);
        } else {
            path += '%';
            path += kHex[c >> 4];
            path += kHex[c & 15];
        }
    }
    if (path.back() != '/')
        path += '/';
    return path;
}

// "ftp://host:port", with the host checked by libcurl's own URL parser; empty when it
// cannot be part of a URL.
std::string BaseUrl(const CFtpLogin& login)
{
    std::string host = login.strHost;
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]";  // an IPv6 address
    CURLU* url = curl_url();
    std::string result;
    char* text = nullptr;
    if (url != nullptr && curl_url_set(url, CURLUPART_SCHEME, "ftp", 0) == CURLUE_OK
        && curl_url_set(url, CURLUPART_HOST, host.c_str(), 0) == CURLUE_OK
        && curl_url_set(url, CURLUPART_PORT, std::to_string(login.nPort).c_str(), 0) == CURLUE_OK
        && curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
        result = text;
        while (!result.empty() && result.back() == '/')
            result.pop_back();
    }
    curl_free(text);
    curl_url_cleanup(url);
    return result;
}

bool IsReplyStart(std::string_view line, char separator)
{
    return line.size() >= 4 && line[0] >= '1' && line[0] <= '5' && line[1] >= '0' && line[1] <= '9' && line[2] >= '0'
        && line[2] <= '9' && line[3] == separator;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
        if (c != prefix[i])
            return false;
    }
    return true;
}

// An active data connection failed: the server would not take our address (PORT refused),
// or could not connect back to it (425 to the listing, or no connection at all).
bool IsActiveModeFailure(long code, long nReplyCode)
{
    return code == CURLE_FTP_PORT_FAILED || code == CURLE_FTP_ACCEPT_FAILED || code == CURLE_FTP_ACCEPT_TIMEOUT
        || (code == CURLE_FTP_COULDNT_RETR_FILE && nReplyCode == 425);
}

DWORD InternetErrorFromCurl(long code, long nReplyCode)
{
    // libcurl takes a 421 ("service not available, closing the connection") for a
    // timeout; the server said why, and its reply says it better.
    if (code == CURLE_OPERATION_TIMEDOUT && nReplyCode == 421)
        return ERROR_INTERNET_EXTENDED_ERROR;
    switch (code) {
    case CURLE_OK:
        return 0;
    case CURLE_COULDNT_RESOLVE_HOST:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_ABORTED_BY_CALLBACK:
        return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_FTP_ACCEPT_FAILED:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_WRITE_ERROR:
        return ERROR_INTERNET_INVALID_SERVER_RESPONSE;  // an endless listing
    default:
        break;
    }
    // Whatever else went wrong on a command the server refused is told by its reply.
    if (nReplyCode >= 400)
        return ERROR_INTERNET_EXTENDED_ERROR;
    if (code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_FTP_WEIRD_PASV_REPLY || code == CURLE_FTP_WEIRD_227_FORMAT)
        return ERROR_INTERNET_INVALID_SERVER_RESPONSE;
    return ERROR_INTERNET_INTERNAL_ERROR;
}
}  // namespace

// libcurl gives a listing to the write callback only after turning each CRLF, and each
// lone CR, into LF, as it does with every transfer in ASCII mode (which a listing always
// is): a name holding a CR would come apart into two lines. Its debug callback sees the
// bytes as they came, so the listing is taken from there; the write callback only ends a
// transfer whose listing could not be kept.
struct CFtpRawData {
    static int OnDebug(CURL*, curl_infotype type, char* data, std::size_t size, void* self)
    {
        auto* worker = static_cast<CFtpWorker*>(self);
        if (type != CURLINFO_DATA_IN || worker->m_bDataLost)
            return 0;
        if (worker->m_strData.size() + size > kMaxListing) {
            worker->m_bDataLost = true;  // not a directory but a server gone wrong
            return 0;
        }
        try {
            worker->m_strData.append(data, size);
        } catch (...) {
            worker->m_bDataLost = true;  // never through libcurl's C frames
            worker->m_bOutOfMemory = true;
            return 0;
        }
        worker->m_nReceived += size;  // the listing's floor counts what came
        return 0;
    }
};

CFtpWorker::CFtpWorker(CFtpLogin login, std::chrono::milliseconds timeout)
    : m_login(std::move(login)), m_timeout(timeout), m_strBaseUrl(BaseUrl(m_login))
{
    InitInternet();
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    m_features = curl_slist_append(nullptr, "*FEAT");  // "*": a server without FEAT is no error
    SetUp();
    try {
        const ThreadStarter& starter = Starter();
        m_thread = starter ? starter([this] { ThreadMain(); }) : std::thread([this] { ThreadMain(); });
    } catch (const std::exception&) {
        // No thread (the system's limit on threads, or no memory for one more): every
        // command then fails with a message saying so, rather than the program aborting.
    }
}

CFtpWorker::~CFtpWorker()
{
    if (!m_thread.joinable()) {
        CleanUp();
        return;
    }
    Logout({});  // refused when a throwing wait hook left a command behind
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
        AbortLocked();
    }
    m_cvCommand.notify_one();
    m_thread.join();
}

void CFtpWorker::SetThreadStarter(ThreadStarter starter) { Starter() = std::move(starter); }

void CFtpWorker::SetUp()
{
    if (m_easy == nullptr)
        return;
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "ftp");
    // Listings over an HTTP proxy would come back as web pages: servers are reached directly.
    curl_easy_setopt(m_easy, CURLOPT_PROXY, "");
    if (!m_login.strUserName.empty()) {
        curl_easy_setopt(m_easy, CURLOPT_USERNAME, m_login.strUserName.c_str());
        curl_easy_setopt(m_easy, CURLOPT_PASSWORD, m_login.strPassword.c_str());
    }
    curl_easy_setopt(m_easy, CURLOPT_FTPPORT, "-");  // active: the server connects back to us
    curl_easy_setopt(m_easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    // A server that stops answering, or stops sending a listing, ends the command after
    // a bounded wait; without these a silent server would be waited for without end.
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_timeout.count()));
    curl_easy_setopt(m_easy, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(std::min(m_timeout, kMaxAcceptWait).count()));
    curl_easy_setopt(m_easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, Seconds(m_timeout));
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, Seconds(m_timeout));
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CFtpWorker::OnHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CFtpWorker::OnData);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGFUNCTION, &CFtpRawData::OnDebug);
    curl_easy_setopt(m_easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_VERBOSE, 1L);  // the debug callback is called only so
}

void CFtpWorker::UsePassive()
{
    m_bPassive = true;
    curl_easy_setopt(m_easy, CURLOPT_FTPPORT, static_cast<const char*>(nullptr));
}

CFtpOutcome CFtpWorker::Login(const WaitHook& wait) { return Run({Kind::Login, {}}, wait); }

CFtpOutcome CFtpWorker::ChangeDirectory(const std::string& strPath, const WaitHook& wait)
{
    return Run({Kind::ChangeDirectory, strPath}, wait);
}

CFtpOutcome CFtpWorker::List(const std::string& strPath, const WaitHook& wait)
{
    return Run({Kind::List, strPath}, wait);
}

void CFtpWorker::Logout(const WaitHook& wait)
{
    if (m_bLoggedOut)
        return;
    Run({Kind::Logout, {}}, wait);
    m_bLoggedOut = true;
}

CFtpOutcome CFtpWorker::Run(Command command, const WaitHook& wait)
{
    if (!m_thread.joinable())
        return Failed(ERROR_INTERNET_OUT_OF_HANDLES);
    if (m_bBusy || m_bLoggedOut)  // a command while another waits, or after the logout
        return Failed(ERROR_INTERNET_INTERNAL_ERROR);
    m_bBusy = true;
    const bool bAbortable = command.kind != Kind::Logout;
    std::unique_lock lock(m_mutex);
    m_command = std::move(command);
    m_bHasCommand = true;
    m_bDone = false;
    m_bAbort = false;
    m_cvCommand.notify_one();
    // A hook that throws leaves its command aborted and m_bBusy set: the worker refuses
    // every later command, whose outcome could otherwise be taken from the one left behind,
    // and only the destructor ends it.
    struct AbortOnThrow {
        CFtpWorker& worker;
        std::unique_lock<std::mutex>& lock;
        bool bArmed = true;
        ~AbortOnThrow()
        {
            if (!bArmed)
                return;
            if (!lock.owns_lock())
                lock.lock();
            worker.AbortLocked();
        }
    } guard{*this, lock};
    while (!m_cvDone.wait_for(lock, kWaitSlice, [this] { return m_bDone; })) {
        if (!wait)
            continue;
        lock.unlock();
        const bool bGoOn = wait();
        lock.lock();
        if (!bGoOn && bAbortable && !m_bAbort && !m_bDone)
            AbortLocked();
    }
    guard.bArmed = false;
    m_bBusy = false;
    return std::move(m_outcome);
}

// With m_mutex held: the running command ends at once, a command not yet taken as soon as
// it starts. libcurl's handles are woken only while a command other than the logout runs,
// so never after the worker has cleaned them up.
void CFtpWorker::AbortLocked()
{
    m_bAbort = true;
    if (m_bRunning)
        curl_multi_wakeup(m_multi);
}

void CFtpWorker::ThreadMain()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cvCommand.wait(lock, [this] { return m_bHasCommand || m_bQuit; });
        if (m_bQuit) {
            lock.unlock();
            CleanUp();
            return;
        }
        const Command command = std::move(m_command);
        m_bHasCommand = false;
        m_bRunning = command.kind != Kind::Logout;
        lock.unlock();
        CFtpOutcome outcome = ExecuteSafely(command);
        lock.lock();
        m_bRunning = false;
        m_outcome = std::move(outcome);
        m_bDone = true;
        m_cvDone.notify_one();
        if (command.kind == Kind::Logout)
            return;
    }
}

// Nothing may leave the thread's function (that would end the program): running out of
// memory while a listing is parsed is that command's failure.
CFtpOutcome CFtpWorker::ExecuteSafely(const Command& command)
{
    try {
        return Execute(command);
    } catch (const std::bad_alloc&) {
        return Failed(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        return Failed(ERROR_INTERNET_INTERNAL_ERROR);
    }
}

CFtpOutcome CFtpWorker::Execute(const Command& command)
{
    if (command.kind == Kind::Logout) {
        CleanUp();
        return {};
    }
    if (m_easy == nullptr || m_multi == nullptr)
        return Failed(ERROR_INTERNET_INTERNAL_ERROR);
    if (m_strBaseUrl.empty())
        return Failed(ERROR_INTERNET_NAME_NOT_RESOLVED);
    switch (command.kind) {
    case Kind::Login: {
        m_bInFeatures = false;
        curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_features);
        CFtpOutcome outcome = Transfer({}, true, false);
        curl_easy_setopt(m_easy, CURLOPT_QUOTE, static_cast<curl_slist*>(nullptr));
        char* entry = nullptr;
        if (outcome.dwError == 0 && curl_easy_getinfo(m_easy, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK
            && entry != nullptr)
            outcome.strEntryPath = entry;
        return outcome;
    }
    case Kind::ChangeDirectory:
        return Transfer(command.strPath, true, false);
    default:
        return Transfer(command.strPath, false, true);
    }
}

CFtpOutcome CFtpWorker::Transfer(const std::string& strPath, bool bNoBody, bool bList)
{
    const std::string url = m_strBaseUrl + DirectoryUrlPath(strPath);
    curl_easy_setopt(m_easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, bNoBody ? 1L : 0L);
    curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, bList && m_bMlsd ? "MLSD" : nullptr);
    m_strData.clear();
    m_bOutOfMemory = false;
    long code = Perform(bList);
    CFtpOutcome outcome;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &outcome.nReplyCode);
    if (bList && !m_bPassive && IsActiveModeFailure(code, outcome.nReplyCode)) {
        UsePassive();
        m_strData.clear();
        code = Perform(bList);
        curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &outcome.nReplyCode);
    }
    if (code == CURLE_OPERATION_TIMEDOUT && m_strReply.starts_with("421"))
        outcome.nReplyCode = 421;  // libcurl stops at the reply without recording its code
    outcome.dwError = m_bOutOfMemory ? ERROR_NOT_ENOUGH_MEMORY : InternetErrorFromCurl(code, outcome.nReplyCode);
    outcome.strReply = m_strReply;
    if (bList && outcome.dwError == 0 && m_bDataLost)
        outcome.dwError = ERROR_INTERNET_INVALID_SERVER_RESPONSE;  // a listing without end
    if (bList && outcome.dwError == 0)
        outcome.items = CFtpListParser::ParseListing(m_strData, m_bMlsd, static_cast<std::int64_t>(std::time(nullptr)));
    m_strData.clear();
    m_strData.shrink_to_fit();
    return outcome;
}

long CFtpWorker::Perform(bool bList)
{
    m_bDataLost = false;
    using Clock = std::chrono::steady_clock;
    curl_multi_add_handle(m_multi, m_easy);
    long result = CURLE_OK;
    Clock::time_point periodStart = Clock::now();
    std::size_t nAtPeriodStart = m_nReceived;
    for (bool bDone = false; !bDone;) {
        if (m_bAbort) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        // libcurl's own low-speed limit is averaged over a few seconds and counted in
        // whole bytes a second; the floor is checked here, one period at a time.
        if (bList && Clock::now() - periodStart >= m_timeout) {
            if (m_nReceived - nAtPeriodStart < kListingFloorBytes) {
                result = CURLE_OPERATION_TIMEDOUT;
                break;
            }
            periodStart = Clock::now();
            nAtPeriodStart = m_nReceived;
        }
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(m_multi, &left)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                bDone = true;
            }
        }
        if (!bDone)
            curl_multi_poll(m_multi, nullptr, 0, kPollMs, nullptr);
    }
    // Taking a transfer out before its end closes its connection without a goodbye, so an
    // abort never waits for a server that has stopped answering.
    curl_multi_remove_handle(m_multi, m_easy);
    return result;
}

void CFtpWorker::CleanUp()
{
    if (m_easy != nullptr)
        curl_easy_cleanup(m_easy);
    if (m_multi != nullptr)
        curl_multi_cleanup(m_multi);  // says QUIT on a connection still open
    curl_slist_free_all(m_features);
    m_easy = nullptr;
    m_multi = nullptr;
    m_features = nullptr;
}

// No exception may cross libcurl's C frames: a callback that cannot keep what came returns
// 0, which ends the transfer with a write error, and says why.
std::size_t CFtpWorker::OnHeader(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* worker = static_cast<CFtpWorker*>(self);
    try {
        worker->AddReplyLine(std::string_view(data, size * count));
    } catch (...) {
        worker->m_bOutOfMemory = true;
        return 0;
    }
    worker->m_nReceived += size * count;
    return size * count;
}

// Keeps the server's last reply whole (a reply of several lines runs from "NNN-" to
// "NNN "), and notes whether the feature list names MLST, which brings MLSD with it.
void CFtpWorker::AddReplyLine(std::string_view line)
{
    if (!m_bReplyOpen) {
        m_strReply.clear();
        m_bReplyOpen = IsReplyStart(line, '-');
        m_bInFeatures = m_bReplyOpen && line.substr(0, 3) == "211";
    } else if (line.substr(0, 3) == std::string_view(m_strReply).substr(0, 3) && IsReplyStart(line, ' ')) {
        m_bReplyOpen = false;
        m_bInFeatures = false;
    }
    if (!m_bReplyOpen && line.substr(0, 4) == "230 ")
        ++m_nLogins;
    else if (m_bInFeatures && (StartsWithNoCase(line, " MLST") || StartsWithNoCase(line, " MLSD"))) {
        m_bMlsd = true;
    }
    m_strReply.append(line);
}

std::size_t CFtpWorker::OnData(char*, std::size_t size, std::size_t count, void* self)
{
    // 0 ends the transfer with a write error.
    return static_cast<CFtpWorker*>(self)->m_bDataLost ? 0 : size * count;
}
