// paint_bench [--mode block|pie|spider] [--png FILE] [--size WxH] [--border B] PATH
//
// Searches PATH without a window, then paints a view of its root at 1600x1000 (or the
// given size) offscreen, as the program does.
//
// Block (the default): the first paint lays the tree out, later paints reuse that layout.
// A second series lays out afresh before every paint (as after a change of the tree).
// Prints the tree's size and both series, and on its last line:
//   paints N median_ms M blocks B
// M: the median of the N paints that reuse the layout; B: blocks drawn in one paint.
// --border overrides the preference (the default, 14, leaves little room for deep levels;
// small borders make many more blocks).
//
// Pie: each of N rounds rebuilds the slices from the directory (as every update does),
// lays them out and paints; a second series repaints with the layout kept. Last line:
//   update_and_paint N median_ms M max_ms X cpu_ms C slices S labels L
// Spider: every paint walks the subtree afresh. Last line:
//   paints N median_ms M max_ms X cpu_ms C lines L visited V
//
// cpu_ms: the same series in this thread's processor time, which a busy machine distorts
// less than the clock. With --png the last paint is saved to FILE.
#include "doc/DriveVolraDoc.h"
#include "doc/Resource.h"
#include "views/VolraBlockView.h"
#include "views/VolraPieView.h"
#include "views/VolraPrefs.h"
#include "views/VolraSpiderView.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr int kPaints = 20;

