// open_bench [--save OUT] PATH
//
// Opens PATH as the program does, without a window: a saved search (ncdu's export format,
// plain or gzip) is read, a folder is searched. Prints, on its last line:
//   entries root_total_bytes open_seconds save_seconds peak_rss_bytes
// where save_seconds is the time "Save search as" takes to write OUT (0 without --save).
// Errors go to standard error and end it with exit code 1 (2 for a wrong command line).
#include "doc/DriveVolraDoc.h"
#include "doc/FileVolraDoc.h"
#include "doc/NcduWriter.h"
#include "framework/UiServices.h"
#include "sys/FolderPath.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {
double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int main(int argc, char** argv)
{
    const char* path = nullptr;
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc)
            out = argv[++i];
        else
            path = argv[i];
    }
    if (path == nullptr) {
        std::fprintf(stderr, "usage: open_bench [--save OUT] PATH\n");
        return 2;
    }
    SetHeadless(true);  // nobody would close an error box
    std::unique_ptr<CVolraDoc> doc;
    auto start = std::chrono::steady_clock::now();
    if (CFileVolraDoc::IsSearchFile(path)) {
        auto file = std::make_unique<CFileVolraDoc>();
        if (!file->OnOpenDocument(path))
            return 1;
        doc = std::move(file);
    } else {
        std::string root, error;
        if (!ResolveFolder(path, root, error)) {
            std::fprintf(stderr, "open_bench: %s\n", error.c_str());
            return 2;
        }
        auto drive = std::make_unique<CDriveVolraDoc>();
        drive->PresetRoot(root, "Folder " + root);
        if (!drive->OnNewDocument())
            return 1;
        doc = std::move(drive);
    }
    const double openSeconds = SecondsSince(start);
    double saveSeconds = 0;
    if (out != nullptr) {
        start = std::chrono::steady_clock::now();
        CNcduWriter writer;
        std::string error;
        if (!writer.Open(out, error) || !writer.Write(*doc->GetRoot(), error)) {
            std::fprintf(stderr, "open_bench: %s: %s\n", out, error.c_str());
            return 1;
        }
        saveSeconds = SecondsSince(start);
    }
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    const auto nEntries = static_cast<long long>(doc->m_entries.EntryCount()) - 1;  // the root not counted
    std::printf("%lld %lld %.3f %.3f %lld\n", nEntries, static_cast<long long>(doc->GetRoot()->GetSize()), openSeconds,
                saveSeconds, static_cast<long long>(ru.ru_maxrss) * 1024);
    return 0;
}
