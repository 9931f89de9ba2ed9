#include "RunProgram.h"
#include "app/CommandLineInfo.h"
#include "support/ModalWatch.h"
#include "support/ScopedMount.h"
#include "support/Unprivileged.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sys/stat.h>

namespace {
const std::string kBadName = "bad\xff"
                             "dir";
}  // namespace

TEST(CommandLine, TheProgramAnswersOnTheRightStreamWithItsExitCode)
{
    TempTree t;
    t.File("plain", 1);
    t.File(kBadName + "/big", 3000);
    t.File(kBadName + "/d/small", 1000);
    const std::string bad = t.Path(kBadName), shot = t.Path("shot\xfe.png"), listShot = t.Path("list.png");
    const std::string saved = t.Path("saved.json.gz"), savedShot = t.Path("saved.png");
    const auto noSuch = [](const std::string& p) { return "volra: " + p + ": No such file or directory\n"; };
    const std::vector<std::pair<std::vector<std::string>, ProgramRun>> cases = {
        {{"--help"}, {0, UsageText(), ""}},
        {{t.Root(), "-h"}, {0, UsageText(), ""}},
        {{"--version"}, {0, "volra 1.1\n", ""}},
        {{t.Path("missing")}, {2, "", noSuch(t.Path("missing"))}},
        {{""}, {2, "", "volra: an empty path names no folder\n"}},
        {{"--bogus"}, {2, "", "volra: unknown option \"--bogus\" (volra --help lists the options)\n"}},
        {{"--snapshot", bad}, {2, "", "volra: --output FILE.png is missing\n"}},
        {{"--snapshot", t.Path("missing"), "--output", shot}, {1, "", noSuch(t.Path("missing"))}},
        {{"--snapshot", bad, "--output", t.Path("no/dir/shot.png")}, {1, "", noSuch(t.Path("no/dir/shot.png"))}},
        {{"--snapshot", bad, "--output", "/dev/full"}, {1, "", "volra: /dev/full: No space left on device\n"}},
        {{"--snapshot", bad, "--mode", "list", "--tree", "--size", "300x100", "--output", listShot}, {0, "", ""}},
        {{"--snapshot", bad, "--size", "320x200", "--output", shot}, {0, "", ""}},
        {{"--save", bad},
         {2, "", "volra: --save wants a folder (or a saved search) and a file: volra --save FOLDER FILE\n"}},
        {{"--save", t.Path("missing"), saved}, {1, "", noSuch(t.Path("missing"))}},
        {{"--save", bad, "/dev/full"}, {1, "", "volra: /dev/full: No space left on device\n"}},
        {{"--save", t.Path("plain"), saved},
         {1, "", "volra: " + t.Path("plain") + ": line 1, column 1: invalid value\n"}},
        {{"--save", bad, saved}, {0, "", ""}},
        {{"--snapshot", saved, "--size", "320x200", "--output", savedShot}, {0, "", ""}},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(RunProgram(t, args), expected) << args.front() << " ... " << args.back();
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(ReadFile(listShot))).size(), QSize(300, 100));
    const QImage image = QImage::fromData(QByteArray::fromStdString(ReadFile(shot)));
    ASSERT_EQ(image.size(), QSize(320, 200));
    EXPECT_NE(image.pixel(5, 100), image.pixel(300, 100)) << "blocks, not an empty picture";
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(ReadFile(savedShot))), image)
        << "the saved search looks the same";
    // Each mode draws a picture of its own.
    std::vector<QImage> drawn{image};
    for (const QString mode : {"pie", "spider"}) {
        ASSERT_EQ(RunSnapshot({bad, mode, false, QSize(320, 200), shot}), 0) << mode.toStdString();
        drawn.push_back(QImage::fromData(QByteArray::fromStdString(ReadFile(shot))));
        EXPECT_TRUE(std::count(drawn.begin(), drawn.end(), drawn.back()) == 1) << mode.toStdString();
    }
}

