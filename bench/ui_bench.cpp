// ui_bench TREE [RUNS [ONLY]]
//
// What the user waits for after a click or a key. Searches TREE in the program's own
// window (offscreen, 1280x800), then drives that window with synthetic input events, as a
// user would: clicks on the toolbar's buttons, on the list's headings and on a tree node's
// expander, keys into the find field and for commands, a resize of the window. Each
// interaction is timed from the event until the frame it causes is complete: the events it
// posted have been processed (layouts, the repaint of what changed) and the whole window
// has been grabbed into a pixmap. The grab paints every visible widget afresh, so it
// stands for the frame a compositor shows, never less; "idle frame" is that grab alone
// after no event, to read the rest against. Wall-clock times (the user waits for the
// machine, whatever else it runs), the median of RUNS (5 unless given), after one run
// untimed; beside each, the median processor time of the program's thread, which a busy
// machine inflates far less than the wall clock. Interactions:
//   list          Block to List (toolbar)         sort name/size/path  a heading's click
//   reverse       the sort column's heading again   block, pie       List to Block, Block to Pie
//   tree expand   the tree panel's directory with the most subdirectories, by its expander
//   resize        the window 10% wider and higher (the block view)
//   into, up      Enter on the selected largest directory of the root, then Backspace (list)
//   refresh       F5 on a directory of about 10,000 entries (the block view)
//   find open     Ctrl+F in the list: the find field opens (and indexes the names)
//   find "k" ...  a key into the empty find field (list view beside it); "a" matches most;
//                 "sta/" typed after "sta"
// and last:
//   ui max_ms A sort_max_ms S find_max_ms F
// A: the slowest median other than the sorts and the find keys.
//
// With ONLY, just the interactions whose names hold it are measured (to profile one).
//
// The settings go to a scratch folder, removed at the end; the history keeps nothing.
#include "ScratchSettings.h"
#include "app/ChildFrame.h"
#include "app/FindBar.h"
#include "app/HistoryKeeper.h"
#include "app/MainFrame.h"
#include "app/VolraApp.h"
#include "app/VolraDocTemplate.h"
#include "doc/Resource.h"
#include "doc/VolraDoc.h"
#include "sys/FolderPath.h"
#include "views/ListHeader.h"
#include "views/TreePanelModel.h"
#include "views/VolraListView.h"
#include "views/VolraTreeView.h"

#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <time.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr UINT kModeBlock = 32772;  // the toolbar's mode buttons
constexpr UINT kModeList = 32773;
constexpr UINT kModePie = 32774;

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The processor time of this thread: what the work took without the waits for a processor
// that a busy machine adds, printed beside the wall-clock times.
double ThreadCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The entries below a directory, itself excluded.
std::size_t CountBelow(const CEntry& dir)
{
    std::size_t n = 0;
    std::vector<const CEntry*> stack{&dir};
    while (!stack.empty()) {
        const CEntry* d = stack.back();
        stack.pop_back();
        n += d->GetChildren().size();
        for (const auto& child : d->GetChildren())
            if (child->IsDirectory())
                stack.push_back(child);
    }
    return n;
}

// The directory with the most subdirectories, and the one whose entries below come
// nearest to nWanted.
std::pair<CEntry*, CEntry*> PickDirectories(CEntry& root, std::size_t nWanted)
{
    CEntry* pWidest = &root;
    std::size_t nWidest = 0;
    CEntry* pNearest = &root;
    std::size_t nDistance = SIZE_MAX;
    std::vector<CEntry*> stack{&root};
    while (!stack.empty()) {
        CEntry* d = stack.back();
        stack.pop_back();
        std::size_t nSubdirectories = 0;
        for (const auto& child : d->GetChildren()) {
            if (!child->IsDirectory())
                continue;
            ++nSubdirectories;
            stack.push_back(child);
        }
        if (nSubdirectories > nWidest && d != &root) {
            pWidest = d;
            nWidest = nSubdirectories;
        }
        const std::size_t n = CountBelow(*d);
        const std::size_t distance = n > nWanted ? n - nWanted : nWanted - n;
        if (distance < nDistance) {
            pNearest = d;
            nDistance = distance;
        }
    }
    return {pWidest, pNearest};
}

class CUiBench {
public:
    CUiBench(CMainFrame& main, int nRuns, std::string only) : m_main(main), m_nRuns(nRuns), m_only(std::move(only)) {}

