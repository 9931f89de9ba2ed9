#pragma once
#include "model/EntryArena.h"

#include <cstdint>
#include <string>

// Entry trees built by hand as the walk builds them: children appended in order, each size
// added to every directory above. They all live in one arena that lasts the test program.
inline CEntryArena& HandArena()
{
    static CEntryArena arena;
    return arena;
}

inline CEntry* MakeRoot(const std::string& name)
{
    CEntry* root = HandArena().NewEntry();
    root->InitAsRoot(name);
    return root;
}

inline CEntry* AddEntry(CEntry& parent, const std::string& name, std::int64_t size = 0, bool bDirectory = false)
{
    CEntry* child = HandArena().NewEntry();
    CFoundItem item;
    item.name = name;
    item.bDirectory = bDirectory;
    child->InitFromItem(&parent, item);
    parent.AppendChild(child);
    if (size != 0)
        child->AddSize(size);
    return child;
}
