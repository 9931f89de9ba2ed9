#include "AppFixture.h"
#include "SearchRules.h"
#include "app/AppCommands.h"
#include "app/CommandLineInfo.h"
#include "app/PrefsSearch.h"
#include "doc/ExcludeRules.h"
#include "doc/NcduReader.h"
#include "doc/NcduWriter.h"
#include "doc/Resource.h"
#include "framework/PropertySheet.h"
#include "support/DocHarness.h"
#include "support/EntryBuild.h"
#include "support/TempTree.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {
// Every entry, one line each in tree order: path relative to the root, length, "X" when
// left out, and "BAD" where a directory's length is not its children's sum.
std::string Dump(const CEntry& e, const std::string& root)
{
    std::int64_t sum = 0;
    std::string below;
    for (const CEntry* child : e.GetChildren()) {
        sum += child->GetLength();
        below += Dump(*child, root);
    }
    const std::string path = e.GetPath().substr(std::min(root.size(), e.GetPath().size()));
    return path + " " + std::to_string(e.GetLength()) + (e.IsExcluded() ? " X" : "")
        + (e.IsDirectory() && e.GetParent() != nullptr && sum != e.GetLength() ? " BAD" : "") + "\n" + below;
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A tree with something for each rule: object files, a build folder, a tagged cache, a
// folder whose tag is no tag, and names a pattern must not be fooled by.
void MakeTree(const TempTree& t)
{
    t.Files({{"src/main.c", 100},
             {"src/main.o", 2000},
             {"src/lib/util.o", 3000},
             {"src/notes.o.txt", 7},
             {"build/tmp/a", 5000},
             {"build/tmpfile", 11},
             {"cache/blob", 70000},
             {"fake/blob", 13},
             {"line\nbreak.o", 17},
             {"\xff\xfe/x", 19}});
    WriteBytes(t.Path("cache/CACHEDIR.TAG"), kCacheTag);
    WriteBytes(t.Path("fake/CACHEDIR.TAG"), "Signature: not this one\n");
}

}  // namespace

