#pragma once
#include <optional>
#include <string>
#include <vector>

// "volra --types PATH": PATH is a saved search, or a folder (or FTP address) searched first
// without a window. Prints what kinds of files it holds (TypesReport): sizes on disk for a
// folder searched here or a saved search that has them, else lengths, as --compare does.
struct CTypesRequest {
    std::string path;  // argv's bytes
};

// Reads the arguments (the program's own name first). Returns nothing when they ask for no
// table; strError receives a message when they are malformed.
std::optional<CTypesRequest> ParseTypesArguments(const std::vector<std::string>& args, std::string& strError);
// Runs the request; returns the process exit code (0 on success). Every error goes to
// standard error, never into a box.
int RunTypes(const CTypesRequest& request);
