#include "sys/Trash.h"
#include "support/ScopedEnv.h"
#include "support/TempTree.h"
#include "support/Unprivileged.h"
#include "sys/ErrorText.h"
#include "sys/LastError.h"

#include <QByteArray>
#include <QDateTime>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
// The error a refused move leaves, or 0 when the item went.
DWORD Refusal(const std::string& path) { return MoveToTrash(path) ? 0 : GetLastError(); }

// Where the item went in the trash, or the error that kept it.
std::string Trashed(const std::string& path)
{
    std::string as;
    return MoveToTrash(path, &as) ? as : "error " + std::to_string(GetLastError());
}

bool IsPrivate(const std::string& dir) { return fs::status(dir).permissions() == fs::perms::owner_all; }

// Local time as the info file writes it, moved by a few seconds. The trash reads the
// kernel's coarse clock, which may lag the precise one by a tick across a second's edge.
std::string LocalNow(int nSeconds = 0)
{
    return QDateTime::currentDateTime().addSecs(nSeconds).toString(Qt::ISODate).toStdString();
}

// Checks that the info file holds exactly the three lines of the format, with a local
// deletion time between `before` and now. Returns the Path value as written.
std::string CheckInfo(const std::string& infoFile, const std::string& before)
{
    static const std::regex format(
        "\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d)\n");
    const std::string text = ReadFile(infoFile);
    std::smatch m;
    EXPECT_TRUE(std::regex_match(text, m, format)) << infoFile << ":\n" << text;
    if (m.empty())
        return {};
    EXPECT_LE(before, m[2].str());
    EXPECT_GE(LocalNow(), m[2].str());
    return m[1].str();
}
}  // namespace

TEST(Trash, HomeTrashIsMadePrivateNamesAreNumberedAndTheTrashItselfIsRefused)
{
    TempTree t;
    t.Dir("home");
    t.Files({{"work/report.txt", 4096}, {"other/report.txt", 10}, {"third/report.txt", 20}});
    // The base directory rules call a relative XDG_DATA_HOME invalid: the default applies.
    ScopedEnv home("HOME", t.Path("home"));
    ScopedEnv data("XDG_DATA_HOME", "data");
    const std::string root = fs::canonical(t.Root());
    const std::string trash = t.Path("home/.local/share/Trash");
    const std::string before = LocalNow(-1);

    EXPECT_EQ(Trashed(t.Path("work/report.txt")), trash + "/files/report.txt");
    EXPECT_EQ(SizeOnDisk(trash + "/files/report.txt"), 4096);
    EXPECT_EQ(SizeOnDisk(t.Path("work/report.txt")), -1);
    for (const char* dir : {"home/.local", "home/.local/share", "home/.local/share/Trash",
                            "home/.local/share/Trash/files", "home/.local/share/Trash/info"})
        EXPECT_TRUE(IsPrivate(t.Path(dir))) << dir;
    EXPECT_EQ(CheckInfo(trash + "/info/report.txt.trashinfo", before), root + "/work/report.txt");

    // The same name again is numbered; a leftover in files/ without its info is never
    // overwritten.
    EXPECT_EQ(Trashed(t.Path("other/report.txt")), trash + "/files/report.txt.2");
    EXPECT_EQ(SizeOnDisk(trash + "/files/report.txt.2"), 10);
    t.File("home/.local/share/Trash/files/report.txt.3", 7);
    EXPECT_EQ(Trashed(t.Path("third/report.txt")), trash + "/files/report.txt.4");
    EXPECT_EQ(SizeOnDisk(trash + "/files/report.txt.3"), 7);
    EXPECT_EQ(CheckInfo(trash + "/info/report.txt.4.trashinfo", before), root + "/third/report.txt");

    // The trash itself, what holds it and what is in it are refused: moving info/ into
    // files/ would succeed and orphan every record. A name that merely begins like the
    // trash's is an ordinary item.
    t.Symlink("trash-link", "home/.local/share/Trash");
    for (const char* path :
         {"home/.local/share/Trash/info", "home/.local/share/Trash/files", "home/.local/share/Trash",
          "home/.local/share/Trash/files/report.txt", "home/.local/share/Trash/info/report.txt.trashinfo",
          "home/.local", "home", "trash-link/info"})
        EXPECT_EQ(Refusal(t.Path(path)), ERROR_TRASH_ITSELF) << path;
    EXPECT_EQ(SizeOnDisk(trash + "/files/report.txt"), 4096);
    EXPECT_GT(SizeOnDisk(trash + "/info/report.txt.trashinfo"), 0);
    char text[120];
    EXPECT_TRUE(std::string(FormatErrorText(ERROR_TRASH_ITSELF, text, sizeof text)).starts_with("The trash's own"));
    t.File("home/.local/share/Trash-notes.txt", 3);
    EXPECT_TRUE(MoveToTrash(t.Path("home/.local/share/Trash-notes.txt")));
}

