// Find as the user works it: Ctrl+F, a pattern typed key by key into the real field, the
// list and the status bar read back and held against the files the test wrote, matched
// here with the C library's fnmatch and a plain substring search; then Escape.
#include "AppFixture.h"

#include "app/AppCommands.h"
#include "app/FindBar.h"
#include "model/EntryFilter.h"
#include "model/FormatSize.h"
#include "support/DocHarness.h"
#include "views/VolraListView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace {
// Every file below the searched folder: the fixture's own three and these.
const std::vector<std::pair<std::string, std::int64_t>> kWritten = {
    {"top.bin", 4096},      {"sub/a.txt", 1000},        {"sub/deeper/b.txt", 24}, {"Debian.ISO", 700},
    {"isolinux.bin", 30},   {"a/disk.iso", 5000},       {"a/b/notes.txt", 12},    {"cache/x.dat", 40},
    {"a/cache/y.dat", 50},  {"a/mycache/z.dat", 60},    {"a/cachet/w.dat", 70},   {"README", 80},
    {"a/b/ISO/readme", 90}, {"a/b/deep/er/f.Iso", 100}, {"same.log", 77},         {"a/b/same.log", 77},
    {"cache/same.log", 77},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// What a pattern finds among the files written, worked out without the program: a glob
// when it holds a wildcard, else a substring; over paths when it holds "/".
std::vector<std::string> Expected(const std::string& pattern, std::int64_t& nTotal)
{
    const bool bPaths = pattern.find('/') != std::string::npos;
    const bool bGlob = pattern.find_first_of("*?[") != std::string::npos;
    std::vector<std::string> names;
    nTotal = 0;
    for (const auto& [path, nLength] : kWritten) {
        const std::string subject = bPaths ? path : NameOf(path);
        const bool bMatch = bGlob ? ::fnmatch(pattern.c_str(), subject.c_str(), FNM_CASEFOLD) == 0
                                  : Lower(subject).find(Lower(pattern)) != std::string::npos;
        if (bMatch) {
            names.push_back(NameOf(path));
            nTotal += nLength;
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct FindFixture : AppFixture {
    FindFixture()
    {
        for (const auto& [path, nLength] : kWritten)
            tree.File(path, nLength);
        doc = Open();
        Frame().show();
        Frame().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&Frame()));
        Command(ID_MODE_LIST);
        Child().GetCurrentView()->setFocus();
    }
    CChildFrame& Child() { return *Frame().GetActiveChildFrame(); }
    CFindBar& Bar() { return *Child().GetFindBar(); }
    std::vector<std::string> Rows()
    {
        auto* list = dynamic_cast<CVolraListView*>(Child().GetCurrentView());
        std::vector<std::string> names = list != nullptr ? Names(list->GetRows()) : std::vector<std::string>{"?"};
        std::sort(names.begin(), names.end());
        return names;
    }
    QString StatusText()
    {
        Frame().UpdateCommandStates();
        const auto* label = Frame().statusBar()->findChild<QLabel*>(QStringLiteral("FilterLabel"));
        return label != nullptr && label->isVisible() ? label->text() : QString();
    }
    // The status bar's text for the rows the list shows, counted from the rows themselves.
    std::string RowsText(const std::string& pattern)
    {
        auto* list = dynamic_cast<CVolraListView*>(Child().GetCurrentView());
        std::int64_t nTotal = 0;
        const std::size_t n = list != nullptr ? list->GetRows().size() : 0;
        for (std::size_t i = 0; i < n; ++i)
            nTotal += list->GetRows()[i]->GetSize();
        return "Find \"" + pattern + "\": " + std::to_string(n) + (n == 1 ? " file, " : " files, ")
            + FormatSize(nTotal);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    CVolraDoc* doc = nullptr;
};
}  // namespace

// Each pattern typed into the field after Ctrl+F lists exactly the files it should find, and
// the status bar counts them; Escape gives the whole list back and hides the field.
TEST(Find, PatternsTypedIntoTheFieldListWhatTheyFind)
{
    FindFixture f;
    ASSERT_NE(f.doc, nullptr);
    const std::vector<std::string> all = f.Rows();
    EXPECT_FALSE(f.Bar().isVisible());
    EXPECT_TRUE(f.Enabled(ID_FIND));

    const char* const patterns[] = {"iso",       "ISO",   "*.iso", "*.i?o", "read", "cache/", "cache/*",
                                    "*/cache/*", "a/b/*", "[rd]*", "zzz",   "*",    "/"};
    for (const char* pattern : patterns) {
        f.Key(Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(f.Bar().isVisible()) << pattern;
        // One line high: the views keep the rest of the window.
        QApplication::processEvents();
        EXPECT_EQ(f.Bar().height(), f.Bar().sizeHint().height()) << pattern;
        ASSERT_EQ(QApplication::focusWidget(), f.Bar().GetField()) << pattern;
        QTest::keyClicks(f.Bar().GetField(), QString::fromLatin1(pattern));
        std::int64_t nTotal = 0;
        const std::vector<std::string> expected = Expected(pattern, nTotal);
        EXPECT_EQ(f.Rows(), expected) << pattern;
        const std::size_t n = expected.size();
        EXPECT_EQ(f.StatusText().toStdString(),
                  std::string("Find \"") + pattern + "\": " + std::to_string(n) + (n == 1 ? " file, " : " files, ")
                      + FormatSize(nTotal))
            << pattern;

        f.Key(Qt::Key_Escape);
        EXPECT_FALSE(f.Bar().isVisible()) << pattern;
        EXPECT_EQ(f.doc->GetFilter(), nullptr) << pattern;
        EXPECT_EQ(f.Rows(), all) << pattern;
        EXPECT_EQ(f.StatusText(), QString()) << pattern;
    }
}

// Typing on narrows, a backspace widens again, an emptied field filters nothing; the find
// follows the current directory, and a refresh brings in a new file that matches.
TEST(Find, FollowsTypingTheCurrentDirectoryAndRefresh)
{
    FindFixture f;
    ASSERT_NE(f.doc, nullptr);
    const std::vector<std::string> all = f.Rows();
    f.Key(Qt::Key_F, Qt::ControlModifier);
    QLineEdit* field = f.Bar().GetField();
    std::int64_t nTotal = 0;
    const std::pair<const char*, const char*> steps[] = {{"d", "d"}, {"a", "da"}, {"t", "dat"}, {".", "dat."}};
    for (const auto& [key, pattern] : steps) {
        QTest::keyClicks(field, QString::fromLatin1(key));
        EXPECT_EQ(f.Rows(), Expected(pattern, nTotal)) << pattern;
    }
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(f.Rows(), Expected("dat", nTotal));

    // Below "a" only what is there; path patterns are relative to it.
    CEntry* a = Child(f.doc->GetRoot(), "a");
    f.doc->SetCurrent(a);
    EXPECT_EQ(f.Rows(), (std::vector<std::string>{"w.dat", "y.dat", "z.dat"}));
    EXPECT_EQ(f.StatusText().toStdString(), f.RowsText("dat"));
    f.tree.File("a/new.dat", 9);
    f.Command(ID_REFRESH);
    EXPECT_EQ(f.Rows(), (std::vector<std::string>{"new.dat", "w.dat", "y.dat", "z.dat"}));
    EXPECT_EQ(f.StatusText().toStdString(), f.RowsText("dat"));
    // The find's own count stands only for the measure it was made in.
    f.Command(ID_VIEW_SIZE_ON_DISK);
    EXPECT_EQ(f.StatusText().toStdString(), f.RowsText("dat")) << "sizes on disk";
    f.Command(ID_VIEW_SIZE_ON_DISK);
    EXPECT_EQ(f.StatusText().toStdString(), f.RowsText("dat")) << "lengths again";
    f.doc->SetCurrent(f.doc->GetRoot());
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("a/*"));
    const std::vector<std::string> belowA = f.Rows();
    EXPECT_EQ(belowA.size(), Expected("a/*", nTotal).size() + 1) << "new.dat too";

    // Emptied, the field filters nothing: the list is whole again, the field still open.
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(f.doc->GetFilter(), nullptr);
    EXPECT_TRUE(f.Bar().isVisible());
    EXPECT_EQ(f.Rows().size(), all.size() + 1);

    // The bar indexes the names as it opens; a file renamed outside (sizes and counts as
    // they were) and a refresh before the first key: the key finds what is there now.
    QTest::keyClick(field, Qt::Key_Escape);
    f.Command(ID_FIND);
    ASSERT_TRUE(f.Bar().isVisible());
    f.tree.Remove("README");
    f.tree.File("LATER", 80);
    f.Command(ID_REFRESH);
    QTest::keyClicks(field, QStringLiteral("later"));
    EXPECT_EQ(f.Rows(), (std::vector<std::string>{"LATER"}));
}

// The rows of a find come in the order of the rows of a filter of the same files, ties
// included, in every sort: whether the list takes the find's own files or walks the tree for
// the filter's, what sorts equal stays in the tree's order. A delete drops the find's files
// for a walk again.
TEST(Find, ListsTheRowsOfAFilterOfTheSameFilesInTheSameOrder)
{
    FindFixture f;
    ASSERT_NE(f.doc, nullptr);
    auto* list = dynamic_cast<CVolraListView*>(f.Child().GetCurrentView());
    ASSERT_NE(list, nullptr);
    f.Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(f.Bar().GetField(), QStringLiteral("same"));
    for (const EListColumn column : {EListColumn::Size, EListColumn::Name, EListColumn::Type}) {
        f.Key(Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(f.Bar().GetField(), QStringLiteral("same"));
        list->OnColumnClick(static_cast<int>(column));
        const std::vector<CEntry*> found(list->GetRows().begin(), list->GetRows().end());
        ASSERT_EQ(found.size(), 3u) << "three files named same.log, 77 bytes each";

        auto pChosen = std::make_unique<CEntryFilter>(*f.doc->GetRoot(), "Chosen");
        for (CEntry* pFile : found)
            pChosen->Add(*pFile);
        f.doc->SetFilter(std::move(pChosen));
        EXPECT_EQ(std::vector<CEntry*>(list->GetRows().begin(), list->GetRows().end()), found)
            << static_cast<int>(column);
        f.Key(Qt::Key_Escape);
    }

    f.Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(f.Bar().GetField(), QStringLiteral("same"));
    f.doc->SetSelected(Child(Child(f.doc->GetRoot(), "cache"), "same.log"));
    WhenModal<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    f.Command(ID_DELETE);
    EXPECT_EQ(f.Rows(), (std::vector<std::string>{"same.log", "same.log"}));
    EXPECT_EQ(f.StatusText().toStdString(), f.RowsText("same"));
}
