#include "remote/SshCommand.h"
#include "remote/SshAddress.h"
#include "remote/SshCipher.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {
// What /bin/sh makes of the word: the bytes printf receives as its argument.
std::string ShellSees(const std::string& quoted)
{
    int out[2];
    EXPECT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::execl("/bin/sh", "sh", "-c", ("printf %s " + quoted).c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string seen;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        seen.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    ::waitpid(pid, nullptr, 0);
    return seen;
}
}  // namespace

// Addresses as typed: user, host (names, IPv4, bracketed IPv6), port, and the folder's
// bytes with %-escapes; everything that could become an option of ssh, or is no address,
// is refused with a reason.
TEST(SshAddress, ParsesAddressesAndRefusesWhatSshCouldMisread)
{
    struct Case {
        const char* text;
        bool ok;
        const char* user;
        const char* host;
        int port;
        const char* path;
    };
    const Case cases[] = {
        {"ssh://host/srv", true, "", "host", 0, "/srv"},
        {"ssh://ann@host:2222/srv/data/", true, "ann", "host", 2222, "/srv/data"},
        {"ssh://[::1]:22/", true, "", "::1", 22, "/"},
        {"ssh://h/a%20b/%FF%2f", true, "", "h", 0, "/a b/\xff"},
        {"ssh://h/it's; rm -rf ~", true, "", "h", 0, "/it's; rm -rf ~"},
        {"ssh://h///", true, "", "h", 0, "/"},
        {"ssh://-oProxyCommand=x/srv", false, "", "", 0, ""},
        {"ssh://-l@h/srv", false, "", "", 0, ""},
        {"ssh://a b@h/srv", false, "", "", 0, ""},
        {"ssh://h:0/srv", false, "", "", 0, ""},
        {"ssh://h:65536/srv", false, "", "", 0, ""},
        {"ssh://h:/srv", false, "", "", 0, ""},
        {"ssh://h:x/srv", false, "", "", 0, ""},
        {"ssh://h", false, "", "", 0, ""},
        {"ssh:///srv", false, "", "", 0, ""},
        {"ssh://h/a%2", false, "", "", 0, ""},
        {"ssh://h/a%00b", false, "", "", 0, ""},
        {"ssh://[::1/x", false, "", "", 0, ""},
        {"ftp://h/x", false, "", "", 0, ""},
    };
    for (const Case& c : cases) {
        CSshAddress address;
        std::string error;
        ASSERT_EQ(address.Parse(c.text, error), c.ok) << c.text << ": " << error;
        if (!c.ok) {
            EXPECT_NE(error.find("is not an SSH address"), std::string::npos) << c.text;
            continue;
        }
        EXPECT_EQ(address.strUser, c.user) << c.text;
        EXPECT_EQ(address.strHost, c.host) << c.text;
        EXPECT_EQ(address.nPort, c.port) << c.text;
        EXPECT_EQ(address.strPath, c.path) << c.text;
        CSshAddress again;
        ASSERT_TRUE(again.Parse(address.ToUrl(), error)) << address.ToUrl();
        EXPECT_EQ(again.ToUrl(), address.ToUrl());
        EXPECT_EQ(again.strPath, address.strPath) << "the URL keeps every byte";
    }
}

// Whatever the folder's bytes, the shell takes the quoted word back as exactly those
// bytes: nothing in it is ever syntax. The snippet names the reader asked for alone.
TEST(SshCommand, QuotingSurvivesTheShellAndTheSnippetRunsOnlyTheReaders)
{
    for (const std::string path : {"/plain", "/it's", "/''", "/$(touch x)", "/`id`;|&\\\"\n\t *?[", "/\xff\xfe"}) {
        EXPECT_EQ(ShellSees(SshCommand::ShellQuote(path)), path);
    }
    const std::string any = SshCommand::RemoteSnippet("/a'b", SshCommand::Reader::Any);
    EXPECT_EQ(any.rfind("p='/a'\\''b';", 0), 0u) << any;
    for (const char* reader : {"VOLRA_SAVE_LISTING=1;export VOLRA_SAVE_LISTING;exec volra --save \"$p\" -",
                               "exec ncdu -x -0 -e -o- \"$p\"", "exec find \"$p\" -xdev"})
        EXPECT_NE(any.find(reader), std::string::npos) << reader;
    const std::string find = SshCommand::RemoteSnippet("/x", SshCommand::Reader::Find);
    EXPECT_EQ(find.find("volra"), std::string::npos);
    EXPECT_EQ(find.find("ncdu"), std::string::npos);
    EXPECT_EQ(SshCommand::ReaderFromName("ncdu"), SshCommand::Reader::Ncdu);
    EXPECT_EQ(SshCommand::ReaderFromName("sh"), SshCommand::Reader::Any);
}

