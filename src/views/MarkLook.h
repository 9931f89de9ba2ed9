#pragma once
#include <QColor>

class CEntry;
class CMarkSet;

// How every view shows the marks for cleaning up, apart from the selection's grey and red:
// a marked item in a violet tint inside a violet frame, an item below a marked directory
// (which deleting the mark would take too) in a lighter tint alone. The tints are
// translucent, so each block or slice keeps a trace of its own colour; violet is in none
// of the palettes' families (blue, green, red) and dark enough for every one of them.
// The pie's slices are dark and saturated, where a dark tint would vanish: a marked slice
// gets white diagonal lines inside the violet frame (which shows on the highlight's grey),
// a slice inside a marked directory fainter lines alone.
struct CMarkLook {
    enum class State { None, Covered, Marked };
    // None for a null set: a search before its first mark.
    static State Of(const CMarkSet* pMarks, const CEntry& entry);

    static constexpr QColor kFrame{96, 0, 160};
    static constexpr QColor kTint{96, 0, 160, 112};
    static constexpr QColor kCoveredTint{96, 0, 160, 48};
    static constexpr int kFrameWidth = 2;
    static constexpr QColor kSliceHatch{255, 255, 255};
    static constexpr QColor kCoveredSliceHatch{255, 255, 255, 112};
    static constexpr Qt::BrushStyle kSliceHatchStyle = Qt::FDiagPattern;
};
