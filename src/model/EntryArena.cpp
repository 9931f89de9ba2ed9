#include "EntryArena.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

namespace {
bool IsWithin(const CEntry* pEntry, const CEntry* pAncestor)
{
    for (; pEntry != nullptr; pEntry = pEntry->GetParent())
        if (pEntry == pAncestor)
            return true;
    return false;
}

std::size_t StoredNameSize(const char* pStored, std::uint8_t nLength)
{
    if (nLength != CEntry::kLongName)
        return nLength;
    std::uint32_t nLong = 0;
    std::memcpy(&nLong, pStored, sizeof nLong);
    return sizeof nLong + std::size_t{nLong};
}
}  // namespace

static_assert(sizeof(CEntry) == CEntryPlaces::kEntryBytes, "an entry is meant to take 36 bytes");
static_assert(CEntryPlaces::kFirstEntry % alignof(CEntry) == 0);

CEntryArena::CEntryArena() : m_pTable(CEntryChunks::NewTable(kMaxBlocks)) {}

CEntryArena::~CEntryArena()
{
    // Entries hold nothing of their own: the blocks (and the chunks, freed with their own
    // owners) are all there is.
    for (Block* pBlock : m_blocks)
        std::free(pBlock);
    CEntryChunks::FreeTable(m_pTable, kMaxBlocks);
}

CEntryArena& CEntryArena::Of(const CEntry& entry)
{
    const auto address = reinterpret_cast<std::uintptr_t>(&entry);
    return *reinterpret_cast<const Block*>(address & ~(kBlockBytes - 1))->pArena;
}

std::size_t CEntryArena::PlaceOf(const CEntry& entry) { return CEntryPlaces::PlaceOf(&entry); }

std::size_t CEntryArena::PlaceCount() const { return m_blocks.size() * kPerBlock; }

std::size_t CEntryArena::ReservedBytes() const
{
    std::size_t nBytes = m_blocks.size() * kBlockBytes + m_names.ReservedBytes() + m_arrays.ReservedBytes();
    for (const auto& inodes : m_inodes)
        nBytes += inodes.capacity() * sizeof(SlotInode);
    return nBytes;
}

CEntry* CEntryArena::NewEntry()
{
    void* pPlace = nullptr;
    if (m_nFreeEntry != CEntryPlaces::kNoPlace) {
        pPlace = CEntryPlaces::At(m_pTable, m_nFreeEntry);
        m_nFreeEntry = static_cast<CEntry*>(pPlace)->m_nParent;
    } else {
        if (m_blocks.empty() || m_nBlockUsed == kPerBlock) {
            if (m_blocks.size() == kMaxBlocks)
                throw std::bad_alloc();  // no places left to number them
            m_blocks.reserve(m_blocks.size() + 1);
            void* pMemory = std::aligned_alloc(kBlockBytes, kBlockBytes);
            if (pMemory == nullptr)
                throw std::bad_alloc();
            m_blocks.push_back(new (pMemory) Block{this, m_blocks.size(), m_pTable, m_names.Table(), m_arrays.Table()});
            m_pTable[m_blocks.size() - 1] = static_cast<char*>(pMemory);
            m_nBlockUsed = 0;
        }
        pPlace = reinterpret_cast<char*>(m_blocks.back()) + kFirstEntry + m_nBlockUsed++ * sizeof(CEntry);
    }
    ++m_nLive;
    return new (pPlace) CEntry;
}

CEntry* CEntryArena::NewCopyForRereading(const CEntry& source)
{
    CEntry* pCopy = NewEntry();
    pCopy->m_nParent = source.m_nParent;
    pCopy->SetName(source.GetName());
    if (source.HasWideTimes()) {
        const Times times = m_wideTimes.at(&source);
        m_wideTimes[pCopy] = times;
    }
    std::copy(std::begin(source.m_times), std::end(source.m_times), pCopy->m_times);
    if (source.m_bIcons) {
        const Icons icons = m_icons.at(&source);
        m_icons[pCopy] = icons;
        pCopy->m_bIcons = 1;
    }
    pCopy->m_nColour = source.m_nColour;
    pCopy->m_bDirectory = source.m_bDirectory;
    pCopy->m_bMountPoint = source.m_bMountPoint;
    pCopy->m_bDirRepeat = source.m_bDirRepeat;
    if (const std::uint64_t inode = InodeOf(source); inode != 0)
        SetInode(*pCopy, inode);
    if (source.m_bOwnDevice) {
        SetOwnDevice(*pCopy, true, m_devices.at(&source));
        pCopy->m_bOwnDevice = true;
    }
    // Whether it can be read, and which names carry their files, is found out afresh.
    m_pRereading = &source;
    m_handedOver.clear();
    return pCopy;
}

void CEntryArena::AbandonCopy(CEntry* pCopy)
{
    Free(pCopy);  // which forgets the carriers the copy had taken over
    for (const auto& [key, pOldCarrier] : m_handedOver)
        m_linkCarriers[key] = pOldCarrier;
    m_handedOver.clear();
    m_pRereading = nullptr;
}

