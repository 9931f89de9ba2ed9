// list_bench PATH
//
// Searches PATH without a window, then times the list view's work on the rows of the root
// with "Show all contained files" on (every entry below the root), and the tree panel's
// expansion of the directory with the most subdirectories. Prints the view's figures (a
// whole update, header clicks, one paint, heap bytes per row that the view keeps), the
// same view's while the search is compared with a second search of PATH (an update, the
// Change column's click, "Show removed" and "Show changed only" turned on), the tree
// panel's, and on its last line:
//   rows N gather_ms G size_ms S name_ms M path_ms P
// G: gathering the rows; S: sorting them by size from scratch; M: sorting them again by
// name; P: sorting them again by path (each re-sort gathers afresh, as the view does).
// Times are processor time of the program's thread, the best of three runs.
#include "doc/DriveVolraDoc.h"
#include "doc/Resource.h"
#include "model/SearchComparison.h"
#include "views/ListOrder.h"
#include "views/TreePanelModel.h"
#include "views/VolraListView.h"
#include "views/VolraTreeView.h"

#include <QApplication>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <memory>
#include <vector>

namespace {
// The processor time the work took on this thread: the machines these run on are shared,
// and waiting for a processor is no part of the work. The wall-clock time of the last
// measurement is kept beside it.
double g_lastWallMs = 0;

double TimeMs(const std::function<void()>& work)
{
    timespec start{};
    timespec end{};
    timespec wallStart{};
    timespec wallEnd{};
    ::clock_gettime(CLOCK_MONOTONIC, &wallStart);
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    work();
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    ::clock_gettime(CLOCK_MONOTONIC, &wallEnd);
    g_lastWallMs = double(wallEnd.tv_sec - wallStart.tv_sec) * 1e3 + double(wallEnd.tv_nsec - wallStart.tv_nsec) / 1e6;
    return double(end.tv_sec - start.tv_sec) * 1e3 + double(end.tv_nsec - start.tv_nsec) / 1e6;
}

// The best of a few runs of the same work.
double BestMs(const std::function<void()>& work, int nRuns = 3)
{
    double best = TimeMs(work);
    for (int i = 1; i < nRuns; ++i)
        best = std::min(best, TimeMs(work));
    return best;
}

long long HeapInUse() { return static_cast<long long>(mallinfo2().uordblks); }

// The directory with the most subdirectories, and how many it has.
std::pair<CEntry*, std::size_t> WidestDirectory(CEntry& root)
{
    std::pair<CEntry*, std::size_t> widest{&root, 0};
    std::vector<CEntry*> stack{&root};
    while (!stack.empty()) {
        CEntry* d = stack.back();
        stack.pop_back();
        std::size_t n = 0;
        for (const auto& child : d->GetChildren()) {
            if (child->IsDirectory()) {
                ++n;
                stack.push_back(child);
            }
        }
        if (n > widest.second)
            widest = {d, n};
    }
    return widest;
}

void BenchListView(CVolraDoc& doc, std::size_t nRows)
{
    const long long heapBefore = HeapInUse();
    auto view = std::make_unique<CVolraListView>();
    view->resize(1200, 800);
    doc.AddView(view.get());
    const double update = TimeMs([&] { view->OnUpdate(nullptr, HINT_REDRAW, nullptr); });
    const long long heapAfter = HeapInUse();
    const double name = TimeMs([&] { view->OnColumnClick(static_cast<int>(EListColumn::Name)); });
    const double path = TimeMs([&] { view->OnColumnClick(static_cast<int>(EListColumn::Path)); });
    const double reverse = TimeMs([&] { view->OnColumnClick(static_cast<int>(EListColumn::Path)); });
    view->show();
    QCoreApplication::processEvents();
    const double paint = TimeMs([&] { view->grab(); });
    std::printf("view update_ms %.1f name_click_ms %.1f path_click_ms %.1f reverse_click_ms %.1f paint_ms %.1f\n",
                update, name, path, reverse, paint);
    std::printf("view heap_bytes_per_row %.2f (the view with its rows, beyond the tree)\n",
                nRows > 0 ? double(heapAfter - heapBefore) / double(nRows) : 0.0);
    doc.RemoveView(view.get());
}

// A second search of the same folder matches every entry, and every directory is asked for
// the items it lost: the most work a comparison costs the list for a tree this size.
void BenchComparedList(CVolraDoc& doc, const char* path)
{
    auto earlier = std::make_unique<CDriveVolraDoc>();
    earlier->PresetRoot(path, std::string("Folder ") + path);
    if (!earlier->OnNewDocument()) {
        std::printf("compared: the second search failed\n");
        return;
    }
    doc.SetComparison(std::make_unique<CSearchComparison>(*earlier->GetRoot(), *doc.GetRoot()));
    auto view = std::make_unique<CVolraListView>();
    view->resize(1200, 800);
    doc.AddView(view.get());
    const double update = TimeMs([&] { view->OnUpdate(nullptr, HINT_REDRAW, nullptr); });
    const double change = TimeMs([&] { view->OnColumnClick(static_cast<int>(EListColumn::Change)); });
    const double removed = TimeMs([&] { view->OnCmdMsg(ID_SHOW_REMOVED, nullptr); });
    const double changed = TimeMs([&] { view->OnCmdMsg(ID_SHOW_CHANGED_ONLY, nullptr); });
    std::printf("compared update_ms %.1f change_click_ms %.1f show_removed_ms %.1f changed_only_ms %.1f\n", update,
                change, removed, changed);
    doc.RemoveView(view.get());
    doc.SetComparison(nullptr);  // before the earlier search goes
}

void BenchTreePanel(CVolraDoc& doc)
{
    const auto [pWidest, nSubdirectories] = WidestDirectory(*doc.GetRoot());
    CVolraTreeView tree;
    tree.resize(300, 800);
    doc.AddView(&tree);
    // The panel after a search, then the widest directory's parent revealed, untimed.
    doc.SetCurrent(pWidest->GetParent() != nullptr ? pWidest->GetParent() : pWidest);
    double expand = TimeMs([&] { tree.OnUpdate(nullptr, HINT_TREE_CHANGED, nullptr); });
    tree.show();
    QCoreApplication::processEvents();
    if (pWidest->GetParent() != nullptr) {
        // Its expansion as a click on its button makes it, and the paint that shows it.
        const QModelIndex index = tree.GetModel()->IndexOf(pWidest);
        expand = TimeMs([&] {
            tree.GetTreeCtrl()->expand(index);
            tree.grab();
        });
    }
    std::printf("tree expand_ms %.1f (wall %.1f) subdirectories %zu nodes %d\n", expand, g_lastWallMs, nSubdirectories,
                tree.GetModel()->NodeCount());
    doc.RemoveView(&tree);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: list_bench PATH\n");
        return 2;
    }
    const char* path = argv[1];
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    auto doc = std::make_unique<CDriveVolraDoc>();
    doc->PresetRoot(path, std::string("Folder ") + path);
    if (!doc->OnNewDocument()) {
        std::fprintf(stderr, "list_bench: the search of %s failed\n", path);
        return 1;
    }
    const CEntry& root = *doc->GetRoot();

    std::vector<CEntry*> rows;
    const double gather = BestMs([&] { GatherListRows(root, true, rows); });
    double size = 0;
    for (int i = 0; i < 3; ++i) {
        GatherListRows(root, true, rows);
        const double ms = TimeMs([&] { SortGatheredRows(EListColumn::Size, rows); });
        size = i == 0 ? ms : std::min(size, ms);
    }
    const double name = BestMs([&] { OrderListRows(root, true, EListColumn::Name, rows); });
    const double byPath = BestMs([&] { OrderListRows(root, true, EListColumn::Path, rows); });
    const std::size_t nRows = rows.size();
    rows.clear();
    rows.shrink_to_fit();

    BenchListView(*doc, nRows);
    BenchComparedList(*doc, path);
    BenchTreePanel(*doc);
    std::printf("rows %zu gather_ms %.1f size_ms %.1f name_ms %.1f path_ms %.1f\n", nRows, gather, size, name, byPath);
    return 0;
}
