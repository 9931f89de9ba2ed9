// The File types panel on a real search of a scratch tree: its rows against a count of the
// files the test wrote, its sorting, and its following the document.
#include "framework/DisplayText.h"
#include "lenses/FileCategory.h"
#include "support/ViewHarness.h"
#include "views/LensColour.h"
#include "views/TypesModel.h"
#include "views/VolraPrefs.h"
#include "views/VolraTypesView.h"

#include "model/EntryFilter.h"

#include <QSortFilterProxyModel>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {
struct Written {
    std::string path;
    std::int64_t nLength;
    std::string category;  // as the panel names it
    std::string extension;  // as the panel shows it
};

// Files by category text, then by extension: count and bytes.
using Counts = std::map<std::string, std::pair<std::uint64_t, std::int64_t>>;
struct Table {
    Counts categories;
    std::map<std::string, Counts> extensions;
    bool operator==(const Table&) const = default;
};

class TypesViewTest : public ViewHarness<CVolraTypesView> {
protected:
    void SetUp() override { CEntry::ShowDiskSizes(false); }
    void TearDown() override
    {
        ViewHarness::TearDown();
        AfxGetPrefs().m_nColourBy = 0;
    }
    void Write()
    {
        for (const Written& f : files)
            tree.File(f.path, f.nLength);
    }
    // What the files below a folder (relative, "" for the root) add up to.
    static Table Expected(const std::vector<Written>& written, const std::string& under = {})
    {
        Table t;
        for (const Written& f : written) {
            if (!under.empty() && f.path.rfind(under + "/", 0) != 0)
                continue;
            for (auto* pCounts : {&t.categories[f.category], &t.extensions[f.category][f.extension]}) {
                ++pCounts->first;
                pCounts->second += f.nLength;
            }
        }
        return t;
    }
    // What the panel shows, read through its model.
    Table Shown() const
    {
        const CTypesModel& m = *view->GetModel();
        Table t;
        for (int c = 0; c < m.rowCount(); ++c) {
            const QModelIndex cat = m.index(c, CTypesModel::Name);
            const std::string name = cat.data().toString().toStdString();
            t.categories[name] = Numbers(cat);
            for (int e = 0; e < m.rowCount(cat); ++e) {
                const QModelIndex ext = m.index(e, CTypesModel::Name, cat);
                t.extensions[name][ext.data().toString().toStdString()] = Numbers(ext);
            }
        }
        return t;
    }
    static std::pair<std::uint64_t, std::int64_t> Numbers(const QModelIndex& name)
    {
        return {name.siblingAtColumn(CTypesModel::Count).data(CTypesModel::kSortRole).toULongLong(),
                name.siblingAtColumn(CTypesModel::Size).data(CTypesModel::kSortRole).toLongLong()};
    }
    // The top rows' values in a column, as the panel lists them.
    std::vector<QVariant> Column(int nColumn) const
    {
        const QSortFilterProxyModel& sorted = *view->GetSortedModel();
        std::vector<QVariant> values;
        for (int r = 0; r < sorted.rowCount(); ++r)
            values.push_back(sorted.index(r, nColumn).data(CTypesModel::kSortRole));
        return values;
    }

    // Clicks the row named name (a category, or an extension below one) as the user does.
    void ClickRow(const std::string& category, const std::string& extension = {})
    {
        const QSortFilterProxyModel& sorted = *view->GetSortedModel();
        QModelIndex row;
        for (int c = 0; c < sorted.rowCount() && !row.isValid(); ++c) {
            const QModelIndex cat = sorted.index(c, CTypesModel::Name);
            if (cat.data().toString().toStdString() != category)
                continue;
            row = cat;
            if (!extension.empty()) {
                view->GetTreeCtrl()->expand(cat);
                row = {};
                for (int e = 0; e < sorted.rowCount(cat); ++e)
                    if (sorted.index(e, 0, cat).data().toString().toStdString() == extension)
                        row = sorted.index(e, CTypesModel::Count, cat);
            }
        }
        ASSERT_TRUE(row.isValid()) << category << " " << extension;
        QTreeView* pTree = view->GetTreeCtrl();
        QTest::mouseClick(pTree->viewport(), Qt::LeftButton, {}, pTree->visualRect(row).center());
    }
    // The files the document's filter lets through below the current directory, by name.
    std::multiset<std::string> Filtered() const
    {
        std::multiset<std::string> names;
        if (const CEntryFilter* pFilter = doc->GetFilter())
            pFilter->ForEachPassing(*doc->GetCurrent(), [&](const CEntry& e) { names.emplace(e.GetName()); });
        return names;
    }
    // The names of the files written below a folder ("" for all) that the test counts as of
    // the category, or of the extension.
    std::multiset<std::string> Of(const std::string& category, const std::string& extension = {},
                                  const std::string& under = {}) const
    {
        std::multiset<std::string> names;
        for (const Written& f : files)
            if (f.category == category && (extension.empty() || f.extension == extension)
                && (under.empty() || f.path.rfind(under + "/", 0) == 0))
                names.emplace(f.path.substr(f.path.rfind('/') + 1));
        return names;
    }

    const std::vector<Written> files = {
        {"v/Movie.MKV", 7000, "video", "mkv"},
        {"v/clip.mp4", 5000, "video", "mp4"},
        {"v/b.mp4", 1000, "video", "mp4"},
        {"v/sub/song.flac", 3000, "audio", "flac"},
        {"pics/x.png", 2000, "images", "png"},
        {"pics/y.JPG", 2500, "images", "jpg"},
        {"src/main.cpp", 300, "source code", "cpp"},
        {"src/util.cpp", 200, "source code", "cpp"},
        {"backup.tar.gz", 4000, "archives and disk images", "tar.gz"},
        {".bashrc", 50, "other", "(none)"},
        {"README", 100, "other", "(none)"},
        {"odd\xff.t\xfe"
         "x",
         10, "other",
         DisplayText("t\xfe"
                     "x")
             .toStdString()},
    };
};
}  // namespace

