#pragma once
#include "doc/VolraDoc.h"

#include <chrono>
#include <memory>
#include <string>

class CFtpConnection;
class CInternetSession;
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
    // How long a silent server is waited for before the search ends with an error.
    void SetTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // Control connections the last search opened: 1 unless the server dropped one.
    long GetConnectionCount() const { return m_nConnections; }

    std::string m_strHost;
    std::string m_strUserName;
    std::string m_strPassword;  // held in memory as typed
    int m_nPort = 0;

protected:
    void InitRootEntry(CEntry* pRoot, const std::string& strRootPath) override;
    std::unique_ptr<CEntry> CreateEntry(CEntry* pParent, CFinder* pFinder) override;
    // A new CFtpFileFind on the connection, logging in first when there is none; null when
    // the login fails (the reason in the last error code).
    CFinder* CreateFinder() override;
    // Deletes the finder, then logs out and closes the session.
    void DeleteFinder(CFinder* pFinder) override;
    // Changes to the directory and lists it. A directory the server will not enter is
    // treated like one it will not list: access denied, so it stays without children.
    BOOL StartFind(CFinder* pFinder, CEntry* pDirectory) override;

private:
    BOOL ChooseAccount();
    BOOL AskPassword();
    BOOL Connect();
    void Disconnect();
    BOOL CanEnterPresetRoot();

    std::unique_ptr<CInternetSession> m_pSession;  // owned; only during a search
    std::unique_ptr<CFtpConnection> m_pConnection; // owned; only during a search
    bool m_bPreset = false;
    bool m_bAskPassword = false;
    std::string m_strPresetPath;  // the root asked for, or empty for the server's own
    std::chrono::milliseconds m_timeout;
    long m_nConnections = 0;
};
