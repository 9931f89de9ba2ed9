#pragma once
#include "base/Time.h"
#include "history/HistoryStore.h"

#include <string>
#include <vector>

class CVolraDoc;

// Reads the saved search at strPath (ncdu's export format, as Volra and ncdu write it) and
// sets it beside the document's tree as the earlier search, finished at the given time.
// Refused with the reason, the window left as it was: a file that cannot be read, is cut
// off or damaged, a search of another folder, or one that knows lengths only while sizes on
// disk are shown.
bool CompareWithSavedSearch(CVolraDoc& doc, const std::string& strPath, CTime finished, std::string& strError);

// The earlier searches of the document's root kept by the history, newest first: every one
// but the document's own search.
std::vector<CKeptSearch> EarlierKeptSearches(const CVolraDoc& doc, const std::string& strHistoryFolder);
// How the Compare with menu names one: "06/12/2026 14:03  1.50G", in the measure shown.
std::string KeptSearchText(const CKeptSearch& kept);

// When a saved search file was last written: its search finished then or a little before.
CTime SavedSearchTime(const std::string& strPath);
