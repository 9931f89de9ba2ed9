#include "TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TempTree::TempTree()
{
    std::string pattern = (fs::temp_directory_path() / "volra-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_root = pattern;
}

TempTree::~TempTree()
{
    std::error_code ec;
    // Directories made unreadable by a test must be opened up again before removal.
    for (auto it = fs::recursive_directory_iterator(m_root, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            ::chmod(it->path().c_str(), 0755);
    }
    ::chmod(m_root.c_str(), 0755);
    // chmod again after a first pass: a directory that was closed could hide others.
    fs::remove_all(m_root, ec);
    if (ec) {
        std::string cmd = "chmod -R u+rwx '" + m_root + "' 2>/dev/null; rm -rf '" + m_root + "'";
        [[maybe_unused]] int rc = std::system(cmd.c_str());
    }
}

std::string TempTree::Path(const std::string& relative) const
{
    return relative.empty() ? m_root : m_root + "/" + relative;
}

void TempTree::Dir(const std::string& relative) const
{
    fs::create_directories(Path(relative));
}

void TempTree::File(const std::string& relative, std::int64_t length) const
{
    const std::string p = Path(relative);
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

void TempTree::Remove(const std::string& relative) const
{
    fs::remove_all(Path(relative));
}
