#include "VolraListView.h"

#include "EntryInfo.h"
#include "ListComparing.h"
#include "ListHeader.h"
#include "ListModel.h"
#include "VolraPrefs.h"
#include "doc/VolraDoc.h"
#include "framework/UiServices.h"
#include "model/Entry.h"
#include "model/FormatSize.h"
#include "model/MarkSet.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// Bytes up to 1023, then two decimals; ten thousand G covers the largest disks.
constexpr std::int64_t kLargeDisk = std::int64_t(10000) << 30;

// Shows a cell's whole text as a tip when the column is too narrow for it, and nothing
// when it fits.
class CLabelTipDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* pEvent, QAbstractItemView* pView, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (pEvent->type() != QEvent::ToolTip || pView == nullptr)
            return QStyledItemDelegate::helpEvent(pEvent, pView, option, index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QRect textRect = pView->style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, pView);
        if (opt.fontMetrics.horizontalAdvance(opt.text) > textRect.width())
            QToolTip::showText(pEvent->globalPos(), opt.text, pView);
        else
            QToolTip::hideText();
        return true;
    }
};
}  // namespace

CVolraListView::CVolraListView(QWidget* pParent)
    : CView(pParent), m_pModel(new CListModel(this)), m_pHeader(new CListHeader(this)), m_list(new QTableView(this)),
      m_bShowDirectories(AfxGetPrefs().m_bShowDirectories != FALSE)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    setFocusProxy(m_list);

    m_list->setHorizontalHeader(m_pHeader);
    m_list->setModel(m_pModel);
    m_list->setItemDelegate(new CLabelTipDelegate(m_list));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    m_list->setTabKeyNavigation(false);
    m_list->setCornerButtonEnabled(false);
    m_list->setIconSize(QSize(16, 16));
    m_list->verticalHeader()->hide();
    // One height for every row, so that a million rows need no measuring.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(std::max(fontMetrics().height(), 16) + 4);
    m_pHeader->setStretchLastSection(false);
    FitColumnWidths();
    m_list->viewport()->installEventFilter(this);

    connect(m_pHeader, &QHeaderView::sectionClicked, this, &CVolraListView::OnColumnClick);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { OnRowSelected(); });
    connect(m_list, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OnRowDoubleClicked(index.row()); });
}

CVolraListView::~CVolraListView() = default;

int CVolraListView::FitWidth(std::initializer_list<std::string> texts) const
{
    const QFontMetrics fm = m_list->fontMetrics();
    const int nMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 4;
    int nWidth = 0;
    for (const std::string& text : texts)
        nWidth = std::max(nWidth, fm.horizontalAdvance(QString::fromStdString(text)));
    return nWidth + nMargins;
}

// The widths were chosen for a narrower font than most desktops use: the columns of
// texts with a known longest form (sizes, types, times) are widened until that fits,
// rather than show every such text cut short. Names and paths keep their widths.
void CVolraListView::FitColumnWidths()
{
    const auto fit = [this](std::initializer_list<std::string> texts) { return FitWidth(texts); };
    const int nSizeWidth = std::max(fit({FormatSize(1000), FormatSize(1023), FormatSize(kLargeDisk)}),
                                    m_pHeader->MarkedSectionWidth(static_cast<int>(EListColumn::Size)));
    const int nTypeWidth = fit({"Directory (unreadable)", "Directory (other file system)"});
    const int nTimeWidth = fit({"00/00/0000 00:00:00"});
    const int nItemsWidth =
        std::max(fit({FormatCount(99'999'999)}), m_pHeader->MarkedSectionWidth(static_cast<int>(EListColumn::Items)));
    for (int i = 0; i < kListColumns; ++i) {
        const auto column = static_cast<EListColumn>(i);
        const int nFit = column == EListColumn::Size ? nSizeWidth
            : column == EListColumn::Type            ? nTypeWidth
            : column == EListColumn::Items           ? nItemsWidth
            : column >= EListColumn::Modified        ? nTimeWidth
                                                     : 0;
        m_list->setColumnWidth(i, std::max(kColumnWidths[i], nFit));
    }
}

