#include "VolraDoc.h"

#include "NcduWriter.h"
#include "framework/ErrorBox.h"
#include "framework/FileChooser.h"
#include "framework/PathMimeData.h"
#include "framework/UiServices.h"
#include "model/FormatSize.h"
#include "sys/ErrorText.h"
#include "sys/Finder.h"
#include "sys/LastError.h"

#include <QApplication>
#include <QScopeGuard>
#include <QWidget>
#include <algorithm>
#include <ctime>
#include <limits>
#include <new>
#include <tuple>

namespace {
// A directory that vanished, or was replaced by something else, between the listing of
// its parent and its own: on a live system that is routine (temporary and cache folders),
// so it stays in the tree as an empty directory instead of ending the whole search.
bool VanishedBeforeRead(DWORD code)
{
    return code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND || code == ERROR_DIRECTORY
        || code == ErrorFromErrno(ELOOP);
}

// Whether p is the entry top or lies below it.
bool IsWithin(const CEntry* p, const CEntry* top)
{
    for (; p != nullptr; p = p->GetParent())
        if (p == top)
            return true;
    return false;
}
}  // namespace

CVolraDoc::CVolraDoc() = default;
CVolraDoc::~CVolraDoc() = default;

const CCmdMap& CVolraDoc::BrowseCmdMap()
{
    static const CCmdMap map =
        CCmdMapOf<CVolraDoc>(&CDocument::ClassCmdMap())
            .On(ID_OPEN_PARENT, &CVolraDoc::OnOpenParent, &CVolraDoc::OnUpdateOpenParent)
            .On(ID_VIEW_DIRECTORY, &CVolraDoc::OnViewDirectory, &CVolraDoc::OnUpdateViewDirectory)
            .On(ID_FILE_SAVE, &CVolraDoc::OnSaveSearchAs, &CVolraDoc::OnUpdateSaveSearchAs)
            .On(ID_EDIT_COPY, &CVolraDoc::OnEditCopy, &CVolraDoc::OnUpdateEditCopy)
            .On(ID_MARK, &CVolraDoc::OnMark, &CVolraDoc::OnUpdateMark)
            .On(ID_UNMARK, &CVolraDoc::OnUnmark, &CVolraDoc::OnUpdateUnmark)
            .On(ID_UNMARK_ALL, &CVolraDoc::OnUnmarkAll, &CVolraDoc::OnUpdateUnmarkAll)
            .On(ID_MARK_TOGGLE, &CVolraDoc::OnMarkToggle, &CVolraDoc::OnUpdateMarkToggle);
    return map;
}

const CCmdMap& CVolraDoc::ClassCmdMap()
{
    static const CCmdMap map = CCmdMapOf<CVolraDoc>(&BrowseCmdMap()).On(ID_REFRESH, &CVolraDoc::OnRefresh);
    return map;
}

// Put back however the walk ends: finished, failed, cancelled, or by an exception (out of
// memory at millions of entries).
CVolraDoc::CWalkScope::CWalkScope(CVolraDoc& doc) : m_doc(doc)
{
    if (m_doc.m_bSearching)
        return;
    m_operation.emplace([&doc] { doc.m_dlgProgress.OnCancel(); });
    BeginWaitCursor();
    m_doc.m_bSearching = true;
    m_doc.ShowProgress();  // the main window is disabled from here on
}

void CVolraDoc::CWalkScope::End()
{
    if (!m_operation)
        return;
    m_doc.m_pReading = nullptr;
    m_doc.HideProgress();
    m_doc.m_bSearching = false;
    EndWaitCursor();
    m_operation.reset();
}

BOOL CVolraDoc::Search(CEntry* pStart)
{
    if (Walk(pStart, false) != WalkEnd::Finished)
        return FALSE;
    m_searchTime = CTime(std::time(nullptr));
    if (m_pRoot != nullptr)
        m_searchTotals = {m_pRoot->GetLength(), m_pRoot->GetDiskSize()};
    return TRUE;
}

