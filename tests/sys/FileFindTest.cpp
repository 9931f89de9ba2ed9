#include "sys/FileFind.h"
#include "support/DescriptorLimit.h"
#include "support/TempTree.h"
#include "sys/LastError.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace {
struct Listed {
    bool dir;
    std::int64_t size;
    std::string path;
};

// Lists a directory exactly as the walk does: the last item is processed after the
// FindNextFile that returned FALSE.
std::map<std::string, Listed> ListAll(CFileFind& find, const std::string& dir, DWORD* endCode = nullptr)
{
    std::map<std::string, Listed> items;
    BOOL more = find.FindFile(dir);
    EXPECT_TRUE(more) << dir;
    while (more) {
        more = find.FindNextFile();
        if (!more && endCode != nullptr)
            *endCode = GetLastError();
        items[find.GetFileName()] = {find.IsDirectory() != FALSE, find.GetLength64(), find.GetFilePath()};
    }
    find.Close();
    return items;
}
}  // namespace

TEST(FileFind, ListsEveryItemWithTheLastStillCurrentNoneRemovedAndFailuresCarryTheirCode)
{
    TempTree t;
    t.Dir("sub");
    t.File("a.txt", 10);
    t.File("sparse.img", 5000000000LL);
    t.File("odd \n name\xff", 3);
    t.File(std::string(255, 'n'), 1);
    t.Symlink("link", "a.txt");
    t.Symlink("loop", "loop");
    t.Symlink("dirlink", ".");

    CFileFind find;
    DWORD end = 0;
    auto items = ListAll(find, t.Root(), &end);
    EXPECT_EQ(end, ERROR_NO_MORE_FILES);
    ASSERT_EQ(items.size(), 10u) << "eight items plus . and ..";
    EXPECT_TRUE(items.count(".") && items.count(".."));
    EXPECT_TRUE(items["sub"].dir);
    EXPECT_EQ(items["sub"].size, 0);
    EXPECT_EQ(items["a.txt"].size, 10);
    EXPECT_EQ(items["sparse.img"].size, 5000000000LL) << "length, not blocks";
    EXPECT_EQ(items["odd \n name\xff"].path, t.Root() + "/odd \n name\xff");
    EXPECT_EQ(items[std::string(255, 'n')].size, 1);
    EXPECT_FALSE(items["link"].dir) << "a link is an item of its own, never followed";
    EXPECT_EQ(items["link"].size, 5) << "the link's own length";
    EXPECT_EQ(items["loop"].size, 4);

    // An empty directory lists its dots; a failure carries its code.
    EXPECT_EQ(ListAll(find, t.Path("sub")).size(), 2u);
    const struct {
        const char* name;
        DWORD code;
    } failures[] = {{"missing", ERROR_PATH_NOT_FOUND}, {"a.txt", ERROR_DIRECTORY}, {"dirlink", ERROR_DIRECTORY}};
    for (const auto& f : failures) {
        EXPECT_FALSE(find.FindFile(t.Path(f.name))) << f.name;
        EXPECT_EQ(GetLastError(), f.code) << f.name << ": links to directories are not followed either";
    }

    // Everything not yet handed out goes away: the finder must not report stale items.
    for (int i = 0; i < 50; ++i)
        t.File("many/f" + std::to_string(i), i);
    ASSERT_TRUE(find.FindFile(t.Path("many")));
    BOOL more = find.FindNextFile();
    const std::string first = find.GetFileName();
    for (int i = 0; i < 50; ++i)
        if ("f" + std::to_string(i) != first)
            t.Remove("many/f" + std::to_string(i));
    int later = 0;
    while (more) {
        more = find.FindNextFile();
        later += find.IsDots() ? 0 : 1;
    }
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_LE(later, 1) << "at most the item read ahead before the removal";
}

// A comb: every level holds "d", the next level, and "side" with one file. The spine is
// read first and every side on the way back up, as a depth-first walk does, so that far
// more levels are held than may stay open.
TEST(FileFind, SubdirectoriesAreOpenedInsideTheirParentsAtAnyDepth)
{
    TempTree t("/dev/shm");
    constexpr int kDepth = 3 * static_cast<int>(CDirStack::kMaxOpen);
    const auto spinePath = [](int level) {
        std::string path;
        for (int i = 0; i < level; ++i)
            path += "d/";
        return path;
    };
    for (int i = 0; i < kDepth; ++i)
        t.File(spinePath(i) + "side/f", i);
    const std::size_t before = OpenDescriptors();
    std::vector<char> spine(kDepth), side(kDepth);  // the keys the walk names levels by
    CFileFind find;
    ASSERT_TRUE(find.FindFileBelow(t.Root(), {}, &spine[0]));
    for (int i = 1; i < kDepth; ++i)
        ASSERT_TRUE(find.FindSubdirectory(&spine[i - 1], "d", &spine[i])) << i;
    EXPECT_LE(OpenDescriptors() - before, CDirStack::kMaxOpen + 1);
    for (int i = kDepth - 1; i >= 0; --i) {
        // A level moved away meanwhile is no longer the parent of the one below it; its
        // own parent is then found by name.
        if (i == kDepth / 3) {
            ASSERT_EQ(::rename(t.Path(spinePath(i + 1)).c_str(), t.Path("moved").c_str()), 0);
        }
        ASSERT_TRUE(find.FindSubdirectory(&spine[i], "side", &side[i])) << i;
        while (find.FindNextFile() && find.IsDots()) {}
        EXPECT_EQ(find.GetLength64(), i);
        EXPECT_EQ(find.GetFilePath(), t.Path(spinePath(i) + "side/f"));
    }
}

TEST(LastError, CodesFromErrno)
{
    // EIO is 5 as errno, but must never read as access denied, which the walk skips silently.
    const std::pair<int, DWORD> pairs[] = {
        {EACCES, ERROR_ACCESS_DENIED}, {EPERM, ERROR_ACCESS_DENIED}, {ENOENT, ERROR_PATH_NOT_FOUND},
        {ENOMEDIUM, ERROR_NOT_READY},  {0, ERROR_SUCCESS},           {EIO, ERROR_ERRNO_BASE + EIO}};
    for (const auto& [err, code] : pairs) {
        EXPECT_EQ(ErrorFromErrno(err), code) << err;
        EXPECT_EQ(ErrnoFromError(code), err == EPERM ? EACCES : err) << err;
    }
}
