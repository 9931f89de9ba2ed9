#include "HeadlessSearch.h"

#include "doc/DriveVolraDoc.h"
#include "doc/FileVolraDoc.h"
#include "framework/UiServices.h"
#include "ftp/FtpUrl.h"
#include "ftp/FtpVolraDoc.h"
#include "remote/SshVolraDoc.h"
#include "sys/FolderPath.h"

#include <cstdio>

CHeadlessRun::CHeadlessRun() : m_bWas(SetHeadless(true)) {}
CHeadlessRun::~CHeadlessRun() { SetHeadless(m_bWas); }

bool ResolveSearchSource(const std::string& strPath, CSearchSource& source, std::string& strError)
{
    source.path = strPath;
    source.shown = strPath;
    if (CFtpUrl::IsFtpUrl(strPath)) {
        source.kind = CSearchSource::Kind::Ftp;
        CFtpUrl url;
        if (!url.Parse(strPath, strError))
            return false;
        source.shown = url.GetDisplayText();
        return true;
    }
    if (CSshAddress::IsSshUrl(strPath)) {
        source.kind = CSearchSource::Kind::Ssh;
        CSshAddress address;
        return address.Parse(strPath, strError);
    }
    if (CFileVolraDoc::IsSearchFile(strPath)) {
        source.kind = CSearchSource::Kind::File;
        return true;
    }
    source.kind = CSearchSource::Kind::Folder;
    return ResolveFolder(strPath, source.path, strError);
}

std::unique_ptr<CVolraDoc> OpenSearchHeadless(const CSearchSource& source,
                                              std::function<bool(const CEntry&)> directoryListener)
{
    if (source.kind == CSearchSource::Kind::File) {
        auto doc = std::make_unique<CFileVolraDoc>();
        if (!doc->OnOpenDocument(source.path))
            return nullptr;
        return doc;
    }
    std::unique_ptr<CVolraDoc> doc;
    if (source.kind == CSearchSource::Kind::Ftp) {
        std::string strError;  // checked by ResolveSearchSource
        doc = CFtpVolraDoc::FromUrl(source.path, strError);
    } else if (source.kind == CSearchSource::Kind::Ssh) {
        std::string strError;  // likewise
        doc = CSshVolraDoc::FromUrl(source.path, strError);
    } else {
        auto drive = std::make_unique<CDriveVolraDoc>();
        drive->PresetRoot(source.path, "Folder " + source.path);
        doc = std::move(drive);
    }
    if (doc != nullptr)
        doc->SetDirectoryListener(std::move(directoryListener));
    if (doc == nullptr || !doc->OnNewDocument()) {
        FailHeadless("the search of " + source.shown + " failed");
        return nullptr;
    }
    return doc;
}

void FailHeadless(const std::string& message) { std::fprintf(stderr, "volra: %s\n", message.c_str()); }
