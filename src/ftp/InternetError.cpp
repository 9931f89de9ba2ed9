#include "InternetError.h"

#include "sys/ErrorText.h"

#include <curl/curl.h>
#include <mutex>

namespace {
thread_local std::string t_lastResponse;

struct ErrorText {
    DWORD code;
    const char* text;
};

constexpr ErrorText kTexts[] = {
    {ERROR_INTERNET_OUT_OF_HANDLES, "The FTP connection could not be started: the system allows no more threads.\r\n"},
    {ERROR_INTERNET_TIMEOUT, "The FTP server did not answer in time.\r\n"},
    {ERROR_INTERNET_EXTENDED_ERROR, "The FTP server answered with an error:\r\n"},
    {ERROR_INTERNET_INTERNAL_ERROR, "An internal error occurred in the FTP client.\r\n"},
    {ERROR_INTERNET_INVALID_URL, "The server address or folder name cannot be used.\r\n"},
    {ERROR_INTERNET_NAME_NOT_RESOLVED, "The server name could not be resolved.\r\n"},
    {ERROR_INTERNET_OPERATION_CANCELLED, "The operation was cancelled.\r\n"},
    {ERROR_INTERNET_CANNOT_CONNECT, "The connection to the FTP server could not be made.\r\n"},
    {ERROR_INTERNET_CONNECTION_ABORTED, "The connection to the FTP server was broken off.\r\n"},
    {ERROR_INTERNET_INVALID_SERVER_RESPONSE, "The FTP server's answer could not be understood.\r\n"},
    {ERROR_INTERNET_FOLDERS_TOO_DEEP,
     "The FTP server's folders nest too deep to be searched: the server may show a folder inside itself.\r\n"},
};
}  // namespace

BOOL InitInternet()
{
    static BOOL bReady = FALSE;
    static std::once_flag once;
    std::call_once(once, [] {
        bReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK ? TRUE : FALSE;
        RegisterMessageTable("ftp", &InternetErrorText);
        SetLastResponseSource([](std::string& response) { return InternetGetLastResponseInfo(response) != FALSE; });
    });
    return bReady;
}

std::string InternetErrorText(DWORD code)
{
    for (const ErrorText& t : kTexts)
        if (t.code == code)
            return t.text;
    return {};
}

void SetInternetLastResponse(std::string strResponse) { t_lastResponse = std::move(strResponse); }

BOOL InternetGetLastResponseInfo(std::string& strResponse)
{
    strResponse = t_lastResponse;
    return TRUE;
}
