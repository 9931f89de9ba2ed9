// compare_bench TREE
//
// What a comparison costs beside opening a saved search. Searches TREE as the program does
// and saves the search, appends 4 KiB to every hundredth regular file (1% of the files),
// searches TREE again and cuts those files back to their lengths, so TREE ends as it was.
// Then times, as the median of five runs each, reading the saved search alone and
// attaching it as the earlier side of a comparison (reading it and matching it against
// the second search), and prints their ratio and the bytes per entry while comparing.
// Errors go to standard error and end it with exit code 1 (2 for a wrong command line).
#include "doc/DriveVolraDoc.h"
#include "doc/NcduWriter.h"
#include "framework/UiServices.h"
#include "history/ChangeList.h"
#include "history/SavedSearch.h"
#include "model/SearchComparison.h"
#include "sys/FolderPath.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr std::int64_t kGrowth = 4096;
constexpr int kRuns = 5;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::unique_ptr<CDriveVolraDoc> SearchTree(const std::string& root)
{
    auto doc = std::make_unique<CDriveVolraDoc>();
    doc->PresetRoot(root, "Folder " + root);
    return doc->OnNewDocument() ? std::move(doc) : nullptr;
}

struct Grown {
    std::string path;
    off_t length;  // before
};

// Every hundredth regular file met (never a link: the file itself is what grows).
std::vector<Grown> GrowOnePercent(const CEntry& root)
{
    std::vector<Grown> grown;
    std::vector<const CEntry*> pending{&root};
    std::size_t nFiles = 0;
    const std::string bytes(kGrowth, 'x');
    while (!pending.empty()) {
        const CEntry* p = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), p->GetChildren().begin(), p->GetChildren().end());
        if (p->IsDirectory() || ++nFiles % 100 != 0)
            continue;
        const std::string path = p->GetPath();
        struct stat st {};
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)
            || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        ::close(fd);
        grown.push_back({path, st.st_size});
    }
    return grown;
}

void Restore(const std::vector<Grown>& grown)
{
    for (const Grown& g : grown)
        if (::truncate(g.path.c_str(), g.length) != 0)
            std::perror(g.path.c_str());
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: compare_bench TREE  (TREE is changed and put back)\n");
        return 2;
    }
    std::string root, error;
    if (!ResolveFolder(argv[1], root, error)) {
        std::fprintf(stderr, "compare_bench: %s\n", error.c_str());
        return 2;
    }
    SetHeadless(true);  // nobody would close an error box
    char saved[] = "/tmp/compare_bench.XXXXXX";
    const int fd = ::mkstemp(saved);
    if (fd < 0) {
        std::perror("compare_bench: /tmp");
        return 1;
    }
    ::close(fd);
    std::vector<Grown> grown;
    std::unique_ptr<CDriveVolraDoc> current;
    {
        const auto earlier = SearchTree(root);
        CNcduWriter writer;
        if (earlier == nullptr || !writer.Open(saved, error) || !writer.Write(*earlier->GetRoot(), error)) {
            std::fprintf(stderr, "compare_bench: %s\n", error.empty() ? "the search failed" : error.c_str());
            ::unlink(saved);
            return 1;
        }
        grown = GrowOnePercent(*earlier->GetRoot());
    }
    current = SearchTree(root);
    Restore(grown);
    if (current == nullptr) {
        ::unlink(saved);
        return 1;
    }

    // Each time from the same start: nothing of an earlier run left in memory.
    std::vector<double> opens, attaches, matches;
    std::unique_ptr<CSavedSearch> kept;
    std::unique_ptr<CSearchComparison> comparison;
    for (int run = 0; run < kRuns; ++run) {
        comparison.reset();
        kept.reset();
        auto start = Clock::now();
        auto alone = std::make_unique<CSavedSearch>();
        const bool bRead = alone->Read(saved, error);
        opens.push_back(SecondsSince(start));
        alone.reset();
        start = Clock::now();
        kept = std::make_unique<CSavedSearch>();
        if (!bRead || !kept->Read(saved, error)) {
            std::fprintf(stderr, "compare_bench: %s\n", error.c_str());
            ::unlink(saved);
            return 1;
        }
        const auto matchStart = Clock::now();
        comparison = std::make_unique<CSearchComparison>(*kept->GetRoot(), *current->GetRoot());
        matches.push_back(SecondsSince(matchStart));
        attaches.push_back(SecondsSince(start));
    }
    ::unlink(saved);

    const CEntryArena& now = CEntryArena::Of(*current->GetRoot());
    const std::size_t nEarlier = kept->GetArena().EntryCount(), nNow = now.EntryCount();
    const std::size_t nSearches = kept->GetArena().ReservedBytes() + now.ReservedBytes();
    const std::int64_t nChange = current->GetRoot()->GetLength() - kept->GetRoot()->GetLength();
    std::printf("entries       %zu earlier, %zu now\n", nEarlier, nNow);
    std::printf("changed       %zu files grown by %lld bytes; the comparison finds %+lld bytes, %zu new, %zu gone\n",
                grown.size(), static_cast<long long>(grown.size()) * kGrowth, static_cast<long long>(nChange),
                comparison->NewCount(), comparison->RemovedCount());
    std::printf("open alone    %.3f s (median of 5)\n", Median(opens));
    std::printf("attach        %.3f s (read and match; the match alone %.3f s)\n", Median(attaches), Median(matches));
    std::printf("ratio         %.2f (target at most 1.5)\n", Median(attaches) / Median(opens));
    std::printf("bytes/entry   %.1f while comparing: the searches %.1f, the comparison %.1f per current entry\n",
                static_cast<double>(nSearches + comparison->OwnBytes()) / static_cast<double>(nEarlier + nNow),
                static_cast<double>(nSearches) / static_cast<double>(nEarlier + nNow),
                static_cast<double>(comparison->OwnBytes()) / static_cast<double>(nNow));
    return 0;
}
