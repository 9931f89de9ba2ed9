#include "FindListing.h"

#include "model/Entry.h"
#include "model/FoundItem.h"

#include <charconv>
#include <limits>

namespace {
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

bool ParseWhole(std::string_view text, std::uint64_t& value)
{
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// "SECONDS.FRACTION", whole seconds kept; find writes an unknown birth time as "-1.-..."
bool ParseTime(std::string_view text, std::int64_t& value)
{
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    if (whole.empty())
        return false;
    const auto [end, ec] = std::from_chars(whole.data(), whole.data() + whole.size(), value);
    return ec == std::errc() && end == whole.data() + whole.size();
}

std::int64_t Saturated(std::uint64_t n) { return n > std::uint64_t(kInt64Max) ? kInt64Max : std::int64_t(n); }

bool IsName(std::string_view name)
{
    return !name.empty() && name.size() <= 4096 && name != "." && name != ".."
        && name.find('/') == std::string_view::npos;
}
}  // namespace

CFindListing::CFindListing(CEntryArena& arena, CEntry* pStart, std::string strStartPath)
    : m_arena(arena), m_pStart(pStart), m_strStartPath(std::move(strStartPath))
{}

bool CFindListing::Fail(std::string problem)
{
    if (m_strError.empty())
        m_strError = "record " + std::to_string(m_nRecords + 1) + " of the listing: " + problem;
    return false;
}

bool CFindListing::Feed(std::string_view bytes)
{
    if (!m_strError.empty())
        return false;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\0');
        if (end == std::string_view::npos) {
            if (m_strPending.size() + bytes.size() > kMaxRecord)
                return Fail("longer than " + std::to_string(kMaxRecord) + " bytes");
            m_strPending.append(bytes);
            return true;
        }
        bool bOk = true;
        if (m_strPending.empty()) {
            bOk = TakeRecord(bytes.substr(0, end));
        } else {
            if (m_strPending.size() + end > kMaxRecord)
                return Fail("longer than " + std::to_string(kMaxRecord) + " bytes");
            m_strPending.append(bytes.substr(0, end));
            bOk = TakeRecord(m_strPending);
            m_strPending.clear();
        }
        if (!bOk)
            return false;
        ++m_nRecords;
        bytes.remove_prefix(end + 1);
    }
    return true;
}

bool CFindListing::Parse(std::string_view record, Record& out)
{
    std::string_view fields[11];
    for (std::string_view& field : fields) {
        const std::size_t space = record.find(' ');
        if (space == std::string_view::npos)
            return Fail("it has too few fields");
        field = record.substr(0, space);
        record.remove_prefix(space + 1);
    }
    out.name = record;
    if (fields[0].size() != 1)
        return Fail("the type \"" + std::string(fields[0]) + "\" is not one letter");
    out.type = fields[0][0];
    for (int i = 0; i < 2; ++i)
        if (!ParseWhole(fields[1 + i], out.numbers[i]))
            return Fail("the size \"" + std::string(fields[1 + i]) + "\" is not a whole number");
    for (int i = 0; i < 4; ++i)
        if (!ParseTime(fields[3 + i], out.times[i]))
            return Fail("the time \"" + std::string(fields[3 + i]) + "\" is not a number of seconds");
    if (!ParseWhole(fields[7], out.numbers[2]) || !ParseWhole(fields[8], out.inode)
        || !ParseWhole(fields[9], out.links))
        return Fail("the device, inode or link count is not a whole number");
    if (!ParseWhole(fields[10], out.depth))
        return Fail("the depth \"" + std::string(fields[10]) + "\" is not a whole number");
    if (out.numbers[0] > std::uint64_t(kInt64Max))
        return Fail("the length " + std::string(fields[1]) + " is too large");
    return true;
}

bool CFindListing::TakeRecord(std::string_view text)
{
    Record record;
    if (!Parse(text, record))
        return false;
    return m_bStarted ? AddItem(record) : AddStart(record);
}

bool CFindListing::AddStart(const Record& record)
{
    if (record.depth != 0)
        return Fail("it is at depth " + std::to_string(record.depth) + " where the folder searched was expected");
    if (record.type != 'd')
        return Fail(m_strStartPath + " is not a directory");
    m_bStarted = true;
    m_startDevice = record.numbers[2];
    m_nStartOwnDisk = Saturated(record.numbers[1] > std::uint64_t(kInt64Max) / 512 ? ~0ull : record.numbers[1] * 512);
    m_stack.push_back(m_pStart);
    return true;
}

