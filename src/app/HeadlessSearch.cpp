#include "HeadlessSearch.h"

#include "doc/DriveVolraDoc.h"
#include "doc/FileVolraDoc.h"
#include "platform/FolderPath.h"
#include "platform/UiServices.h"

CHeadlessRun::CHeadlessRun() : m_bWas(SetHeadless(true)) {}
CHeadlessRun::~CHeadlessRun() { SetHeadless(m_bWas); }

bool ResolveSearchSource(const std::string& strPath, CSearchSource& source, std::string& strError)
{
    source.bFile = CFileVolraDoc::IsSearchFile(strPath);
    if (source.bFile) {
        source.path = strPath;
        return true;
    }
    return ResolveFolder(strPath, source.path, strError);
}

std::unique_ptr<CVolraDoc> OpenSearchHeadless(const CSearchSource& source)
{
    if (source.bFile) {
        auto doc = std::make_unique<CFileVolraDoc>();
        if (!doc->OnOpenDocument(source.path))
            return nullptr;
        return doc;
    }
    auto doc = std::make_unique<CDriveVolraDoc>();
    doc->PresetRoot(source.path, "Folder " + source.path);
    if (!doc->OnNewDocument())
        return nullptr;
    return doc;
}
