#include "platform/FileFind.h"
#include "platform/LastError.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

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

TEST(FileFind, ListsEveryItemWithTheLastStillCurrent)
{
    TempTree t;
    t.Dir("sub");
    t.File("a.txt", 10);
    t.File("sparse.img", 5000000000LL);
    t.File("odd \n name\xff", 3);
    t.File(std::string(255, 'n'), 1);
    t.Symlink("link", "a.txt");
    t.Symlink("loop", "loop");

    CFileFind find;
    DWORD end = 0;
    auto items = ListAll(find, t.Root(), &end);
    EXPECT_EQ(end, ERROR_NO_MORE_FILES);
    ASSERT_EQ(items.size(), 9u) << "seven items plus . and ..";
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
}

TEST(FileFind, AnEmptyDirectoryListsOnlyItsDots)
{
    TempTree t;
    t.Dir("empty");
    CFileFind find;
    auto items = ListAll(find, t.Path("empty"));
    EXPECT_EQ(items.size(), 2u);
    ASSERT_TRUE(find.FindFile(t.Path("empty")));
    find.FindNextFile();
    EXPECT_TRUE(find.IsDots());
}

TEST(FileFind, FailuresCarryTheirCode)
{
    TempTree t;
    t.File("plain", 1);
    t.Symlink("dirlink", ".");
    CFileFind find;
    EXPECT_FALSE(find.FindFile(t.Path("missing")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(find.FindFile(t.Path("plain")));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_FALSE(find.FindFile(t.Path("dirlink"))) << "links to directories are not followed";
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
}

TEST(FileFind, ItemsRemovedDuringTheListingAreNotThere)
{
    TempTree t;
    for (int i = 0; i < 50; ++i)
        t.File("f" + std::to_string(i), i);
    CFileFind find;
    ASSERT_TRUE(find.FindFile(t.Root()));
    BOOL more = find.FindNextFile();
    const std::string first = find.GetFileName();
    // Everything not yet handed out goes away: the finder must not report stale items.
    for (int i = 0; i < 50; ++i)
        if ("f" + std::to_string(i) != first)
            t.Remove("f" + std::to_string(i));
    int later = 0;
    while (more) {
        more = find.FindNextFile();
        if (!find.IsDots())
            ++later;
    }
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_LE(later, 1) << "at most the item read ahead before the removal";
}

TEST(LastError, CodesFromErrno)
{
    EXPECT_EQ(ErrorFromErrno(EACCES), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrorFromErrno(EPERM), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrorFromErrno(ENOENT), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ErrorFromErrno(0), ERROR_SUCCESS);
    const DWORD io = ErrorFromErrno(EIO);
    EXPECT_NE(io, 5u) << "EIO is 5 as errno, but must not read as access denied";
    EXPECT_EQ(ErrnoFromError(io), EIO);
    EXPECT_EQ(ErrnoFromError(ERROR_ACCESS_DENIED), EACCES);
    SetLastErrorFromErrno(ENOMEDIUM);
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}