void CFindListing::CloseDirectory()
{
    SortChildrenByName(*m_stack.back());
    m_stack.pop_back();
}

bool CFindListing::AddItem(const Record& record)
{
    // Depth first: the parent is the innermost open directory or one around it.
    if (record.depth == 0 || record.depth > m_stack.size())
        return Fail("\"" + std::string(record.name) + "\" at depth " + std::to_string(record.depth)
                    + " is not inside a directory listed before it");
    const std::string_view name = record.name;
    if (!IsName(name))
        return Fail("\"" + std::string(name) + "\" is not a file name");
    while (m_stack.size() > record.depth)
        CloseDirectory();
    CEntry* pParent = m_stack.back();
    const bool bDirectory = record.type == 'd';
    CFoundItem item;
    item.name = name;
    item.bDirectory = bDirectory;
    item.nLength = bDirectory ? 0 : std::int64_t(record.numbers[0]);
    item.nAllocated = Saturated(record.numbers[1] > std::uint64_t(kInt64Max) / 512 ? ~0ull : record.numbers[1] * 512);
    item.modified = CTime(record.times[0]);
    item.accessed = CTime(record.times[1]);
    item.created = CTime(record.times[3] > 0 ? record.times[3] : record.times[2]);
    item.bHardLink = !bDirectory && record.links > 1;
    item.link = {record.numbers[2], record.inode, record.links};
    CEntry* pEntry = m_arena.NewEntry();
    pEntry->InitFromItem(pParent, item);
    pEntry->SetColour(static_cast<int>(pParent->GetChildren().size() % 8));
    pParent->AppendChild(pEntry);
    if (!bDirectory) {
        ++m_nFiles;
        return true;
    }
    ++m_nDirectories;
    if (record.numbers[2] != m_startDevice) {
        pEntry->SetMountPoint(true);  // find -xdev lists it and stops there
        return true;
    }
    if (m_stack.size() > m_nMaxDepth)
        return Fail("directories nested deeper than " + std::to_string(m_nMaxDepth) + " levels");
    m_stack.push_back(pEntry);
    return true;
}

void CFindListing::NoteErrorLine(std::string_view line)
{
    // GNU find in the C locale: "find: 'PATH': Permission denied". A name with a quote or
    // a control byte in it is written escaped; such a directory merely stays unmarked.
    constexpr std::string_view kHead = "find: '";
    constexpr std::string_view kTail = "': Permission denied";
    if (line.size() < kHead.size() + kTail.size() || line.compare(0, kHead.size(), kHead) != 0
        || line.compare(line.size() - kTail.size(), kTail.size(), kTail) != 0)
        return;
    const std::string_view path = line.substr(kHead.size(), line.size() - kHead.size() - kTail.size());
    if (path.find('\'') == std::string_view::npos && m_unreadable.size() < kMaxUnreadable)
        m_unreadable.emplace(path);
}

bool CFindListing::Finish()
{
    if (!m_strError.empty())
        return false;
    if (!m_strPending.empty())
        return Fail("the listing stops inside it: the connection was lost");
    if (!m_bStarted)
        return Fail("the listing is empty");
    while (!m_stack.empty())
        CloseDirectory();
    for (const std::string& path : m_unreadable) {
        if (path == m_strStartPath) {
            m_pStart->SetUnreadable(true);
            continue;
        }
        const std::string prefix = m_strStartPath == "/" ? "/" : m_strStartPath + "/";
        if (path.compare(0, prefix.size(), prefix) != 0)
            continue;
        CEntry* p = m_pStart;
        std::string_view rest = std::string_view(path).substr(prefix.size());
        while (p != nullptr && !rest.empty()) {
            const std::size_t slash = rest.find('/');
            const std::string_view name = rest.substr(0, slash);
            CEntry* pNext = nullptr;
            for (CEntry* child : p->GetChildren())
                if (child->GetName() == name)
                    pNext = child;
            p = pNext;
            rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        }
        if (p != nullptr && p->IsDirectory())
            p->SetUnreadable(true);
    }
    return true;
}
