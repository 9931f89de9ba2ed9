#pragma once
#include "model/Entry.h"

#include <cstdint>
#include <memory>
#include <string>

// Entry trees built by hand as the walk builds them: children appended in order, each size
// added to every directory above.
inline std::unique_ptr<CEntry> MakeRoot(const std::string& name)
{
    auto root = std::make_unique<CEntry>();
    root->InitAsRoot(name);
    return root;
}

inline CEntry* AddEntry(CEntry& parent, const std::string& name, std::int64_t size = 0, bool bDirectory = false)
{
    auto child = std::make_unique<CEntry>();
    child->m_pParent = &parent;
    child->m_strName = name;
    child->m_bDirectory = bDirectory;
    child->m_nDepth = parent.m_nDepth + 1;
    CEntry* p = child.get();
    parent.m_children.push_back(std::move(child));
    if (size != 0)
        p->AddSize(size);
    return p;
}