// Patterns match a whole path or any tail of it after a "/", as ncdu's do; names are bytes.
TEST(Exclude, PatternsMatchNamesAndTailsOfPaths)
{
    const struct {
        std::vector<std::string> patterns;
        const char* path;
        bool bMatches;
    } cases[] = {
        {{"*.o"}, "/home/u/src/main.o", true},
        {{"*.o"}, "/home/u/src/main.o.txt", false},
        {{"main.?"}, "/home/u/src/main.c", true},
        {{"build/tmp"}, "/home/u/build/tmp", true},
        {{"build/tmp"}, "/home/u/build/tmpfile", false},
        {{"/home/*/.cache"}, "/home/u/.cache", true},
        {{"/home/*/.cache"}, "/srv/home/u/.cache", false},  // no tail starts with "/"
        {{"src"}, "/home/u/src/main.c", false},  // the folder is left out, not what is named below
        {{"[ab]*"}, "/x/bee", true},
        {{"node_modules", "*.tmp"}, "/p/a.tmp", true},
        {{"\xff*"}, "/p/\xff\xfe", true},
        {{""}, "/p/x", false},
        {{}, "/p/x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rules(c.patterns, false).Matches(c.path), c.bMatches) << c.path;
}

// What is left out stays in the tree as an item counting nothing, is never read, and is
// shown as such; the rest adds up as before. ncdu with the same options is the independent
// count, and either finder (reading ahead on threads or one item at a time) agrees.
TEST(Exclude, LeftOutItemsCountNothingAndAgreeWithNcdu)
{
    TempTree t;
    TempTree out;
    MakeTree(t);
    const ScopedRules rules(Rules({"*.o", "build/tmp"}, true));
    ASSERT_EQ(std::system(("ncdu -x --exclude '*.o' --exclude build/tmp --exclude-caches -o '" + out.Path("n.json")
                           + "' '" + t.Root() + "' 2>/dev/null")
                              .c_str()),
              0)
        << "scripts/setup installs ncdu";
    CNcduReader reader;
    CEntryArena arena;
    const CEntry* byNcdu = reader.Read(out.Path("n.json"), arena);
    ASSERT_NE(byNcdu, nullptr) << reader.GetError();
    const std::string expected = Dump(*byNcdu, t.Root());
    for (const bool bReadAhead : {true, false}) {
        auto doc = NewSearch(t.Root());
        doc->SetReadAhead(bReadAhead);
        ASSERT_TRUE(doc->OnNewDocument());
        CEntry* root = doc->GetRoot();
        EXPECT_EQ(Dump(*root, t.Root()), expected) << "read ahead: " << bReadAhead;
        EXPECT_EQ(root->GetLength(), 100 + 7 + 11 + 13 + 19 + 24);
        const CEntry* cache = Child(root, "cache");
        const CEntry* object = EntryAt(root, {"src", "main.o"});
        ASSERT_TRUE(cache && object);
        EXPECT_TRUE(cache->GetChildren().empty());
        EXPECT_EQ(cache->GetDiskSize(), 0);
        EXPECT_EQ(object->GetDiskSize(), 0);
        EXPECT_EQ(cache->GetTypeText(), "Directory (excluded)");
        EXPECT_EQ(object->GetTypeText(), "File (excluded)");
        EXPECT_EQ(FindBadTotal(root), nullptr);
        // Sizes on disk: the tree's own count against the blocks of what was kept.
        std::int64_t nKept = BlocksOnDisk(t.Root());
        for (const char* kept : {"src", "src/lib", "src/main.c", "src/notes.o.txt", "build", "build/tmpfile", "fake",
                                 "fake/blob", "fake/CACHEDIR.TAG", "\xff\xfe", "\xff\xfe/x"})
            nKept += BlocksOnDisk(t.Path(kept));
        EXPECT_EQ(root->GetDiskSize(), nKept);
    }
}

// A saved search carries what was left out both ways, in ncdu's own words; a refresh of a
// folder the rules no longer name reads it.
TEST(Exclude, SavedSearchesAndRefreshKeepWhatWasLeftOut)
{
    TempTree t;
    TempTree out;
    MakeTree(t);
    auto doc = [&] {
        const ScopedRules rules(Rules({"build/tmp"}, true));
        auto d = Search(t.Root());
        return d;
    }();
    ASSERT_TRUE(doc);
    CNcduWriter writer;
    std::string error;
    ASSERT_TRUE(writer.Open(out.Path("s.json"), error) && writer.Write(*doc->GetRoot(), error)) << error;
    const std::string saved = ReadFile(out.Path("s.json"));
    std::size_t nExcluded = 0;  // the cache and build/tmp
    for (std::size_t at = 0; (at = saved.find("\"excluded\":\"pattern\"", at)) != std::string::npos; ++at)
        ++nExcluded;
    EXPECT_EQ(nExcluded, 2u) << saved;
    CNcduReader reader;
    CEntryArena arena;
    const CEntry* back = reader.Read(out.Path("s.json"), arena);
    ASSERT_NE(back, nullptr) << reader.GetError();
    EXPECT_EQ(Dump(*back, t.Root()), Dump(*doc->GetRoot(), t.Root()));

    // A refresh under rules that still name it: CrossFileSystems.RefreshKeepsOutWhatASearchWouldLeaveOut.
    CEntry* tmp = EntryAt(doc->GetRoot(), {"build", "tmp"});
    ASSERT_TRUE(tmp != nullptr && tmp->IsExcluded());
    doc->SetCurrent(tmp);
    doc->OnRefresh();  // no rules now
    tmp = EntryAt(doc->GetRoot(), {"build", "tmp"});
    ASSERT_NE(tmp, nullptr);
    EXPECT_FALSE(tmp->IsExcluded());
    EXPECT_EQ(tmp->GetLength(), 5000);
    EXPECT_EQ(FindBadTotal(doc->GetRoot()), nullptr);
}

// --exclude, --exclude-caches and --cross-file-systems go with any action that searches,
// anywhere on the line; an --exclude without its pattern is refused.
TEST(Exclude, CommandLineTakesItsRules)
{
    TempTree t;
    const CCommandLineInfo info =
        ParseCommandLine({"volra", "--exclude", "*.o", t.Root(), "--exclude-caches", "--exclude=build/tmp"});
    EXPECT_EQ(info.strError, "");
    EXPECT_EQ(info.action, CCommandLineInfo::Action::SearchFolder);
    EXPECT_EQ(info.excludes.patterns, (std::vector<std::string>{"*.o", "build/tmp"}));
    EXPECT_TRUE(info.excludes.bExcludeCaches);
    EXPECT_FALSE(info.excludes.bCrossFileSystems);
    const CCommandLineInfo crossing = ParseCommandLine({"volra", "--cross-file-systems", t.Root()});
    EXPECT_EQ(crossing.action, CCommandLineInfo::Action::SearchFolder) << crossing.strError;
    EXPECT_TRUE(crossing.excludes.bCrossFileSystems);
    const CCommandLineInfo save = ParseCommandLine({"volra", "--save", t.Root(), "--exclude", "x", t.Path("o.json")});
    EXPECT_EQ(save.action, CCommandLineInfo::Action::Save) << save.strError;
    EXPECT_EQ(save.excludes.patterns, (std::vector<std::string>{"x"}));
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"volra", t.Root(), "--exclude"},
                                                std::vector<std::string>{"volra", "--exclude=", t.Root()}})
        EXPECT_EQ(ParseCommandLine(bad).strError, "--exclude needs a pattern");
}

