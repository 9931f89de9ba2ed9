#include "SearchSnapshot.h"

#include "NcduWriter.h"
#include "model/EntryArena.h"

#include <algorithm>

namespace {
// Flags, kept as a number of 7 bits a byte: the common ones take one byte.
constexpr unsigned kDirectory = 1;
constexpr unsigned kUnreadable = 2;
constexpr unsigned kMountPoint = 4;
constexpr unsigned kHardLink = 8;
constexpr unsigned kModified = 16;  // the time is there (it is not 0)
constexpr unsigned kCreated = 32;
constexpr unsigned kAccessed = 64;
constexpr unsigned kExcluded = 128;
constexpr unsigned kOwnDevice = 256;

// A little more than a record takes with a name of a dozen bytes and all three times, so
// that the buffer is seldom grown (and copied) while it is filled.
constexpr std::size_t kRecordGuess = 40;
// The most a record takes besides its name: nine numbers and the flags.
constexpr std::size_t kMaxNumbers = 10 * 10;

// Writes n at p, 7 bits a byte, and returns the end.
char* PutNumber(char* p, std::uint64_t n)
{
    for (; n >= 0x80; n >>= 7)
        *p++ = static_cast<char>((n & 0x7F) | 0x80);
    *p++ = static_cast<char>(n);
    return p;
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
}

void CSearchSnapshot::Add(const CEntry& e, std::uint32_t nDepth)
{
    const CNcduItem item = CNcduWriter::ItemOf(e);
    unsigned flags = 0;
    flags |= item.bDirectory ? kDirectory : 0;
    flags |= item.bUnreadable ? kUnreadable : 0;
    flags |= item.bMountPoint ? kMountPoint : 0;
    flags |= item.bHardLink ? kHardLink : 0;
    flags |= item.nModified != 0 ? kModified : 0;
    flags |= item.nCreated != 0 ? kCreated : 0;
    flags |= item.nAccessed != 0 ? kAccessed : 0;
    flags |= item.bExcluded ? kExcluded : 0;
    flags |= item.bOwnDevice ? kOwnDevice : 0;
    // Built in place, and appended in three pieces rather than field by field.
    char head[kMaxNumbers];
    char* p = head;
    p = PutNumber(p, flags);
    p = PutNumber(p, nDepth);
    p = PutNumber(p, item.name.size());
    m_records.append(head, static_cast<std::size_t>(p - head));
    m_records.append(item.name);
    p = PutNumber(head, item.bDirectory ? 0 : NonNegative(item.nLength));
    p = PutNumber(p, NonNegative(item.nDiskSize));
    if (item.bHardLink) {
        p = PutNumber(p, item.nInode);
        p = PutNumber(p, item.nLinks);
    }
    if (item.bOwnDevice)
        p = PutNumber(p, item.nDevice);
    if ((flags & kModified) != 0)
        p = PutNumber(p, ZigZag(item.nModified));
    if ((flags & kCreated) != 0)
        p = PutNumber(p, ZigZag(item.nCreated));
    if ((flags & kAccessed) != 0)
        p = PutNumber(p, ZigZag(item.nAccessed));
    m_records.append(head, static_cast<std::size_t>(p - head));
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
    const auto flags = static_cast<unsigned>(Number());
    item = CNcduItem{};
    nDepth = static_cast<std::uint32_t>(Number());
    const std::size_t nName = std::min<std::size_t>(Number(), m_records.size() - m_nNext);
    item.name = std::string_view(m_records).substr(m_nNext, nName);
    m_nNext += nName;
    item.bDirectory = (flags & kDirectory) != 0;
    item.bUnreadable = (flags & kUnreadable) != 0;
    item.bMountPoint = (flags & kMountPoint) != 0;
    item.bHardLink = (flags & kHardLink) != 0;
    item.bExcluded = (flags & kExcluded) != 0;
    item.nLength = static_cast<std::int64_t>(Number());
    item.nDiskSize = static_cast<std::int64_t>(Number());
    if (item.bHardLink) {
        item.nInode = Number();
        item.nLinks = Number();
    }
    item.bOwnDevice = (flags & kOwnDevice) != 0;
    item.nDevice = item.bOwnDevice ? Number() : 0;
    item.nModified = (flags & kModified) != 0 ? UnZigZag(Number()) : 0;
    item.nCreated = (flags & kCreated) != 0 ? UnZigZag(Number()) : 0;
    item.nAccessed = (flags & kAccessed) != 0 ? UnZigZag(Number()) : 0;
    return true;
}
