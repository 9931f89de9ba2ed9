#include "VolraListView.h"

#include "ListHeader.h"
#include "ListModel.h"
#include "doc/VolraDoc.h"
#include "framework/UiServices.h"
#include "model/Entry.h"
#include "model/FormatSize.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace {
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
    : CView(pParent), m_pModel(new CListModel(this)), m_pHeader(new CListHeader(this)), m_list(new QTableView(this))
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

// The widths were chosen for a narrower font than most desktops use: the columns of
// texts with a known longest form (sizes, types, times) are widened until that fits,
// rather than show every such text cut short. Names and paths keep their widths.
void CVolraListView::FitColumnWidths()
{
    const QFontMetrics fm = m_list->fontMetrics();
    const int nMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 4;
    const auto fit = [&](std::initializer_list<std::string> texts) {
        int nWidth = 0;
        for (const std::string& text : texts)
            nWidth = std::max(nWidth, fm.horizontalAdvance(QString::fromStdString(text)));
        return nWidth + nMargins;
    };
    // Bytes up to 1023, then two decimals; ten thousand G covers the largest disks.
    constexpr std::int64_t kLargeDisk = std::int64_t(10000) << 30;
    const int nSizeWidth = std::max(fit({FormatSize(1000), FormatSize(1023), FormatSize(kLargeDisk)}),
                                    m_pHeader->MarkedSectionWidth(static_cast<int>(EListColumn::Size)));
    const int nTypeWidth = fit({"Directory (unreadable)", "Directory (other file system)"});
    const int nTimeWidth = fit({"00/00/0000 00:00:00"});
    for (int i = 0; i < kListColumns; ++i) {
        const auto column = static_cast<EListColumn>(i);
        const int nFit = column == EListColumn::Size ? nSizeWidth
            : column == EListColumn::Type            ? nTypeWidth
            : column >= EListColumn::Modified        ? nTimeWidth
                                                     : 0;
        m_list->setColumnWidth(i, std::max(kColumnWidths[i], nFit));
    }
}

const CCmdMap& CVolraListView::ClassCmdMap()
{
    static const CCmdMap map =
        CCmdMapOf<CVolraListView>(&CView::ClassCmdMap())
            .On(ID_SHOW_ALL_FILES, &CVolraListView::OnShowAllContained, &CVolraListView::OnUpdateShowAllContained);
    return map;
}

CVolraDoc* CVolraListView::GetVolraDoc() const { return qobject_cast<CVolraDoc*>(GetDocument()); }

const std::vector<CEntry*>& CVolraListView::GetRows() const { return m_pModel->Rows(); }

void CVolraListView::OnInitialUpdate() {}

void CVolraListView::OnUpdate(CView*, LPARAM, QObject*) { Rebuild(); }

void CVolraListView::OnDetachFromDocument()
{
    m_pModel->Rebuild([](std::vector<CEntry*>& rows) {
        rows.clear();
        rows.shrink_to_fit();
    });
}

void CVolraListView::Rebuild()
{
    CVolraDoc* pDoc = GetVolraDoc();
    const CEntry* pCurrent = pDoc != nullptr ? pDoc->GetCurrent() : nullptr;
    BeginWaitCursor();
    m_pModel->Rebuild([&](std::vector<CEntry*>& rows) {
        if (pCurrent == nullptr) {
            rows.clear();
            return;
        }
        OrderListRows(*pCurrent, m_showAllContained, m_sortColumn, rows);
        if (m_sortReversed)
            std::reverse(rows.begin(), rows.end());
    });
    m_pHeader->SetMark(static_cast<int>(m_sortColumn), m_sortReversed);
    EndWaitCursor();

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
    if (nColumn < 0 || nColumn >= kListColumns)
        return;
    const auto column = static_cast<EListColumn>(nColumn);
    if (column != m_sortColumn) {
        m_sortColumn = column;
        m_sortReversed = false;
    } else {
        m_sortReversed = !m_sortReversed;
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

void CVolraListView::OnRowSelected()
{
    CVolraDoc* pDoc = GetVolraDoc();
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (m_bRebuilding || pDoc == nullptr || rows.isEmpty())
        return;
    // The document's selection only: no other view is told or repainted.
    if (CEntry* pEntry = m_pModel->EntryAt(rows.front().row()))
        pDoc->SetSelected(pEntry);
}

void CVolraListView::OnRowDoubleClicked(int nRow)
{
    CVolraDoc* pDoc = GetVolraDoc();
    CEntry* pEntry = m_pModel->EntryAt(nRow);
    if (pDoc != nullptr && pEntry != nullptr && pEntry->IsDirectory())
        pDoc->SetCurrent(pEntry);
}

bool CVolraListView::eventFilter(QObject* pWatched, QEvent* pEvent)
{
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
