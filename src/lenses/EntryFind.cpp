#include "EntryFind.h"

#include "FileWalk.h"
#include "SizeSum.h"
#include "model/EntryArena.h"

#include <algorithm>

const CFindResult& CEntryFind::Find(CEntry& dir, std::string_view pattern)
{
    CFindPattern next(pattern);
    const bool bNarrow = CanNarrow(dir, next);
    m_pattern = std::move(next);
    if (bNarrow) {
        Narrow(dir);
    } else {
        m_result.matches.clear();  // keeping its room: the next search is often as large
        Search(dir);
    }
    m_pDir = &dir;
    m_nDirLength = dir.GetLength();
    m_nDirDisk = dir.GetDiskSize();
    m_nEntries = CEntryArena::Of(dir).EntryCount();
    m_result.nTotal = 0;
    for (const CEntry* pMatch : m_result.matches)
        m_result.nTotal = AddSizes(m_result.nTotal, pMatch->GetSize());
    return m_result;
}

void CEntryFind::Forget()
{
    m_result = {};
    m_pDir = nullptr;
}

bool CEntryFind::CanNarrow(const CEntry& dir, const CFindPattern& pattern) const
{
    return m_pDir == &dir && dir.GetLength() == m_nDirLength && dir.GetDiskSize() == m_nDirDisk
        && CEntryArena::Of(dir).EntryCount() == m_nEntries && pattern.Narrows(m_pattern);
}

void CEntryFind::Search(CEntry& dir)
{
    if (!m_pattern.IsOverPaths() || !dir.IsDirectory()) {
        ForEachFile(dir, [&](CEntry& file) {
            if (m_pattern.Matches(file.GetName()))
                m_result.matches.push_back(&file);
        });
        return;
    }
    // The path of the directory being walked, relative to dir, with a "/" after each name;
    // a file's name goes after it only for the moment of the match.
    //
    // A substring is looked for once per directory, in what the directory adds to the path
    // (and the few bytes before, where it may begin): found there, it is in the path of
    // everything below. Otherwise only the end of a file's path can hold it: its name, and
    // again the few bytes before. A glob is matched against each whole path.
    const bool bSubstring = !m_pattern.IsGlob();
    const std::size_t nReach = m_pattern.GetText().size() - 1;  // a "/" is in it: never empty
    const auto from = [&](std::size_t n) { return bSubstring && n > nReach ? n - nReach : 0; };
    struct Level {
        std::size_t nLength;  // the path's before the directory's name
        bool bHeld;  // whether the path held the pattern before it
    };
    std::string path;
    std::vector<Level> levels;
    bool bHeld = false;
    WalkFiles(
        dir,
        [&](CEntry& file) {
            const std::size_t n = path.size();
            path += file.GetName();
            if (bHeld || m_pattern.Matches(std::string_view(path).substr(from(n))))
                m_result.matches.push_back(&file);
            path.resize(n);
        },
        [&](const CEntry& sub) {
            levels.push_back({path.size(), bHeld});
            const std::size_t n = path.size();
            path += sub.GetName();
            path += '/';
            bHeld = bHeld || (bSubstring && m_pattern.Matches(std::string_view(path).substr(from(n))));
        },
        [&] {
            path.resize(levels.back().nLength);
            bHeld = levels.back().bHeld;
            levels.pop_back();
        });
}

void CEntryFind::Narrow(const CEntry& dir)
{
    std::vector<CEntry*>& matches = m_result.matches;
    std::string path;
    const auto gone = std::remove_if(matches.begin(), matches.end(), [&](const CEntry* pMatch) {
        if (!m_pattern.IsOverPaths() || pMatch == &dir)
            return !m_pattern.Matches(pMatch->GetName());
        path.clear();
        AppendRelativePath(*pMatch, dir, path);
        return !m_pattern.Matches(path);
    });
    matches.erase(gone, matches.end());
}

void AppendRelativePath(const CEntry& entry, const CEntry& dir, std::string& path)
{
    std::vector<const CEntry*> chain;
    for (const CEntry* p = &entry; p != nullptr && p != &dir; p = p->GetParent())
        chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin())
            path += '/';
        path += (*it)->GetName();
    }
}
