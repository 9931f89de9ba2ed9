#pragma once
#include "framework/View.h"
#include "lenses/FileCategory.h"

#include <cstdint>

class CEntry;
class CEntryFilter;
struct CFileType;
class CTypesModel;
class CVolraDoc;
class QModelIndex;
class QSortFilterProxyModel;
class QTreeView;

// The File types panel: what kinds of files the current directory holds, as category rows
// with their extensions below (CTypesModel), sortable by each column, largest first to
// begin with. It follows the document it is attached to: a new current directory, a
// refresh, a delete or a change of the measure shown builds the table again. Building it
// walks every file below the current directory (about 150 ms for a million), so while the
// panel is hidden it only notes that it is out of date and builds when next shown.
// While the blocks are coloured by type, the category rows show their colours: the legend.
//
// Clicking a row sets the document's filter to that category's or extension's files below
// the current directory (the list shows only them, the blocks dim the rest), following the
// current directory as it changes; clicking the same row again clears it. Another filter
// (a find) replaces it, and the row is then no longer chosen.
class CVolraTypesView : public CView {
    Q_OBJECT
public:
    // The width that shows every column with a short bar.
    static constexpr int kPreferredWidth = 440;

    explicit CVolraTypesView(QWidget* pParent = nullptr);
    ~CVolraTypesView() override;

    void OnUpdate(CView* pSender, LPARAM lHint, QObject* pHint) override;
    void OnDetachFromDocument() override;

    QTreeView* GetTreeCtrl() const { return m_tree; }
    CTypesModel* GetModel() const { return m_pModel; }
    // What the tree shows: the model sorted.
    QSortFilterProxyModel* GetSortedModel() const { return m_pSorted; }
    // How many times the table was built: a hidden panel builds none.
    int GetBuildCount() const { return m_nBuilds; }
    // Filters by the row (an index of the model, not of the sorted one), or clears the
    // filter when it is this row's already; as a click on the row does.
    void ToggleFilter(const QModelIndex& row);

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    // The row whose files the document's filter holds: a category, or one extension of it.
    struct Chosen {
        FileCategory category = FileCategory::Other;
        const CFileType* pType = nullptr;  // the catalog's, or null for the whole category
        bool operator==(const Chosen&) const = default;
    };

    CVolraDoc* GetVolraDoc() const;
    void Rebuild();
    // Forgets the chosen row when the document's filter is no longer the one set here.
    void CheckChosen();
    // Shows the chosen row selected, where the table has it.
    void SelectChosen();

    CTypesModel* m_pModel;
    QSortFilterProxyModel* m_pSorted;
    QTreeView* m_tree;
    bool m_bStale = true;
    // What the table was built of; compared, never followed.
    const CEntry* m_pBuiltFor = nullptr;
    std::int64_t m_nBuiltSize = 0;
    bool m_bBuiltDisk = false;
    int m_nBuilds = 0;
    Chosen m_chosen;
    // The filter set for it, or null; compared, never followed (the document owns it).
    const CEntryFilter* m_pFilterSet = nullptr;
};
