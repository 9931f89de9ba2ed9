// lens_bench TREE
//
// Searches TREE without a window, then times the lenses on its root: the type table (the
// first, which also looks every extension up in the MIME database, then again), one find
// keystroke for a few patterns (names and paths, substrings and globs; searched afresh, and
// one narrowed from the pattern typed before it; the names indexed, as the find field does
// when it opens, and that index's own time), the age scale, and the block view's paint
// at 1600x1000 coloured by depth, by type and by age (with the layout kept, as a repaint
// does; after a redraw update, which lays out again; and after a change of the tree, which
// by age also scales the ages again; the preferences at their defaults, not the user's).
// Each figure is the median of several runs, in processor time of the program's thread (the
// machines these run on are shared), with the wall-clock median beside it.
//
// Then the find field as the user meets it: a list view of the root beside the find bar,
// and one key pressed into the field, timed from the key event until the list has painted
// the new rows (wall clock, as the user waits for it).
#include "app/FindBar.h"
#include "doc/DriveVolraDoc.h"
#include "doc/Resource.h"
#include "lenses/EntryFind.h"
#include "lenses/TypeTable.h"
#include "views/VolraBlockView.h"
#include "views/VolraListView.h"
#include "views/VolraPrefs.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int kRuns = 7;

double Ms(const timespec& start, const timespec& end)
{
    return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

struct Timing {
    double cpu = 0;
    double wall = 0;
};

// prepare (untimed) then work, kRuns times: the medians.
Timing MedianMs(const std::function<void()>& prepare, const std::function<void()>& work, int nRuns = kRuns)
{
    std::vector<double> cpu, wall;
    for (int i = 0; i < nRuns; ++i) {
        prepare();
        timespec c0{}, c1{}, w0{}, w1{};
        ::clock_gettime(CLOCK_MONOTONIC, &w0);
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
        work();
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
        ::clock_gettime(CLOCK_MONOTONIC, &w1);
        cpu.push_back(Ms(c0, c1));
        wall.push_back(Ms(w0, w1));
    }
    return {Median(cpu), Median(wall)};
}

void BenchTypes(const CEntry& root)
{
    const Timing catalog = MedianMs([] {}, [] { CTypeCatalog::Shared(); }, 1);
    std::printf("catalog ms %.1f (wall %.1f): the MIME database's two-part suffixes, once a run\n", catalog.cpu,
                catalog.wall);
    CTypeTable table;
    const Timing first = MedianMs([] {}, [&] { table = CTypeTable::Build(root); }, 1);
    const Timing again = MedianMs([] {}, [&] { table = CTypeTable::Build(root); });
    std::size_t nTypes = 0;
    for (const CCategoryRow& category : table.Categories())
        nTypes += category.types.size();
    std::printf("types first_ms %.1f (wall %.1f) median_ms %.1f (wall %.1f) files %llu extensions %zu\n", first.cpu,
                first.wall, again.cpu, again.wall, static_cast<unsigned long long>(table.GetFileCount()), nTypes);
}

// The index of the names that a find reads, made as the find field opens.
void BenchFindIndex(CEntry& root)
{
    CEntryFind find;
    const Timing t = MedianMs([&] { find.Forget(); }, [&] { find.Prepare(root); });
    std::printf("find index ms %.1f (wall %.1f) bytes %zu\n", t.cpu, t.wall, find.IndexBytes());
}

// One keystroke, the names indexed: the pattern searched afresh, or typed after the one
// before (narrowed when it can be).
void BenchFind(CEntry& root, const char* before, const char* pattern)
{
    CEntryFind find;
    const Timing t = MedianMs(
        [&] {
            find.Forget();
            find.Prepare(root);
            if (before != nullptr)
                find.Find(root, before);
        },
        [&] { find.Find(root, pattern); });
    std::printf("find \"%s\"%s%s%s ms %.1f (wall %.1f) matches %zu\n", pattern, before ? " after \"" : "",
                before ? before : "", before ? "\"" : "", t.cpu, t.wall, find.GetResult().GetCount());
}
// The block view's paint of the root in each colouring: repaints with the layout kept, and
// paints after an update.
void BenchPaint(CVolraDoc& doc)
{
    AfxGetPrefs().CreateFonts();
    QImage image(1600, 1000, QImage::Format_RGB32);
    for (const auto& [colourBy, name] :
         {std::pair{EColourBy::Depth, "depth"}, {EColourBy::Type, "type"}, {EColourBy::Age, "age"}}) {
        AfxGetPrefs().m_nColourBy = static_cast<int>(colourBy);
        CVolraBlockView view;
        doc.AddView(&view);
        view.resize(image.size());
        view.OnInitialUpdate();
        const auto paint = [&] { view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren); };
        paint();
        const Timing kept = MedianMs([] {}, paint, 3 * kRuns);
        const auto afterUpdate = [&](LPARAM lHint) {
            return MedianMs([] {},
                            [&] {
                                view.OnUpdate(nullptr, lHint, nullptr);
                                paint();
                            });
        };
        const Timing redrawn = afterUpdate(HINT_REDRAW);
        const Timing changed = afterUpdate(HINT_TREE_CHANGED);
        std::printf("paint %s ms %.1f (wall %.1f) after_redraw_ms %.1f (wall %.1f) after_tree_change_ms %.1f "
                    "(wall %.1f) blocks %zu\n",
                    name, kept.cpu, kept.wall, redrawn.cpu, redrawn.wall, changed.cpu, changed.wall,
                    view.GetLayout().Blocks().size());
        doc.RemoveView(&view);
    }
    AfxGetPrefs().m_nColourBy = 0;
}

