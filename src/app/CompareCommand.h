#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// "volra --compare OLD NEW [--top N] [--bytes]": OLD and NEW are saved searches, or folders
// (or FTP addresses) searched first without a window, both of one root. Prints the N
// largest changes from OLD to NEW and a total line (CompareReport). Paths are argv's bytes.
struct CCompareRequest {
    std::string earlier;
    std::string current;
    std::size_t nTop = 20;
    bool bBytes = false;
};

// Reads the compare arguments (the program's own name first). Returns nothing when they
// ask for no comparison; strError receives a message when they are malformed.
std::optional<CCompareRequest> ParseCompareArguments(const std::vector<std::string>& args, std::string& strError);
// Runs the request; returns the process exit code (0 on success). Every error goes to
// standard error, never into a box.
int RunCompare(const CCompareRequest& request);
