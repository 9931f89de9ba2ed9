#include "Trash.h"

#include "ErrorText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {
// Numbered names are tried this far before giving up: a trash holding a million items of
// one name is broken, not busy.
constexpr int kMaxNumberedNames = 1'000'000;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// Names lost to another program between their claim and the move, before giving up.
constexpr int kMaxRaces = 100;

std::string TrashMessage(DWORD code)
{
    if (code == ERROR_NO_TRASH)
        return "No trash can be used on the item's file system, and items are never copied to "
               "another one.\n";
    if (code == ERROR_TRASH_ITSELF)
        return "The trash's own folders, and what is already in the trash, cannot be moved to "
               "the trash.\n";
    return {};
}

BOOL Fail(DWORD code)
{
    SetLastError(code);
    return FALSE;
}

BOOL FailErrno(int err) { return Fail(ErrorFromErrno(err)); }

// A descriptor closed when it goes out of scope; Close reports the error a write may only
// show at the end.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return m_fd; }
    bool Close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

// Where a path lives: its mount when the kernel says (a bind mount of the same device is
// another mount, and rename(2) does not cross mounts), else its device.
struct Place {
    dev_t dev = 0;
    std::uint64_t ino = 0;
    std::uint64_t mount = 0;
    bool haveMount = false;
};

bool SamePlace(const Place& a, const Place& b)
{
    return a.haveMount && b.haveMount ? a.mount == b.mount : a.dev == b.dev;
}

bool PlaceOf(const std::string& path, int flags, Place& place)
{
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), flags, STATX_MNT_ID | STATX_INO, &sx) != 0)
        return false;
    place.dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    place.ino = sx.stx_ino;
    place.haveMount = (sx.stx_mask & STATX_MNT_ID) != 0;
    place.mount = sx.stx_mnt_id;
    return true;
}

std::string ParentOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& dir, const std::string& name) { return dir == "/" ? "/" + name : dir + "/" + name; }

// A path that does not exist yet will be made on the file system of its nearest existing
// ancestor.
bool PlaceOfNearest(std::string path, Place& place)
{
    while (!PlaceOf(path, 0, place)) {
        if (errno != ENOENT || path == "/")
            return false;
        path = ParentOf(path);
    }
    return true;
}

// The item as the trash records it: absolute, with its directory's symbolic links
// resolved (so that it can be placed under its mount point), but the item itself as it is.
struct Item {
    std::string path;
    std::string parent;
    std::string name;
};

bool ResolveItem(const std::string& given, Item& item)
{
    std::string path = given;
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (path.front() != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd == nullptr)
            return false;
        path = Join(cwd, path);
        ::free(cwd);
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    item.name = path.substr(path.rfind('/') + 1);
    if (item.name.empty() || item.name == "." || item.name == "..") {
        errno = EINVAL;  // the root of everything, or not a name of its own
        return false;
    }
    char* real = ::realpath(ParentOf(path).c_str(), nullptr);
    if (real == nullptr)
        return false;
    item.parent = real;
    ::free(real);
    item.path = Join(item.parent, item.name);
    return true;
}

std::string HomeTrashDir()
{
    const std::string data = DataHomeDir();
    return data.empty() ? std::string() : data + "/Trash";
}

// The path with the symbolic links of the part that exists resolved; the rest is kept as
// written (a trash that is not made yet has a place all the same).
std::string ResolvedAsFarAsExists(const std::string& path)
{
    std::string head = path;
    std::string rest;
    while (head != "/") {
        if (char* real = ::realpath(head.c_str(), nullptr)) {
            std::string resolved = real;
            ::free(real);
            return rest.empty() ? resolved : Join(resolved, rest);
        }
        const std::string name = head.substr(head.rfind('/') + 1);
        rest = rest.empty() ? name : name + "/" + rest;
        head = ParentOf(head);
    }
    return "/" + rest;
}

// Whether one absolute path is the other or lies below it.
bool IsWithin(const std::string& inner, const std::string& outer)
{
    return inner.starts_with(outer) && (inner.size() == outer.size() || outer == "/" || inner[outer.size()] == '/');
}

