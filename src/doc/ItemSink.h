#pragma once
#include "NcduItem.h"

#include <cstdint>
#include <string>

// Where a search written while it runs goes (CWalkExport): every item after the ones before
// it in file order with its depth (0 the root's; the directories it is not in are closed),
// then the end. ncdu's export (CNcduWriter) and the lean listing an SSH search asks a remote
// Volra for (CListingWriter) both take it so.
class CItemSink {
public:
    virtual ~CItemSink() = default;
    virtual bool PutItem(const CNcduItem& item, std::uint32_t nDepth, std::string& strError) = 0;
    virtual bool EndStream(std::string& strError) = 0;
};
