// The list view of a search compared with an earlier one of the same folder, driven as the
// program drives it: commands through the view's route, clicks on headings and rows. What
// it shows is checked against what the fixture changed on disk (ComparedSearch: sizes in
// bytes, lengths shown), never against the comparison's own answers.
#include "support/ComparedSearch.h"
#include "support/EntryBuild.h"
#include "support/Input.h"
#include "support/ViewProbe.h"
#include "views/EntryInfo.h"
#include "views/ListHeader.h"
#include "views/ListModel.h"
#include "views/VolraListView.h"

#include <QAbstractItemModelTester>
#include <QTableView>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

namespace {
constexpr int kChange = static_cast<int>(EListColumn::Change);

// Every item of the fixture below its root, current or gone: its change in bytes and the
// Change column's text.
struct Known {
    std::int64_t nChange;
    std::string text;
};
const std::map<std::string, Known> kChanges = {
    {"keep", {0, ""}},
    {"a", {4060 - 6300, "-2.19k"}},
    {"a/grows", {3000, "+2.93k"}},
    {"a/b", {60 - 5300, "-5.12k"}},
    {"a/b/shrinks", {10 - 5000, "-4.87k"}},
    {"a/b/c", {50 - 300, "-250 bytes"}},
    {"a/b/c/d", {50, "new"}},
    {"a/b/c/d/new", {50, "new"}},
    {"fresh", {9, "new"}},
    {"fresh/f", {9, "new"}},
    {"a/b/c/gone", {-300, "removed"}},
    {"x", {-7, "removed"}},
    {"x/y", {-7, "removed"}},
    {"x/y/gone", {-7, "removed"}},
};

class ListChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list->resize(1100, 600);
        list->show();
        c.doc->AddView(list.get());
        c.doc->UpdateAllViews(nullptr, HINT_TREE_CHANGED);
    }
    void TearDown() override { SetEntryInfoSink({}); }

    const CEntry* EntryOfRow(int r) const
    {
        const CListModel& model = *list->GetModel();
        return model.EntryAt(r) != nullptr ? model.EntryAt(r) : model.RemovedAt(r);
    }
    // The rows as the list shows them: path below the root, and the Change column's text.
    std::vector<std::pair<std::string, std::string>> Shown() const
    {
        std::vector<std::pair<std::string, std::string>> shown;
        const CListModel& model = *list->GetModel();
        for (int r = 0; r < model.rowCount(); ++r)
            shown.emplace_back(EntryOfRow(r)->GetPath().substr(c.tree.Root().size() + 1),
                               model.data(model.index(r, kChange)).toString().toStdString());
        return shown;
    }
    std::map<std::string, std::string> ShownMap() const
    {
        const auto shown = Shown();
        return {shown.begin(), shown.end()};
    }
    bool Enabled(UINT nID) const { return StateOf(*list, nID).bEnabled; }
    // Turns an option on or off through its command, as its menu item does.
    void Set(UINT nID, bool bOn)
    {
        const CommandState state = StateOf(*list, nID);
        EXPECT_TRUE(state.bEnabled) << nID;
        if ((state.nCheck == 1) != bOn) {
            EXPECT_TRUE(ExecuteCommand(*list, nID)) << nID;
        }
    }
    void ClickHeading(EListColumn column) { ::ClickHeading(list->GetHeader(), static_cast<int>(column)); }
    int RowOf(const std::string& path) const
    {
        const auto shown = Shown();
        const auto it = std::find_if(shown.begin(), shown.end(), [&](const auto& row) { return row.first == path; });
        EXPECT_NE(it, shown.end()) << path;
        return static_cast<int>(it - shown.begin());
    }
    enum class Click { Plain, Double, Ctrl };
    void ClickRow(const std::string& path, Click click = Click::Plain)
    {
        QTableView* table = list->GetListCtrl();
        const QModelIndex index = table->model()->index(RowOf(path), 0);
        table->scrollTo(index);
        const QPoint pt = table->visualRect(index).center();
        if (click == Click::Ctrl)
            CtrlClick(table->viewport(), pt);
        else
            ClickAt(table->viewport(), pt, click == Click::Double);
    }

    struct LengthsShown {
        LengthsShown() { CEntry::ShowDiskSizes(false); }
    } lengths;
    ComparedSearch c;
    QWidget parent;
    std::unique_ptr<CVolraListView> list = std::make_unique<CVolraListView>(&parent);
    QAbstractItemModelTester tester{list->GetModel(), QAbstractItemModelTester::FailureReportingMode::Fatal};
};
}  // namespace

