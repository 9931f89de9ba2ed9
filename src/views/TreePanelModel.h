#pragma once
#include <QAbstractItemModel>

#include <memory>
#include <vector>

class CEntry;
class CItemCounts;
class CMarkSet;
class CSearchComparison;

// The tree panel's outline of the directories, made lazily: a node exists for the root
// and, below it, for the subdirectories of every node that has been expanded, never for
// anything else. Filling a node costs one pass over that directory's children; the tree
// is never walked.
//
// Labels are made when the view asks for them: the name, and " [size]" while sizes are
// shown, so a change of either shows at the next repaint without any node being touched.
// While the search is compared with an earlier one, the bracket also tells what changed:
// " [1.50G, +200.00M]", " [2.00k, new]", and " [+200.00M]" while sizes are hidden; a
// directory whose size stayed the same keeps its plain label. A marked directory's label
// starts with a check: "✓ docs [2.00k]".
class CTreePanelModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The open-folder icon of a node, which the view shows while the node is selected.
    static constexpr int kOpenIconRole = Qt::UserRole + 1;
    // The end of a node's label in brackets (" [2.00k]", " [2.00k, -1.00k]"), "" when there
    // is nothing to tell.
    static constexpr int kSizeSuffixRole = Qt::UserRole + 2;

    struct Node {
        CEntry* pEntry = nullptr;  // not owned: the document's tree owns it
        Node* pParent = nullptr;
        std::vector<Node> children;  // the subdirectories in stored order, once filled
        int nRow = 0;
        bool bFilled = false;
        bool bHasSubdirectories = false;
    };

    explicit CTreePanelModel(QObject* pParent = nullptr);
    ~CTreePanelModel() override;

    // Drops every node and makes one for pRoot (none for null), unfilled.
    void Reset(CEntry* pRoot);
    bool HasRoot() const { return m_pRoot != nullptr; }
    // Creates a node's subdirectory nodes, the first time only.
    void Fill(const QModelIndex& index);
    // The index of the entry's node, or an invalid index when it has none.
    QModelIndex IndexOf(const CEntry* pEntry) const;
    CEntry* EntryOf(const QModelIndex& index) const;
    // The nodes there are now, the root included.
    int NodeCount() const { return m_nNodes; }

    void SetShowSizes(bool bShowSizes) { m_bShowSizes = bShowSizes; }
    // Counts of files (" [1,234 files]") in place of the sizes, from the counts given (the
    // document's), or sizes again with null.
    void SetItemCounts(CItemCounts* pCounts) { m_pCounts = pCounts; }
    // The comparison whose changes the labels tell, or null; the caller repaints.
    void SetComparison(const CSearchComparison* pComparison) { m_pComparison = pComparison; }
    // The marks whose checks the labels show, or null; the caller repaints.
    void SetMarks(const CMarkSet* pMarks) { m_pMarks = pMarks; }
    // "docs" or, while sizes are shown, "docs [2.00k]"; while comparing "docs [2.00k, +1.00k]".
    QString Label(const CEntry& entry) const;
    QString SizeSuffix(const CEntry& entry) const;

    QModelIndex index(int nRow, int nColumn, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    Node* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOfNode(const Node* pNode) const;
    static void InitNode(Node& node, CEntry* pEntry, Node* pParent, int nRow);

    // Counts the changes being announced to the views while it lives.
    struct Notifying {
        explicit Notifying(int& n) : m_n(n) { ++m_n; }
        ~Notifying() { --m_n; }
        int& m_n;
    };

    std::unique_ptr<Node> m_pRoot;
    int m_nNodes = 0;
    int m_nNotifying = 0;  // changes under way: beginning announced, end not yet
    bool m_bShowSizes = false;
    CItemCounts* m_pCounts = nullptr;  // not owned: the document's
    const CSearchComparison* m_pComparison = nullptr;  // not owned: the document's
    const CMarkSet* m_pMarks = nullptr;  // not owned: the document's
};
