#include "TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TempTree::TempTree(const std::string& base)
{
    const bool useBase = !base.empty() && ::access(base.c_str(), W_OK) == 0;
    std::string pattern = ((useBase ? fs::path(base) : fs::temp_directory_path()) / "volra-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_root = pattern;
}

TempTree::~TempTree()
{
    // Directories a test made unreadable are opened up first. The tools cope with trees
    // deeper than any path may be long, which std::filesystem does not.
    const std::string cmd = "chmod -R u+rwx '" + m_root + "' 2>/dev/null; rm -rf '" + m_root + "'";
    [[maybe_unused]] const int rc = std::system(cmd.c_str());
}

std::string TempTree::Path(const std::string& relative) const
{
    return relative.empty() ? m_root : m_root + "/" + relative;
}

void TempTree::Dir(const std::string& relative) const { fs::create_directories(Path(relative)); }

void TempTree::File(const std::string& relative, std::int64_t length) const
{
    const std::string p = Path(relative);
    fs::create_directories(fs::path(p).parent_path());
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << p;
    if (length > 0 && length <= 4096) {
        std::string bytes(static_cast<std::size_t>(length), 'x');
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(length));
    } else if (length > 4096) {
        ASSERT_EQ(::ftruncate(fd, length), 0);
    }
    ::close(fd);
}

void TempTree::Symlink(const std::string& relative, const std::string& target) const
{
    ASSERT_EQ(::symlink(target.c_str(), Path(relative).c_str()), 0);
}

void TempTree::Chmod(const std::string& relative, unsigned mode) const
{
    ASSERT_EQ(::chmod(Path(relative).c_str(), mode), 0);
}

void TempTree::Remove(const std::string& relative) const { fs::remove_all(Path(relative)); }

std::int64_t SizeOnDisk(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

std::int64_t BlocksOnDisk(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_blocks) * 512 : -1;
}

std::string ReadFile(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> DirNames(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string CommandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

std::int64_t Du(const std::string& path, const std::string& options)
{
    const std::string out = CommandOutput("du -s -B1 " + options + " '" + path + "'");
    return out.empty() || std::isdigit(static_cast<unsigned char>(out[0])) == 0 ? -1 : std::stoll(out);
}
