#pragma once
#include "ChangeList.h"

#include <cstddef>
#include <string>

class CSearchComparison;

// What "volra --compare" prints: the nTop largest changes (LargestChanges), one a line as
//   CHANGE <tab> EARLIER <tab> NOW <tab> PATH
// then "total", the two roots' sizes, their change, and how many items are new and how
// many gone, tab-separated as well. Sizes are FormatSize texts ("1.50G"), or bytes when
// bBytes; a change has its sign ("+1.50G", "-200 bytes"), and a size the item did not have
// (before it was new, after it was gone) is "-". Paths are the bytes they are, but for a tab, a
// line end and a backslash, written "\t", "\n", "\r" and "\\" so that every change keeps one line.
std::string CompareReport(const CSearchComparison& comparison, SizeMeasure measure, std::size_t nTop, bool bBytes);
