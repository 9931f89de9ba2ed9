#include "TypesCommand.h"

#include "HeadlessSearch.h"
#include "doc/VolraDoc.h"
#include "history/SavedSearch.h"
#include "lenses/TypeTable.h"
#include "lenses/TypesReport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {
constexpr const char* kUsage = "--types wants one search: volra --types FOLDER|SEARCH";

// Restores the measure shown, which the table is counted in, however the run ends.
class CMeasureScope {
public:
    explicit CMeasureScope(bool bDisk) : m_bWas(CEntry::ShowsDiskSizes()) { CEntry::ShowDiskSizes(bDisk); }
    ~CMeasureScope() { CEntry::ShowDiskSizes(m_bWas); }
    CMeasureScope(const CMeasureScope&) = delete;
    CMeasureScope& operator=(const CMeasureScope&) = delete;

private:
    bool m_bWas;
};

bool Write(const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
        return true;
    FailHeadless(std::string("standard output: ") + std::strerror(errno));
    return false;
}

int Types(const CTypesRequest& request)
{
    CSearchSource source;
    std::string reason;
    if (!ResolveSearchSource(request.path, source, reason)) {
        FailHeadless(reason);
        return 1;
    }
    if (source.kind == CSearchSource::Kind::File) {
        CSavedSearch saved;
        if (!saved.Read(source.path, reason)) {
            FailHeadless(source.shown + ": " + reason);
            return 1;
        }
        const CMeasureScope measure(saved.HasDiskSizes());
        return Write(TypesReport(CTypeTable::Build(*saved.GetRoot()))) ? 0 : 1;
    }
    const std::unique_ptr<CVolraDoc> doc = OpenSearchHeadless(source);
    if (doc == nullptr)
        return 1;
    // An FTP server gives lengths alone; a folder searched here knows both.
    const CMeasureScope measure(source.kind == CSearchSource::Kind::Folder);
    return Write(TypesReport(CTypeTable::Build(*doc->GetRoot()))) ? 0 : 1;
}
}  // namespace

std::optional<CTypesRequest> ParseTypesArguments(const std::vector<std::string>& args, std::string& strError)
{
    if (std::find(args.begin(), args.end(), "--types") == args.end())
        return std::nullopt;
    CTypesRequest request;
    // A lone "-" is a name like any other; a longer word starting with it is an option.
    if (args.size() == 3 && args[1] == "--types" && !(args[2].size() > 1 && args[2][0] == '-'))
        request.path = args[2];
    else
        strError = kUsage;
    return request;
}

int RunTypes(const CTypesRequest& request)
{
    const CHeadlessRun headless;
    try {
        return Types(request);
    } catch (const std::bad_alloc&) {
        FailHeadless("there is not enough memory to count the types of " + request.path);
        return 1;
    }
}
