#include "Entry.h"

#include "EntryArena.h"
#include "FormatSize.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

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

void CEntry::InitFromItem(CEntry* pParent, const CFoundItem& item)
{
    SetParent(pParent);
    SetName(item.name);
    m_bDirectory = item.bDirectory;
    SetTimes(item.created, item.modified, item.accessed);
    if (item.inode != 0)
        SetIdentity(item.device, item.inode);
    // One pass up the tree for both measures: a chain of ancestors can be very long.
    const std::int64_t nLength = m_bDirectory ? 0 : item.nLength;
    if (!m_bDirectory && item.bHardLink) {
        SetHardLink(item.link, item.nAllocated);
        AddSize(nLength, 0);
    } else {
        AddSize(nLength, item.nAllocated);
    }
}

void CEntry::InitUnsummed(CEntry* pParent, const CFoundItem& item)
{
    SetName(item.name);
    m_bDirectory = item.bDirectory;
    SetTotals(item.bDirectory ? 0 : item.nLength, item.nAllocated);
    SetTimes(item.created, item.modified, item.accessed);
    if (pParent == nullptr)
        return;
    SetParent(pParent);
    m_nColour = static_cast<std::uint32_t>(pParent->m_children.size() % 8);
    pParent->AppendChild(this);
}

void CEntry::AddChildTotals(const CEntry& child)
{
    SetTotals(SaturatingAdd(GetLength(), child.GetLength()), SaturatingAdd(GetDiskSize(), child.GetDiskSize()));
}

void CEntry::RestoreTotals(std::int64_t nLength, std::int64_t nDisk) { SetTotals(nLength, nDisk); }

std::int64_t CEntry::WideSize(int i) const
{
    const auto& sizes = CEntryArena::Of(*this).m_wideSizes.at(this);
    return i == 0 ? sizes.first : sizes.second;
}

// Lengths and sizes on disk are small numbers nearly always: the rare pair that is not
// lives in the arena, exactly.
void CEntry::SetTotals(std::int64_t nLength, std::int64_t nDisk)
{
    constexpr std::int64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
    const bool bLengthFits = nLength >= 0 && nLength < kLengthLimit;
    const bool bBlocks = nDisk >= 0 && nDisk % 512 == 0 && (nDisk >> 9) <= kMax32;
    const bool bBytes = !bBlocks && nDisk >= 0 && nDisk <= kMax32;
    if (!bLengthFits || (!bBlocks && !bBytes)) {
        CEntryArena::Of(*this).m_wideSizes[this] = {nLength, nDisk};
        m_bWideSizes = 1;
        return;
    }
    if (m_bWideSizes) {
        CEntryArena::Of(*this).m_wideSizes.erase(this);
        m_bWideSizes = 0;
    }
    auto u = static_cast<std::uint64_t>(nLength);
    for (std::uint8_t& byte : m_length) {
        byte = static_cast<std::uint8_t>(u);
        u >>= 8;
    }
    m_bDiskInBytes = bBytes;
    m_nDisk = static_cast<std::uint32_t>(bBlocks ? nDisk >> 9 : nDisk);
}

void CEntry::SetHardLink(const CHardLinkId& id, std::int64_t nDisk)
{
    CEntryArena& arena = CEntryArena::Of(*this);
    m_bHardLink = true;
    m_bLinkRepeat = !arena.ClaimLink(this, id, nDisk);
    if (!m_bLinkRepeat)
        AddSize(0, nDisk);
}

const CHardLinkId* CEntry::GetHardLink() const
{
    return m_bHardLink ? &CEntryArena::Of(*this).m_links.at(this).id : nullptr;
}

bool CEntry::GetIdentity(std::uint64_t& device, std::uint64_t& inode) const
{
    const CEntryArena& arena = CEntryArena::Of(*this);
    inode = m_bHardLink ? arena.m_links.at(this).id.inode : m_bDirectory ? arena.InodeOf(*this) : 0;
    device = GetDevice();
    // Only a local search knows devices: a remote one's hard links are not this system's.
    return inode != 0 && device != 0;
}

