#pragma once
#include "Resource.h"
#include "SearchProgressDlg.h"
#include "ViewFilter.h"
#include "framework/Document.h"
#include "framework/PopupMenu.h"
#include "framework/UiServices.h"
#include "model/Entry.h"
#include "model/EntryArena.h"
#include "model/ItemCounts.h"
#include "model/MarkSet.h"
#include "model/SearchComparison.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class CFinder;

// The document of one search: it owns the entry tree, runs the walk that fills it, and
// holds what every view of its window shares: the current directory and the selection.
// Local and FTP searches differ only in the five scanning operations.
class CVolraDoc : public CDocument {
    Q_OBJECT
public:
    ~CVolraDoc() override;

    // Walks the directory hierarchy below pStart (a directory without children yet).
    // TRUE when the walk reached its end; FALSE after an error report or a cancel.
    BOOL Search(CEntry* pStart);
    // When the search (the first walk, not a refresh) finished, 0 before it has, and the
    // root's totals then (lengths, sizes on disk): what the history keeps of it.
    CTime GetSearchTime() const { return m_searchTime; }
    std::pair<std::int64_t, std::int64_t> GetSearchTotals() const { return m_searchTotals; }
    bool IsSearching() const { return m_bSearching; }
    // While a walk runs, closing only cancels it: the walk still uses this document, its
    // tree and its windows, and whoever started it discards the document once it returns.
    void OnCloseDocument() override;
    // Makes a directory current and selected, retitles the window and redraws the views.
    void SetCurrent(CEntry* pEntry);
    // "(label) path of the current directory (its total)", in the measure shown.
    void UpdateTitle();
    // Pops up the entry menu at a screen point; views call it after selecting what is under
    // the pointer. The window argument is not used.
    void ShowContextMenu(QWidget* pWnd, int x, int y);
    // The context menu's items, its first line describing the selection.
    std::vector<CMenuItem> BuildContextMenuItems() const;
    void ShowProgress();
    void HideProgress();
    // How often a running walk shows its progress and dispatches events; zero means after
    // every item.
    void SetProgressInterval(std::chrono::milliseconds interval) { m_progressInterval = interval; }
    // Told of each directory as soon as the walk has read it, in the walk's order: the start
    // first, then always one inside a directory told before (the subdirectories of one are
    // taken last listed first, each with everything below it before the next). False stops
    // the walk as a cancel does. Through it a search is written while it runs (--save -).
    void SetDirectoryListener(std::function<bool(const CEntry&)> listener)
    {
        m_directoryListener = std::move(listener);
    }

    void OnOpenParent();
    void OnUpdateOpenParent(CCmdUI* pCmdUI);
    void OnViewDirectory();
    void OnUpdateViewDirectory(CCmdUI* pCmdUI);
    // Reads the current directory again. A refresh never loses the search: cancelled, or
    // ended by an error, it leaves the old subtree and every total exactly as they were; a
    // directory that no longer exists leaves the tree as a deleted one does; one that
    // cannot be read any more stays, empty and marked unreadable.
    void OnRefresh();
    // Reads a directory of this tree again, as Refresh does the current one; the current
    // directory and the selection move to it when they were inside it.
    void RefreshDirectory(CEntry* pDirectory);
    // The entry at a path of this tree (the root's path, then names), or null.
    CEntry* FindEntry(const std::string& strPath) const;
    // Copy (Ctrl+C): the selected item's path to the clipboard.
    void OnEditCopy();
    void OnUpdateEditCopy(CCmdUI* pCmdUI);
    // Asks where to, and writes the whole search there in ncdu's export format.
    void OnSaveSearchAs();
    void OnUpdateSaveSearchAs(CCmdUI* pCmdUI);
    // Writes the whole search to strPath; FALSE after the error has been shown.
    BOOL SaveSearch(const std::string& strPath);

    // "N directories could not be read", counted over the whole tree; empty when all could.
    std::string UnreadableText() const;
    // Tells it on the status bar, when there is something to tell.
    void ShowUnreadableCount() const;

    static const CCmdMap& ClassCmdMap();
    // The commands of every search, whether it can be read again or not: moving through
    // the tree, and saving it.
    static const CCmdMap& BrowseCmdMap();

    // The tree: its root, the directory the views show and the entry selected in them.
    // Views read them here; the selection changes through SetSelected, the current
    // directory through SetCurrent, the tree only through the document's own operations.
    CEntry* GetRoot() const { return m_pRoot; }
    CEntry* GetCurrent() const { return m_pCurrent; }
    CEntry* GetSelected() const { return m_pSelected; }
    // Selects an entry of this tree, or nothing (null); the caller repaints what it shows.
    void SetSelected(CEntry* pEntry) { m_pSelected = pEntry; }

