#include "NameIndex.h"

#include "FileWalk.h"
#include "model/EntryArena.h"

void CNameIndex::Build(CEntry& dir)
{
    Clear();
    try {
        // Below the root lies the whole arena: room for it at once, rather than doubling
        // twenty times over a million names.
        if (dir.GetParent() == nullptr && dir.IsDirectory()) {
            const std::size_t nEntries = CEntryArena::Of(dir).EntryCount();
            m_files.reserve(nEntries);
            m_items.reserve(nEntries * 16);
        }
        WalkFiles(
            dir,
            [&](CEntry& file) {
                Append(kFile, file.GetName());
                m_files.push_back(&file);
            },
            [&](const CEntry& sub) { Append(kEnter, sub.GetName()); }, [&] { m_items.push_back(kLeave << 6); });
        // The room asked for above is more than most trees' names take: given back.
        if (m_items.capacity() > m_items.size() + m_items.size() / 8)
            m_items.shrink_to_fit();
        if (m_files.capacity() > m_files.size() + m_files.size() / 8)
            m_files.shrink_to_fit();
    } catch (...) {
        Clear();
        throw;
    }
    m_pDir = &dir;
    m_nDirLength = dir.GetLength();
    m_nDirDisk = dir.GetDiskSize();
    m_nEntries = CEntryArena::Of(dir).EntryCount();
}

void CNameIndex::Clear()
{
    // Given back, not kept: the index is as large as the names of the whole tree.
    std::vector<unsigned char>().swap(m_items);
    std::vector<CEntry*>().swap(m_files);
    m_pDir = nullptr;
}

bool CNameIndex::IsOf(const CEntry& dir) const
{
    return m_pDir == &dir && dir.GetLength() == m_nDirLength && dir.GetDiskSize() == m_nDirDisk
        && CEntryArena::Of(dir).EntryCount() == m_nEntries;
}

void CNameIndex::Append(unsigned char kind, std::string_view name)
{
    const auto head = static_cast<unsigned char>(kind << 6);
    if (name.size() < kLongName) {
        m_items.push_back(static_cast<unsigned char>(head | name.size()));
    } else {
        m_items.push_back(head | kLongName);
        const auto n = static_cast<std::uint32_t>(name.size());  // names are far shorter than 4 GiB
        const auto* pLength = reinterpret_cast<const unsigned char*>(&n);
        m_items.insert(m_items.end(), pLength, pLength + sizeof n);
    }
    m_items.insert(m_items.end(), name.begin(), name.end());
}