void CEntry::SetIdentity(std::uint64_t device, std::uint64_t inode)
{
    CEntryArena& arena = CEntryArena::Of(*this);
    if (m_bDirectory)
        arena.SetInode(*this, inode);
    const CEntry* pParent = GetParent();
    const bool bOwn = pParent == nullptr || arena.DeviceBelow(*pParent) != device;
    if (bOwn || m_bOwnDevice)
        arena.SetOwnDevice(*this, bOwn, device);
    m_bOwnDevice = bOwn;
}

std::uint64_t CEntry::GetDevice() const { return CEntryArena::Of(*this).DeviceBelow(*this); }

void CEntry::SetUnreadable(bool bUnreadable)
{
    if (bUnreadable == IsUnreadable())
        return;
    m_bUnreadable = bUnreadable;
    CEntryArena& arena = CEntryArena::Of(*this);
    arena.m_nUnreadable += bUnreadable ? 1 : -1;
}

// The children's sum stops at the largest value as the totals do. A directory whose total
// stopped there has lost its own part in it: it reads 0 rather than a wrapped number.
std::int64_t CEntry::GetOwnDiskSize() const
{
    std::int64_t nChildren = 0;
    for (const CEntry* pChild : m_children)
        nChildren = SaturatingAdd(nChildren, pChild->GetDiskSize());
    return std::max<std::int64_t>(GetDiskSize() - nChildren, 0);
}

std::int64_t CEntry::GetItemDiskSize() const
{
    if (m_bDirectory)
        return GetOwnDiskSize();
    return m_bHardLink ? CEntryArena::Of(*this).m_links.at(this).nDisk : GetDiskSize();
}

std::string CEntry::GetTypeText() const
{
    if (m_bExcluded)
        return m_bDirectory ? "Directory (excluded)" : "File (excluded)";
    if (m_bDirectory && m_bMountPoint)
        return "Directory (other file system)";  // never read, so it only looks empty
    if (m_bDirectory && m_bDirRepeat)
        return "Directory (already counted)";
    if (m_bDirectory)
        return m_bUnreadable ? "Directory (unreadable)" : "Directory";
    return m_bLinkRepeat && s_bDiskSizes ? "File (hard link)" : "File";
}

void CEntry::InitAsRoot(std::string_view strRootPath)
{
    SetName(strRootPath);
    m_bDirectory = true;
    SetUnknownTimes(7);  // the root is where a search starts, not an item it has listed
}

void CEntry::AddSize(std::int64_t nLength, std::int64_t nDisk)
{
    if (nLength == 0 && nDisk == 0)
        return;
    char* const* pTable = CEntryPlaces::HeaderOf(this).pTable;  // every ancestor is in this arena
    for (CEntry* p = this;; p = CEntryPlaces::At(pTable, p->m_nParent)) {
        p->SetTotals(SaturatingAdd(p->GetLength(), nLength), SaturatingAdd(p->GetDiskSize(), nDisk));
        if (p->m_nParent == CEntryPlaces::kNoPlace)
            break;
    }
}

void CEntry::SubtractFromAncestors() const
{
    if (CEntry* pParent = GetParent())
        pParent->AddSize(-GetLength(), -GetDiskSize());
}

int CEntry::GetDepth() const
{
    int nDepth = 0;
    for (const CEntry* p = GetParent(); p != nullptr; p = p->GetParent())
        ++nDepth;
    return nDepth;
}

void CEntry::SetName(std::string_view name)
{
    // Stored before the old one is given back: the name may be a view of it.
    CEntryArena& arena = CEntryArena::Of(*this);
    const std::uint32_t nOld = m_nName;
    const std::uint8_t nOldLength = m_nNameLength;
    m_nName = name.empty() ? 0 : arena.StoreName(name);
    m_nNameLength = name.size() < kLongName ? static_cast<std::uint8_t>(name.size()) : kLongName;
    if (nOld != 0)
        arena.FreeName(nOld, nOldLength);
}