    // An earlier search of the same root set beside this one, or null. Whatever changes the
    // tree (a refresh, a delete) keeps it true for what changed.
    const CSearchComparison* GetComparison() const { return m_pComparison.get(); }
    // Sets one beside the tree, replacing any (null: stops comparing), and redraws the views.
    void SetComparison(std::unique_ptr<CSearchComparison> pComparison);
    // "Since 06/12/2026 14:03: +3.20G, 1,234 new, 56 removed", for the status bar; empty
    // without a comparison.
    std::string ComparisonText() const;

    // The items marked for cleaning up, a set apart from the selection; null before the
    // first mark. Whatever changes the tree keeps them on the items that still exist.
    const CMarkSet* GetMarks() const { return m_pMarks.get(); }
    bool HasMarks() const { return m_pMarks != nullptr && !m_pMarks->IsEmpty(); }
    // Marks or unmarks an entry of this tree and redraws the views; false, with a status
    // message, when there is no memory for the mark.
    bool SetMarked(const CEntry& entry, bool bMarked);
    void ClearMarks();
    bool IsMarked(const CEntry& entry) const { return m_pMarks != nullptr && m_pMarks->IsMarked(entry); }
    // Marks an unmarked entry and unmarks a marked one: Space and Ctrl+click.
    bool ToggleMark(const CEntry& entry) { return SetMarked(entry, !IsMarked(entry)); }
    // Mark (enabled for an unmarked selection), Unmark (a marked one), Unmark all (while
    // there are marks) and Space, which toggles the selection's mark.
    void OnMark();
    void OnUpdateMark(CCmdUI* pCmdUI);
    void OnUnmark();
    void OnUpdateUnmark(CCmdUI* pCmdUI);
    void OnUnmarkAll();
    void OnUpdateUnmarkAll(CCmdUI* pCmdUI);
    void OnMarkToggle();
    void OnUpdateMarkToggle(CCmdUI* pCmdUI);

    // The filter the views show (a find, a type): only its files in the list, the others
    // dimmed in the blocks. It changes neither the tree, nor its totals, nor the selection,
    // nor the current directory; cleared, the views are as they were. Setting or clearing it
    // redraws the views with HINT_FILTER_CHANGED. With a refill (CViewFilter) the filter
    // follows the current directory; without one it is a fixed set of files. Whatever
    // changes the tree keeps it true.
    const CEntryFilter* GetFilter() const { return m_filter.Get(); }
    void SetFilter(std::unique_ptr<CEntryFilter> pFilter, CViewFilter::Refill refill = {});
    void ClearFilter();
    // "label: N files, X" for the files passing below the current directory; empty
    // without a filter.
    std::string FilterText() const;
    // One more each time entries were made, removed or replaced (HINT_TREE_CHANGED): what
    // keeps pointers into the tree, or figures of it, compares it with the one it had.
    std::uint64_t GetTreeGeneration() const { return m_nTreeGeneration; }
    // How many files lie below each item (1 for a file), counted on demand and kept until
    // the tree or the comparison changes: the list's Items column, the tree panel's counts.
    CItemCounts& GetItemCounts() const { return m_itemCounts; }