void CEntryArena::Free(CEntry* pEntry)
{
    // Without recursion, so that a tree thousands of levels deep cannot exhaust the stack.
    std::vector<CEntry*> pending{pEntry};
    while (!pending.empty()) {
        CEntry* p = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), p->m_children.begin(), p->m_children.end());
        FreeOne(p);
    }
}

void CEntryArena::FreeOne(CEntry* pEntry)
{
    if (pEntry->m_nName != 0)
        FreeName(pEntry->m_nName, pEntry->m_nNameLength);
    FreeArray(pEntry->m_children.m_nArray);
    if (pEntry->HasWideTimes())
        m_wideTimes.erase(pEntry);
    if (pEntry->m_bWideSizes)
        m_wideSizes.erase(pEntry);
    if (pEntry->m_bIcons)
        m_icons.erase(pEntry);
    if (pEntry->m_bHardLink)
        ForgetLink(pEntry);
    if (pEntry->m_bUnreadable)
        --m_nUnreadable;
    if (InodeOf(*pEntry) != 0)
        SetInode(*pEntry, 0);
    if (pEntry->m_bOwnDevice)
        SetOwnDevice(*pEntry, false, 0);
    if (pEntry == m_pDeviceAsked)
        m_pDeviceAsked = nullptr;
    if (pEntry == m_pRereading) {
        m_pRereading = nullptr;
        m_handedOver.clear();
    }
    pEntry->~CEntry();
    // The free list runs through the parent field of entries no longer in use.
    CEntry* pFree = new (pEntry) CEntry;
    pFree->m_nParent = m_nFreeEntry;
    m_nFreeEntry = CEntryPlaces::PlaceOf(pFree);
    --m_nLive;
}

bool CEntryArena::ClaimLink(const CEntry* pEntry, const CHardLinkId& id, std::int64_t nDisk)
{
    if (const auto [link, bNew] = m_links.try_emplace(pEntry, Link{id, nDisk}); !bNew) {
        ForgetLinkName(link->second.id);  // claimed again: counted once
        link->second = {id, nDisk};
    }
    ++m_linkNames[LinkKey{id.device, id.inode}];
    const auto [it, bFirst] = m_linkCarriers.try_emplace(LinkKey{id.device, id.inode}, pEntry);
    if (bFirst)
        return true;
    if (m_pRereading == nullptr || IsWithin(pEntry, m_pRereading))
        return false;
    if (!IsWithin(it->second, m_pRereading))
        return false;
    m_handedOver.emplace_back(it->first, it->second);
    it->second = pEntry;
    return true;
}

// A name that carried its file takes nothing with it: the others stay at 0 until their
// directories are read again.
void CEntryArena::ForgetLink(const CEntry* pEntry)
{
    const auto link = m_links.find(pEntry);
    if (link == m_links.end())
        return;
    const auto carrier = m_linkCarriers.find(LinkKey{link->second.id.device, link->second.id.inode});
    if (carrier != m_linkCarriers.end() && carrier->second == pEntry)
        m_linkCarriers.erase(carrier);
    ForgetLinkName(link->second.id);
    m_links.erase(link);
}

void CEntryArena::ForgetLinkName(const CHardLinkId& id)
{
    const auto names = m_linkNames.find(LinkKey{id.device, id.inode});
    if (names != m_linkNames.end() && --names->second == 0)
        m_linkNames.erase(names);
}

std::size_t CEntryArena::LinkNamesFound(const CHardLinkId& id) const
{
    const auto names = m_linkNames.find(LinkKey{id.device, id.inode});
    return names != m_linkNames.end() ? names->second : 0;
}

namespace {
template <typename SlotInodes> auto FindSlot(SlotInodes& inodes, std::uint32_t nSlot)
{
    return std::lower_bound(inodes.begin(), inodes.end(), nSlot,
                            [](const auto& kept, std::uint32_t n) { return kept.nSlot < n; });
}
}  // namespace

std::uint64_t CEntryArena::InodeOf(const CEntry& entry) const
{
    const std::size_t place = PlaceOf(entry);
    const std::size_t nBlock = place / kPerBlock;
    const auto nSlot = static_cast<std::uint32_t>(place % kPerBlock);
    if (nBlock >= m_inodes.size())
        return 0;
    const auto& inodes = m_inodes[nBlock];
    const auto it = FindSlot(inodes, nSlot);
    return it != inodes.end() && it->nSlot == nSlot ? std::uint64_t{it->nHigh} << 32 | it->nLow : 0;
}

