#include "ListingReader.h"

#include "ListingFormat.h"
#include "model/Entry.h"
#include "model/FoundItem.h"

#include <limits>

using namespace ListingFormat;

namespace {
constexpr std::uint64_t kInt64Max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

enum class Got { Value, Short, Bad };

Got ReadVarint(const char*& p, const char* end, std::uint64_t& value)
{
    if (p != end && static_cast<unsigned char>(*p) < 0x80) {
        value = static_cast<unsigned char>(*p++);  // most numbers of a listing: one byte
        return Got::Value;
    }
    std::uint64_t result = 0;
    for (unsigned shift = 0; shift < 64; shift += 7) {
        if (p == end)
            return Got::Short;
        const auto byte = static_cast<unsigned char>(*p++);
        if (shift == 63 && byte > 1)
            return Got::Bad;  // beyond 64 bits, or longer than 10 bytes
        result |= std::uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) {
            value = result;
            return Got::Value;
        }
    }
    return Got::Bad;
}

bool IsName(std::string_view name)
{
    return name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}
}  // namespace

struct CListingReader::Record {
    std::uint64_t depth = 0;
    unsigned flags = 0;
    std::string_view name;
    std::uint64_t length = 0;
    std::uint64_t disk = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t links = 0;
    std::int64_t times[3] = {0, 0, 0};  // created, modified, accessed
};

CListingReader::CListingReader(CEntryArena& arena, CEntry* pStart) : m_arena(arena), m_pStart(pStart) {}

bool CListingReader::Fail(std::string problem)
{
    if (m_strError.empty())
        m_strError = "record " + std::to_string(m_nRecords + 1) + " of the listing: " + problem;
    return false;
}

bool CListingReader::TakeMagic()
{
    const std::size_t n = std::min(m_buffer.size(), kMagic.size());
    if (m_buffer.compare(0, n, kMagic, 0, n) == 0) {
        m_bMagic = n == kMagic.size();
        if (m_bMagic)
            m_buffer.erase(0, n);
        return true;
    }
    const std::size_t nStem = std::min(m_buffer.size(), kMagicStem.size());
    const bool bOtherVersion = nStem == kMagicStem.size() && m_buffer.compare(0, nStem, kMagicStem) == 0;
    m_strError = bOtherVersion ? "the server's Volra writes a listing of a version this one cannot read"
                               : "the stream is not a Volra listing";
    return false;
}

bool CListingReader::Feed(std::string_view bytes)
{
    if (!m_strError.empty())
        return false;
    m_buffer.append(bytes);
    if (!m_bMagic && (!TakeMagic() || !m_bMagic))
        return m_strError.empty();
    const char* p = m_buffer.data();
    const char* const end = p + m_buffer.size();
    while (p != end) {
        if (m_bEnded)
            return Fail("unexpected bytes after the end of the listing");
        const char* const pRecord = p;
        Record record;
        const Step step = Parse(p, end, record);
        if (step == Step::Refused || (step == Step::Taken && !Add(record)))
            return false;
        if (step == Step::Short) {
            p = pRecord;
            break;
        }
        ++m_nRecords;
    }
    m_buffer.erase(0, static_cast<std::size_t>(p - m_buffer.data()));
    return true;
}

CListingReader::Step CListingReader::Parse(const char*& p, const char* end, Record& record)
{
    const auto number = [&p, end, this](std::uint64_t& value, bool& bShort) {
        const Got got = ReadVarint(p, end, value);
        bShort = got == Got::Short;
        return got == Got::Value || (bShort ? false : Fail("a number is longer than 64 bits"));
    };
    bool bShort = false;
    if (!number(record.depth, bShort))
        return bShort ? Step::Short : Step::Refused;
    if (record.depth == 0 && !m_stack.empty())
        return Step::Taken;  // the end mark: a depth of 0 once the root has come
    if (end - p < 2)
        return Step::Short;
    record.flags = static_cast<unsigned char>(p[0]) | static_cast<unsigned>(static_cast<unsigned char>(p[1])) << 8;
    p += 2;
    if ((record.flags & ~unsigned{kAllFlags}) != 0)
        return Fail("it has flags this program does not know: it is garbled"), Step::Refused;
    std::uint64_t nName = 0;
    if (!number(nName, bShort))
        return bShort ? Step::Short : Step::Refused;
    if (nName == 0 || nName > kMaxName)
        return Fail("a name of " + std::to_string(nName) + " bytes: a name has 1 to " + std::to_string(kMaxName)),
               Step::Refused;
    if (static_cast<std::uint64_t>(end - p) < nName)
        return Step::Short;
    record.name = std::string_view(p, nName);
    p += nName;
    const bool bFile = (record.flags & kDirectory) == 0;
    if ((bFile && !number(record.length, bShort)) || !number(record.disk, bShort)
        || ((record.flags & kOwnDevice) != 0 && !number(record.device, bShort))
        || ((record.flags & kHardLink) != 0 && (!number(record.inode, bShort) || !number(record.links, bShort))))
        return bShort ? Step::Short : Step::Refused;
    const unsigned known[3] = {kKnownCreated, kKnownModified, kKnownAccessed};
    for (int i = 0; i < 3; ++i) {
        std::uint64_t zigzag = 0;
        if ((record.flags & known[i]) != 0 && !number(zigzag, bShort))
            return bShort ? Step::Short : Step::Refused;
        record.times[i] = static_cast<std::int64_t>((zigzag >> 1) ^ (0 - (zigzag & 1)));
    }
    if (record.length > kInt64Max || record.disk > kInt64Max)
        return Fail("a size beyond 2^63-1 bytes"), Step::Refused;
    return Step::Taken;
}

