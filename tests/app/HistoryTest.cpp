#include "AppFixture.h"
#include "app/AppCommands.h"
#include "app/HistoryKeeper.h"
#include "app/PrefsHistory.h"
#include "doc/Resource.h"
#include "doc/VolraDoc.h"
#include "framework/PropertySheet.h"
#include "framework/SpinEdit.h"
#include "support/DocHarness.h"
#include "sys/ThreadStart.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <ctime>

using namespace std::chrono_literals;

// Each search of this machine that finishes in a window is kept, once, in the user's data
// folder, and nothing else is: not a refresh, not a saved search opened, nothing while the
// history is off. When no thread can write it, or its folder cannot be made, the status bar
// says so.
TEST(History, KeepsFinishedLocalSearchesOnly)
{
    AppFixture f;
    CHistoryKeeper& keeper = *f.app.GetHistoryKeeper();
    ASSERT_EQ(CHistoryStore::DefaultFolder(), f.dataHome.Path("volra/history"));
    const CHistoryStore store(CHistoryStore::DefaultFolder(), {});
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(keeper.WaitForWrites(10s));
    std::vector<CKeptSearch> kept = store.List(f.tree.Root());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].nLength, 4096 + 1000 + 24);
    EXPECT_LE(std::abs(kept[0].nFinished - std::time(nullptr)), 60);

    // Whatever were kept from here on would have another total, so another name.
    f.tree.File("more", 100);
    f.Command(ID_REFRESH);
    ASSERT_EQ(doc->GetRoot()->GetLength(), 4096 + 1000 + 24 + 100);
    ASSERT_TRUE(doc->SaveSearch(f.dataHome.Path("saved.json")));
    EXPECT_NE(f.app.GetDocTemplate()->OpenDocumentFile(f.dataHome.Path("saved.json")), nullptr);
    keeper.m_prefs.m_bKeep = FALSE;
    EXPECT_NE(f.Open(), nullptr);
    keeper.m_prefs.m_bKeep = TRUE;
    SetThreadStartHook([] { return true; });
    EXPECT_NE(f.Open(), nullptr);
    SetThreadStartHook(nullptr);
    EXPECT_EQ(f.Frame().statusBar()->currentMessage(), "Search not kept for comparison: no thread could be started");
    ASSERT_TRUE(keeper.WaitForWrites(10s));
    EXPECT_EQ(store.List(f.tree.Root()).size(), 1u);
    EXPECT_EQ(store.Roots(), std::vector<std::string>{f.tree.Root()});

    // A data folder that cannot be made: a word on the status bar, and no box.
    const ScopedEnv blocked("XDG_DATA_HOME", f.dataHome.Path("saved.json"));
    ErrorBoxes boxes;
    EXPECT_NE(f.Open(), nullptr);
    ASSERT_TRUE(keeper.WaitForWrites(10s));
    EXPECT_EQ(f.Frame().statusBar()->currentMessage().toStdString(),
              "Search not kept for comparison: " + f.dataHome.Path("saved.json/volra/history") + ": Not a directory");
    EXPECT_TRUE(boxes.shown.empty());
}

// The "History" page edits the three preferences, which are written to section "History"
// at exit as they were typed, and brought within their ranges where the history uses them.
TEST(History, PreferencesPageStoresTheValuesAndTheStoreClampsThem)
{
    AppFixture f;
    CHistoryPrefs& prefs = f.app.GetHistoryKeeper()->m_prefs;
    EXPECT_EQ(std::tuple(prefs.m_bKeep, prefs.m_nPerFolder, prefs.m_nSpaceMiB), std::tuple(1, 10, 1024));
    WhenModal<CPropertySheet>([](CPropertySheet& s) {
        ASSERT_EQ(s.GetPageCount(), 6);
        auto& page = *static_cast<CPrefsHistory*>(s.GetPage(4));
        EXPECT_EQ(page.GetCaption(), "History");
        s.GetTabControl()->setCurrentIndex(4);
        EXPECT_TRUE(page.m_wndKeep->isChecked());
        EXPECT_EQ(page.m_wndPerFolderSpin->GetEdit()->text(), "10");
        EXPECT_EQ(page.m_wndSpaceSpin->GetEdit()->text(), "1024");
        page.m_wndKeep->click();
        EXPECT_FALSE(page.m_wndSpaceSpin->isEnabled());
        page.m_wndPerFolderSpin->GetEdit()->setText(QStringLiteral("0"));
        page.m_wndSpaceSpin->GetEdit()->setText(QStringLiteral("5000000"));
        QTest::mouseClick(s.GetOkButton(), Qt::LeftButton);
    });
    f.Command(ID_PREFERENCES);
    EXPECT_EQ(std::tuple(prefs.m_bKeep, prefs.m_nPerFolder, prefs.m_nSpaceMiB), std::tuple(0, 0, 5000000));
    const CHistoryStore::Limits limits = prefs.StoreLimits();
    EXPECT_EQ(limits.nPerRoot, 1u);
    EXPECT_EQ(limits.nBytes, std::uint64_t{1} << 40);
    f.app.ExitInstance();
    QSettings settings = PrivateSettings::Settings();
    EXPECT_EQ(settings.value("History/Keep").toInt(), 0);
    EXPECT_EQ(settings.value("History/PerFolder").toInt(), 0);
    EXPECT_EQ(settings.value("History/SpaceMiB").toInt(), 5000000);

    settings.setValue("History/PerFolder", 5000);
    settings.setValue("History/SpaceMiB", "a lot");
    settings.sync();
    CHistoryPrefs read;
    read.Load();
    EXPECT_EQ(std::tuple(read.m_bKeep, read.m_nPerFolder, read.m_nSpaceMiB), std::tuple(0, 5000, 1024));
    EXPECT_EQ(read.StoreLimits().nPerRoot, 1000u);
}