    CEntryArena m_entries;  // every entry of the tree, freed with the document
    std::string m_strRootPath;
    CSearchProgressDlg m_dlgProgress;
    std::string m_strLabel;  // "Drive /home", "Folder /srv/data", ...

protected:
    CEntry* m_pRoot = nullptr;  // in m_entries, like the whole tree
    CEntry* m_pSelected = nullptr;  // not owned; null for no selection
    CEntry* m_pCurrent = nullptr;  // not owned; always a directory once a search ran

public:
protected:
    CVolraDoc();
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }
    // Whether the paths name files of this machine: copied, they then name the file too.
    virtual bool HasLocalPaths() const { return false; }

    // Takes an entry (never the root) out of the tree, as a delete does: every total above
    // it loses the entry's total, its parent becomes selected (and current, if the entry
    // or anything below it was), the views let go of it, and it is freed.
    void RemoveEntry(CEntry* pEntry);
    // Takes several entries out at once (none below another, never the root): totals,
    // comparison and marks follow, and the views rebuild once.
    void RemoveEntries(const std::vector<CEntry*>& entries);
    // Retitles the window and has every view rebuild: entries were made, removed or replaced.
    void TreeChanged();

    // What a running walk changes outside the tree (the progress dialog up, the main window
    // disabled, the wait cursor, closing turned into Cancel), put back however the walk ends.
    // A derived document that waits before its walk (for a login) opens one around both;
    // scopes nest, only the outermost acts.
    class CWalkScope {
    public:
        explicit CWalkScope(CVolraDoc& doc);
        ~CWalkScope() { End(); }
        // Puts everything back now, so that a message comes alone, not over the progress
        // dialog of a search that is over.
        void End();
        CWalkScope(const CWalkScope&) = delete;
        CWalkScope& operator=(const CWalkScope&) = delete;

    private:
        CVolraDoc& m_doc;
        std::optional<CLongOperation> m_operation;  // only in the outermost scope
    };

    // The five scanning operations the walk reaches the file system (or the server) through.
    // The finder is the derived document's own kind: it makes, starts and disposes of it.
    virtual void InitRootEntry(CEntry* pRoot, const std::string& strRootPath) = 0;
    // CreateEntry makes the entry in m_entries.
    virtual CEntry* CreateEntry(CEntry* pParent, CFinder* pFinder) = 0;
    virtual CFinder* CreateFinder() = 0;
    virtual void DeleteFinder(CFinder* pFinder) = 0;
    virtual BOOL StartFind(CFinder* pFinder, CEntry* pDirectory) = 0;
    // What CreateEntry held back of pDirectory's items goes up the tree: once its listing
    // is over (read to its end or not), and before the progress shows the size found.
    virtual void EndListing(const CEntry* /*pDirectory*/) {}

    // About how many entries a walk from pStart meets, itself included: for a whole file
    // system, the count of inodes in use. 0 when that cannot be known.
    virtual std::uint64_t CountExpectedEntries(const CEntry& /*start*/) { return 0; }

    // For a finder that makes the walk wait: shows the progress and dispatches events as
    // the walk does between items. True once the user has cancelled.
    bool KeepResponsive();
    // For a document whose StartFind reads a whole subtree at once (a remote search): the
    // walk's figures as it counts its own items, and the directory being read (not owned).
    void SetFound(std::int64_t nDirectories, std::int64_t nFiles, const CEntry* pReading);

private:
    struct CFinderDeleter {
        CVolraDoc* pDoc;
        void operator()(CFinder* pFinder) const { pDoc->DeleteFinder(pFinder); }
    };
    // How a walk ended. StartVanished only for a refresh: the directory it was to read
    // again is gone, which is not worth an error box.
    enum class WalkEnd { Finished, Failed, Cancelled, StartVanished };
    WalkEnd Walk(CEntry* pStart, bool bRefresh);
    WalkEnd ReadDirectory(CFinder& finder, CEntry* pDir, std::vector<CEntry*>& stack);
    void WriteProgressFields(bool bEnded = false);  // the walk's figures into the dialog's fields
    void PushProgress();  // ... and on to its window, then dispatch events
    void ReplaceAfterRefresh(CEntry* pOld, CEntry* pFresh);
    // Tells the comparison, if any, of a change of the tree; drops it when it cannot follow.
    template <class Change> void KeepComparisonTrue(Change change);
    // Likewise for the marks: they are dropped, all of them, when they cannot follow.
    template <class Change> void KeepMarksTrue(Change change);

    int m_nDirsFound = 0;  // counters of the running walk
    int m_nFilesFound = 0;
    const CEntry* m_pWalkStart = nullptr;  // whose total is the size found; not owned
    std::uint64_t m_nExpected = 0;  // entries the walk will meet, or 0 when unknown
    const CEntry* m_pReading = nullptr;  // the directory being listed; not owned
    const CEntry* m_pAwaited = nullptr;  // the directory whose listing is awaited; not owned
    CPumpThrottle m_throttle;
    std::unique_ptr<CSearchComparison> m_pComparison;  // refers to m_entries: goes first
    std::unique_ptr<CMarkSet> m_pMarks;  // likewise
    CViewFilter m_filter;  // likewise
    std::uint64_t m_nTreeGeneration = 0;
    mutable CItemCounts m_itemCounts;  // of this tree's and the comparison's entries
    CTime m_searchTime;
    std::pair<std::int64_t, std::int64_t> m_searchTotals;
    bool m_bSearching = false;
    bool m_bCloseAsked = false;  // the window was closed while a walk ran
    std::chrono::milliseconds m_progressInterval{16};
    std::function<bool(const CEntry&)> m_directoryListener;  // may be empty
    QPointer<QWidget> m_pFocusBeforeWalk;  // given the focus back when the walk ends
};
