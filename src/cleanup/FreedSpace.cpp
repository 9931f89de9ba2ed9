#include "FreedSpace.h"

#include "model/EntryArena.h"
#include "model/FormatSize.h"

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {
// Sizes never go below 0 and stop at the largest value, as the tree's totals do.
std::int64_t SaturatingAdd(std::int64_t nTotal, std::int64_t nDelta)
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(nTotal, nDelta, &sum))
        return nDelta > 0 ? std::numeric_limits<std::int64_t>::max() : 0;
    return std::max<std::int64_t>(sum, 0);
}

// A directory no deletion removes, nor anything above it.
bool Stays(const CEntry& entry)
{
    return entry.IsDirectory() && (entry.IsMountPoint() || entry.IsDirRepeat() || entry.IsUnreadable());
}

std::string TopOfDevice(const CEntry& entry)
{
    const CEntry* p = &entry;
    while (p->GetParent() != nullptr && !p->StartsDevice())
        p = p->GetParent();
    return p->GetPath();
}

struct LinkKey {
    std::uint64_t device, inode;
    bool operator==(const LinkKey&) const = default;
};
struct LinkKeyHash {
    std::size_t operator()(const LinkKey& k) const { return std::hash<std::uint64_t>()(k.inode * 31 + k.device); }
};
// The names of one file with several found among the items.
struct LinkTally {
    const CEntry* pName;  // one of them
    std::uint64_t device;
    std::size_t nNames;
};

class CFreedTally {
public:
    void Count(const CEntry& item);
    CFreedSpace Finish();

private:
    void CountFile(const CEntry& file, std::uint64_t device);
    void Add(std::uint64_t device, const CEntry& where, std::int64_t nBytes);
    void KeepAbove(const CEntry& staying, const CEntry& item);

    CFreedSpace m_freed;
    std::unordered_map<LinkKey, LinkTally, LinkKeyHash> m_links;
    std::unordered_set<const CEntry*> m_kept;  // directories taken out of the count again
};

void CFreedTally::Count(const CEntry& item)
{
    ++m_freed.nItems;
    m_freed.nOnDisk = SaturatingAdd(m_freed.nOnDisk, item.GetDiskSize());
    const std::size_t nStayingBefore = m_freed.staying.size();
    // Depth first without recursion; each entry with the device of the file system it is on.
    std::vector<std::pair<const CEntry*, std::uint64_t>> pending{{&item, item.GetDevice()}};
    while (!pending.empty()) {
        auto [p, device] = pending.back();
        pending.pop_back();
        if (p->StartsDevice())
            device = p->GetDevice();
        if (!p->IsDirectory()) {
            CountFile(*p, device);
            continue;
        }
        if (Stays(*p)) {
            m_freed.staying.push_back(p);
            continue;
        }
        std::int64_t nChildren = 0;
        for (const CEntry* pChild : p->GetChildren()) {
            nChildren = SaturatingAdd(nChildren, pChild->GetDiskSize());
            pending.emplace_back(pChild, device);
        }
        Add(device, *p, std::max<std::int64_t>(p->GetDiskSize() - nChildren, 0));
    }
    for (std::size_t i = nStayingBefore; i < m_freed.staying.size(); ++i)
        KeepAbove(*m_freed.staying[i], item);
}

void CFreedTally::CountFile(const CEntry& file, std::uint64_t device)
{
    if (const CHardLinkId* pId = file.GetHardLink()) {
        auto [it, bNew] = m_links.try_emplace(LinkKey{pId->device, pId->inode}, LinkTally{&file, device, 0});
        ++it->second.nNames;
        Add(device, file, 0);  // a name goes from this file system, whatever comes back
        return;
    }
    Add(device, file, file.GetDiskSize());
}

void CFreedTally::Add(std::uint64_t device, const CEntry& where, std::int64_t nBytes)
{
    m_freed.nFrees = SaturatingAdd(m_freed.nFrees, nBytes);
    for (CFreedOnDevice& freed : m_freed.devices) {
        if (freed.device == device) {
            freed.nFrees = SaturatingAdd(freed.nFrees, nBytes);
            return;
        }
    }
    m_freed.devices.push_back({device, TopOfDevice(where), nBytes});
}

// The directories from the staying one's parent up to the item stay with it: their own
// blocks, counted on the way down, come out again. Each once, whatever stays below it.
void CFreedTally::KeepAbove(const CEntry& staying, const CEntry& item)
{
    for (const CEntry* p = staying.GetParent(); p != nullptr && p != item.GetParent(); p = p->GetParent()) {
        if (!m_kept.insert(p).second)
            break;  // and so were the ones above it
        const std::int64_t nOwn = p->GetOwnDiskSize();
        m_freed.nFrees = SaturatingAdd(m_freed.nFrees, -nOwn);
        for (CFreedOnDevice& freed : m_freed.devices)
            if (freed.device == p->GetDevice())
                freed.nFrees = SaturatingAdd(freed.nFrees, -nOwn);
    }
}

CFreedSpace CFreedTally::Finish()
{
    for (const auto& [key, tally] : m_links) {
        const CHardLinkId& id = *tally.pName->GetHardLink();
        const std::size_t nFound = CEntryArena::Of(*tally.pName).LinkNamesFound(id);
        // A count of names the file system did not give (0) leaves the search's own.
        const bool bAllNames = tally.nNames >= nFound && (id.links == 0 || id.links <= nFound);
        if (bAllNames)
            Add(tally.device, *tally.pName, tally.pName->GetItemDiskSize());
        else
            ++m_freed.nSharedFiles;
    }
    std::sort(m_freed.devices.begin(), m_freed.devices.end(),
              [](const CFreedOnDevice& a, const CFreedOnDevice& b) { return a.strTop < b.strTop; });
    return std::move(m_freed);
}
}  // namespace

CFreedSpace MeasureFreedSpace(const std::vector<const CEntry*>& items)
{
    CFreedTally tally;
    for (const CEntry* pItem : items)
        tally.Count(*pItem);
    return tally.Finish();
}

std::string FreedSpaceText(const CFreedSpace& freed)
{
    constexpr const char* kDot = " \xC2\xB7 ";  // a middle dot, in UTF-8
    return FormatCount(freed.nItems) + (freed.nItems == 1 ? " item" : " items") + kDot + FormatSize(freed.nOnDisk)
        + " on disk" + kDot + "frees " + FormatSize(freed.nFrees);
}
