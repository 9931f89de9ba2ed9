// history_bench TREE [RUNS]
//
// What keeping each finished search for comparison costs the window. Opens TREE as
// "volra TREE" does, in the program's own window (offscreen), and times from the start of
// the search to the window shown with its block view painted, the history on and off in
// turn (RUNS each, 5 unless given, after one of each to warm the caches), and prints the
// medians and their ratio (target at most 1.10). A run with the history on ends once its
// search is written, so that no write overlaps the next run. Then, on one more search: the
// snapshot's bytes per entry and the time the user-interface thread takes to make it, the
// time writing it takes (format, compress at level 1, sync, rename), and the file's size.
//
// The kept searches and the settings go to scratch folders, removed at the end. Errors go
// to standard error and end it with exit code 1 (2 for a wrong command line).
#include "ScratchSettings.h"
#include "app/ChildFrame.h"
#include "app/HistoryKeeper.h"
#include "app/MainFrame.h"
#include "app/VolraApp.h"
#include "app/VolraDocTemplate.h"
#include "doc/SearchSnapshot.h"
#include "doc/VolraDoc.h"
#include "sys/FolderPath.h"
#include "views/VolraBlockView.h"

#include <QApplication>
#include <QMdiArea>
#include <QSettings>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Notes the first paint of a block view anywhere in the program.
class PaintWatch : public QObject {
public:
    bool bPainted = false;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint && dynamic_cast<CVolraBlockView*>(pWatched) != nullptr)
            bPainted = true;
        return false;
    }
};

struct Bench {
    CVolraApp& app;
    std::string root;

    // The search in its window, from the start to the block view painted; 0 on failure.
    double Open(bool bKeep)
    {
        CHistoryKeeper& keeper = *app.GetHistoryKeeper();
        keeper.m_prefs.m_bKeep = bKeep ? TRUE : FALSE;
        PaintWatch watch;
        qApp->installEventFilter(&watch);
        const auto start = Clock::now();
        if (app.GetDocTemplate()->OpenDocumentFile(root) == nullptr)
            return 0;
        while (!watch.bPainted)
            QApplication::processEvents(QEventLoop::AllEvents);
        const double ms = MsSince(start);
        qApp->removeEventFilter(&watch);
        keeper.WaitForWrites(std::chrono::minutes(10));
        return ms;
    }
    void CloseAll()
    {
        app.GetMainFrame()->GetMdiArea()->closeAllSubWindows();
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

int Measure(Bench& bench, int nRuns)
{
    std::vector<double> on, off;
    for (int run = -1; run < nRuns; ++run) {
        for (const bool bKeep : {true, false}) {
            const double ms = bench.Open(bKeep);
            bench.CloseAll();
            if (ms == 0) {
                std::fprintf(stderr, "history_bench: the search of %s failed\n", bench.root.c_str());
                return 1;
            }
            std::printf("%s %-3s %.0f ms\n", run < 0 ? "warm-up" : "run    ", bKeep ? "on" : "off", ms);
            if (run >= 0)
                (bKeep ? on : off).push_back(ms);
        }
    }
    // The fastest runs are the least disturbed by whatever else the machine runs.
    const double bestOff = *std::min_element(off.begin(), off.end());
    const double bestOn = *std::min_element(on.begin(), on.end());
    std::printf("window, history off  %.0f ms (median of %d), fastest %.0f ms\n", Median(off), nRuns, bestOff);
    std::printf("window, history on   %.0f ms, fastest %.0f ms\n", Median(on), bestOn);
    std::printf("ratio                %.3f of the medians, %.3f of the fastest (target at most 1.10)\n",
                Median(on) / Median(off), bestOn / bestOff);
    return 0;
}

// The parts of keeping, one after the other on this thread.
int Parts(Bench& bench)
{
    bench.app.GetHistoryKeeper()->m_prefs.m_bKeep = FALSE;
    CVolraDoc* pDoc = bench.app.GetDocTemplate()->OpenDocumentFile(bench.root);
    if (pDoc == nullptr)
        return 1;
    std::vector<double> takes;
    std::size_t nBytes = 0, nEntries = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        const CSearchSnapshot snapshot(*pDoc->GetRoot(), std::time(nullptr));
        takes.push_back(MsSince(start));
        nBytes = snapshot.Bytes();
        nEntries = snapshot.EntryCount();
    }
    const CSearchSnapshot snapshot(*pDoc->GetRoot(), std::time(nullptr));
    CHistoryStore store(CHistoryStore::DefaultFolder(), {});
    std::string strError;
    const auto start = Clock::now();
    if (!store.Keep(snapshot, strError)) {
        std::fprintf(stderr, "history_bench: %s\n", strError.c_str());
        return 1;
    }
    const double writeMs = MsSince(start);
    const std::vector<CKeptSearch> kept = store.List(bench.root);
    struct stat st {};
    const long long nFile = !kept.empty() && ::stat(kept[0].strPath.c_str(), &st) == 0 ? st.st_size : -1;
    std::printf("entries              %zu\n", nEntries);
    std::printf("snapshot             %.1f bytes/entry, %.0f ms on the user-interface thread (median of 5)\n",
                static_cast<double>(nBytes) / static_cast<double>(nEntries), Median(takes));
    std::printf("write                %.0f ms (JSON, gzip level 1, sync, rename)\n", writeMs);
    std::printf("kept file            %lld bytes, %.1f bytes/entry\n", nFile,
                static_cast<double>(nFile) / static_cast<double>(nEntries));
    bench.CloseAll();
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qtApp(argc, argv);
    Q_INIT_RESOURCE(app);
    const int nRuns = argc == 3 ? std::atoi(argv[2]) : 5;
    std::string root, strError;
    if ((argc != 2 && argc != 3) || nRuns < 1) {
        std::fprintf(stderr, "usage: history_bench TREE [RUNS]\n");
        return 2;
    }
    if (!ResolveFolder(argv[1], root, strError)) {
        std::fprintf(stderr, "history_bench: %s\n", strError.c_str());
        return 2;
    }
    const CScratchSettings scratch("history_bench");
    if (!scratch.Ready()) {
        std::perror("history_bench: /tmp");
        return 1;
    }
    int code = 0;
    {
        CVolraApp app;
        app.InitInstance({}, TRUE, FALSE);
        Bench bench{app, root};
        code = Measure(bench, nRuns);
        if (code == 0)
            code = Parts(bench);
        app.GetMainFrame()->close();
    }
    return code;
}
