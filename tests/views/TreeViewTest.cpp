// The tree panel as a search window holds it: attached to the document of a real search,
// told of the finished search, then driven by the document's navigation, by keys and by
// the mouse.
#include "framework/CmdTarget.h"
#include "support/ComparedSearch.h"
#include "support/Input.h"
#include "support/ViewHarness.h"
#include "support/ViewProbe.h"
#include "views/TreeLabelDelegate.h"
#include "views/TreePanelModel.h"
#include "views/VolraPrefs.h"
#include "views/VolraTreeView.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <tuple>

namespace {
class TreePanelTest : public ViewHarness<CVolraTreeView> {
protected:
    // Root: a/b/c/d (deep), a/b/c2, a/files (files only), m/n; a file at the top.
    void SetUp() override
    {
        tree.Files({{"a/b/c/d/deep.txt", 10},
                    {"a/b/c2/x", 5},
                    {"a/files/f1", 100},
                    {"a/files/f2", 200},
                    {"m/n/o", 1},
                    {"top", 7}});
        Open(250, 110);  // room for a few nodes only: revealing must scroll
        parent.show();
    }
    void TearDown() override
    {
        ViewHarness::TearDown();
        AfxGetPrefs().m_bShowSizes = m_bShowSizes;
    }

    CEntry* At(const std::vector<std::string>& names) const { return EntryAt(doc->GetRoot(), names); }
    QModelIndex IndexOf(const std::vector<std::string>& names) const { return Model()->IndexOf(At(names)); }
    bool Expanded(const std::vector<std::string>& names) const { return Ctrl()->isExpanded(IndexOf(names)); }
    CTreePanelModel* Model() const { return view->GetModel(); }
    QTreeView* Ctrl() const { return view->GetTreeCtrl(); }
    // The first line of the menu a right click at pt opens, or "" for no menu.
    std::string RightClick(QPoint pt) { return ContextMenuAt(Ctrl()->viewport(), pt).firstLine; }

    const BOOL m_bShowSizes = AfxGetPrefs().m_bShowSizes;
};
}  // namespace

TEST_F(TreePanelTest, NodesAreMadeOnlyWhereBranchesOpenAndLabelsFollowThePreference)
{
    EXPECT_EQ(view->GetSelectedEntry(), root);
    EXPECT_EQ(Model()->NodeCount(), 3) << "the root and its subdirectories a and m";
    EXPECT_FALSE(IndexOf({"a", "b"}).isValid());
    EXPECT_TRUE(Model()->hasChildren(IndexOf({"a"})));

    Ctrl()->expand(IndexOf({"a"}));  // as the expand button does
    EXPECT_EQ(Model()->NodeCount(), 5);
    const QModelIndex files = IndexOf({"a", "files"});
    EXPECT_FALSE(Model()->hasChildren(files)) << "a directory of files only is a leaf";
    EXPECT_TRUE(Model()->flags(files) & Qt::ItemNeverHasChildren);
    Ctrl()->expand(files);
    EXPECT_EQ(Model()->rowCount(files), 0);

    for (const BOOL bShow : {TRUE, FALSE, TRUE}) {
        AfxGetPrefs().m_bShowSizes = bShow;
        doc->UpdateAllViews(nullptr, HINT_REDRAW);  // as accepting the preferences does
        EXPECT_EQ(Model()->data(files).toString().toStdString(), bShow ? "files [300 bytes]" : "files");
    }
}

