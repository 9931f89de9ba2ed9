// The lenses in the running program: View > Colour by, its keeping in the settings, the
// status bar's age, and --snapshot --colour.
#include "AppFixture.h"
#include "RunProgram.h"

#include "app/LensControl.h"
#include "doc/Resource.h"
#include "support/DocHarness.h"
#include "support/Input.h"
#include "views/LensColour.h"
#include "views/TypesModel.h"
#include "views/VolraBlockView.h"
#include "views/VolraTypesView.h"

#include <QDockWidget>
#include <QImage>
#include <QMdiArea>
#include <QStatusBar>

#include <tuple>

namespace {
// Which of the three colourings the menu shows chosen: depth, type, age.
std::tuple<bool, bool, bool> Chosen(AppFixture& f)
{
    return {f.Checked(ID_COLOUR_BY_DEPTH), f.Checked(ID_COLOUR_BY_TYPE), f.Checked(ID_COLOUR_BY_AGE)};
}
}  // namespace

// One of three is chosen at a time; the choice outlives the program, and a value out of
// range in the settings file gives the usual palette.
TEST(Lenses, ColourByIsOneOfThreeAndOutlivesTheProgram)
{
    auto f = std::make_unique<AppFixture>();
    ASSERT_NE(f->Open(), nullptr);
    EXPECT_TRUE(f->Enabled(ID_COLOUR_BY));
    EXPECT_EQ(Chosen(*f), std::tuple(true, false, false));
    const std::tuple<UINT, std::tuple<bool, bool, bool>> choices[] = {
        {ID_COLOUR_BY_TYPE, {false, true, false}},
        {ID_COLOUR_BY_AGE, {false, false, true}},
        {ID_COLOUR_BY_DEPTH, {true, false, false}},
        {ID_COLOUR_BY_TYPE, {false, true, false}},
    };
    for (const auto& [id, chosen] : choices) {
        f->Command(id);
        EXPECT_EQ(Chosen(*f), chosen) << id;
    }
    f->Frame().close();
    f->app.ExitInstance();
    // The program starts again on the same settings: first as it left them (File type still
    // chosen), then as a hand may have edited them.
    for (const auto& [stored, chosen] : {std::pair{"", ID_COLOUR_BY_TYPE},
                                         {"2", ID_COLOUR_BY_AGE},
                                         {"7", ID_COLOUR_BY_DEPTH},
                                         {"-1", ID_COLOUR_BY_DEPTH},
                                         {"age", ID_COLOUR_BY_DEPTH}}) {
        if (*stored != '\0')
            PrivateSettings::Settings().setValue(QStringLiteral("Block/ColourBy"), QString::fromLatin1(stored));
        AfxGetPrefs() = CVolraPrefs();
        CVolraApp next;
        next.InitInstance({}, FALSE, FALSE);
        CCmdUI ui(chosen);
        UpdateCommandUI(*next.GetMainFrame(), ui);
        EXPECT_EQ(ui.m_nCheck, 1) << stored;
        next.GetMainFrame()->close();
    }
}

// Hovering a block tells its age while the blocks are coloured by age, and only then; the
// block view repaints at once with the new colours.
TEST(Lenses, HoveringTellsTheAgeWhileColouredByAge)
{
    AppFixture f;
    CVolraDoc* doc = f.Open();
    ASSERT_NE(doc, nullptr);
    f.Frame().show();
    auto* view = dynamic_cast<CVolraBlockView*>(f.Frame().GetActiveChildFrame()->GetCurrentView());
    ASSERT_NE(view, nullptr);
    const CEntry* top = Child(doc->GetRoot(), "top.bin");
    const auto hover = [&] {
        QCoreApplication::processEvents();
        view->grab();  // lays the blocks out
        const QPoint at = view->GetLayout().RectOf(top).value_or(CRect()).ToQRect().center();
        SendMouse(view, QEvent::MouseMove, at);
        return f.Frame().statusBar()->currentMessage().toStdString();
    };
    const std::string plain = f.tree.Path("top.bin") + " | 4.00k | File";
    EXPECT_EQ(hover(), plain);
    f.Command(ID_COLOUR_BY_AGE);
    EXPECT_EQ(hover(), plain + " | modified just now");
    const QRect rc = view->GetLayout().RectOf(top).value_or(CRect()).ToQRect();
    const QColor fill = view->grab().toImage().pixelColor(rc.right() - 2, rc.bottom() - 2);
    EXPECT_EQ(fill.blue(), CLensColour::Shade(CLensColour::AgeColour(0), top->GetColour()).blue())
        << "the only file of its age is the newest";
    f.Command(ID_COLOUR_BY_TYPE);
    EXPECT_EQ(hover(), plain);
}

