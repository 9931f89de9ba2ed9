#include "SearchSnapshot.h"

#include "NcduWriter.h"
#include "model/EntryArena.h"

#include <algorithm>

namespace {
enum Flag : unsigned char {
    kDirectory = 1,
    kUnreadable = 2,
    kMountPoint = 4,
    kHardLink = 8,
    kModified = 16,  // the time is there (it is not 0)
    kCreated = 32,
    kAccessed = 64,
};

// About what a record takes with a short name and all three times, so that the buffer
// seldom grows (and copies) while it is filled.
constexpr std::size_t kRecordGuess = 32;

void AppendNumber(std::string& out, std::uint64_t n)
{
    char bytes[10];
    std::size_t k = 0;
    for (; n >= 0x80; n >>= 7)
        bytes[k++] = static_cast<char>((n & 0x7F) | 0x80);
    bytes[k++] = static_cast<char>(n);
    out.append(bytes, k);
}

// Signed numbers (times) zigzag-encoded: small magnitudes either side of 0 stay short.
std::uint64_t ZigZag(std::int64_t n)
{
    return (static_cast<std::uint64_t>(n) << 1) ^ static_cast<std::uint64_t>(n >> 63);
}
std::int64_t UnZigZag(std::uint64_t u) { return static_cast<std::int64_t>((u >> 1) ^ (~(u & 1) + 1)); }

std::uint64_t NonNegative(std::int64_t n) { return static_cast<std::uint64_t>(std::max<std::int64_t>(n, 0)); }
}  // namespace

CSearchSnapshot::CSearchSnapshot(const CEntry& root, std::int64_t nFinished)
    : m_strRootPath(root.GetName()), m_nFinished(nFinished), m_nLength(root.GetLength()),
      m_nDiskSize(root.GetDiskSize())
{
    m_records.reserve(CEntryArena::Of(root).EntryCount() * kRecordGuess);
    CNcduWriter::VisitInFileOrder(root, [this](const CEntry& e, std::uint32_t nDepth) {
        Add(e, nDepth);
        return true;
    });
    m_records.shrink_to_fit();
}

void CSearchSnapshot::Add(const CEntry& e, std::uint32_t nDepth)
{
    const CNcduItem item = CNcduWriter::ItemOf(e);
    unsigned char flags = 0;
    flags |= item.bDirectory ? kDirectory : 0;
    flags |= item.bUnreadable ? kUnreadable : 0;
    flags |= item.bMountPoint ? kMountPoint : 0;
    flags |= item.bHardLink ? kHardLink : 0;
    flags |= item.nModified != 0 ? kModified : 0;
    flags |= item.nCreated != 0 ? kCreated : 0;
    flags |= item.nAccessed != 0 ? kAccessed : 0;
    m_records += static_cast<char>(flags);
    AppendNumber(m_records, nDepth);
    AppendNumber(m_records, item.name.size());
    m_records.append(item.name);
    AppendNumber(m_records, item.bDirectory ? 0 : NonNegative(item.nLength));
    AppendNumber(m_records, NonNegative(item.nDiskSize));
    if (item.bHardLink) {
        AppendNumber(m_records, item.nInode);
        AppendNumber(m_records, item.nLinks);
    }
    for (const auto& [flag, time] : {std::pair{kModified, item.nModified}, std::pair{kCreated, item.nCreated},
                                     std::pair{kAccessed, item.nAccessed}})
        if ((flags & flag) != 0)
            AppendNumber(m_records, ZigZag(time));
    ++m_nEntries;
}

std::uint64_t CSearchSnapshot::CReader::Number()
{
    std::uint64_t n = 0;
    for (int shift = 0; m_nNext < m_records.size() && shift < 64; shift += 7) {
        const auto byte = static_cast<unsigned char>(m_records[m_nNext++]);
        n |= std::uint64_t{byte & 0x7Fu} << shift;
        if (byte < 0x80)
            break;
    }
    return n;
}

bool CSearchSnapshot::CReader::Next(CNcduItem& item, std::uint32_t& nDepth)
{
    if (m_nNext >= m_records.size())
        return false;
    const auto flags = static_cast<unsigned char>(m_records[m_nNext++]);
    item = CNcduItem{};
    nDepth = static_cast<std::uint32_t>(Number());
    const std::size_t nName = std::min<std::size_t>(Number(), m_records.size() - m_nNext);
    item.name = std::string_view(m_records).substr(m_nNext, nName);
    m_nNext += nName;
    item.bDirectory = (flags & kDirectory) != 0;
    item.bUnreadable = (flags & kUnreadable) != 0;
    item.bMountPoint = (flags & kMountPoint) != 0;
    item.bHardLink = (flags & kHardLink) != 0;
    item.nLength = static_cast<std::int64_t>(Number());
    item.nDiskSize = static_cast<std::int64_t>(Number());
    if (item.bHardLink) {
        item.nInode = Number();
        item.nLinks = Number();
    }
    item.nModified = (flags & kModified) != 0 ? UnZigZag(Number()) : 0;
    item.nCreated = (flags & kCreated) != 0 ? UnZigZag(Number()) : 0;
    item.nAccessed = (flags & kAccessed) != 0 ? UnZigZag(Number()) : 0;
    return true;
}
