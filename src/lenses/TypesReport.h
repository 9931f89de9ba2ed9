#pragma once
#include <string>

class CTypeTable;

// What "volra --types" prints: one line per extension, largest first, as
//   CATEGORY <tab> EXTENSION <tab> COUNT <tab> BYTES
// The extension is "(none)" for files without one, and otherwise its bytes as they are
// (lower-cased A-Z), but for a tab, a line end and a backslash, written "\t", "\n", "\r"
// and "\\" so that every row keeps to one line.
std::string TypesReport(const CTypeTable& table);
