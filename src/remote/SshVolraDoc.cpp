#include "SshVolraDoc.h"

#include "FindListing.h"
#include "SshCipher.h"
#include "SshCommand.h"
#include "SshProcess.h"
#include "doc/ListingFormat.h"
#include "doc/ListingReader.h"
#include "doc/NcduReader.h"
#include "framework/ErrorBox.h"
#include "framework/UiServices.h"
#include "sys/Finder.h"
#include "sys/LastError.h"

#include <unistd.h>

namespace {
constexpr std::size_t kPiece = 64u << 10;
constexpr std::chrono::milliseconds kPoll{10};  // the longest the window waits unpainted
// No listing needs more bytes for an entry (find's record is at most 1 MiB): a server that
// sends more, one endless name say, is cut off before it fills the memory.
constexpr std::uint64_t kMaxBytesPerEntry = 1u << 20;

// The program itself answers ssh's questions (VOLRA_ASKPASS makes it do so).
std::string ThisProgram()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string("volra");
}

// A finder is what the walk asks for; the stream needs none.
class CNoFinder final : public CFinder {
public:
    BOOL FindNextFile() override { return FALSE; }
    void Close() override {}
    std::string GetFilePath() const override { return {}; }
    const std::string& GetFileName() const override { return m_name; }
    BOOL MatchesMask(DWORD) const override { return FALSE; }
    std::int64_t GetLength64() const override { return 0; }
    CTime GetCreationTime() const override { return {}; }
    CTime GetLastWriteTime() const override { return {}; }
    CTime GetLastAccessTime() const override { return {}; }

private:
    std::string m_name;
};
}  // namespace

CSshVolraDoc::CSshVolraDoc() = default;
CSshVolraDoc::~CSshVolraDoc() = default;

std::unique_ptr<CSshVolraDoc> CSshVolraDoc::FromUrl(const std::string& strUrl, std::string& strError)
{
    CSshAddress address;
    if (!address.Parse(strUrl, strError))
        return nullptr;
    auto pDoc = std::make_unique<CSshVolraDoc>();
    pDoc->PresetAddress(address);
    return pDoc;
}

void CSshVolraDoc::SetStallLimits(std::chrono::milliseconds silence, std::chrono::milliseconds grace,
                                  std::size_t nMinRate)
{
    m_silence = silence;
    m_grace = grace;
    m_nMinRate = nMinRate;
}

int CSshVolraDoc::GetProcessId() const { return m_pProcess ? m_pProcess->GetPid() : -1; }

BOOL CSshVolraDoc::OnNewDocument()
{
    if (!CVolraDoc::OnNewDocument() || m_address.strHost.empty())
        return FALSE;
    m_strRootPath = m_address.GetLabel();
    m_pRoot = m_entries.NewEntry();
    m_pCurrent = m_pRoot;
    InitRootEntry(m_pRoot, m_strRootPath);
    m_bFirstSearch = true;
    const BOOL bOk = Search(m_pRoot);
    m_bFirstSearch = false;
    if (bOk) {
        m_strLabel = "SSH " + (m_address.strUser.empty() ? "" : m_address.strUser + "@") + m_address.strHost;
        UpdateTitle();
        UpdateAllViews(nullptr, HINT_TREE_CHANGED);
        ShowUnreadableCount();
    }
    return bOk;
}

void CSshVolraDoc::InitRootEntry(CEntry* pRoot, const std::string& strRootPath) { pRoot->InitAsRoot(strRootPath); }

CEntry* CSshVolraDoc::CreateEntry(CEntry*, CFinder*) { return nullptr; }  // never listed item by item

CFinder* CSshVolraDoc::CreateFinder() { return new CNoFinder; }

void CSshVolraDoc::DeleteFinder(CFinder* pFinder) { delete pFinder; }

