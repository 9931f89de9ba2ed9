#include "AppFixture.h"
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
const char kTag[] = "Signature: 8a477f597d28d172789f06886806bc55\n# a cache\n";

// Sets the rules every search started meanwhile keeps to, and puts back none after.
struct ScopedRules {
    explicit ScopedRules(CExcludeRules rules) { CExcludeRules::SetForSearches(std::move(rules)); }
    ~ScopedRules() { CExcludeRules::SetForSearches({}); }
};

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
    WriteBytes(t.Path("cache/CACHEDIR.TAG"), kTag);
    WriteBytes(t.Path("fake/CACHEDIR.TAG"), "Signature: not this one\n");
}

CExcludeRules Rules(std::vector<std::string> patterns, bool bCaches)
{
    CExcludeRules rules;
    rules.patterns = std::move(patterns);
    rules.bExcludeCaches = bCaches;
    return rules;
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
// folder still matched by a pattern keeps it out, and one the rules no longer name is read.
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

    CEntry* tmp = EntryAt(doc->GetRoot(), {"build", "tmp"});
    ASSERT_TRUE(tmp != nullptr && tmp->IsExcluded());
    {
        const ScopedRules rules(Rules({"build/tmp"}, false));
        doc->SetCurrent(tmp);
        doc->OnRefresh();
        tmp = EntryAt(doc->GetRoot(), {"build", "tmp"});
        ASSERT_NE(tmp, nullptr);
        EXPECT_TRUE(tmp->IsExcluded());
        EXPECT_EQ(tmp->GetLength(), 0);
    }
    doc->SetCurrent(tmp);
    doc->OnRefresh();  // no rules now
    tmp = EntryAt(doc->GetRoot(), {"build", "tmp"});
    ASSERT_NE(tmp, nullptr);
    EXPECT_FALSE(tmp->IsExcluded());
    EXPECT_EQ(tmp->GetLength(), 5000);
    EXPECT_EQ(FindBadTotal(doc->GetRoot()), nullptr);
}

// --exclude and --exclude-caches go with any action that searches, anywhere on the line;
// one without its pattern is refused.
TEST(Exclude, CommandLineTakesItsRules)
{
    TempTree t;
    const CCommandLineInfo info =
        ParseCommandLine({"volra", "--exclude", "*.o", t.Root(), "--exclude-caches", "--exclude=build/tmp"});
    EXPECT_EQ(info.strError, "");
    EXPECT_EQ(info.action, CCommandLineInfo::Action::SearchFolder);
    EXPECT_EQ(info.excludes.patterns, (std::vector<std::string>{"*.o", "build/tmp"}));
    EXPECT_TRUE(info.excludes.bExcludeCaches);
    const CCommandLineInfo save = ParseCommandLine({"volra", "--save", t.Root(), "--exclude", "x", t.Path("o.json")});
    EXPECT_EQ(save.action, CCommandLineInfo::Action::Save) << save.strError;
    EXPECT_EQ(save.excludes.patterns, (std::vector<std::string>{"x"}));
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"volra", t.Root(), "--exclude"},
                                                std::vector<std::string>{"volra", "--exclude=", t.Root()}})
        EXPECT_EQ(ParseCommandLine(bad).strError, "--exclude needs a pattern");
}

// The "Search" page edits the patterns one a line; a stored pattern that is not UTF-8 is
// shown with visible escapes and keeps its bytes through the page and the settings file.
// Searches started afterwards keep to the page's rules and the command line's together.
TEST(Exclude, PreferencesPageKeepsPatternsAsBytes)
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
        page.m_wndPatterns->setPlainText("*.o\n\n  \nbuild/tmp");
        page.m_wndCaches->setChecked(true);
        QTest::mouseClick(s.GetOkButton(), Qt::LeftButton);
    });
    f.Command(ID_PREFERENCES);
    const CExcludeRules& now = CExcludeRules::ForSearches();
    EXPECT_EQ(now.patterns, (std::vector<std::string>{"*.o", "build/tmp", "*.tmp"}));
    EXPECT_TRUE(now.bExcludeCaches);
    f.app.ExitInstance();
    CExcludeRules::SetForSearches({});

    // Bytes through the settings file; what is not a pattern there is passed over.
    QSettings settings = PrivateSettings::Settings();
    settings.setValue("Search/Exclude", QVariantList{QByteArray("*.o"), QByteArray("caf\xe9"), 42, QByteArray()});
    settings.sync();
    CSearchPrefs read;
    read.Load();
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
