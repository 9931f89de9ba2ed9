#include "platform/ErrorText.h"
#include "platform/LastError.h"
#include "platform/Trash.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
// Sets environment variables (nullopt unsets) for one test and puts the old values back.
class ScopedEnv {
public:
    explicit ScopedEnv(const std::map<std::string, std::optional<std::string>>& values)
    {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
            Set(name, value);
        }
    }
    ~ScopedEnv()
    {
        for (const auto& [name, value] : m_saved)
            Set(name, value);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    static void Set(const std::string& name, const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    std::map<std::string, std::optional<std::string>> m_saved;
};

// Runs the test from another working directory: a broken trash once put items into
// ./files of whatever directory the program was started from.
class ScopedCwd {
public:
    explicit ScopedCwd(const std::string& dir) : m_old(fs::current_path()) { fs::current_path(dir); }
    ~ScopedCwd() { fs::current_path(m_old); }
    ScopedCwd(const ScopedCwd&) = delete;
    ScopedCwd& operator=(const ScopedCwd&) = delete;

private:
    fs::path m_old;
};

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::int64_t SizeOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

unsigned ModeOf(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string RealPath(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    std::string result = real != nullptr ? real : path;
    std::free(real);
    return result;
}

std::string LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The info file as the trash wrote it, checked line by line: exactly the three lines of
// the format, the date a well-formed local time taken between the two clock readings.
// Returns the Path value as written (still percent-encoded).
std::string CheckInfo(const std::string& infoFile, const std::string& before, const std::string& after)
{
    static const std::regex format(
        "\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d)\n");
    const std::string text = ReadAll(infoFile);
    std::smatch m;
    EXPECT_TRUE(std::regex_match(text, m, format)) << infoFile << ":\n" << text;
    if (m.empty())
        return {};
    EXPECT_LE(before, m[2].str());
    EXPECT_GE(after, m[2].str());
    return m[1].str();
}

std::string Encoded(const std::string& raw)
{
    return QByteArray(raw.data(), static_cast<qsizetype>(raw.size())).toPercentEncoding("/").toStdString();
}

std::string Decoded(const std::string& encoded)
{
    return QByteArray::fromPercentEncoding(QByteArray::fromStdString(encoded)).toStdString();
}
}  // namespace

TEST(Trash, HomeTrashIsMadeWhereNoneExistedAndNamesAreNumbered)
{
    TempTree t;
    t.Dir("home");
    t.File("work/report.txt", 4096);
    t.File("other/report.txt", 10);
    t.File("third/report.txt", 20);
    t.File("fourth/report.txt", 30);
    t.File("tree/sub/deep/x", 100);
    t.File("tree/y", 5);
    TempTree cwd;
    ScopedEnv env({{"HOME", t.Path("home")}, {"XDG_DATA_HOME", std::nullopt}});
    ScopedCwd in(cwd.Root());
    const std::string root = RealPath(t.Root());
    const std::string trash = t.Path("home/.local/share/Trash");

    const std::string before = LocalNow();
    std::string as;
    ASSERT_TRUE(MoveToTrash(t.Path("work/report.txt"), &as)) << GetLastError();
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(as, trash + "/files/report.txt");
    EXPECT_FALSE(Exists(t.Path("work/report.txt")));
    EXPECT_EQ(SizeOf(as), 4096);
    for (const char* dir : {"home/.local", "home/.local/share", "home/.local/share/Trash",
                            "home/.local/share/Trash/files", "home/.local/share/Trash/info"})
        EXPECT_EQ(ModeOf(t.Path(dir)), 0700u) << dir;
    EXPECT_EQ(CheckInfo(trash + "/info/report.txt.trashinfo", before, LocalNow()),
              root + "/work/report.txt");
    EXPECT_TRUE(Names(cwd.Root()).empty()) << "nothing lands in the working directory";

    // Same names: numbered, each info pointing at its own origin.
    ASSERT_TRUE(MoveToTrash(t.Path("other/report.txt"), &as));
    EXPECT_EQ(as, trash + "/files/report.txt.2");
    ASSERT_TRUE(MoveToTrash(t.Path("third/report.txt"), &as));
    EXPECT_EQ(as, trash + "/files/report.txt.3");
    EXPECT_EQ(SizeOf(trash + "/files/report.txt.2"), 10);
    EXPECT_EQ(SizeOf(trash + "/files/report.txt.3"), 20);
    EXPECT_EQ(CheckInfo(trash + "/info/report.txt.3.trashinfo", before, LocalNow()),
              root + "/third/report.txt");
    // A leftover in files/ without its info is never overwritten.
    t.File("home/.local/share/Trash/files/report.txt.4", 7);
    ASSERT_TRUE(MoveToTrash(t.Path("fourth/report.txt"), &as));
    EXPECT_EQ(as, trash + "/files/report.txt.5");
    EXPECT_EQ(SizeOf(trash + "/files/report.txt.4"), 7);
    EXPECT_FALSE(Exists(trash + "/info/report.txt.4.trashinfo"));

    // A directory goes whole.
    ASSERT_TRUE(MoveToTrash(t.Path("tree"), &as));
    EXPECT_EQ(as, trash + "/files/tree");
    EXPECT_FALSE(Exists(t.Path("tree")));
    EXPECT_EQ(SizeOf(trash + "/files/tree/sub/deep/x"), 100);
    EXPECT_EQ(SizeOf(trash + "/files/tree/y"), 5);
    EXPECT_EQ(CheckInfo(trash + "/info/tree.trashinfo", before, LocalNow()), root + "/tree");
    EXPECT_EQ(Names(trash + "/info"),
              (std::vector<std::string>{"report.txt.2.trashinfo", "report.txt.3.trashinfo",
                                        "report.txt.5.trashinfo", "report.txt.trashinfo", "tree.trashinfo"}));
    EXPECT_TRUE(Names(cwd.Root()).empty());
}

TEST(Trash, XdgDataHomeChoosesTheTrashUnlessItIsRelative)
{
    TempTree t;
    t.Dir("home");
    t.File("a.txt", 1);
    t.File("b.txt", 2);
    {
        ScopedEnv env({{"HOME", t.Path("home")}, {"XDG_DATA_HOME", t.Path("data")}});
        std::string as;
        ASSERT_TRUE(MoveToTrash(t.Path("a.txt"), &as));
        EXPECT_EQ(as, t.Path("data/Trash/files/a.txt"));
        EXPECT_EQ(ModeOf(t.Path("data")), 0700u);
        EXPECT_FALSE(Exists(t.Path("home/.local")));
    }
    {
        // The base directory rules call a relative path invalid: the default applies.
        TempTree cwd;
        ScopedCwd in(cwd.Root());
        ScopedEnv env({{"HOME", t.Path("home")}, {"XDG_DATA_HOME", "data"}});
        std::string as;
        ASSERT_TRUE(MoveToTrash(t.Path("b.txt"), &as));
        EXPECT_EQ(as, t.Path("home/.local/share/Trash/files/b.txt"));
        EXPECT_TRUE(Names(cwd.Root()).empty());
    }
}

TEST(Trash, OddNamesRoundTripThroughThePercentEncodedPath)
{
    TempTree t;
    ScopedEnv env({{"HOME", t.Path("home")}, {"XDG_DATA_HOME", std::nullopt}});
    const std::string trash = t.Path("home/.local/share/Trash");
    const std::string root = RealPath(t.Root());
    const std::string before = LocalNow();

    const std::string odd = "a b%\n\xff#?;\xc3\xa9~_-.x";
    t.File(odd, 3);
    std::string as;
    ASSERT_TRUE(MoveToTrash(t.Path(odd), &as));
    EXPECT_EQ(as, trash + "/files/" + odd) << "the same bytes in the trash";
    EXPECT_EQ(SizeOf(trash + "/files/" + odd), 3);
    const std::string path = CheckInfo(trash + "/info/" + odd + ".trashinfo", before, LocalNow());
    EXPECT_EQ(path, Encoded(root) + "/a%20b%25%0A%FF%23%3F%3B%C3%A9~_-.x");
    EXPECT_EQ(Decoded(path), root + "/" + odd);

    for (const std::string& name : {std::string("line\nbreak"), std::string("\xfe\xfd"),
                                   std::string("100% [final] (2).txt"), std::string("tab\there")}) {
        t.File("dir with space/" + name, 1);
        ASSERT_TRUE(MoveToTrash(t.Path("dir with space/" + name), &as)) << name;
        const std::string value = CheckInfo(trash + "/info/" + name + ".trashinfo", before, LocalNow());
        EXPECT_EQ(value.find_first_of(" \n\t[]()"), std::string::npos) << value;
        EXPECT_EQ(Decoded(value), root + "/dir with space/" + name);
    }

    // A name as long as names may be: the trash shortens its own copy so that the info
    // file's name still fits, and Path keeps the whole original.
    const std::string longName(250, 'n');
    t.File(longName, 9);
    ASSERT_TRUE(MoveToTrash(t.Path(longName), &as));
    const std::string shortened(245, 'n');
    EXPECT_EQ(as, trash + "/files/" + shortened);
    EXPECT_EQ(SizeOf(as), 9);
    EXPECT_EQ(CheckInfo(trash + "/info/" + shortened + ".trashinfo", before, LocalNow()),
              root + "/" + longName);
    t.File(longName, 8);
    ASSERT_TRUE(MoveToTrash(t.Path(longName), &as));
    EXPECT_EQ(as, trash + "/files/" + std::string(243, 'n') + ".2");
}

TEST(Trash, SymbolicLinksAreMovedNotFollowed)
{
    TempTree t;
    ScopedEnv env({{"HOME", t.Path("home")}, {"XDG_DATA_HOME", std::nullopt}});
    const std::string files = t.Path("home/.local/share/Trash/files");
    t.File("target.txt", 50);
    t.File("realdir/inner/f", 60);
    t.Symlink("link", "target.txt");
    t.Symlink("dirlink", "realdir");
    t.Symlink("dangling", "nowhere");

    for (const char* name : {"link", "dirlink", "dangling"})
        ASSERT_TRUE(MoveToTrash(t.Path(name))) << name;
    EXPECT_EQ(fs::read_symlink(files + "/link"), "target.txt");
    EXPECT_EQ(fs::read_symlink(files + "/dirlink"), "realdir");
    EXPECT_EQ(fs::read_symlink(files + "/dangling"), "nowhere");
    EXPECT_EQ(SizeOf(t.Path("target.txt")), 50) << "the target stays";
    EXPECT_EQ(SizeOf(t.Path("realdir/inner/f")), 60);
    EXPECT_EQ(Names(t.Root()), (std::vector<std::string>{"home", "realdir", "target.txt"}));
    EXPECT_EQ(Names(files), (std::vector<std::string>{"dangling", "dirlink", "link"}));
}

TEST(Trash, FailuresLeaveTheItemAndNoInfo)
{
    TempTree t;
    ScopedEnv env({{"HOME", t.Path("home")}, {"XDG_DATA_HOME", t.Path("data")}});

    EXPECT_FALSE(MoveToTrash(t.Path("missing.txt")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(MoveToTrash("/"));
    EXPECT_EQ(GetLastError(), ErrorFromErrno(EINVAL));
    EXPECT_FALSE(MoveToTrash("/dev/shm")) << "a mount point cannot be renamed away";
    EXPECT_EQ(GetLastError(), ErrorFromErrno(EBUSY));
    EXPECT_FALSE(Exists(t.Path("data"))) << "no trash is made for an item that cannot go";

    // The info is written, then the rename is refused: the info goes again.
    t.Chmod("", 0755);
    t.Dir("data");
    if (::geteuid() == 0) {  // the trash is the user's own; the user below is nobody
        ASSERT_EQ(::chown(t.Path("data").c_str(), Unprivileged::kNobody, Unprivileged::kNobody), 0);
    }
    t.File("locked/file.txt", 10);
    t.Chmod("locked", 0555);
    {
        Unprivileged nobody;
        EXPECT_FALSE(MoveToTrash(t.Path("locked/file.txt")));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(SizeOf(t.Path("locked/file.txt")), 10);
    ASSERT_TRUE(Exists(t.Path("data/Trash/info"))) << "the trash itself was usable";
    EXPECT_TRUE(Names(t.Path("data/Trash/info")).empty());
    EXPECT_TRUE(Names(t.Path("data/Trash/files")).empty());

    // A home trash whose path runs through a file is an error, not a reason to choose
    // another trash.
    t.File("plain", 1);
    t.File("item.txt", 2);
    ScopedEnv broken({{"XDG_DATA_HOME", t.Path("plain/share")}});
    EXPECT_FALSE(MoveToTrash(t.Path("item.txt")));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_EQ(SizeOf(t.Path("item.txt")), 2);
}

namespace {
// Takes out what a test put into the trashes at the top of /dev/shm, which other programs
// share: our own items, and the trash directories only when the test made them.
class ShmTrashCleanup {
public:
    ShmTrashCleanup() : m_hadUserTrash(Exists(UserTrash())), m_hadAdminTrash(Exists("/dev/shm/.Trash")) {}
    ~ShmTrashCleanup()
    {
        std::error_code ec;
        for (const std::string& trash : {UserTrash(), AdminUserTrash()})
            for (const std::string& name : m_names) {
                fs::remove_all(trash + "/files/" + name, ec);
                fs::remove(trash + "/info/" + name + ".trashinfo", ec);
            }
        if (!m_hadAdminTrash)
            fs::remove_all("/dev/shm/.Trash", ec);
        if (!m_hadUserTrash)
            for (const std::string& dir : {UserTrash() + "/files", UserTrash() + "/info", UserTrash()})
                fs::remove(dir, ec);  // only when empty: someone else may have come meanwhile
    }
    ShmTrashCleanup(const ShmTrashCleanup&) = delete;
    ShmTrashCleanup& operator=(const ShmTrashCleanup&) = delete;

    static std::string Uid() { return std::to_string(::geteuid()); }
    static std::string UserTrash() { return "/dev/shm/.Trash-" + Uid(); }
    static std::string AdminUserTrash() { return "/dev/shm/.Trash/" + Uid(); }
    void Own(const std::string& name) { m_names.push_back(name); }
    bool HadUserTrash() const { return m_hadUserTrash; }
    bool HadAdminTrash() const { return m_hadAdminTrash; }

private:
    bool m_hadUserTrash;
    bool m_hadAdminTrash;
    std::vector<std::string> m_names;
};

dev_t DeviceOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
}
}  // namespace

TEST(Trash, AnotherFileSystemUsesTheTrashAtItsTopOrNone)
{
    TempTree home;
    TempTree shm("/dev/shm");
    if (shm.Root().rfind("/dev/shm/", 0) != 0 || DeviceOf("/dev/shm") == DeviceOf(home.Root()))
        GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    ScopedEnv env({{"HOME", home.Root()}, {"XDG_DATA_HOME", home.Path("data")}});
    ShmTrashCleanup cleanup;
    const std::string dir = fs::path(shm.Root()).filename().string();  // unique in /dev/shm
    const std::string before = LocalNow();

    // No administrator's trash: the user's own at the top, made private on first use.
    const std::string first = dir + "-first.bin";
    cleanup.Own(first);
    shm.File(first, 4096);
    std::string as;
    ASSERT_TRUE(MoveToTrash(shm.Path(first), &as)) << GetLastError();
    const std::string userTrash = ShmTrashCleanup::UserTrash();
    EXPECT_EQ(as, userTrash + "/files/" + first);
    EXPECT_EQ(SizeOf(as), 4096);
    EXPECT_FALSE(Exists(shm.Path(first)));
    EXPECT_EQ(CheckInfo(userTrash + "/info/" + first + ".trashinfo", before, LocalNow()), dir + "/" + first)
        << "relative to the top of the file system";
    if (!cleanup.HadUserTrash()) {
        EXPECT_EQ(ModeOf(userTrash), 0700u);
    }
    EXPECT_FALSE(Exists(home.Path("data"))) << "the home trash is not made for it";

    if (!cleanup.HadAdminTrash()) {
        // An administrator's .Trash without the sticky bit could be another user's trap.
        ASSERT_EQ(::mkdir("/dev/shm/.Trash", 0777), 0);
        ASSERT_EQ(::chmod("/dev/shm/.Trash", 0777), 0);
        const std::string second = dir + "-second.bin";
        cleanup.Own(second);
        shm.File(second, 1);
        ASSERT_TRUE(MoveToTrash(shm.Path(second), &as));
        EXPECT_EQ(as, userTrash + "/files/" + second);
        EXPECT_FALSE(Exists(ShmTrashCleanup::AdminUserTrash()));

        // With the sticky bit it is the one to use, in a directory of the user's own.
        ASSERT_EQ(::chmod("/dev/shm/.Trash", 01777), 0);
        const std::string third = dir + "-third.bin";
        cleanup.Own(third);
        shm.File(third, 2);
        ASSERT_TRUE(MoveToTrash(shm.Path(third), &as));
        EXPECT_EQ(as, ShmTrashCleanup::AdminUserTrash() + "/files/" + third);
        EXPECT_EQ(CheckInfo(ShmTrashCleanup::AdminUserTrash() + "/info/" + third + ".trashinfo", before,
                            LocalNow()),
                  dir + "/" + third);
        fs::remove_all("/dev/shm/.Trash");
    }

    // A trash at the top that this user cannot write, and no other: the item stays, and
    // nothing is copied to the home trash on the other file system.
    shm.Chmod("", 0777);
    home.Chmod("", 0755);  // the user can look into their own home
    const std::string kept = dir + "-kept.bin";
    cleanup.Own(kept);
    shm.File(kept, 4096);
    // Root's trash is closed to nobody; an ordinary user's own is closed for the moment.
    const bool asRoot = ::geteuid() == 0;
    if (!asRoot) {
        ASSERT_EQ(::chmod((userTrash + "/info").c_str(), 0500), 0);
    }
    {
        Unprivileged nobody;
        EXPECT_FALSE(MoveToTrash(shm.Path(kept)));
        EXPECT_EQ(GetLastError(), ERROR_NO_TRASH);
    }
    if (!asRoot)
        ::chmod((userTrash + "/info").c_str(), 0700);
    EXPECT_EQ(SizeOf(shm.Path(kept)), 4096);
    EXPECT_FALSE(Exists(userTrash + "/info/" + kept + ".trashinfo"));
    EXPECT_FALSE(Exists(home.Path("data")));
    char text[120];
    EXPECT_STREQ(FormatErrorText(ERROR_NO_TRASH, text, sizeof text),
                 "No trash can be used on the item's file system, and items are never copied to another one.\n");
}
