#include "widgets/KitPlacement.h"

#include "platform/gui/Forms.h"

#include <algorithm>

namespace {

TRect BoundsOf(const TControl& control)
{
    return {control.Left(), control.Top(), control.Left() + control.Width(), control.Top() + control.Height()};
}

}  // namespace

TRect KitGetReferenceRect(TKitDlgPosRel relation)
{
    switch (relation) {
    case TKitDlgPosRel::brScreenWorkArea:
        return TRect::FromQRect(Screen->WorkAreaRect());
    case TKitDlgPosRel::brMainForm:
        if (Application != nullptr && Application->MainForm() != nullptr) {
            return BoundsOf(*Application->MainForm());
        }
        break;
    case TKitDlgPosRel::brActiveWindow:
        if (TCustomForm* active = Screen->ActiveForm()) {
            return BoundsOf(*active);
        }
        break;
    case TKitDlgPosRel::brScreen:
        break;
    }
    return {0, 0, Screen->Width(), Screen->Height()};
}

QPoint KitPlacementOrigin(int width, int height, const TRect& reference, TKitDlgPosition position, int desktopWidth,
                          int desktopHeight)
{
    const int left = reference.Left;
    const int centerX = reference.Left + (reference.Width() - width) / 2;
    const int right = reference.Right - width;
    const int top = reference.Top;
    const int centerY = reference.Top + (reference.Height() - height) / 2;
    const int bottom = reference.Bottom - height;
    int x = left;
    int y = top;
    switch (position) {
    case TKitDlgPosition::bpCustom:
    case TKitDlgPosition::bpTopLeft:
        break;
    case TKitDlgPosition::bpTopCenter:
        x = centerX;
        break;
    case TKitDlgPosition::bpTopRight:
        x = right;
        break;
    case TKitDlgPosition::bpCenterLeft:
        y = centerY;
        break;
    case TKitDlgPosition::bpCenter:
        x = centerX;
        y = centerY;
        break;
    case TKitDlgPosition::bpCenterRight:
        x = right;
        y = centerY;
        break;
    case TKitDlgPosition::bpBottomLeft:
        y = bottom;
        break;
    case TKitDlgPosition::bpBottomCenter:
        x = centerX;
        y = bottom;
        break;
    case TKitDlgPosition::bpBottomRight:
        x = right;
        y = bottom;
        break;
    }
    y = std::max(0, std::min(y, desktopHeight - height));
    x = std::max(0, std::min(x, desktopWidth - width));
    return {x, y};
}

void KitPlaceWindow(TControl& window, const TRect& reference, TKitDlgPosition position)
{
    const QPoint origin = KitPlacementOrigin(window.Width(), window.Height(), reference, position, Screen->Width(), Screen->Height());
    window.SetBounds(origin.x(), origin.y(), window.Width(), window.Height());
}

void KitExplode(TCustomForm&)
{
}

void KitExplodeExt(TCustomForm&)
{
}