// --colour takes the three words and refuses any other as a wrong command line, before
// searching anything.
TEST(Lenses, SnapshotTakesAColouring)
{
    TempTree t;
    t.File("tree/movie.mkv", 5000);
    t.File("tree/song.ogg", 3000);
    const std::string shot = t.Path("shot.png");
    const auto run = [&](const std::string& colour) {
        return RunProgram(t, {"--snapshot", t.Path("tree"), "--colour", colour, "--size", "300x100", "--output", shot});
    };
    for (const std::string bad : {"bogus", "TYPE"}) {
        EXPECT_EQ(
            run(bad),
            (ProgramRun{2, "", "volra: --colour \"" + bad + "\" is not a colouring; choose depth, type or age\n"}));
        EXPECT_FALSE(Exists(shot));
    }
    for (const char* colour : {"depth", "type", "age"})
        EXPECT_EQ(run(colour), (ProgramRun{0, "", ""})) << colour;
    // The last one drawn: by age, both files new.
    const QImage image = QImage::fromData(QByteArray::fromStdString(ReadFile(shot)));
    ASSERT_EQ(image.size(), QSize(300, 100));
    EXPECT_EQ(run("type"), (ProgramRun{0, "", ""}));
    const QImage byType = QImage::fromData(QByteArray::fromStdString(ReadFile(shot)));
    // The larger file, the video, fills the middle of the left part, in one of the shades
    // of its category (by its place in the listing).
    bool bVideo = false;
    for (int nColour = 0; nColour < 8; ++nColour)
        bVideo = bVideo
            || byType.pixelColor(60, 80)
                == CLensColour::Shade(CLensColour::CategoryColour(FileCategory::Video), nColour);
    EXPECT_TRUE(bVideo) << byType.pixelColor(60, 80).name().toStdString();
    EXPECT_NE(image.pixelColor(60, 80), byType.pixelColor(60, 80));
}

// View > File types shows the panel; it follows the active window, and a window closing
// leaves it empty.
TEST(Lenses, TheFileTypesPanelFollowsTheActiveWindow)
{
    AppFixture f;
    TempTree other;
    other.Files({{"a.png", 10}, {"b.png", 20}, {"c.mp3", 30}, {"d/e.png", 40}});
    f.Frame().show();
    CVolraDoc* first = f.Open();
    ASSERT_NE(first, nullptr);
    CVolraTypesView* panel = f.Frame().GetLenses().GetTypesView();
    EXPECT_FALSE(f.Checked(ID_VIEW_FILE_TYPES));
    EXPECT_EQ(panel->GetBuildCount(), 0) << "hidden: nothing built";
    EXPECT_EQ(panel->GetDocument(), nullptr) << "hidden: not one of the search's views";
    f.Command(ID_VIEW_FILE_TYPES);
    EXPECT_TRUE(f.Checked(ID_VIEW_FILE_TYPES));
    EXPECT_TRUE(panel->isVisible());
    const auto files = [&] { return panel->GetModel()->GetTable().GetFileCount(); };
    EXPECT_EQ(files(), 3U) << "top.bin, sub/a.txt, sub/deeper/b.txt";

    CVolraDoc* second = f.app.GetDocTemplate()->OpenDocumentFile(other.Root());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(panel->GetDocument(), second);
    EXPECT_EQ(files(), 4U);
    const QModelIndex images = panel->GetModel()->index(0, CTypesModel::Name);
    EXPECT_EQ(images.data().toString(), "images");
    EXPECT_EQ(images.siblingAtColumn(CTypesModel::Count).data().toString(), "3");
    second->SetCurrent(Child(second->GetRoot(), "d"));
    EXPECT_EQ(files(), 1U) << "the current directory's files";

    f.Frame().GetMdiArea()->activatePreviousSubWindow();
    EXPECT_EQ(panel->GetDocument(), first);
    EXPECT_EQ(files(), 3U);
    f.Frame().GetLenses().GetTypesDock()->close();  // its own close button
    EXPECT_FALSE(f.Checked(ID_VIEW_FILE_TYPES));
    EXPECT_EQ(panel->GetDocument(), nullptr);
    f.Command(ID_VIEW_FILE_TYPES);
    EXPECT_EQ(panel->GetDocument(), first);
    f.Frame().GetMdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(panel->GetDocument(), nullptr);
    EXPECT_EQ(files(), 0U);
    f.Command(ID_VIEW_FILE_TYPES);
    EXPECT_FALSE(panel->isVisible());
}
