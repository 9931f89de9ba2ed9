#include "ItemCounts.h"

#include <utility>
#include <vector>

// Depth first without recursion: a directory is summed once all its subdirectories are.
std::uint64_t CItemCounts::Of(const CEntry& entry)
{
    if (!entry.IsDirectory())
        return 1;
    if (const auto it = m_counts.find(&entry); it != m_counts.end())
        return it->second;
    struct Frame {
        const CEntry* pDir;
        std::size_t nNext;  // the child to look at next
        std::uint64_t nFiles;
    };
    std::vector<Frame> stack{{&entry, 0, 0}};
    for (;;) {
        Frame& top = stack.back();
        const CEntryChildren& children = top.pDir->GetChildren();
        if (top.nNext == children.size()) {
            const std::uint64_t nFiles = top.nFiles;
            m_counts.emplace(top.pDir, nFiles);
            stack.pop_back();
            if (stack.empty())
                return nFiles;
            stack.back().nFiles += nFiles;
            continue;
        }
        const CEntry* pChild = children[top.nNext++];
        if (!pChild->IsDirectory()) {
            ++top.nFiles;
        } else if (const auto it = m_counts.find(pChild); it != m_counts.end()) {
            top.nFiles += it->second;
        } else {
            stack.push_back({pChild, 0, 0});
        }
    }
}
