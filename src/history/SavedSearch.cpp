#include "SavedSearch.h"

#include "doc/NcduReader.h"

bool CSavedSearch::Read(const std::string& strPath, std::string& strError)
{
    if (m_pRoot != nullptr) {
        m_arena.Free(m_pRoot);
        m_pRoot = nullptr;
    }
    CNcduReader reader;
    m_pRoot = reader.Read(strPath, m_arena);
    m_bDiskSizes = reader.HasDiskSizes();
    if (m_pRoot == nullptr)
        strError = reader.GetError();
    return m_pRoot != nullptr;
}