CVolraDoc::WalkEnd CVolraDoc::Walk(CEntry* pStart, bool bRefresh)
{
    std::vector<CEntry*> stack;  // directories still to read; the last pushed is read first
    m_nDirsFound = 0;
    m_nFilesFound = 0;
    m_pReading = nullptr;
    m_pWalkStart = pStart;
    // A refresh that fails frees its start: the walk forgets it however it ends.
    const auto forgetStart = qScopeGuard([this] { m_pWalkStart = nullptr; });
    m_nExpected = CountExpectedEntries(*pStart);
    m_throttle = CPumpThrottle(m_progressInterval);
    CWalkScope scope(*this);
    // Declared after the scope, so that it goes before the progress dialog does.
    const std::unique_ptr<CFinder, CFinderDeleter> pFinder(CreateFinder(), CFinderDeleter{this});
    if (!pFinder) {
        // No finder, no walk: an FTP search that could not log in again. Nothing was read.
        const DWORD code = GetLastError();
        scope.End();  // the error box stands alone, not over the progress dialog
        if (m_dlgProgress.m_bCancelled)
            return WalkEnd::Cancelled;
        SetLastError(code);
        ReportLastError();
        return WalkEnd::Failed;
    }
    stack.push_back(pStart);

    WalkEnd end = WalkEnd::Finished;
    try {
        while (!stack.empty() && end == WalkEnd::Finished) {
            CEntry* pDir = stack.back();
            stack.pop_back();
            if (!pDir->IsDirectory())
                continue;
            end = ReadDirectory(*pFinder, pDir, stack);
            if (end == WalkEnd::Failed && VanishedBeforeRead(GetLastError())) {
                if (pDir != pStart) {
                    pDir->SetUnreadable(true);
                    end = WalkEnd::Finished;
                } else if (bRefresh && pStart->GetParent() != nullptr) {
                    end = WalkEnd::StartVanished;
                }
            }
            if (end == WalkEnd::Finished && m_directoryListener && !m_directoryListener(*pDir))
                end = WalkEnd::Cancelled;
            RestoreWaitCursor();
        }
    } catch (const std::bad_alloc&) {
        // Out of memory at millions of entries: the search fails with the reason, and what
        // was read of it goes with it. Thrown on through the event loop, it would end the
        // program.
        stack = {};
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        end = WalkEnd::Failed;
    }
    if (end == WalkEnd::Failed)
        ReportLastError();  // while the progress dialog is still up

    // The dialog object outlives its window: a refresh starts from these final figures.
    WriteProgressFields(end == WalkEnd::Finished);
    return end;
}

void CVolraDoc::OnCloseDocument()
{
    if (m_bSearching) {
        m_bCloseAsked = true;
        m_dlgProgress.OnCancel();
        return;
    }
    CDocument::OnCloseDocument();
}

