// The list view of a search compared with an earlier one of the same folder, driven as the
// program drives it: commands through the view's route, clicks on headings and rows. What
// it shows is checked against what the fixture changed on disk (ComparedSearch: sizes in
// bytes, lengths shown), never against the comparison's own answers.
#include "framework/CmdTarget.h"
#include "support/ComparedSearch.h"
#include "support/EntryBuild.h"
#include "support/Input.h"
#include "views/EntryInfo.h"
#include "views/ListHeader.h"
#include "views/ListModel.h"
#include "views/VolraListView.h"

#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <tuple>

namespace {
constexpr int kChange = static_cast<int>(EListColumn::Change);

// Every item of the fixture below its root, current or gone: its change in bytes and the
// text the Change column shows for it.
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
        c.doc->AddView(list.get());
        c.doc->UpdateAllViews(nullptr, HINT_TREE_CHANGED);
    }
    void TearDown() override { SetEntryInfoSink({}); }

    // The rows as the list shows them: path below the root, and the Change column's text.
    std::vector<std::pair<std::string, std::string>> Shown() const
    {
        std::vector<std::pair<std::string, std::string>> shown;
        const CListModel& model = *list->GetModel();
        for (int r = 0; r < model.rowCount(); ++r) {
            const CEntry* e = model.EntryAt(r) != nullptr ? model.EntryAt(r) : model.RemovedAt(r);
            EXPECT_NE(e, nullptr) << r;
            if (e != nullptr)
                shown.emplace_back(e->GetPath().substr(c.tree.Root().size() + 1),
                                   model.data(model.index(r, kChange)).toString().toStdString());
        }
        return shown;
    }
    std::map<std::string, std::string> ShownMap() const
    {
        const auto shown = Shown();
        return {shown.begin(), shown.end()};
    }
    // The known changes of the rows, in their order.
    std::vector<std::int64_t> KnownOrder(const std::map<std::string, Known>& known = kChanges) const
    {
        std::vector<std::int64_t> order;
        for (const auto& [path, text] : Shown())
            order.push_back(known.at(path).nChange);
        return order;
    }
    bool Enabled(UINT nID, int* pCheck = nullptr) const
    {
        CCmdUI ui(nID);
        const bool bEnabled = UpdateCommandUI(*list, ui);
        if (pCheck != nullptr)
            *pCheck = ui.m_nCheck;
        return bEnabled;
    }
    void Set(UINT nID, bool bOn)
    {
        int nCheck = 0;
        ASSERT_TRUE(Enabled(nID, &nCheck));
        if ((nCheck == 1) != bOn) {
            ASSERT_TRUE(ExecuteCommand(*list, nID));
        }
    }
    void ClickHeading(EListColumn column)
    {
        QHeaderView* header = list->GetHeader();
        const int x = header->sectionViewportPosition(static_cast<int>(column)) + 5;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    int RowOf(const std::string& path) const
    {
        const auto shown = Shown();
        for (std::size_t r = 0; r < shown.size(); ++r)
            if (shown[r].first == path)
                return static_cast<int>(r);
        ADD_FAILURE() << path << " is no row";
        return -1;
    }
    void ClickRow(const std::string& path, bool bDouble = false)
    {
        QTableView* table = list->GetListCtrl();
        const QModelIndex index = table->model()->index(RowOf(path), 0);
        table->scrollTo(index);
        ClickAt(table->viewport(), table->visualRect(index).center(), bDouble);
    }
    void Recompare()
    {
        c.doc->SetComparison(std::make_unique<CSearchComparison>(*c.earlier->GetRoot(), *c.doc->GetRoot()));
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
        {b, a, 1}, {a, b, -1}, {gone, m, 1}, {m, gone, -1}, {gone, z, -1}, {earlier, now, 0}, {earlier, a, -1},
    };
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
            Recompare();
        EXPECT_EQ(list->GetModel()->columnCount(), bComparing ? 8 : 7);
        EXPECT_EQ(list->GetHeader()->visualIndex(kChange), bComparing ? 2 : -1) << "beside Size";
        if (bComparing) {
            EXPECT_EQ(list->GetModel()->headerData(kChange, Qt::Horizontal).toString(), "Change");
            EXPECT_GE(list->GetListCtrl()->columnWidth(kChange), CVolraListView::kChangeColumnWidth);
        }
        for (const UINT nID : {ID_SHOW_CHANGED_ONLY, ID_SHOW_REMOVED}) {
            int nCheck = -1;
            EXPECT_EQ(Enabled(nID, &nCheck), bComparing) << nID;
            EXPECT_EQ(nCheck, 0) << nID << ": unchecked at first";
        }
        // The other columns keep their places and texts.
        EXPECT_EQ(list->GetHeader()->visualIndex(static_cast<int>(EListColumn::Type)), bComparing ? 3 : 2);
        EXPECT_EQ(list->GetModel()->data(list->GetModel()->index(RowOf("a/grows"), 1)).toString(), "3.91k");
        // Turned on, the toggles are off again once the comparison goes.
        if (nRound == 0) {
            Set(ID_SHOW_CHANGED_ONLY, true);
            Set(ID_SHOW_REMOVED, true);
            ClickHeading(EListColumn::Change);
        }
    }
    // Sorted by change when the column went: sizes, largest first, as a list starts.
    EXPECT_EQ(list->GetSortColumn(), EListColumn::Size);
    EXPECT_EQ(Shown().front().first, "a");
    EXPECT_EQ(Shown().size(), 10u) << "everything, nothing removed";
}

