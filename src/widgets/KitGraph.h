#pragma once
// The kit's drawing on a canvas: standard frames by border style and gradient fills in ten
// shapes. Right and bottom edges of every rectangle lie outside it.

#include "platform/gui/Canvas.h"
#include "platform/gui/DrawEdge.h"
#include "platform/gui/Palette.h"
#include "widgets/KitBevel.h"
#include "widgets/KitGradient.h"

#include <cstdint>
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
