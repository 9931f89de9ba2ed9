#include "DriveVolraDoc.h"

#include "DriveSelectDlg.h"
#include "cleanup/FreedSpace.h"
#include "cleanup/PermanentDelete.h"
#include "framework/DisplayText.h"
#include "framework/ErrorBox.h"
#include "framework/Shell.h"
#include "framework/UiServices.h"
#include "model/FormatSize.h"
#include "sys/DirStack.h"
#include "sys/DiskSpace.h"
#include "sys/ErrorText.h"
#include "sys/FileFind.h"
#include "sys/LastError.h"
#include "sys/MountTable.h"
#include "sys/PrefetchFind.h"
#include "sys/Trash.h"
#include "sys/TrashBatch.h"

#include <QMessageBox>
#include <algorithm>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
// The question before anything is moved or deleted: No is the default, so Enter alone
// never deletes anything.
BOOL AskBeforeDeleting(const QString& strText)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Volra"), strText, QMessageBox::Yes | QMessageBox::No,
                    AfxGetMainWnd());
    box.setWindowFlags(kDialogWindowFlags);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? TRUE : FALSE;
}

// A failed move to the trash names the item that stayed and why. The error box's short
// text buffer could not hold a long path, so this message is built in full.
std::string ErrorReason(DWORD code)
{
    char reason[256];
    FormatErrorText(code, reason, sizeof reason);
    std::string why = reason;
    while (!why.empty() && (why.back() == '\n' || why.back() == '\r'))
        why.pop_back();
    return why;
}

std::string DeleteFailureText(const std::string& strPath, DWORD code)
{
    return "Could not move \"" + strPath + "\" to the trash.\n" + ErrorReason(code);
}

// The local finder's current item, as FinderItem makes it, read straight from its status.
CFoundItem LocalItem(const CFileFind& finder)
{
    const CFileStatus& status = finder.GetStatus();
    CFoundItem item;
    item.name = finder.GetName();
    item.bDirectory = status.directory;
    item.nLength = status.size;
    item.nAllocated = status.allocated;
    item.created = status.created;
    item.modified = status.modified;
    item.accessed = status.accessed;
    item.bHardLink = !status.directory && status.links >= 2;
    if (item.bHardLink)
        item.link = {status.device, status.inode, status.links};
    if (status.inode != 0) {  // else its status could not be read
        item.device = status.device;
        item.inode = status.inode;
    }
    return item;
}

// Byte counts of many items: they stop at the largest value rather than wrap.
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return sum;
}
}  // namespace

CDriveVolraDoc::CDriveVolraDoc() = default;

const CCmdMap& CDriveVolraDoc::ClassCmdMap()
{
    static const CCmdMap map =
        CCmdMapOf<CDriveVolraDoc>(&CVolraDoc::ClassCmdMap())
            .On(ID_OPEN_RUN, &CDriveVolraDoc::OnOpenFile, &CDriveVolraDoc::OnUpdateOpenFile)
            .On(ID_DELETE, &CDriveVolraDoc::OnDeleteFile, &CDriveVolraDoc::OnUpdateDeleteFile)
            .On(ID_TRASH_MARKED, &CDriveVolraDoc::OnTrashMarked, &CDriveVolraDoc::OnUpdateTrashMarked)
            .On(ID_DELETE_PERMANENTLY, &CDriveVolraDoc::OnDeletePermanently,
                &CDriveVolraDoc::OnUpdateDeletePermanently);
    return map;
}

void CDriveVolraDoc::PresetRoot(const std::string& strRootPath, const std::string& strLabel)
{
    m_strPresetRoot = strRootPath;
    m_strPresetLabel = strLabel;
}

BOOL CDriveVolraDoc::ChooseRoot(std::string& strRoot, std::string& strLabel)
{
    if (!m_strPresetRoot.empty()) {
        strRoot = m_strPresetRoot;
        strLabel = m_strPresetLabel;
        return TRUE;
    }
    CDriveSelectDlg dlg(AfxGetMainWnd());
    if (dlg.DoModal() != IDOK)
        return FALSE;
    strRoot = dlg.m_strDrive;
    strLabel = dlg.m_strTitle;
    return TRUE;
}

