#include "platform/gui/DrawEdge.h"

namespace {

// Colours by line kind: index 1 raised, 2 sunken (0 and 3 draw nothing).
constexpr TColor none = clNone;
constexpr TColor topLeftOuter[4] = {none, cl3DLight, clBtnShadow, none};
constexpr TColor topLeftInner[4] = {none, clBtnHighlight, cl3DDkShadow, none};
constexpr TColor topLeftOuterSoft[4] = {none, clBtnHighlight, cl3DDkShadow, none};
constexpr TColor topLeftInnerSoft[4] = {none, cl3DLight, clBtnShadow, none};
constexpr TColor bottomRightOuter[4] = {none, cl3DDkShadow, clBtnHighlight, none};
constexpr TColor bottomRightInner[4] = {none, clBtnShadow, cl3DLight, none};

void HorizontalLine(TCanvas& canvas, int left, int right, int y, TColor color)
{
    if (color != none && right > left) {
        canvas.Brush().SetColor(color);
        canvas.FillRect({left, y, right, y + 1});
    }
}

void VerticalLine(TCanvas& canvas, int x, int top, int bottom, TColor color)
{
    if (color != none && bottom > top) {
        canvas.Brush().SetColor(color);
        canvas.FillRect({x, top, x + 1, bottom});
    }
}

// One ring of lines on the sides asked for; answers the ring's rectangle shrunk by it.
TRect DrawRing(TCanvas& canvas, TRect rect, unsigned flags, TColor topLeft, TColor bottomRight)
{
    if (topLeft == none && bottomRight == none) {
        return rect;
    }
    if (flags & BF_LEFT) VerticalLine(canvas, rect.Left, rect.Top, rect.Bottom, topLeft);
    if (flags & BF_TOP) HorizontalLine(canvas, rect.Left, rect.Right, rect.Top, topLeft);
    if (flags & BF_RIGHT) VerticalLine(canvas, rect.Right - 1, rect.Top, rect.Bottom, bottomRight);
    if (flags & BF_BOTTOM) HorizontalLine(canvas, rect.Left, rect.Right, rect.Bottom - 1, bottomRight);
    if (flags & BF_LEFT) ++rect.Left;
    if (flags & BF_TOP) ++rect.Top;
    if (flags & BF_RIGHT) --rect.Right;
    if (flags & BF_BOTTOM) --rect.Bottom;
    return rect;
}

}  // namespace

void DrawEdge(TCanvas& canvas, TRect& rect, unsigned edge, unsigned flags)
{
    const unsigned outer = edge & 0x3;
    const unsigned inner = (edge >> 2) & 0x3;
    const bool soft = (flags & BF_SOFT) != 0;
    const TBrushStyle oldStyle = canvas.Brush().Style();
    const TColor oldColor = canvas.Brush().Color();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);

    TRect inside = DrawRing(canvas, rect, flags, (soft ? topLeftOuterSoft : topLeftOuter)[outer], bottomRightOuter[outer]);
    inside = DrawRing(canvas, inside, flags, (soft ? topLeftInnerSoft : topLeftInner)[inner], bottomRightInner[inner]);
    if ((flags & BF_MIDDLE) && inside.Width() > 0 && inside.Height() > 0) {
        canvas.Brush().SetColor(clBtnFace);
        canvas.FillRect(inside);
    }

    canvas.Brush().SetColor(oldColor);
    canvas.Brush().SetStyle(oldStyle);
    if (flags & BF_ADJUST) {
        rect = inside;
    }
}