// Two searches of one folder may name their roots differently ("/r" and "/r/"): paths
// compare below the roots, as the paths the user reads do.
TEST(ListOrder, PathsOfTwoSearchesOfOneRootCompareBelowTheirRoots)
{
    CEntry* earlier = MakeRoot("/r/");
    CEntry* now = MakeRoot("/r");
    CEntry* gone = AddEntry(*AddEntry(*earlier, "m", 0, true), "gone");
    CEntry* b = AddEntry(*earlier, "b");
    CEntry* a = AddEntry(*now, "a");
    CEntry* m = AddEntry(*now, "m", 0, true);
    CEntry* z = AddEntry(*m, "z");
    const std::tuple<const CEntry*, const CEntry*, int> cases[] = {
        {b, a, 1}, {a, b, -1}, {gone, m, 1}, {m, gone, -1}, {gone, z, -1}, {earlier, now, 0}, {earlier, a, -1}};
    for (const auto& [x, y, nSign] : cases) {
        const int n = ComparePathTexts(*x, *y);
        EXPECT_EQ((n > 0) - (n < 0), nSign) << x->GetPath() << " | " << y->GetPath();
    }
}

TEST_F(ListChangeTest, TheChangeColumnAndItsCommandsComeAndGoWithTheComparison)
{
    for (const int nRound : {0, 1, 2}) {
        const bool bComparing = nRound != 1;
        if (nRound == 1)
            c.doc->SetComparison(nullptr);
        if (nRound == 2)
            c.doc->SetComparison(std::make_unique<CSearchComparison>(*c.earlier->GetRoot(), *c.doc->GetRoot()));
        EXPECT_EQ(list->GetModel()->columnCount(), bComparing ? 9 : 8);
        EXPECT_EQ(list->GetHeader()->visualIndex(kChange), bComparing ? 2 : -1) << "beside Size";
        EXPECT_EQ(list->GetModel()->headerData(kChange, Qt::Horizontal).toString(), bComparing ? "Change" : "");
        EXPECT_EQ(list->GetHeader()->visualIndex(static_cast<int>(EListColumn::Type)), bComparing ? 3 : 2);
        for (const UINT nID : {ID_SHOW_CHANGED_ONLY, ID_SHOW_REMOVED}) {
            const CommandState state = StateOf(*list, nID);
            EXPECT_EQ(state.bEnabled, bComparing) << nID;
            EXPECT_EQ(state.nCheck, 0) << nID << ": unchecked at first, and again once the comparison went";
            if (nRound == 0)
                Set(nID, true);
        }
        if (nRound == 0)
            ClickHeading(EListColumn::Change);
    }
    // Sorted by change when the column went: sizes, largest first, as a list starts.
    EXPECT_EQ(list->GetSortColumn(), EListColumn::Size);
    EXPECT_EQ(Shown().size(), 10u) << "everything, nothing removed";
    EXPECT_EQ(Shown().front().first, "a");

    // Marks bring the checks first, and Change stays after Size, whichever came first.
    c.doc->SetMarked(*c.At({"keep"}), true);
    for (const char* first : {"the comparison", "the mark"}) {
        const CListModel& model = *list->GetModel();
        const QHeaderView& header = *list->GetHeader();
        EXPECT_EQ(model.CheckColumn(), kListColumns + 1) << first;
        EXPECT_EQ(header.logicalIndex(0), model.CheckColumn()) << first;
        EXPECT_EQ(header.visualIndex(kChange), header.visualIndex(static_cast<int>(EListColumn::Size)) + 1) << first;
        EXPECT_EQ(model.data(model.index(model.RowOf(c.At({"keep"})), kChange)).toString(), QString())
            << "the Change column is still the changes'";
        c.doc->SetComparison(nullptr);
        c.doc->SetComparison(std::make_unique<CSearchComparison>(*c.earlier->GetRoot(), *c.doc->GetRoot()));
    }
}

