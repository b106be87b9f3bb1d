#pragma once
// The kit's drawing on a canvas: standard frames by border style and gradient fills in ten
// shapes. Right and bottom edges of every rectangle lie outside it.

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/DrawEdge.h"
#include "platform/gui/DrawText.h"
#include "platform/gui/Palette.h"
#include "widgets/KitBevel.h"
#include "widgets/KitCaptions.h"
#include "widgets/KitGradient.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Fill flags shared by the gradient and bitmap fills.
inline constexpr unsigned kitFillClip = 0x0001;       // clip to the target (shifted by the clip offset)
inline constexpr unsigned kitFillOffscreen = 0x0004;  // gradient drawn through an off-screen picture
inline constexpr unsigned kitFillCenter = 0x0008;
inline constexpr unsigned kitFillStretch = 0x0010;
inline constexpr unsigned kitFillTile = 0x0020;
inline constexpr unsigned kitFillTransparentColor = 0x0040;
inline constexpr unsigned kitFillTransparentBitmap = 0x0080;
inline constexpr unsigned kitFillMask = 0x0100;
inline constexpr unsigned kitFillKeepHeight = 0x0200;
inline constexpr unsigned kitFillKeepWidth = 0x0400;
inline constexpr unsigned kitFillPalette = 0x1000;

// A clip offset packs x in its low and y in its high 16 bits (both signed).
constexpr int32_t KitPackOffset(int x, int y)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) | static_cast<uint16_t>(x));
}

// The looks of the kit's buttons.
enum class TKitUserButtonStyle {
    ubsWin31, ubsWin40, ubsTarvik, ubsTarvikFlat, ubsFlat, ubsFlatUnColored, ubsNavigator, ubsExplorer,
    ubsExplorerColored, ubsIntegrated, ubsCombo, ubsOffice, ubsOfficeTransp, ubsWin40Ext
};

// Flags of a button frame. The button passes 0x0002 for its default look and 0x0020 when it
// holds the focus; the frame routines read them the same way.
inline constexpr unsigned kitButtonClearCorners = 0x0001;  // ubsWin31: corner pixels take clBtnFace
inline constexpr unsigned kitButtonDefault = 0x0002;
inline constexpr unsigned kitButtonWin95 = 0x0004;         // ubsWin40: the raised frame of the older look
inline constexpr unsigned kitButtonPlainSunken = 0x0008;   // pressed frame as a plain sunken edge
inline constexpr unsigned kitButtonFocused = 0x0020;
inline constexpr unsigned kitButtonHot = 0x0040;
inline constexpr unsigned kitButtonToolbarPart = 0x0080;
inline constexpr unsigned kitButtonToolbarPart2 = 0x0100;
inline constexpr unsigned kitButtonThemed = 0x0200;

// Drawing states of a button: 1 and 7 disabled, 3 latched down; 3, 4, 6 and 7 look pressed.
constexpr bool KitButtonStatePressed(int state)
{
    return state == 3 || state == 4 || state == 6 || state == 7;
}

// The button's face and frame in its style; `rect` comes back as the content rectangle. The
// themed look does not exist on this system, so the classic faces are always drawn and the
// answer (whether a theme drew the frame) is always false.
bool KitDrawButtonFrame(TCanvas& canvas, bool mouseOver, TColor faceColour, unsigned flags, int state,
                        TKitUserButtonStyle style, TRect& rect);
// The classic face of every style but the two office styles; always true.
bool KitDrawButtonFace(TCanvas& canvas, bool mouseOver, TRect& rect, TColor faceColour, unsigned flags, int state,
                       TKitUserButtonStyle style);

// Draws the frame of `style` and shrinks `rect` by it; always true. `sideFlags` adds edge
// options (BF_MIDDLE...) to every edge drawn.
bool KitDrawStdFrame(TCanvas& canvas, TRect& rect, TKitBorderStyle style, unsigned sideFlags);

// Fills `rect` with the colour table in the shape of `style`; nothing for an empty table or
// rectangle. The palette only matters on a screen of 256 colours or fewer, which this system
// does not draw on: colours are always drawn as they are.
void KitGradientFill(TCanvas& canvas, const TRect& rect, TKitGradientStyle style, int32_t clipOffset, unsigned flags,
                     const TPalette* palette, const std::vector<TColor>& colours);