void CEntry::SetTimes(CTime created, CTime modified, CTime accessed)
{
    const std::int64_t times[3] = {created.GetTime(), modified.GetTime(), accessed.GetTime()};
    const bool bWide =
        std::any_of(std::begin(times), std::end(times), [](std::int64_t t) { return t < 0 || t >= kWideTime; });
    if (bWide || HasWideTimes()) {
        CEntryArena& arena = CEntryArena::Of(*this);
        if (bWide)
            arena.m_wideTimes[this] = {times[0], times[1], times[2]};
        else
            arena.m_wideTimes.erase(this);
    }
    for (int i = 0; i < 3; ++i)
        m_times[i] = bWide ? kWideTime : static_cast<std::uint32_t>(times[i]);
}

void CEntry::SetUnknownTimes(unsigned mask)
{
    for (int i = 0; i < 3; ++i)
        if ((mask & (1u << i)) != 0)
            m_times[i] = kUnknownTime;
        else if (m_times[i] == kUnknownTime)
            m_times[i] = 0;
    if (!HasWideTimes())
        CEntryArena::Of(*this).m_wideTimes.erase(this);
}

bool CEntry::HasWideTimes() const
{
    return m_times[0] == kWideTime || m_times[1] == kWideTime || m_times[2] == kWideTime;
}

std::int64_t CEntry::TimeAt(int i) const
{
    const std::uint32_t t = m_times[i];
    if (t == kWideTime)
        return CEntryArena::Of(*this).m_wideTimes.at(this)[static_cast<std::size_t>(i)];
    return t == kUnknownTime ? 0 : std::int64_t{t};
}

void CEntry::AppendChild(CEntry* pChild)
{
    std::uint32_t* pSlots = m_children.Slots();
    const std::uint32_t n = pSlots != nullptr ? CEntryChildren::Header(pSlots).count : 0;
    if (pSlots == nullptr || n == CEntryChildren::Header(pSlots).capacity) {
        m_children.m_nArray = CEntryArena::Of(*this).ResizeArray(m_children.m_nArray, n == 0 ? 4 : 2 * n);
        pSlots = m_children.Slots();
    }
    pSlots[n] = CEntryPlaces::PlaceOf(pChild);
    CEntryChildren::Header(pSlots).count = n + 1;
}

// Where pChild's place stands among the children, or null; an entry of another arena is
// never a child, whatever its place.
std::uint32_t* CEntry::FindChild(const CEntry* pChild)
{
    std::uint32_t* first = m_children.Slots();
    std::uint32_t* last = first + m_children.size();
    if (pChild == nullptr || &CEntryArena::Of(*pChild) != &CEntryArena::Of(*this))
        return nullptr;
    std::uint32_t* it = std::find(first, last, static_cast<std::uint32_t>(CEntryArena::PlaceOf(*pChild)));
    return it != last ? it : nullptr;
}

bool CEntry::RemoveChild(const CEntry* pChild)
{
    std::uint32_t* it = FindChild(pChild);
    if (it == nullptr)
        return false;
    std::uint32_t* last = m_children.Slots() + m_children.size();
    std::copy(it + 1, last, it);
    --CEntryChildren::Header(m_children.Slots()).count;
    return true;
}

bool CEntry::ReplaceChild(const CEntry* pOld, CEntry* pNew)
{
    std::uint32_t* it = FindChild(pOld);
    if (it == nullptr)
        return false;
    *it = static_cast<std::uint32_t>(CEntryArena::PlaceOf(*pNew));
    return true;
}

namespace {
// The first eight bytes of a name, folded as CompareNames folds them, high byte first and
// padded with zeros: keys order as the names do, and only names with equal keys need to be
// compared in full. No name holds a zero byte, so a name ranks before longer ones it begins.
std::uint64_t SortKey(std::string_view name)
{
    std::uint64_t key = 0;
    const std::size_t n = std::min<std::size_t>(name.size(), 8);
    for (std::size_t i = 0; i < n; ++i)
        key |= std::uint64_t{FoldCase(static_cast<unsigned char>(name[i]))} << (56 - 8 * i);
    return key;
}

struct KeyedPlace {
    std::uint64_t key;
    std::uint32_t place;
};
}  // namespace

