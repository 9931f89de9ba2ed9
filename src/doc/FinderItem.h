#pragma once
#include "model/FoundItem.h"
#include "sys/Finder.h"

// The finder's current item as an entry is made from it; the name stays the finder's, so
// the value lives no longer than that item.
inline CFoundItem FinderItem(const CFinder& finder)
{
    CFoundItem item;
    item.name = finder.GetFileName();
    item.bDirectory = finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) != FALSE;
    item.nLength = finder.GetLength64();
    item.nAllocated = finder.GetAllocated64();
    item.created = finder.GetCreationTime();
    item.modified = finder.GetLastWriteTime();
    item.accessed = finder.GetLastAccessTime();
    item.bHardLink = !item.bDirectory && finder.GetHardLink(item.link);
    finder.GetIdentity(item.device, item.inode);
    return item;
}