// Whether the item is a trash the user's items go to, holds one, or lies inside one. A
// trash is compared as configured, with only its directory resolved (the form the item
// has) and wholly resolved, so that no symbolic link on either side hides the relation.
bool TouchesTrash(const Item& item, const std::vector<std::string>& trashes)
{
    for (const std::string& trash : trashes) {
        for (const std::string& form :
             {trash, Join(ResolvedAsFarAsExists(ParentOf(trash)), trash.substr(trash.rfind('/') + 1)),
              ResolvedAsFarAsExists(trash)}) {
            if (IsWithin(item.path, form) || IsWithin(form, item.path))
                return true;
        }
    }
    return false;
}

// A directory of a top-directory trash: made if missing, and then it must be a real
// directory (not a link someone planted) that belongs to the user.
bool OwnDirectory(const std::string& path, uid_t uid)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == uid;
}

// The administrator's shared trash directory counts only when it cannot have been faked by
// another user: a real directory with the sticky bit.
bool AdminTrashUsable(const std::string& top)
{
    struct stat st {};
    return ::lstat(Join(top, ".Trash").c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
}

bool PrepareTopTrash(const std::string& trash, uid_t uid)
{
    return OwnDirectory(trash, uid) && OwnDirectory(trash + "/files", uid) && OwnDirectory(trash + "/info", uid);
}

// The highest directory above dir that is still on dir's file system.
std::string MountTop(std::string dir, const Place& place)
{
    while (dir != "/") {
        const std::string up = ParentOf(dir);
        Place above;
        if (!PlaceOf(up, 0, above) || !SamePlace(above, place))
            break;
        dir = up;
    }
    return dir;
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Byte by byte, as URIs encode paths: a name that is not UTF-8 must come back as the same
// bytes. Letters, digits, "-._~" and "/" stay as they are.
std::string PercentEncoded(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum || c == '-' || c == '.' || c == '_' || c == '~' || c == '/')
            out += ch;
        else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string InfoText(const std::string& path, const std::string& date)
{
    return "[Trash Info]\nPath=" + PercentEncoded(path) + "\nDeletionDate=" + date + "\n";
}

// The name in the trash: the item's own, then "name.2", "name.3", ...; shortened when the
// info file's name would be longer than a name may be.
std::string TrashName(const std::string& name, int number)
{
    const std::string suffix = number == 1 ? std::string() : "." + std::to_string(number);
    const std::size_t room = NAME_MAX - kInfoSuffix.size() - suffix.size();
    return name.substr(0, std::min(name.size(), room)) + suffix;
}

// 0 when the info file was written; otherwise the errno, EEXIST when the name is taken.
int WriteInfo(const std::string& infoPath, const std::string& text)
{
    UniqueFd fd(::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.Get() < 0)
        return errno;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::unlink(infoPath.c_str());
            return err;
        }
        done += static_cast<std::size_t>(n);
    }
    if (!fd.Close()) {
        const int err = errno;
        ::unlink(infoPath.c_str());
        return err;
    }
    return 0;
}
}  // namespace

std::string DataHomeDir()
{
    // A relative XDG_DATA_HOME is invalid by the base directory rules and is ignored.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return data;
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] == '/')
        home = env;
    else if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_dir != nullptr)
        home = pw->pw_dir;
    return home.empty() ? std::string() : home + "/.local/share";
}

// Mode 0700, as the base directory rules ask for directories that did not exist.
bool MakePrivateDirs(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT || (path != "/" && !MakePrivateDirs(ParentOf(path))))
            return false;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (::stat(path.c_str(), &st) != 0)
            return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: the name was free a moment ago and is checked again.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

