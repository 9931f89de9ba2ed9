#include "ftp/FtpAccountsDlg.h"
#include "ftp/FtpAccountStore.h"
#include "ftp/NewAccountNameDlg.h"
#include "support/ModalWatch.h"
#include "support/PrivateSettings.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace {
struct Dialog {
    CFtpAccountsDlg dlg;
    std::vector<std::string> names;  // answers to New, one each
    Dialog()
    {
        dlg.m_askName = [this](std::string& name) {
            name = names.front();
            names.erase(names.begin());
            return TRUE;
        };
        dlg.OnInitDialog();
    }
    std::vector<std::string> Listed() const
    {
        std::vector<std::string> listed;
        for (int i = 0; i < dlg.GetList()->count(); ++i)
            listed.push_back(dlg.GetList()->item(i)->text().toStdString());
        return listed;
    }
    // What the four edits show, as "host|user|password|port".
    std::string Details() const
    {
        return (dlg.GetHostEdit()->text() + "|" + dlg.GetUserNameEdit()->text() + "|" + dlg.GetPasswordEdit()->text()
                + "|" + dlg.GetPortEdit()->text())
            .toStdString();
    }
    // Which of host, user, password, port, list, OK, Remove are usable, in that order.
    std::string Enabled() const
    {
        std::string s;
        for (QWidget* w : std::initializer_list<QWidget*>{dlg.GetHostEdit(), dlg.GetUserNameEdit(),
                                                          dlg.GetPasswordEdit(), dlg.GetPortEdit(), dlg.GetList(),
                                                          dlg.GetOkButton(), dlg.GetRemoveButton()})
            s += w->isEnabled() ? '1' : '0';
        return s;
    }
};
}  // namespace

