#pragma once
#include "platform/Finder.h"
#include "platform/Time.h"
#include "platform/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One file or directory of a search. A directory's m_nSize is the sum of the lengths of all
// files below it; totals are kept incrementally (AddSize), never recomputed.
//
// Trees hold millions of these, so an entry keeps only what it must: the full path is not
// stored but composed from the parent chain on demand (GetPath).
class CEntry {
public:
    CEntry();
    // The copy for re-reading: same parent, identity, times, icon caches and colour;
    // size 0 and no children. The source is not changed.
    explicit CEntry(const CEntry& source);
    CEntry& operator=(const CEntry&) = delete;
    virtual ~CEntry();

    // Fills the entry from the finder's current item and adds its length up the tree. Does
    // not link the entry into the parent's children.
    void InitFromFind(CEntry* pParent, const CFinder& finder);
    void InitAsRoot(const std::string& strRootPath);
    // Adds the delta (negative to remove) to this entry and every ancestor; totals stay
    // between 0 and the largest int64 value.
    void AddSize(std::int64_t nDelta);

    CEntry* GetParent() const { return m_pParent; }
    std::string GetPath() const;
    const std::string& GetName() const { return m_strName; }
    BOOL IsDirectory() const { return m_bDirectory ? TRUE : FALSE; }
    std::int64_t GetSize() const { return m_nSize; }
    int GetDepth() const { return m_nDepth; }
    std::string GetSizeText() const;
    std::string GetCreatedText() const;
    std::string GetModifiedText() const;
    std::string GetAccessedText() const;
    CTime GetCreatedTime() const { return m_timeCreated; }
    CTime GetModifiedTime() const { return m_timeModified; }
    CTime GetAccessedTime() const { return m_timeAccessed; }
    // Cached small icon index for the closed or open state; looked up on first request.
    int GetIconIndex(BOOL bOpen);
    BOOL HasSubdirectories() const;

    // The children, owned; sorted by name once their directory has been read.
    std::vector<std::unique_ptr<CEntry>> m_children;
    // The icon lookup used by GetIconIndex: path (a directory's ends in "/"), open state,
    // and whether the entry stands for a drive (a search's root, or a mount point below
    // it). Installed by the views layer; without one, lookups answer -1.
    using IconLookup = int (*)(const std::string& path, BOOL bOpen, BOOL bDrive);
    static void SetIconLookup(IconLookup lookup);

    CEntry* m_pParent = nullptr;  // not owned: the parent owns us
    std::string m_strName;        // last path component; a root holds its root path here
    std::int64_t m_nSize = 0;     // bytes
    CTime m_timeCreated;
    CTime m_timeModified;
    CTime m_timeAccessed;
    std::int32_t m_nDepth = 0;
    std::int32_t m_nIcon = -1;
    std::int32_t m_nOpenIcon = -1;
    std::int8_t m_nColour = 0;    // 0..7: position among its siblings in listing order, mod 8
    bool m_bDirectory = false;
    // A directory on another file system than its search root: kept, never descended into.
    bool m_bMountPoint = false;
};

// Orders children by name the way the program always has: byte by byte after folding
// A-Z to a-z, so "_x" < "A" < "b".
int CompareNames(const std::string& a, const std::string& b);
void SortChildrenByName(CEntry& directory);
// Where pChild stands among the parent's children, or m_children.end() when it is not there.
std::vector<std::unique_ptr<CEntry>>::iterator FindChildSlot(CEntry& parent, const CEntry* pChild);
