#pragma once
#include <QFont>

// What the block view takes from the preferences at every paint: the border width and the
// two label fonts. The view compares it with the style its layout was made with, so a
// change of preferences lays the tree out afresh at the next paint.
struct CBlockViewStyle {
    int nBorder = 14;  // pixels between a directory's edge and its children
    QFont fontAcross;  // labels written across
    QFont fontDown;  // labels written top to bottom (the view turns it a quarter clockwise)

    bool operator==(const CBlockViewStyle&) const = default;

    // The style as the preferences hold it now.
    static CBlockViewStyle FromPrefs();
};
