#include "ftp/FtpConnection.h"
#include "ftp/FtpFileFind.h"
#include "ftp/InternetError.h"
#include "ftp/InternetSession.h"
#include "support/FtpTestServer.h"
#include "support/TempTree.h"
#include "sys/LastError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <stdexcept>
#include <thread>

namespace {
std::unique_ptr<CFtpConnection> Login(CInternetSession& session, int port)
{
    return session.GetFtpConnection("127.0.0.1", FtpTestServer::kUser, FtpTestServer::kPassword, port);
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
}  // namespace

// One login serves every command; the finder keeps the last item current after the end.
// A server that sends LIST lines naming no item, or refuses active data connections, is
// still listed: the lines are left out (items with an odd size are not), the connections
// turn passive.
TEST(FtpClient, ListsOverOneLoginWhateverTheServer)
{
    TempTree t;
    t.File("sub/x y", 3);
    t.Dir("sub/-dash");
    t.Dir("empty");
    struct Case {
        const char* behaviour;
        std::vector<std::string> names;  // of /sub
        bool passive;
    };
    const Case cases[] = {
        {"normal", {"-dash/", "x y"}, false},
        {"garbage", {"good line", "letters", "minus", "not-a-month", "too-big"}, false},
        {"refuse-port", {"-dash/", "x y"}, true},
        {"no-connect-back", {"-dash/", "x y"}, true},
    };
    for (const Case& c : cases) {
        FtpTestServer server(t.Root(), c.behaviour);
        CInternetSession session;
        const auto connection = Login(session, server.Port());
        ASSERT_TRUE(connection) << c.behaviour;
        std::string cwd;
        connection->GetCurrentDirectory(cwd);
        EXPECT_EQ(cwd, "/");
        ASSERT_TRUE(connection->SetCurrentDirectory("/sub")) << c.behaviour;
        EXPECT_EQ(List(*connection), c.names) << c.behaviour;
        CFtpFileFind find(connection.get());
        ASSERT_TRUE(find.FindFile());
        while (find.FindNextFile()) {}
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_EQ(find.GetFilePath(), "/sub/" + find.GetFileName()) << "the last item stays current";

        ASSERT_TRUE(connection->SetCurrentDirectory("/empty"));
        if (std::string(c.behaviour) != "garbage") {  // that server garbles every listing
            EXPECT_FALSE(find.FindFile());
            EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        }
        EXPECT_EQ(connection->GetLoginCount(), 1) << c.behaviour;
        EXPECT_EQ(connection->IsPassive(), c.passive) << c.behaviour;
    }
}

// The caller's thread is never blocked by the network: its wait hook runs throughout a wait,
// and its word ends a listing the server has stopped sending, long before any timeout. A
// hook that throws leaves its listing behind: the worker refuses what comes after (the
// outcome of the listing left behind must not be taken for another's), and ending the
// connection still ends its thread at once.
TEST(FtpClient, TheWaitHookRunsThroughoutAndEndsAStalledListingByWordOrThrow)
{
    TempTree t;
    t.File("sub/x", 1);
    FtpTestServer server(t.Root(), "stall");
    for (const bool bThrow : {false, true}) {
        CInternetSession session;
        session.SetTimeout(std::chrono::minutes(10));
        int calls = 0;
        session.SetWaitHook([&calls, bThrow] {
            if (++calls == 20 && bThrow)
                throw std::runtime_error("thrown by the hook");
            return bThrow || calls < 20;
        });
        auto connection = Login(session, server.Port());
        ASSERT_TRUE(connection);
        ASSERT_TRUE(connection->SetCurrentDirectory("/sub"));
        CFtpFileFind find(connection.get());
        if (!bThrow) {
            EXPECT_FALSE(find.FindFile());
            EXPECT_EQ(GetLastError(), ERROR_INTERNET_OPERATION_CANCELLED);
            EXPECT_GE(calls, 20);
            connection->Close();
            EXPECT_FALSE(connection->SetCurrentDirectory("/")) << "nothing after the logout";
            continue;
        }
        EXPECT_THROW(find.FindFile(), std::runtime_error);
        EXPECT_FALSE(connection->SetCurrentDirectory("/"));
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_INTERNAL_ERROR);
        // Ended on a thread of its own, so that a worker that would wait for ever fails the
        // test instead of hanging it.
        auto ended = std::make_shared<std::promise<void>>();
        std::future<void> done = ended->get_future();
        std::thread([c = std::move(connection), ended]() mutable {
            c.reset();
            ended->set_value();
        }).detach();
        EXPECT_TRUE(done.wait_for(std::chrono::seconds(30)) == std::future_status::ready) << "the thread did not end";
    }
}
