#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// A scratch directory removed with everything below it (permissions restored first) when
// the object goes away. Paths given to the helpers are relative to the root.
class TempTree {
public:
    // Under the temporary directory, or under base when one is given and writable.
    explicit TempTree(const std::string& base = {});
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& relative) const;
    void Dir(const std::string& relative) const;
    // A regular file of the given length; lengths over 4096 are sparse.
    void File(const std::string& relative, std::int64_t length = 0) const;
    void Files(std::initializer_list<std::pair<std::string, std::int64_t>> files) const
    {
        for (const auto& [relative, length] : files)
            File(relative, length);
    }
    void Symlink(const std::string& relative, const std::string& target) const;
    void Chmod(const std::string& relative, unsigned mode) const;
    void Remove(const std::string& relative) const;

private:
    std::string m_root;
};

// The size lstat reports, or -1 when nothing is there.
std::int64_t SizeOnDisk(const std::string& path);
// What the item takes on the disk (lstat's blocks of 512 bytes), or -1 when nothing is there.
std::int64_t BlocksOnDisk(const std::string& path);
inline bool Exists(const std::string& path) { return BlocksOnDisk(path) >= 0; }
// The file's bytes, or "" when it cannot be read.
std::string ReadFile(const std::string& path);
// Makes the file hold exactly these bytes.
void WriteFile(const std::string& path, const std::string& bytes);
// The names in a directory, sorted, without "." and ".."; none when it cannot be read.
std::vector<std::string> DirNames(const std::string& dir);
// What the shell command writes to standard output.
std::string CommandOutput(const std::string& command);
// What du counts of the item on the disk, in bytes (-1 when it cannot say): an independent
// count to check totals against. Options as du takes them ("-l").
std::int64_t Du(const std::string& path, const std::string& options = {});
