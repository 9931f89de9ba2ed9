#include "HistoryStore.h"

#include "HistoryNames.h"
#include "doc/NcduWriter.h"
#include "doc/SearchSnapshot.h"
#include "sys/AtomicFile.h"
#include "sys/LastError.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
constexpr int kMaxHashTries = 16;  // roots sharing one hash: more is an attack, not chance
constexpr std::size_t kMaxRootFile = 64 * 1024;
constexpr std::time_t kStaleSeconds = 24 * 60 * 60;
constexpr int kGzipLevel = 1;  // the fastest: the history is written while the user works

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

// A folder of the history, never through a link: one planted there is not ours.
UniqueFd OpenFolder(int atFd, const std::string& name)
{
    return UniqueFd(::openat(atFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::vector<std::string> NamesIn(int dirFd)
{
    std::vector<std::string> names;
    const int fd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    DIR* pDir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (pDir == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return names;
    }
    while (const dirent* pItem = ::readdir(pDir))
        if (std::string_view name = pItem->d_name; name != "." && name != "..")
            names.emplace_back(name);
    ::closedir(pDir);
    return names;
}

// The bytes of a hashed folder's root file; false when it has none that is readable.
bool ReadRootFile(int folderFd, std::string& root)
{
    const UniqueFd fd(::openat(folderFd, kRootFileName.data(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)
        || static_cast<std::uint64_t>(st.st_size) > kMaxRootFile)
        return false;
    root.assign(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < root.size()) {
        const ssize_t n = ::read(fd.Get(), root.data() + done, root.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Opens strPath, making each folder of it that is missing (0700, as the XDG rules ask),
// every one from its parent's descriptor.
UniqueFd MakeFolders(const std::string& strPath, int& err)
{
    UniqueFd at(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t start = 1; at.Valid() && start < strPath.size();) {
        const std::size_t slash = std::min(strPath.find('/', start), strPath.size());
        const std::string name = strPath.substr(start, slash - start);
        start = slash + 1;
        if (name.empty() || name == ".")
            continue;
        if (::mkdirat(at.Get(), name.c_str(), 0700) != 0 && errno != EEXIST) {
            err = errno;
            return UniqueFd();
        }
        at = UniqueFd(::openat(at.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (!at.Valid())
        err = errno;
    return at;
}

bool IsStale(int folderFd, const std::string& name)
{
    struct stat st {};
    return ::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
        && st.st_mtime < std::time(nullptr) - kStaleSeconds;
}
}  // namespace

std::string CHistoryStore::DefaultFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data != nullptr && data[0] == '/') {
        base = data;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.local/share";
    } else {
        return {};
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return (base == "/" ? "" : base) + "/volra/history";
}

CHistoryStore::CHistoryStore(std::string strFolder, Limits limits) : m_strFolder(std::move(strFolder)), m_limits(limits)
{}

std::vector<CKeptSearch> CHistoryStore::List(std::string_view root) const
{
    std::vector<CKeptSearch> kept;
    const UniqueFd base(::open(m_strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string strError;
    const std::string folder = base.Valid() ? FindFolder(base.Get(), root, false, strError) : std::string();
    if (folder.empty())
        return kept;
    for (const File& f : Files(base.Get(), folder, false))
        kept.push_back(
            {m_strFolder + "/" + folder + "/" + f.strName, f.name.nFinished, f.name.nLength, f.name.nDiskSize});
    return kept;
}

std::vector<std::string> CHistoryStore::Roots() const
{
    std::vector<std::string> roots;
    const UniqueFd base(::open(m_strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (base.Valid())
        for (Folder& f : Folders(base.Get()))
            roots.push_back(std::move(f.strRoot));
    return roots;
}

std::vector<CHistoryStore::Folder> CHistoryStore::Folders(int baseFd) const
{
    std::vector<Folder> folders;
    for (std::string& name : NamesIn(baseFd)) {
        std::string root;
        const UniqueFd fd = OpenFolder(baseFd, name);
        if (!fd.Valid())
            continue;
        if (RootOfEscapedName(name, root) || (IsHashedFolderName(name) && ReadRootFile(fd.Get(), root)))
            folders.push_back({std::move(name), std::move(root)});
    }
    return folders;
}

std::string CHistoryStore::FindFolder(int baseFd, std::string_view root, bool bMake, std::string& strError) const
{
    if (std::string name = EscapedFolderName(root); !name.empty()) {
        if (bMake && ::mkdirat(baseFd, name.c_str(), 0700) != 0 && errno != EEXIST) {
            strError = ErrnoText(errno);
            return {};
        }
        if (!OpenFolder(baseFd, name).Valid()) {
            strError = ErrnoText(errno);
            return {};
        }
        return name;
    }
    // Too long a root for a name of its own: its bytes in a file of its folder tell it
    // from any other root of the same hash. A folder without that file (a crash between
    // making the folder and writing the file) is taken over.
    const std::string key(HistoryRootKey(root));
    for (int nTry = 1; nTry <= kMaxHashTries; ++nTry) {
        const std::string name = HashedFolderName(key, nTry);
        UniqueFd fd = OpenFolder(baseFd, name);
        if (!fd.Valid() && errno == ENOENT && bMake && ::mkdirat(baseFd, name.c_str(), 0700) == 0)
            fd = OpenFolder(baseFd, name);
        std::string held;
        if (!fd.Valid())
            continue;
        if (ReadRootFile(fd.Get(), held)) {
            if (held == key)
                return name;
            continue;
        }
        CAtomicFile file;
        if (bMake && file.Open(m_strFolder + "/" + name + "/" + std::string(kRootFileName), strError)
            && file.Write(key.data(), key.size(), strError) && file.Commit(strError))
            return name;
        if (bMake)
            return {};
    }
    strError = "no folder of the history is free for this root";
    return {};
}

std::vector<CHistoryStore::File> CHistoryStore::Files(int baseFd, const std::string& strFolder, bool bRemoveStale) const
{
    std::vector<File> files;
    const UniqueFd folder = OpenFolder(baseFd, strFolder);
    if (!folder.Valid())
        return files;
    for (std::string& name : NamesIn(folder.Get())) {
        CKeptName kept;
        if (!ParseKeptFileName(name, kept)) {
            if (bRemoveStale && IsTemporaryName(name) && IsStale(folder.Get(), name))
                ::unlinkat(folder.Get(), name.c_str(), 0);
            continue;
        }
        // Readable and regular, or not ours to count or remove.
        const UniqueFd fd(::openat(folder.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (fd.Valid() && ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode))
            files.push_back({strFolder, std::move(name), kept, static_cast<std::uint64_t>(st.st_size)});
    }
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) {
        return a.name.nFinished != b.name.nFinished ? a.name.nFinished > b.name.nFinished : a.strName > b.strName;
    });
    return files;
}

bool CHistoryStore::Keep(const CSearchSnapshot& snapshot, std::string& strError, const std::atomic<bool>* pCancel) const
{
    if (m_strFolder.empty()) {
        strError = "neither XDG_DATA_HOME nor HOME names a folder for it";
        return false;
    }
    int err = 0;
    const UniqueFd base = MakeFolders(m_strFolder, err);
    if (!base.Valid()) {
        strError = m_strFolder + ": " + ErrnoText(err);
        return false;
    }
    const std::string folder = FindFolder(base.Get(), snapshot.GetRootPath(), true, strError);
    if (folder.empty())
        return false;
    const CKeptName name{snapshot.GetFinished(), snapshot.GetLength(), snapshot.GetDiskSize()};
    CNcduWriter writer;
    if (!writer.Open(m_strFolder + "/" + folder + "/" + KeptFileName(name), strError, kGzipLevel)
        || !writer.Write(snapshot, strError, pCancel))
        return false;
    Prune();
    return true;
}

void CHistoryStore::Prune() const
{
    const UniqueFd base(::open(m_strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!base.Valid())
        return;
    auto remove = [&base](const File& f) {
        if (const UniqueFd folder = OpenFolder(base.Get(), f.strFolder); folder.Valid())
            ::unlinkat(folder.Get(), f.strName.c_str(), 0);
    };
    std::vector<File> all;
    for (const Folder& folder : Folders(base.Get())) {
        std::vector<File> files = Files(base.Get(), folder.strName, true);
        for (std::size_t i = m_limits.nPerRoot; i < files.size(); ++i)
            remove(files[i]);
        files.resize(std::min(files.size(), m_limits.nPerRoot));
        std::move(files.begin(), files.end(), std::back_inserter(all));
    }
    std::uint64_t nTotal = 0;
    for (const File& f : all)
        nTotal += f.nBytes;
    std::sort(all.begin(), all.end(), [](const File& a, const File& b) {
        return a.name.nFinished != b.name.nFinished ? a.name.nFinished < b.name.nFinished : a.strName < b.strName;
    });
    for (auto it = all.begin(); it != all.end() && nTotal > m_limits.nBytes; ++it) {
        remove(*it);
        nTotal -= it->nBytes;
    }
}
