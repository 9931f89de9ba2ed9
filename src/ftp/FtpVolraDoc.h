#pragma once
#include "doc/VolraDoc.h"

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CFtpConnection;
class CInternetSession;
struct CFtpItem;
struct CFtpUrl;

// A search of an FTP account. It logs in with the account's details, takes the server's
// current directory as the root and walks everything below it with the shared walk, one
// connection (and one worker thread) per search: the first search and each Refresh log in
// anew and log out at their end. It has no file commands, so Open/Run and Delete are
// disabled in its windows.
class CFtpVolraDoc : public CVolraDoc {
    Q_OBJECT
public:
    CFtpVolraDoc();
    ~CFtpVolraDoc() override;

    // Asks for the account (unless one was preset), logs in, walks, titles the window
    // "(USER on HOST) PATH (SIZE)". A failed login is told in the error box; the document
    // is then discarded, as after a cancel.
    BOOL OnNewDocument() override;
    // Searches this account instead of asking: the command line's ftp:// address and the
    // headless tools. Without a password in it the user is asked for one (headless: the
    // search fails with a message).
    void PresetAccount(const CFtpUrl& url);
    // A document preset from an ftp:// address; null with the reason when it is malformed.
    static std::unique_ptr<CFtpVolraDoc> FromUrl(const std::string& strUrl, std::string& strError);
    // How long a silent server is waited for before the search ends with an error; also
    // the period in which a listing must bring at least 1 KiB.
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // Logins of the last search: 1 unless the server dropped the connection.
    long GetLoginCount() const { return m_nLogins; }
    // Directories this deep (the root is 0) end the search with an error: a server that
    // shows a folder inside itself, and hides it, is followed no further.
    static constexpr int kMaxDepth = 512;
    void SetMaxDepth(int nDepth) { m_nMaxDepth = nDepth; }

    std::string m_strHost;
    std::string m_strUserName;
    std::string m_strPassword;  // held in memory as typed
    int m_nPort = 0;

protected:
    void InitRootEntry(CEntry* pRoot, const std::string& strRootPath) override;
    CEntry* CreateEntry(CEntry* pParent, CFinder* pFinder) override;
    // A new CFtpFileFind on the connection, logging in first when there is none; null when
    // the login fails (the reason in the last error code).
    CFinder* CreateFinder() override;
    // Deletes the finder, then logs out and closes the session.
    void DeleteFinder(CFinder* pFinder) override;
    // Changes to the directory and lists it. A directory the server will not enter is
    // treated like one it will not list: access denied, so it stays without children. So
    // is a directory that is one of its own ancestors (a server that follows links), known
    // by the server's identity of it or by a listing that repeats an ancestor's under the
    // same name, so that every walk ends.
    BOOL StartFind(CFinder* pFinder, CEntry* pDirectory) override;

private:
    BOOL ChooseAccount();
    BOOL AskPassword();
    BOOL Connect();
    void Disconnect();
    BOOL CanEnterPresetRoot();
    bool IsOwnAncestor(const CEntry* pDirectory) const;
    static bool RepeatsAncestor(const CEntry* pDirectory, const std::vector<CFtpItem>& items);

    std::unique_ptr<CInternetSession> m_pSession;  // owned; only during a search
    std::unique_ptr<CFtpConnection> m_pConnection;  // owned; only during a search
    bool m_bPreset = false;
    bool m_bAskPassword = false;
    std::string m_strPresetPath;  // the root asked for, or empty for the server's own
    std::chrono::milliseconds m_timeout;
    long m_nLogins = 0;
    int m_nMaxDepth = kMaxDepth;
    // The server's identities of the directories found by the running walk; keys not owned.
    std::unordered_map<const CEntry*, std::string> m_uniqueIds;
};