// The rows count what the test wrote, for the root and for a directory made current; the
// columns sort; the legend shows while the blocks are coloured by type.
TEST_F(TypesViewTest, RowsCountTheFilesBelowTheCurrentDirectoryAndSortByEachColumn)
{
    Write();
    Open(500, 400);
    parent.show();
    EXPECT_EQ(Shown(), Expected(files));
    const QModelIndex video = view->GetModel()->index(0, CTypesModel::Name);
    EXPECT_EQ(video.data().toString(), "video") << "largest first";
    EXPECT_DOUBLE_EQ(video.siblingAtColumn(CTypesModel::Bar).data(CTypesModel::kShareRole).toDouble(),
                     double(Expected(files).categories["video"].second) / double(root->GetSize()));
    EXPECT_FALSE(video.data(Qt::DecorationRole).isValid()) << "no legend while coloured by depth";

    // Sorted by each column, either way, the rows keep to that order.
    for (const int nColumn : {CTypesModel::Name, CTypesModel::Count, CTypesModel::Size, CTypesModel::Share}) {
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            view->GetTreeCtrl()->sortByColumn(nColumn, order);
            std::vector<QVariant> values = Column(nColumn);
            ASSERT_EQ(values.size(), 6U);
            if (order == Qt::DescendingOrder)
                std::reverse(values.begin(), values.end());
            EXPECT_TRUE(std::is_sorted(values.begin(), values.end(),
                                       [nColumn](const QVariant& a, const QVariant& b) {
                                           return nColumn == CTypesModel::Name ? a.toString() < b.toString()
                                                                               : a.toLongLong() < b.toLongLong();
                                       }))
                << nColumn << " " << order;
        }
    }

    doc->SetCurrent(Child(root, "v"));
    EXPECT_EQ(Shown(), Expected(files, "v"));
    AfxGetPrefs().m_nColourBy = static_cast<int>(EColourBy::Type);
    doc->UpdateAllViews(nullptr, HINT_REDRAW);
    EXPECT_EQ(view->GetModel()->index(0, CTypesModel::Name).data(Qt::DecorationRole).value<QColor>(),
              CLensColour::CategoryColour(FileCategory::Video));
}

// Deleting and refreshing change the rows; a hidden panel builds nothing until shown.
TEST_F(TypesViewTest, RowsStayTrueAfterDeleteAndRefreshAndAHiddenPanelWaits)
{
    Write();
    Open(500, 400);
    EXPECT_EQ(view->GetBuildCount(), 0) << "hidden: nothing built";
    parent.show();
    EXPECT_EQ(view->GetBuildCount(), 1);
    EXPECT_EQ(Shown(), Expected(files));

    TempTree trash;
    ScopedDataHome dataHome(trash.Path("share"));
    std::vector<Written> now = files;
    now.erase(now.begin() + 1);  // v/clip.mp4
    doc->SetSelected(EntryAt(root, {"v", "clip.mp4"}));
    ASSERT_TRUE(ExecuteCommand(*doc, ID_DELETE));
    EXPECT_EQ(Shown(), Expected(now));

    parent.hide();
    const int nBuilds = view->GetBuildCount();
    now.push_back({"pics/z.png", 900, "images", "png"});
    tree.File("pics/z.png", 900);
    doc->SetSelected(root);
    doc->OnRefresh();
    root = doc->GetRoot();
    doc->SetCurrent(Child(root, "pics"));
    doc->SetCurrent(root);
    EXPECT_EQ(view->GetBuildCount(), nBuilds) << "hidden: nothing built";
    parent.show();
    EXPECT_EQ(view->GetBuildCount(), nBuilds + 1);
    EXPECT_EQ(Shown(), Expected(now));
}

// A click on a row filters the views to its files below the current directory, following
// it as it changes; a click on the same row clears the filter, and another row replaces it.
TEST_F(TypesViewTest, ClickingARowFiltersToItsFilesAndClickingAgainClears)
{
    Write();
    Open(500, 400);
    parent.show();
    ClickRow("video");
    ASSERT_NE(doc->GetFilter(), nullptr);
    EXPECT_EQ(Filtered(), Of("video"));
    EXPECT_EQ(spy.hints.back(), HINT_FILTER_CHANGED);
    ClickRow("video");
    EXPECT_EQ(doc->GetFilter(), nullptr) << "the same row again clears";
    EXPECT_EQ(spy.hints.back(), HINT_FILTER_CHANGED);

    ClickRow("video", "mp4");
    EXPECT_EQ(Filtered(), Of("video", "mp4"));
    ClickRow("images");
    EXPECT_EQ(Filtered(), Of("images")) << "another row replaces the filter";
    doc->SetCurrent(Child(root, "v"));
    EXPECT_TRUE(Filtered().empty()) << "no images below v";
    doc->SetCurrent(root);
    EXPECT_EQ(Filtered(), Of("images"));

    // A filter set elsewhere (a find) takes the row's place: the next click sets the row's.
    doc->SetFilter(std::make_unique<CEntryFilter>(*root, "Find"));
    ClickRow("images");
    EXPECT_EQ(Filtered(), Of("images"));
    EXPECT_EQ(doc->GetFilter()->GetLabel(), "File type \"images\"");
}