TEST_F(TreePanelTest, FollowsTheCurrentDirectoryAndDrivesIt)
{
    // A double-click deep in the block view: every level down to it opens, itself too.
    CEntry* c = At({"a", "b", "c"});
    doc->SetCurrent(c);
    EXPECT_EQ(view->GetSelectedEntry(), c);
    EXPECT_EQ(spy.hints.size(), 1u) << "this one: the panel's selection sends nothing";
    for (const auto& level : {std::vector<std::string>{"a"}, {"a", "b"}, {"a", "b", "c"}})
        EXPECT_TRUE(Expanded(level)) << level.back();
    EXPECT_TRUE(Ctrl()->viewport()->rect().contains(Ctrl()->visualRect(IndexOf({"a", "b", "c"}))));
    EXPECT_FALSE(IndexOf({"m", "n"}).isValid()) << "other branches stay unmade";

    // Up: the parent's node is selected, the child's keeps its state. A node that exists
    // under a closed branch is shown by opening the branch.
    doc->OnOpenParent();
    EXPECT_EQ(view->GetSelectedEntry(), At({"a", "b"}));
    EXPECT_TRUE(Expanded({"a", "b", "c"}));
    Ctrl()->collapse(IndexOf({"a"}));
    doc->SetCurrent(At({"a", "b", "c2"}));
    EXPECT_TRUE(Expanded({"a"}));
    doc->SetCurrent(At({"a", "b"}));

    // Keys: each node passed becomes current, and the views follow every step.
    Ctrl()->setFocus();
    spy.hints.clear();
    for (const auto& [key, path] : {std::pair{Qt::Key_Up, std::vector<std::string>{"a"}},
                                    {Qt::Key_Down, {"a", "b"}},
                                    {Qt::Key_Down, {"a", "b", "c"}},
                                    {Qt::Key_Down, {"a", "b", "c", "d"}}}) {
        QTest::keyClick(Ctrl(), key);
        EXPECT_EQ(doc->GetCurrent(), At(path)) << path.back();
        EXPECT_EQ(doc->GetSelected(), At(path));
    }
    EXPECT_EQ(spy.hints, std::vector<LPARAM>(4, HINT_REDRAW));

    // Losing the selection makes nothing current, and the current directory's node keeps
    // its highlight, also after a click on the empty space below the nodes.
    Ctrl()->selectionModel()->clearSelection();
    EXPECT_EQ(doc->GetCurrent(), At({"a", "b", "c", "d"}));
    EXPECT_EQ(view->GetSelectedEntry(), doc->GetCurrent());
    view->resize(250, 400);
    const QPoint empty(20, Ctrl()->viewport()->height() - 5);
    ASSERT_FALSE(Ctrl()->indexAt(empty).isValid());
    QTest::mouseClick(Ctrl()->viewport(), Qt::LeftButton, {}, empty);
    EXPECT_EQ(doc->GetCurrent(), At({"a", "b", "c", "d"}));
    EXPECT_EQ(view->GetSelectedEntry(), doc->GetCurrent());
    view->resize(250, 110);

    // A right click on a node makes it current, then opens the menu for it; on the empty
    // area below the nodes nothing happens.
    const QModelIndex m = IndexOf({"m"});
    Ctrl()->scrollTo(m);
    EXPECT_EQ(RightClick(Ctrl()->visualRect(m).center()), At({"m"})->GetPath() + " [1 bytes]");
    EXPECT_EQ(doc->GetCurrent(), At({"m"}));
    Ctrl()->collapse(IndexOf({}));
    EXPECT_EQ(RightClick(QPoint(20, Ctrl()->viewport()->height() - 5)), "");
    EXPECT_EQ(doc->GetCurrent(), At({"m"}));
}

