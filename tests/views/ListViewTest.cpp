// The list view as the program runs it: a real search of a scratch tree with awkward
// names, the view attached to its document, clicks on its headings and rows. Every order
// is checked against the plainest reference: the gathered rows sorted stably by the texts
// and numbers the columns show, paths composed in full.
#include "framework/CmdTarget.h"
#include "support/EntryBuild.h"
#include "support/Input.h"
#include "support/ViewHarness.h"
#include "support/ViewProbe.h"
#include "views/ListHeader.h"
#include "views/ListModel.h"
#include "views/ListOrder.h"
#include "views/VolraListView.h"

#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {
// Files below, at any depth; 1 for a file.
std::uint64_t FilesBelow(const CEntry* e)
{
    if (!e->IsDirectory())
        return 1;
    std::uint64_t n = 0;
    for (const CEntry* child : e->GetChildren())
        n += FilesBelow(child);
    return n;
}

std::vector<CEntry*> Reference(const CEntry& current, bool bAll, EListColumn column, bool bReversed = false)
{
    std::vector<CEntry*> rows;
    GatherListRows(current, bAll, rows);
    const std::function<bool(const CEntry*, const CEntry*)> less[kListColumns] = {
        [](auto a, auto b) { return CompareNames(a->GetName(), b->GetName()) < 0; },
        [](auto a, auto b) { return a->GetSize() < b->GetSize(); },
        [](auto a, auto b) {
            return a->IsDirectory() != b->IsDirectory() ? a->IsDirectory() != FALSE
                                                        : CompareNames(a->GetName(), b->GetName()) < 0;
        },
        [](auto a, auto b) { return CompareNames(a->GetPath(), b->GetPath()) < 0; },
        [](auto a, auto b) { return a->GetModifiedTime().GetTime() < b->GetModifiedTime().GetTime(); },
        [](auto a, auto b) { return a->GetCreatedTime().GetTime() < b->GetCreatedTime().GetTime(); },
        [](auto a, auto b) { return a->GetAccessedTime().GetTime() < b->GetAccessedTime().GetTime(); },
        [](auto a, auto b) { return FilesBelow(a) < FilesBelow(b); },
    };
    std::stable_sort(rows.begin(), rows.end(), less[static_cast<int>(column)]);
    if (bReversed)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

class ListViewTest : public ViewHarness<CVolraListView> {
protected:
    // Names that sort differently as texts and as paths ("dir/a" after "dir.x"), equal
    // but for case (files and directories), alike over their first 16 bytes, not ASCII;
    // sizes and modification times with many ties.
    void SetUp() override
    {
        const std::pair<const char*, int> files[] = {{"a", 5},
                                                     {"a.c", 5},
                                                     {"a b", 7},
                                                     {"A-z", 5},
                                                     {"_x", 3},
                                                     {"Foo/x", 1},
                                                     {"Foo/Y", 2},
                                                     {"foo/X", 1},
                                                     {"foo/y", 3},
                                                     {"foo/z/q", 0},
                                                     {"FOO", 2},
                                                     {"dir/a", 5},
                                                     {"dir/b/c", 0},
                                                     {"dir.x", 1},
                                                     {"dir-y/q", 1},
                                                     {"averyveryverylongname_0", 9},
                                                     {"AVERYVERYVERYLONGNAME_2", 9},
                                                     {"averyveryverylongname_1.d/in", 1},
                                                     {"averyveryverylongname_1/in", 1},
                                                     {"\xc3\xa9t\xc3\xa9", 4},
                                                     {"ctl\x01name", 2}};
        for (const auto& [name, size] : files) {
            tree.File(name, size);
            const timespec times[2] = {{1'000'000 + size % 3 * 100, 0}, {2'000'000 - size % 2 * 100, 0}};
            ::utimensat(AT_FDCWD, tree.Path(name).c_str(), times, 0);
        }
        tree.Dir("empty");
        Open(900, 400);
    }

    void ClickHeading(EListColumn column) { ::ClickHeading(view->GetHeader(), static_cast<int>(column)); }
    int RowOf(const CEntry* pEntry) const
    {
        return static_cast<int>(std::find(Rows().begin(), Rows().end(), pEntry) - Rows().begin());
    }
    QPoint RowPoint(const CEntry* pEntry) const
    {
        QTableView* list = view->GetListCtrl();
        list->scrollTo(list->model()->index(RowOf(pEntry), 0));
        return list->visualRect(list->model()->index(RowOf(pEntry), 0)).center();
    }
    void DoubleClick(QPoint pt) { ClickAt(view->GetListCtrl()->viewport(), pt, true); }
    const std::vector<CEntry*>& Rows() const { return view->GetRows(); }

    QAbstractItemModelTester tester{view->GetListCtrl()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};
};
}  // namespace