// The root is "HOST:PATH", so every path of the tree is the remote one behind "HOST:".
std::string CSshVolraDoc::RemotePath(const CEntry& directory) const
{
    const std::string path = directory.GetPath();
    const std::string prefix = m_address.strHost + ":";
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

BOOL CSshVolraDoc::StartFind(CFinder*, CEntry* pDirectory)
{
    std::string strError;
    End end = End::Failed;
    try {
        end = ReadRemote(pDirectory, strError);
    } catch (const std::bad_alloc&) {
        m_pProcess.reset();
        strError = "out of memory";
    }
    m_pProcess.reset();  // ends ssh, if it still runs, and reaps it
    if (end == End::Finished) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    if (end == End::Failed)
        ShowErrorBox(m_address.GetLabel() + ": " + strError, AfxGetMainWnd());
    // One box is enough: the walk ends as after a cancel, and a refresh leaves the tree.
    m_dlgProgress.m_bCancelled = TRUE;
    SetLastError(ERROR_CANCELLED);
    return FALSE;
}

CSshVolraDoc::End CSshVolraDoc::ReadRemote(CEntry* pDirectory, std::string& strError)
{
    const std::string strPath = RemotePath(*pDirectory);
    std::vector<std::string> argv;
    const SshCommand::Reader reader = SshCommand::ReaderFromEnvironment();
    if (!SshCommand::BuildArguments(m_address, SshCommand::RemoteSnippet(strPath, reader), argv, strError))
        return End::Failed;
    // Headless, nobody could answer a question: ssh fails at once instead of asking.
    if (IsHeadless())
        argv.insert(argv.begin() + 1, {"-o", "BatchMode=yes"});
    const std::vector<std::string> cipher = SshCipher::PreferenceFor(argv);
    argv.insert(argv.end() - 3, cipher.begin(), cipher.end());  // before "-- HOST SNIPPET"
    const std::vector<std::pair<std::string, std::string>> env = {
        {"SSH_ASKPASS", ThisProgram()}, {"SSH_ASKPASS_REQUIRE", "force"}, {"VOLRA_ASKPASS", "1"}};
    m_pProcess = std::make_unique<CSshProcess>();
    if (!m_pProcess->Start(argv, env, strError))
        return End::Failed;
    m_bCancelled = false;
    m_strStreamError.clear();
    m_nReceived = 0;
    m_nEntries = 0;
    m_started = m_lastData = std::chrono::steady_clock::now();
    SetFound(0, 0, pDirectory);
    // The first bytes tell the reader: ncdu's format is a JSON array, Volra's listing
    // begins with its mark, find's records with a type letter.
    std::string strFirst(kPiece, '\0');
    const std::ptrdiff_t n = Receive(strFirst.data(), strFirst.size(), strError);
    if (m_bCancelled)
        return End::Cancelled;
    if (n < 0)
        return End::Failed;
    strFirst.resize(static_cast<std::size_t>(n));
    if (!strFirst.empty() && strFirst[0] == '[')
        return ReadJsonStream(pDirectory, strFirst, strError);
    if (!strFirst.empty() && strFirst[0] == ListingFormat::kMagic[0])
        return ReadListingStream(pDirectory, strFirst, strError);
    return ReadFindStream(pDirectory, strPath, strFirst, strError);
}

CSshVolraDoc::End CSshVolraDoc::ReadFindStream(CEntry* pDirectory, const std::string& strPath, std::string& strFirst,
                                               std::string& strError)
{
    CFindListing listing(m_entries, pDirectory, strPath);
    m_pProcess->m_onErrorLine = [&listing](std::string_view line) { listing.NoteErrorLine(line); };
    // find's status is 1 when it could not read some directory, which the listing marks.
    return ReadRecords(listing, pDirectory, strFirst, strError, true);
}

CSshVolraDoc::End CSshVolraDoc::ReadListingStream(CEntry* pDirectory, std::string& strFirst, std::string& strError)
{
    CListingReader listing(m_entries, pDirectory);
    return ReadRecords(listing, pDirectory, strFirst, strError, false);
}

template <class Listing>
CSshVolraDoc::End CSshVolraDoc::ReadRecords(Listing& listing, CEntry* pDirectory, std::string& strFirst,
                                            std::string& strError, bool bExitOneOk)
{
    std::string buffer = std::move(strFirst);
    bool bOk = true;
    for (;;) {
        if (buffer.empty())
            break;
        bOk = listing.Feed(buffer);
        SetFound(listing.GetDirectoryCount(), listing.GetFileCount(), listing.GetDirectory());
        m_nEntries = static_cast<std::uint64_t>(listing.GetDirectoryCount() + listing.GetFileCount());
        if (!bOk)
            break;
        buffer.resize(kPiece);
        const std::ptrdiff_t n = Receive(buffer.data(), buffer.size(), strError);
        if (m_bCancelled)
            return End::Cancelled;
        if (n < 0)
            return End::Failed;
        buffer.resize(static_cast<std::size_t>(n));
    }
    const int nExit = m_pProcess->WaitForExit();  // its last error lines are read first
    bOk = bOk && listing.Finish();
    if (bOk && (nExit == 0 || (nExit == 1 && bExitOneOk))) {
        if (m_bFirstSearch)
            pDirectory->AddSize(0, listing.GetStartOwnDisk());
        return End::Finished;
    }
    strError = FailureText(bOk ? std::string() : listing.GetError(), nExit);
    return End::Failed;
}

CSshVolraDoc::End CSshVolraDoc::ReadJsonStream(CEntry* pDirectory, std::string& strFirst, std::string& strError)
{
    CNcduReader reader;
    reader.m_onProgress = [this](const CNcduReader::Progress& progress) {
        SetFound(progress.nDirectories, progress.nFiles, progress.pDirectory);
        m_nEntries = static_cast<std::uint64_t>(progress.nDirectories + progress.nFiles);
        return true;
    };
    bool bFirstTaken = false;
    const auto source = [&](char* pBuffer, std::size_t nSize, std::string& strReadError) -> std::ptrdiff_t {
        if (!bFirstTaken) {
            bFirstTaken = true;
            std::copy(strFirst.begin(), strFirst.end(), pBuffer);  // kPiece fits a JSON piece
            return static_cast<std::ptrdiff_t>(strFirst.size());
        }
        return Receive(pBuffer, std::min(nSize, kPiece), strReadError);
    };
    const bool bOk = reader.ReadInto(source, m_entries, pDirectory) != nullptr;
    if (m_bCancelled)
        return End::Cancelled;
    if (!m_strStreamError.empty()) {
        strError = m_strStreamError;  // not the parser's view of it
        return End::Failed;
    }
    const int nExit = m_pProcess->WaitForExit();
    if (bOk && nExit == 0) {
        if (m_bFirstSearch)
            pDirectory->AddSize(0, reader.GetStartOwnDisk());
        return End::Finished;
    }
    strError = FailureText(bOk ? std::string() : reader.GetError(), nExit);
    return End::Failed;
}

// ssh's own message says most (a refused login, a lost connection, a folder the remote
// reader could not search); the listing's problem where ssh said nothing.
std::string CSshVolraDoc::FailureText(const std::string& strParseError, int nExit) const
{
    const std::string tail = m_pProcess->GetErrorTail();
    if ((nExit != 0 || m_nReceived == 0) && !tail.empty())
        return tail;
    if (!strParseError.empty())
        return "the server's listing cannot be read: " + strParseError;
    return tail.empty() ? "the remote search ended with exit status " + std::to_string(nExit) : tail;
}

std::ptrdiff_t CSshVolraDoc::Receive(char* pBuffer, std::size_t nSize, std::string& strError)
{
    using Clock = std::chrono::steady_clock;
    for (;;) {
        if (KeepResponsive()) {
            m_bCancelled = true;
            strError = "cancelled";
            return -1;
        }
        std::size_t nRead = 0;
        switch (m_pProcess->Read(pBuffer, nSize, nRead, kPoll, strError)) {
        case CSshProcess::Result::Data:
            if (m_nReceived == 0)
                m_started = Clock::now();  // the rate counts from the first byte: an older
                    // volra on the server says nothing until its search is done
            m_nReceived += nRead;
            m_lastData = Clock::now();
            if (m_nReceived > (m_nEntries + 2) * kMaxBytesPerEntry) {
                strError = "the server sends more than a listing of " + std::to_string(m_nEntries)
                    + " entries could need: it is not a listing";
                m_strStreamError = strError;
                return -1;
            }
            return static_cast<std::ptrdiff_t>(nRead);
        case CSshProcess::Result::End:
            return 0;
        case CSshProcess::Result::Error:
            m_strStreamError = strError;
            return -1;
        case CSshProcess::Result::Idle:
            break;
        }
        const Clock::time_point now = Clock::now();
        if (now - m_lastData > m_silence) {
            strError = "the server sent nothing for "
                + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(m_silence).count()) + " seconds";
            m_strStreamError = strError;
            return -1;
        }
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_started);
        if (m_nReceived > 0 && elapsed > m_grace
            && m_nReceived * 1000
                < static_cast<std::uint64_t>(m_nMinRate) * static_cast<std::uint64_t>(elapsed.count())) {
            strError = "the server sends too slowly (less than " + std::to_string(m_nMinRate) + " bytes a second)";
            m_strStreamError = strError;
            return -1;
        }
    }
}
