#pragma once
#include <functional>

class CEntry;

// The status bar's description of the entry under the pointer. The block and pie views
// report every pointer move here, with the entry under the pointer or null; the main
// window installs the sink that shows it. Without a sink nothing happens, so views work
// in tools and tests that have no main window.
//
// The entry is only valid during the call: a sink must not keep the pointer.
void ShowEntryInfo(const CEntry* pEntry);
// Replaces the sink; an empty function removes it.
void SetEntryInfoSink(std::function<void(const CEntry*)> sink);
