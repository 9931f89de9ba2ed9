#include "FtpFileFind.h"

#include "FtpConnection.h"
#include "InternetError.h"
#include "sys/LastError.h"

namespace {
const CFtpItem kNoItem{};

// Replies by which a server refuses to list a directory it let us enter: the directory is
// unavailable to us (450) or not allowed (550).
bool IsRefusedListing(long nReplyCode) { return nReplyCode == 450 || nReplyCode == 550; }
}  // namespace

CFtpFileFind::CFtpFileFind(CFtpConnection* pConnection, DWORD) : m_pConnection(pConnection) {}

CFtpFileFind::~CFtpFileFind() = default;

BOOL CFtpFileFind::FindFile()
{
    Close();
    long nReplyCode = 0;
    m_pConnection->GetCurrentDirectory(m_strRoot);
    if (!m_pConnection->ListCurrentDirectory(m_items, nReplyCode)) {
        if (GetLastError() == ERROR_INTERNET_EXTENDED_ERROR && IsRefusedListing(nReplyCode))
            SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (m_items.empty()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL CFtpFileFind::FindNextFile()
{
    if (m_nNext >= m_items.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    ++m_nNext;
    if (m_nNext < m_items.size())
        return TRUE;
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
}

void CFtpFileFind::Close()
{
    m_items.clear();
    m_nNext = 0;
}

const CFtpItem& CFtpFileFind::Current() const { return m_nNext > 0 ? m_items[m_nNext - 1] : kNoItem; }

std::string CFtpFileFind::GetFilePath() const
{
    std::string path = m_strRoot;
    if (path.empty() || (path.back() != '/' && path.back() != '\\'))
        path += '/';
    return path + Current().name;
}

const std::string& CFtpFileFind::GetFileName() const { return Current().name; }

BOOL CFtpFileFind::MatchesMask(DWORD dwMask) const
{
    const DWORD attributes = Current().directory ? FILE_ATTRIBUTE_DIRECTORY : 0;
    return (attributes & dwMask) != 0 ? TRUE : FALSE;
}

std::int64_t CFtpFileFind::GetLength64() const { return Current().size; }
CTime CFtpFileFind::GetCreationTime() const { return Current().modified; }
CTime CFtpFileFind::GetLastWriteTime() const { return Current().modified; }
CTime CFtpFileFind::GetLastAccessTime() const { return Current().modified; }
