#pragma once
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

// "volra --snapshot PATH --mode block|list [--tree] --size WxH --output FILE.png":
// searches PATH without a window and writes the chosen view of its root as a picture,
// with the tree panel on its left when --tree is given.
struct CSnapshotRequest {
    QString path;
    QString mode = QStringLiteral("block");
    bool tree = false;
    QSize size{1200, 800};
    QString output;
};

// Reads the snapshot arguments (the program's own name first). Returns nothing when the
// arguments ask for no snapshot; error receives a message when they are malformed.
std::optional<CSnapshotRequest> ParseSnapshotArguments(const QStringList& args, QString& error);
// Runs the request; returns the process exit code (0 on success) and prints any failure.
int RunSnapshot(const CSnapshotRequest& request);