// Each name is read once for its key, rather than twice in every comparison: the names lie
// far apart in memory, and a comparison by keys touches none of them.
void CEntry::SortChildren()
{
    std::uint32_t* first = m_children.Slots();
    const std::size_t n = m_children.size();
    // Every child lies in this arena: its tables are looked up once, not per comparison.
    const CEntryBlockHeader& header = CEntryPlaces::HeaderOf(this);
    const auto name = [&header](std::uint32_t place) {
        const CEntry* pChild = CEntryPlaces::At(header.pTable, place);
        return NameOf(header.pNames, pChild->m_nName, pChild->m_nNameLength);
    };
    constexpr std::size_t kOnStack = 64;
    KeyedPlace onStack[kOnStack];
    std::unique_ptr<KeyedPlace[]> onHeap;
    if (n > kOnStack)
        onHeap.reset(new (std::nothrow) KeyedPlace[n]);
    KeyedPlace* keyed = n <= kOnStack ? onStack : onHeap.get();
    if (keyed != nullptr) {
        for (std::size_t i = 0; i < n; ++i)
            keyed[i] = {SortKey(name(first[i])), first[i]};
        std::sort(keyed, keyed + n, [&name](const KeyedPlace& x, const KeyedPlace& y) {
            return x.key != y.key ? x.key < y.key : CompareNames(name(x.place), name(y.place)) < 0;
        });
        for (std::size_t i = 0; i < n; ++i)
            first[i] = keyed[i].place;
    } else {  // no memory for the keys: the names are compared in place
        std::sort(first, first + n,
                  [&name](std::uint32_t x, std::uint32_t y) { return CompareNames(name(x), name(y)) < 0; });
    }
    if (n < m_children.capacity())
        m_children.m_nArray = CEntryArena::Of(*this).ResizeArray(m_children.m_nArray, static_cast<std::uint32_t>(n));
}

std::string CEntry::GetPath() const
{
    // The root contributes its whole path, every other entry "/" and its name; "/" is
    // never doubled after a root such as "/".
    std::vector<const CEntry*> chain;
    std::size_t length = 0;
    for (const CEntry* p = this; p != nullptr; p = p->GetParent()) {
        chain.push_back(p);
        length += p->GetName().size() + 1;
    }
    std::string path;
    path.reserve(length);
    path = chain.back()->GetName();
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) {
        if (path.empty() || path.back() != '/')
            path += '/';
        path += (*it)->GetName();
    }
    return path;
}

std::string CEntry::GetSizeText() const { return FormatSize(GetSize()); }
std::string CEntry::GetCreatedText() const { return TimeText(0); }
std::string CEntry::GetModifiedText() const { return TimeText(1); }
std::string CEntry::GetAccessedText() const { return TimeText(2); }

std::string CEntry::TimeText(int i) const
{
    return m_times[i] == kUnknownTime ? std::string() : CTime(TimeAt(i)).Format(kTimeFormat);
}

void CEntry::SetIconLookup(IconLookup lookup) { g_iconLookup = lookup; }

int CEntry::GetIconIndex(BOOL bOpen)
{
    CEntryArena& arena = CEntryArena::Of(*this);
    const std::size_t nState = bOpen ? 1 : 0;
    if (m_bIcons) {
        if (const int nCached = arena.m_icons.at(this)[nState]; nCached != -1)
            return nCached;
    }
    if (g_iconLookup == nullptr)
        return -1;
    std::string path = GetPath();
    if (m_bDirectory && (path.empty() || path.back() != '/'))
        path += '/';
    const bool bDrive = m_bDirectory && (m_nParent == CEntryPlaces::kNoPlace || m_bMountPoint);
    const int nIndex = g_iconLookup(path, bOpen, bDrive ? TRUE : FALSE);
    // An image list never holds this many pictures; should one, the index is asked again.
    if (nIndex >= 0 && nIndex <= INT16_MAX) {
        arena.m_icons.try_emplace(this, CEntryArena::Icons{-1, -1}).first->second[nState] =
            static_cast<std::int16_t>(nIndex);
        m_bIcons = 1;
    }
    return nIndex;
}

BOOL CEntry::HasSubdirectories() const
{
    return std::any_of(m_children.begin(), m_children.end(), [](const CEntry* c) { return c->m_bDirectory; }) ? TRUE
                                                                                                              : FALSE;
}

int CompareNames(std::string_view a, std::string_view b)
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

void SortChildrenByName(CEntry& directory) { directory.SortChildren(); }
