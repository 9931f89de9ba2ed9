#include "EntryInfo.h"

#include <utility>

namespace {
std::function<void(const CEntry*)>& Sink()
{
    static std::function<void(const CEntry*)> sink;
    return sink;
}
}  // namespace

void ShowEntryInfo(const CEntry* pEntry)
{
    if (Sink())
        Sink()(pEntry);
}

void SetEntryInfoSink(std::function<void(const CEntry*)> sink) { Sink() = std::move(sink); }
