#pragma once
#include "framework/View.h"

#include <optional>

class CEntry;
class CTreePanelModel;
class CVolraDoc;
class QMouseEvent;
class QTreeView;

// The tree panel: the search's directories as an outline beside the visualisation, each
// with its folder icon and name, and its size in brackets while the "ShowSizes"
// preference is on; while the search is compared with an earlier one, its change too. It follows the document: after every update it unfolds the path down
// to the current directory and selects that node. And it drives the document: selecting
// a node, by mouse or by keyboard, makes that directory current for every view.
//
// Nodes are made lazily (CTreePanelModel): a directory's subdirectories when its node is
// first expanded. A change of the tree throws every node away; the panel then shows the
// root and the chain down to the current directory, each level of it expanded.
//
// A marked directory's label starts with a check; Ctrl+click selects the node as a click
// does and toggles its directory's mark.
//
// Selecting a node updates the document, whose update comes back here and selects the
// same node again; the selection handler ignores the node of the current directory, so
// the two never chase each other.
class CVolraTreeView : public CView {
    Q_OBJECT
public:
    explicit CVolraTreeView(QWidget* pParent = nullptr);
    ~CVolraTreeView() override;

    void OnUpdate(CView* pSender, LPARAM lHint, QObject* pHint) override;
    void OnDetachFromDocument() override;

    QTreeView* GetTreeCtrl() const { return m_tree; }
    CTreePanelModel* GetModel() const { return m_pModel; }
    // The entry of the selected node, or null.
    CEntry* GetSelectedEntry() const;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    CVolraDoc* GetVolraDoc() const;
    void Rebuild(CEntry* pRoot);
    // Expands the chain down to the current directory where its nodes are missing, then
    // opens its ancestors, scrolls it into view and selects it.
    void RevealCurrent(CEntry* pCurrent);
    void OnSelChanged();
    bool OnContextMenu(QPoint ptViewport, QPoint ptScreen);
    // Ctrl and the left button; false when the event is the tree's own.
    bool OnCtrlClick(const QMouseEvent& event);

    CTreePanelModel* m_pModel;
    QTreeView* m_tree;
    // The panel's copy of the "ShowSizes" preference; none until the first update.
    std::optional<bool> m_bShowSizes;
    bool m_bDiskSizes = false;  // the measure the " [size]" labels were last drawn in
};
