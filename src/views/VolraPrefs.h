#pragma once
#include "ColourBy.h"
#include "base/Types.h"

#include <QFont>

#include <string>

// The user's preferences and the label fonts built from them. The views read the
// members directly at every paint, which is why the store lives down here with them;
// the application reads it at start-up, rebuilds the fonts when the Preferences sheet is
// accepted and writes it back at exit.
//
// Stored with QSettings("kestrow software", "Volra") in sections "Block", "Tree" and "List". Values
// are taken as stored, never range-checked: a missing or unreadable value gives its
// default, and whatever the user put there is written back unchanged. The settings file
// also holds FTP passwords, so it is kept readable by its owner only.
class CVolraPrefs {
public:
    // Text drawn with a "vertical" font runs from top to bottom: the font is the same face
    // and size as its horizontal twin, and the view rotates the painter by this many
    // degrees (clockwise, as QPainter::rotate counts) before drawing.
    static constexpr double kVerticalRotation = 90.0;
    // The largest font height built, whatever the stored value: no label is taller than a
    // screen, and glyphs tens of thousands of pixels high only cost time and memory.
    static constexpr int kMaxFontPixelSize = 2048;

    // Every value at its default, the fonts built from them.
    CVolraPrefs();

    // Reads Border, FontSizeLarge, FontSizeSmall, FontFace, ShowSizes, ShowCounts,
    // ShowDirectories and ColourBy, in that order.
    void LoadPreferences();
    // Writes them all, changed or not, so that after the first run all exist; then makes
    // the settings file mode 0600.
    void SavePreferences();
    // Rebuilds the four label fonts from the current values. The face goes to Qt's font
    // matching as stored, which substitutes an installed font for one that is missing. A
    // height is the text's whole line height in pixels (ascent and descent, what the block
    // view's label strip is measured by), the font built at the largest size that fits it;
    // a negative one is the em height of its magnitude, as a character height would be;
    // 0 keeps the application font's own size; magnitudes over kMaxFontPixelSize are taken
    // as that. The stored values are not touched.
    void CreateFonts();

    int m_nBorder = 0;  // border width of the block view, in pixels
    int m_nFontSizeLarge = 0;  // line height of the large label fonts, in pixels
    int m_nFontSizeSmall = 0;  // height of the small label fonts (no view draws with them)
    std::string m_strFontFace;  // face of all four label fonts
    BOOL m_bShowSizes = FALSE;  // the tree panel shows each directory's size; any non-zero is set
    // With m_bShowSizes, the tree panel shows how many files each directory holds instead.
    BOOL m_bShowCounts = FALSE;
    // The list view's "Show directories": off, its rows are files only. The list changes it.
    BOOL m_bShowDirectories = TRUE;
    int m_nColourBy = 0;  // what the block view fills files by, an EColourBy as stored
    // m_nColourBy brought into range, as the views use it.
    EColourBy GetColourBy() const { return ColourByOf(m_nColourBy); }

    QFont m_fontLarge;  // block view labels written across
    QFont m_fontLargeVertical;  // block view labels written downwards (see kVerticalRotation)
    QFont m_fontSmall;
    QFont m_fontSmallVertical;
};

// The program's one preference store, made on first use and kept until the program ends.
CVolraPrefs& AfxGetPrefs();
