#include "SaveCommand.h"

#include "HeadlessSearch.h"
#include "doc/NcduWriter.h"
#include "doc/VolraDoc.h"

#include <algorithm>

std::optional<CSaveRequest> ParseSaveArguments(const std::vector<std::string>& args, std::string& strError)
{
    if (std::find(args.begin(), args.end(), "--save") == args.end())
        return std::nullopt;
    CSaveRequest request;
    if (args.size() != 4 || args[1] != "--save" || args[3].empty())
        strError = "--save wants a folder (or a saved search) and a file: volra --save FOLDER FILE";
    else
        request = {args[2], args[3]};
    return request;
}

int RunSave(const CSaveRequest& request)
{
    const CHeadlessRun headless;
    CSearchSource source;
    std::string reason;
    if (!ResolveSearchSource(request.path, source, reason)) {
        FailHeadless(reason);
        return 1;
    }
    CNcduWriter writer;
    if (!writer.Open(request.output, reason)) {
        FailHeadless(request.output + ": " + reason);
        return 1;
    }
    const std::unique_ptr<CVolraDoc> doc = OpenSearchHeadless(source);
    if (doc == nullptr)
        return 1;
    if (!writer.Write(*doc->GetRoot(), reason)) {
        FailHeadless(request.output + ": " + reason);
        return 1;
    }
    return 0;
}
