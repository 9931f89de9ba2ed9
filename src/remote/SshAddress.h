#pragma once
#include <string>

// An SSH search's address: ssh://[USER@]HOST[:PORT]/PATH. PATH is the remote folder's bytes,
// always absolute; "%XX" in it stands for the byte XX (so that any name can be written),
// every other byte stands for itself. HOST may be a bracketed IPv6 address. Nothing in an
// address can become an option of ssh: a user or host beginning with "-" is refused.
struct CSshAddress {
    std::string strUser;  // empty: ssh's own choice (its config, then the local user)
    std::string strHost;
    int nPort = 0;  // 0: ssh's own choice
    std::string strPath;  // absolute, without trailing "/" (but "/" itself)

    static bool IsSshUrl(const std::string& strText);
    // False with the reason when strText is no such address.
    bool Parse(const std::string& strText, std::string& strError);
    // "HOST:PATH": the window's label and the root's name.
    std::string GetLabel() const { return strHost + ":" + strPath; }
    // The address again, with the same folder: ssh://[USER@]HOST[:PORT]PATH.
    std::string ToUrl() const;
};
