#pragma once
#include "model/EntryArena.h"

#include <cstdint>
#include <string_view>

// An entry tree built by hand in an arena of its own, linked the way the walk links it.
class HandTree {
public:
    explicit HandTree(std::string_view rootPath = "/") : m_pRoot(arena.NewEntry()) { m_pRoot->InitAsRoot(rootPath); }

    CEntry* Root() const { return m_pRoot; }
    // A child appended after the others; a file's length reaches every ancestor.
    CEntry* Add(CEntry* pParent, std::string_view name, bool bDirectory, std::int64_t nSize = 0)
    {
        CEntry* e = arena.NewEntry();
        e->m_pParent = pParent;
        e->SetName(name);
        e->m_bDirectory = bDirectory;
        e->m_nDepth = pParent->m_nDepth + 1;
        pParent->AppendChild(e);
        if (nSize != 0)
            e->AddSize(nSize);
        return e;
    }

    CEntryArena arena;

private:
    CEntry* m_pRoot;
};
