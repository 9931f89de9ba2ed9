#include "EntryFind.h"

#include "FileWalk.h"
#include "SizeSum.h"
#include "model/EntryArena.h"

#include <algorithm>
#include <new>

const CFindResult& CEntryFind::Find(CEntry& dir, std::string_view pattern, const std::function<void(CEntry&)>& onMatch)
{
    CFindPattern next(pattern);
    const bool bNarrow = CanNarrow(dir, next);
    m_pattern = std::move(next);
    // Until the result is whole, nothing may narrow from it: a throw (out of memory, here
    // or in onMatch) leaves a search afresh for the next Find.
    m_pDir = nullptr;
    m_pOnMatch = onMatch ? &onMatch : nullptr;
    if (bNarrow) {
        Narrow(dir);
    } else {
        m_result.matches.clear();  // keeping its room: the next search is often as large
        m_result.nTotal = 0;
        Search(dir);
    }
    m_pOnMatch = nullptr;
    m_pDir = &dir;
    m_nDirLength = dir.GetLength();
    m_nDirDisk = dir.GetDiskSize();
    m_nEntries = CEntryArena::Of(dir).EntryCount();
    return m_result;
}

void CEntryFind::Forget()
{
    m_result = {};
    m_pDir = nullptr;
    m_index.Clear();
}

void CEntryFind::Prepare(CEntry& dir)
{
    if (m_index.IsOf(dir))
        return;
    try {
        m_index.Build(dir);
    } catch (const std::bad_alloc&) {
        // Left empty: the search walks the tree, as slowly as ever but as surely.
    }
}

bool CEntryFind::CanNarrow(const CEntry& dir, const CFindPattern& pattern) const
{
    return m_pDir == &dir && dir.GetLength() == m_nDirLength && dir.GetDiskSize() == m_nDirDisk
        && CEntryArena::Of(dir).EntryCount() == m_nEntries && pattern.Narrows(m_pattern);
}

// Sizes are added up, and the caller told, as the matches are found, while their entries
// are at hand: a second pass over a few hundred thousand matches costs as much again in
// cache misses.
void CEntryFind::Keep(CEntry& match)
{
    m_result.matches.push_back(&match);
    m_result.nTotal = AddSizes(m_result.nTotal, match.GetSize());
    if (m_pOnMatch != nullptr)
        (*m_pOnMatch)(match);
}

// walk(onFile(name, file), onEnter(name), onLeave()) visits the files below the directory
// searched, and the directories between, as WalkFiles does.
template <class Walk> void CEntryFind::SearchBy(const Walk& walk)
{
    if (!m_pattern.IsOverPaths()) {
        walk(
            [&](std::string_view name, CEntry& file) {
                if (m_pattern.Matches(name))
                    Keep(file);
            },
            [](std::string_view) {}, [] {});
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
    walk(
        [&](std::string_view name, CEntry& file) {
            const std::size_t n = path.size();
            path += name;
            if (bHeld || m_pattern.Matches(std::string_view(path).substr(from(n))))
                Keep(file);
            path.resize(n);
        },
        [&](std::string_view name) {
            levels.push_back({path.size(), bHeld});
            const std::size_t n = path.size();
            path += name;
            path += '/';
            bHeld = bHeld || (bSubstring && m_pattern.Matches(std::string_view(path).substr(from(n))));
        },
        [&] {
            path.resize(levels.back().nLength);
            bHeld = levels.back().bHeld;
            levels.pop_back();
        });
}

void CEntryFind::Search(CEntry& dir)
{
    if (m_index.IsOf(dir)) {
        SearchBy([&](const auto& onFile, const auto& onEnter, const auto& onLeave) {
            m_index.Walk(onFile, onEnter, onLeave);
        });
        return;
    }
    SearchBy([&](const auto& onFile, const auto& onEnter, const auto& onLeave) {
        WalkFiles(
            dir, [&](CEntry& file) { onFile(file.GetName(), file); },
            [&](const CEntry& sub) { onEnter(sub.GetName()); }, onLeave);
    });
}

void CEntryFind::Narrow(const CEntry& dir)
{
    std::vector<CEntry*>& matches = m_result.matches;
    std::string path;
    const auto stillMatches = [&](const CEntry* pMatch) {
        if (!m_pattern.IsOverPaths() || pMatch == &dir)
            return m_pattern.Matches(pMatch->GetName());
        path.clear();
        AppendRelativePath(*pMatch, dir, path);
        return m_pattern.Matches(path);
    };
    m_result.nTotal = 0;
    const auto gone = std::remove_if(matches.begin(), matches.end(), [&](CEntry* pMatch) {
        if (!stillMatches(pMatch))
            return true;
        m_result.nTotal = AddSizes(m_result.nTotal, pMatch->GetSize());
        if (m_pOnMatch != nullptr)
            (*m_pOnMatch)(*pMatch);
        return false;
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
