#include "TreePanelModel.h"

#include "model/FormatSize.h"
#include "model/ItemCounts.h"

#include "FileTypeInfo.h"
#include "framework/DisplayText.h"
#include "model/Entry.h"
#include "model/MarkSet.h"
#include "model/SearchComparison.h"

#include <algorithm>

CTreePanelModel::CTreePanelModel(QObject* pParent) : QAbstractItemModel(pParent) {}

CTreePanelModel::~CTreePanelModel() = default;

void CTreePanelModel::InitNode(Node& node, CEntry* pEntry, Node* pParent, int nRow)
{
    node.pEntry = pEntry;
    node.pParent = pParent;
    node.nRow = nRow;
    node.bHasSubdirectories = pEntry->HasSubdirectories() != FALSE;
}

void CTreePanelModel::Reset(CEntry* pRoot)
{
    const Notifying notifying(m_nNotifying);
    beginResetModel();
    m_pRoot.reset();
    m_nNodes = 0;
    if (pRoot != nullptr) {
        m_pRoot = std::make_unique<Node>();
        InitNode(*m_pRoot, pRoot, nullptr, 0);
        m_nNodes = 1;
    }
    endResetModel();
}

void CTreePanelModel::Fill(const QModelIndex& index)
{
    Node* pNode = NodeOf(index);
    if (pNode == nullptr || pNode->bFilled)
        return;
    pNode->bFilled = true;
    const auto& entries = pNode->pEntry->GetChildren();
    const auto nSubdirectories =
        std::count_if(entries.begin(), entries.end(), [](const auto& child) { return child->IsDirectory(); });
    if (nSubdirectories == 0)
        return;
    const Notifying notifying(m_nNotifying);
    beginInsertRows(index, 0, static_cast<int>(nSubdirectories - 1));
    // Reserved once and never grown again, so the nodes, which the indices point at, stay put.
    pNode->children.reserve(static_cast<std::size_t>(nSubdirectories));
    for (const auto& child : entries) {
        if (!child->IsDirectory())
            continue;
        Node& node = pNode->children.emplace_back();
        InitNode(node, child, pNode, static_cast<int>(pNode->children.size() - 1));
    }
    m_nNodes += static_cast<int>(nSubdirectories);
    endInsertRows();
}

QModelIndex CTreePanelModel::IndexOf(const CEntry* pEntry) const
{
    if (m_pRoot == nullptr || pEntry == nullptr)
        return {};
    // The chain from the entry up to the root, then down again through the nodes that
    // exist; entries are only compared, never read, below a node that is missing.
    std::vector<const CEntry*> chain;
    for (const CEntry* p = pEntry; p != m_pRoot->pEntry; p = p->GetParent()) {
        if (p == nullptr)
            return {};
        chain.push_back(p);
    }
    const Node* pNode = m_pRoot.get();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const auto& children = pNode->children;
        const auto found =
            std::find_if(children.begin(), children.end(), [&](const Node& n) { return n.pEntry == *it; });
        if (found == children.end())
            return {};
        pNode = &*found;
    }
    return IndexOfNode(pNode);
}

CEntry* CTreePanelModel::EntryOf(const QModelIndex& index) const
{
    const Node* pNode = NodeOf(index);
    return pNode != nullptr ? pNode->pEntry : nullptr;
}

QString CTreePanelModel::Label(const CEntry& entry) const { return DisplayText(entry.GetName()) + SizeSuffix(entry); }

QString CTreePanelModel::SizeSuffix(const CEntry& entry) const
{
    // Empty when nothing changed, or when the sizes shown cannot be compared.
    const std::string change = m_pComparison != nullptr ? m_pComparison->ChangeText(entry) : std::string();
    std::string inside;
    if (m_pCounts != nullptr) {
        const std::uint64_t nFiles = m_pCounts->Of(entry);
        inside = FormatCount(nFiles) + (nFiles == 1 ? " file" : " files");
    } else if (m_bShowSizes) {
        inside = entry.GetSizeText();
    }
    if (!change.empty())
        inside += (inside.empty() ? "" : ", ") + change;
    return inside.empty() ? QString() : QStringLiteral(" [%1]").arg(QString::fromStdString(inside));
}

CTreePanelModel::Node* CTreePanelModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex CTreePanelModel::IndexOfNode(const Node* pNode) const
{
    return pNode != nullptr ? createIndex(pNode->nRow, 0, const_cast<Node*>(pNode)) : QModelIndex();
}

QModelIndex CTreePanelModel::index(int nRow, int nColumn, const QModelIndex& parent) const
{
    if (nColumn != 0 || nRow < 0)
        return {};
    if (!parent.isValid())
        return nRow == 0 && m_pRoot != nullptr ? IndexOfNode(m_pRoot.get()) : QModelIndex();
    const Node* pParent = NodeOf(parent);
    if (pParent == nullptr || static_cast<std::size_t>(nRow) >= pParent->children.size())
        return {};
    return IndexOfNode(&pParent->children[static_cast<std::size_t>(nRow)]);
}

QModelIndex CTreePanelModel::parent(const QModelIndex& index) const
{
    const Node* pNode = NodeOf(index);
    return pNode != nullptr ? IndexOfNode(pNode->pParent) : QModelIndex();
}

int CTreePanelModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_pRoot != nullptr ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    const Node* pNode = NodeOf(parent);
    return pNode != nullptr ? static_cast<int>(pNode->children.size()) : 0;
}

int CTreePanelModel::columnCount(const QModelIndex&) const { return 1; }

bool CTreePanelModel::hasChildren(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_pRoot != nullptr;
    const Node* pNode = NodeOf(parent);
    return pNode != nullptr && parent.column() == 0 && pNode->bHasSubdirectories;
}

// Rows inserted while the views hear of another change would reach them in the middle of
// it: a fetch asked for then (by whoever reacts to the change) is refused, and comes
// again with the next expansion.
bool CTreePanelModel::canFetchMore(const QModelIndex& parent) const
{
    const Node* pNode = NodeOf(parent);
    return m_nNotifying == 0 && pNode != nullptr && !pNode->bFilled && pNode->bHasSubdirectories;
}

void CTreePanelModel::fetchMore(const QModelIndex& parent)
{
    if (m_nNotifying == 0)
        Fill(parent);
}

QVariant CTreePanelModel::data(const QModelIndex& index, int role) const
{
    CEntry* pEntry = EntryOf(index);
    if (pEntry == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (m_pMarks != nullptr && m_pMarks->IsMarked(*pEntry))
            return QString(QChar(0x2713)) + QLatin1Char(' ') + Label(*pEntry);
        return Label(*pEntry);
    case Qt::DecorationRole:
        return CFileTypeInfo::GetIcon(pEntry->GetIconIndex(FALSE));
    case kOpenIconRole:
        return CFileTypeInfo::GetIcon(pEntry->GetIconIndex(TRUE));
    case kSizeSuffixRole:
        return SizeSuffix(*pEntry);
    default:
        return {};
    }
}

Qt::ItemFlags CTreePanelModel::flags(const QModelIndex& index) const
{
    const Node* pNode = NodeOf(index);
    if (pNode == nullptr)
        return Qt::NoItemFlags;
    // A directory holding only files is a leaf here, however large it is.
    const Qt::ItemFlags leaf = pNode->bHasSubdirectories ? Qt::NoItemFlags : Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | leaf;
}