const CCmdMap& CVolraListView::ClassCmdMap()
{
    static const CCmdMap map =
        CCmdMapOf<CVolraListView>(&CView::ClassCmdMap())
            .On(ID_SHOW_ALL_FILES, &CVolraListView::OnShowAllContained, &CVolraListView::OnUpdateShowAllContained)
            .On(ID_SHOW_DIRECTORIES, &CVolraListView::OnShowDirectories, &CVolraListView::OnUpdateShowDirectories)
            .On(ID_SHOW_CHANGED_ONLY, &CVolraListView::OnShowChangedOnly, &CVolraListView::OnUpdateShowChangedOnly)
            .On(ID_SHOW_REMOVED, &CVolraListView::OnShowRemoved, &CVolraListView::OnUpdateShowRemoved);
    return map;
}

CVolraDoc* CVolraListView::GetVolraDoc() const { return qobject_cast<CVolraDoc*>(GetDocument()); }

const std::vector<CEntry*>& CVolraListView::GetRows() const { return m_pModel->Rows(); }

void CVolraListView::OnInitialUpdate() {}

void CVolraListView::OnUpdate(CView*, LPARAM, QObject*) { Rebuild(); }

void CVolraListView::OnDetachFromDocument()
{
    m_bRowsCurrent = false;
    m_pModel->SetItemCounts(nullptr);
    m_pModel->Rebuild(nullptr, [](std::vector<CEntry*>& rows, std::vector<CRemovedRow>& removed) {
        rows.clear();
        rows.shrink_to_fit();
        removed.clear();
        removed.shrink_to_fit();
    });
}

void CVolraListView::FollowComparison(const CSearchComparison* pComparison)
{
    const int nChange = static_cast<int>(EListColumn::Change);
    if (pComparison == nullptr) {
        // The next comparison starts with everything shown, sorted as a list starts.
        m_bChangedOnly = false;
        m_bShowRemoved = false;
        if (m_sortColumn == EListColumn::Change) {
            m_sortColumn = EListColumn::Size;
            m_sortReversed = true;
        }
        m_pModel->ShowChangeColumn(false);
        return;
    }
    if (m_pModel->HasChangeColumn())
        return;
    m_pModel->ShowChangeColumn(true);
    m_list->setColumnWidth(nChange,
                           std::max({kChangeColumnWidth, m_pHeader->MarkedSectionWidth(nChange),
                                     FitWidth({FormatSizeChange(-kLargeDisk), "removed"})}));
    // A change is read against the size it changed: the column stands right after Size.
    const int nFrom = m_pHeader->visualIndex(nChange);
    const int nSize = m_pHeader->visualIndex(static_cast<int>(EListColumn::Size));
    m_pHeader->moveSection(nFrom, nFrom < nSize ? nSize : nSize + 1);
}

void CVolraListView::FollowMarks(const CMarkSet* pMarks)
{
    const bool bMarks = pMarks != nullptr && !pMarks->IsEmpty();
    if (!bMarks) {
        m_pModel->ShowCheckColumn(false);
        return;
    }
    m_pModel->SetMarks(pMarks);
    if (m_pModel->CheckColumn() >= 0)
        return;
    m_pModel->ShowCheckColumn(true);
    const int nCheck = m_pModel->CheckColumn();
    m_list->setColumnWidth(nCheck, std::max(kCheckColumnWidth, FitWidth({"\u2713"})));
    m_pHeader->moveSection(m_pHeader->visualIndex(nCheck), 0);
}

