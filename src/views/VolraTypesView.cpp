#include "VolraTypesView.h"

#include "TypesModel.h"
#include "VolraPrefs.h"
#include "doc/Resource.h"
#include "doc/VolraDoc.h"
#include "lenses/FileWalk.h"
#include "lenses/TypeCatalog.h"
#include "model/Entry.h"
#include "model/EntryFilter.h"

#include <QHeaderView>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

#include <new>

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
    connect(m_tree, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { ToggleFilter(m_pSorted->mapToSource(index)); });
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
    CheckChosen();
    if (m_bStale && isVisible())
        Rebuild();
}

void CVolraTypesView::OnDetachFromDocument()
{
    m_pFilterSet = nullptr;
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
    SelectChosen();
}

void CVolraTypesView::ToggleFilter(const QModelIndex& row)
{
    CVolraDoc* pDoc = GetVolraDoc();
    const CCategoryRow* pCategory = m_pModel->CategoryAt(row);
    if (pDoc == nullptr || pDoc->GetRoot() == nullptr || pDoc->GetCurrent() == nullptr || pCategory == nullptr)
        return;
    const CTypeRow* pType = m_pModel->TypeAt(row);
    const Chosen chosen{pCategory->category, pType != nullptr ? pType->pType : nullptr};
    CheckChosen();
    if (m_pFilterSet != nullptr && chosen == m_chosen) {
        pDoc->ClearFilter();
        m_pFilterSet = nullptr;
        m_tree->clearSelection();
        return;
    }
    // Whether a file is of the chosen row: one hash lookup by extension in the catalog.
    const auto refill = [chosen](CEntry& current, CEntryFilter& filter) {
        CTypeCatalog& catalog = CTypeCatalog::Shared();
        ForEachFile(current, [&](const CEntry& file) {
            const CFileType& type = catalog.TypeOf(file.GetName());
            if (chosen.pType != nullptr ? &type == chosen.pType : type.category == chosen.category)
                filter.Add(file);
        });
    };
    const std::string label = chosen.pType != nullptr
        ? "File type \"" + ExtensionBytes(chosen.pType->extension) + "\""
        : std::string("File type \"") + CategoryText(chosen.category) + "\"";
    try {
        auto pFilter = std::make_unique<CEntryFilter>(*pDoc->GetRoot(), label);
        refill(*pDoc->GetCurrent(), *pFilter);
        m_pFilterSet = pFilter.get();
        m_chosen = chosen;
        pDoc->SetFilter(std::move(pFilter), refill);
    } catch (const std::bad_alloc&) {
        // Too many files to hold: no filter rather than one that leaves some out.
        pDoc->ClearFilter();
        m_pFilterSet = nullptr;
    }
    SelectChosen();
}

void CVolraTypesView::CheckChosen()
{
    const CVolraDoc* pDoc = GetVolraDoc();
    if (m_pFilterSet != nullptr && (pDoc == nullptr || pDoc->GetFilter() != m_pFilterSet)) {
        m_pFilterSet = nullptr;
        m_tree->clearSelection();
    }
}

void CVolraTypesView::SelectChosen()
{
    if (m_pFilterSet == nullptr)
        return;
    for (int c = 0; c < m_pModel->rowCount(); ++c) {
        const QModelIndex category = m_pModel->index(c, CTypesModel::Name);
        if (m_pModel->CategoryAt(category)->category != m_chosen.category)
            continue;
        QModelIndex row = category;
        for (int t = 0; t < m_pModel->rowCount(category) && m_chosen.pType != nullptr; ++t) {
            const QModelIndex type = m_pModel->index(t, CTypesModel::Name, category);
            if (m_pModel->TypeAt(type)->pType == m_chosen.pType)
                row = type;
        }
        if (m_chosen.pType != nullptr && row == category)
            break;  // the extension is not below this directory
        m_tree->setCurrentIndex(m_pSorted->mapFromSource(row));
        return;
    }
    m_tree->clearSelection();
}