void PressKey(QWidget* pWidget, int key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(pWidget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(pWidget, &release);
}

// typed (untimed) into the emptied field, then the last character of pattern, timed to the
// list's repaint.
void BenchFindField(CFindBar& bar, CVolraListView& list, const char* typed, const char* pattern)
{
    const std::string text = pattern;
    const Timing t = MedianMs(
        [&] {
            bar.Close();
            bar.Open();
            for (const char* p = typed; p != nullptr && *p != 0; ++p)
                PressKey(bar.GetField(), 0, QString(QChar(*p)));
        },
        [&] {
            PressKey(bar.GetField(), 0, QString(QChar(text.back())));
            list.GetListCtrl()->viewport()->repaint();
        });
    std::printf("find field \"%s\"%s%s%s keystroke to painted list ms %.1f (wall %.1f) rows %zu\n", pattern,
                typed ? " after \"" : "", typed ? typed : "", typed ? "\"" : "", t.cpu, t.wall, list.GetRows().size());
}

void BenchFindFields(CVolraDoc& doc)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* bar = new CFindBar(&doc, &window);
    auto* list = new CVolraListView(&window);
    layout->addWidget(bar);
    layout->addWidget(list);
    window.resize(1200, 800);
    window.show();
    doc.AddView(list);
    doc.UpdateAllViews(nullptr, HINT_TREE_CHANGED);
    BenchFindField(*bar, *list, nullptr, "k");
    BenchFindField(*bar, *list, "ka", "kal");
    BenchFindField(*bar, *list, nullptr, "x");
    BenchFindField(*bar, *list, "*.tar.g", "*.tar.gz");
    BenchFindField(*bar, *list, "sta", "sta/");
    bar->Close();
    doc.RemoveView(list);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lens_bench TREE\n");
        return 2;
    }
    const char* path = argv[1];
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    auto doc = std::make_unique<CDriveVolraDoc>();
    doc->PresetRoot(path, std::string("Folder ") + path);
    if (!doc->OnNewDocument()) {
        std::fprintf(stderr, "lens_bench: the search of %s failed\n", path);
        return 1;
    }
    CEntry& root = *doc->GetRoot();
    std::printf("entries %zu\n", doc->m_entries.EntryCount());
    BenchTypes(root);

    BenchFindIndex(root);

    for (const char* pattern : {"ka", "kalo", "*.tar.gz", "*a?o*.txt", "[k-m]*", "sta/", "*/src*/*.c"})
        BenchFind(root, nullptr, pattern);
    BenchFind(root, "kal", "kalo");
    BenchFind(root, "sta", "sta/");
    BenchFind(root, "*.tar.g", "*.tar.gz");

    BenchPaint(*doc);
    BenchFindFields(*doc);
    return 0;
}
