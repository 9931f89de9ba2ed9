#pragma once
#include "base/Time.h"

#include <string>

class CVolraDoc;

// Reads the saved search at strPath (ncdu's export format, as Volra and ncdu write it) and
// sets it beside the document's tree as the earlier search, finished at the given time.
// Refused with the reason, the window left as it was: a file that cannot be read, is cut
// off or damaged, a search of another folder, or one that knows lengths only while sizes on
// disk are shown.
bool CompareWithSavedSearch(CVolraDoc& doc, const std::string& strPath, CTime finished, std::string& strError);

// When a saved search file was last written: its search finished then or a little before.
CTime SavedSearchTime(const std::string& strPath);