    bool Attach()
    {
        m_pFrame = m_main.GetActiveChildFrame();
        m_pDoc = m_pFrame != nullptr ? m_pFrame->GetDocument() : nullptr;
        // Keys for the window's commands reach it only while it is the active window.
        m_main.activateWindow();
        if (!QTest::qWaitForWindowActive(&m_main))
            std::printf("  (the window is not active: keys may go astray)\n");
        return m_pDoc != nullptr && m_pDoc->GetRoot() != nullptr;
    }
    CVolraDoc& Doc() const { return *m_pDoc; }
    CChildFrame& Frame() const { return *m_pFrame; }

    // Lets the window react to what was sent, and grabs it: the frame is complete.
    void Settle()
    {
        QApplication::processEvents(QEventLoop::AllEvents);
        QApplication::sendPostedEvents();
        QApplication::processEvents(QEventLoop::AllEvents);
        [[maybe_unused]] const QPixmap frame = m_main.grab();
    }
    // prepare (untimed, settled) then event, timed to its frame: one run untimed, then the
    // median of the runs. Printed and kept under the kind's maximum.
    double Measure(const char* pszName, const std::function<void()>& prepare, const std::function<void()>& event)
    {
        if (std::string(pszName).find(m_only) == std::string::npos)
            return 0;
        std::vector<double> times, cpu;
        for (int run = -1; run < m_nRuns; ++run) {
            prepare();
            Settle();
            const auto start = Clock::now();
            const double cpuStart = ThreadCpuMs();
            event();
            Settle();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (run >= 0) {
                times.push_back(ms);
                cpu.push_back(ThreadCpuMs() - cpuStart);
            }
        }
        const double ms = Median(times);
        std::printf("%-28s %8.1f ms  (cpu %.1f)\n", pszName, ms, Median(cpu));
        std::fflush(stdout);
        return ms;
    }