// A root that cannot be listed at all (unmounted meanwhile, no permission on the root
// itself) gets one error box and no document, rather than an empty window.
BOOL CDriveVolraDoc::CanListRoot(const std::string& strRoot)
{
    CFileFind probe;
    if (probe.FindFile(strRoot) || GetLastError() == ERROR_NO_MORE_FILES)
        return TRUE;
    ReportLastError();
    return FALSE;
}

BOOL CDriveVolraDoc::OnNewDocument()
{
    if (!CVolraDoc::OnNewDocument())
        return FALSE;
    std::string strRoot;
    std::string strLabel;
    if (!ChooseRoot(strRoot, strLabel))
        return FALSE;
    if (!CanListRoot(strRoot))
        return FALSE;
    m_strRootPath = strRoot;
    m_pRoot = m_entries.NewEntry();
    m_pCurrent = m_pRoot;
    InitRootEntry(m_pRoot, m_strRootPath);
    const BOOL bOk = Search(m_pRoot);
    if (bOk) {
        m_strLabel = strLabel;
        UpdateTitle();
        UpdateAllViews(nullptr, HINT_TREE_CHANGED);
        ShowUnreadableCount();
    }
    return bOk;
}

void CDriveVolraDoc::InitRootEntry(CEntry* pRoot, const std::string& strRootPath)
{
    pRoot->InitAsRoot(strRootPath);
    struct stat st {};
    m_bHaveRootDevice = ::stat(strRootPath.c_str(), &st) == 0;
    m_rootDevice = m_bHaveRootDevice ? static_cast<std::uint64_t>(st.st_dev) : 0;
    if (!m_bHaveRootDevice)
        return;
    pRoot->AddSize(0, static_cast<std::int64_t>(st.st_blocks) * 512);
    pRoot->SetIdentity(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
}

CEntry* CDriveVolraDoc::CreateEntry(CEntry* pParent, CFinder* pFinder)
{
    CEntry* entry = m_entries.NewEntry();
    CFoundItem item = LocalItem(static_cast<const CFileFind&>(*pFinder));
    const bool bExcluded = IsExcluded(pParent, item.name);
    if (bExcluded) {
        // Kept to show where it is, counting nothing.
        item.nLength = item.nAllocated = 0;
        item.bHardLink = false;
    }
    // A hard link's blocks are claimed by the first of its names met, up the tree at once;
    // any other item's sizes are its own until its listing is over (EndListing).
    std::int64_t nLength = 0;
    std::int64_t nDisk = 0;
    if (!item.bHardLink) {
        nLength = item.bDirectory ? 0 : item.nLength;
        nDisk = item.nAllocated;
        item.nLength = item.nAllocated = 0;
    }
    entry->InitFromItem(pParent, item);
    entry->SetExcluded(bExcluded);
    if (entry->IsDirectory() && !bExcluded && IsDirRepeat(*entry, static_cast<const CFileFind&>(*pFinder)))
        nDisk = 0;  // its blocks are the first one's
    if (nLength != 0 || nDisk != 0) {
        entry->RestoreTotals(nLength, nDisk);
        HoldBack(pParent, nLength, nDisk);
    }
    return entry;
}

// Marks a directory met as the finder's current item that is another file system, or one
// met before (a bind mount): true for the latter, which counts nothing.
bool CDriveVolraDoc::IsDirRepeat(CEntry& entry, const CFileFind& finder)
{
    const CFsCrossing crossing = m_excludes.Crossing();
    if (!crossing.bCross && !m_bHaveRootDevice)
        return false;
    // Crossing, the finder has told the kind of every file system met below the root.
    const bool bOtherFs = crossing.bCross ? !crossing.Enters(finder.GetFsKind()) : finder.GetDevice() != m_rootDevice;
    if (bOtherFs) {
        entry.SetMountPoint(true);
        return false;
    }
    if (finder.GetInode() == 0 || !IsMetBefore(finder.GetDevice(), finder.GetInode()))
        return false;
    entry.SetDirRepeat(true);
    return true;
}

void CDriveVolraDoc::HoldBack(CEntry* pParent, std::int64_t nLength, std::int64_t nDisk)
{
    if (pParent != m_pHeldFor)
        EndListing(m_pHeldFor);
    m_pHeldFor = pParent;
    m_nHeldLength = SaturatingAdd(m_nHeldLength, nLength);
    m_nHeldDisk = SaturatingAdd(m_nHeldDisk, nDisk);
}

void CDriveVolraDoc::EndListing(const CEntry* pDirectory)
{
    if (pDirectory == nullptr || pDirectory != m_pHeldFor)
        return;
    m_pHeldFor->AddSize(std::exchange(m_nHeldLength, 0), std::exchange(m_nHeldDisk, 0));
    m_pHeldFor = nullptr;
}

// The parent's path is made once for all its children: patterns match whole paths.
bool CDriveVolraDoc::IsExcluded(const CEntry* pParent, std::string_view name)
{
    if (m_excludes.patterns.empty())
        return false;
    if (pParent != m_pPathOf) {
        m_strPathOf = pParent->GetPath();
        m_pPathOf = pParent;
    }
    return m_excludes.Matches(CFileFind::JoinPath(m_strPathOf, std::string(name)));
}

bool CDriveVolraDoc::IsMetBefore(std::uint64_t device, std::uint64_t inode)
{
    if (!m_bKeepMet)
        return false;
    try {
        return m_dirsMet.Meet(device, inode);
    } catch (const std::bad_alloc&) {
        return false;  // out of memory: the walk goes on, as it did before it kept count
    }
}

// A walk starts afresh at the root, or at a directory a refresh reads again: what it meets
// is compared with that directory and the ones above it (a bind mount of an ancestor).
// Found by "..", one level at a time, so that a long path is no obstacle. A walk that keeps
// to one file system meets a directory twice only through a mount of that file system below
// its start; with none, it keeps no count. The mount table is read once, as the walk starts:
// a mount made meanwhile may show a directory twice, as it would to du.
void CDriveVolraDoc::NoteWalkStart(const CEntry* pStart)
{
    m_dirsMet.Clear();
    int fd = ::open(pStart->GetPath().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    m_bKeepMet = m_excludes.bCrossFileSystems || fd < 0 || MayMeetDirectoriesTwice(fd);
    for (const CEntry* p = pStart; p != nullptr && fd >= 0 && m_bKeepMet; p = p->GetParent()) {
        struct stat st {};
        if (::fstat(fd, &st) == 0
            && (m_excludes.bCrossFileSystems || static_cast<std::uint64_t>(st.st_dev) == m_rootDevice))
            IsMetBefore(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
        const int up = p->GetParent() != nullptr ? ::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
        ::close(fd);
        fd = up;
    }
    if (fd >= 0)
        ::close(fd);
}

// Listings and status reads run ahead of the walk on worker threads; the walk, the tree and
// the progress stay here, in the same order as with the one-at-a-time finder.
CFinder* CDriveVolraDoc::CreateFinder()
{
    m_bWalkStarting = true;
    m_bKeepMet = true;
    m_excludes = CExcludeRules::ForSearches();  // a refresh keeps to the rules of its time
    m_pPathOf = nullptr;
    m_pHeldFor = nullptr;  // a walk that failed in mid-listing left its sizes held for nothing
    m_nHeldLength = m_nHeldDisk = 0;
    const CFsCrossing crossing = m_excludes.Crossing();
    if (!m_bReadAhead) {
        auto* pFinder = new CFileFind;
        pFinder->SetSkipCaches(m_excludes.bExcludeCaches);
        pFinder->SetAskFsKinds(crossing.bCross);
        return pFinder;
    }
    CReadAhead::Options options = m_readAhead;
    options.bStayOnDevice = m_bHaveRootDevice && !crossing.bCross;
    options.device = m_rootDevice;
    options.bSkipCaches = m_excludes.bExcludeCaches;
    options.crossing = crossing;
    auto* pFinder = new CPrefetchFind(options);
    pFinder->SetSkipCaches(m_excludes.bExcludeCaches);
    pFinder->SetAskFsKinds(crossing.bCross);
    pFinder->SetWaitHook([this] { return KeepResponsive(); });
    return pFinder;
}

void CDriveVolraDoc::DeleteFinder(CFinder* pFinder)
{
    delete pFinder;
    m_dirsMet.Clear();  // the walk is over: its memory goes back
    m_pPathOf = nullptr;
    m_strPathOf = {};
}

BOOL CDriveVolraDoc::StartFind(CFinder* pFinder, CEntry* pDirectory)
{
    auto* pLocal = static_cast<CFileFind*>(pFinder);
    const CEntry* pParent = pDirectory->GetParent();
    if (std::exchange(m_bWalkStarting, false)) {
        if (m_bHaveRootDevice)
            NoteWalkStart(pDirectory);
        // A refresh of a folder left out keeps it out while a pattern still says so, and one
        // of a mount point follows the rules of its time.
        if (pParent != nullptr && IsExcluded(pParent, pDirectory->GetName())) {
            pDirectory->SetExcluded(true);
            pDirectory->AddSize(0, -pDirectory->GetDiskSize());  // nothing counted, as at first
        } else if (pParent != nullptr) {
            DecideStartMount(pDirectory);
        }
    }
    if (pDirectory->IsMountPoint() || pDirectory->IsDirRepeat() || pDirectory->IsExcluded()) {
        if (!pDirectory->IsMountPoint() && pParent != nullptr && pLocal->Holds(pParent))
            pLocal->PassOver(pParent, std::string(pDirectory->GetName()));
        // Another file system, counted already or left out: listed as empty.
        SetLastError(ERROR_SUCCESS);
        return FALSE;
    }
    if (pParent != nullptr && pLocal->Holds(pParent)) {
        const BOOL bListing = pLocal->FindSubdirectory(pParent, std::string(pDirectory->GetName()), pDirectory);
        return KeptOutAsCache(*pLocal, bListing, pDirectory);
    }
    // The first directory of a walk (the root, or the directory a refresh re-reads) is
    // reached from the root's path one name at a time, so no link on the way is followed.
    std::string strTop;
    const std::vector<std::string> names = NamesBelowRoot(pDirectory, strTop);
    // A refresh of a cache keeps it out, as the first search did.
    return KeptOutAsCache(*pLocal, pLocal->FindFileBelow(strTop, names, pDirectory), pDirectory);
}

std::vector<std::string> CDriveVolraDoc::NamesBelowRoot(const CEntry* pEntry, std::string& strRoot)
{
    std::vector<std::string> names;
    for (; pEntry->GetParent() != nullptr; pEntry = pEntry->GetParent())
        names.emplace_back(pEntry->GetName());
    std::reverse(names.begin(), names.end());
    strRoot = pEntry->GetName();  // a search's root is named by its path
    return names;
}

// A listing that did not start because its directory is a cache: the directory is kept out.
BOOL CDriveVolraDoc::KeptOutAsCache(CFileFind& finder, BOOL bListing, CEntry* pDirectory) const
{
    if (bListing || !finder.WasCacheTagged())
        return bListing;
    pDirectory->SetExcluded(true);
    pDirectory->AddSize(0, -pDirectory->GetDiskSize());  // a cache counts nothing
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

// A refresh that starts at a directory of another file system than its parent's enters it
// only as a search would now: crossing, and on a file system of a kind it enters. The
// parent is reached as the listing will be, name by name without following a link.
void CDriveVolraDoc::DecideStartMount(CEntry* pStart) const
{
    const CEntry* pParent = pStart->GetParent();
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    if (!pStart->IsDirectory() || !pStart->GetIdentity(device, inode) || device == pParent->GetDevice())
        return;
    const CFsCrossing crossing = m_excludes.Crossing();
    bool bEnters = false;
    if (crossing.bCross) {
        std::string strTop;
        const std::vector<std::string> names = NamesBelowRoot(pParent, strTop);
        CDirStack opener;  // closes what it opened
        const int fd = opener.Reset(strTop, names, nullptr);
        bEnters = fd >= 0 && crossing.Enters(FsKindBelow(fd, std::string(pStart->GetName()).c_str()));
    }
    pStart->SetMountPoint(!bEnters);
}

std::uint64_t CDriveVolraDoc::CountExpectedEntries(const CEntry& start)
{
    const std::string strPath = start.GetPath();
    CDiskSpace space;
    // Crossing, the other file systems' inodes would have to be counted too: no share is shown.
    if (CExcludeRules::ForSearches().bCrossFileSystems || !IsMountRoot(strPath) || !ReadDiskSpace(strPath, space))
        return 0;
    return space.inodesUsed;
}

void CDriveVolraDoc::OnOpenFile()
{
    if (m_pSelected == nullptr)
        return;
    // The answer may come after this document is gone: it needs nothing of it.
    const auto reportFailure = [](BOOL bOpened) {
        if (!bOpened)
            ReportLastError();
    };
    if (!ShellOpen(m_pSelected->GetPath(), reportFailure))
        ReportLastError();
}

void CDriveVolraDoc::OnUpdateOpenFile(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pSelected != nullptr); }

void CDriveVolraDoc::OnDeleteFile()
{
    if (HasMarks()) {
        OnTrashMarked();  // with marks, Delete acts on them rather than on the selection
        return;
    }
    CEntry* pEntry = m_pSelected;
    if (pEntry == nullptr || pEntry == m_pRoot)
        return;
    if (!ConfirmDelete(*pEntry))
        return;  // declined: nothing happens, nothing is said
    const std::string strPath = pEntry->GetPath();
    if (!MoveToTrash(strPath)) {
        ReportDeleteFailure(DeleteFailureText(strPath, GetLastError()));
        return;
    }
    RemoveEntry(pEntry);  // the item is in the trash: the tree follows
}

void CDriveVolraDoc::OnUpdateDeleteFile(CCmdUI* pCmdUI)
{
    if (HasMarks())
        return OnUpdateTrashMarked(pCmdUI);
    pCmdUI->Enable(m_pSelected != nullptr && m_pSelected != m_pRoot);
}

BOOL CDriveVolraDoc::ConfirmDelete(const CEntry& entry)
{
    if (IsHeadless())
        return FALSE;
    const QString strPath = DisplayText(entry.GetPath());
    const QString strText = entry.IsDirectory()
        ? QStringLiteral("Move the folder \"%1\" and everything in it to the trash?")
        : QStringLiteral("Move \"%1\" to the trash?");
    return AskBeforeDeleting(strText.arg(strPath));
}

void CDriveVolraDoc::ReportDeleteFailure(const std::string& strText) { ShowErrorBox(strText, AfxGetMainWnd()); }

namespace {
std::int64_t g_nFreedSinceStart = 0;  // permanent deletions of this run, saturating

std::string ItemsText(std::size_t n) { return FormatCount(n) + (n == 1 ? " item" : " items"); }

// "3 items could not be moved:" and one line per item, the first few only: a box with a
// thousand lines would not fit any screen.
std::string StayedText(const std::string& strHead, const std::vector<std::string>& lines)
{
    constexpr std::size_t kShown = 20;
    std::string text = ItemsText(lines.size()) + " could not be " + strHead + ":";
    for (std::size_t i = 0; i < lines.size() && i < kShown; ++i)
        text += "\n" + lines[i];
    if (lines.size() > kShown)
        text += "\n... and " + FormatCount(lines.size() - kShown) + " more";
    return text;
}

std::int64_t DiskSizeOf(const std::vector<CEntry*>& items)
{
    std::int64_t n = 0;
    for (const CEntry* p : items)
        n = SaturatingAdd(n, p->GetDiskSize());
    return n;
}
}  // namespace

std::int64_t CDriveVolraDoc::FreedSinceStart() { return g_nFreedSinceStart; }

std::vector<CEntry*> CDriveVolraDoc::CleanupItems(bool bSelectionToo) const
{
    std::vector<CEntry*> items;
    if (HasMarks()) {
        // The document owns the tree: the marks only lend its entries out as const.
        for (const CEntry* p : GetMarks()->TopMarked())
            if (p != m_pRoot)
                items.push_back(const_cast<CEntry*>(p));
    } else if (bSelectionToo && m_pSelected != nullptr && m_pSelected != m_pRoot) {
        items.push_back(m_pSelected);
    }
    return items;
}

// Update handlers run whenever the program goes idle: they look at the marks' count, never
// list them.
void CDriveVolraDoc::OnUpdateTrashMarked(CCmdUI* pCmdUI) { pCmdUI->Enable(!IsSearching() && HasMarks()); }

void CDriveVolraDoc::OnTrashMarked()
{
    const std::vector<CEntry*> items = CleanupItems(false);
    if (items.empty() || IsSearching())
        return;
    const std::int64_t nSize = DiskSizeOf(items);
    if (!ConfirmCleanup("Move " + ItemsText(items.size()) + " (" + FormatSize(nSize) + " on disk) to the trash?"))
        return;
    std::vector<CTrashRequest> requests;
    for (const CEntry* p : items)
        requests.push_back({p->GetPath(), p->GetDiskSize()});
    const CTrashBatchResult result = MoveBatchToTrash(requests);
    if (!result.strError.empty()) {
        ReportCleanup("Nothing was moved to the trash.\n" + result.strError);
        return;
    }
    std::vector<CEntry*> moved;
    std::vector<std::string> stayed;
    std::int64_t nTrashed = 0;
    for (std::size_t i = 0; i < items.size() && i < result.items.size(); ++i) {
        if (result.items[i].bMoved) {
            moved.push_back(items[i]);
            nTrashed = SaturatingAdd(nTrashed, items[i]->GetDiskSize());
        } else {
            stayed.push_back(result.items[i].path + ": " + ErrorReason(result.items[i].error));
        }
    }
    RemoveEntries(moved);
    if (!moved.empty())
        ShowStatusMessage(FormatSize(nTrashed) + " in the trash (Empty trash frees it)");
    if (!stayed.empty())
        ReportCleanup(StayedText("moved", stayed));
}

void CDriveVolraDoc::OnUpdateDeletePermanently(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(!IsSearching() && (HasMarks() || (m_pSelected != nullptr && m_pSelected != m_pRoot)));
}

void CDriveVolraDoc::OnDeletePermanently()
{
    const std::vector<CEntry*> items = CleanupItems(true);
    if (items.empty() || IsSearching())
        return;
    std::string strFrees;
    try {
        const CFreedSpace freed = MeasureFreedSpace({items.begin(), items.end()});
        strFrees = ", frees " + FormatSize(freed.nFrees);
    } catch (const std::bad_alloc&) {
        // Asked all the same, without the figure that could not be worked out.
    }
    if (!ConfirmCleanup("Delete " + ItemsText(items.size()) + " (" + FormatSize(DiskSizeOf(items)) + " on disk"
                        + strFrees + ") permanently?\nThis cannot be undone."))
        return;
    std::vector<CEntry*> removed;
    std::vector<CEntry*> changed;  // stayed, but lost part of what was in it
    std::vector<std::string> stayed;
    std::int64_t nFreed = 0;
    BeginWaitCursor();
    for (CEntry* p : items) {
        const CRemoveResult result = DeleteForGood(*p);
        nFreed = SaturatingAdd(nFreed, result.nFreed);
        if (result.bRemoved)
            removed.push_back(p);
        else if (result.nFreed > 0 && p->IsDirectory())
            changed.push_back(p);
        for (const CRemoveLeft& left : result.left)
            stayed.push_back(left.path + ": " + left.Text());
    }
    EndWaitCursor();
    RemoveEntries(removed);
    // Read again, as their totals are whatever is left in them. A reading dispatches
    // events: should the window close meanwhile, the others are left alone.
    bool bClosed = false;
    const QMetaObject::Connection closing = connect(this, &CDocument::closing, [&bClosed] { bClosed = true; });
    for (CEntry* p : changed)
        if (!bClosed)
            RefreshDirectory(p);
    disconnect(closing);
    g_nFreedSinceStart = SaturatingAdd(g_nFreedSinceStart, nFreed);
    ShowStatusMessage("Freed " + FormatSize(nFreed) + " (" + FormatSize(g_nFreedSinceStart) + " since Volra started)");
    if (!stayed.empty())
        ReportCleanup(StayedText("deleted", stayed));
}

BOOL CDriveVolraDoc::ConfirmCleanup(const std::string& strText)
{
    if (IsHeadless())
        return FALSE;
    return AskBeforeDeleting(DisplayText(strText));
}

void CDriveVolraDoc::ReportCleanup(const std::string& strText) { ShowErrorBox(strText, AfxGetMainWnd()); }
