// paint_bench [--png FILE] [--size WxH] [--border B] PATH
//
// Searches PATH without a window, then paints the block view of its root at 1600x1000 (or
// the given size) offscreen, as the program does: the first paint lays the tree out, later paints reuse
// that layout. A second series lays out afresh before every paint (as after a change of
// the tree). Prints the tree's size and both series, and on its last line:
//   paints N median_ms M blocks B
// M: the median of the N paints that reuse the layout; B: blocks drawn in one paint.
// With --png the last paint is saved to FILE; --border overrides the preference (the
// default, 14, leaves little room for deep levels; small borders make many more blocks).
#include "doc/DriveVolraDoc.h"
#include "doc/Resource.h"
#include "views/VolraBlockView.h"
#include "views/VolraPrefs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr int kPaints = 20;

long long CountEntries(const CEntry& root)
{
    long long n = 0;
    std::vector<const CEntry*> stack{&root};
    while (!stack.empty()) {
        const CEntry* e = stack.back();
        stack.pop_back();
        n += static_cast<long long>(e->m_children.size());
        for (const auto& child : e->m_children)
            stack.push_back(child.get());
    }
    return n;
}

double PaintMs(CVolraBlockView& view, QImage& image)
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
    const CBlockLayout::TextMetrics metrics{fm.height(), [&fm](const QString& text) { return fm.horizontalAdvance(text); }};
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
}  // namespace

int main(int argc, char** argv)
{
    const char* path = nullptr;
    const char* png = nullptr;
    int nWidth = 1600;
    int nHeight = 1000;
    int nBorder = -1;
    bool bUsage = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc)
            png = argv[++i];
        else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc)
            bUsage |= std::sscanf(argv[++i], "%dx%d", &nWidth, &nHeight) != 2 || nWidth <= 0 || nHeight <= 0;
        else if (std::strcmp(argv[i], "--border") == 0 && i + 1 < argc)
            bUsage |= std::sscanf(argv[++i], "%d", &nBorder) != 1 || nBorder < 0;
        else
            path = argv[i];
    }
    if (path == nullptr || bUsage) {
        std::fprintf(stderr, "usage: paint_bench [--png FILE] [--size WxH] [--border B] PATH\n");
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
    CVolraBlockView view;
    doc->AddView(&view);
    view.resize(nWidth, nHeight);
    view.OnInitialUpdate();
    QImage image(nWidth, nHeight, QImage::Format_RGB32);

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
        layoutOnly.push_back(LayoutMs(*doc->m_pCurrent, nWidth, nHeight));
    if (png != nullptr && !image.save(png))
        std::fprintf(stderr, "paint_bench: cannot write %s\n", png);

    const std::size_t nBlocks = view.GetLayout().Blocks().size();
    std::printf("entries %lld\n", CountEntries(*doc->m_pRoot));
    std::printf("first_paint_ms %.2f (lays the tree out)\n", cached.front());
    std::printf("layout_only %d median_ms %.2f\n", kPaints, Median(layoutOnly));
    std::printf("relayout_paints %d median_ms %.2f max_ms %.2f\n", kPaints, Median(fresh),
                *std::max_element(fresh.begin(), fresh.end()));
    std::printf("paints %d median_ms %.2f blocks %zu\n", kPaints, Median(cached), nBlocks);
    doc->RemoveView(&view);
    return 0;
}