void CVolraListView::Rebuild()
{
    CVolraDoc* pDoc = GetVolraDoc();
    const CEntry* pCurrent = pDoc != nullptr ? pDoc->GetCurrent() : nullptr;
    const CSearchComparison* pComparison = pDoc != nullptr ? pDoc->GetComparison() : nullptr;
    FollowComparison(pComparison);
    FollowMarks(pDoc != nullptr ? pDoc->GetMarks() : nullptr);
    BeginWaitCursor();
    m_pModel->SetRemovedColour(m_list->palette().color(QPalette::Disabled, QPalette::Text));
    m_pModel->SetCoveredColour(m_list->palette().color(QPalette::Disabled, QPalette::Text));
    const CRowChoice choice{pDoc != nullptr ? pDoc->GetFilter() : nullptr, m_bShowDirectories};
    CItemCounts* pCounts = pDoc != nullptr ? &pDoc->GetItemCounts() : nullptr;
    m_pModel->SetItemCounts(pCounts);
    m_pModel->Rebuild(pComparison, [&](std::vector<CEntry*>& rows, std::vector<CRemovedRow>& removed) {
        removed.clear();
        if (pCurrent == nullptr) {
            rows.clear();
        } else if (pComparison == nullptr) {
            OrderChosenRows(*pCurrent, m_showAllContained, choice, m_sortColumn, rows, pCounts);
            if (m_sortReversed)
                std::reverse(rows.begin(), rows.end());
        } else {
            // A filter's files come from every depth, as they do without a comparison.
            const CListShown shown{m_showAllContained || choice.pFilter != nullptr, m_bChangedOnly, m_bShowRemoved};
            OrderComparedRows(*pCurrent, shown, m_sortColumn, *pComparison, rows, removed, pCounts);
            KeepChosenRows(choice, rows, removed);
            if (m_sortReversed)
                ReverseRows(rows, removed);
        }
    });
    m_bRowsCurrent = pDoc != nullptr;
    EndWaitCursor();
    AfterRebuild();
}

void CVolraListView::Reverse()
{
    m_pModel->Rebuild(m_pModel->GetComparison(), [](std::vector<CEntry*>& rows, std::vector<CRemovedRow>& removed) {
        ReverseRows(rows, removed);
    });
    AfterRebuild();
}

