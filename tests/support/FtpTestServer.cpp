#include "FtpTestServer.h"

#include "LoopbackPort.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

FtpTestServer::FtpTestServer(const std::string& root, const FtpServerOptions& options)
{
    QStringList args{QStringLiteral(VOLRA_FTP_SERVER_SCRIPT),
                     QStringLiteral("--root"),
                     QString::fromStdString(root),
                     QStringLiteral("--user"),
                     QString::fromLatin1(kUser),
                     QStringLiteral("--password"),
                     QString::fromLatin1(kPassword),
                     QStringLiteral("--behaviour"),
                     QString::fromStdString(options.behaviour)};
    for (const std::string& d : options.noEnter)
        args << QStringLiteral("--no-enter") << QString::fromStdString(d);
    for (const std::string& d : options.noList)
        args << QStringLiteral("--no-list") << QString::fromStdString(d);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    while (m_process.state() != QProcess::NotRunning && !m_process.canReadLine())
        m_process.waitForReadyRead(10000);
    m_port = m_process.readLine().trimmed().toInt();
    EXPECT_GT(m_port, 0) << "the FTP test server did not start";
}

FtpTestServer::~FtpTestServer()
{
    m_process.closeWriteChannel();  // the server ends when its input closes
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

std::string FtpTestServer::Url() const
{
    return std::string("ftp://") + kUser + ":s3cret%20pass@127.0.0.1:" + std::to_string(m_port);
}

int RefusingPort()
{
    // Bound but never listening: the kernel refuses connections to it while it is held,
    // and no other test can take it meanwhile.
    static const int port = [] {
        int fd = -1;
        return BindLoopbackPort(fd);
    }();
    return port;
}