// The same with a table of `colourCount` colours from `fromColour` to `toColour`.
void KitGradientFillColors(TCanvas& canvas, const TRect& rect, TColor fromColour, int32_t clipOffset, unsigned flags,
                           TKitGradientStyle style, int colourCount, TColor toColour);

// Draws the bitmap into `rect` as the fill flags say: at the top-left corner (no placement
// flag), centred, stretched (0x0600 fits it keeping its aspect, 0x0400 keeps the width and
// scales the height, 0x0200 the other way round) or tiled from the corner, the last tiles
// spilling over the rectangle. `result` is the rectangle covered (the whole target when
// stretched to it or tiled). Copies: 0x0040 leaves the pixels of `transparentColour` out;
// 0x0080 paints the bitmap's own transparent colour (its bottom-left pixel) in
// `transparentColour`; 0x0100 lets the destination show where `mask` is white; otherwise a
// plain copy. Nothing for an empty bitmap.
void KitDrawBitmap(TCanvas& canvas, const TRect& rect, const TBitmap& bitmap, TRect& result, TColor transparentColour,
                   unsigned flags, const TBitmap* mask = nullptr);
// The same, clipped to `rect` moved by the clip offset when flag 0x0001 is set.
void KitDrawBitmapClipped(TCanvas& canvas, const TRect& rect, const TBitmap& bitmap, TColor transparentColour,
                          int32_t clipOffset, unsigned flags, const TBitmap* mask = nullptr);
// The monochrome mask of a bitmap (white where its pixels are `transparentColour`, black
// elsewhere); the bitmap's transparent pixels become black, ready for the two-step copy.
void KitCreateMaskFromBitmap(TBitmap& bitmap, TBitmap& mask, TColor transparentColour);
// Sizes the bitmap to the rectangle and fills it with the colour.
void KitFillBitmap(TBitmap& bitmap, const TRect& rect, TColor colour);

// The text format flags of an alignment: horizontal 0 left, 1 centre, 2 right; vertical
// 0 top, 4 centre, 8 bottom.
int KitAlignmentTextFormat(TKitAlignment alignment);
// A rectangle of inner's size placed inside outer by the alignment (centred offsets are the
// difference halved toward zero).
TRect KitAlignRect(TKitAlignment alignment, const TRect& inner, const TRect& outer);
// The drop-down arrow: size - 1 rows narrowing from 2 * size - 1 pixels at (x, y), then the
// tip; nothing for a size below 2 or above 15. A disabled arrow is grey on a light copy one
// pixel down and right.
void KitDrawDropArrow(TCanvas& canvas, int x, int y, bool enabled, TColor colour, int size);
// The rectangle that holds `rect` turned by `angle` degrees about its centre, moved to the
// origin (corners rounded).
TRect KitRotatedBounds(const TRect& rect, double angle);

// Draw flags of a glyph-and-text layout.
inline constexpr unsigned kitTextEnabled = 0x0002;
// A disabled caption of disabled style dsAuto is drawn sunken. Buttons always pass this flag
// with their glyph and caption, so that their disabled captions look engraved.
inline constexpr unsigned kitTextDisabledSunken = 0x0004;
inline constexpr unsigned kitTextClip = 0x0008;
inline constexpr unsigned kitTextNoAlign = 0x0020;     // the block stays at the target's corner
inline constexpr unsigned kitTextResultText = 0x0040;
inline constexpr unsigned kitTextResultGlyph = 0x0080;
inline constexpr unsigned kitTextResultUnion = 0x0100;
inline constexpr unsigned kitTextMeasureOnly = 0x0200;  // draws nothing; the result is the union
inline constexpr unsigned kitTextGlyphPresent = 0x0400;
inline constexpr unsigned kitTextClampToTarget = 0x0800;

// Text format flags of the layout.
inline constexpr int kitDtWordBreak = static_cast<int>(DT_WORDBREAK);
inline constexpr int kitDtExpandTabs = static_cast<int>(DT_EXPANDTABS);

