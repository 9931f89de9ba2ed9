#include "ErrorText.h"

#include "LastError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {
constexpr DWORD kServerReplyError = 12003;  // the server answered with an error reply
constexpr std::size_t kResponseLimit = 4096;  // longest server response appended
constexpr std::size_t kSystemTextRoom = 14;  // room a system text must leave free

std::vector<std::pair<std::string, MessageTable>>& Tables()
{
    static std::vector<std::pair<std::string, MessageTable>> tables;
    return tables;
}
LastResponseSource g_lastResponse;

// The system's own text for a code, ending in a line end like every system text; empty
// when the system has none (internet and unknown codes).
std::string SystemText(DWORD code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return "The operation completed successfully.\r\n";
    case ERROR_FILE_NOT_FOUND:
        return "The system cannot find the file specified.\r\n";
    case ERROR_NO_MORE_FILES:
        return "There are no more files.\r\n";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The data area passed to a system call is too small.\r\n";
    default:
        break;
    }
    const int err = ErrnoFromError(code);
    if (err == 0)
        return {};
    return ErrnoText(err) + ".\r\n";
}

// Copies src to the buffer from offset at, cutting it to fit and ending with a zero.
void CopyAt(char* buffer, std::size_t size, std::size_t at, const std::string& src)
{
    if (at >= size)
        return;
    const std::size_t n = std::min(src.size(), size - 1 - at);
    std::memcpy(buffer + at, src.data(), n);
    buffer[at + n] = 0;
}

void AppendServerResponse(char* buffer, std::size_t size)
{
    if (!g_lastResponse)
        return;
    std::string response;
    if (!g_lastResponse(response) || response.empty())
        return;
    if (response.size() > kResponseLimit)
        response.resize(kResponseLimit);
    CopyAt(buffer, size, std::strlen(buffer), response);
}
}  // namespace

char* FormatErrorText(DWORD dwCode, char* pszBuffer, std::size_t nSize)
{
    if (pszBuffer == nullptr || nSize == 0)
        return pszBuffer;
    const std::string system = SystemText(dwCode);
    if (!system.empty() && nSize >= system.size() + kSystemTextRoom) {
        CopyAt(pszBuffer, nSize, 0, system.substr(0, system.size() - 2));
        return pszBuffer;  // a system text never carries a server reply
    }
    pszBuffer[0] = 0;
    bool found = false;
    for (const auto& [module, table] : Tables()) {
        const std::string text = table(dwCode);
        if (!text.empty()) {
            CopyAt(pszBuffer, nSize, 0, text);
            found = true;
            break;
        }
    }
    if (!found) {
        char fallback[64];
        std::snprintf(fallback, sizeof fallback, "Error Code 0x%X (%d)", dwCode, static_cast<int>(dwCode));
        CopyAt(pszBuffer, nSize, 0, fallback);
    }
    if ((dwCode & 0xFFFF) == kServerReplyError)
        AppendServerResponse(pszBuffer, nSize);
    return pszBuffer;
}

void RegisterMessageTable(const std::string& strModule, MessageTable table)
{
    UnregisterMessageTable(strModule);
    Tables().emplace_back(strModule, std::move(table));
}

void UnregisterMessageTable(const std::string& strModule)
{
    auto& t = Tables();
    t.erase(std::remove_if(t.begin(), t.end(), [&](const auto& p) { return p.first == strModule; }), t.end());
}

void SetLastResponseSource(LastResponseSource source) { g_lastResponse = std::move(source); }