// Lists one directory: every item but "." and ".." becomes a child with its colour in
// listing order; subdirectories are pushed for later. The children end sorted by name.
CVolraDoc::WalkEnd CVolraDoc::ReadDirectory(CFinder& finder, CEntry* pDir, std::vector<CEntry*>& stack)
{
    m_pAwaited = pDir;  // a slow listing shows whose it is while it is awaited
    BOOL bMore = StartFind(&finder, pDir);
    m_pAwaited = nullptr;
    if (!bMore) {
        if (m_dlgProgress.m_bCancelled)
            return WalkEnd::Cancelled;  // the listing was given up while it was awaited
        const DWORD code = GetLastError();
        if (code == ERROR_ACCESS_DENIED)
            pDir->SetUnreadable(true);  // skipped: an empty directory, shown as unreadable
        if (code == ERROR_ACCESS_DENIED || code == ERROR_NO_MORE_FILES)
            return WalkEnd::Finished;
        if (code != ERROR_SUCCESS)
            return WalkEnd::Failed;
    }
    m_pReading = pDir;
    if (m_throttle.Due())
        PushProgress();

    WalkEnd end = WalkEnd::Finished;
    int nColour = 0;
    while (bMore) {
        bMore = finder.FindNextFile();
        if (!bMore) {
            const DWORD code = GetLastError();
            if (code == ERROR_ACCESS_DENIED) {
                pDir->SetUnreadable(true);
                break;
            }
            if (code == ERROR_CANCELLED) {
                end = WalkEnd::Cancelled;
                break;
            }
            if (code != ERROR_SUCCESS && code != ERROR_NO_MORE_FILES) {
                end = WalkEnd::Failed;
                break;
            }
        }
        if (finder.IsDots())
            continue;
        CEntry* pChild = CreateEntry(pDir, &finder);
        pChild->SetColour(nColour);
        nColour = (nColour + 1) % 8;
        pDir->AppendChild(pChild);
        if (pChild->IsDirectory()) {
            stack.push_back(pChild);
            ++m_nDirsFound;
        } else {
            ++m_nFilesFound;
        }
        // The counters and the size are exact whenever they are shown; showing them after
        // every item would cost more than the walk itself.
        if (m_throttle.Due()) {
            EndListing(pDir);
            PushProgress();
        }
        if (m_dlgProgress.m_bCancelled)
            break;
    }
    const DWORD code = GetLastError();
    finder.Close();
    EndListing(pDir);
    SortChildrenByName(*pDir);
    if (end == WalkEnd::Finished && m_dlgProgress.m_bCancelled)
        end = WalkEnd::Cancelled;
    SetLastError(code);
    return end;
}

bool CVolraDoc::KeepResponsive()
{
    if (m_throttle.Due()) {
        if (m_pReading != nullptr)
            EndListing(m_pReading);
        PushProgress();
    } else
        PumpMessages();  // the window stays painted between the dialog's updates
    return m_dlgProgress.m_bCancelled != FALSE;
}

void CVolraDoc::SetFound(std::int64_t nDirectories, std::int64_t nFiles, const CEntry* pReading)
{
    constexpr std::int64_t kMax = std::numeric_limits<int>::max();
    m_nDirsFound = static_cast<int>(std::min(nDirectories, kMax));
    m_nFilesFound = static_cast<int>(std::min(nFiles, kMax));
    if (pReading != nullptr)
        m_pAwaited = pReading;
}

void CVolraDoc::WriteProgressFields(bool bEnded)
{
    if (const CEntry* pShown = m_pAwaited != nullptr ? m_pAwaited : m_pReading)
        m_dlgProgress.m_strCurrentDir = pShown->GetPath();
    m_dlgProgress.m_strDirectories = std::to_string(m_nDirsFound);
    m_dlgProgress.m_strFiles = std::to_string(m_nFilesFound);
    if (m_pWalkStart != nullptr)
        m_dlgProgress.m_strSize = FormatSize(m_pWalkStart->GetSize());
    m_dlgProgress.m_nPercent = -1;
    if (m_nExpected > 0) {
        // Hard links, and inodes nobody can reach (unreadable folders, open deleted files),
        // put the count off either way: it says 100% only once the walk is over.
        const std::uint64_t found = std::uint64_t(m_nDirsFound) + std::uint64_t(m_nFilesFound) + 1;
        const auto share = static_cast<int>(std::min<std::uint64_t>(99, found * 100 / m_nExpected));
        m_dlgProgress.m_nPercent = bEnded ? 100 : share;
    }
}

void CVolraDoc::PushProgress()
{
    WriteProgressFields();
    m_dlgProgress.UpdateData(FALSE);
    PumpMessages();
}

void CVolraDoc::ShowProgress()
{
    if (!HaveWidgets())
        return;
    QWidget* pMain = AfxGetMainWnd();
    m_pFocusBeforeWalk = QApplication::focusWidget();
    m_dlgProgress.Create(pMain);
    if (pMain != nullptr)
        pMain->setEnabled(false);
    if (QWidget* pDlg = m_dlgProgress.GetWindow())
        pDlg->setEnabled(true);
}

