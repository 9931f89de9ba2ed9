#include "SshAddress.h"

#include "sys/HexDigit.h"

namespace {
constexpr std::string_view kScheme = "ssh://";

// A user or host name ssh takes as it is: no option, no space or control byte, nothing
// that its own parsing of "user@host" would split again.
bool IsPlainName(const std::string& s)
{
    if (s.empty() || s[0] == '-')
        return false;
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || u == 0x7f || c == '@' || c == '/' || c == '\'' || c == '"' || c == '\\')
            return false;
    }
    return true;
}

bool DecodePath(std::string_view in, std::string& out, std::string& strError)
{
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        const int hi = i + 2 < in.size() ? HexValue(in[i + 1]) : -1;
        const int lo = i + 2 < in.size() ? HexValue(in[i + 2]) : -1;
        if (hi < 0 || lo < 0) {
            strError = "\"%\" in the folder must be followed by two hexadecimal digits (%25 for \"%\" itself)";
            return false;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    if (out.find('\0') != std::string::npos) {
        strError = "the folder may not contain a NUL byte";
        return false;
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return true;
}

bool ParsePort(std::string_view text, int& nPort)
{
    if (text.empty() || text.size() > 5)
        return false;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    nPort = n;
    return n >= 1 && n <= 65535;
}

// HOST[:PORT] or [IPV6][:PORT]; false with the problem.
bool SplitHostPort(std::string_view authority, std::string& host, int& nPort, std::string& problem)
{
    std::string_view port;
    bool bHasPort = false;
    const bool bBracketed = !authority.empty() && authority[0] == '[';
    if (bBracketed) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            problem = "the IPv6 address has no closing \"]\"";
            return false;
        }
        host = std::string(authority.substr(1, close - 1));
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after[0] != ':') {
            problem = "only a port may follow the host";
            return false;
        }
        bHasPort = !after.empty();
        port = bHasPort ? after.substr(1) : after;
    } else if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
        host = std::string(authority.substr(0, colon));
        bHasPort = true;
        port = authority.substr(colon + 1);
    } else {
        host = std::string(authority);
    }
    if (!IsPlainName(host) || (host.find(':') != std::string::npos && !bBracketed)) {
        problem = host.empty() ? "the host is missing" : "the host is not one ssh could be given";
        return false;
    }
    if (bHasPort && !ParsePort(port, nPort)) {
        problem = "the port must be a number from 1 to 65535";
        return false;
    }
    return true;
}
}  // namespace

bool CSshAddress::IsSshUrl(const std::string& strText) { return strText.rfind(kScheme, 0) == 0; }

bool CSshAddress::Parse(const std::string& strText, std::string& strError)
{
    *this = {};
    const std::string bad = "\"" + strText + "\" is not an SSH address: ";
    if (!IsSshUrl(strText)) {
        strError = bad + "it must begin with ssh://";
        return false;
    }
    const std::string_view rest = std::string_view(strText).substr(kScheme.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) {
        strError = bad + "write the folder after the host: ssh://[USER@]HOST[:PORT]/PATH";
        return false;
    }
    std::string_view authority = rest.substr(0, slash);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        strUser = std::string(authority.substr(0, at));
        authority.remove_prefix(at + 1);
        if (!IsPlainName(strUser)) {
            strError = bad + "the user name is not one ssh could be given";
            return false;
        }
    }
    std::string problem;
    if (!SplitHostPort(authority, strHost, nPort, problem) || !DecodePath(rest.substr(slash), strPath, problem)) {
        strError = bad + problem;
        return false;
    }
    return true;
}

std::string CSshAddress::ToUrl() const
{
    std::string url(kScheme);
    if (!strUser.empty())
        url += strUser + "@";
    url += strHost.find(':') != std::string::npos ? "[" + strHost + "]" : strHost;
    if (nPort != 0)
        url += ":" + std::to_string(nPort);
    for (const char c : strPath) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '%' || u < 0x20 || u >= 0x7f) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            url += '%';
            url += kHex[u >> 4];
            url += kHex[u & 15];
        } else {
            url += c;
        }
    }
    return url;
}