TEST(FtpAccounts, NewTypeCancelOkAndTheNextTime)
{
    PrivateSettings settings;
    const auto addTwo = [](Dialog& d) {
        d.names = {"work", "home"};
        d.dlg.OnNew();
        EXPECT_EQ(d.dlg.GetPortEdit()->text(), "21");
        d.dlg.GetHostEdit()->setText("ftp.example.org");
        d.dlg.OnNew();
        d.dlg.GetHostEdit()->setText("192.168.1.2");
        d.dlg.GetUserNameEdit()->setText("me");
        d.dlg.GetPasswordEdit()->setText("pa ss");
        d.dlg.GetPortEdit()->setText("2121");
    };
    {
        Dialog d;  // first use: nothing stored, only New and Cancel work
        EXPECT_EQ(d.Enabled(), "0000000");
        EXPECT_TRUE(d.dlg.GetNewButton()->isEnabled());
        addTwo(d);
        EXPECT_EQ(d.Enabled(), "1111111");
        EXPECT_EQ(d.Listed(), (std::vector<std::string>{"home", "work"}));
        d.dlg.reject();
    }
    EXPECT_TRUE(settings.Settings().childGroups().isEmpty()) << "Cancel stores nothing";
    {
        Dialog d;
        addTwo(d);
        d.dlg.accept();
        EXPECT_EQ(d.dlg.result(), QDialog::Accepted);
        EXPECT_EQ(d.dlg.m_strHost, "192.168.1.2");
        EXPECT_EQ(d.dlg.m_nPort, 2121);
    }
    struct stat st {};
    ASSERT_EQ(::stat(settings.File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the file holds passwords";
    EXPECT_EQ(settings.Settings().value("Accounts/home/Password").toString(), "pa ss") << "stored as typed";

    Dialog d;  // the first account in sorted order is shown; a selection change shows another
    EXPECT_EQ(d.Listed(), (std::vector<std::string>{"home", "work"}));
    EXPECT_EQ(d.Enabled(), "1111111");
    EXPECT_EQ(d.Details(), "192.168.1.2|me|pa ss|2121");
    d.dlg.GetList()->setCurrentRow(1);
    EXPECT_EQ(d.Details(), "ftp.example.org|||21");
}

TEST(FtpAccounts, RemoveIsStoredAtOnceAndTheLastLeavesClearedDisabledDetails)
{
    PrivateSettings settings;
    FtpAccountStore::Save(
        {{"a", "h1", "u1", "p1", 1, {}}, {"b", "h2", "u2", "p2", 2, {}}, {"b", "h3", "u3", "p3", 3, {}}});
    Dialog d;
    EXPECT_EQ(d.Listed(), (std::vector<std::string>{"a", "b"})) << "one name, one account: the later won";
    d.dlg.OnRemove();
    d.dlg.reject();
    EXPECT_EQ(settings.Settings().childGroups(), QStringList{"Accounts"});
    EXPECT_EQ(settings.Settings().value("Accounts/b/Host").toString(), "h3");
    EXPECT_FALSE(settings.Settings().contains("Accounts/a/Host")) << "the removal stays after Cancel";

    Dialog again;
    EXPECT_EQ(again.Details(), "h3|u3|p3|3");
    again.dlg.OnRemove();
    EXPECT_EQ(again.Enabled(), "0000000");
    EXPECT_EQ(again.Details(), "|||21");
}

// What the settings hold is shown as it stands: a port out of range (never wrapped into
// another number) is refused by OK as a typed one is, and written back unchanged until a
// port is typed; a group nested by hand is the account of its whole name. A typed port is
// checked at every change and holds OK, and the other details wait for it.
TEST(FtpAccounts, PortsAreCheckedAsTypedAndAsStored)
{
    PrivateSettings settings;
    settings.Dir().Dir("kestrow software");
    std::ofstream(settings.File()) << "[Accounts]\n"
                                      "a%2Fb\\Host=nested\n"
                                      "a%2Fb\\Port=2121\n"
                                      "big\\Host=h\n"
                                      "big\\Port=99999999999\n";
    ModalWatch messages;
    const auto stored = [&settings](const char* key) { return settings.Settings().value(key).toString(); };
    {
        Dialog d;
        EXPECT_EQ(d.Listed(), (std::vector<std::string>{"a/b", "big"}));
        EXPECT_EQ(d.Details(), "nested|||2121");
        d.dlg.GetPortEdit()->setText("70000");
        d.dlg.GetHostEdit()->setText("h2");  // not taken into the account while the port is wrong
        d.dlg.GetPortEdit()->setText("");
        d.dlg.accept();
        EXPECT_NE(d.dlg.result(), QDialog::Accepted);
        EXPECT_EQ(stored("Accounts/a/b/Host"), "nested") << "written before the check";
        d.dlg.GetPortEdit()->setText("0");
        d.dlg.accept();
        EXPECT_EQ(d.dlg.result(), QDialog::Accepted);
        EXPECT_EQ(stored("Accounts/a/b/Host"), "h2");
        EXPECT_EQ(stored("Accounts/a/b/Port"), "0");
    }
    Dialog d;
    d.dlg.GetList()->setCurrentRow(1);
    EXPECT_EQ(d.Details(), "h|||99999999999");
    d.dlg.accept();
    EXPECT_NE(d.dlg.result(), QDialog::Accepted);
    const std::string range = "Please enter an integer between 0 and 65535.", integer = "Please enter an integer.";
    EXPECT_EQ(messages.texts, (std::vector<std::string>{range, range, integer, integer, integer}));
    EXPECT_EQ(stored("Accounts/big/Port"), "99999999999");
    d.dlg.GetPortEdit()->setText("2100");
    d.dlg.accept();
    EXPECT_EQ(d.dlg.result(), QDialog::Accepted);
    EXPECT_EQ(d.dlg.m_nPort, 2100);
    EXPECT_EQ(stored("Accounts/big/Port"), "2100");
}

// Names come back exactly as they went, an account nested in another's group included;
// removing the outer one leaves the inner one.
TEST(FtpAccounts, NamesRoundTripExactly)
{
    PrivateSettings settings;
    const std::vector<std::string> names = {" lead", "trail ", "50%", "a%2Fb", "x=y;z", "#[s]", "\xc3\xbc", "a", "a/b"};
    std::vector<CFtpAccount> accounts;
    for (const std::string& name : names)
        accounts.push_back({name, "host of " + name, "", "", 21, {}});
    FtpAccountStore::Save(accounts);
    std::vector<CFtpAccount> loaded;
    ASSERT_TRUE(FtpAccountStore::Load(loaded));
    std::map<std::string, std::string> hosts;
    for (const CFtpAccount& account : loaded)
        hosts[account.strName] = account.strHost;
    ASSERT_EQ(hosts.size(), names.size());
    for (const std::string& name : names)
        EXPECT_EQ(hosts[name], "host of " + name) << name;
    FtpAccountStore::Remove("a");
    ASSERT_TRUE(FtpAccountStore::Load(loaded));
    EXPECT_EQ(loaded.size(), names.size() - 1);
    EXPECT_TRUE(std::any_of(loaded.begin(), loaded.end(), [](const CFtpAccount& a) { return a.strName == "a/b"; }));
}

TEST(FtpAccounts, NamesThatWouldNestAreRefused)
{
    ModalWatch messages;
    for (const char* name : {"a/b", "a\\b", "plain name"}) {
        CNewAccountNameDlg dlg;
        dlg.GetNameEdit()->setText(name);
        dlg.accept();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, std::string(name) == "plain name") << name;
    }
    EXPECT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts.front(), "An account name cannot contain \"/\" or \"\\\". Please choose another name.");
}