void CVolraDoc::HideProgress()
{
    if (QWidget* pMain = AfxGetMainWnd())
        pMain->setEnabled(true);
    m_dlgProgress.DestroyWindow();
    // Disabling the main window took the keyboard focus away, and enabling it does not give
    // it back: after a Refresh by key the keys would do nothing until a click.
    if (m_pFocusBeforeWalk != nullptr && m_pFocusBeforeWalk->isVisible()) {
        m_pFocusBeforeWalk->activateWindow();  // the progress window had it
        m_pFocusBeforeWalk->setFocus();
    }
    m_pFocusBeforeWalk = nullptr;
}

void CVolraDoc::SetCurrent(CEntry* pEntry)
{
    m_pSelected = pEntry;
    const bool bMoved = pEntry != m_pCurrent;
    m_pCurrent = pEntry;
    if (bMoved && pEntry != nullptr)
        m_filter.Follow(*pEntry);
    UpdateTitle();
    UpdateAllViews(nullptr, HINT_REDRAW);
}

void CVolraDoc::UpdateTitle()
{
    if (m_pCurrent == nullptr)
        return;
    SetTitle("(" + m_strLabel + ") " + m_pCurrent->GetPath() + " (" + m_pCurrent->GetSizeText() + ")");
}

std::vector<CMenuItem> CVolraDoc::BuildContextMenuItems() const
{
    std::string line = "<<no selection>>";
    if (m_pSelected != nullptr)
        line = m_pSelected->GetPath() + " [" + m_pSelected->GetSizeText() + "]";
    // Nothing handles the selection line, so it shows disabled and does nothing.
    std::vector<CMenuItem> items = {
        {ID_SELECTION_LINE, EscapeMenuText(line)},
        {0, {}},
        {ID_OPEN_RUN, "&Open / Run"},
        {ID_DELETE, "&Delete"},
        {0, {}},
        {ID_VIEW_DIRECTORY, "Open directory in &view"},
        {ID_OPEN_PARENT, "Open &parent"},
    };
    // While marks exist, what acts on them; without marks the menu stays as it always was.
    if (HasMarks())
        items.insert(items.begin() + 4,
                     {{ID_TRASH_MARKED, "Move marked to &trash"}, {ID_DELETE_PERMANENTLY, "Delete &permanently"}});
    return items;
}

void CVolraDoc::ShowContextMenu(QWidget*, int x, int y)
{
    // The menu belongs to the main window: its commands travel the whole route (active
    // view, this document, frames, application), so items with no handler show disabled.
    CCmdTarget* pRoute = GetCommandRoute();
    TrackPopupMenu(BuildContextMenuItems(), QPoint(x, y), pRoute != nullptr ? *pRoute : *this, AfxGetMainWnd());
}

void CVolraDoc::OnOpenParent()
{
    if (m_pCurrent != nullptr && m_pCurrent->GetParent() != nullptr)
        SetCurrent(m_pCurrent->GetParent());
}

void CVolraDoc::OnUpdateOpenParent(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurrent != nullptr && m_pCurrent->GetParent() != nullptr);
}

void CVolraDoc::OnViewDirectory()
{
    if (m_pSelected != nullptr && m_pSelected->IsDirectory())
        SetCurrent(m_pSelected);
}

void CVolraDoc::OnUpdateViewDirectory(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pSelected != nullptr && m_pSelected->IsDirectory());
}

// Re-reads the current directory into a fresh copy. While the walk runs, the ancestors
// count both the old and the new contents; the swap afterwards takes the old out again.
void CVolraDoc::OnRefresh() { RefreshDirectory(m_pCurrent); }

