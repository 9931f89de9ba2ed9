#pragma once
#include <QSize>
#include <QString>
#include <optional>
#include <string>
#include <vector>

// "volra --snapshot PATH --mode block|list|pie|spider [--tree] [--size-on-disk]
// [--colour depth|type|age] --size WxH --output FILE.png":
// searches PATH (or reads the search saved in the file PATH) without a window and writes
// the chosen view of its root as a picture,
// with the tree panel on its left when --tree is given. Paths are argv's bytes.
struct CSnapshotRequest {
    std::string path;
    QString mode = QStringLiteral("block");
    bool tree = false;
    QSize size{1200, 800};
    std::string output;
    bool sizeOnDisk = false;  // sizes on disk in place of lengths, as View > Size on disk
    // What the blocks are coloured by, as View > Colour by: "depth", "type" or "age". Any
    // other word fails the run (exit code 1) before anything is searched.
    std::string colour = "depth";
};

// Reads the snapshot arguments (the program's own name first). Returns nothing when the
// arguments ask for no snapshot; error receives a message when they are malformed.
std::optional<CSnapshotRequest> ParseSnapshotArguments(const std::vector<std::string>& args, QString& error);
// Runs the request; returns the process exit code (0 on success) and prints any failure.
// Nobody is at the screen: every error goes to standard error, never into a box.
int RunSnapshot(const CSnapshotRequest& request);
