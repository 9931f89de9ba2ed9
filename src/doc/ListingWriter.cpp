#include "ListingWriter.h"

#include "ListingFormat.h"
#include "sys/LastError.h"

#include <cerrno>
#include <unistd.h>

namespace {
void AppendVarint(std::string& out, std::uint64_t n)
{
    for (; n >= 0x80; n >>= 7)
        out += static_cast<char>((n & 0x7F) | 0x80);
    out += static_cast<char>(n);
}

// Small magnitudes of either sign take few bytes: 0, -1, 1, -2 ... as 0, 1, 2, 3 ...
void AppendSigned(std::string& out, std::int64_t n)
{
    const auto u = static_cast<std::uint64_t>(n);
    AppendVarint(out, (u << 1) ^ (n < 0 ? ~std::uint64_t{0} : 0));
}

std::uint16_t FlagsOf(const CNcduItem& item, std::uint32_t nDepth)
{
    using namespace ListingFormat;
    // The root is a directory whatever it says, as in ncdu's format.
    unsigned flags = item.bDirectory || nDepth == 0 ? kDirectory : 0;
    flags |= item.bUnreadable ? kUnreadable : 0;
    flags |= item.bMountPoint ? kMountPoint : 0;
    flags |= item.bExcluded ? kExcluded : 0;
    flags |= item.bHardLink ? kHardLink : 0;
    flags |= item.bOwnDevice ? kOwnDevice : 0;
    flags |= item.nCreated != 0 ? kKnownCreated : 0;
    flags |= item.nModified != 0 ? kKnownModified : 0;
    flags |= item.nAccessed != 0 ? kKnownAccessed : 0;
    return static_cast<std::uint16_t>(flags);
}
}  // namespace

CListingWriter::CListingWriter(Sink sink, std::size_t nPieceBytes)
    : m_sink(std::move(sink)), m_nPieceBytes(nPieceBytes), m_out(ListingFormat::kMagic)
{}

CListingWriter::Sink CListingWriter::ToDescriptor(int fd)
{
    return [fd](std::string_view bytes, std::string& strError) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                strError = ErrnoText(n < 0 ? errno : EIO);
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    };
}

bool CListingWriter::PutItem(const CNcduItem& item, std::uint32_t nDepth, std::string& strError)
{
    using namespace ListingFormat;
    const std::uint16_t flags = FlagsOf(item, nDepth);
    AppendVarint(m_out, nDepth);
    m_out += static_cast<char>(flags & 0xFF);
    m_out += static_cast<char>(flags >> 8);
    AppendVarint(m_out, item.name.size());
    m_out.append(item.name);
    if ((flags & kDirectory) == 0)
        AppendVarint(m_out, static_cast<std::uint64_t>(item.nLength < 0 ? 0 : item.nLength));
    AppendVarint(m_out, static_cast<std::uint64_t>(item.nDiskSize < 0 ? 0 : item.nDiskSize));
    if (item.bOwnDevice)
        AppendVarint(m_out, item.nDevice);
    if (item.bHardLink) {
        AppendVarint(m_out, item.nInode);
        AppendVarint(m_out, item.nLinks);
    }
    for (const auto& [flag, time] :
         {std::pair{kKnownCreated, item.nCreated}, {kKnownModified, item.nModified}, {kKnownAccessed, item.nAccessed}})
        if ((flags & flag) != 0)
            AppendSigned(m_out, time);
    if (m_out.size() < m_nPieceBytes)
        return true;
    const bool bOk = m_sink(m_out, strError);
    m_out.clear();
    return bOk;
}

bool CListingWriter::EndStream(std::string& strError)
{
    AppendVarint(m_out, 0);
    const bool bOk = m_sink(m_out, strError);
    m_out.clear();
    return bOk;
}