void CVolraDoc::RefreshDirectory(CEntry* pOld)
{
    if (pOld == nullptr || m_bSearching)
        return;
    // Put back as they were should the refresh be given up: adding the contents read and
    // taking them out again would not give them back once a total has stopped at its limit.
    std::vector<std::tuple<CEntry*, std::int64_t, std::int64_t>> ancestors;
    for (CEntry* p = pOld->GetParent(); p != nullptr; p = p->GetParent())
        ancestors.emplace_back(p, p->GetLength(), p->GetDiskSize());
    CEntry* pFresh = m_entries.NewCopyForRereading(*pOld);
    // The directory's own blocks are not part of its listing.
    pFresh->AddSize(0, pOld->GetOwnDiskSize());
    m_dlgProgress.m_bCancelled = FALSE;  // a refresh cancelled before left the document open
    const WalkEnd end = Walk(pFresh, true);
    if (end == WalkEnd::Finished && !m_bCloseAsked) {
        ReplaceAfterRefresh(pOld, pFresh);
        return;
    }
    m_entries.AbandonCopy(pFresh);
    for (const auto& [p, nLength, nDisk] : ancestors) {
        p->RestoreTotals(nLength, nDisk);
    }
    if (m_bCloseAsked) {
        OnCloseDocument();  // the window was closed meanwhile: now it can go
        return;
    }
    if (end == WalkEnd::StartVanished) {
        const std::string strPath = pOld->GetPath();
        RemoveEntry(pOld);
        ShowStatusMessage("\"" + strPath + "\" no longer exists");
    }
}

void CVolraDoc::OnEditCopy()
{
    if (m_pSelected != nullptr)
        CopyPathToClipboard(m_pSelected->GetPath(), HasLocalPaths());
}

void CVolraDoc::OnUpdateEditCopy(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pSelected != nullptr); }

std::string CVolraDoc::UnreadableText() const
{
    const std::size_t n = m_entries.UnreadableCount();
    if (n == 0)
        return {};
    return std::to_string(n) + (n == 1 ? " directory" : " directories") + " could not be read";
}

void CVolraDoc::ShowUnreadableCount() const
{
    if (const std::string text = UnreadableText(); !text.empty())
        ShowStatusMessage(text);
}

void CVolraDoc::ReplaceAfterRefresh(CEntry* pOld, CEntry* pFresh)
{
    if (pOld == m_pRoot) {
        m_pRoot = pFresh;
    } else {
        CEntry* pParent = pOld->GetParent();
        if (!pParent->ReplaceChild(pOld, pFresh)) {
            m_entries.AbandonCopy(pFresh);
            return;
        }
        pOld->SubtractFromAncestors();
    }
    KeepComparisonTrue([&] { m_pComparison->Replaced(*pOld, *pFresh); });
    KeepMarksTrue([&] { m_pMarks->Replaced(*pOld, *pFresh); });
    if (IsWithin(m_pCurrent, pOld)) {
        m_pCurrent = pFresh;
        m_pSelected = pFresh;
    } else if (IsWithin(m_pSelected, pOld)) {
        m_pSelected = pFresh;
    }
    m_filter.Replaced(*pOld, *pFresh, *m_pCurrent);
    TreeChanged();
    m_entries.Free(pOld);  // once the views have let go of it
    ShowUnreadableCount();
}

void CVolraDoc::RemoveEntry(CEntry* pEntry)
{
    CEntry* pParent = pEntry->GetParent();
    if (pParent == nullptr || !pParent->RemoveChild(pEntry))  // the others keep their order
        return;
    m_pSelected = pParent;
    // The views keep the current directory at or above the selection, but a refresh reads
    // the current directory itself: whatever of the entry's subtree was current goes too.
    bool bMoved = false;
    for (const CEntry* p = m_pCurrent; p != nullptr; p = p->GetParent())
        if (p == pEntry)
            bMoved = true;
    if (bMoved)
        m_pCurrent = pParent;
    pEntry->SubtractFromAncestors();
    KeepComparisonTrue([&] { m_pComparison->Forget(*pEntry); });
    KeepMarksTrue([&] { m_pMarks->Forget(*pEntry); });
    m_filter.Forget(*pEntry);
    if (bMoved)
        m_filter.Follow(*m_pCurrent);
    TreeChanged();
    // Only now, with the views let go, the entry and its subtree go back to the arena.
    m_entries.Free(pEntry);
}

