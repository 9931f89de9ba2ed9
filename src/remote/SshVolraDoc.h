#pragma once
#include "SshAddress.h"
#include "doc/VolraDoc.h"

#include <chrono>
#include <memory>
#include <string>

class CSshProcess;

// A search run on another machine through the system's OpenSSH client: the remote side
// walks its own tree (volra, ncdu or GNU find, whichever it has; see SshCommand) and only
// the result travels (a remote Volra sends its own listing, ListingFormat), streamed into the tree as it comes. The root is named "HOST:PATH".
//
// The walk's machinery is kept: its start directory is read in one go, the whole subtree
// from one stream, so Refresh reruns the remote search for the subtree it is given.
// Nothing here can open or delete a remote item, so Open/Run and Delete show disabled.
class CSshVolraDoc : public CVolraDoc {
    Q_OBJECT
public:
    CSshVolraDoc();
    ~CSshVolraDoc() override;

    void PresetAddress(const CSshAddress& address) { m_address = address; }
    // A document for an ssh:// address; null with the reason when it is malformed.
    static std::unique_ptr<CSshVolraDoc> FromUrl(const std::string& strUrl, std::string& strError);
    const CSshAddress& GetAddress() const { return m_address; }

    // Searches the preset address; a failure has been told in one error box (headless:
    // on standard error), after which the document is discarded.
    BOOL OnNewDocument() override;

    // A server that stops sending: nothing for nSilence ends the search, and so does a
    // rate below nMinRate bytes a second, averaged since the start, once grace has passed.
    void SetStallLimits(std::chrono::milliseconds silence, std::chrono::milliseconds grace, std::size_t nMinRate);
    // The running ssh process, or -1: tests make sure it is gone after a cancel.
    int GetProcessId() const;

protected:
    void InitRootEntry(CEntry* pRoot, const std::string& strRootPath) override;
    CEntry* CreateEntry(CEntry* pParent, CFinder* pFinder) override;
    CFinder* CreateFinder() override;
    void DeleteFinder(CFinder* pFinder) override;
    // Reads the whole subtree of pDirectory from the server. It always ends the directory's
    // listing: finished, or cancelled after the error box has told why it failed.
    BOOL StartFind(CFinder* pFinder, CEntry* pDirectory) override;

private:
    enum class End { Finished, Failed, Cancelled };
    End ReadRemote(CEntry* pDirectory, std::string& strError);
    End ReadFindStream(CEntry* pDirectory, const std::string& strPath, std::string& strFirst, std::string& strError);
    End ReadListingStream(CEntry* pDirectory, std::string& strFirst, std::string& strError);
    // Feeds the stream to a listing (find's or Volra's) until it ends or is refused.
    template <class Listing>
    End ReadRecords(Listing& listing, CEntry* pDirectory, std::string& strFirst, std::string& strError,
                    bool bExitOneOk);
    End ReadJsonStream(CEntry* pDirectory, std::string& strFirst, std::string& strError);
    std::ptrdiff_t Receive(char* pBuffer, std::size_t nSize, std::string& strError);
    std::string RemotePath(const CEntry& directory) const;
    std::string FailureText(const std::string& strParseError, int nExit) const;

    CSshAddress m_address;
    std::unique_ptr<CSshProcess> m_pProcess;  // owned; only while a stream is read
    bool m_bFirstSearch = true;  // the root's own blocks are counted once
    bool m_bCancelled = false;  // the stream was given up by the user
    std::string m_strStreamError;  // why the stream could not be read on, if it could not
    std::chrono::milliseconds m_silence{std::chrono::minutes(10)};
    std::chrono::milliseconds m_grace{std::chrono::minutes(1)};
    std::size_t m_nMinRate = 64;
    std::chrono::steady_clock::time_point m_started;
    std::chrono::steady_clock::time_point m_lastData;
    std::uint64_t m_nReceived = 0;  // bytes of the stream
    std::uint64_t m_nEntries = 0;  // entries made of them
};