TEST_F(ListChangeTest, TextsAndTheOrderOfChangesLargestGrowthFirst)
{
    Set(ID_SHOW_REMOVED, true);
    for (const bool bAll : {true, false}) {
        if (!bAll) {
            ASSERT_TRUE(ExecuteCommand(*list, ID_SHOW_ALL_FILES));
        }
        for (const auto& [path, text] : Shown())
            EXPECT_EQ(text, kChanges.at(path).text) << path;
        ClickHeading(EListColumn::Change);
        EXPECT_EQ(list->GetHeader()->MarkColumn(), kChange);
        const std::vector<std::int64_t> first = KnownOrder();
        EXPECT_TRUE(std::is_sorted(first.rbegin(), first.rend())) << "growth first, then shrinkage";
        ClickHeading(EListColumn::Change);
        std::vector<std::int64_t> second = KnownOrder();
        EXPECT_TRUE(std::is_sorted(second.begin(), second.end()));
        const auto mirrored = Shown();
        ClickHeading(EListColumn::Change);
        auto again = Shown();
        std::reverse(again.begin(), again.end());
        EXPECT_EQ(again, mirrored) << "the exact mirror, removed rows included";
        ClickHeading(EListColumn::Size);  // the next round starts on another column
    }
    const std::vector<std::pair<std::string, std::string>> rootChildren = {
        {"fresh", "new"}, {"keep", ""}, {"x", "removed"}, {"a", "-2.19k"}};
    ClickHeading(EListColumn::Change);
    EXPECT_EQ(Shown(), rootChildren);
}

// Removed rows take their places in every column's order: by their earlier size, their
// names, paths (in the earlier search's tree) and times, as their cells read.
TEST_F(ListChangeTest, RemovedRowsSortInWithTheOthersByEveryColumn)
{
    Set(ID_SHOW_REMOVED, true);
    const CListModel& model = *list->GetModel();
    const auto entryAt = [&model](int r) {
        return model.EntryAt(r) != nullptr ? model.EntryAt(r) : model.RemovedAt(r);
    };
    const std::function<bool(const CEntry*, const CEntry*)> less[] = {
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
        [this](auto a, auto b) {
            const std::size_t n = c.tree.Root().size() + 1;
            return kChanges.at(a->GetPath().substr(n)).nChange < kChanges.at(b->GetPath().substr(n)).nChange;
        },
    };
    for (int col = 0; col <= kChange; ++col) {
        ClickHeading(static_cast<EListColumn>(col));
        if (col == kChange)
            ClickHeading(EListColumn::Change);  // the first click gave the largest first
        ASSERT_EQ(model.rowCount(), 14) << col;
        for (int r = 1; r < model.rowCount(); ++r)
            EXPECT_FALSE(less[col](entryAt(r), entryAt(r - 1))) << "column " << col << " row " << r;
    }
}

