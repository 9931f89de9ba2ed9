#include "app/CommandLineInfo.h"
#include "support/ModalWatch.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {
const std::string kBadName = "bad\xff" "dir";

struct Finished {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs the program itself, the arguments passed as the bytes they are. Its own runtime
// folder keeps Qt from remarking on a missing one.
Finished RunVolra(const TempTree& t, const std::vector<std::string>& args)
{
    t.Dir("run");
    t.Chmod("run", 0700);
    std::string command = "XDG_RUNTIME_DIR=" + t.Path("run") + " '" VOLRA_PROGRAM "'";
    for (const std::string& a : args)
        command += " '" + a + "'";
    command += " </dev/null >" + t.Path("out") + " 2>" + t.Path("err");
    const int status = std::system(command.c_str());
    const auto read = [&](const char* name) {
        std::stringstream text;
        text << std::ifstream(t.Path(name)).rdbuf();
        return text.str();
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read("out"), read("err")};
}
}  // namespace

TEST(CommandLine, TheProgramAnswersOnTheRightStreamWithItsExitCode)
{
    TempTree t;
    t.File("plain", 1);
    t.File(kBadName + "/big", 3000);
    t.File(kBadName + "/d/small", 1000);
    const std::string bad = t.Path(kBadName);
    const std::string shot = t.Path("shot.png");
    const auto noSuch = [](const std::string& p) { return "volra: " + p + ": No such file or directory\n"; };
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"--help"}, 0, UsageText(), ""},
        {{t.Root(), "-h"}, 0, UsageText(), ""},
        {{"--version"}, 0, "volra 1.1\n", ""},
        {{t.Path("missing")}, 2, "", noSuch(t.Path("missing"))},
        {{t.Path("plain")}, 2, "", "volra: " + t.Path("plain") + ": Not a directory\n"},
        {{""}, 2, "", "volra: an empty path names no folder\n"},
        {{"--bogus"}, 2, "", "volra: unknown option \"--bogus\" (volra --help lists the options)\n"},
        {{"--snapshot", bad}, 2, "", "volra: --output FILE.png is missing\n"},
        {{"--snapshot", t.Path("missing"), "--output", shot}, 1, "", noSuch(t.Path("missing"))},
        {{"--snapshot", bad, "--output", t.Path("no/dir/shot.png")}, 1, "", noSuch(t.Path("no/dir/shot.png"))},
        {{"--snapshot", bad, "--output", "/dev/full"}, 1, "", "volra: /dev/full: No space left on device\n"},
        {{"--snapshot", bad, "--size", "320x200", "--output", shot}, 0, "", ""},
    };
    for (const Case& c : cases) {
        const Finished run = RunVolra(t, c.args);
        SCOPED_TRACE(c.args[0] + " " + c.err);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
    const QImage image(QString::fromStdString(shot));
    ASSERT_EQ(image.size(), QSize(320, 200));
    EXPECT_NE(image.pixel(5, 100), image.pixel(300, 100)) << "blocks, not an empty picture";
}

TEST(CommandLine, PathsStayBytesAndMalformedSnapshotsAreRefused)
{
    TempTree t;
    t.Dir(kBadName);
    const CCommandLineInfo folder = ParseCommandLine({"volra", t.Path(kBadName + "/.")});
    EXPECT_EQ(folder.action, CCommandLineInfo::Action::SearchFolder);
    EXPECT_EQ(folder.strFolder, t.Path(kBadName));

    const CCommandLineInfo shot = ParseCommandLine(
        {"volra", "--snapshot", kBadName, "--mode", "block", "--size", "640x480", "--output", "x\xfe.png"});
    ASSERT_EQ(shot.action, CCommandLineInfo::Action::Snapshot);
    EXPECT_EQ(shot.strError, "");
    EXPECT_EQ(shot.snapshot.path, kBadName);
    EXPECT_EQ(shot.snapshot.output, "x\xfe.png");
    EXPECT_EQ(shot.snapshot.size, QSize(640, 480));

    const std::vector<std::vector<std::string>> malformed = {
        {"volra", "--snapshot", "/srv", "--size", "640", "--output", "a.png"},
        {"volra", "--snapshot", "/srv", "--size", "0x10", "--output", "a.png"},
        {"volra", "--snapshot", "/srv", "--mode", "spider", "--output", "a.png"},
        {"volra", "--snapshot", "/srv", "--output"},
        {"volra", "--snapshot", "/srv", "--bogus", "--output", "a.png"},
        {"volra", "/srv", "/home"},
    };
    for (const auto& args : malformed)
        EXPECT_NE(ParseCommandLine(args).strError, "") << args[3];
}

TEST(Snapshot, ErrorsGoToStandardErrorNeverIntoABoxAndTheOutputIsCheckedFirst)
{
    TempTree t;
    t.Chmod("", 0755);
    t.Dir("locked");
    t.Chmod("locked", 0700);
    const std::string self = program_invocation_short_name;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/dev/null", self + ": Permission denied.\nvolra: the search of " + t.Path("locked") + " failed\n"},
        {t.Path("shot.png"), "volra: " + t.Path("shot.png") + ": Permission denied\n"},
    };
    for (const auto& [output, err] : cases) {
        ModalWatch boxes;
        CSnapshotRequest request;
        request.path = t.Path("locked");
        request.output = output;
        testing::internal::CaptureStderr();
        int code = 0;
        {
            Unprivileged nobody;
            code = RunSnapshot(request);
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), err);
        EXPECT_EQ(code, 1);
        EXPECT_EQ(boxes.closed, 0);
    }
}