// Removed rows take their places in the columns' orders: by their earlier size, names and
// paths (in the earlier search's tree); the fixture's times are all alike. Changes come largest growth first at the
// first click, and the second click gives the exact mirror.
TEST_F(ListChangeTest, EveryColumnSortsRemovedRowsInWithTheOthers)
{
    Set(ID_SHOW_REMOVED, true);
    using Less = std::function<bool(const CEntry*, const CEntry*)>;
    const std::pair<EListColumn, Less> orders[] = {
        {EListColumn::Name, [](auto a, auto b) { return CompareNames(a->GetName(), b->GetName()) < 0; }},
        {EListColumn::Size, [](auto a, auto b) { return a->GetSize() < b->GetSize(); }},
        {EListColumn::Type,
         [](auto a, auto b) {
             return a->IsDirectory() != b->IsDirectory() ? a->IsDirectory() != FALSE
                                                         : CompareNames(a->GetName(), b->GetName()) < 0;
         }},
        {EListColumn::Path, [](auto a, auto b) { return CompareNames(a->GetPath(), b->GetPath()) < 0; }},
        {EListColumn::Change,
         [this](auto a, auto b) {  // largest first
             const std::size_t n = c.tree.Root().size() + 1;
             return kChanges.at(a->GetPath().substr(n)).nChange > kChanges.at(b->GetPath().substr(n)).nChange;
         }},
    };
    for (const auto& [column, less] : orders) {
        ClickHeading(column);
        ASSERT_EQ(list->GetModel()->rowCount(), 14);
        for (int r = 1; r < 14; ++r)
            EXPECT_FALSE(less(EntryOfRow(r), EntryOfRow(r - 1))) << "column " << int(column) << " row " << r;
    }
    EXPECT_EQ(list->GetHeader()->MarkColumn(), kChange);
    EXPECT_TRUE(list->GetHeader()->IsMarkReversed()) << "the mark of the largest first, as on Size";
    auto largestFirst = Shown();
    ClickHeading(EListColumn::Change);
    std::reverse(largestFirst.begin(), largestFirst.end());
    EXPECT_EQ(Shown(), largestFirst);
}

TEST_F(ListChangeTest, ChangedOnlyAndRemovedChooseTheRowsAndEachShowsItsChange)
{
    struct Case {
        bool bAll, bChangedOnly, bRemoved;
        std::set<std::string> leftOut;  // of the whole fixture
    };
    const std::set<std::string> removed = {"a/b/c/gone", "x", "x/y", "x/y/gone"};
    std::set<std::string> belowRoot;  // all but the root's own children
    for (const auto& [path, known] : kChanges)
        if (path.find('/') != std::string::npos)
            belowRoot.insert(path);
    std::set<std::string> belowRootAndKeep = belowRoot;
    belowRootAndKeep.insert("keep");
    const Case cases[] = {
        {true, false, false, removed},   {true, true, false, {"keep", "a/b/c/gone", "x", "x/y", "x/y/gone"}},
        {true, false, true, {}},         {true, true, true, {"keep"}},
        {false, false, true, belowRoot}, {false, true, true, belowRootAndKeep},
    };
    for (const Case& k : cases) {
        Set(ID_SHOW_CHANGED_ONLY, k.bChangedOnly);
        Set(ID_SHOW_REMOVED, k.bRemoved);
        if ((StateOf(*list, ID_SHOW_ALL_FILES).nCheck == 1) != k.bAll)
            ExecuteCommand(*list, ID_SHOW_ALL_FILES);
        std::map<std::string, std::string> expected;
        for (const auto& [path, known] : kChanges)
            if (!k.leftOut.contains(path))
                expected[path] = known.text;
        EXPECT_EQ(ShownMap(), expected) << k.bAll << k.bChangedOnly << k.bRemoved;
    }
    // Below a directory: what it lost is listed where it was.
    c.doc->SetCurrent(c.At({"a", "b"}));
    ExecuteCommand(*list, ID_SHOW_ALL_FILES);
    EXPECT_EQ(ShownMap(),
              (std::map<std::string, std::string>{{"a/b/shrinks", "-4.87k"},
                                                  {"a/b/c", "-250 bytes"},
                                                  {"a/b/c/d", "new"},
                                                  {"a/b/c/d/new", "new"},
                                                  {"a/b/c/gone", "removed"}}));
}

