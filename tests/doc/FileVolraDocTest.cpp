#include "doc/FileVolraDoc.h"
#include "doc/NcduReader.h"
#include "framework/FileChooser.h"
#include "framework/UiServices.h"
#include "support/DocHarness.h"
#include "support/TempTree.h"

#include <QDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>

namespace {
const std::string kFixture = VOLRA_TEST_DATA "/ncdu-1.18-export.json";

bool Enabled(CCmdTarget& route, UINT id)
{
    CCmdUI ui(id);
    return UpdateCommandUI(route, ui) != FALSE;
}
}  // namespace

// Nothing of an opened file is read again, opened or deleted; moving about, marking and
// saving are as in any search.
TEST(FileVolraDoc, OpensLabelledAndOnlyMovesAboutAndSaves)
{
    CFileVolraDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(kFixture));
    EXPECT_EQ(doc.GetTitle(), "(File ncdu-1.18-export.json) /tmp/volra-fixture (4.66G)");
    EXPECT_EQ(doc.GetCurrent(), doc.GetRoot());
    for (const UINT id : {ID_REFRESH, ID_OPEN_RUN, ID_DELETE, ID_OPEN_PARENT, ID_VIEW_DIRECTORY})
        EXPECT_FALSE(Enabled(doc, id)) << id;
    EXPECT_FALSE(ExecuteCommand(doc, ID_REFRESH));
    doc.SetSelected(Child(doc.GetRoot(), "docs"));
    EXPECT_TRUE(ExecuteCommand(doc, ID_VIEW_DIRECTORY));
    EXPECT_EQ(doc.GetTitle(), "(File ncdu-1.18-export.json) /tmp/volra-fixture/docs (11.24k)");
    EXPECT_TRUE(Enabled(doc, ID_OPEN_PARENT));
    // Marks and their figures, but nothing of a picture of elsewhere is trashed or deleted.
    ASSERT_TRUE(doc.SetMarked(*Child(doc.GetRoot(), "docs"), true));
    for (const UINT id : {ID_TRASH_MARKED, ID_DELETE, ID_DELETE_PERMANENTLY})
        EXPECT_FALSE(Enabled(doc, id)) << id;
    EXPECT_FALSE(ExecuteCommand(doc, ID_TRASH_MARKED));
    EXPECT_TRUE(doc.HasMarks());

    TempTree t;
    SetFileChooserAnswer([&t](FileChooser kind, const QString& suggested) {
        EXPECT_EQ(kind, FileChooser::SaveFile);
        EXPECT_EQ(suggested, QDir::homePath() + "/volra-fixture.json");
        return QString::fromStdString(t.Path("saved.json"));
    });
    EXPECT_TRUE(ExecuteCommand(doc, ID_FILE_SAVE));
    SetFileChooserAnswer(nullptr);
    EXPECT_GT(SizeOnDisk(t.Path("saved.json")), 0);
}

// One box names the file, the place and the reason; a cancel says nothing. Either way
// no tree is kept.
TEST(FileVolraDoc, WhatCannotBeReadGivesOneBoxAndNoTree)
{
    TempTree t;
    std::ofstream(t.Path("bad.json")) << "[1,2,{},\n[{\"name\":\"/r\"},{\"name\":\"\"}]]";
    const std::pair<std::string, std::string> cases[] = {
        {t.Path("missing.json"), t.Path("missing.json") + ": No such file or directory"},
        {t.Path("bad.json"), t.Path("bad.json") + ": line 2, column 25: \"name\" is not a file name"},
        {kFixture, ""},
    };
    for (const auto& [path, box] : cases) {
        ErrorBoxes boxes;
        if (box.empty())  // the program closing while the file is read
            QTimer::singleShot(0, [] { CLongOperation::CancelAll(); });
        CFileVolraDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(path));
        EXPECT_EQ(boxes.shown, box.empty() ? std::vector<std::string>{} : std::vector<std::string>{box});
        EXPECT_EQ(doc.GetRoot(), nullptr);
    }
    // A save that fails says so, and leaves nothing behind.
    CFileVolraDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(kFixture));
    ErrorBoxes boxes;
    EXPECT_FALSE(doc.SaveSearch(t.Path("no/such/dir/s.json")));
    EXPECT_EQ(boxes.shown,
              std::vector<std::string>{"Could not save the search to \"" + t.Path("no/such/dir/s.json")
                                       + "\".\nNo such file or directory"});
}
