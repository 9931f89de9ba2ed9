#include "PrefetchFind.h"

#include "CacheDirTag.h"
#include "LastError.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

CPrefetchFind::CPrefetchFind(const CReadAhead::Options& options) : m_options(options) {}

CPrefetchFind::~CPrefetchFind()
{
    Close();
    m_pReadAhead.reset();  // stops the workers and waits for them
}

namespace {
void KeepPeaks(CReadAhead::Usage& into, const CReadAhead::Usage& usage)
{
    into.nPeakBuffered = std::max(into.nPeakBuffered, usage.nPeakBuffered);
    into.nPeakDescriptors = std::max(into.nPeakDescriptors, usage.nPeakDescriptors);
    into.nThreads = std::max(into.nThreads, usage.nThreads);
    into.nPeakWorkers = std::max(into.nPeakWorkers, usage.nPeakWorkers);
}
}  // namespace

// Stops the workers and waits for them, keeping what they held for GetUsage.
void CPrefetchFind::DropReadAhead()
{
    if (m_pReadAhead == nullptr)
        return;
    KeepPeaks(m_usage, m_pReadAhead->GetUsage());
    m_pReadAhead.reset();
}

CReadAhead::Usage CPrefetchFind::GetUsage() const
{
    CReadAhead::Usage usage = m_usage;
    if (m_pReadAhead != nullptr)
        KeepPeaks(usage, m_pReadAhead->GetUsage());
    return usage;
}

BOOL CPrefetchFind::FindFile(const std::string& strDirectory)
{
    Close();
    DropReadAhead();
    m_bPlain = true;
    return CFileFind::FindFile(strDirectory);
}

BOOL CPrefetchFind::FindFileBelow(const std::string& strTop, const std::vector<std::string>& names, const void* pKey)
{
    Close();
    DropReadAhead();
    m_bPlain = false;
    CDirStack opener;
    const int fd = opener.Reset(strTop, names, nullptr);
    m_bCacheTagged = fd >= 0 && m_bSkipCaches && !names.empty() && HasCacheDirTag(fd);
    if (m_bCacheTagged) {
        SetLastError(ERROR_NO_MORE_FILES);  // listed as empty, as CFileFind does
        return FALSE;
    }
    const int ownFd = fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    if (ownFd < 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    m_strTop = opener.Path();
    m_pReadAhead = std::make_unique<CReadAhead>(ownFd, m_options);
    if (m_pReadAhead->Workers() == 0) {
        // Nothing can read ahead: the walk reads on its own thread, one item at a time.
        DropReadAhead();
        m_bPlain = true;
        return CFileFind::FindFileBelow(strTop, names, pKey);
    }
    return StartReading(m_pReadAhead->TakeTop(pKey));
}

BOOL CPrefetchFind::FindSubdirectory(const void* pParentKey, const std::string& strName, const void* pKey)
{
    if (m_bPlain)
        return CFileFind::FindSubdirectory(pParentKey, strName, pKey);
    Close();
    m_bCacheTagged = false;
    CReadAhead::Job* pJob = m_pReadAhead != nullptr ? m_pReadAhead->TakeChild(pParentKey, strName, pKey) : nullptr;
    if (pJob != nullptr)
        return StartReading(pJob);
    // Not the directory foreseen: read afresh from there, without following links.
    std::vector<std::string> names;
    if (m_pReadAhead == nullptr || !m_pReadAhead->NamesBelowTop(pParentKey, names)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    names.push_back(strName);
    return FindFileBelow(std::string(m_strTop), names, pKey);
}

bool CPrefetchFind::Holds(const void* pKey) const
{
    if (m_bPlain)
        return CFileFind::Holds(pKey);
    return m_pReadAhead != nullptr && m_pReadAhead->ExpectsChildOf(pKey);
}

void CPrefetchFind::PassOver(const void* pParentKey, const std::string& strName)
{
    if (!m_bPlain && m_pReadAhead != nullptr)
        m_pReadAhead->PassOver(pParentKey, strName);
}

BOOL CPrefetchFind::StartReading(CReadAhead::Job* pJob)
{
    bool bCancelled = false;
    const int nOpenError = m_pReadAhead->Begin(m_cursor, pJob, m_waitHook, bCancelled);
    m_bCacheTagged = m_cursor.bCacheTagged;
    int nEndError = nOpenError;
    if (!bCancelled && nOpenError == 0 && Fetch(nEndError)) {
        m_bHaveNext = true;
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    // A listing that does not start is over: the walk asks for the next directory.
    m_pReadAhead->Finish(m_cursor);
    if (bCancelled || m_bCancelled)
        SetLastError(ERROR_CANCELLED);
    else
        SetLastError(nEndError != 0 ? ErrorFromErrno(nEndError) : ERROR_NO_MORE_FILES);
    return FALSE;
}

bool CPrefetchFind::Fetch(int& nEndError)
{
    m_bCancelled = false;
    const CReadAhead::Record* pRecord = nullptr;
    switch (m_pReadAhead->Peek(m_cursor, pRecord, nEndError, m_waitHook)) {
    case CReadAhead::EGot::Cancelled:
        m_bCancelled = true;
        return false;
    case CReadAhead::EGot::End:
        return false;
    case CReadAhead::EGot::Record:
        break;
    }
    return true;
}

BOOL CPrefetchFind::FindNextFile()
{
    if (m_bPlain)
        return CFileFind::FindNextFile();
    if (!m_bHaveNext) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    // Copied straight from the read-ahead's record: the item is the finder's from here on.
    const CReadAhead::Record& record = m_cursor.pChunk->At(m_cursor.nRecord);
    m_cur.name.assign(m_cursor.pChunk->NameOf(record));
    m_cursor.pChunk->StatusOf(record, m_cur);
    m_pReadAhead->Advance(m_cursor);
    int nEndError = 0;
    m_bHaveNext = Fetch(nEndError);
    if (m_bHaveNext)
        return TRUE;
    if (m_bCancelled)
        SetLastError(ERROR_CANCELLED);
    else
        SetLastError(nEndError != 0 ? ErrorFromErrno(nEndError) : ERROR_NO_MORE_FILES);
    return FALSE;
}

void CPrefetchFind::Close()
{
    if (m_bPlain)
        CFileFind::Close();
    if (m_pReadAhead != nullptr && m_cursor.pJob != nullptr)
        m_pReadAhead->Finish(m_cursor);
    m_bHaveNext = false;
}

std::string CPrefetchFind::GetFilePath() const
{
    if (m_bPlain || m_pReadAhead == nullptr || m_cursor.pJob == nullptr)
        return CFileFind::GetFilePath();
    std::string path = m_strTop;
    for (const std::string& name : m_pReadAhead->NamesBelowTop(m_cursor.pJob))
        path = JoinPath(path, name);
    return JoinPath(path, m_cur.name);
}