// Both outputs replace their file whole: through a link they replace the file it names, as
// a shell redirection would, and on a full disk the old file stays as it was.
TEST(CommandLine, OutputsReplaceTheFileALinkNamesAndAFullDiskKeepsTheOldOne)
{
    TempTree t;
    t.File("tree/a", 3000);
    t.Dir("place");
    t.Symlink("shot.png", "place/shot-target.png");
    t.Symlink("saved.json", "place/saved-target.json");
    const std::string tree = t.Path("tree");
    EXPECT_EQ(RunProgram(t, {"--snapshot", tree, "--size", "64x48", "--output", t.Path("shot.png")}),
              (ProgramRun{0, "", ""}));
    EXPECT_EQ(RunProgram(t, {"--save", tree, t.Path("saved.json")}), (ProgramRun{0, "", ""}));
    struct stat st {};
    for (const char* link : {"shot.png", "saved.json"})
        EXPECT_TRUE(::lstat(t.Path(link).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << link << " stays a link";
    EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(ReadFile(t.Path("place/shot-target.png")))).size(),
              QSize(64, 48));
    EXPECT_EQ(ReadFile(t.Path("place/saved-target.json")).substr(0, 6), "[1,2,{");

    const ScopedMount disk = ScopedMount::SmallDisk(t.Path("place"), 256 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting needs privilege";
    const std::string oldShot(20000, 'p'), oldSave(5000, 's');
    std::ofstream(t.Path("place/shot-target.png")) << oldShot;
    std::ofstream(t.Path("place/saved-target.json")) << oldSave;
    std::ofstream(t.Path("place/filler")) << std::string(256 * 1024, 'f');  // the rest of the disk
    const std::string full = "No space left on device\n";
    EXPECT_EQ(RunProgram(t, {"--snapshot", tree, "--size", "800x600", "--output", t.Path("shot.png")}),
              (ProgramRun{1, "", "volra: " + t.Path("shot.png") + ": " + full}));
    EXPECT_EQ(RunProgram(t, {"--save", tree, t.Path("saved.json")}),
              (ProgramRun{1, "", "volra: " + t.Path("saved.json") + ": " + full}));
    EXPECT_EQ(ReadFile(t.Path("place/shot-target.png")), oldShot);
    EXPECT_EQ(ReadFile(t.Path("place/saved-target.json")), oldSave);
}

TEST(CommandLine, FoldersStayBytesAndMalformedLinesAreRefused)
{
    TempTree t;
    t.Dir(kBadName);
    const CCommandLineInfo folder = ParseCommandLine({"volra", t.Path(kBadName + "/.")});
    EXPECT_EQ(folder.action, CCommandLineInfo::Action::SearchFolder);
    EXPECT_EQ(folder.strFolder, t.Path(kBadName));
    t.File(kBadName + "/saved.json");  // a file is a saved search, its path kept as given
    const CCommandLineInfo file = ParseCommandLine({"volra", t.Path(kBadName + "/./saved.json")});
    EXPECT_EQ(file.action, CCommandLineInfo::Action::OpenFile);
    EXPECT_EQ(file.strFile, t.Path(kBadName + "/./saved.json"));
    const std::vector<std::vector<std::string>> malformed = {
        {"volra", "--snapshot", "/srv", "--size", "640", "--output", "a.png"},
        {"volra", "--snapshot", "/srv", "--size", "0x10", "--output", "a.png"},
        {"volra", "--snapshot", "/srv", "--mode", "bogus", "--output", "a.png"},
        {"volra", "--snapshot", "/srv", "--output"},
        {"volra", "--snapshot", "/srv", "--bogus", "--output", "a.png"},
        {"volra", "/srv", "/home"},
        {"volra", "--save", "/srv"},
        {"volra", "--save", "/srv", "a.json", "--tree"},
    };
    for (const auto& args : malformed)
        EXPECT_NE(ParseCommandLine(args).strError, "") << args.back();
}

// Nobody may read the root: the search's error goes to standard error, no box waits, and
// an output that cannot be written is found before the search starts.
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
        testing::internal::CaptureStderr();
        const int code = [&] {
            Unprivileged nobody;
            return RunSnapshot({t.Path("locked"), QStringLiteral("block"), false, QSize(64, 48), output});
        }();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), err);
        EXPECT_EQ(code, 1);
        EXPECT_EQ(boxes.closed, 0);
    }
}

// The list drawn alone is the list drawn beside the tree panel, moved right by the panel.
TEST(Snapshot, TheListLooksTheSameWithAndWithoutTheTreePanel)
{
    TempTree t;
    t.Files({{"tree/big.bin", 5000}, {"tree/docs/a.txt", 1000}, {"tree/docs/b.txt", 20}});
    const std::string shot = t.Path("shot.png");
    const auto draw = [&](bool bTree) {
        EXPECT_EQ(RunSnapshot({t.Path("tree"), QStringLiteral("list"), bTree, QSize(700, 200), shot}), 0);
        return QImage::fromData(QByteArray::fromStdString(ReadFile(shot)));
    };
    const QImage alone = draw(false);
    const QImage beside = draw(true);
    const QRect list(0, 0, 300, 120);  // left of any vertical and above any horizontal scroll bar
    const QImage part = alone.copy(list);
    QImage blank = part;
    blank.fill(part.pixel(0, part.height() - 1));
    EXPECT_NE(part, blank) << "a list, not a blank picture";
    int nAt = 0;  // where the list begins beside the panel
    while (nAt + list.width() <= beside.width() && beside.copy(list.translated(nAt, 0)) != part)
        ++nAt;
    EXPECT_GE(nAt, 192) << "the list, right of the panel";
    EXPECT_LT(nAt + list.width(), beside.width());
}
