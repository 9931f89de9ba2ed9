// cleanup_bench [--delete] TREE
//
// What marks and the Marked panel's figures cost on a large search. Searches TREE as the
// program does (TREE is only read), then times, as the median of five runs each:
//   - marking every child of the root and computing the panel's figures (the top marked
//     items, then what they take and what deleting them frees): the target is 200 ms for
//     the 1,000,000-entry tree;
//   - marking every entry one by one, then the same figures, which then walk the tree
//     once for the top items;
//   - forgetting the marks of every child of the root, as a delete of each would.
// With --delete it then deletes every child of the root for good, as the program does, and
// sets what that freed beside what the figures foretold. TREE is emptied!
// Errors go to standard error and end it with exit code 1 (2 for a wrong command line).
#include "cleanup/FreedSpace.h"
#include "cleanup/PermanentDelete.h"
#include "doc/DriveVolraDoc.h"
#include "framework/UiServices.h"
#include "model/FormatSize.h"
#include "model/MarkSet.h"
#include "sys/FolderPath.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<const CEntry*> Everything(const CEntry& root)
{
    std::vector<const CEntry*> all;
    std::vector<const CEntry*> pending{&root};
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        all.push_back(p);
        pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
    }
    return all;
}
// Deletes every child of the root for good; 1 when anything stayed.
int DeleteChildren(const CEntry& root, std::int64_t nForetold)
{
    const auto start = Clock::now();
    std::int64_t nFreed = 0;
    std::size_t nLeft = 0;
    for (const CEntry* pChild : root.GetChildren()) {
        const CRemoveResult result = DeleteForGood(*pChild);
        nFreed += result.nFreed;
        nLeft += result.left.size();
        for (const CRemoveLeft& left : result.left)
            std::fprintf(stderr, "cleanup_bench: %s stayed: %s\n", left.path.c_str(), left.Text().c_str());
    }
    std::printf("deleted       in %.1f s: freed %lld bytes (foretold %lld), %zu things stayed\n",
                MillisecondsSince(start) / 1000, static_cast<long long>(nFreed), static_cast<long long>(nForetold),
                nLeft);
    return nLeft == 0 ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv)
{
    const bool bDelete = argc == 3 && std::string(argv[1]) == "--delete";
    if (argc != 2 && !bDelete) {
        std::fprintf(stderr, "usage: cleanup_bench [--delete] TREE  (--delete empties TREE)\n");
        return 2;
    }
    std::string root, error;
    if (!ResolveFolder(argv[argc - 1], root, error)) {
        std::fprintf(stderr, "cleanup_bench: %s\n", error.c_str());
        return 2;
    }
    SetHeadless(true);  // nobody would close an error box
    auto doc = std::make_unique<CDriveVolraDoc>();
    doc->PresetRoot(root, "Folder " + root);
    if (!doc->OnNewDocument()) {
        std::fprintf(stderr, "cleanup_bench: the search of %s failed\n", root.c_str());
        return 1;
    }
    const CEntry& top = *doc->GetRoot();
    const std::vector<const CEntry*> all = Everything(top);

    std::vector<double> children, every, forget;
    CFreedSpace freed;
    std::size_t nTop = 0;
    for (int run = 0; run < kRuns; ++run) {
        auto start = Clock::now();
        CMarkSet marks(top);
        for (const CEntry* pChild : top.GetChildren())
            marks.SetMarked(*pChild, true);
        freed = MeasureFreedSpace(marks.TopMarked());
        children.push_back(MillisecondsSince(start));

        start = Clock::now();
        for (const CEntry* pForget : top.GetChildren())
            marks.Forget(*pForget);
        forget.push_back(MillisecondsSince(start));

        start = Clock::now();
        CMarkSet each(top);
        for (const CEntry* p : all)
            if (p != &top)
                each.SetMarked(*p, true);
        const std::vector<const CEntry*> topMarked = each.TopMarked();
        MeasureFreedSpace(topMarked);
        every.push_back(MillisecondsSince(start));
        nTop = topMarked.size();
    }

    std::printf("entries       %zu, %zu children of the root\n", all.size(), top.GetChildren().size());
    std::printf("figures       %s; %zu file systems, %zu folders stay, %zu files kept by another name\n",
                FreedSpaceText(freed).c_str(), freed.devices.size(), freed.staying.size(), freed.nSharedFiles);
    std::printf("in bytes      %lld on disk, frees %lld (the root's own blocks are not among them)\n",
                static_cast<long long>(freed.nOnDisk), static_cast<long long>(freed.nFrees));
    std::printf("root's children marked, figures   %.1f ms (median of 5; target at most 200)\n", Median(children));
    std::printf("every entry marked (%zu), figures %.1f ms (%zu top items)\n", all.size() - 1, Median(every), nTop);
    std::printf("their marks forgotten             %.1f ms\n", Median(forget));
    if (bDelete)
        return DeleteChildren(top, freed.nFrees);
    return 0;
}