TEST(Trash, OddNamesRoundTripLongNamesAreShortenedLinksAreNotFollowed)
{
    TempTree t;
    ScopedEnv home("HOME", t.Path("home"));
    ScopedEnv data("XDG_DATA_HOME", "");
    const std::string trash = t.Path("home/.local/share/Trash");
    const std::string root = fs::canonical(t.Root());
    const std::string before = LocalNow(-1);

    // Path is percent-encoded byte by byte, so that every byte comes back.
    const std::string odd = "a b%\n\xff#?;[\t]\xc3\xa9~_-.x";
    t.File("dir with space/" + odd, 3);
    EXPECT_EQ(Trashed(t.Path("dir with space/" + odd)), trash + "/files/" + odd) << "the same bytes in the trash";
    const std::string path = CheckInfo(trash + "/info/" + odd + ".trashinfo", before);
    EXPECT_TRUE(path.ends_with("/dir%20with%20space/a%20b%25%0A%FF%23%3F%3B%5B%09%5D%C3%A9~_-.x")) << path;
    EXPECT_EQ(QByteArray::fromPercentEncoding(QByteArray::fromStdString(path)).toStdString(),
              root + "/dir with space/" + odd);

    // A name as long as names may be: the trash shortens its own copy so that the info
    // file's name still fits, and Path keeps the whole original.
    const std::string longName(250, 'n');
    t.File(longName, 9);
    EXPECT_EQ(Trashed(t.Path(longName)), trash + "/files/" + std::string(245, 'n'));
    EXPECT_EQ(CheckInfo(trash + "/info/" + std::string(245, 'n') + ".trashinfo", before), root + "/" + longName);
    t.File(longName, 8);
    EXPECT_EQ(Trashed(t.Path(longName)), trash + "/files/" + std::string(243, 'n') + ".2");

    // A symbolic link goes itself; its target stays.
    t.File("realdir/f", 60);
    for (const char* target : {"realdir", "realdir/f", "nowhere"}) {
        t.Symlink("link", target);
        const std::string as = Trashed(t.Path("link"));
        EXPECT_TRUE(fs::is_symlink(as) && fs::read_symlink(as) == target) << as;
    }
    EXPECT_EQ(SizeOnDisk(t.Path("realdir/f")), 60);
}

