#include "AppFixture.h"
#include "RunProgram.h"
#include "app/AppCommands.h"
#include "app/ChooseSearchTypeDlg.h"
#include "app/HistoryKeeper.h"
#include "doc/Resource.h"
#include "history/HistoryStore.h"
#include "remote/SshAddressDlg.h"
#include "remote/SshVolraDoc.h"
#include "support/DocHarness.h"
#include "support/ScopedEnv.h"
#include "support/SshTestServer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>

// "Remote over SSH" asks for the address, offering the ones used before; the window is
// labelled HOST:PATH, has no file commands, refreshes and is not kept in the history. A
// malformed address keeps the dialog open; a failed search leaves no window.
TEST(SshSearchWindow, OpensFromTheChooserWithoutFileCommandsOrHistory)
{
    AppFixture f;
    f.tree.Files({{"a.txt", 1024}, {"sub/b", 10}});
    SshTestServer server;
    const ScopedEnv command("VOLRA_SSH_COMMAND", server.ClientCommand());
    CVolraDocTemplate* tpl = f.app.GetDocTemplate();
    const std::string url = server.Url(f.tree.Root());
    bool refused = false;
    WhenModal<CChooseSearchTypeDlg>([&](CChooseSearchTypeDlg& dlg) {
        WhenModal<CSshAddressDlg>([&](CSshAddressDlg& ask) {
            ask.GetAddressBox()->setEditText(QStringLiteral("ssh://-oProxyCommand=x/"));
            ask.accept();
            refused = ask.isVisible();
            ask.GetAddressBox()->setEditText(QString::fromStdString(url));
            ask.accept();
        });
        dlg.GetSshButton()->click();
    });
    CVolraDoc* doc = tpl->OpenDocumentFile();
    ASSERT_NE(dynamic_cast<CSshVolraDoc*>(doc), nullptr);
    EXPECT_TRUE(refused) << "a malformed address is not taken";
    EXPECT_EQ(CSshAddressDlg::LoadRecent(), std::vector<std::string>{url});
    ASSERT_TRUE(f.app.GetHistoryKeeper()->WaitForWrites(std::chrono::seconds(10)));
    EXPECT_TRUE(CHistoryStore(CHistoryStore::DefaultFolder(), {}).Roots().empty()) << "an SSH search is not kept";
    EXPECT_EQ(doc->GetRoot()->GetName(), "127.0.0.1:" + f.tree.Root());
    doc->SetSelected(Child(doc->GetRoot(), "a.txt"));
    EXPECT_FALSE(f.Enabled(ID_OPEN_RUN));
    EXPECT_FALSE(f.Enabled(ID_DELETE));
    EXPECT_TRUE(f.Enabled(ID_REFRESH));

    ErrorBoxes boxes;
    EXPECT_EQ(tpl->OpenDocumentFile(server.Url("/no/such")), nullptr);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(f.Frame().GetMdiArea()->subWindowList().size(), 1);
}

// The headless tools take the address as a folder; a failure is told on standard error
// with exit code 1, a wrong address is a wrong command line.
TEST(SshCommandLine, SaveAndFailures)
{
    TempTree t;
    t.File("data/a", 3000);
    SshTestServer server;
    const ScopedEnv command("VOLRA_SSH_COMMAND", server.ClientCommand());
    const ScopedEnv reader("VOLRA_SSH_READER", "find");
    const std::string saved = t.Path("saved.json");
    const std::vector<std::pair<std::vector<std::string>, ProgramRun>> cases = {
        {{"ssh://h:99999/x"},
         {2, "", "volra: \"ssh://h:99999/x\" is not an SSH address: the port must be a number from 1 to 65535\n"}},
        {{"--save", server.Url("/no/such"), saved},
         {1, "",
          "volra: 127.0.0.1:/no/such: find: '/no/such': No such file or directory\n"
          "volra: the search of "
              + server.Url("/no/such") + " failed\n"}},
        {{"--save", server.Url(t.Path("data")), saved}, {0, "", ""}},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(RunProgram(t, args), expected) << args.front() << " ... " << args.back();
    EXPECT_NE(ReadFile(saved).find("\"name\":\"a\",\"asize\":3000"), std::string::npos) << ReadFile(saved);
}
