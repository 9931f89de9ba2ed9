#include "VolraTreeView.h"

#include "EntryInfo.h"
#include "TreeLabelDelegate.h"
#include "TreePanelModel.h"
#include "VolraPrefs.h"
#include "doc/VolraDoc.h"
#include "model/Entry.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeView>
#include <QVBoxLayout>

#include <vector>

CVolraTreeView::CVolraTreeView(QWidget* pParent)
    : CView(pParent), m_pModel(new CTreePanelModel(this)), m_tree(new QTreeView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    setFocusProxy(m_tree);

    m_tree->setModel(m_pModel);
    m_tree->setItemDelegate(new CTreeLabelDelegate(m_tree));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setUniformRowHeights(true);  // no measuring of rows, however many open at once
    m_tree->setAnimated(false);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setIconSize(QSize(16, 16));
    // The one column is as wide as the panel: a label too long for it is cut with an
    // ellipsis in its name, keeping its size, rather than run out of sight past the edge.
    m_tree->header()->setStretchLastSection(true);
    m_tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tree->viewport()->installEventFilter(this);

    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { OnSelChanged(); });
}

CVolraTreeView::~CVolraTreeView() = default;

CVolraDoc* CVolraTreeView::GetVolraDoc() const { return qobject_cast<CVolraDoc*>(GetDocument()); }

CEntry* CVolraTreeView::GetSelectedEntry() const
{
    const QModelIndexList selected = m_tree->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : m_pModel->EntryOf(selected.front());
}

void CVolraTreeView::OnUpdate(CView*, LPARAM lHint, QObject*)
{
    CVolraDoc* pDoc = GetVolraDoc();
    if (pDoc == nullptr)
        return;
    // A panel attached after its search finished has never heard of the tree: it builds
    // it at its first update as after a change.
    // A comparison is set or dropped with HINT_TREE_CHANGED, whose rebuild asks for every
    // label again; any other update finds the one it had.
    m_pModel->SetComparison(pDoc->GetComparison());
    m_pModel->SetMarks(pDoc->HasMarks() ? pDoc->GetMarks() : nullptr);
    // Counts are asked for at the repaint; a new setting repaints every label.
    CItemCounts* pCounts = AfxGetPrefs().m_bShowCounts != FALSE ? &pDoc->GetItemCounts() : nullptr;
    m_pModel->SetItemCounts(pCounts);
    m_tree->viewport()->update();  // the checks, asked for again at the repaint
    if (lHint == HINT_TREE_CHANGED || !m_pModel->HasRoot())
        Rebuild(pDoc->GetRoot());
    const bool bShowSizes = AfxGetPrefs().m_bShowSizes != FALSE;
    if (m_bShowSizes != bShowSizes || m_bDiskSizes != CEntry::ShowsDiskSizes()) {
        m_bShowSizes = bShowSizes;
        m_bDiskSizes = CEntry::ShowsDiskSizes();
        m_pModel->SetShowSizes(bShowSizes);
        m_tree->viewport()->update();  // every label is asked for again
    }
    if (pDoc->GetCurrent() != nullptr)
        RevealCurrent(pDoc->GetCurrent());
}

void CVolraTreeView::OnDetachFromDocument()
{
    m_pModel->SetComparison(nullptr);
    m_pModel->SetMarks(nullptr);
    m_pModel->SetItemCounts(nullptr);
    m_pModel->Reset(nullptr);
}

void CVolraTreeView::Rebuild(CEntry* pRoot)
{
    m_pModel->Reset(pRoot);
    const QModelIndex root = m_pModel->index(0, 0);
    if (root.isValid()) {
        m_pModel->Fill(root);
        m_tree->expand(root);
    }
}

void CVolraTreeView::RevealCurrent(CEntry* pCurrent)
{
    QModelIndex index = m_pModel->IndexOf(pCurrent);
    if (!index.isValid()) {
        // Up from the current directory to the nearest directory with a node, then down
        // again expanding each level, which makes the node of the next one.
        std::vector<CEntry*> chain;
        CEntry* pEntry = pCurrent;
        for (; pEntry != nullptr && !m_pModel->IndexOf(pEntry).isValid(); pEntry = pEntry->GetParent())
            chain.push_back(pEntry);
        if (pEntry == nullptr)
            return;  // not below the panel's root: nothing to select
        chain.push_back(pEntry);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const QModelIndex level = m_pModel->IndexOf(*it);
            m_pModel->Fill(level);
            m_tree->expand(level);
        }
        index = m_pModel->IndexOf(pCurrent);
        if (!index.isValid())
            return;
    }
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        m_tree->expand(up);
    m_tree->scrollTo(index);
    if (m_tree->selectionModel()->currentIndex() != index || !m_tree->selectionModel()->isSelected(index))
        m_tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void CVolraTreeView::OnSelChanged()
{
    CVolraDoc* pDoc = GetVolraDoc();
    // Emptying the panel can report a change to no node: that makes nothing current. A
    // click on empty space (or Ctrl and a click on the selected node) unselects without
    // changing the current directory, whose node then keeps its highlight.
    CEntry* pEntry = GetSelectedEntry();
    if (pDoc == nullptr)
        return;
    if (pEntry == nullptr) {
        const QModelIndex current = m_pModel->IndexOf(pDoc->GetCurrent());
        if (current.isValid())
            m_tree->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        return;
    }
    if (pEntry == pDoc->GetCurrent())
        return;
    pDoc->SetCurrent(pEntry);
    ShowEntryInfo(pEntry);
    pDoc->SetSelected(pEntry);
}

bool CVolraTreeView::OnContextMenu(QPoint ptViewport, QPoint ptScreen)
{
    const QModelIndex index = m_tree->indexAt(ptViewport);
    CVolraDoc* pDoc = GetVolraDoc();
    if (!index.isValid() || pDoc == nullptr)
        return false;
    // Selecting makes the directory current first, so the menu acts on it.
    m_tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    if (GetVolraDoc() == pDoc)
        pDoc->ShowContextMenu(this, ptScreen.x(), ptScreen.y());
    return true;
}

bool CVolraTreeView::OnCtrlClick(const QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton || !event.modifiers().testFlag(Qt::ControlModifier))
        return false;
    // The tree would unselect a selected node: here the node is selected as by a plain
    // click (its directory current), and its mark toggled. The release is swallowed too.
    if (event.type() != QEvent::MouseButtonPress)
        return true;
    const QModelIndex index = m_tree->indexAt(event.position().toPoint());
    CVolraDoc* pDoc = GetVolraDoc();
    if (!index.isValid() || pDoc == nullptr)
        return true;
    // Taken first: selecting may fill nodes, which leaves the index behind.
    const CEntry* pEntry = m_pModel->EntryOf(index);
    m_tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    if (pEntry != nullptr && GetVolraDoc() == pDoc)
        pDoc->ToggleMark(*pEntry);
    return true;
}

bool CVolraTreeView::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_tree->viewport()
        && (pEvent->type() == QEvent::MouseButtonPress || pEvent->type() == QEvent::MouseButtonRelease)
        && OnCtrlClick(*static_cast<QMouseEvent*>(pEvent)))
        return true;
    if (pWatched == m_tree->viewport() && pEvent->type() == QEvent::ContextMenu) {
        auto* pMenuEvent = static_cast<QContextMenuEvent*>(pEvent);
        // Over no node the event goes on to the parent windows, as any unhandled one.
        return OnContextMenu(pMenuEvent->pos(), pMenuEvent->globalPos());
    }
    return CView::eventFilter(pWatched, pEvent);
}
