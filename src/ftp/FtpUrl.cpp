#include "FtpUrl.h"

#include "sys/HexDigit.h"

#include <curl/curl.h>

#include <charconv>
#include <memory>

namespace {
constexpr std::string_view kScheme = "ftp://";

// libcurl takes the address apart; its decoder leaves a stray "%" as it is, so escapes are
// checked here first: false for a "%" not followed by two hex digits, or for a zero byte,
// which no name or password can hold.
bool PercentDecode(std::string_view text, std::string& decoded)
{
    for (std::size_t i = text.find('%'); i != std::string_view::npos; i = text.find('%', i + 1)) {
        if (i + 2 >= text.size() || HexValue(text[i + 1]) < 0 || HexValue(text[i + 2]) < 0
            || (text[i + 1] == '0' && text[i + 2] == '0'))
            return false;
    }
    int length = 0;
    std::unique_ptr<char, decltype(&curl_free)> bytes(
        curl_easy_unescape(nullptr, text.data(), static_cast<int>(text.size()), &length), &curl_free);
    if (!bytes)
        return false;
    decoded.assign(bytes.get(), static_cast<std::size_t>(length));
    return true;
}

// People type passwords with "@" in them unescaped; libcurl would end the user part at the
// first one, so every "@" of the address's server part but the last is escaped for it.
std::string EscapedAts(const std::string& text)
{
    const std::size_t slash = text.find('/', kScheme.size());
    const std::size_t end = slash == std::string::npos ? text.size() : slash;
    const std::size_t last = text.rfind('@', end);
    if (last == std::string::npos || last < kScheme.size())
        return text;
    std::string out = text.substr(0, kScheme.size());
    for (std::size_t i = kScheme.size(); i < last; ++i)
        out += text[i] == '@' ? std::string("%40") : std::string(1, text[i]);
    return out + text.substr(last);
}

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

// One part of the address as written (still escaped); empty when the address has none.
std::string Part(CURLU* url, CURLUPart part)
{
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr)
        return {};
    std::string value(text);
    curl_free(text);
    return value;
}

bool HasPart(CURLU* url, CURLUPart part)
{
    char* text = nullptr;
    const bool has = curl_url_get(url, part, &text, 0) == CURLUE_OK && text != nullptr;
    curl_free(text);
    return has;
}
}  // namespace

std::string CFtpUrl::GetDisplayText() const
{
    std::string text(kScheme);
    if (!strUserName.empty())
        text += strUserName + "@";
    text += strHost.find(':') != std::string::npos ? "[" + strHost + "]" : strHost;
    if (nPort != 21)
        text += ":" + std::to_string(nPort);
    return text + strPath;
}

bool CFtpUrl::IsFtpUrl(const std::string& text)
{
    if (text.size() < kScheme.size())
        return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != kScheme[i])
            return false;
    }
    return true;
}

bool CFtpUrl::Parse(const std::string& text, std::string& strError)
{
    *this = CFtpUrl();
    if (!IsFtpUrl(text)) {
        strError = "\"" + text + "\" is not an ftp:// address";
        return false;
    }
    const UrlHandle url(curl_url(), &curl_url_cleanup);
    if (!url) {
        strError = "out of memory reading \"" + text + "\"";
        return false;
    }
    const std::string escaped = EscapedAts(text);
    const CURLUcode code =
        curl_url_set(url.get(), CURLUPART_URL, escaped.c_str(), CURLU_PATH_AS_IS | CURLU_ALLOW_SPACE);
    // libcurl takes "host:" for the default port; an address that says ":" means a number.
    const std::size_t slash = escaped.find('/', kScheme.size());
    const bool bEmptyPort = escaped[(slash == std::string::npos ? escaped.size() : slash) - 1] == ':';
    if (code == CURLUE_BAD_PORT_NUMBER || bEmptyPort) {
        strError = "the port in \"" + text + "\" is not a number from 0 to 65535";
        return false;
    }
    strHost = Part(url.get(), CURLUPART_HOST);
    if (code != CURLUE_OK || strHost.empty()) {
        strError = code == CURLUE_OK || code == CURLUE_NO_HOST ? "\"" + text + "\" names no server"
                                                               : "\"" + text + "\" is not a valid address";
        return false;
    }
    if (strHost.size() >= 2 && strHost.front() == '[' && strHost.back() == ']')
        strHost = strHost.substr(1, strHost.size() - 2);
    bHasPassword = HasPart(url.get(), CURLUPART_PASSWORD);
    if (!PercentDecode(Part(url.get(), CURLUPART_USER), strUserName)
        || (bHasPassword && !PercentDecode(Part(url.get(), CURLUPART_PASSWORD), strPassword))) {
        strError = "the user name or password in \"" + text + "\" has a wrong %-escape";
        return false;
    }
    const std::string port = Part(url.get(), CURLUPART_PORT);
    if (!port.empty())
        std::from_chars(port.data(), port.data() + port.size(), nPort);
    // The path as written after the address's own "/", so "ftp://host//" is the top.
    const std::string path = Part(url.get(), CURLUPART_PATH);
    const std::string written = path.empty() || path.front() != '/' ? path : path.substr(1);
    std::string decoded;
    if (!PercentDecode(written, decoded)) {
        strError = "the folder in \"" + text + "\" has a wrong %-escape";
        return false;
    }
    if (!decoded.empty()) {
        strPath = decoded.front() == '/' ? decoded : "/" + decoded;
        while (strPath.size() > 1 && strPath.back() == '/')
            strPath.pop_back();
    }
    return true;
}