    void ClickButton(UINT id)
    {
        auto* toolbar = m_main.findChild<QToolBar*>(QStringLiteral("Toolbar"));
        QWidget* button = toolbar != nullptr ? toolbar->widgetForAction(m_main.GetAction(id)) : nullptr;
        if (button != nullptr)
            QTest::mouseClick(button, Qt::LeftButton);
        else
            m_main.GetAction(id)->trigger();  // as a menu's item does
    }
    CVolraListView* List() const { return dynamic_cast<CVolraListView*>(m_pFrame->GetModeView(CChildFrame::kList)); }
    void ClickHeading(EListColumn column)
    {
        QHeaderView* header = List()->GetHeader();
        const int n = static_cast<int>(column);
        const QPoint at(header->sectionViewportPosition(n) + header->sectionSize(n) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    // A key to the widget with the keyboard, or to the window when none has it.
    void Key(int key)
    {
        QWidget* pTarget = QApplication::focusWidget();
        QTest::keyClick(pTarget != nullptr ? pTarget : &m_main, static_cast<Qt::Key>(key));
    }

private:
    CMainFrame& m_main;
    int m_nRuns;
    std::string m_only;  // the interactions whose names hold it are measured
    CChildFrame* m_pFrame = nullptr;
    CVolraDoc* m_pDoc = nullptr;
};

struct Maxima {
    double ui = 0;
    double sort = 0;
    double find = 0;
};

void BenchModesAndSorts(CUiBench& b, Maxima& max)
{
    b.ClickButton(kModeList);
    b.Settle();
    max.ui = std::max(max.ui,
                      b.Measure(
                          "list", [&] { b.ClickButton(kModeBlock); }, [&] { b.ClickButton(kModeList); }));
    const auto sort = [&](const char* pszName, EListColumn from, EListColumn to) {
        max.sort = std::max(max.sort,
                            b.Measure(
                                pszName, [&] { b.ClickHeading(from); }, [&] { b.ClickHeading(to); }));
    };
    sort("sort name", EListColumn::Size, EListColumn::Name);
    sort("sort size", EListColumn::Name, EListColumn::Size);
    sort("sort path", EListColumn::Size, EListColumn::Path);
    sort("reverse (path)", EListColumn::Path, EListColumn::Path);
    sort("reverse (size)", EListColumn::Size, EListColumn::Size);
    b.ClickHeading(EListColumn::Size);  // the largest first again, as the list starts
    b.Settle();
    max.ui = std::max(max.ui,
                      b.Measure(
                          "block", [&] { b.ClickButton(kModeList); }, [&] { b.ClickButton(kModeBlock); }));
    max.ui = std::max(max.ui,
                      b.Measure(
                          "pie", [&] { b.ClickButton(kModeBlock); }, [&] { b.ClickButton(kModePie); }));
    b.ClickButton(kModeBlock);
    b.Settle();
}

void BenchTreeExpand(CUiBench& b, CEntry* pWidest, Maxima& max)
{
    std::size_t nSubdirectories = 0;
    for (const auto& child : pWidest->GetChildren())
        nSubdirectories += child->IsDirectory() ? 1 : 0;
    std::printf("tree expand of %zu subdirectories at depth %d\n", nSubdirectories, pWidest->GetDepth());
    auto* pTreeView = dynamic_cast<CVolraTreeView*>(b.Frame().GetTreeView());
    QTreeView* tree = pTreeView->GetTreeCtrl();
    const auto index = [&] { return pTreeView->GetModel()->IndexOf(pWidest); };
    // Deep in the tree the node's expander lies past the panel's first width: the panel is
    // widened as a user would drag it.
    QSplitter* splitter = b.Frame().GetSplitter();
    const QList<int> sizes = splitter->sizes();
    splitter->setSizes({480, sizes.value(0) + sizes.value(1) - 480});
    const double ms = b.Measure(
        "tree expand",
        [&] {
            b.Doc().SetCurrent(pWidest->GetParent());
            QApplication::processEvents();
            tree->collapse(index());
            tree->scrollTo(index());
        },
        [&] {
            const QRect rect = tree->visualRect(index());
            const QPoint expander(rect.left() - tree->indentation() / 2, rect.center().y());
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, expander);
        });
    if (ms > 0 && !tree->isExpanded(index()))
        std::printf("  (the click did not expand the node: valid %d depth %d rect %d,%d %dx%d)\n", index().isValid(),
                    pWidest->GetDepth(), tree->visualRect(index()).x(), tree->visualRect(index()).y(),
                    tree->visualRect(index()).width(), tree->visualRect(index()).height());
    max.ui = std::max(max.ui, ms);
    splitter->setSizes(sizes);
    b.Doc().SetCurrent(b.Doc().GetRoot());
}

void BenchResize(CUiBench& b, CMainFrame& main, Maxima& max)
{
    const QSize base = main.size();
    max.ui = std::max(max.ui,
                      b.Measure(
                          "resize 10%", [&] { main.resize(base); },
                          [&] { main.resize(base.width() * 11 / 10, base.height() * 11 / 10); }));
    main.resize(base);
    b.Settle();
}

// The root's largest subdirectory, entered with Enter and left with Backspace, in the list.
void BenchIntoAndUp(CUiBench& b, Maxima& max)
{
    CEntry* pLargest = nullptr;
    for (const auto& child : b.Doc().GetRoot()->GetChildren())
        if (child->IsDirectory() && (pLargest == nullptr || child->GetSize() > pLargest->GetSize()))
            pLargest = child;
    b.ClickButton(kModeList);
    b.Settle();
    const auto select = [&] {
        b.Doc().SetCurrent(b.Doc().GetRoot());
        b.Doc().SetSelected(pLargest);
        b.Doc().UpdateAllViews(nullptr, HINT_REDRAW);
        b.List()->setFocus();
    };
    const double into = b.Measure("into (list)", select, [&] { b.Key(Qt::Key_Return); });
    max.ui = std::max(max.ui, into);
    if (into > 0 && b.Doc().GetCurrent() != pLargest)
        std::printf("  (Enter did not open the directory)\n");
    max.ui = std::max(max.ui,
                      b.Measure(
                          "up (list)",
                          [&] {
                              b.Doc().SetCurrent(pLargest);
                              b.List()->setFocus();
                          },
                          [&] { b.Key(Qt::Key_Backspace); }));
    if (b.Doc().GetCurrent() != b.Doc().GetRoot())
        std::printf("  (Backspace did not open the parent)\n");
    b.ClickButton(kModeBlock);
    b.Settle();
}

void BenchRefresh(CUiBench& b, CEntry* pNearest, Maxima& max)
{
    const std::string path = pNearest->GetPath();
    std::printf("refresh of %zu entries below\n", CountBelow(*pNearest));
    // Refresh replaces the directory's entry: it is found again by its path each time.
    max.ui = std::max(max.ui,
                      b.Measure(
                          "refresh 10k",
                          [&] {
                              if (CEntry* pDir = b.Doc().FindEntry(path))
                                  b.Doc().SetCurrent(pDir);
                          },
                          [&] { b.ClickButton(ID_REFRESH); }));
    b.Doc().SetCurrent(b.Doc().GetRoot());
}

void BenchFind(CUiBench& b, Maxima& max)
{
    b.ClickButton(kModeList);
    b.Settle();
    CFindBar* bar = b.Frame().GetFindBar();
    const auto type = [](const char* typed, const char* pattern) {
        std::string name = std::string("find \"") + pattern + "\"";
        if (typed != nullptr)
            name += std::string(" after \"") + typed + "\"";
        return name;
    };
    // Ctrl+F opens the field and indexes the names of the directory shown.
    max.ui = std::max(
        max.ui,
        b.Measure(
            "find open", [&] { bar->Close(); }, [&] { QTest::keyClick(b.List(), Qt::Key_F, Qt::ControlModifier); }));
    for (const auto& [typed, pattern] :
         {std::pair<const char*, const char*>{nullptr, "k"}, {nullptr, "x"}, {nullptr, "a"}, {"sta", "sta/"}}) {
        const std::string text = pattern;
        const double ms = b.Measure(
            type(typed, pattern).c_str(),
            [&] {
                bar->Close();
                QTest::keyClick(b.List(), Qt::Key_F, Qt::ControlModifier);
                if (typed != nullptr)
                    QTest::keyClicks(bar->GetField(), QString::fromLatin1(typed));
            },
            [&] { QTest::keyClick(bar->GetField(), text.back()); });
        if (ms > 0)
            std::printf("  rows %zu\n", b.List()->GetRows().size());
        max.find = std::max(max.find, ms);
    }
    bar->Close();
    b.ClickButton(kModeBlock);
    b.Settle();
}

int Run(CVolraApp& app, const std::string& root, int nRuns, const std::string& only)
{
    CMainFrame& main = *app.GetMainFrame();
    main.resize(1280, 800);
    main.show();
    const auto start = Clock::now();
    if (app.GetDocTemplate()->OpenDocumentFile(root) == nullptr) {
        std::fprintf(stderr, "ui_bench: the search of %s failed\n", root.c_str());
        return 1;
    }
    CUiBench b(main, nRuns, only);
    b.Settle();
    if (!b.Attach()) {
        std::fprintf(stderr, "ui_bench: no search window\n");
        return 1;
    }
    std::printf("search and first frame %.0f ms, entries below the root %zu\n",
                std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
                CountBelow(*b.Doc().GetRoot()));
    const auto [pWidest, pNearest] = PickDirectories(*b.Doc().GetRoot(), 10'000);
    Maxima max;
    b.Measure(
        "idle frame", [] {}, [] {});
    BenchModesAndSorts(b, max);
    BenchTreeExpand(b, pWidest, max);
    BenchResize(b, main, max);
    BenchIntoAndUp(b, max);
    BenchRefresh(b, pNearest, max);
    BenchFind(b, max);
    std::printf("ui max_ms %.1f sort_max_ms %.1f find_max_ms %.1f\n", max.ui, max.sort, max.find);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qtApp(argc, argv);
    Q_INIT_RESOURCE(app);
    const int nRuns = argc >= 3 ? std::atoi(argv[2]) : 5;
    std::string root, strError;
    if (argc < 2 || argc > 4 || nRuns < 1) {
        std::fprintf(stderr, "usage: ui_bench TREE [RUNS [ONLY]]\n");
        return 2;
    }
    if (!ResolveFolder(argv[1], root, strError)) {
        std::fprintf(stderr, "ui_bench: %s\n", strError.c_str());
        return 2;
    }
    const CScratchSettings scratch("ui_bench");
    if (!scratch.Ready()) {
        std::perror("ui_bench: /tmp");
        return 1;
    }
    int code = 0;
    {
        CVolraApp app;
        app.InitInstance({}, TRUE, FALSE);
        app.GetHistoryKeeper()->m_prefs.m_bKeep = FALSE;
        code = Run(app, root, nRuns, argc == 4 ? argv[3] : "");
        app.GetMainFrame()->close();
    }
    return code;
}
