#pragma once
#include "FileFind.h"
#include "ReadAhead.h"

#include <memory>

// The local finder of a walk, with the listings read ahead (CReadAhead): a walk started
// with FindFileBelow finds each further directory it asks for with FindSubdirectory already
// read, or being read, by worker threads. Everything it hands out is what the
// one-at-a-time finder would hand out: the same items in the same order, the same errors
// after the same items. A directory asked for out of the expected order is read afresh.
//
// While it waits for a listing it calls the wait hook every few milliseconds; when the hook
// answers true it gives up, with ERROR_CANCELLED. FindFile lists one directory as the
// one-at-a-time finder does, and so does a whole walk when no worker could be started (the
// system refused threads, or too few descriptors are left).
class CPrefetchFind : public CFileFind {
public:
    explicit CPrefetchFind(const CReadAhead::Options& options = {});
    ~CPrefetchFind() override;

    void SetWaitHook(CReadAhead::WaitHook hook) { m_waitHook = std::move(hook); }

    BOOL FindFile(const std::string& strDirectory) override;
    BOOL FindFileBelow(const std::string& strTop, const std::vector<std::string>& names, const void* pKey) override;
    BOOL FindSubdirectory(const void* pParentKey, const std::string& strName, const void* pKey) override;
    bool Holds(const void* pKey) const override;
    void PassOver(const void* pParentKey, const std::string& strName) override;
    BOOL FindNextFile() override;
    void Close() override;
    std::string GetFilePath() const override;

    // The most any read-ahead of this finder held so far (see CReadAhead::GetUsage).
    CReadAhead::Usage GetUsage() const;

private:
    BOOL StartReading(CReadAhead::Job* pJob);
    void DropReadAhead();
    bool Fetch(int& nEndError);  // whether a record stands at the cursor; false at the end

    CReadAhead::Options m_options;
    CReadAhead::WaitHook m_waitHook;
    std::unique_ptr<CReadAhead> m_pReadAhead;
    std::string m_strTop;  // the top's path
    CReadAhead::Cursor m_cursor;
    bool m_bHaveNext = false;  // the item after the current one stands at the cursor
    int m_nNextError = 0;  // what ended the listing after the current item
    bool m_bCancelled = false;
    bool m_bPlain = false;  // listing one item at a time, as CFileFind does
    CReadAhead::Usage m_usage;  // of the read-aheads dropped so far
};