namespace {
// Writes the info file first, so that a crash before the move leaves a stale entry, never
// an item in the trash that no file manager knows where to restore. False, with errno, when
// nothing can be written to this trash.
bool ClaimName(const Item& item, const std::string& trash, const std::string& pathValue, CTrashSlot& slot)
{
    const std::string text = InfoText(pathValue, DeletionDate());
    for (int number = 1; number <= kMaxNumberedNames; ++number) {
        const std::string name = TrashName(item.name, number);
        struct stat st {};
        if (::lstat((trash + "/files/" + name).c_str(), &st) == 0)
            continue;  // a leftover without its info: never overwritten
        const int written = WriteInfo(trash + "/info/" + name + std::string(kInfoSuffix), text);
        if (written == EEXIST)
            continue;
        if (written != 0) {
            errno = written;
            return false;
        }
        slot.itemPath = item.path;
        slot.trashDir = trash;
        slot.name = name;
        return true;
    }
    errno = EEXIST;
    return false;
}

BOOL ClaimInHomeTrash(const Item& item, const std::string& trash, CTrashSlot& slot)
{
    if (!MakePrivateDirs(trash + "/files") || !MakePrivateDirs(trash + "/info")
        || !ClaimName(item, trash, item.path, slot))
        return FailErrno(errno);
    return TRUE;
}

BOOL ClaimInTopTrash(const Item& item, const std::string& top, CTrashSlot& slot)
{
    const uid_t uid = ::geteuid();
    std::vector<std::string> candidates;
    if (AdminTrashUsable(top))
        candidates.push_back(Join(top, ".Trash") + "/" + std::to_string(uid));
    candidates.push_back(Join(top, ".Trash-" + std::to_string(uid)));
    // The top-directory trash records the path relative to its file system's top, so that
    // the item can be restored wherever the file system is mounted next time.
    const std::string relative = item.path.substr(top == "/" ? 1 : top.size() + 1);
    for (const std::string& trash : candidates) {
        if (PrepareTopTrash(trash, uid) && ClaimName(item, trash, relative, slot))
            return TRUE;
    }
    return Fail(ERROR_NO_TRASH);
}
}  // namespace

std::string CTrashSlot::FilesPath() const { return trashDir + "/files/" + name; }
std::string CTrashSlot::InfoPath() const { return trashDir + "/info/" + name + std::string(kInfoSuffix); }

BOOL PrepareTrash(const std::string& path, CTrashSlot& slot)
{
    static const bool registered = (RegisterMessageTable("trash", TrashMessage), true);
    (void)registered;

    Item item;
    if (!ResolveItem(path, item))
        return FailErrno(errno);
    Place itemPlace;
    Place parentPlace;
    if (!PlaceOf(item.path, AT_SYMLINK_NOFOLLOW, itemPlace) || !PlaceOf(item.parent, 0, parentPlace))
        return FailErrno(errno);
    if (!SamePlace(itemPlace, parentPlace))
        return FailErrno(EBUSY);  // a mount point: it cannot be renamed away
    const std::string homeTrash = HomeTrashDir();
    const std::string top = MountTop(item.parent, parentPlace);
    const std::string uid = std::to_string(::geteuid());
    std::vector<std::string> trashes = {Join(top, ".Trash") + "/" + uid, Join(top, ".Trash-" + uid)};
    if (!homeTrash.empty())
        trashes.push_back(homeTrash);
    if (TouchesTrash(item, trashes))
        return Fail(ERROR_TRASH_ITSELF);

    // A home trash whose place cannot be told (its path runs through a file, say) is an
    // error of its own, not a reason to put the item into some other trash.
    Place homePlace;
    if (!homeTrash.empty() && !PlaceOfNearest(homeTrash + "/files", homePlace))
        return FailErrno(errno);
    slot.device = itemPlace.dev;
    slot.inode = itemPlace.ino;
    const BOOL claimed = !homeTrash.empty() && SamePlace(homePlace, parentPlace)
        ? ClaimInHomeTrash(item, homeTrash, slot)
        : ClaimInTopTrash(item, top, slot);
    if (claimed)
        SetLastError(ERROR_SUCCESS);
    return claimed;
}

BOOL CommitTrash(const CTrashSlot& slot)
{
    const int moved = RenameNoReplace(slot.itemPath, slot.FilesPath());
    if (moved != 0) {
        AbandonTrash(slot);
        return FailErrno(moved);
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

void AbandonTrash(const CTrashSlot& slot) { ::unlink(slot.InfoPath().c_str()); }

BOOL MoveToTrash(const std::string& path, std::string* trashedAs)
{
    // A name taken between its claim and the move (another program trashed one of the same
    // name meanwhile) is claimed anew: the next number is free then.
    for (int attempt = 0; attempt < kMaxRaces; ++attempt) {
        CTrashSlot slot;
        if (!PrepareTrash(path, slot))
            return FALSE;
        if (CommitTrash(slot)) {
            if (trashedAs != nullptr)
                *trashedAs = slot.FilesPath();
            return TRUE;
        }
        if (ErrnoFromError(GetLastError()) != EEXIST)
            return FALSE;
    }
    return FALSE;
}