// The "Search" page edits the patterns one a line, "Stay on one file system" (on at first)
// and "Include network file systems" (a choice only while crossing). Searches started
// afterwards keep to the page's rules and the command line's together; the settings keep
// them, read back clamped, and a pattern that is not UTF-8 is shown with visible escapes and
// keeps its bytes through the page and the settings file.
TEST(Exclude, PreferencesPageSetsTheRulesAndKeepsPatternsAsBytes)
{
    AppFixture f;
    CExcludeRules fromLine;
    fromLine.patterns = {"*.tmp"};
    f.app.SetCommandLineExcludes(fromLine);
    WhenModal<CPropertySheet>([](CPropertySheet& s) {
        auto& page = *static_cast<CPrefsSearch*>(s.GetPage(s.GetPageCount() - 1));
        EXPECT_EQ(page.GetCaption(), "Search");
        s.GetTabControl()->setCurrentIndex(s.GetPageCount() - 1);
        EXPECT_EQ(page.m_wndPatterns->toPlainText(), "");
        EXPECT_TRUE(page.m_wndOneFileSystem->isChecked());
        EXPECT_FALSE(page.m_wndNetwork->isChecked() || page.m_wndNetwork->isEnabled());
        page.m_wndPatterns->setPlainText("*.o\n\n  \nbuild/tmp");
        page.m_wndCaches->setChecked(true);
        // On the box itself: the check boxes are as wide as the page.
        const auto click = [](QCheckBox* pBox) {
            QTest::mouseClick(pBox, Qt::LeftButton, {}, QPoint(4, pBox->height() / 2));
        };
        click(page.m_wndOneFileSystem);
        EXPECT_TRUE(page.m_wndNetwork->isEnabled());
        click(page.m_wndNetwork);
        QTest::mouseClick(s.GetOkButton(), Qt::LeftButton);
    });
    f.Command(ID_PREFERENCES);
    const CExcludeRules& now = CExcludeRules::ForSearches();
    EXPECT_EQ(now.patterns, (std::vector<std::string>{"*.o", "build/tmp", "*.tmp"}));
    EXPECT_TRUE(now.bExcludeCaches);
    EXPECT_TRUE(now.Crossing().bCross && now.Crossing().bNetwork);
    f.app.ExitInstance();
    CExcludeRules::SetForSearches({});
    QSettings settings = PrivateSettings::Settings();
    EXPECT_EQ(settings.value("Search/OneFileSystem").toInt(), 0);
    EXPECT_EQ(settings.value("Search/NetworkFileSystems").toInt(), 1);

    // Read back: only 0 crosses, what is no number is the default, and a window crosses when
    // its preferences or its command line say so. Patterns are bytes; what is not a pattern
    // there is passed over.
    settings.setValue("Search/Exclude", QVariantList{QByteArray("*.o"), QByteArray("caf\xe9"), 42, QByteArray()});
    const CExcludeRules crossingLine = Rules({}, false, true);
    const std::pair<QVariant, bool> stored[] = {{0, true}, {7, false}, {"no", false}};
    CSearchPrefs read;
    for (const auto& [value, bCross] : stored) {
        settings.setValue("Search/OneFileSystem", value);
        settings.sync();
        read.Load();
        EXPECT_EQ(read.m_rules.bCrossFileSystems, bCross) << value.toString().toStdString();
        EXPECT_TRUE(read.m_rules.JoinedWith(crossingLine).bCrossFileSystems);
    }
    EXPECT_EQ(read.m_rules.patterns, (std::vector<std::string>{"*.o", "caf\xe9"}));
    EXPECT_TRUE(read.m_rules.bExcludeCaches);

    // Through the page: shown escaped, given back as the bytes it was.
    CPropertySheet sheet(QStringLiteral("Preferences"), nullptr);
    auto* pPage = new CPrefsSearch(read.m_rules);
    sheet.AddPage(pPage);
    WhenModal<CPropertySheet>([](CPropertySheet& s) {
        auto& page = *static_cast<CPrefsSearch*>(s.GetPage(0));
        EXPECT_EQ(page.m_wndPatterns->toPlainText(), QStringLiteral("*.o\ncaf") + QChar(0xFFFD));
        page.m_wndPatterns->appendPlainText("new");
        QTest::mouseClick(s.GetOkButton(), Qt::LeftButton);
    });
    ASSERT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(pPage->m_rules.patterns, (std::vector<std::string>{"*.o", "caf\xe9", "new"}));
}
