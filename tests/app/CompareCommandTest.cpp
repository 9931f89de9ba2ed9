#include "RunProgram.h"
#include "app/CommandLineInfo.h"
#include "model/FormatSize.h"

#include <gtest/gtest.h>

namespace {
const std::string kBadName = "bad\xff\t\n\\";
// How the report writes it, so that each change keeps one line.
const std::string kBadShown = "bad\xff\\t\\n\\\\";

std::string Signed(std::int64_t n) { return (n > 0 ? "+" : "") + std::to_string(n); }

std::string Line(std::int64_t before, std::int64_t after, const std::string& path)
{
    return Signed(after - before) + "\t" + std::to_string(before) + "\t" + std::to_string(after) + "\t" + path + "\n";
}

void Shell(const std::string& script) { ASSERT_EQ(std::system(("set -e; " + script).c_str()), 0) << script; }
}  // namespace

// Two searches of a tree saved by the program with a script's changes between them: the
// largest changes and the totals are du's, the counts those of what the script made and
// removed; a folder searched on the spot compares as its saved search does.
TEST(CompareCommand, ShowsWhatAScriptChangedBetweenTwoSaves)
{
    TempTree t;
    t.Dir("tree");
    const std::string tree = t.Path("tree"), bad = tree + "/" + kBadName;
    Shell("cd '" + tree + "'; mkdir d '" + kBadName + "'; head -c 1000 /dev/zero > '" + kBadName
          + "/grow'; head -c 100000 /dev/zero > d/shrink; head -c 2000 /dev/zero > d/gone; head -c 3000 /dev/zero > "
            "keep");
    const std::int64_t before[] = {Du(tree), Du(bad), Du(bad + "/grow"), Du(tree + "/d")};
    ASSERT_EQ(RunProgram(t, {"--save", tree, t.Path("before.json")}), (ProgramRun{0, "", ""}));

    Shell("cd '" + tree + "'; head -c 300000 /dev/zero >> '" + kBadName
          + "/grow'; truncate -s 100 d/shrink; rm d/gone; mkdir n; head -c 9000 /dev/zero > n/new; mv keep kept");
    const std::int64_t after[] = {Du(tree), Du(bad), Du(bad + "/grow"), Du(tree + "/d")};
    ASSERT_EQ(RunProgram(t, {"--save", tree, t.Path("after.json.gz")}), (ProgramRun{0, "", ""}));

    const std::string total = "total\t" + std::to_string(before[0]) + "\t" + std::to_string(after[0]) + "\t"
        + Signed(after[0] - before[0]) + "\t3\t2\n";  // new: n, n/new, kept; gone: d/gone, keep
    const ProgramRun run =
        RunProgram(t, {"--compare", t.Path("before.json"), t.Path("after.json.gz"), "--top", "3", "--bytes"});
    EXPECT_EQ(run,
              (ProgramRun{0,
                          Line(before[1], after[1], tree + "/" + kBadShown)
                              + Line(before[2], after[2], tree + "/" + kBadShown + "/grow")
                              + Line(before[3], after[3], tree + "/d") + total,
                          ""}));
    const ProgramRun live = RunProgram(t, {"--compare", t.Path("before.json"), tree + "/", "--top", "1"});
    EXPECT_EQ(
        live,
        (ProgramRun{0,
                    "+" + FormatSize(after[1] - before[1]) + "\t" + FormatSize(before[1]) + "\t" + FormatSize(after[1])
                        + "\t" + tree + "/" + kBadShown + "\n" + "total\t" + FormatSize(before[0]) + "\t"
                        + FormatSize(after[0]) + "\t+" + FormatSize(after[0] - before[0]) + "\t3\t2\n",
                    ""}));
    EXPECT_EQ(
        RunProgram(t, {"--compare", "--bytes", t.Path("after.json.gz"), t.Path("after.json.gz"), "--top", "0"}),
        (ProgramRun{0, "total\t" + std::to_string(after[0]) + "\t" + std::to_string(after[0]) + "\t0\t0\t0\n", ""}));
}

// A saved search that knows lengths alone (ncdu's export without "dsize") is compared by
// lengths, a directory's own not counted; anything that cannot be compared is refused on
// standard error, never in a box.
TEST(CompareCommand, ComparesByLengthsWithoutSizesOnDiskAndRefusesWithAReason)
{
    TempTree t;
    t.Dir("tree");
    t.Dir("other");
    t.File("tree/a", 150);
    const std::string tree = t.Path("tree"), lengths = t.Path("lengths.json"), cut = t.Path("cut.json");
    WriteFile(lengths, "[1,0,{},[{\"name\":\"" + tree + "\"},{\"name\":\"a\",\"asize\":100}]]");
    EXPECT_EQ(RunProgram(t, {"--compare", lengths, tree, "--bytes"}),
              (ProgramRun{0, "+50\t100\t150\t" + tree + "/a\ntotal\t100\t150\t+50\t0\t0\n", ""}));

    ASSERT_EQ(RunProgram(t, {"--save", tree, t.Path("whole.json")}).exitCode, 0);
    const std::string whole = ReadFile(t.Path("whole.json"));
    WriteFile(cut, whole.substr(0, whole.size() - 5));
    const ProgramRun truncated = RunProgram(t, {"--compare", cut, tree});
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_EQ(truncated.out, "");
    EXPECT_NE(truncated.err.find("volra: " + cut + ": line 3, column "), std::string::npos) << truncated.err;
    EXPECT_NE(truncated.err.find("it is cut off\n"), std::string::npos) << truncated.err;

    const std::string usage = "volra: --compare wants two searches: volra --compare OLD NEW [--top N] [--bytes]\n";
    const std::vector<std::pair<std::vector<std::string>, ProgramRun>> refused = {
        {{"--compare", lengths, t.Path("other")},
         {1, "",
          "volra: " + lengths + " is a search of " + tree + ", " + t.Path("other") + " one of " + t.Path("other")
              + ": only searches of the same folder can be compared\n"}},
        {{"--compare", lengths, t.Path("missing")},
         {1, "", "volra: " + t.Path("missing") + ": No such file or directory\n"}},
        {{"--compare", lengths}, {2, "", usage}},
        {{"--compare", lengths, tree, tree}, {2, "", usage}},
        {{lengths, "--compare", tree}, {2, "", usage}},
        {{"--compare", lengths, tree, "--top", "-1"},
         {2, "", "volra: --top wants a whole number of lines, 0 or more\n"}},
        {{"--compare", lengths, tree, "--top"}, {2, "", "volra: --top wants a whole number of lines, 0 or more\n"}},
        {{"--compare", lengths, tree, "--tree"},
         {2, "", "volra: unknown option \"--tree\" (volra --help lists the options)\n"}},
    };
    for (const auto& [args, expected] : refused)
        EXPECT_EQ(RunProgram(t, args), expected) << testing::PrintToString(args);
}