TEST(ListOrder, GathersEachDirectorysChildrenTogetherTheLastFoundFirst)
{
    CEntry* root = MakeRoot("/r");
    CEntry* a = AddEntry(*root, "a", 0, true);
    AddEntry(*root, "b.txt");
    CEntry* c = AddEntry(*root, "c", 0, true);
    for (const auto& [parent, name] : {std::pair{a, "a1"}, {a, "a2"}, {c, "c1"}})
        AddEntry(*parent, name);
    AddEntry(*AddEntry(*c, "d", 0, true), "e");
    for (const bool bAll : {false, true}) {
        std::vector<CEntry*> rows;
        GatherListRows(*root, bAll, rows);
        const std::vector<std::string> all = {"a", "b.txt", "c", "c1", "d", "e", "a1", "a2"};
        EXPECT_EQ(Names(rows), bAll ? all : std::vector<std::string>(all.begin(), all.begin() + 3));
    }
}

// Thousands of rows: names that tie over their first 8 and 16 bytes in long runs, equal
// names in many directories, case variants; sizes and times with ties, times before 1970
// and far beyond 2038. Every order matches the stable reference, reversed its mirror.
TEST(ListOrder, LargeListsSortAsTheStableReferenceDoes)
{
    CEntry* root = MakeRoot("/big");
    const char* stems[] = {"a",  "B",        "sameprefix", "SamePrefix_", "sameprefix_long_tail_",
                           "zz", "\xc3\xa9", "Sameprefi"};
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000; };
    for (int d = 0; d < 12; ++d) {
        CEntry* dir = AddEntry(*root, std::string(stems[d % 8]) + "dir" + std::to_string(d % 5), 0, true);
        for (int i = 0; i < 400; ++i) {
            CFoundItem item;
            const std::string name = std::string(stems[next() % 8]) + std::to_string(next() % 40);
            item.name = name;
            item.bDirectory = i % 50 == 0;
            item.nLength = item.bDirectory ? 0 : static_cast<std::int64_t>(next()) << (next() % 34);
            item.modified = CTime(static_cast<std::int64_t>(next()) * 10'000'000 - 3'000'000'000LL);
            CEntry* child = HandArena().NewEntry();
            child->InitFromItem(dir, item);
            dir->AppendChild(child);
            child->AddSize(item.nLength);
        }
    }
    for (const EListColumn column : {EListColumn::Name, EListColumn::Size, EListColumn::Type, EListColumn::Modified}) {
        std::vector<CEntry*> rows;
        OrderListRows(*root, true, column, rows);
        ASSERT_EQ(rows.size(), 12u * 401u);
        EXPECT_EQ(rows, Reference(*root, true, column)) << "column " << static_cast<int>(column);
    }
}

TEST_F(ListViewTest, PathsCompareThroughTheirParentsAsTheirTextsDo)
{
    std::vector<CEntry*> entries;
    GatherListRows(*root, true, entries);
    entries.push_back(root);
    for (const CEntry* a : entries)
        for (const CEntry* b : entries)
            ASSERT_EQ(ComparePathTexts(*a, *b) < 0, CompareNames(a->GetPath(), b->GetPath()) < 0)
                << a->GetPath() << " | " << b->GetPath();
}

TEST_F(ListViewTest, EveryColumnSortsOneWayAndTheExactMirrorTheOther)
{
    EXPECT_EQ(Rows(), Reference(*root, true, EListColumn::Size, true)) << "largest first at first";
    EXPECT_EQ(view->GetHeader()->MarkColumn(), static_cast<int>(EListColumn::Size));
    EXPECT_TRUE(view->GetHeader()->IsMarkReversed());
    ClickHeading(EListColumn::Size);
    EXPECT_EQ(Rows(), Reference(*root, true, EListColumn::Size));
    EXPECT_FALSE(view->GetHeader()->IsMarkReversed());

    for (int c = 0; c < kListColumns; ++c) {
        const auto column = static_cast<EListColumn>(c);
        if (column == EListColumn::Size)
            continue;
        ClickHeading(column);
        EXPECT_EQ(Rows(), Reference(*root, true, column)) << "column " << c;
        EXPECT_EQ(view->GetHeader()->MarkColumn(), c);
        ClickHeading(column);
        EXPECT_EQ(Rows(), Reference(*root, true, column, true)) << "column " << c << " reversed";
        EXPECT_TRUE(view->GetHeader()->IsMarkReversed());
    }
    EXPECT_TRUE(spy.hints.empty()) << "sorting tells nobody";

    // "Show all contained files" off: the root's own children, in the same order.
    view->OnCmdMsg(ID_SHOW_ALL_FILES, nullptr);
    CCmdUI ui(ID_SHOW_ALL_FILES);
    view->OnCmdMsg(ID_SHOW_ALL_FILES, &ui);
    EXPECT_EQ(ui.m_nCheck, 0);
    EXPECT_EQ(view->GetSortColumn(), EListColumn::Items);
    EXPECT_EQ(Rows(), Reference(*root, false, EListColumn::Items, true));
    ClickHeading(EListColumn::Path);
    EXPECT_EQ(Rows(), Reference(*root, false, EListColumn::Path));
}

