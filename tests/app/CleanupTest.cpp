#include "AppFixture.h"
#include "app/AppCommands.h"
#include "app/MarkedListModel.h"
#include "app/MarkedPanel.h"
#include "app/TrashCommands.h"
#include "cleanup/FreedSpace.h"
#include "doc/Resource.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <QDockWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

#include <fstream>

namespace {
// Carries out a command whose question is answered with press; returns the question.
std::string Answered(AppFixture& f, UINT id, QMessageBox::StandardButton press)
{
    std::string question;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        question = box.text().toStdString();
        box.button(press)->click();
    });
    f.Command(id);
    return question;
}

void Mark(CVolraDoc* doc, const std::vector<std::vector<std::string>>& items)
{
    for (const auto& names : items)
        ASSERT_TRUE(doc->SetMarked(*EntryAt(doc->GetRoot(), names), true));
}

// The window's totals against a new search of its folder, directory by directory.
void ExpectTotalsOfAFreshSearch(const CVolraDoc* doc, const std::string& root)
{
    const auto fresh = Search(root);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(FindBadTotal(doc->GetRoot()), nullptr);
    for (const std::vector<std::string>& names :
         std::vector<std::vector<std::string>>{{}, {"sub"}, {"sub", "deeper"}}) {
        const CEntry* mine = EntryAt(doc->GetRoot(), names);
        const CEntry* theirs = EntryAt(fresh->GetRoot(), names);
        ASSERT_NE(mine, nullptr);
        ASSERT_NE(theirs, nullptr);
        EXPECT_EQ(mine->GetLength(), theirs->GetLength()) << names.size();
        EXPECT_EQ(mine->GetDiskSize(), theirs->GetDiskSize()) << names.size();
        EXPECT_EQ(ChildNames(mine), ChildNames(theirs));
    }
}

std::string TrashFile(AppFixture& f, const std::string& name) { return f.dataHome.Path("Trash/files/" + name); }
}  // namespace

TEST(Cleanup, UndoPutsTheBatchBackAndTheWindowAgreesWithAFreshSearch)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    Mark(doc, {{"top.bin"}, {"sub", "deeper"}});
    EXPECT_EQ(Answered(f, ID_TRASH_MARKED, QMessageBox::Yes).rfind("Move 2 items (", 0), 0u);
    EXPECT_EQ(ChildNames(doc->GetRoot()), (std::vector<std::string>{"sub"}));
    EXPECT_NE(f.Frame().statusBar()->currentMessage().indexOf(" in the trash (Empty trash frees it)"), -1);
    EXPECT_NE(SizeOnDisk(TrashFile(f, "deeper/b.txt")), -1);

    EXPECT_TRUE(f.Enabled(ID_EDIT_UNDO));
    f.Command(ID_EDIT_UNDO);
    EXPECT_EQ(ReadFile(f.tree.Path("sub/deeper/b.txt")).size(), 24u);
    EXPECT_EQ(ReadFile(f.tree.Path("top.bin")).size(), 4096u);
    EXPECT_EQ(SizeOnDisk(TrashFile(f, "top.bin")), -1) << "its trash entry went with it";
    ExpectTotalsOfAFreshSearch(doc, f.tree.Root());
    EXPECT_EQ(f.Frame().statusBar()->currentMessage(), QStringLiteral("2 items put back from the trash"));
    EXPECT_FALSE(f.Enabled(ID_EDIT_UNDO)) << "nothing left to undo";
}

TEST(Cleanup, UndoLeavesAnItemWhosePlaceIsTakenAndNamesIt)
{
    AppFixture f;
    ErrorBoxes boxes;
    CVolraDoc* doc = f.Open();
    Mark(doc, {{"top.bin"}, {"sub", "a.txt"}});
    Answered(f, ID_TRASH_MARKED, QMessageBox::Yes);
    f.tree.File("top.bin", 7);  // a new file where the old one was
    f.Command(ID_EDIT_UNDO);
    EXPECT_EQ(boxes.shown,
              (std::vector<std::string>{"1 item stayed in the trash:\n" + f.tree.Path("top.bin")
                                        + ": something else is in its place"}));
    EXPECT_EQ(ReadFile(f.tree.Path("top.bin")).size(), 7u) << "the newcomer is untouched";
    EXPECT_EQ(ReadFile(TrashFile(f, "top.bin")).size(), 4096u);
    EXPECT_EQ(ReadFile(f.tree.Path("sub/a.txt")).size(), 1000u);
    EXPECT_NE(EntryAt(doc->GetRoot(), {"sub", "a.txt"}), nullptr) << "its folder was read again";
}

