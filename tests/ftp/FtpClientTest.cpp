#include "ftp/FtpConnection.h"
#include "ftp/FtpFileFind.h"
#include "ftp/InternetError.h"
#include "ftp/InternetSession.h"
#include "platform/ErrorText.h"
#include "platform/LastError.h"
#include "support/FtpTestServer.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
std::unique_ptr<CFtpConnection> Login(CInternetSession& session, int port,
                                      const std::string& password = FtpTestServer::kPassword)
{
    return session.GetFtpConnection("127.0.0.1", FtpTestServer::kUser, password, port);
}

// The listing of the connection's current directory as "name" or "name/" for a
// directory, sorted; FindFile's failure leaves it empty.
std::vector<std::string> List(CFtpConnection& connection)
{
    std::vector<std::string> names;
    CFtpFileFind find(&connection);
    for (BOOL more = find.FindFile(); more;) {
        more = find.FindNextFile();
        names.push_back(find.GetFileName() + (find.IsDirectory() ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ErrorText(DWORD code)
{
    char text[120];
    return FormatErrorText(code, text, sizeof text);
}
}  // namespace

TEST(FtpClient, LogsInOnceChangesDirectoryAndLists)
{
    TempTree t;
    t.File("a file.txt", 6);
    t.Dir("sub dir/-dash");
    t.Dir("empty");
    FtpTestServer server(t.Root());
    CInternetSession session;
    const auto connection = Login(session, server.Port());
    ASSERT_TRUE(connection);
    std::string cwd;
    connection->GetCurrentDirectory(cwd);
    EXPECT_EQ(cwd, "/");
    EXPECT_EQ(List(*connection), (std::vector<std::string>{"a file.txt", "empty/", "sub dir/"}));

    ASSERT_TRUE(connection->SetCurrentDirectory("/sub dir"));
    CFtpFileFind find(connection.get());
    ASSERT_TRUE(find.FindFile());
    EXPECT_FALSE(find.FindNextFile()) << "the only item is also the last";
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_EQ(find.GetFilePath(), "/sub dir/-dash") << "the last item stays current";

    ASSERT_TRUE(connection->SetCurrentDirectory("/empty"));
    EXPECT_FALSE(find.FindFile());
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_EQ(connection->GetLoginCount(), 1);
    EXPECT_FALSE(connection->IsPassive());
}

TEST(FtpClient, FailuresGiveInternetCodesTextsAndTheServersReply)
{
    TempTree t;
    t.Dir("locked/inner");
    t.Dir("secret/inner");
    FtpServerOptions options;
    options.noEnter = {"locked"};
    options.noList = {"secret"};
    FtpTestServer server(t.Root(), options);
    CInternetSession session;

    EXPECT_FALSE(Login(session, server.Port(), "wrong"));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(ErrorText(GetLastError()), "The FTP server answered with an error:\r\n530 Authentication failed.\r\n");
    EXPECT_FALSE(Login(session, RefusingPort()));
    EXPECT_EQ(ErrorText(GetLastError()), "The connection to the FTP server could not be made.\r\n");
    EXPECT_FALSE(session.GetFtpConnection("no such host", "u", "p"));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_NAME_NOT_RESOLVED);

    const auto connection = Login(session, server.Port());
    ASSERT_TRUE(connection);
    EXPECT_FALSE(connection->SetCurrentDirectory("/locked"));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_EXTENDED_ERROR);
    std::string reply;
    InternetGetLastResponseInfo(reply);
    EXPECT_EQ(reply.substr(0, 4), "550 ");
    std::string cwd;
    connection->GetCurrentDirectory(cwd);
    EXPECT_EQ(cwd, "/") << "a directory that was not entered is not current";

    ASSERT_TRUE(connection->SetCurrentDirectory("/secret"));
    CFtpFileFind find(connection.get());
    EXPECT_FALSE(find.FindFile());
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << "a refused listing is an access-denied one";
    EXPECT_EQ(List(*connection), std::vector<std::string>{});
}

// Every listing below the root misbehaves; the connection makes the best of each.
TEST(FtpClient, MisbehavingServers)
{
    struct Case {
        const char* behaviour;
        DWORD error;                      // of the listing of /sub
        std::vector<std::string> names;   // of that listing
        bool passive;
    };
    const Case cases[] = {
        {"no-mlsd", 0, {"-dash/", "x y"}, false},
        {"garbage", 0, {"good line"}, false},
        {"refuse-port", 0, {"-dash/", "x y"}, true},
        {"hang-up", ERROR_INTERNET_CONNECTION_ABORTED, {}, false},
        {"stall", ERROR_INTERNET_TIMEOUT, {}, false},
    };
    TempTree t;
    t.File("sub/x y", 3);
    t.Dir("sub/-dash");
    for (const Case& c : cases) {
        FtpServerOptions options;
        options.behaviour = c.behaviour;
        FtpTestServer server(t.Root(), options);
        CInternetSession session;
        session.SetTimeout(std::chrono::seconds(1));
        const auto connection = Login(session, server.Port());
        ASSERT_TRUE(connection) << c.behaviour;
        ASSERT_TRUE(connection->SetCurrentDirectory("/sub")) << c.behaviour;
        CFtpFileFind find(connection.get());
        EXPECT_EQ(find.FindFile(), c.error == 0) << c.behaviour;
        if (c.error != 0)
            EXPECT_EQ(GetLastError(), c.error) << c.behaviour;
        else
            EXPECT_EQ(List(*connection), c.names) << c.behaviour;
        EXPECT_EQ(connection->IsPassive(), c.passive) << c.behaviour;
    }
}

// The caller's thread is never blocked by the network: its hook runs throughout a wait,
// and its word ends a listing the server has stopped sending, long before any timeout.
TEST(FtpClient, TheWaitHookRunsThroughoutAndCanAbort)
{
    TempTree t;
    t.File("sub/x", 1);
    FtpServerOptions options;
    options.behaviour = "stall";
    FtpTestServer server(t.Root(), options);
    CInternetSession session;
    session.SetTimeout(std::chrono::minutes(5));
    int calls = 0;
    session.SetWaitHook([&calls] { return ++calls < 20; });
    const auto connection = Login(session, server.Port());
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->SetCurrentDirectory("/sub"));
    CFtpFileFind find(connection.get());
    EXPECT_FALSE(find.FindFile());
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_OPERATION_CANCELLED);
    EXPECT_GE(calls, 20);
    connection->Close();
    EXPECT_FALSE(connection->SetCurrentDirectory("/")) << "nothing after the logout";
}
