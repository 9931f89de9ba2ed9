#include "sys/AtomicFile.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

// This program's own fsync and rename note, while a test listens, which file each call was
// about, and then do what the system's do: the order of the calls is what makes a replaced
// file survive a crash.
namespace {
std::vector<std::string>* g_pCalls = nullptr;

std::string Shown(std::string path)
{
    const std::size_t slash = path.rfind('/');
    if (path.compare(slash + 1, 7, ".volra-") == 0)
        path = path.substr(0, slash + 1) + "TEMP";
    return path;
}

std::string PathOf(int fd)
{
    char target[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "?";
}
}  // namespace

extern "C" int fsync(int fd)
{
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    if (g_pCalls != nullptr)
        g_pCalls->push_back("fsync " + Shown(PathOf(fd)));
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept
{
    static const auto real = reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
    if (g_pCalls != nullptr)
        g_pCalls->push_back("rename " + Shown(from) + " " + Shown(to));
    return real(from, to);
}

namespace {
bool Replace(const std::string& path, const std::string& bytes, std::string& error)
{
    CAtomicFile file;
    return file.Open(path, error) && file.Write(bytes.data(), bytes.size(), error) && file.Commit(error);
}
}  // namespace

// A file is replaced whole and keeps its permissions; a link, however it points, keeps
// pointing at the file it names, which is replaced; a device takes the data directly.
TEST(AtomicFile, ReplacesTheFileALinkNamesAndKeepsItsPermissions)
{
    TempTree t;
    t.Dir("d");
    std::ofstream(t.Path("d/old")) << "an old file, longer than the new one";
    ::chmod(t.Path("d/old").c_str(), 0640);
    t.Symlink("rel", "d/old");
    t.Symlink("chain", "rel");
    t.Symlink("abs", t.Path("d/abs-target"));
    t.Symlink("dangling", "d/made");
    t.Symlink("loop", "loop");
    const struct {
        std::string path, target;
    } cases[] = {{"d/old", "d/old"},      {"rel", "d/old"},       {"chain", "d/old"},
                 {"abs", "d/abs-target"}, {"dangling", "d/made"}, {"d/new", "d/new"}};
    for (const auto& c : cases) {
        std::string error;
        EXPECT_TRUE(Replace(t.Path(c.path), "new " + c.path, error)) << c.path << ": " << error;
        EXPECT_EQ(ReadFile(t.Path(c.target)), "new " + c.path) << c.path;
    }
    for (const char* link : {"rel", "chain", "abs", "dangling"})
        EXPECT_TRUE(fs::is_symlink(t.Path(link))) << link;
    EXPECT_EQ(fs::status(t.Path("d/old")).permissions(), fs::perms(0640));
    EXPECT_EQ(DirNames(t.Path("d")), (std::vector<std::string>{"abs-target", "made", "new", "old"}))
        << "no temporary left";

    std::string error;
    EXPECT_FALSE(Replace(t.Path("loop"), "x", error));
    EXPECT_EQ(error, "Too many levels of symbolic links");
    EXPECT_TRUE(Replace("/dev/null", "x", error)) << error;
    EXPECT_FALSE(Replace("/dev/full", "x", error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_FALSE(Replace(t.Path("d"), "x", error));
    EXPECT_EQ(error, "Is a directory");
    const std::string before = ReadFile(t.Path("d/old"));
    {
        CAtomicFile unfinished;
        ASSERT_TRUE(unfinished.Open(t.Path("d/old"), error));
        ASSERT_TRUE(unfinished.Write("half", 4, error));
    }
    EXPECT_EQ(ReadFile(t.Path("d/old")), before) << "what is not committed never replaces";
    EXPECT_EQ(DirNames(t.Path("d")).size(), 4u);
}

// The data is on the disk before the file takes the old one's place, and the new name
// before Commit answers.
TEST(AtomicFile, SyncsTheFileThenRenamesThenSyncsTheFolder)
{
    TempTree t;
    std::vector<std::string> calls;
    g_pCalls = &calls;
    std::string error;
    const bool bOk = Replace(t.Path("kept"), "data", error);
    g_pCalls = nullptr;
    ASSERT_TRUE(bOk) << error;
    const std::string root = t.Root() + "/";
    EXPECT_EQ(calls,
              (std::vector<std::string>{"fsync " + root + "TEMP", "rename " + root + "TEMP " + root + "kept",
                                        "fsync " + t.Root()}));
}