TEST(Cleanup, EmptyRemovesOnlyWhatVolraTrashed)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    f.dataHome.File("Trash/files/theirs", 300);
    f.dataHome.Dir("Trash/info");
    std::ofstream(f.dataHome.Path("Trash/info/theirs.trashinfo"))
        << "[Trash Info]\nPath=/elsewhere/theirs\nDeletionDate=2026-01-01T00:00:00\n";
    Mark(doc, {{"sub"}});
    Answered(f, ID_TRASH_MARKED, QMessageBox::Yes);
    ASSERT_NE(SizeOnDisk(TrashFile(f, "sub/a.txt")), -1);

    EXPECT_EQ(Answered(f, ID_EMPTY_VOLRA_TRASH, QMessageBox::No).rfind("Remove the 1 item Volra moved", 0), 0u);
    EXPECT_NE(SizeOnDisk(TrashFile(f, "sub")), -1) << "declined: nothing removed";
    Answered(f, ID_EMPTY_VOLRA_TRASH, QMessageBox::Yes);
    EXPECT_EQ(SizeOnDisk(TrashFile(f, "sub")), -1);
    EXPECT_EQ(SizeOnDisk(f.dataHome.Path("Trash/info/sub.trashinfo")), -1);
    EXPECT_EQ(ReadFile(TrashFile(f, "theirs")).size(), 300u) << "the rest of the trash stays";
    EXPECT_NE(SizeOnDisk(f.dataHome.Path("Trash/info/theirs.trashinfo")), -1);
    EXPECT_FALSE(f.Enabled(ID_EDIT_UNDO)) << "an emptied batch cannot come back";
}

TEST(Cleanup, MarkedPanelShowsTheTopMarksAndWhatTheyFree)
{
    AppFixture f;
    f.tree.File("sub/odd\nname", 10);
    CVolraDoc* doc = f.Open();
    auto* dock = f.Frame().findChild<QDockWidget*>(QStringLiteral("MarkedDock"));
    ASSERT_NE(dock, nullptr);
    EXPECT_FALSE(dock->isVisibleTo(&f.Frame())) << "nothing marked: no panel";
    CMarkedPanel& panel = *f.Frame().GetMarkedPanel();

    Mark(doc, {{"sub", "odd\nname"}, {"top.bin"}, {"sub"}});
    EXPECT_TRUE(dock->isVisibleTo(&f.Frame())) << "the first mark shows it";
    EXPECT_TRUE(f.Action(ID_VIEW_MARKED)->isChecked());
    panel.Recompute();
    const CMarkedListModel& rows = panel.Model();
    ASSERT_EQ(rows.rowCount(), 2) << "the mark inside sub counts once";
    const auto cell = [&](int row, int column) { return rows.data(rows.index(row, column)).toString(); };
    EXPECT_EQ(cell(0, 0), QString::fromStdString(f.tree.Path("sub")));
    EXPECT_EQ(cell(1, 0), QString::fromStdString(f.tree.Path("top.bin")));
    EXPECT_EQ(cell(1, 1), QStringLiteral("4.00k"));
    const CFreedSpace freed = MeasureFreedSpace(doc->GetMarks()->TopMarked());
    EXPECT_EQ(panel.SummaryText().toStdString(), FreedSpaceText(freed) + "\nOn the file system of " + f.tree.Root());
    const auto buttonsEnabled = [&] {
        std::vector<bool> enabled;
        for (const QPushButton* button : panel.findChildren<QPushButton*>())
            enabled.push_back(button->isEnabled());
        return enabled;
    };
    EXPECT_EQ(buttonsEnabled(), (std::vector<bool>{true, true}));

    // Only the nested mark left: its name shows its newline as "?".
    doc->SetMarked(*EntryAt(doc->GetRoot(), {"sub"}), false);
    doc->SetMarked(*EntryAt(doc->GetRoot(), {"top.bin"}), false);
    panel.Recompute();
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(cell(0, 0), QString::fromStdString(f.tree.Path("sub/odd?name")));

    // Another window without marks: the panel follows the active one; View > Marked hides it.
    f.app.GetDocTemplate()->OpenDocumentFile(f.tree.Path("sub"));
    panel.Recompute();
    EXPECT_EQ(rows.rowCount(), 0);
    doc = f.app.GetMainFrame()->GetActiveChildFrame()->GetDocument();
    doc->SetSelected(doc->GetRoot()->GetChildren()[0]);
    f.Frame().UpdateCommandStates();
    ASSERT_TRUE(f.Enabled(ID_DELETE_PERMANENTLY)) << "the selection would go";
    EXPECT_EQ(buttonsEnabled(), (std::vector<bool>{false, false})) << "the panel's buttons act on marks only";
    f.Command(ID_VIEW_MARKED);
    EXPECT_FALSE(dock->isVisibleTo(&f.Frame()));
}

TEST(Cleanup, FoldersToReadAgainAreTheTopParents)
{
    EXPECT_EQ(FoldersToReadAgain({"/a/b/c", "/a/b/d", "/a/x", "/e/f/g", "/top"}), (std::vector<std::string>{"/"}))
        << "every folder lies below the root's";
    EXPECT_EQ(FoldersToReadAgain({"/a/b/c", "/a/b/d", "/a/x", "/e/f/g"}), (std::vector<std::string>{"/a", "/e/f"}));
    EXPECT_EQ(FoldersToReadAgain({"/a/b/c", "/a/b/d", "/a/bc/x", "/a/b/e/f"}),
              (std::vector<std::string>{"/a/b", "/a/bc"}));
}
