#pragma once
// Formatted text in a rectangle as the classic window system lays it out: lines broken at line
// ends (and, on request, between words), aligned left, centred or right, accelerator marks
// turned into underlines, tabs expanded, extra pixels between characters, and an outline mode
// that strokes the letters' edges instead of filling them. The text is drawn in the canvas's
// font and font colour; the background is left as it is.

#include "platform/gui/Canvas.h"

#include <string>

// Format flags (combine them; 0 is top-left, one line per line end, accelerators shown).
inline constexpr unsigned DT_LEFT = 0x0000;
inline constexpr unsigned DT_TOP = 0x0000;
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
// Vertical centring and bottom alignment apply to single-line text only.
inline constexpr unsigned DT_VCENTER = 0x0004;
inline constexpr unsigned DT_BOTTOM = 0x0008;
// Lines longer than the rectangle break between words; a word wider than the rectangle stays
// whole on a line of its own.
inline constexpr unsigned DT_WORDBREAK = 0x0010;
// Line ends do not break the line.
inline constexpr unsigned DT_SINGLELINE = 0x0020;
// A tab advances to the next column of eight characters (otherwise it shows as a space).
inline constexpr unsigned DT_EXPANDTABS = 0x0040;
// Text may spill over the rectangle.
inline constexpr unsigned DT_NOCLIP = 0x0100;
// Draws nothing: the rectangle's right and bottom edges are moved to hold the text.
inline constexpr unsigned DT_CALCRECT = 0x0400;
// "&" is shown as it is instead of underlining the next character ("&&" gives one "&").
inline constexpr unsigned DT_NOPREFIX = 0x0800;
// Breaks lines as a multi-line edit box would; the word breaking above already does so here.
inline constexpr unsigned DT_EDITCONTROL = 0x2000;
// A line wider than the rectangle loses characters in its middle (path ellipsis) or at its end
// (end ellipsis) for "..."; such a line shows no accelerator underline.
inline constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;

struct TTextDrawOptions {
    // Pixels added after every character.
    int characterExtra = 0;
    // Above 0: the letters' edges are stroked with a pen this wide, the letters stay hollow.
    int outlineWidth = 0;
};

// Lays out (and, without DT_CALCRECT, draws) the text in `rect`; answers the height of the
// text. Measuring works on any canvas, drawing only while the canvas can draw.
int DrawTextEx(TCanvas& canvas, const std::string& text, TRect& rect, unsigned format,
               const TTextDrawOptions& options = {});

// One line of text whose cell's top-left corner is at (x, y), turned counter-clockwise by
// `escapement` tenths of a degree about that corner.
void TextOutRotated(TCanvas& canvas, int x, int y, const std::string& text, int escapement, int characterExtra = 0);

// The width and height of one line of text in the font with extra pixels between characters.
int TextWidthWithExtra(const TFont& font, const std::string& text, int characterExtra);
int TextLineHeight(const TFont& font);
