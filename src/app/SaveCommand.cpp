#include "SaveCommand.h"

#include "HeadlessSearch.h"
#include "doc/ListingWriter.h"
#include "doc/NcduWriter.h"
#include "doc/VolraDoc.h"
#include "doc/WalkExport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

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

namespace {
// What goes down the pipe at once: small enough that the reader starts early and keeps up.
constexpr std::size_t kStreamPiece = std::size_t{64} << 10;

// An SSH search's snippet sets VOLRA_SAVE_LISTING=1 (a hidden switch, for it alone): the
// other end is a Volra too, which reads its own listing at a fraction of the JSON's cost.
// A Volra that does not know it ignores it, and the SSH search reads the JSON it writes.
bool WantsListing()
{
    const char* value = std::getenv("VOLRA_SAVE_LISTING");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// Standard output while a folder is walked: each directory goes out as soon as it has been
// read, so that at the other end of a pipe (an SSH search) the tree is built meanwhile.
int StreamSave(const CSearchSource& source, CItemSink& writer)
{
    CWalkExport stream(writer);
    std::string reason;
    const std::unique_ptr<CVolraDoc> doc = OpenSearchHeadless(
        source, [&stream, &reason](const CEntry& directory) { return stream.DirectoryRead(directory, reason); });
    if (doc != nullptr && stream.Finish(reason))
        return 0;
    if (!reason.empty())
        FailHeadless("-: " + reason);
    return 1;
}
}  // namespace

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
    // A file is written whole once the search is done, and only then put in place.
    if (request.output == "-" && source.kind == CSearchSource::Kind::Folder) {
        if (WantsListing()) {
            CListingWriter listing(CListingWriter::ToDescriptor(STDOUT_FILENO), kStreamPiece);
            return StreamSave(source, listing);
        }
        writer.BeginStream(kStreamPiece);
        return StreamSave(source, writer);
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