double PaintMs(CView& view, QImage& image)
{
    const auto start = std::chrono::steady_clock::now();
    // Only the view's own painting: it covers every pixel, no background is needed.
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The layout alone, as the view makes it: same tree, rectangle, border and font.
double LayoutMs(CEntry& root, int nWidth, int nHeight)
{
    const CBlockViewStyle style = CBlockViewStyle::FromPrefs();
    const QFontMetrics fm(style.fontAcross);
    const CBlockLayout::TextMetrics metrics{fm.height(),
                                            [&fm](const QString& text) { return fm.horizontalAdvance(text); }};
    CBlockLayout layout;
    const auto start = std::chrono::steady_clock::now();
    layout.Build(root, CRect(0, 0, nWidth, nHeight), style.nBorder, metrics);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double ThreadCpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Max(const std::vector<double>& values) { return *std::max_element(values.begin(), values.end()); }

void BenchBlock(CVolraDoc& doc, int nWidth, int nHeight, QImage& image)
{
    CVolraBlockView view;
    doc.AddView(&view);
    view.resize(nWidth, nHeight);
    view.OnInitialUpdate();
    std::vector<double> cached;
    for (int i = 0; i < kPaints; ++i)
        cached.push_back(PaintMs(view, image));
    std::vector<double> fresh;
    for (int i = 0; i < kPaints; ++i) {
        view.OnUpdate(nullptr, HINT_TREE_CHANGED, nullptr);
        fresh.push_back(PaintMs(view, image));
    }
    std::vector<double> layoutOnly;
    for (int i = 0; i < kPaints; ++i)
        layoutOnly.push_back(LayoutMs(*doc.GetCurrent(), nWidth, nHeight));
    std::printf("first_paint_ms %.2f (lays the tree out)\n", cached.front());
    std::printf("layout_only %d median_ms %.2f\n", kPaints, Median(layoutOnly));
    std::printf("relayout_paints %d median_ms %.2f max_ms %.2f\n", kPaints, Median(fresh), Max(fresh));
    std::printf("paints %d median_ms %.2f blocks %zu\n", kPaints, Median(cached), view.GetLayout().Blocks().size());
    doc.RemoveView(&view);
}

void BenchPie(CVolraDoc& doc, int nWidth, int nHeight, QImage& image)
{
    CVolraPieView view;
    doc.AddView(&view);
    view.resize(nWidth, nHeight);
    std::vector<double> rebuilt;
    std::vector<double> rebuiltCpu;
    std::vector<double> updateOnly;
    for (int i = 0; i < kPaints; ++i) {
        const double cpu = ThreadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        view.OnUpdate(nullptr, HINT_REDRAW, nullptr);
        const double update =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        updateOnly.push_back(update);
        rebuilt.push_back(update + PaintMs(view, image));
        rebuiltCpu.push_back(ThreadCpuMs() - cpu);
    }
    std::vector<double> cached;
    for (int i = 0; i < kPaints; ++i)
        cached.push_back(PaintMs(view, image));
    const auto& slices = view.GetChart().Slices();
    const auto nLabels =
        std::count_if(slices.begin(), slices.end(), [](const CPieSlice& s) { return s.m_label.IsVisible(); });
    const auto nDrawn = std::count_if(slices.begin(), slices.end(), [](const CPieSlice& s) { return s.IsDrawn(); });
    std::printf("update_only %d median_ms %.2f\n", kPaints, Median(updateOnly));
    std::printf("paints %d median_ms %.2f (layout kept)\n", kPaints, Median(cached));
    std::printf("drawn_slices %td\n", nDrawn);
    std::printf("update_and_paint %d median_ms %.2f max_ms %.2f cpu_ms %.2f slices %zu labels %td\n", kPaints,
                Median(rebuilt), Max(rebuilt), Median(rebuiltCpu), slices.size(), nLabels);
    doc.RemoveView(&view);
}

void BenchSpider(CVolraDoc& doc, int nWidth, int nHeight, QImage& image)
{
    CVolraSpiderView view;
    doc.AddView(&view);
    view.resize(nWidth, nHeight);
    view.OnInitialUpdate();
    std::vector<double> paints;
    std::vector<double> paintsCpu;
    for (int i = 0; i < kPaints; ++i) {
        const double cpu = ThreadCpuMs();
        paints.push_back(PaintMs(view, image));
        paintsCpu.push_back(ThreadCpuMs() - cpu);
    }
    std::printf("paints %d median_ms %.2f max_ms %.2f cpu_ms %.2f lines %zu visited %lld\n", kPaints, Median(paints),
                Max(paints), Median(paintsCpu), view.GetLayout().Lines().size(),
                static_cast<long long>(view.GetLayout().Visited()));
    doc.RemoveView(&view);
}
}  // namespace

int main(int argc, char** argv)
{
    const char* path = nullptr;
    const char* png = nullptr;
    int nWidth = 1600;
    int nHeight = 1000;
    int nBorder = -1;
    std::string mode = "block";
    bool bUsage = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mode") == 0 && i + 1 < argc)
            mode = argv[++i];
        else if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc)
            png = argv[++i];
        else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc)
            bUsage |= std::sscanf(argv[++i], "%dx%d", &nWidth, &nHeight) != 2 || nWidth <= 0 || nHeight <= 0;
        else if (std::strcmp(argv[i], "--border") == 0 && i + 1 < argc)
            bUsage |= std::sscanf(argv[++i], "%d", &nBorder) != 1 || nBorder < 0;
        else
            path = argv[i];
    }
    bUsage |= mode != "block" && mode != "pie" && mode != "spider";
    if (path == nullptr || bUsage) {
        std::fprintf(stderr,
                     "usage: paint_bench [--mode block|pie|spider] [--png FILE] [--size WxH] [--border B] PATH\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (nBorder >= 0)
        AfxGetPrefs().m_nBorder = nBorder;

    auto doc = std::make_unique<CDriveVolraDoc>();
    doc->PresetRoot(path, std::string("Folder ") + path);
    if (!doc->OnNewDocument()) {
        std::fprintf(stderr, "paint_bench: the search of %s failed\n", path);
        return 1;
    }
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    std::printf("entries %lld\n", static_cast<long long>(doc->m_entries.EntryCount()) - 1);  // the root not counted
    if (mode == "pie")
        BenchPie(*doc, nWidth, nHeight, image);
    else if (mode == "spider")
        BenchSpider(*doc, nWidth, nHeight, image);
    else
        BenchBlock(*doc, nWidth, nHeight, image);
    if (png != nullptr && !image.save(png))
        std::fprintf(stderr, "paint_bench: cannot write %s\n", png);
    return 0;
}
