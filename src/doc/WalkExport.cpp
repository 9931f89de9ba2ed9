#include "WalkExport.h"

#include "ItemSink.h"
#include "NcduWriter.h"

#include <unordered_set>

CWalkExport::Level CWalkExport::LevelOf(const CEntry& directory)
{
    Level level;
    level.pDirectory = &directory;
    // The children are in name order once the directory has been read, as the whole-tree
    // writer deals them out within a colour.
    for (const auto& child : directory.GetChildren()) {
        const CEntry* p = &*child;
        if (p->IsDirectory())
            ++level.nDirectories;
        else
            level.files[static_cast<std::size_t>(p->GetColour() % 8)].push_back(p);
    }
    return level;
}

bool CWalkExport::Put(const CEntry& entry, std::size_t nDepth, std::string& strError)
{
    return m_writer.PutItem(CNcduWriter::ItemOf(entry), static_cast<std::uint32_t>(nDepth), strError);
}

bool CWalkExport::DirectoryRead(const CEntry& directory, std::string& strError)
{
    if (m_levels.empty()) {
        if (!Put(directory, 0, strError))
            return false;
        m_levels.push_back(LevelOf(directory));
        return true;
    }
    while (!m_levels.empty() && m_levels.back().pDirectory != directory.GetParent())
        if (!Close(strError))
            return false;
    if (m_levels.empty()) {
        strError = "a directory came out of the walk's order";
        return false;
    }
    if (!PutFilesBefore(directory.GetColour() % 8, strError) || !Put(directory, m_levels.size(), strError))
        return false;
    Level& parent = m_levels.back();
    ++parent.nPlace;
    parent.told.push_back(&directory);
    m_levels.push_back(LevelOf(directory));
    return true;
}

bool CWalkExport::PutFilesBefore(int nColour, std::string& strError)
{
    Level& level = m_levels.back();
    for (;;) {
        const std::size_t k = level.nPlace % 8;
        if (static_cast<int>(k) == nColour || level.next[k] == level.files[k].size())
            return true;
        if (!Put(*level.files[k][level.next[k]++], m_levels.size(), strError))
            return false;
        ++level.nPlace;
    }
}

bool CWalkExport::Close(std::string& strError)
{
    Level& level = m_levels.back();
    const std::size_t nDepth = m_levels.size();
    if (level.told.size() < level.nDirectories) {
        const std::unordered_set<const CEntry*> told(level.told.begin(), level.told.end());
        const auto put = [this, nDepth, &strError](const CEntry& e, std::uint32_t nBelow) {
            return Put(e, nDepth + nBelow, strError);
        };
        for (const auto& child : level.pDirectory->GetChildren())
            if (child->IsDirectory() && told.count(&*child) == 0 && !CNcduWriter::VisitInFileOrder(*child, put))
                return false;
    }
    // The rest as the whole-tree writer deals them: the colour of the place, or the next
    // colour that still has files.
    std::size_t nLeft = 0;
    for (std::size_t k = 0; k < 8; ++k)
        nLeft += level.files[k].size() - level.next[k];
    for (; nLeft > 0; --nLeft, ++level.nPlace) {
        std::size_t k = level.nPlace % 8;
        while (level.next[k] == level.files[k].size())
            k = (k + 1) % 8;
        if (!Put(*level.files[k][level.next[k]++], nDepth, strError))
            return false;
    }
    m_levels.pop_back();
    return true;
}

bool CWalkExport::Finish(std::string& strError)
{
    while (!m_levels.empty())
        if (!Close(strError))
            return false;
    return m_writer.EndStream(strError);
}
