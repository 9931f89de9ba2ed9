#include "Entry.h"

#include "FormatSize.h"

#include <algorithm>
#include <limits>

namespace {
CEntry::IconLookup g_iconLookup = nullptr;

inline unsigned char FoldCase(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Sparse files let anyone claim lengths near 2^63 bytes: two of them would wrap a total
// round to nothing and hide real data. A total stops at the largest value instead, and
// taking something out of a total that stopped there never makes it negative.
std::int64_t SaturatingAdd(std::int64_t nTotal, std::int64_t nDelta)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(nTotal, nDelta, &sum))
        return nDelta > 0 ? std::numeric_limits<std::int64_t>::max() : 0;
    return sum < 0 ? 0 : sum;
}
}  // namespace

CEntry::CEntry() = default;

CEntry::CEntry(const CEntry& source)
    : m_pParent(source.m_pParent),
      m_strName(source.m_strName),
      m_nSize(0),
      m_timeCreated(source.m_timeCreated),
      m_timeModified(source.m_timeModified),
      m_timeAccessed(source.m_timeAccessed),
      m_nDepth(source.m_nDepth),
      m_nIcon(source.m_nIcon),
      m_nOpenIcon(source.m_nOpenIcon),
      m_nColour(source.m_nColour),
      m_bDirectory(source.m_bDirectory),
      m_bMountPoint(source.m_bMountPoint)
{
}

CEntry::~CEntry()
{
    // Tear the subtree down without recursion, so that a tree thousands of levels deep
    // cannot exhaust the stack: detach grandchildren before each child dies.
    std::vector<std::unique_ptr<CEntry>> pending = std::move(m_children);
    while (!pending.empty()) {
        std::unique_ptr<CEntry> entry = std::move(pending.back());
        pending.pop_back();
        for (auto& child : entry->m_children)
            pending.push_back(std::move(child));
        entry->m_children.clear();
    }
}

void CEntry::InitFromFind(CEntry* pParent, const CFinder& finder)
{
    m_pParent = pParent;
    m_nDepth = pParent != nullptr ? pParent->m_nDepth + 1 : 0;
    m_strName = finder.GetFileName();
    m_bDirectory = finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) != FALSE;
    m_timeCreated = finder.GetCreationTime();
    m_timeModified = finder.GetLastWriteTime();
    m_timeAccessed = finder.GetLastAccessTime();
    if (!m_bDirectory)
        AddSize(finder.GetLength64());
}

void CEntry::InitAsRoot(const std::string& strRootPath)
{
    m_nDepth = 0;
    m_strName = strRootPath;
    m_bDirectory = true;
}

void CEntry::AddSize(std::int64_t nDelta)
{
    for (CEntry* p = this; p != nullptr; p = p->m_pParent)
        p->m_nSize = SaturatingAdd(p->m_nSize, nDelta);
}

std::string CEntry::GetPath() const
{
    // The root contributes its whole path, every other entry "/" and its name; "/" is
    // never doubled after a root such as "/".
    std::vector<const CEntry*> chain;
    chain.reserve(static_cast<std::size_t>(m_nDepth) + 1);
    std::size_t length = 0;
    for (const CEntry* p = this; p != nullptr; p = p->m_pParent) {
        chain.push_back(p);
        length += p->m_strName.size() + 1;
    }
    std::string path;
    path.reserve(length);
    path = chain.back()->m_strName;
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) {
        if (path.empty() || path.back() != '/')
            path += '/';
        path += (*it)->m_strName;
    }
    return path;
}

std::string CEntry::GetSizeText() const { return FormatSize(m_nSize); }
std::string CEntry::GetCreatedText() const { return m_timeCreated.Format(kTimeFormat); }
std::string CEntry::GetModifiedText() const { return m_timeModified.Format(kTimeFormat); }
std::string CEntry::GetAccessedText() const { return m_timeAccessed.Format(kTimeFormat); }

void CEntry::SetIconLookup(IconLookup lookup) { g_iconLookup = lookup; }

int CEntry::GetIconIndex(BOOL bOpen)
{
    std::int32_t& cache = bOpen ? m_nOpenIcon : m_nIcon;
    if (cache == -1 && g_iconLookup != nullptr) {
        std::string path = GetPath();
        if (m_bDirectory && (path.empty() || path.back() != '/'))
            path += '/';
        const bool bDrive = m_bDirectory && (m_pParent == nullptr || m_bMountPoint);
        cache = g_iconLookup(path, bOpen, bDrive ? TRUE : FALSE);
    }
    return cache;
}

BOOL CEntry::HasSubdirectories() const
{
    return std::any_of(m_children.begin(), m_children.end(),
                       [](const auto& c) { return c->m_bDirectory; })
               ? TRUE
               : FALSE;
}

int CompareNames(const std::string& a, const std::string& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = FoldCase(static_cast<unsigned char>(a[i]));
        const unsigned char cb = FoldCase(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

void SortChildrenByName(CEntry& directory)
{
    auto& c = directory.m_children;
    std::sort(c.begin(), c.end(), [](const auto& x, const auto& y) {
        return CompareNames(x->m_strName, y->m_strName) < 0;
    });
    c.shrink_to_fit();  // a finished directory never grows again until a refresh replaces it
}

std::vector<std::unique_ptr<CEntry>>::iterator FindChildSlot(CEntry& parent, const CEntry* pChild)
{
    return std::find_if(parent.m_children.begin(), parent.m_children.end(),
                        [pChild](const auto& c) { return c.get() == pChild; });
}
