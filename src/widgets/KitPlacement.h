#pragma once
// Where the kit's dialogs appear: a position within a reference area (the screen, its work
// area, the main form or the active window), kept on the desktop.
//
// The opening effects draw growing rectangles straight onto the screen. This system gives a
// program no drawing surface over other windows, so the effects do nothing and the dialog
// simply appears at its place.

#include "platform/gui/Canvas.h"

#include <QPoint>

class TControl;
class TCustomForm;

enum class TKitDlgPosition {
    bpCustom, bpTopLeft, bpTopCenter, bpTopRight, bpCenterLeft, bpCenter, bpCenterRight, bpBottomLeft, bpBottomCenter,
    bpBottomRight
};
enum class TKitDlgPosRel { brScreen, brScreenWorkArea, brMainForm, brActiveWindow };
enum class TKitDlgEffect { deNone, deExplode, deExplodeExt };

// The reference area; the whole screen for brScreen and when the main form or active window
// asked for does not exist.
TRect KitGetReferenceRect(TKitDlgPosRel relation);
// The top-left corner of a window of the given size placed within the reference rectangle,
// then kept inside the desktop (never beyond its right or bottom edge, never negative).
QPoint KitPlacementOrigin(int width, int height, const TRect& reference, TKitDlgPosition position, int desktopWidth,
                          int desktopHeight);
// Moves the window there (its size stays).
void KitPlaceWindow(TControl& window, const TRect& reference, TKitDlgPosition position);
// The opening effects (nothing is drawn on this system; see above).
void KitExplode(TCustomForm& form);
void KitExplodeExt(TCustomForm& form);
