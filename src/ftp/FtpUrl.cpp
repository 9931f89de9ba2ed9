#include "FtpUrl.h"

#include <charconv>

namespace {
constexpr std::string_view kScheme = "ftp://";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "%20" and the like to their bytes; false for a "%" not followed by two hex digits, or
// for a zero byte, which no name or password can hold.
bool PercentDecode(std::string_view text, std::string& decoded)
{
    decoded.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int hi = HexValue(text[i + 1]);
        const int lo = HexValue(text[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0))
            return false;
        decoded += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
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
    const std::string_view rest = std::string_view(text).substr(kScheme.size());
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        bHasPassword = colon != std::string_view::npos;
        if (!PercentDecode(userInfo.substr(0, colon), strUserName)
            || (bHasPassword && !PercentDecode(userInfo.substr(colon + 1), strPassword))) {
            strError = "the user name or password in \"" + text + "\" has a wrong %-escape";
            return false;
        }
        authority.remove_prefix(at + 1);
    }
    // The port follows the last ":" unless that is inside an IPv6 address in brackets.
    const std::size_t bracket = authority.rfind(']');
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        const std::string_view port = authority.substr(colon + 1);
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), nPort);
        if (port.empty() || error != std::errc() || end != port.data() + port.size() || nPort < 0 || nPort > 65535) {
            strError = "the port in \"" + text + "\" is not a number from 0 to 65535";
            return false;
        }
        authority = authority.substr(0, colon);
    }
    if (authority.size() >= 2 && authority.front() == '[' && authority.back() == ']')
        authority = authority.substr(1, authority.size() - 2);
    strHost.assign(authority);
    if (strHost.empty()) {
        strError = "\"" + text + "\" names no server";
        return false;
    }
    std::string decoded;
    if (!PercentDecode(path, decoded)) {
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
