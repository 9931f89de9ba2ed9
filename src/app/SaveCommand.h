#pragma once
#include <optional>
#include <string>
#include <vector>

// "volra --save PATH FILE": searches the folder PATH (or reads the saved search PATH) without
// a window and writes the search to FILE in ncdu's export format, so that a server searched
// here is looked at elsewhere (FILE "-" is standard output, a name ending in ".gz" is
// compressed). Paths are argv's bytes. A folder saved to "-" is written while it is walked.
struct CSaveRequest {
    std::string path;
    std::string output;
};

// Reads the save arguments (the program's own name first). Returns nothing when they ask
// for no save; strError receives a message when they are malformed.
std::optional<CSaveRequest> ParseSaveArguments(const std::vector<std::string>& args, std::string& strError);
// Runs the request; returns the process exit code (0 on success). Every error goes to
// standard error, never into a box; a place that cannot be written is found before the search.
int RunSave(const CSaveRequest& request);
