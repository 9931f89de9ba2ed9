#pragma once
#include "framework/View.h"

#include <cstdint>

class CEntry;
class CTypesModel;
class CVolraDoc;
class QSortFilterProxyModel;
class QTreeView;

// The File types panel: what kinds of files the current directory holds, as category rows
// with their extensions below (CTypesModel), sortable by each column, largest first to
// begin with. It follows the document it is attached to: a new current directory, a
// refresh, a delete or a change of the measure shown builds the table again. Building it
// walks every file below the current directory (about 150 ms for a million), so while the
// panel is hidden it only notes that it is out of date and builds when next shown.
// While the blocks are coloured by type, the category rows show their colours: the legend.
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

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    CVolraDoc* GetVolraDoc() const;
    void Rebuild();

    CTypesModel* m_pModel;
    QSortFilterProxyModel* m_pSorted;
    QTreeView* m_tree;
    bool m_bStale = true;
    // What the table was built of; compared, never followed.
    const CEntry* m_pBuiltFor = nullptr;
    std::int64_t m_nBuiltSize = 0;
    bool m_bBuiltDisk = false;
    int m_nBuilds = 0;
};