void CVolraDoc::RemoveEntries(const std::vector<CEntry*>& entries)
{
    std::vector<CEntry*> removed;
    removed.reserve(entries.size());
    bool bMoved = false;
    for (CEntry* pEntry : entries) {
        CEntry* pParent = pEntry->GetParent();
        if (pParent == nullptr || !pParent->RemoveChild(pEntry))
            continue;
        if (IsWithin(m_pCurrent, pEntry)) {
            m_pCurrent = pParent;
            bMoved = true;
        }
        // The selection stays at or below the current directory, as the views keep it.
        if (IsWithin(m_pSelected, pEntry))
            m_pSelected = pParent;
        if (m_pSelected != nullptr && !IsWithin(m_pSelected, m_pCurrent))
            m_pSelected = m_pCurrent;
        pEntry->SubtractFromAncestors();
        KeepComparisonTrue([&] { m_pComparison->Forget(*pEntry); });
        KeepMarksTrue([&] { m_pMarks->Forget(*pEntry); });
        m_filter.Forget(*pEntry);
        removed.push_back(pEntry);
    }
    if (removed.empty())
        return;
    if (bMoved)
        m_filter.Follow(*m_pCurrent);
    TreeChanged();
    for (CEntry* pEntry : removed)
        m_entries.Free(pEntry);
}

CEntry* CVolraDoc::FindEntry(const std::string& strPath) const
{
    if (m_pRoot == nullptr)
        return nullptr;
    // The root's name is its whole path; below it each name follows a "/" (a root of "/"
    // brings its own).
    const std::string strRoot(m_pRoot->GetName());
    if (strPath.compare(0, strRoot.size(), strRoot) != 0)
        return nullptr;
    std::size_t pos = strRoot.size();
    if (pos == strPath.size())
        return m_pRoot;
    if (strRoot.back() != '/' && strPath[pos++] != '/')
        return nullptr;
    CEntry* pEntry = m_pRoot;
    while (pEntry != nullptr && pos < strPath.size()) {
        const std::size_t end = std::min(strPath.find('/', pos), strPath.size());
        const std::string_view name(strPath.data() + pos, end - pos);
        CEntry* pFound = nullptr;
        for (CEntry* pChild : pEntry->GetChildren())
            if (pChild->GetName() == name)
                pFound = pChild;
        pEntry = pFound;
        pos = end + 1;
    }
    return pEntry;
}

template <class Change> void CVolraDoc::KeepComparisonTrue(Change change)
{
    if (m_pComparison == nullptr)
        return;
    try {
        change();
    } catch (const std::bad_alloc&) {
        // A comparison that cannot follow the tree would tell what is no longer so.
        m_pComparison.reset();
        ShowStatusMessage("Comparing stopped: out of memory");
    }
}

template <class Change> void CVolraDoc::KeepMarksTrue(Change change)
{
    if (m_pMarks == nullptr)
        return;
    try {
        change();
    } catch (const std::bad_alloc&) {
        // Marks on the wrong items would have the wrong items deleted: none is safer.
        m_pMarks.reset();
        ShowStatusMessage("Marks dropped: out of memory");
    }
}

bool CVolraDoc::SetMarked(const CEntry& entry, bool bMarked)
{
    // A mark is a bit by place in this tree's arena: an entry of another tree (the earlier
    // search of a comparison) would mark whatever of ours sits at its place.
    const CEntry* pTop = &entry;
    while (pTop->GetParent() != nullptr)
        pTop = pTop->GetParent();
    if (pTop != m_pRoot)
        return false;
    try {
        if (m_pMarks == nullptr && m_pRoot != nullptr)
            m_pMarks = std::make_unique<CMarkSet>(*m_pRoot);
        if (m_pMarks != nullptr)
            m_pMarks->SetMarked(entry, bMarked);
    } catch (const std::bad_alloc&) {
        ShowStatusMessage("Cannot mark: out of memory");
        return false;
    }
    UpdateAllViews(nullptr, HINT_REDRAW);
    return true;
}

void CVolraDoc::ClearMarks()
{
    if (m_pMarks != nullptr)
        m_pMarks->Clear();
    UpdateAllViews(nullptr, HINT_REDRAW);
}

void CVolraDoc::OnMark()
{
    if (m_pSelected != nullptr)
        SetMarked(*m_pSelected, true);
}

