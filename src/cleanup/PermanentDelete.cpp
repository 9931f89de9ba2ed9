#include "PermanentDelete.h"

#include <algorithm>
#include <string>
#include <vector>

CRemoveResult DeleteForGood(const CEntry& item)
{
    std::vector<std::string> names;
    const CEntry* pRoot = &item;
    for (; pRoot->GetParent() != nullptr; pRoot = pRoot->GetParent())
        names.emplace_back(pRoot->GetName());
    std::reverse(names.begin(), names.end());
    std::uint64_t device = 0, inode = 0;
    item.GetIdentity(device, inode);  // unknown: inode 0, which never matches
    return SafeRemove(pRoot->GetPath(), names, device, inode);
}
