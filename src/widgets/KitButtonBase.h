#pragma once
// Button styles as form descriptions store them. Older descriptions name three themed styles
// that no longer exist; they are read as the classic style of the same shape with the
// button's themed switch (CtlXP) set.

#include "platform/gui/Bitmap.h"
#include "widgets/KitGraph.h"

// The names a stored ButtonStyle may have: the fourteen styles, then the three older ones.
enum class TKitStoredButtonStyle {
    ubsWin31, ubsWin40, ubsTarvik, ubsTarvikFlat, ubsFlat, ubsFlatUnColored, ubsNavigator, ubsExplorer,
    ubsExplorerColored, ubsIntegrated, ubsCombo, ubsOffice, ubsOfficeTransp, ubsWin40Ext,
    ubsWinXP, ubsWinXPCombo, ubsWinXPTool
};

struct TKitButtonStyleRead {
    TKitUserButtonStyle style = TKitUserButtonStyle::ubsWin40;
    // The button's themed switch is to be set.
    bool themed = false;
};

// The style a stored name stands for: ubsWinXP as ubsWin40, ubsWinXPCombo as ubsCombo and
// ubsWinXPTool as ubsExplorer, each themed; the others as they are.
TKitButtonStyleRead KitReadButtonStyle(TKitStoredButtonStyle stored);

// The look stored as "Style" by the oldest descriptions: found out at run time, the older
// raised button, the newer one, or the newer one themed.
enum class TKitLegacyButtonStyle { nbsAutoDetect, nbsWin31, nbsNew, nbsWinXP };

// The style an oldest description's "Style" stands for: nbsWin31 as ubsWin31, nbsWinXP as
// ubsWin40 themed, the others as ubsWin40.
TKitButtonStyleRead KitReadLegacyButtonStyle(TKitLegacyButtonStyle stored);

// Registers the names of TKitUserButtonStyle, TKitStoredButtonStyle and TKitLegacyButtonStyle
// for the form reader.
void RegisterKitButtonStyles();

// The kit's arrow pictures: a strip of 13 x 14 cells side by side, black arrows on a magenta
// background (the bottom-left pixel, so a glyph made from a cell takes magenta as its
// transparent colour). Cell 1 points down, 2 up, 3 left, 4 right.
constexpr int kitArrowGlyphWidth = 13;
constexpr int kitArrowGlyphHeight = 14;
constexpr int kitArrowGlyphCount = 4;
constexpr TColor kitArrowGlyphBackground = 0xFF00FF;
TBitmap KitArrowGlyphStrip();

// Cell `n` (counted from 1) of the arrow strip as a 13 x 14 bitmap. A number outside the strip
// gives the first cell.
void KitLoadArrowGlyph(TBitmap& bitmap, int n);
