#pragma once
#include "ExcludeRules.h"
#include "MetDirectories.h"
#include "VolraDoc.h"
#include "sys/ReadAhead.h"

#include <cstdint>

class CFileFind;

// A search of a local or network file system (or of one directory of it). The walk stays
// on the file system of its root unless the rules say to cross (CExcludeRules): a directory
// on another device is an entry without children, as each file system is a drive of its
// own. Crossing, it goes into other file systems but never into the kernel's pseudo ones,
// and into network ones only when asked. A directory met before in the same walk (a bind
// mount shows a folder again elsewhere) is an entry without children as well, counting
// nothing, so that nothing is counted twice; du does the same. Directories are known by
// device and inode, as inode numbers repeat from one file system to the next.
class CDriveVolraDoc : public CVolraDoc {
    Q_OBJECT
public:
    CDriveVolraDoc();

    // Asks for the drive (unless one was preset), walks it, titles the window.
    BOOL OnNewDocument() override;
    // Searches this path instead of asking: the "Folder" search of the command line and
    // the headless tools. strLabel becomes the label of the window title.
    void PresetRoot(const std::string& strRootPath, const std::string& strLabel);
    // Whether listings are read ahead on worker threads (the default, within these limits)
    // or one item at a time on this thread; the tree comes out the same either way.
    void SetReadAhead(bool bReadAhead, const CReadAhead::Options& limits = {})
    {
        m_bReadAhead = bReadAhead;
        m_readAhead = limits;
    }

    // Open/Run: hands the selected item to the desktop; the tree is never touched. The error
    // box comes when the desktop cannot open it, which may be known only after a while.
    void OnOpenFile();
    void OnUpdateOpenFile(CCmdUI* pCmdUI);
    // Delete: after the user agrees, moves the selected item to the trash and takes it out
    // of the tree, lowering every total above it by the item's total.
    void OnDeleteFile();
    void OnUpdateDeleteFile(CCmdUI* pCmdUI);
    // Move marked to trash (and Delete while marks exist): after one question, the marked
    // items go to the trash as one batch that Undo can put back; an item that cannot go
    // stays, and the ones that stayed are listed at the end. The tree loses the others.
    void OnTrashMarked();
    void OnUpdateTrashMarked(CCmdUI* pCmdUI);
    // Delete permanently: the marked items, or the selection without marks, after a
    // question that says it cannot be undone. Whatever stays is listed at the end.
    void OnDeletePermanently();
    void OnUpdateDeletePermanently(CCmdUI* pCmdUI);
    // Bytes that permanent deletions have given back since the program started.
    static std::int64_t FreedSinceStart();

    static const CCmdMap& ClassCmdMap();

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }
    bool HasLocalPaths() const override { return true; }

    // The question before anything is moved; TRUE to go ahead. In a headless run nobody can
    // answer, and nothing is deleted unasked.
    virtual BOOL ConfirmDelete(const CEntry& entry);
    // Tells the user which item stayed where it was, and why.
    virtual void ReportDeleteFailure(const std::string& strText);
    // The question before marked items are trashed or deleted (Yes/No, No unless answered);
    // never asked in a headless run, where nothing is deleted unasked.
    virtual BOOL ConfirmCleanup(const std::string& strText);
    // Lists what stayed after a batch.
    virtual void ReportCleanup(const std::string& strText);

    void InitRootEntry(CEntry* pRoot, const std::string& strRootPath) override;
    // The finder is always a local CFileFind (or its read-ahead kind) that CreateFinder made.
    CEntry* CreateEntry(CEntry* pParent, CFinder* pFinder) override;
    CFinder* CreateFinder() override;
    void DeleteFinder(CFinder* pFinder) override;
    BOOL StartFind(CFinder* pFinder, CEntry* pDirectory) override;
    void EndListing(const CEntry* pDirectory) override;
    // The inodes in use when the walk starts where a file system is mounted, else 0.
    std::uint64_t CountExpectedEntries(const CEntry& start) override;

private:
    // The items a batch acts on: the top marked ones, or the selection (never the root)
    // when bSelectionToo and nothing is marked.
    std::vector<CEntry*> CleanupItems(bool bSelectionToo) const;
    BOOL ChooseRoot(std::string& strRoot, std::string& strLabel);
    BOOL CanListRoot(const std::string& strRoot);
    void NoteWalkStart(const CEntry* pStart);
    void DecideStartMount(CEntry* pStart) const;
    // The names from the search's root down to the entry, and the root's path.
    static std::vector<std::string> NamesBelowRoot(const CEntry* pEntry, std::string& strRoot);
    bool IsMetBefore(std::uint64_t device, std::uint64_t inode);
    BOOL KeptOutAsCache(CFileFind& finder, BOOL bListing, CEntry* pDirectory) const;
    bool IsExcluded(const CEntry* pParent, std::string_view name);
    bool IsDirRepeat(CEntry& entry, const CFileFind& finder);
    void HoldBack(CEntry* pParent, std::int64_t nLength, std::int64_t nDisk);

    std::string m_strPresetRoot;
    std::string m_strPresetLabel;
    std::uint64_t m_rootDevice = 0;
    bool m_bHaveRootDevice = false;
    // The directories the running walk has met, by device and inode; it enters no other.
    CMetDirectories m_dirsMet;
    bool m_bKeepMet = true;  // false where no directory can be met twice
    bool m_bWalkStarting = false;  // its first directory is yet to be started
    bool m_bReadAhead = true;
    CReadAhead::Options m_readAhead;
    CExcludeRules m_excludes;  // the running walk's
    const CEntry* m_pPathOf = nullptr;  // whose path m_strPathOf holds
    std::string m_strPathOf;
    // The sizes of the items of the listing being read, which go up the tree together once
    // it is over: one pass up the ancestors for a directory rather than one for each item.
    CEntry* m_pHeldFor = nullptr;
    std::int64_t m_nHeldLength = 0;
    std::int64_t m_nHeldDisk = 0;
};