TEST_F(ListViewTest, CellsShowTheEntrysTexts)
{
    CEntry* odd = Child(root, "ctl\x01name");
    CEntry* foo = Child(root, "foo");
    const QAbstractItemModel* model = view->GetListCtrl()->model();
    const auto cell = [&](const CEntry* e, int c) { return model->data(model->index(RowOf(e), c)).toString(); };
    EXPECT_EQ(cell(foo, 2), "Directory");
    foo->SetMountPoint(true);  // as the walk marks a directory on another device
    EXPECT_EQ(cell(foo, 2), "Directory (other file system)");
    EXPECT_GE(view->GetListCtrl()->columnWidth(2), view->GetListCtrl()->fontMetrics().horizontalAdvance(cell(foo, 2)))
        << "the type column fits its longest text";
    const std::string texts[] = {"ctl?name",
                                 "2 bytes",
                                 "File",
                                 tree.Root() + "/ctl?name",
                                 odd->GetModifiedText(),
                                 odd->GetCreatedText(),
                                 odd->GetAccessedText(),
                                 "1"};
    for (int c = 0; c < kListColumns; ++c) {
        EXPECT_EQ(cell(odd, c).toStdString(), texts[c]);
        // Time columns grow to fit a whole time in the font at hand.
        EXPECT_GE(view->GetListCtrl()->columnWidth(c), CVolraListView::kColumnWidths[c]) << c;
    }
}

TEST_F(ListViewTest, ClicksSelectEnterDirectoriesAndDeleteRebuilds)
{
    view->show();
    QTableView* list = view->GetListCtrl();
    CEntry* foo = Child(root, "foo");
    CEntry* file = Child(root, "a.c");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowPoint(file));
    EXPECT_EQ(doc->GetSelected(), file);
    EXPECT_TRUE(spy.hints.empty()) << "a selection repaints no other view";
    ClickHeading(EListColumn::Name);
    ASSERT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(Rows()[list->selectionModel()->selectedRows().front().row()], file) << "the selection stays";

    DoubleClick(RowPoint(file));
    EXPECT_EQ(doc->GetCurrent(), root) << "a file row does nothing";
    DoubleClick(RowPoint(foo));
    EXPECT_EQ(doc->GetCurrent(), foo);
    EXPECT_EQ(Rows(), Reference(*foo, true, EListColumn::Name)) << "sorted as before";
    doc->SetCurrent(Child(root, "empty"));
    EXPECT_TRUE(Rows().empty());

    // Deleting a directory (its rows with it) and refreshing rebuild the rows from the
    // tree as it is now.
    TempTree trash;
    ScopedDataHome dataHome(trash.Path("share"));
    doc->SetCurrent(root);
    doc->SetSelected(Child(root, "dir"));
    ASSERT_TRUE(ExecuteCommand(*view, ID_DELETE));
    ASSERT_EQ(Child(root, "dir"), nullptr);
    EXPECT_EQ(Rows(), Reference(*root, true, EListColumn::Name));
    doc->OnRefresh();
    root = doc->GetRoot();
    EXPECT_EQ(Rows(), Reference(*root, true, EListColumn::Name));
    view->grab();  // reads every row on screen
    EXPECT_EQ(spy.hints.back(), HINT_TREE_CHANGED);
}

// A size is never cut short, whatever the font's size: its cell brings no tip (the list
// shows one only for a text its column cuts), while a path too long for its column does.
TEST(ListViewColumns, SizesFitTheirColumnInSmallAndLargeFonts)
{
    TempTree tree;
    tree.Files({{"k", 1000}, {std::string(80, 'p'), 1}});
    const std::unique_ptr<TestDriveDoc> doc = Search(tree.Root());
    ASSERT_NE(doc, nullptr);
    for (const int nPixels : {11, 20, 32}) {
        QWidget parent;
        QFont font = parent.font();
        font.setPixelSize(nPixels);
        parent.setFont(font);
        CVolraListView view(&parent);
        view.resize(2400, 300);
        doc->AddView(&view);
        doc->UpdateAllViews(nullptr, HINT_TREE_CHANGED);
        parent.show();
        QTableView* list = view.GetListCtrl();
        const auto tipAt = [list](int nRow, EListColumn column) {
            return TipAt(list, list->model()->index(nRow, static_cast<int>(column)));
        };
        const int k = view.GetRows().front()->GetName() == "k" ? 0 : 1;
        EXPECT_NE(tipAt(k, EListColumn::Size), "1000 bytes") << nPixels;
        EXPECT_EQ(tipAt(1 - k, EListColumn::Path), view.GetRows()[1 - k]->GetPath()) << nPixels;
        doc->RemoveView(&view);
    }
}
