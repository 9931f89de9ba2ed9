#include "PermanentDelete.h"

#include "sys/DirStack.h"
#include "sys/FileStatus.h"

#include <algorithm>
#include <dirent.h>
#include <string>
#include <vector>

namespace {
// A file with one name keeps no inode in its entry: it is looked at again, and its inode
// taken only while it is still a file on the same device with the length and modification
// time the search saw (an excluded file counts no length). SafeRemove then checks that
// inode, so nothing swapped in after this look is removed either. 0 when it is not.
std::uint64_t LookAgain(const CEntry& item, const std::string& strTop, const std::vector<std::string>& names,
                        std::uint64_t device)
{
    CDirStack opener;  // closes what it opened
    const std::vector<std::string> above(names.begin(), names.end() - 1);
    const int fd = opener.Reset(strTop, above, nullptr);
    CFileStatus status;
    if (fd < 0 || !ReadFileStatus(fd, names.back().c_str(), DT_UNKNOWN, status))
        return 0;
    const bool bSame = !status.directory && status.device == device && status.modified == item.GetModifiedTime()
        && (item.IsExcluded() || status.size == item.GetLength());
    return bSame ? status.inode : 0;
}
}  // namespace

CRemoveResult DeleteForGood(const CEntry& item)
{
    std::vector<std::string> names;
    const CEntry* pRoot = &item;
    for (; pRoot->GetParent() != nullptr; pRoot = pRoot->GetParent())
        names.emplace_back(pRoot->GetName());
    std::reverse(names.begin(), names.end());
    std::uint64_t device = 0, inode = 0;
    // Unknown: inode 0, which never matches. Only a local search knows devices.
    if (!item.GetIdentity(device, inode) && !item.IsDirectory() && !names.empty() && (device = item.GetDevice()) != 0)
        inode = LookAgain(item, pRoot->GetPath(), names, device);
    return SafeRemove(pRoot->GetPath(), names, device, inode);
}