TEST_F(ListChangeTest, ChangedOnlyAndRemovedChooseTheRows)
{
    const std::set<std::string> everything = {"keep",  "a",          "a/grows", "a/b",     "a/b/shrinks",
                                              "a/b/c", "a/b/c/d",    "fresh",   "fresh/f", "a/b/c/d/new",
                                              "x",     "a/b/c/gone", "x/y",     "x/y/gone"};
    struct Case {
        std::vector<std::string> current;
        bool bAll, bChangedOnly, bRemoved;
        std::set<std::string> left_out;  // of every item at or below the current directory
    };
    const Case cases[] = {
        {{}, true, false, false, {"a/b/c/gone", "x", "x/y", "x/y/gone"}},
        {{}, true, true, false, {"keep", "a/b/c/gone", "x", "x/y", "x/y/gone"}},
        {{}, true, false, true, {}},
        {{}, true, true, true, {"keep"}},
        {{},
         false,
         true,
         true,
         {"keep", "a/grows", "a/b", "a/b/shrinks", "a/b/c", "a/b/c/d", "a/b/c/d/new", "fresh/f", "a/b/c/gone", "x/y",
          "x/y/gone"}},
    };
    for (const Case& k : cases) {
        Set(ID_SHOW_CHANGED_ONLY, k.bChangedOnly);
        Set(ID_SHOW_REMOVED, k.bRemoved);
        int nAll = 0;
        Enabled(ID_SHOW_ALL_FILES, &nAll);
        if ((nAll == 1) != k.bAll) {
            ASSERT_TRUE(ExecuteCommand(*list, ID_SHOW_ALL_FILES));
        }
        std::set<std::string> expected;
        for (const std::string& path : everything)
            if (!k.left_out.contains(path))
                expected.insert(path);
        std::set<std::string> rows;
        for (const auto& [path, text] : Shown())
            rows.insert(path);
        EXPECT_EQ(rows, expected) << k.bAll << k.bChangedOnly << k.bRemoved;
    }
    // Below a directory: a/b's own children, then all below it, with what it lost.
    c.doc->SetCurrent(c.At({"a", "b"}));
    EXPECT_EQ(ShownMap(), (std::map<std::string, std::string>{{"a/b/shrinks", "-4.87k"}, {"a/b/c", "-250 bytes"}}));
    ASSERT_TRUE(ExecuteCommand(*list, ID_SHOW_ALL_FILES));
    EXPECT_EQ(ShownMap(),
              (std::map<std::string, std::string>{{"a/b/shrinks", "-4.87k"},
                                                  {"a/b/c", "-250 bytes"},
                                                  {"a/b/c/d", "new"},
                                                  {"a/b/c/d/new", "new"},
                                                  {"a/b/c/gone", "removed"}}));
}

TEST_F(ListChangeTest, RemovedRowsAreGreyAndNeverReachTheDocument)
{
    list->show();
    Set(ID_SHOW_REMOVED, true);
    const CListModel& model = *list->GetModel();
    const QColor grey = list->GetListCtrl()->palette().color(QPalette::Disabled, QPalette::Text);
    for (const auto& [path, text] : Shown()) {
        const QVariant colour = model.data(model.index(RowOf(path), 0), Qt::ForegroundRole);
        EXPECT_EQ(colour.isValid() ? colour.value<QColor>() : QColor(), text == "removed" ? grey : QColor()) << path;
    }
    EXPECT_EQ(model.data(model.index(RowOf("x/y/gone"), 1)).toString(), "7 bytes") << "its earlier size";

    std::string said;
    SetEntryInfoSink([&said](const CEntry* e) { said = e != nullptr ? e->GetPath() + " " + e->GetSizeText() : ""; });
    ClickRow("keep");
    ASSERT_EQ(c.doc->GetSelected(), c.At({"keep"}));
    ASSERT_TRUE(Enabled(ID_DELETE));
    for (const std::string gone : {"x", "a/b/c/gone"}) {
        ClickRow(gone);
        EXPECT_EQ(c.doc->GetSelected(), nullptr) << gone << ": nothing selected, not even what was before";
        EXPECT_EQ(said, c.tree.Root() + "/" + gone + " " + (gone == "x" ? "7 bytes" : "300 bytes"));
        for (const UINT nID : {ID_DELETE, ID_OPEN_RUN, ID_VIEW_DIRECTORY, ID_EDIT_COPY})
            EXPECT_FALSE(Enabled(nID)) << gone << " " << nID;
        EXPECT_FALSE(ExecuteCommand(*list, ID_DELETE));
        EXPECT_EQ(c.doc->BuildContextMenuItems().front().text, "<<no selection>>");
    }
    ClickRow("x", true);
    EXPECT_EQ(c.doc->GetCurrent(), c.doc->GetRoot()) << "a gone directory cannot be entered";
    EXPECT_NE(c.At({"keep"}), nullptr);
    EXPECT_EQ(SizeOnDisk(c.tree.Path("keep")), 100);
    // A rebuild does not pick a removed row for the document's empty selection.
    c.doc->UpdateAllViews(nullptr, HINT_REDRAW);
    EXPECT_TRUE(list->GetListCtrl()->selectionModel()->selectedRows().isEmpty());
}

TEST_F(ListChangeTest, RowsFollowADeleteAndARefreshWhileComparing)
{
    list->show();
    Set(ID_SHOW_CHANGED_ONLY, true);
    Set(ID_SHOW_REMOVED, true);
    ClickHeading(EListColumn::Change);
    std::map<std::string, Known> known = kChanges;
    const auto expectShown = [&](const char* after) {
        std::map<std::string, std::string> expected;
        for (const auto& [path, k] : known)
            if (!k.text.empty())
                expected[path] = k.text;
        EXPECT_EQ(ShownMap(), expected) << after;
        const std::vector<std::int64_t> order = KnownOrder(known);
        EXPECT_TRUE(std::is_sorted(order.rbegin(), order.rend())) << after;
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
    Set(ID_SHOW_CHANGED_ONLY, false);
    EXPECT_EQ(ShownMap().at("x/y/gone"), "");
}
