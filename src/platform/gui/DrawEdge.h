#pragma once
// Three-dimensional edges drawn as the classic window system draws them: an outer and an inner
// line of one pixel each, raised or sunken, in the four 3D colours (cl3DLight, clBtnHighlight,
// clBtnShadow, cl3DDkShadow). Top and left lines are drawn first; the right and bottom lines
// then own the two corners they share with them.

#include "platform/gui/Canvas.h"

// Edge kinds (bits: the outer line raised or sunken, the inner line raised or sunken).
inline constexpr unsigned BDR_RAISEDOUTER = 0x0001;
inline constexpr unsigned BDR_SUNKENOUTER = 0x0002;
inline constexpr unsigned BDR_RAISEDINNER = 0x0004;
inline constexpr unsigned BDR_SUNKENINNER = 0x0008;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

// Sides and options.
inline constexpr unsigned BF_LEFT = 0x0001;
inline constexpr unsigned BF_TOP = 0x0002;
inline constexpr unsigned BF_RIGHT = 0x0004;
inline constexpr unsigned BF_BOTTOM = 0x0008;
inline constexpr unsigned BF_TOPLEFT = BF_LEFT | BF_TOP;
inline constexpr unsigned BF_BOTTOMRIGHT = BF_RIGHT | BF_BOTTOM;
inline constexpr unsigned BF_RECT = BF_TOPLEFT | BF_BOTTOMRIGHT;
// Fills what lies inside the edge with clBtnFace.
inline constexpr unsigned BF_MIDDLE = 0x0800;
// The top-left colours of the outer and inner raised (or sunken) lines change places, which
// gives buttons their softer look.
inline constexpr unsigned BF_SOFT = 0x1000;
// Shrinks the rectangle by the lines drawn on each side.
inline constexpr unsigned BF_ADJUST = 0x2000;

// Draws the edge on the sides named by `flags`; with BF_ADJUST `rect` comes back shrunk.
// An edge with both the raised and the sunken bit of a line draws no line there.
void DrawEdge(TCanvas& canvas, TRect& rect, unsigned edge, unsigned flags);
