#include "RunProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <tuple>

namespace {
std::int64_t Blocks(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_blocks) * 512 : -1;
}
}  // namespace

// A folder of odd names: each extension one line, largest on disk first, escaped so that
// every row keeps to one line; its saved search prints the same; what cannot be read is
// said on standard error alone.
TEST(TypesCommand, PrintsOneLineAnExtensionLargestFirst)
{
    TempTree t;
    t.Dir("tree/sub");
    struct File {
        std::string name;
        std::size_t length;
        std::string category, extension;  // the extension as printed
    };
    const File files[] = {
        {"film.MP4", 90000, "video", "mp4"},          {"sub/b.tar.gz", 60000, "archives and disk images", "tar.gz"},
        {".bashrc", 40000, "other", "(none)"},        {"x\xff.\xfe", 25000, "other", "\xfe"},
        {"sub/n.B\\ack", 15000, "other", "b\\\\ack"}, {"tab.T\tX", 9000, "other", "t\\tx"},
        {"line.e\nd", 3000, "other", "e\\nd"},        {"c.txt", 1000, "documents", "txt"},
        {"sub/D.TXT", 100, "documents", "txt"},
    };
    // The folder is searched here, so sizes are what the files take on the disk.
    std::vector<std::tuple<std::int64_t, std::string, std::string, int>> rows;
    for (const File& f : files) {
        const std::string path = t.Path("tree/" + f.name);
        std::ofstream(path, std::ios::binary) << std::string(f.length, 'x');
        const auto same =
            std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return std::get<2>(r) == f.extension; });
        if (same != rows.end()) {
            std::get<0>(*same) += Blocks(path);
            ++std::get<3>(*same);
        } else {
            rows.emplace_back(Blocks(path), f.category, f.extension, 1);
        }
    }
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return std::get<0>(a) > std::get<0>(b); });
    std::string expected;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [bytes, category, extension, count] = rows[i];
        ASSERT_TRUE(i == 0 || bytes < std::get<0>(rows[i - 1])) << "sizes on disk alike: the order would be a tie";
        expected += category + "\t" + extension + "\t" + std::to_string(count) + "\t" + std::to_string(bytes) + "\n";
    }
    EXPECT_EQ(RunProgram(t, {"--types", t.Path("tree")}), (ProgramRun{0, expected, ""}));

    ASSERT_EQ(RunProgram(t, {"--save", t.Path("tree"), t.Path("saved.json.gz")}), (ProgramRun{0, "", ""}));
    EXPECT_EQ(RunProgram(t, {"--types", t.Path("saved.json.gz")}), (ProgramRun{0, expected, ""}));

    std::ofstream(t.Path("cut.json")) << "[1,2,{\"progname\":\"ncdu\"},[{\"name\":\"/x\"";
    const std::pair<std::vector<std::string>, int> failures[] = {
        {{"--types", t.Path("missing")}, 1},
        {{"--types", t.Path("cut.json")}, 1},
        {{"--types"}, 2},
        {{"--types", t.Path("tree"), t.Path("tree")}, 2},
        {{"--types", "--bytes", t.Path("tree")}, 2},
    };
    for (const auto& [args, code] : failures) {
        const ProgramRun run = RunProgram(t, args);
        EXPECT_EQ(run.exitCode, code) << args.back();
        EXPECT_EQ(run.out, "") << args.back();
        EXPECT_TRUE(run.err.starts_with("volra: ")) << run.err;
    }
}
