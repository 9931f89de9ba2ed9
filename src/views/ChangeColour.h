#pragma once
#include <QColor>

#include <cstdint>

class CEntry;
class CSearchComparison;

// The block fill while the block view colours by change: what grew is red, what shrank
// green, what is new a bright amber, what stayed the same grey (a shade by depth and by the
// entry's colour index, as the usual palette has, so that nested directories and
// neighbouring files still stand apart). Red and green deepen with the change's share of
// the directory holding the item, |change| / the larger of that directory's size now and
// earlier, from a floor that keeps a change of a few bytes visibly tinted up to a full
// colour for a change as large as the directory. The share is taken by its square root:
// the changes people look for are a few percent of a large directory, and a linear scale
// would leave all of them at the floor.
class CChangeColour {
public:
    enum class EKind : std::uint8_t { Unchanged, Grown, Shrunk, New };

    // How deep the colour of the weakest change is, between the light and the full tint.
    static constexpr double kFloor = 0.3;
    static constexpr QColor kNew{255, 200, 0};
    static constexpr QColor kGrownLight{255, 224, 224};
    static constexpr QColor kGrownFull{215, 25, 25};
    static constexpr QColor kShrunkLight{224, 255, 224};
    static constexpr QColor kShrunkFull{20, 150, 40};

    // The fill for a change of this kind and share (0 to 1, clamped), for an entry of this
    // depth and colour index (0 to 7).
    static QColor For(EKind kind, double dShare, int nDepth, int nColour);
    // |nChange| / max(nDirectoryNow, nDirectoryEarlier), 0 for an empty directory.
    static double Share(std::int64_t nChange, std::int64_t nDirectoryNow, std::int64_t nDirectoryEarlier);
    // The fill of a current entry as the comparison tells its change, against its parent
    // (the search root against itself). The comparison must be able to compare the sizes
    // shown (CanCompareShownSizes).
    static QColor Of(const CSearchComparison& comparison, const CEntry& entry);
};
