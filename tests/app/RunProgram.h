#pragma once
#include "support/TempTree.h"

#include <cstdlib>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <vector>

// What a run of the program ended with: its exit code and what it wrote to each stream.
struct ProgramRun {
    int exitCode;
    std::string out, err;
    bool operator==(const ProgramRun&) const = default;
    friend void PrintTo(const ProgramRun& r, std::ostream* pOut)
    {
        *pOut << r.exitCode << " out: " << r.out << " err: " << r.err;
    }
};

// The program itself, its arguments passed as the bytes they are; a runtime folder of its
// own in the scratch folder keeps Qt from remarking on a missing one.
inline ProgramRun RunProgram(const TempTree& dir, const std::vector<std::string>& args)
{
    dir.Dir("run");
    dir.Chmod("run", 0700);
    std::string command = "XDG_RUNTIME_DIR=" + dir.Path("run") + " '" VOLRA_PROGRAM "'";
    for (const std::string& a : args)
        command += " '" + a + "'";
    const int status = std::system((command + " </dev/null >" + dir.Path("out") + " 2>" + dir.Path("err")).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir.Path("out")), ReadFile(dir.Path("err"))};
}
