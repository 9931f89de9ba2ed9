#include "app/CompareWith.h"
#include "AppFixture.h"
#include "app/AppCommands.h"
#include "app/HistoryKeeper.h"
#include "doc/VolraDoc.h"
#include "framework/FileChooser.h"
#include "support/ComparedSearch.h"

#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

// A saved search is set beside the window only when it is of the same folder, whole, and in
// the measure shown; a refusal says why and leaves whatever comparison the window had.
TEST(CompareWith, TakesTheSameFolderAndRefusesAnythingElse)
{
    ComparedSearch c;
    const auto expected = Described(*c.doc->GetComparison());
    TempTree files;
    const std::string saved = files.Path("earlier.json");
    ASSERT_TRUE(c.earlier->SaveSearch(saved));
    {
        TempTree other;
        other.File("f", 1);
        ASSERT_TRUE(Search(other.Root())->SaveSearch(files.Path("other.json")));
    }
    std::ofstream(files.Path("cut.json")) << ReadFile(saved).substr(0, ReadFile(saved).size() / 2);
    // An export without sizes on disk, of the same folder.
    std::ofstream(files.Path("lengths.json"))
        << "[1,0,{\"progname\":\"ncdu\"},[{\"name\":\"" << c.tree.Root() << "\"},{\"name\":\"keep\",\"asize\":100}]]";

    std::string error;
    c.doc->SetComparison(nullptr);
    ASSERT_TRUE(CompareWithSavedSearch(*c.doc, saved, CTime(1765029780), error)) << error;
    EXPECT_EQ(Described(*c.doc->GetComparison()), expected) << "the same as comparing with the search itself";
    EXPECT_EQ(c.doc->GetComparison()->GetEarlierTime(), CTime(1765029780));
    const CSearchComparison* pKept = c.doc->GetComparison();

    const struct {
        const char* file;
        bool bDiskSizes;
        const char* reason;
    } refused[] = {
        {"other.json", false, "is a search of "},
        {"cut.json", false, "cannot be compared: line"},
        {"missing.json", false, "cannot be compared: "},
        {"lengths.json", true, "knows file lengths only"},
    };
    for (const auto& r : refused) {
        CEntry::ShowDiskSizes(r.bDiskSizes);
        error.clear();
        EXPECT_FALSE(CompareWithSavedSearch(*c.doc, files.Path(r.file), CTime(), error)) << r.file;
        EXPECT_NE(error.find(r.reason), std::string::npos) << r.file << ": " << error;
        EXPECT_EQ(c.doc->GetComparison(), pKept) << r.file << ": the window stays as it was";
    }
    CEntry::ShowDiskSizes(false);
    EXPECT_TRUE(CompareWithSavedSearch(*c.doc, files.Path("lengths.json"), CTime(), error))
        << "lengths alone do when lengths are shown: " << error;
}

// From the View menu: a chosen file is compared with, the status bar tells the change, and
// Stop comparing takes it away.
TEST(CompareWith, OtherSavedSearchAndStopFromTheMenu)
{
    AppFixture f;
    TempTree files;
    const std::string saved = files.Path("before.json");
    CVolraDoc* pBefore = f.Open();
    ASSERT_NE(pBefore, nullptr);
    ASSERT_TRUE(pBefore->SaveSearch(saved));
    f.tree.File("sub/new.bin", 2048);
    f.tree.Remove("top.bin");
    CVolraDoc* pDoc = f.Open();
    ASSERT_NE(pDoc, nullptr);
    EXPECT_TRUE(f.Enabled(ID_COMPARE_OTHER));
    EXPECT_FALSE(f.Enabled(ID_COMPARE_STOP)) << "nothing to stop";

    SetFileChooserAnswer([&](FileChooser, const QString&) { return QString::fromStdString(saved); });
    f.Command(ID_COMPARE_OTHER);
    SetFileChooserAnswer(nullptr);
    ASSERT_NE(pDoc->GetComparison(), nullptr);
    f.Frame().UpdateCommandStates();
    const QLabel* pTold = f.Frame().statusBar()->findChild<QLabel*>("ComparisonLabel");
    ASSERT_NE(pTold, nullptr);
    EXPECT_TRUE(pTold->text().startsWith("Since ") && pTold->text().endsWith(": -2.00k, 1 new, 1 removed"))
        << "5120 bytes before, 3120 now; new.bin new, top.bin removed: " << pTold->text().toStdString();

    EXPECT_TRUE(f.Enabled(ID_COMPARE_STOP));
    f.Command(ID_COMPARE_STOP);
    EXPECT_EQ(pDoc->GetComparison(), nullptr);
    EXPECT_FALSE(f.Enabled(ID_COMPARE_STOP));
    EXPECT_TRUE(pTold->isHidden()) << "nothing to tell once the comparison is gone";
}

// The history's earlier searches of the window's folder are offered, newest first, without
// the window's own; picking one compares with it.
TEST(CompareWith, OffersTheKeptSearchesOfTheFolder)
{
    AppFixture f;
    ASSERT_NE(f.Open(), nullptr);
    ASSERT_TRUE(f.app.GetHistoryKeeper()->WaitForWrites(std::chrono::seconds(30)));
    f.tree.File("sub/new.bin", 2048);
    CVolraDoc* pDoc = f.Open();
    ASSERT_NE(pDoc, nullptr);
    ASSERT_TRUE(f.app.GetHistoryKeeper()->WaitForWrites(std::chrono::seconds(30)));

    QMenu* pMenu = f.Action(ID_COMPARE_WITH)->menu();
    ASSERT_NE(pMenu, nullptr);
    emit pMenu->aboutToShow();
    QStringList texts;
    for (const QAction* a : pMenu->actions())
        texts << (a->isSeparator() ? "-" : a->text());
    ASSERT_EQ(texts.size(), 3) << texts.join("|").toStdString();
    EXPECT_TRUE(texts[0].endsWith("  5.00k")) << "the first search, not this one (7.00k): " << texts[0].toStdString();
    EXPECT_EQ(texts.mid(1), (QStringList{"-", "&Other saved search..."}));

    pMenu->actions()[0]->trigger();
    ASSERT_NE(pDoc->GetComparison(), nullptr);
    EXPECT_EQ(pDoc->GetComparison()->NewCount(), 1u);
    EXPECT_EQ(pDoc->GetComparison()->GetCurrentRoot().GetSize() - pDoc->GetComparison()->GetEarlierRoot().GetSize(),
              2048);
}