TEST_F(TreePanelTest, RefreshAndDeleteCloseEveryBranchButTheCurrentOne)
{
    QAbstractItemModelTester tester(Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    doc->SetCurrent(At({"a", "b", "c"}));
    Ctrl()->expand(IndexOf({"m"}));
    Ctrl()->expand(IndexOf({"a", "b", "c2"}));

    doc->OnRefresh();
    EXPECT_EQ(view->GetSelectedEntry(), At({"a", "b", "c"}));
    for (const auto& level : {std::vector<std::string>{}, {"a"}, {"a", "b"}, {"a", "b", "c"}})
        EXPECT_TRUE(Expanded(level));
    EXPECT_FALSE(Expanded({"m"}));
    EXPECT_FALSE(Expanded({"a", "b", "c2"}));

    TempTree trash;
    ScopedDataHome dataHome(trash.Path("share"));
    doc->SetSelected(At({"a", "b", "c", "d"}));
    ASSERT_TRUE(ExecuteCommand(*view, ID_DELETE));
    EXPECT_EQ(At({"a", "b", "c", "d"}), nullptr);
    EXPECT_EQ(view->GetSelectedEntry(), At({"a", "b", "c"}));
    EXPECT_FALSE(Model()->hasChildren(IndexOf({"a", "b", "c"}))) << "its only subdirectory went";
    doc->OnOpenParent();
    EXPECT_EQ(view->GetSelectedEntry(), At({"a", "b"}));
}

// A label too long for the panel keeps its size: its name is cut with an ellipsis, and its
// whole text comes as a tip; a short label is left whole and brings no tip.
TEST_F(TreePanelTest, LongLabelsAreCutInTheirNamesAndShownWholeAsATip)
{
    const QFontMetrics fm(Ctrl()->font());
    const QString name = QStringLiteral("a_directory_with_a_rather_long_name");
    const QString size = QStringLiteral(" [2.00k]");
    const QString ellipsis(QChar(0x2026));
    const int nWhole = fm.horizontalAdvance(name + size);
    const int nRoomForSome = fm.horizontalAdvance(QStringLiteral("a_dir") + ellipsis + size);
    const std::tuple<QString, int, QString, QString> cases[] = {
        // suffix, width, what the label begins and ends with
        {size, nWhole, name + size, name + size},
        {size, nRoomForSome, QStringLiteral("a_d"), ellipsis + size},
        {QString(), fm.horizontalAdvance(QStringLiteral("a_dir") + ellipsis), QStringLiteral("a_d"), ellipsis},
        {size, fm.horizontalAdvance(size) / 2, QString(), ellipsis},  // no room for the size
    };
    for (const auto& [suffix, nWidth, begins, ends] : cases) {
        const QString fitted = CTreeLabelDelegate::FitLabel(name, suffix, fm, nWidth);
        EXPECT_LE(fm.horizontalAdvance(fitted), nWidth) << fitted.toStdString();
        EXPECT_TRUE(fitted.startsWith(begins) && fitted.endsWith(ends)) << fitted.toStdString();
    }

    tree.File(name.toStdString() + "/f", 2048);
    AfxGetPrefs().m_bShowSizes = TRUE;
    doc->OnRefresh();
    const auto tipAt = [this](const QModelIndex& index) { return TipAt(Ctrl(), index); };
    const QModelIndex longOne = IndexOf({name.toStdString()});
    ASSERT_TRUE(longOne.isValid());
    EXPECT_EQ(tipAt(longOne), name.toStdString() + " [2.00k]");
    EXPECT_NE(tipAt(IndexOf({"m"})), "m [1 bytes]");
    EXPECT_EQ(Ctrl()->header()->sectionSize(0), Ctrl()->viewport()->width()) << "no label runs past the edge";
}

// While comparing, each label tells its directory's change after its size ("a [3.96k,
// -2.19k]"), or alone while sizes are hidden; a directory without change keeps its plain
// label. The labels follow the comparison being set and dropped, a refresh and a delete.
TEST(TreePanelCompareTest, LabelsTellTheChangeAndFollowTheTree)
{
    ComparedSearch search;
    QWidget parent;
    CVolraTreeView view(&parent);
    view.resize(300, 400);
    search.doc->AddView(&view);
    struct Restore {
        CVolraDoc& doc;
        CView& view;
        const BOOL bShowSizes = AfxGetPrefs().m_bShowSizes;
        ~Restore()
        {
            doc.RemoveView(&view);
            AfxGetPrefs().m_bShowSizes = bShowSizes;
        }
    } restore{*search.doc, view};
    AfxGetPrefs().m_bShowSizes = TRUE;
    search.doc->UpdateAllViews(nullptr, HINT_TREE_CHANGED);
    const auto labels = [&](std::initializer_list<std::vector<std::string>> paths) {
        search.doc->SetCurrent(search.At({"a", "b", "c", "d"}));  // makes every node asked for
        std::vector<std::string> said;
        for (const auto& path : paths) {
            const QModelIndex index = view.GetModel()->IndexOf(search.At(path));
            const std::string label = view.GetModel()->data(index).toString().toStdString();
            const std::size_t nBracket = label.find(" [");  // the root's name is long: its end only
            said.push_back(path.empty() && nBracket != std::string::npos ? label.substr(nBracket) : label);
        }
        return said;
    };
    const std::initializer_list<std::vector<std::string>> dirs = {
        {}, {"a"}, {"a", "b"}, {"a", "b", "c"}, {"a", "b", "c", "d"}, {"fresh"}};
    const std::vector<std::string> withSizes = {" [4.07k, -2.19k]",     "a [3.96k, -2.19k]",
                                                "b [60 bytes, -5.12k]", "c [50 bytes, -250 bytes]",
                                                "d [50 bytes, new]",    "fresh [9 bytes, new]"};
    EXPECT_EQ(labels(dirs), withSizes);
    AfxGetPrefs().m_bShowSizes = FALSE;
    search.doc->UpdateAllViews(nullptr, HINT_REDRAW);
    EXPECT_EQ(labels(dirs),
              (std::vector<std::string>{" [-2.19k]", "a [-2.19k]", "b [-5.12k]", "c [-250 bytes]", "d [new]",
                                        "fresh [new]"}));
    AfxGetPrefs().m_bShowSizes = TRUE;
    search.doc->UpdateAllViews(nullptr, HINT_REDRAW);

    // Against a second search of the same tree nothing changed: the labels are those of no
    // comparison at all.
    const std::vector<std::string> plain = {" [4.07k]",     "a [3.96k]",    "b [60 bytes]",
                                            "c [50 bytes]", "d [50 bytes]", "fresh [9 bytes]"};
    const auto again = Search(search.tree.Root());
    ASSERT_NE(again, nullptr);
    search.doc->SetComparison(std::make_unique<CSearchComparison>(*again->GetRoot(), *search.doc->GetRoot()));
    EXPECT_EQ(labels(dirs), plain);
    search.doc->SetComparison(nullptr);
    EXPECT_EQ(labels(dirs), plain);
    search.doc->SetComparison(std::make_unique<CSearchComparison>(*search.earlier->GetRoot(), *search.doc->GetRoot()));
    EXPECT_EQ(labels(dirs), withSizes);

    // b read again after its file grew to 8200 bytes (b was 5300, a 6300), then a/grows
    // (4000) deleted.
    search.tree.File("a/b/shrinks", 8200);
    search.doc->SetCurrent(search.At({"a", "b"}));
    search.doc->OnRefresh();
    EXPECT_EQ(labels({{"a"}, {"a", "b"}}), (std::vector<std::string>{"a [11.96k, +5.81k]", "b [8.06k, +2.88k]"}));
    search.doc->SetSelected(search.At({"a", "grows"}));
    ASSERT_TRUE(ExecuteCommand(view, ID_DELETE));
    EXPECT_EQ(labels({{}, {"a"}}), (std::vector<std::string>{" [8.16k, +1.91k]", "a [8.06k, +1.90k]"}));
}
