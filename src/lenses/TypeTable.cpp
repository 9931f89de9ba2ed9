#include "TypeTable.h"

#include "FileWalk.h"
#include "SizeSum.h"
#include "model/Entry.h"

#include <algorithm>
#include <array>
#include <tuple>

namespace {

// Larger first, then more files, then a fixed order, so that equal rows always come out alike.
bool TypeBefore(const CTypeRow& a, const CTypeRow& b)
{
    return std::tuple(b.nSize, b.nCount, a.pType->category, a.pType->extension)
        < std::tuple(a.nSize, a.nCount, b.pType->category, b.pType->extension);
}

bool CategoryBefore(const CCategoryRow& a, const CCategoryRow& b)
{
    return std::tuple(b.nSize, b.nCount, a.category) < std::tuple(a.nSize, a.nCount, b.category);
}

}  // namespace

CTypeTable CTypeTable::Build(const CEntry& dir, CTypeCatalog& catalog)
{
    CTypeTable table;
    table.m_bDisk = CEntry::ShowsDiskSizes();
    table.m_nTotal = dir.GetSize();
    // One row per type the catalog knows, by id: no hashing but the catalog's own per file.
    std::vector<CTypeRow> byId(catalog.Count());
    ForEachFile(dir, [&](const CEntry& file) {
        const CFileType& type = catalog.TypeOf(file.GetName());
        if (type.id >= byId.size())
            byId.resize(type.id + 1);
        CTypeRow& row = byId[type.id];
        row.pType = &type;
        ++row.nCount;
        row.nSize = AddSizes(row.nSize, file.GetSize());
    });

    std::array<CCategoryRow, kFileCategoryCount> categories;
    for (std::size_t i = 0; i < categories.size(); ++i)
        categories[i].category = static_cast<FileCategory>(i);
    for (const CTypeRow& row : byId) {
        if (row.nCount == 0)
            continue;
        CCategoryRow& category = categories[static_cast<std::size_t>(row.pType->category)];
        category.types.push_back(row);
        category.nCount += row.nCount;
        category.nSize = AddSizes(category.nSize, row.nSize);
        table.m_nFiles += row.nCount;
    }
    for (CCategoryRow& category : categories) {
        if (category.nCount == 0)
            continue;
        std::sort(category.types.begin(), category.types.end(), TypeBefore);
        table.m_categories.push_back(std::move(category));
    }
    std::sort(table.m_categories.begin(), table.m_categories.end(), CategoryBefore);
    return table;
}

std::vector<CTypeRow> CTypeTable::Types() const
{
    std::vector<CTypeRow> rows;
    for (const CCategoryRow& category : m_categories)
        rows.insert(rows.end(), category.types.begin(), category.types.end());
    std::sort(rows.begin(), rows.end(), TypeBefore);
    return rows;
}

double CTypeTable::ShareOf(std::int64_t nSize) const
{
    if (m_nTotal <= 0 || nSize <= 0)
        return 0.0;
    return std::min(1.0, static_cast<double>(nSize) / static_cast<double>(m_nTotal));
}
