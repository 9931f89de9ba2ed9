#pragma once
#include "support/TempTree.h"

#include <QProcess>

#include <string>

// A real sshd on 127.0.0.1 and a free port, with its host key and a user key made in a
// scratch folder, for as long as the object lives. Clients reach it through
// VOLRA_SSH_COMMAND (ClientCommand): no user config, this key only, no questions; the
// remote PATH starts with remotePathFirst (the build folder, for the volra reader).
class SshTestServer {
public:
    explicit SshTestServer(const std::string& remotePathFirst = {});
    ~SshTestServer();
    SshTestServer(const SshTestServer&) = delete;
    SshTestServer& operator=(const SshTestServer&) = delete;

    // 0 when the server did not start (the test fails then).
    int Port() const { return m_port; }
    // ssh://root@127.0.0.1:PORT + the folder's bytes %-escaped.
    std::string Url(const std::string& folder) const;
    // An ssh command line for VOLRA_SSH_COMMAND; with bWrongKey a key the server does not know.
    std::string ClientCommand(bool bWrongKey = false) const;

private:
    TempTree m_dir;
    QProcess m_process;
    int m_port = 0;
    std::string m_remotePath;
};
