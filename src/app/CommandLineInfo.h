#pragma once
#include "CompareCommand.h"
#include "SaveCommand.h"
#include "Snapshot.h"
#include "TypesCommand.h"
#include "doc/ExcludeRules.h"

#include <string>
#include <vector>

// What the command line asks for. The arguments are argv's bytes, so that a folder whose
// name is not UTF-8 is still found.
struct CCommandLineInfo {
    enum class Action { NewSearch, SearchFolder, OpenFile, Snapshot, Save, Compare, Types, Help, Version };
    Action action = Action::NewSearch;
    std::string strFolder;  // SearchFolder: the folder, resolved
    std::string strFile;  // OpenFile: a saved search, as given
    CSnapshotRequest snapshot;  // Snapshot: the request (its folder is resolved when run)
    CSaveRequest save;  // Save: the request
    CCompareRequest compare;  // Compare: the request
    CTypesRequest types;  // Types: the request
    // --exclude PATTERN (repeated), --exclude-caches and --cross-file-systems, anywhere
    CExcludeRules excludes;
    std::string strError;  // not empty: the line cannot be carried out, and why
};

// Reads the arguments, the program's name first. --help and --version win over anything
// else; --compare, --types, --save or --snapshot anywhere makes that; otherwise at most one
// folder, or one file holding a saved search. --exclude, --exclude-caches and
// --cross-file-systems go with any of them that searches.
CCommandLineInfo ParseCommandLine(const std::vector<std::string>& args);

// What "volra --help" prints.
const char* UsageText();