// Where a glyph, its caption and the drop-down arrow go inside a target.
struct TKitGlyphTextPlacement {
    TRect text;
    TRect glyph;
    // The rectangle the caller gets back (focus and repaint).
    TRect result;
    int textFormat = 0;
    bool arrow = false;
    int arrowX = 0;
    int arrowY = 0;
};

// The caption's size when it may use `availableWidth` pixels.
using TKitTextMeasure = std::function<std::pair<int, int>(int availableWidth)>;

// Lays out a caption (measured by `measure`, none when null) and a glyph of glyphWidth by
// glyphHeight (none when `hasGlyph` is false) in `target` by the layout's arrangement,
// alignment, spacing and offsets and, for a button layout, its arrow. `textFormat` is the
// caller's format; the placement's format adds tab expansion and, for multi-line captions,
// word breaks and the alignment.
TKitGlyphTextPlacement KitPlaceGlyphText(const TKitGlyphTextLayout& layout, const TKitTextMeasure& measure, bool hasGlyph,
                                         int glyphWidth, int glyphHeight, const TRect& target, unsigned drawFlags,
                                         bool multiLine, int textFormat);

// The size of a caption drawn with its effect, in a rectangle `width` pixels wide (word
// breaks use it): the text's size plus the effect's depth, plus 2 each way. An empty caption
// (or "&" with accelerators) measures as a space. A rotated caption measures as the bounds of
// its turned line; its drawing origin is stored in the caption object (PosX, PosY). Without a
// caption object the text is measured plain.
TRect KitMeasureEffectText(const std::string& caption, TKit3DCaption* fxCaption, int textFormat, bool processPrefix,
                           bool multiLine, const TFont& font, int width = 0);
// Draws the caption with its effect into `rect` in the canvas's font: sunken, raised,
// shadowed, in the brush colour, outlined, extruded or turned. Disabled (no kitTextEnabled)
// it is drawn in clGrayText, sunken for ds3d and, with kitTextDisabledSunken, for dsAuto.
// kitTextClip clips to `clipRect` (or to `rect` when null). Without a caption object a plain
// formatted text.
void KitDrawEffectText(TCanvas& canvas, const std::string& caption, TKit3DCaption* fxCaption, const TRect* clipRect,
                       unsigned drawFlags, int textFormat, const TRect& rect);
// Lays out and draws a caption, a glyph and the layout's drop-down arrow in `target`. The
// glyph is the `glyphRect` part of `image` (none when null, unless kitTextGlyphPresent):
// drawn through the same part of `mask` when masked and a mask is given, leaving out
// `transparentColor` when masked without one, else copied. With kitTextMeasureOnly nothing
// is drawn. Answers the placement's result rectangle; `placement` (when given) gets the whole
// placement.
TRect KitDrawGlyphText(TCanvas& canvas, const std::string& caption, TKit3DCaption* fxCaption,
                       TKitGlyphTextPlacement* placement, int textFormat, unsigned drawFlags, bool maskedGlyph,
                       bool processPrefix, bool multiLine, const TKitGlyphTextLayout& layout, TColor transparentColor,
                       const QImage* mask, const TRect& glyphRect, const QImage* image, const TRect& target);
// The same with a whole bitmap as the glyph (none when null or empty), transparent on its
// bottom-left pixel or through `mask`.
TRect KitDrawGlyphTextBitmaps(TCanvas& canvas, const std::string& caption, TKit3DCaption* fxCaption, int textFormat,
                              unsigned drawFlags, bool processPrefix, bool multiLine, const TKitGlyphTextLayout& layout,
                              const TBitmap* mask, const TBitmap* glyph, const TRect& target);
// Where a caption measured in the font goes inside `rect` by the alignment.
TRect KitDrawAlignedText(TKitAlignment alignment, const std::string& caption, TKit3DCaption* fxCaption, const TRect& rect,
                         int textFormat, bool processPrefix, bool multiLine, const TFont& font);
// Whether the font is drawn from outlines (so it can be turned); bitmap fonts cannot.
bool KitIsTrueTypeFont(const TFont& font);
