#include "VolraTypesView.h"

#include "TypesModel.h"
#include "VolraPrefs.h"
#include "doc/Resource.h"
#include "doc/VolraDoc.h"
#include "model/Entry.h"

#include <QHeaderView>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
// The bar column: a bar as long as the row's share of the directory.
class CShareBarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(pPainter, option, index);
        const double dShare = index.data(CTypesModel::kShareRole).toDouble();
        const QRect rc = option.rect.adjusted(2, 3, -2, -3);
        if (rc.width() <= 0 || rc.height() <= 0 || !(dShare > 0))
            return;
        const int nWidth = std::max(1, static_cast<int>(rc.width() * std::min(dShare, 1.0)));
        pPainter->fillRect(QRect(rc.left(), rc.top(), nWidth, rc.height()), kBar);
    }
    static constexpr QColor kBar{90, 130, 200};
};
}  // namespace

CVolraTypesView::CVolraTypesView(QWidget* pParent)
    : CView(pParent), m_pModel(new CTypesModel(this)), m_pSorted(new QSortFilterProxyModel(this)),
      m_tree(new QTreeView(this))
{
    m_pSorted->setSourceModel(m_pModel);
    m_pSorted->setSortRole(CTypesModel::kSortRole);
    m_pSorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_tree->setModel(m_pSorted);
    m_tree->setObjectName(QStringLiteral("FileTypes"));
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(CTypesModel::Size, Qt::DescendingOrder);
    m_tree->setItemDelegateForColumn(CTypesModel::Bar, new CShareBarDelegate(m_tree));
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->header()->setStretchLastSection(true);
    m_tree->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_tree->setColumnWidth(CTypesModel::Name, 175);
    m_tree->setColumnWidth(CTypesModel::Count, 60);
    m_tree->setColumnWidth(CTypesModel::Size, 62);
    m_tree->setColumnWidth(CTypesModel::Share, 56);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addWidget(m_tree);
}

CVolraTypesView::~CVolraTypesView() = default;

CVolraDoc* CVolraTypesView::GetVolraDoc() const { return qobject_cast<CVolraDoc*>(GetDocument()); }

// The table holds no entry, so a changed tree only makes it out of date; the directory it
// was built of is compared by address, which a changed tree may have given to another.
void CVolraTypesView::OnUpdate(CView*, LPARAM lHint, QObject*)
{
    const CVolraDoc* pDoc = GetVolraDoc();
    const CEntry* pCurrent = pDoc != nullptr ? pDoc->GetCurrent() : nullptr;
    if (lHint == HINT_TREE_CHANGED || pCurrent != m_pBuiltFor
        || (pCurrent != nullptr && pCurrent->GetSize() != m_nBuiltSize) || CEntry::ShowsDiskSizes() != m_bBuiltDisk)
        m_bStale = true;
    m_pModel->SetLegend(AfxGetPrefs().GetColourBy() == EColourBy::Type);
    if (m_bStale && isVisible())
        Rebuild();
}

void CVolraTypesView::OnDetachFromDocument()
{
    m_pBuiltFor = nullptr;
    m_bStale = true;
    m_pModel->SetTable({});
}

void CVolraTypesView::showEvent(QShowEvent* pEvent)
{
    CView::showEvent(pEvent);
    if (m_bStale)
        Rebuild();
}

void CVolraTypesView::Rebuild()
{
    const CVolraDoc* pDoc = GetVolraDoc();
    const CEntry* pCurrent = pDoc != nullptr ? pDoc->GetCurrent() : nullptr;
    m_pModel->SetLegend(AfxGetPrefs().GetColourBy() == EColourBy::Type);
    m_pModel->SetTable(pCurrent != nullptr ? CTypeTable::Build(*pCurrent) : CTypeTable());
    m_pBuiltFor = pCurrent;
    m_nBuiltSize = pCurrent != nullptr ? pCurrent->GetSize() : 0;
    m_bBuiltDisk = CEntry::ShowsDiskSizes();
    m_bStale = false;
    ++m_nBuilds;
}
