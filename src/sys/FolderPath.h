#pragma once
#include <string>

// A folder named on a command line, made fit to search: absolute, free of links and "..",
// in the file system's own bytes (never decoded, so any name works). Returns false with a
// message naming the path and the reason ("/x: No such file or directory") when it names
// no folder.
bool ResolveFolder(const std::string& strPath, std::string& strFolder, std::string& strError);