// The walk makes entries in the order of their places, so most land at the end of their
// block's numbers.
void CEntryArena::SetInode(const CEntry& entry, std::uint64_t inode)
{
    const std::size_t place = PlaceOf(entry);
    const std::size_t nBlock = place / kPerBlock;
    const auto nSlot = static_cast<std::uint32_t>(place % kPerBlock);
    if (nBlock >= m_inodes.size()) {
        if (inode == 0)
            return;
        m_inodes.resize(m_blocks.size());
    }
    auto& inodes = m_inodes[nBlock];
    const auto it = FindSlot(inodes, nSlot);
    const bool bKept = it != inodes.end() && it->nSlot == nSlot;
    const SlotInode kept{nSlot, static_cast<std::uint32_t>(inode), static_cast<std::uint32_t>(inode >> 32)};
    if (inode == 0) {
        if (bKept)
            inodes.erase(it);
    } else if (bKept) {
        *it = kept;
    } else {
        inodes.insert(it, kept);
    }
}

std::uint64_t CEntryArena::DeviceBelow(const CEntry& entry) const
{
    if (&entry == m_pDeviceAsked)
        return m_deviceAnswer;
    const CEntry* p = &entry;
    while (p != nullptr && !p->m_bOwnDevice)
        p = p->GetParent();
    m_pDeviceAsked = &entry;
    m_deviceAnswer = p != nullptr ? m_devices.at(p) : 0;
    return m_deviceAnswer;
}

void CEntryArena::SetOwnDevice(const CEntry& entry, bool bOwn, std::uint64_t device)
{
    if (bOwn)
        m_devices[&entry] = device;
    else
        m_devices.erase(&entry);
    m_pDeviceAsked = nullptr;  // whatever lies below it may have changed
}

std::uint32_t CEntryArena::StoreName(std::string_view name)
{
    const bool bLong = name.size() >= CEntry::kLongName;
    const std::size_t nPrefix = bLong ? sizeof(std::uint32_t) : 0;
    const std::size_t nStored = nPrefix + name.size();
    std::uint32_t ref = 0;
    if (nStored < m_freeNames.size() && !m_freeNames[nStored].empty()) {
        ref = m_freeNames[nStored].back();
        m_freeNames[nStored].pop_back();
    } else {
        ref = m_names.Take(nStored);
    }
    char* pBytes = m_names.At(ref);
    if (bLong) {
        const auto nLong = static_cast<std::uint32_t>(name.size());
        std::memcpy(pBytes, &nLong, sizeof nLong);
    }
    std::memcpy(pBytes + nPrefix, name.data(), name.size());
    return ref;
}

void CEntryArena::FreeName(std::uint32_t ref, std::uint8_t nLength)
{
    const std::size_t nStored = StoredNameSize(m_names.At(ref), nLength);
    if (m_names.IsAlone(nStored)) {
        m_names.GiveBackAlone(ref);
        return;
    }
    if (nStored >= m_freeNames.size())
        m_freeNames.resize(nStored + 1);
    m_freeNames[nStored].push_back(ref);
}

// The header's two slots and the children, rounded so that the next header stays aligned.
std::size_t CEntryArena::ArrayBytes(std::uint32_t nCapacity)
{
    return ((std::size_t{nCapacity} + 2) * sizeof(Slot) + 7) / 8 * 8;
}

std::uint32_t CEntryArena::NewArray(std::uint32_t nCapacity)
{
    std::uint32_t ref = 0;
    if (nCapacity < m_freeArrays.size() && m_freeArrays[nCapacity] != 0) {
        ref = m_freeArrays[nCapacity];
        m_freeArrays[nCapacity] = CEntryChildren::Header(CEntryPlaces::ArrayAt(m_arrays.Table(), ref)).count;
    } else {
        ref = m_arrays.Take(ArrayBytes(nCapacity));
    }
    CEntryChildren::Header(CEntryPlaces::ArrayAt(m_arrays.Table(), ref)) = {0, nCapacity};
    return ref;
}

void CEntryArena::FreeArray(std::uint32_t ref)
{
    if (ref == 0)
        return;
    auto& header = CEntryChildren::Header(CEntryPlaces::ArrayAt(m_arrays.Table(), ref));
    const std::uint32_t nCapacity = header.capacity;
    if (m_arrays.IsAlone(ArrayBytes(nCapacity))) {
        m_arrays.GiveBackAlone(ref);
        return;
    }
    if (nCapacity >= m_freeArrays.size())
        m_freeArrays.resize(nCapacity + 1);
    header.count = m_freeArrays[nCapacity];
    m_freeArrays[nCapacity] = ref;
}

std::uint32_t CEntryArena::ResizeArray(std::uint32_t ref, std::uint32_t nCapacity)
{
    const Slot* pOld = ref != 0 ? CEntryPlaces::ArrayAt(m_arrays.Table(), ref) : nullptr;
    const std::uint32_t nCount = pOld != nullptr ? CEntryChildren::Header(pOld).count : 0;
    const std::uint32_t nKept = std::min(nCount, nCapacity);
    const std::uint32_t nNew = nCapacity > 0 ? NewArray(nCapacity) : 0;
    if (nNew != 0 && nKept > 0) {
        Slot* pNew = CEntryPlaces::ArrayAt(m_arrays.Table(), nNew);
        std::memcpy(pNew, pOld, nKept * sizeof(Slot));
        CEntryChildren::Header(pNew).count = nKept;
    }
    FreeArray(ref);
    return nNew;
}