TEST(Trash, FailuresLeaveTheItemAndNoInfo)
{
    TempTree t;
    ScopedEnv home("HOME", t.Path("home"));
    ScopedEnv data("XDG_DATA_HOME", t.Path("data"));
    EXPECT_EQ(Refusal(t.Path("missing.txt")), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(SizeOnDisk(t.Path("data")), -1) << "no trash is made for an item that cannot go";

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
        EXPECT_EQ(Refusal(t.Path("locked/file.txt")), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(SizeOnDisk(t.Path("locked/file.txt")), 10);
    ASSERT_TRUE(fs::is_directory(t.Path("data/Trash/info"))) << "the trash itself was usable";
    EXPECT_TRUE(fs::is_empty(t.Path("data/Trash/info")));
    EXPECT_TRUE(fs::is_empty(t.Path("data/Trash/files")));

    // A home trash whose path runs through a file is an error, not a reason to choose
    // another trash.
    t.File("plain", 1);
    t.File("item.txt", 2);
    ScopedEnv broken("XDG_DATA_HOME", t.Path("plain/share"));
    EXPECT_EQ(Refusal(t.Path("item.txt")), ERROR_DIRECTORY);
    EXPECT_EQ(SizeOnDisk(t.Path("item.txt")), 2);
}

namespace {
// The user's trash at the top of /dev/shm, which other programs and other runs of these
// tests share. Takes out the items a test names, and the trash directories only when the
// test made them.
struct ShmTrashes {
    const std::string user = "/dev/shm/.Trash-" + std::to_string(::geteuid());
    const bool hadUser = SizeOnDisk(user) >= 0;
    std::vector<std::string> names;

    ~ShmTrashes()
    {
        std::error_code ec;
        for (const std::string& name : names) {
            fs::remove_all(user + "/files/" + name, ec);
            fs::remove(user + "/info/" + name + ".trashinfo", ec);
        }
        if (!hadUser) {
            for (const std::string& dir : {user + "/files", user + "/info", user})
                fs::remove(dir, ec);  // only when empty: someone else may have come meanwhile
        }
    }
};
}  // namespace

TEST(Trash, AnotherFileSystemUsesTheTrashAtItsTopOrNone)
{
    TempTree home;
    TempTree shm("/dev/shm");
    struct stat shmStat {
    }, homeStat{};
    if (shm.Root().rfind("/dev/shm/", 0) != 0 || ::stat("/dev/shm", &shmStat) != 0
        || ::stat(home.Root().c_str(), &homeStat) != 0 || shmStat.st_dev == homeStat.st_dev)
        GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    if (SizeOnDisk("/dev/shm/.Trash") >= 0)
        GTEST_SKIP() << "/dev/shm has an administrator's trash";
    ScopedEnv homeEnv("HOME", home.Root());
    ScopedEnv dataEnv("XDG_DATA_HOME", home.Path("data"));
    ShmTrashes trashes;
    const std::string dir = fs::path(shm.Root()).filename().string();  // unique in /dev/shm
    const std::string before = LocalNow(-1);
    // A new file of the name, taken out of the trashes when the test ends.
    const auto make = [&](const std::string& name) {
        trashes.names.push_back(name);
        shm.File(name, 4096);
        return shm.Path(name);
    };

    // The user's own trash at the top, made private on first use.
    const std::string first = dir + "-first.bin";
    ASSERT_EQ(Trashed(make(first)), trashes.user + "/files/" + first);
    EXPECT_EQ(SizeOnDisk(trashes.user + "/files/" + first), 4096);
    EXPECT_EQ(SizeOnDisk(shm.Path(first)), -1);
    EXPECT_EQ(CheckInfo(trashes.user + "/info/" + first + ".trashinfo", before), dir + "/" + first)
        << "relative to the top of the file system";
    if (!trashes.hadUser) {
        EXPECT_TRUE(IsPrivate(trashes.user));
    }
    EXPECT_EQ(SizeOnDisk(home.Path("data")), -1) << "the home trash is not made for it";
    for (const std::string& own : {trashes.user, trashes.user + "/info", trashes.user + "/files"})
        EXPECT_EQ(Refusal(own), ERROR_TRASH_ITSELF) << own;

    // A trash at the top that this user cannot write, and no other: the item stays, and
    // nothing is copied to the home trash on the other file system. Root's trash is closed
    // to nobody; an ordinary user's own is closed for the moment.
    shm.Chmod("", 0777);
    home.Chmod("", 0755);  // the user can look into their own home
    const std::string kept = make(dir + "-kept.bin");
    const std::string info = trashes.user + "/info";
    const bool asRoot = ::geteuid() == 0;
    if (!asRoot) {
        ASSERT_EQ(::chmod(info.c_str(), 0500), 0);
    }
    {
        Unprivileged nobody;
        EXPECT_EQ(Refusal(kept), ERROR_NO_TRASH);
    }
    if (!asRoot)
        ::chmod(info.c_str(), 0700);
    EXPECT_EQ(SizeOnDisk(kept), 4096);
    EXPECT_EQ(SizeOnDisk(home.Path("data")), -1);
    char text[120];
    EXPECT_NE(std::string(FormatErrorText(ERROR_NO_TRASH, text, sizeof text)).find("never copied"), std::string::npos);
}