bool CListingReader::Add(const Record& record)
{
    if (record.depth == 0 && !m_stack.empty()) {
        while (!m_stack.empty())
            CloseDirectory();
        m_bEnded = true;
        return true;
    }
    const bool bDirectory = (record.flags & kDirectory) != 0;
    if (m_stack.empty()) {
        if (record.depth != 0 || !bDirectory)
            return Fail("the listing does not begin with the folder searched");
        m_pStart->SetUnreadable((record.flags & kUnreadable) != 0);
        m_nStartOwnDisk = static_cast<std::int64_t>(record.disk);
        m_stack.push_back(m_pStart);
        m_devices.push_back((record.flags & kOwnDevice) != 0 ? record.device : 0);
        return true;
    }
    if (record.depth > m_stack.size())
        return Fail("it is deeper than the directories open before it");
    if (!IsName(record.name))
        return Fail("\"" + std::string(record.name) + "\" is not a file name");
    while (m_stack.size() > record.depth)
        CloseDirectory();
    CEntry* pParent = m_stack.back();
    const std::uint64_t device = (record.flags & kOwnDevice) != 0 ? record.device : m_devices.back();
    CFoundItem item;
    item.name = record.name;
    item.bDirectory = bDirectory;
    item.nLength = static_cast<std::int64_t>(record.length);
    item.nAllocated = static_cast<std::int64_t>(record.disk);
    item.created = CTime(record.times[0]);
    item.modified = CTime(record.times[1]);
    item.accessed = CTime(record.times[2]);
    item.bHardLink = !bDirectory && (record.flags & kHardLink) != 0 && record.inode != 0;
    item.link = {device, record.inode, record.links};
    CEntry* pEntry = m_arena.NewEntry();
    pEntry->InitFromItem(pParent, item);
    pEntry->SetColour(static_cast<int>(pParent->GetChildren().size() % 8));
    pParent->AppendChild(pEntry);
    pEntry->SetExcluded((record.flags & kExcluded) != 0);
    // A new entry's times are all known: telling it so costs a lookup in the arena.
    if (const unsigned unknown = ~(record.flags / kKnownCreated) & 7u; unknown != 0)
        pEntry->SetUnknownTimes(unknown);
    if (!bDirectory) {
        ++m_nFiles;
        return true;
    }
    ++m_nDirectories;
    pEntry->SetMountPoint((record.flags & kMountPoint) != 0);
    pEntry->SetUnreadable((record.flags & kUnreadable) != 0);
    if (m_stack.size() > kMaxDepth)
        return Fail("directories nested deeper than " + std::to_string(kMaxDepth) + " levels");
    m_stack.push_back(pEntry);
    m_devices.push_back(device);
    return true;
}

void CListingReader::CloseDirectory()
{
    SortChildrenByName(*m_stack.back());
    m_stack.pop_back();
    m_devices.pop_back();
}

bool CListingReader::Finish()
{
    if (!m_strError.empty() || m_bEnded)
        return m_bEnded && m_strError.empty();
    if (!m_bMagic && m_buffer.empty())
        return Fail("the listing is empty");
    return Fail(m_buffer.empty() ? "the listing stops before its end: the connection was lost"
                                 : "the listing stops inside it: the connection was lost");
}
