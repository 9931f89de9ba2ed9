// scan_bench [--progress] [--one-thread] PATH
//
// Runs the local walk over PATH without a window and prints, on its last line:
//   entries directories files root_total_bytes seconds peak_rss_bytes
// entries excludes the root; files counts every entry that is not a directory.
// With --progress the walk runs in a QApplication (offscreen unless a display is set) with
// the progress dialog shown and pumped, as in the program. With --one-thread the listings are
// read one item at a time on the walk's thread instead of ahead of it. Errors go to standard error and
// end it with exit code 1 (2 for a wrong command line).
#include "doc/DriveVolraDoc.h"
#include "platform/FolderPath.h"
#include "platform/UiServices.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {
struct Counts {
    long long entries = 0;
    long long directories = 0;
    long long files = 0;
};

Counts CountTree(const CEntry& root)
{
    Counts c;
    std::vector<const CEntry*> stack{&root};
    while (!stack.empty()) {
        const CEntry* e = stack.back();
        stack.pop_back();
        for (const auto& child : e->m_children) {
            ++c.entries;
            if (child->IsDirectory()) {
                ++c.directories;
                stack.push_back(child);
            } else {
                ++c.files;
            }
        }
    }
    return c;
}

long long PeakRssBytes()
{
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return static_cast<long long>(ru.ru_maxrss) * 1024;
}
}  // namespace

int main(int argc, char** argv)
{
    bool progress = false;
    bool oneThread = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--progress") == 0)
            progress = true;
        else if (std::strcmp(argv[i], "--one-thread") == 0)
            oneThread = true;
        else
            path = argv[i];
    }
    if (path == nullptr) {
        std::fprintf(stderr, "usage: scan_bench [--progress] [--one-thread] PATH\n");
        return 2;
    }
    std::string root;
    std::string error;
    if (!ResolveFolder(path, root, error)) {
        std::fprintf(stderr, "scan_bench: %s\n", error.c_str());
        return 2;
    }
    SetHeadless(true);  // nobody would close an error box
    std::unique_ptr<QApplication> app;
    if (progress) {
        if (std::getenv("DISPLAY") == nullptr)
            ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app = std::make_unique<QApplication>(argc, argv);
    }
    auto doc = std::make_unique<CDriveVolraDoc>();
    doc->PresetRoot(root, "Folder " + root);
    doc->SetReadAhead(!oneThread);
    const auto start = std::chrono::steady_clock::now();
    const BOOL ok = doc->OnNewDocument();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "scan_bench: the search of %s failed\n", path);
        return 1;
    }
    const Counts c = CountTree(*doc->m_pRoot);
    std::printf("%lld %lld %lld %lld %.3f %lld\n", c.entries, c.directories, c.files,
                static_cast<long long>(doc->m_pRoot->GetSize()), seconds, PeakRssBytes());
    return 0;
}