TEST_F(ListChangeTest, RemovedRowsAreGreyAndNeverReachTheDocument)
{
    Set(ID_SHOW_REMOVED, true);
    const CListModel& model = *list->GetModel();
    const QColor grey = list->GetListCtrl()->palette().color(QPalette::Disabled, QPalette::Text);
    for (int r = 0; r < model.rowCount(); ++r) {
        const QVariant colour = model.data(model.index(r, 0), Qt::ForegroundRole);
        EXPECT_EQ(colour.isValid() ? colour.value<QColor>() : QColor(), model.EntryAt(r) ? QColor() : grey) << r;
    }
    std::string said;
    SetEntryInfoSink([&said](const CEntry* e) { said = e->GetPath() + " " + e->GetSizeText(); });
    ClickRow("keep");
    ASSERT_EQ(c.doc->GetSelected(), c.At({"keep"}));
    for (const auto& [gone, size] : {std::pair{"x", "7 bytes"}, {"a/b/c/gone", "300 bytes"}}) {
        ClickRow(gone);
        EXPECT_EQ(c.doc->GetSelected(), nullptr) << gone << ": nothing selected, not even what was before";
        EXPECT_EQ(said, c.tree.Root() + "/" + gone + " " + size) << "the status bar: its earlier path and size";
        for (const UINT nID : {ID_DELETE, ID_OPEN_RUN, ID_VIEW_DIRECTORY, ID_EDIT_COPY})
            EXPECT_FALSE(Enabled(nID)) << gone << " " << nID;
        EXPECT_FALSE(ExecuteCommand(*list, ID_DELETE));
        EXPECT_EQ(c.doc->BuildContextMenuItems().front().text, "<<no selection>>");
        // Ctrl and a click cannot mark it: it is an entry of the earlier search.
        ClickRow(gone, Click::Ctrl);
        EXPECT_FALSE(c.doc->HasMarks()) << gone;
        EXPECT_EQ(c.doc->GetSelected(), nullptr) << gone;
        EXPECT_FALSE(Enabled(ID_MARK_TOGGLE)) << gone;
        EXPECT_FALSE(c.doc->SetMarked(*EntryOfRow(RowOf(gone)), true)) << gone;
    }
    ClickRow("x", Click::Double);
    EXPECT_EQ(c.doc->GetCurrent(), c.doc->GetRoot()) << "a gone directory cannot be entered";
    EXPECT_EQ(SizeOnDisk(c.tree.Path("keep")), 100);
    // A rebuild does not take a removed row for the document's empty selection.
    c.doc->UpdateAllViews(nullptr, HINT_REDRAW);
    EXPECT_TRUE(list->GetListCtrl()->selectionModel()->selectedRows().isEmpty());
}

TEST_F(ListChangeTest, RowsFollowADeleteAndARefreshWhileComparing)
{
    Set(ID_SHOW_CHANGED_ONLY, true);
    Set(ID_SHOW_REMOVED, true);
    std::map<std::string, Known> known = kChanges;
    const auto expectShown = [&](const char* after) {
        std::map<std::string, std::string> expected;
        for (const auto& [path, k] : known)
            if (!k.text.empty())
                expected[path] = k.text;
        EXPECT_EQ(ShownMap(), expected) << after;
    };
    expectShown("at first");

    // Deleting an item held before makes it removed; one new since leaves no trace.
    ClickRow("a/b/shrinks");
    ASSERT_TRUE(ExecuteCommand(*list, ID_DELETE));
    known["a/b/shrinks"] = {-5000, "removed"};
    known["a/b"] = {50 - 5300, "-5.13k"};
    known["a"] = {4050 - 6300, "-2.20k"};
    expectShown("deleting a/b/shrinks");
    ClickRow("fresh");
    ASSERT_TRUE(ExecuteCommand(*list, ID_DELETE));
    known.erase("fresh");
    known.erase("fresh/f");
    expectShown("deleting fresh");

    // What came back on disk, read again, is unchanged: no longer removed, and not shown.
    // A new empty file changes no size, but is new: it is shown.
    c.tree.Files({{"x/y/gone", 7}, {"a/empty", 0}});
    c.doc->SetCurrent(c.doc->GetRoot());
    ASSERT_TRUE(ExecuteCommand(*list, ID_REFRESH));
    for (const char* path : {"x", "x/y", "x/y/gone"})
        known[path] = {0, ""};
    known["a/empty"] = {0, "new"};
    expectShown("refreshing the root");
}