void CVolraDoc::OnUpdateMark(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pSelected != nullptr && !IsMarked(*m_pSelected)); }

void CVolraDoc::OnUnmark()
{
    if (m_pSelected != nullptr)
        SetMarked(*m_pSelected, false);
}

void CVolraDoc::OnUpdateUnmark(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pSelected != nullptr && IsMarked(*m_pSelected)); }

void CVolraDoc::OnUnmarkAll() { ClearMarks(); }

void CVolraDoc::OnUpdateUnmarkAll(CCmdUI* pCmdUI) { pCmdUI->Enable(HasMarks()); }

void CVolraDoc::OnMarkToggle()
{
    if (m_pSelected != nullptr)
        ToggleMark(*m_pSelected);
}

void CVolraDoc::OnUpdateMarkToggle(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pSelected != nullptr); }

void CVolraDoc::SetComparison(std::unique_ptr<CSearchComparison> pComparison)
{
    m_itemCounts.Clear();  // the earlier search's entries go with the comparison
    m_pComparison = std::move(pComparison);
    UpdateAllViews(nullptr, HINT_TREE_CHANGED);
}

std::string CVolraDoc::ComparisonText() const
{
    if (m_pComparison == nullptr)
        return {};
    std::string text = "Since " + m_pComparison->GetEarlierTime().Format("%d/%m/%Y %H:%M") + ": ";
    if (!m_pComparison->CanCompareShownSizes())
        return text + "the earlier search knows file lengths only";
    const CSearchComparison& c = *m_pComparison;
    return text + FormatSizeChange(c.GetCurrentRoot().GetSize() - c.GetEarlierRoot().GetSize()) + ", "
        + FormatCount(c.NewCount()) + " new, " + FormatCount(c.RemovedCount()) + " removed";
}

void CVolraDoc::SetFilter(std::unique_ptr<CEntryFilter> pFilter, CViewFilter::Refill refill)
{
    m_filter.Set(std::move(pFilter), std::move(refill));
    UpdateAllViews(nullptr, HINT_FILTER_CHANGED);
}

void CVolraDoc::ClearFilter()
{
    if (m_filter.Get() == nullptr)
        return;
    m_filter.Clear();
    UpdateAllViews(nullptr, HINT_FILTER_CHANGED);
}

std::string CVolraDoc::FilterText() const { return m_pCurrent != nullptr ? m_filter.Text(*m_pCurrent) : std::string(); }

void CVolraDoc::TreeChanged()
{
    ++m_nTreeGeneration;
    m_itemCounts.Clear();
    UpdateTitle();
    UpdateAllViews(nullptr, HINT_TREE_CHANGED);
}

void CVolraDoc::OnUpdateSaveSearchAs(CCmdUI* pCmdUI) { pCmdUI->Enable(m_pRoot != nullptr && !m_bSearching); }

void CVolraDoc::OnSaveSearchAs()
{
    if (m_pRoot == nullptr || m_bSearching)
        return;
    // The name offered is the searched folder's own.
    std::string strName(m_pRoot->GetName());
    while (strName.size() > 1 && strName.back() == '/')
        strName.pop_back();
    strName = strName.substr(strName.rfind('/') + 1);
    const std::string strPath = ChooseFilePath(FileChooser::SaveFile, AfxGetMainWnd(), QStringLiteral("Save search as"),
                                               (strName.empty() ? std::string("search") : strName) + ".json");
    if (!strPath.empty())
        SaveSearch(strPath);
}

BOOL CVolraDoc::SaveSearch(const std::string& strPath)
{
    if (m_pRoot == nullptr)
        return FALSE;
    BeginWaitCursor();
    CNcduWriter writer;
    std::string strError;
    const bool bOk = writer.Open(strPath, strError) && writer.Write(*m_pRoot, strError);
    EndWaitCursor();
    if (!bOk)
        ShowErrorBox("Could not save the search to \"" + strPath + "\".\n" + strError, AfxGetMainWnd());
    return bOk ? TRUE : FALSE;
}
