#pragma once
#include "ColourBy.h"
#include "lenses/FileAge.h"
#include "lenses/FileCategory.h"

#include <QColor>

#include <array>
#include <cstddef>

class CEntry;
class CTypeCatalog;

// The block fills of the lenses: a colour per file category (also the File types panel's
// legend) and a gradient over a file's age, light yellow for the newest through orange to
// a muted violet for the oldest, so that black labels stay readable on every step.
// Directories take a neutral grey by depth, so that the files' colours are what stands out.
// Neighbouring files have no frame between them: each colour comes in 8 shades by the
// entry's colour index, as the usual palette's do.
//
// One object serves one paint: the tables are made in the constructor, and a fill is then
// a catalog lookup (a hash by extension) or a position on the age scale and an index.
class CLensColour {
public:
    static constexpr std::size_t kAgeSteps = 64;
    static constexpr QColor kUnknownAge{200, 200, 200};  // a saved search without times

    // The category's colour as the legend shows it.
    static QColor CategoryColour(FileCategory category);
    // The gradient at a position from 0 (newest) to 1 (oldest), in kAgeSteps steps.
    static QColor AgeColour(double dPosition);

    // For a paint coloured by type (pScale unused) or by age over pScale (not owned; it
    // must outlive this object).
    CLensColour(EColourBy by, CTypeCatalog& catalog, const CAgeScale* pScale);
    // The fill of a block that is neither selected nor coloured by change.
    QColor FillOf(const CEntry& entry) const;

    // One of a colour's 8 shades, by an entry's colour index (0 to 7).
    static QColor Shade(QColor base, int nColour);

private:
    EColourBy m_by;
    CTypeCatalog& m_catalog;  // not owned: the program's
    const CAgeScale* m_pScale;  // not owned
    std::array<std::array<QColor, 8>, kFileCategoryCount> m_categories;
    std::array<std::array<QColor, 8>, kAgeSteps> m_ages;
    std::array<QColor, 8> m_unknownAge;
};