// VOLRA_SSH_COMMAND is split as a shell splits words, without a shell; the address's
// parts come after "--", where ssh takes no option.
TEST(SshCommand, ArgumentsSplitTheCommandAndEndOptionsBeforeTheHost)
{
    struct Case {
        const char* command;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"ssh", {"ssh"}},
        {"  /usr/bin/ssh   -v ", {"/usr/bin/ssh", "-v"}},
        {"ssh -i '/k ey' -o \"A=\\\"b c\\\"\" x\\ y", {"ssh", "-i", "/k ey", "-o", "A=\"b c\"", "x y"}},
        {"ssh ''", {"ssh", ""}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words;
        std::string error;
        ASSERT_TRUE(SshCommand::SplitWords(c.command, words, error)) << c.command;
        EXPECT_EQ(words, c.words) << c.command;
    }
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SshCommand::SplitWords("ssh 'open", words, error));
    EXPECT_FALSE(SshCommand::SplitWords("ssh \"open", words, error));

    CSshAddress address;
    ASSERT_TRUE(address.Parse("ssh://ann@h:2200/x", error));
    std::vector<std::string> argv;
    {
        const ScopedEnv env("VOLRA_SSH_COMMAND", "myssh -v");
        ASSERT_TRUE(SshCommand::BuildArguments(address, "SNIPPET", argv, error));
    }
    const std::vector<std::string> expected = {"myssh", "-v", "-T",  "-x", "-o", "BatchMode=no", "-p",
                                               "2200",  "-l", "ann", "--", "h",  "SNIPPET"};
    EXPECT_EQ(argv, expected);
    const ScopedEnv env("VOLRA_SSH_COMMAND", "");
    ASSERT_TRUE(SshCommand::BuildArguments(address, "S", argv, error));
    EXPECT_EQ(argv.front(), "ssh");
}

// AES-GCM goes first only where nothing chooses the ciphers: a config of the user's that
// sets them (for this host), or their own -o or -c, keeps ssh's list; so does an ssh that
// knows no "^" (older than 8.2), and a command that is no OpenSSH client is not asked.
TEST(SshCipher, PutFirstOnlyWhereNothingChoosesTheCiphers)
{
    TempTree t;
    WriteFile(t.Path("chooses"), "Host *\n  Ciphers aes256-ctr\n");
    WriteFile(t.Path("other"), "Host *\n  Compression no\n");
    WriteFile(t.Path("elsewhere"), "Host other.example\n  Ciphers aes256-ctr\n");
    t.Dir("old");
    WriteFile(t.Path("old/ssh"),
              "#!/bin/sh\ncase \"$*\" in *^*) echo 'Bad SSH2 cipher spec' >&2; exit 255;; esac\n"
              "echo 'ciphers aes128-ctr,aes128-gcm@openssh.com'\n");
    t.Chmod("old/ssh", 0755);
    struct Case {
        std::string command;
        bool bPreferred;
    };
    const Case cases[] = {
        {"ssh -F " + t.Path("chooses"), false},
        {"ssh -F " + t.Path("other"), true},
        {"ssh -F " + t.Path("elsewhere"), true},
        {"ssh -F " + t.Path("other") + " -o Ciphers=aes256-ctr", false},
        {"ssh -F " + t.Path("other") + " -c aes256-ctr", false},
        {t.Path("old/ssh"), false},
        {"env ssh -F " + t.Path("other"), false},
    };
    std::string error;
    CSshAddress address;
    ASSERT_TRUE(address.Parse("ssh://h.example/x", error));
    for (const Case& c : cases) {
        const ScopedEnv env("VOLRA_SSH_COMMAND", c.command);
        std::vector<std::string> argv;
        ASSERT_TRUE(SshCommand::BuildArguments(address, "SNIPPET", argv, error));
        const std::vector<std::string> preferred = {"-o", "Ciphers=^aes128-gcm@openssh.com"};
        EXPECT_EQ(SshCipher::PreferenceFor(argv), c.bPreferred ? preferred : std::vector<std::string>()) << c.command;
    }
}
