#include "ListingChunk.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
constexpr std::int64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

bool Fits32(std::int64_t n) { return n >= 0 && n <= kMax32; }
}  // namespace

bool CListingChunk::Fits(const CFileStatus& status, std::size_t nNameOffset, std::size_t nNameLength) const
{
    // A file with several names needs its count; a directory's is never asked for.
    const std::uint32_t nLinks = status.directory ? 0 : 1;
    return nNameOffset <= std::numeric_limits<std::uint16_t>::max() && nNameLength <= 0xFF
        && status.fsKind == EFsKind::Same && status.links == nLinks && (status.device == 0 || status.device == m_device)
        && Fits32(status.size) && status.allocated % 512 == 0 && Fits32(status.allocated / 512)
        && Fits32(status.created.GetTime()) && Fits32(status.modified.GetTime()) && Fits32(status.accessed.GetTime());
}

void CListingChunk::Add(std::string_view name, const CFileStatus& status)
{
    if (m_nRecords == m_nRecordRoom || name.size() > m_nNameRoom - m_nNameBytes)
        MakeRoom(std::max<std::size_t>(2 * m_nRecordRoom, m_nRecords + 1),
                 std::max(2 * m_nNameRoom, m_nNameBytes + name.size()));
    if (m_device == 0)
        m_device = status.device;
    const std::size_t nOffset = m_nNameBytes;
    Record r{};
    r.flags = status.directory ? kDirectory : 0;
    if (Fits(status, nOffset, name.size())) {
        r.inode = status.inode;
        r.times[0] = static_cast<std::uint32_t>(status.created.GetTime());
        r.times[1] = static_cast<std::uint32_t>(status.modified.GetTime());
        r.times[2] = static_cast<std::uint32_t>(status.accessed.GetTime());
        r.length = static_cast<std::uint32_t>(status.size);
        r.blocks = static_cast<std::uint32_t>(status.allocated / 512);
        r.nameOffset = static_cast<std::uint16_t>(nOffset);
        r.nameLength = static_cast<std::uint8_t>(name.size());
        r.flags |= status.device == 0 ? kNoDevice : 0;
    } else {
        r.flags |= kWide;
        r.length = static_cast<std::uint32_t>(m_wide.size());
        m_wide.push_back({status, static_cast<std::uint32_t>(nOffset), static_cast<std::uint32_t>(name.size())});
    }
    std::copy(name.begin(), name.end(), Names() + nOffset);
    m_nNameBytes += name.size();
    Records()[m_nRecords++] = r;
}

void CListingChunk::Reserve(std::size_t nRecords, std::size_t nNameBytes)
{
    if (nRecords > m_nRecordRoom || nNameBytes > m_nNameRoom)
        MakeRoom(std::max(nRecords, m_nRecordRoom), std::max(nNameBytes, m_nNameRoom));
}

// Should memory run out, the chunk stays as it was.
void CListingChunk::MakeRoom(std::size_t nRecords, std::size_t nNameBytes)
{
    auto pBlock = std::make_unique_for_overwrite<unsigned char[]>(nRecords * sizeof(Record) + nNameBytes);
    if (m_nRecords != 0)
        std::memcpy(pBlock.get(), m_pBlock.get(), m_nRecords * sizeof(Record));
    if (m_nNameBytes != 0)
        std::memcpy(pBlock.get() + nRecords * sizeof(Record), Names(), m_nNameBytes);
    m_pBlock = std::move(pBlock);
    m_nRecordRoom = nRecords;
    m_nNameRoom = nNameBytes;
}

void CListingChunk::Clear()
{
    m_nRecords = 0;
    m_nNameBytes = 0;
    m_wide.clear();
    m_device = 0;
}

std::string_view CListingChunk::NameOf(const Record& r) const
{
    if ((r.flags & kWide) != 0) {
        const Wide& w = m_wide[r.length];
        return {Names() + w.nameOffset, w.nameLength};
    }
    return {Names() + r.nameOffset, r.nameLength};
}

void CListingChunk::StatusOf(const Record& r, CFileStatus& status) const
{
    if ((r.flags & kWide) != 0) {
        status = m_wide[r.length].status;
        return;
    }
    status.directory = (r.flags & kDirectory) != 0;
    status.fsKind = EFsKind::Same;
    status.links = status.directory ? 0 : 1;
    status.size = r.length;
    status.created = CTime(r.times[0]);
    status.modified = CTime(r.times[1]);
    status.accessed = CTime(r.times[2]);
    status.device = (r.flags & kNoDevice) != 0 ? 0 : m_device;
    status.allocated = std::int64_t{r.blocks} * 512;
    status.inode = r.inode;
}
