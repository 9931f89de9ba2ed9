#include "CompareCommand.h"

#include "HeadlessSearch.h"
#include "doc/VolraDoc.h"
#include "history/CompareReport.h"
#include "history/SavedSearch.h"
#include "model/SearchComparison.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {
constexpr const char* kUsage = "--compare wants two searches: volra --compare OLD NEW [--top N] [--bytes]";

// One side of the comparison: a saved search read here, or a search made here.
struct CSide {
    CSavedSearch saved;
    std::unique_ptr<CVolraDoc> doc;
    const CEntry* pRoot = nullptr;  // in saved's arena or doc's
    bool bDiskSizes = false;
    std::string shown;  // how messages name it
};

bool Load(const std::string& strPath, CSide& side)
{
    CSearchSource source;
    std::string reason;
    if (!ResolveSearchSource(strPath, source, reason)) {
        FailHeadless(reason);
        return false;
    }
    side.shown = source.shown;
    if (source.kind == CSearchSource::Kind::File) {
        if (!side.saved.Read(source.path, reason)) {
            FailHeadless(source.shown + ": " + reason);
            return false;
        }
        side.pRoot = side.saved.GetRoot();
        side.bDiskSizes = side.saved.HasDiskSizes();
        return true;
    }
    side.doc = OpenSearchHeadless(source);
    if (side.doc == nullptr)
        return false;
    side.pRoot = side.doc->GetRoot();
    // An FTP server gives lengths alone; a folder searched here knows both.
    side.bDiskSizes = source.kind == CSearchSource::Kind::Folder;
    return true;
}

bool ParseCount(const std::string& text, std::size_t& n)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, n);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

int Compare(const CCompareRequest& request)
{
    CSide earlier, current;
    if (!Load(request.earlier, earlier) || !Load(request.current, current))
        return 1;
    const std::string earlierRoot(earlier.pRoot->GetName()), currentRoot(current.pRoot->GetName());
    if (!CSearchComparison::SameRoot(earlierRoot, currentRoot)) {
        FailHeadless(earlier.shown + " is a search of " + earlierRoot + ", " + current.shown + " one of " + currentRoot
                     + ": only searches of the same folder can be compared");
        return 1;
    }
    const CSearchComparison comparison(*earlier.pRoot, *current.pRoot);
    // Sizes on disk, as the program shows a local search, when both sides know them.
    const SizeMeasure measure = earlier.bDiskSizes && current.bDiskSizes ? SizeMeasure::Disk : SizeMeasure::Length;
    const std::string text = CompareReport(comparison, measure, request.nTop, request.bBytes);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        FailHeadless(std::string("standard output: ") + std::strerror(errno));
        return 1;
    }
    return 0;
}
}  // namespace

std::optional<CCompareRequest> ParseCompareArguments(const std::vector<std::string>& args, std::string& strError)
{
    if (std::find(args.begin(), args.end(), "--compare") == args.end())
        return std::nullopt;
    CCompareRequest request;
    std::vector<std::string> searches;
    for (std::size_t i = 1; i < args.size() && strError.empty(); ++i) {
        if (args[i] == "--compare")
            strError = i == 1 ? "" : kUsage;
        else if (args[i] == "--bytes")
            request.bBytes = true;
        else if (args[i] == "--top" && (i + 1 == args.size() || !ParseCount(args[i + 1], request.nTop)))
            strError = "--top wants a whole number of lines, 0 or more";
        else if (args[i] == "--top")
            ++i;
        else if (args[i].size() > 1 && args[i][0] == '-')
            strError = i == 1 ? kUsage : "unknown option \"" + args[i] + "\" (volra --help lists the options)";
        else
            searches.push_back(args[i]);
    }
    if (strError.empty() && (args.size() < 2 || args[1] != "--compare" || searches.size() != 2))
        strError = kUsage;
    if (strError.empty()) {
        request.earlier = searches[0];
        request.current = searches[1];
    }
    return request;
}

int RunCompare(const CCompareRequest& request)
{
    const CHeadlessRun headless;
    try {
        return Compare(request);
    } catch (const std::bad_alloc&) {
        FailHeadless("there is not enough memory to compare " + request.earlier + " with " + request.current);
        return 1;
    }
}
