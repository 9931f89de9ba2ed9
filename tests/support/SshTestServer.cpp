#include "SshTestServer.h"

#include "LoopbackPort.h"

#include "remote/SshAddress.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
int FreePort()
{
    int fd = -1;
    const int port = BindLoopbackPort(fd);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}
}  // namespace

SshTestServer::SshTestServer(const std::string& remotePathFirst)
{
    const std::string d = m_dir.Root();
    for (const char* key : {"host_key", "user_key", "wrong_key"})
        CommandOutput("ssh-keygen -q -t ed25519 -N '' -f " + d + "/" + key + " </dev/null >/dev/null 2>&1");
    WriteFile(d + "/authorized_keys", ReadFile(d + "/user_key.pub"));
    ::mkdir("/run/sshd", 0755);  // privilege separation wants it, even in a test
    m_remotePath = remotePathFirst.empty() ? "/usr/bin:/bin" : remotePathFirst + ":/usr/bin:/bin";
    m_port = FreePort();
    WriteFile(d + "/sshd_config",
              "Port " + std::to_string(m_port) + "\nListenAddress 127.0.0.1\nHostKey " + d + "/host_key\nPidFile " + d
                  + "/sshd.pid\nUsePAM no\nStrictModes no\nAuthorizedKeysFile " + d
                  + "/authorized_keys\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                    "PermitRootLogin yes\nAcceptEnv VOLRA_TEST_PATH\nSetEnv PATH="
                  + m_remotePath + "\nLogLevel QUIET\n");
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(
        QStringLiteral("/usr/sbin/sshd"),
        {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), QString::fromStdString(d + "/sshd_config")});
    for (int i = 0; i < 500 && !Accepts(m_port); ++i) {
        if (m_process.state() == QProcess::NotRunning)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!Accepts(m_port))
        m_port = 0;
    EXPECT_GT(m_port, 0) << "the SSH test server did not start";
}

SshTestServer::~SshTestServer()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

std::string SshTestServer::Url(const std::string& folder) const
{
    CSshAddress address;
    address.strUser = "root";
    address.strHost = "127.0.0.1";
    address.nPort = m_port;
    address.strPath = folder;
    return address.ToUrl();
}

std::string SshTestServer::ClientCommand(bool bWrongKey) const
{
    const std::string d = m_dir.Root();
    return "ssh -F /dev/null -i " + d + (bWrongKey ? "/wrong_key" : "/user_key")
        + " -o IdentitiesOnly=yes -o BatchMode=yes -o StrictHostKeyChecking=no -o UserKnownHostsFile=" + d
        + "/known_hosts -o LogLevel=ERROR";
}