void CVolraListView::AfterRebuild()
{
    CVolraDoc* pDoc = GetVolraDoc();
    // A reset leaves the table's layout to a timer that fires after the first paint and
    // repaints every row again: laid out now, the new rows are painted once.
    m_list->doItemsLayout();
    m_pHeader->SetMark(static_cast<int>(m_sortColumn), m_sortReversed);
    // The reset forgot the selected row: the document's selection, when it is a row,
    // stays selected and in sight; otherwise the list starts at its top.
    const int nRow = pDoc != nullptr ? m_pModel->RowOf(pDoc->GetSelected()) : -1;
    m_bRebuilding = true;
    if (nRow >= 0) {
        const QModelIndex index = m_pModel->index(nRow, 0);
        m_list->selectionModel()->setCurrentIndex(index,
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_list->scrollTo(index);
    } else {
        m_list->scrollToTop();
    }
    m_bRebuilding = false;
}

void CVolraListView::OnColumnClick(int nColumn)
{
    if (nColumn < 0 || nColumn >= m_pModel->columnCount() || nColumn == m_pModel->CheckColumn())
        return;  // the checks have no order of their own
    const auto column = static_cast<EListColumn>(nColumn);
    if (column != m_sortColumn) {
        m_sortColumn = column;
        // Changes, like sizes at first, come largest first: growth, then shrinkage.
        m_sortReversed = column == EListColumn::Change;
    } else {
        m_sortReversed = !m_sortReversed;
        // Every order is a total one and its reverse the exact mirror: the rows, gathered
        // and sorted at the last update, are turned round rather than sorted again.
        if (m_bRowsCurrent) {
            Reverse();
            return;
        }
    }
    Rebuild();
}

void CVolraListView::OnShowAllContained()
{
    m_showAllContained = !m_showAllContained;
    OnUpdate(nullptr, HINT_REDRAW, nullptr);
}

void CVolraListView::OnUpdateShowAllContained(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(m_showAllContained ? 1 : 0);
}

void CVolraListView::OnShowDirectories()
{
    m_bShowDirectories = !m_bShowDirectories;
    AfxGetPrefs().m_bShowDirectories = m_bShowDirectories ? TRUE : FALSE;
    Rebuild();
}

void CVolraListView::OnUpdateShowDirectories(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(m_bShowDirectories ? 1 : 0);
}

bool CVolraListView::IsComparing() const
{
    const CVolraDoc* pDoc = GetVolraDoc();
    return pDoc != nullptr && pDoc->GetComparison() != nullptr;
}

void CVolraListView::OnShowChangedOnly()
{
    if (!IsComparing())
        return;
    m_bChangedOnly = !m_bChangedOnly;
    Rebuild();
}

void CVolraListView::OnUpdateShowChangedOnly(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(IsComparing());
    pCmdUI->SetCheck(m_bChangedOnly ? 1 : 0);
}

void CVolraListView::OnShowRemoved()
{
    if (!IsComparing())
        return;
    m_bShowRemoved = !m_bShowRemoved;
    Rebuild();
}

void CVolraListView::OnUpdateShowRemoved(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(IsComparing());
    pCmdUI->SetCheck(m_bShowRemoved ? 1 : 0);
}

void CVolraListView::OnRowSelected()
{
    CVolraDoc* pDoc = GetVolraDoc();
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (m_bRebuilding || pDoc == nullptr || rows.isEmpty())
        return;
    // The document's selection only: no other view is told or repainted.
    const int nRow = rows.front().row();
    if (CEntry* pEntry = m_pModel->EntryAt(nRow)) {
        pDoc->SetSelected(pEntry);
    } else if (const CEntry* pGone = m_pModel->RemovedAt(nRow)) {
        // An item gone since is no entry of this tree: the document selects nothing, so
        // that no command (Open, Delete, the context menu's) can reach it or act on what
        // was selected before.
        pDoc->SetSelected(nullptr);
        ShowEntryInfo(pGone);
    }
}

void CVolraListView::OnRowDoubleClicked(int nRow)
{
    CVolraDoc* pDoc = GetVolraDoc();
    CEntry* pEntry = m_pModel->EntryAt(nRow);
    if (pDoc != nullptr && pEntry != nullptr && pEntry->IsDirectory())
        pDoc->SetCurrent(pEntry);
}

bool CVolraListView::OnCtrlPress(const QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton || !event.modifiers().testFlag(Qt::ControlModifier))
        return false;
    // The table would take Ctrl and a click for a change of its selection (unselecting the
    // selected row): here it selects the row as a plain click does, and marks.
    const QModelIndex index = m_list->indexAt(event.position().toPoint());
    if (!index.isValid())
        return true;
    m_list->selectionModel()->setCurrentIndex(m_pModel->index(index.row(), 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    CVolraDoc* pDoc = GetVolraDoc();
    if (const CEntry* pEntry = m_pModel->EntryAt(index.row()); pDoc != nullptr && pEntry != nullptr)
        pDoc->ToggleMark(*pEntry);
    return true;
}

bool CVolraListView::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_list->viewport() && pEvent->type() == QEvent::MouseButtonPress
        && OnCtrlPress(*static_cast<QMouseEvent*>(pEvent)))
        return true;
    // Its release too: the table would act on it as on the end of a press of its own.
    if (pWatched == m_list->viewport() && pEvent->type() == QEvent::MouseButtonRelease) {
        const auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        if (pMouse->button() == Qt::LeftButton && pMouse->modifiers().testFlag(Qt::ControlModifier))
            return true;
    }
    if (pWatched == m_list->viewport() && pEvent->type() == QEvent::ContextMenu) {
        // The press of the right button has already selected the row under it.
        if (CVolraDoc* pDoc = GetVolraDoc()) {
            const QPoint at = static_cast<QContextMenuEvent*>(pEvent)->globalPos();
            pDoc->ShowContextMenu(this, at.x(), at.y());
        }
        return true;
    }
    return CView::eventFilter(pWatched, pEvent);
}
