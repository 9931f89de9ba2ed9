#pragma once
#include "FileCategory.h"
#include "TypeCatalog.h"

#include <cstdint>
#include <vector>

class CEntry;

// The files of one extension below a directory.
struct CTypeRow {
    const CFileType* pType = nullptr;  // the catalog's: lives for the whole run
    std::uint64_t nCount = 0;
    std::int64_t nSize = 0;  // bytes, in the measure the table was built in
};

// The files of one category below a directory, and its extensions.
struct CCategoryRow {
    FileCategory category = FileCategory::Other;
    std::uint64_t nCount = 0;
    std::int64_t nSize = 0;
    std::vector<CTypeRow> types;  // largest first
};

// What kind of files a directory holds: every file below it counted by category and by
// extension (CTypeCatalog), with count and size, largest first.
//
// A table is a picture of the tree when it was built and holds no entry: it is built on
// demand (the root of a million entries in about 150 ms, see bench/lens_bench) and built
// again after anything that changes the tree or the measure shown (a refresh, a delete,
// Size on disk), so it never goes stale; the catalog it reads types from never changes.
class CTypeTable {
public:
    CTypeTable() = default;
    // Counts every file below dir (dir itself when it is a file), sizes in the measure shown
    // (GetSize), totals saturating at the largest 64-bit value.
    static CTypeTable Build(const CEntry& dir, CTypeCatalog& catalog = CTypeCatalog::Shared());

    // Largest first (then by count, then in the categories' order); no empty category.
    const std::vector<CCategoryRow>& Categories() const { return m_categories; }
    // Every extension row of every category, largest first (then by count, category,
    // extension).
    std::vector<CTypeRow> Types() const;
    std::uint64_t GetFileCount() const { return m_nFiles; }
    // The directory's total when the table was built: what the shares are of. It may exceed
    // the rows' sum, by the directories' own blocks on disk.
    std::int64_t GetTotal() const { return m_nTotal; }
    // nSize as a part of the directory's total, 0 to 1 (0 for an empty directory).
    double ShareOf(std::int64_t nSize) const;
    // The measure the sizes are in: sizes on disk, or lengths.
    bool IsDiskMeasure() const { return m_bDisk; }

private:
    std::vector<CCategoryRow> m_categories;
    std::uint64_t m_nFiles = 0;
    std::int64_t m_nTotal = 0;
    bool m_bDisk = false;
};
