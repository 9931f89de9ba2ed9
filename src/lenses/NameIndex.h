#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

class CEntry;

// The names below a directory, copied once, in the order a walk of the tree meets them,
// into one run of bytes. A find reads them front to back: a million names lie in about a
// dozen megabytes read in order, where a walk of the tree visits a million entries and
// their names scattered over several times that.
//
// Each item is a header byte, its kind in the top two bits and the name's length in the
// rest (kLongName: the length follows in four bytes), then the name; a directory's items
// come between its kEnter and its kLeave. Files are also listed by entry, in the same
// order. The index points into the tree: it is cleared whenever the tree changes.
class CNameIndex {
public:
    // Copies what is below dir (dir itself when it is a file). Throws bad_alloc, leaving
    // the index empty.
    void Build(CEntry& dir);
    void Clear();
    // Whether the index is of dir as it is now: the same entry, with the same totals and
    // as many entries in its arena as when it was built.
    bool IsOf(const CEntry& dir) const;
    std::size_t Bytes() const { return m_items.capacity() + m_files.capacity() * sizeof(CEntry*); }

    // Visits the items in order: onFile(name, file), onEnter(name) for each directory below
    // dir before what it holds, onLeave() after.
    template <class OnFile, class OnEnter, class OnLeave>
    void Walk(OnFile&& onFile, OnEnter&& onEnter, OnLeave&& onLeave) const;

private:
    enum : unsigned char { kFile = 0, kEnter = 1, kLeave = 2 };
    static constexpr unsigned char kLongName = 0x3F;
    void Append(unsigned char kind, std::string_view name);

    std::vector<unsigned char> m_items;
    std::vector<CEntry*> m_files;  // not owned: the tree's
    const CEntry* m_pDir = nullptr;
    std::int64_t m_nDirLength = 0;
    std::int64_t m_nDirDisk = 0;
    std::size_t m_nEntries = 0;
};

template <class OnFile, class OnEnter, class OnLeave>
void CNameIndex::Walk(OnFile&& onFile, OnEnter&& onEnter, OnLeave&& onLeave) const
{
    const unsigned char* p = m_items.data();
    const unsigned char* const end = p + m_items.size();
    CEntry* const* pFile = m_files.data();
    while (p != end) {
        const unsigned char kind = *p >> 6;
        if (kind == kLeave) {
            ++p;
            onLeave();
            continue;
        }
        std::size_t n = *p++ & kLongName;
        if (n == kLongName) {
            std::uint32_t nLong = 0;
            std::memcpy(&nLong, p, sizeof nLong);
            n = nLong;
            p += sizeof nLong;
        }
        const std::string_view name(reinterpret_cast<const char*>(p), n);
        p += n;
        if (kind == kFile)
            onFile(name, **pFile++);
        else
            onEnter(name);
    }
}
