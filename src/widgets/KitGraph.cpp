#include "widgets/KitGraph.h"

#include "widgets/KitClass.h"
#include "widgets/KitProcs.h"

#include <QPainter>

#include <cmath>
#include <utility>

bool KitDrawStdFrame(TCanvas& canvas, TRect& rect, TKitBorderStyle style, unsigned sideFlags)
{
    const unsigned f = sideFlags | BF_ADJUST | BF_RECT;
    const unsigned s = f | BF_SOFT;
    const unsigned adjust = sideFlags | BF_ADJUST;
    switch (style) {
    case TKitBorderStyle::lsNone:
        break;
    case TKitBorderStyle::lsSingle:
        DrawEdge(canvas, rect, BDR_SUNKENOUTER, adjust | BF_TOPLEFT | BF_SOFT);
        DrawEdge(canvas, rect, BDR_RAISEDOUTER, adjust | BF_BOTTOMRIGHT);
        break;
    case TKitBorderStyle::lsLowered:
        DrawEdge(canvas, rect, EDGE_SUNKEN, s);
        break;
    case TKitBorderStyle::lsRaised:
        DrawEdge(canvas, rect, EDGE_RAISED, s);
        break;
    case TKitBorderStyle::lsRaisedspb:
    case TKitBorderStyle::lsRaisedExt:
        DrawEdge(canvas, rect, BDR_RAISEDOUTER, s);
        DrawEdge(canvas, rect, BDR_RAISEDINNER, adjust | BF_BOTTOMRIGHT);
        if (style == TKitBorderStyle::lsRaisedExt) {
            ++rect.Top;
            ++rect.Left;
        }
        break;
    case TKitBorderStyle::lsLoweredspb:
    case TKitBorderStyle::lsLoweredExt:
        DrawEdge(canvas, rect, BDR_SUNKENOUTER, f);
        DrawEdge(canvas, rect, BDR_SUNKENINNER, adjust | BF_TOPLEFT);
        if (style == TKitBorderStyle::lsLoweredExt) {
            --rect.Right;
            --rect.Bottom;
        }
        break;
    case TKitBorderStyle::lsFrameInset:
        DrawEdge(canvas, rect, EDGE_ETCHED, f);
        break;
    case TKitBorderStyle::lsFrameOffset:
        DrawEdge(canvas, rect, BDR_RAISEDINNER, f);
        DrawEdge(canvas, rect, BDR_SUNKENOUTER, f);
        break;
    case TKitBorderStyle::lsWindowBorder:
        DrawEdge(canvas, rect, BDR_RAISEDOUTER, adjust | BF_BOTTOMRIGHT);
        ++rect.Top;
        ++rect.Left;
        DrawEdge(canvas, rect, BDR_RAISEDINNER, f);
        break;
    case TKitBorderStyle::lsSingleRaised:
        DrawEdge(canvas, rect, BDR_RAISEDINNER, f);
        break;
    case TKitBorderStyle::lsSingleLowered:
        DrawEdge(canvas, rect, BDR_SUNKENOUTER, f);
        break;
    case TKitBorderStyle::lsDoubleRaised:
        DrawEdge(canvas, rect, BDR_RAISEDINNER, f);
        DrawEdge(canvas, rect, BDR_RAISEDINNER, f);
        break;
    case TKitBorderStyle::lsDoubleLowered:
        DrawEdge(canvas, rect, BDR_SUNKENOUTER, f);
        DrawEdge(canvas, rect, BDR_SUNKENOUTER, f);
        break;
    }
    return true;
}

namespace {

// Clips to the target moved by the packed offset (x low, y high, both signed 16 bits).
void ClipToTarget(TCanvas& canvas, const TRect& rect, int32_t clipOffset)
{
    const int dx = static_cast<int16_t>(clipOffset & 0xFFFF);
    const int dy = static_cast<int16_t>((static_cast<uint32_t>(clipOffset) >> 16) & 0xFFFF);
    canvas.SetClipRect({rect.Left + dx, rect.Top + dy, rect.Right + dx, rect.Bottom + dy});
}

int RoundHalfAway(double value)
{
    return static_cast<int>(std::lround(value));
}

// Draws the shapes of one gradient with their top-left corner at (x, y).
void DrawGradientShapes(TCanvas& canvas, int x, int y, int w, int h, TKitGradientStyle style,
                        const std::vector<TColor>& colours)
{
    const int n = static_cast<int>(colours.size());
    if (style == TKitGradientStyle::gstHorizontal) {
        for (int i = 0; i < n; ++i) {
            canvas.Brush().SetColor(colours[static_cast<size_t>(i)]);
            canvas.FillRect({x + KitMulDiv(i, w, n), y, x + KitMulDiv(i + 1, w, n), y + h});
        }
        return;
    }
    // The starting shape, relative to the rectangle.
    TRect shape{0, 0, w, h};
    switch (style) {
    case TKitGradientStyle::gstSquare:
    case TKitGradientStyle::gstElliptic:
        shape = {w / 2, h / 2, w / 2, h / 2};
        break;
    case TKitGradientStyle::gstTopLeft:
    case TKitGradientStyle::gstTopLeftDiagonal:
        shape = {0, 0, 1, 1};
        break;
    case TKitGradientStyle::gstTopRight:
        shape = {w, 1, w + 1, 0};
        break;
    case TKitGradientStyle::gstBottomLeft:
        shape = {1, h, 0, h + 1};
        break;
    case TKitGradientStyle::gstBottomRight:
        shape = {w, h, w + 1, h + 1};
        break;
    case TKitGradientStyle::gstTopRightDiagonal:
        shape = {w, 0, w + 1, 0};
        break;
    default:
        break;
    }
    shape = {shape.Left + x, shape.Top + y, shape.Right + x, shape.Bottom + y};

    // Largest shape first, so each smaller one paints over it.
    for (int i = n - 1; i >= 0; --i) {
        const int k = i + 1;
        const int gw = KitMulDiv(k, w, n);
        const int gh = KitMulDiv(k, h, n);
        canvas.Brush().SetColor(colours[static_cast<size_t>(i)]);
        switch (style) {
        case TKitGradientStyle::gstVertical:
            canvas.FillRect({x, y + KitMulDiv(i, h, n), x + w, y + KitMulDiv(k, h, n)});
            break;
        case TKitGradientStyle::gstSquare:
            canvas.Rectangle({shape.Left - gw / 2, shape.Top - gh / 2, shape.Right + gw / 2 + 2, shape.Bottom + gh / 2 + 2});
            break;
        case TKitGradientStyle::gstElliptic: {
            const int rx = RoundHalfAway(gw / 1.4);
            const int ry = RoundHalfAway(gh / 1.4);
            canvas.Ellipse({shape.Left - rx, shape.Top - ry, shape.Right + rx, shape.Bottom + ry});
            break;
        }
        // The diagonal shapes are triangles from the corner reaching twice the step across and
        // down, so their long side runs across the rectangle's diagonal at the last step.
        // The corner shapes' extra pixel on the far side makes up for the pixel a rectangle
        // without a pen leaves out on its right and bottom.
        case TKitGradientStyle::gstTopLeft:
            canvas.Rectangle({shape.Left, shape.Top, shape.Right + gw, shape.Bottom + gh});
            break;
        case TKitGradientStyle::gstTopRight:
            canvas.Rectangle({shape.Left - gw, shape.Bottom, shape.Right, shape.Top + gh});
            break;
        case TKitGradientStyle::gstBottomLeft:
            canvas.Rectangle({shape.Right, shape.Top - gh, shape.Left + gw, shape.Bottom});
            break;
        case TKitGradientStyle::gstBottomRight:
            canvas.Rectangle({shape.Left - gw, shape.Top - gh, shape.Right, shape.Bottom});
            break;
        case TKitGradientStyle::gstTopLeftDiagonal:
            canvas.Polygon({{shape.Left, shape.Top}, {shape.Left + 2 * gw, shape.Top}, {shape.Left, shape.Bottom + 2 * gh}});
            break;
        case TKitGradientStyle::gstTopRightDiagonal:
            canvas.Polygon({{shape.Left, shape.Top}, {shape.Left - 2 * gw, shape.Top}, {shape.Left, shape.Bottom + 2 * gh}});
            break;
        default:
            break;
        }
    }
}

}  // namespace

void KitGradientFill(TCanvas& canvas, const TRect& rect, TKitGradientStyle style, int32_t clipOffset, unsigned flags,
                     const TPalette* /*palette*/, const std::vector<TColor>& colours)
{
    const int w = rect.Width();
    const int h = rect.Height();
    if (colours.empty() || w <= 0 || h <= 0 || canvas.Painter() == nullptr) {
        return;
    }
    const TBrushStyle oldBrushStyle = canvas.Brush().Style();
    const TColor oldBrushColor = canvas.Brush().Color();
    const TPenStyle oldPenStyle = canvas.Pen().Style();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Pen().SetStyle(TPenStyle::psClear);

    if (flags & kitFillOffscreen) {
        // The shapes are drawn into a picture of the rectangle's size, which cuts off what
        // spills over, then the picture is copied to the rectangle.
        QImage picture(w, h, QImage::Format_RGB32);
        picture.fill(Qt::black);
        {
            QPainter painter(&picture);
            TCanvas offscreen;
            offscreen.Brush().SetStyle(TBrushStyle::bsSolid);
            offscreen.Pen().SetStyle(TPenStyle::psClear);
            TCanvasPaint paint(offscreen, painter);
            DrawGradientShapes(offscreen, 0, 0, w, h, style, colours);
        }
        canvas.Draw(rect.Left, rect.Top, picture);
    } else {
        if (flags & kitFillClip) {
            ClipToTarget(canvas, rect, clipOffset);
        }
        DrawGradientShapes(canvas, rect.Left, rect.Top, w, h, style, colours);
        if (flags & kitFillClip) {
            canvas.ResetClip();
        }
    }

    canvas.Pen().SetStyle(oldPenStyle);
    canvas.Brush().SetColor(oldBrushColor);
    canvas.Brush().SetStyle(oldBrushStyle);
}

void KitGradientFillColors(TCanvas& canvas, const TRect& rect, TColor fromColour, int32_t clipOffset, unsigned flags,
                           TKitGradientStyle style, int colourCount, TColor toColour)
{
    if (colourCount <= 0) {
        return;
    }
    std::vector<TColor> table;
    if (colourCount == 1) {
        table.push_back(ColorToRGB(fromColour));
    } else {
        TKitGradient gradient;
        gradient.SetColorCount(colourCount);
        gradient.SetColor(fromColour);
        gradient.SetEndColor(toColour);
        gradient.NotifyChange();
        table = gradient.ColorTable();
    }
    KitGradientFill(canvas, rect, style, clipOffset, flags, nullptr, table);
}

namespace {

void Outline(TCanvas& canvas, const TRect& rect, TColor colour)
{
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Brush().SetColor(colour);
    canvas.FrameRect(rect);
}

TRect Shrunk(const TRect& rect, int by)
{
    return {rect.Left + by, rect.Top + by, rect.Right - by, rect.Bottom - by};
}

// The dotted focus rectangle: every other pixel of the ring, starting at the top-left corner.
void DrawFocusRect(TCanvas& canvas, const TRect& rect, TColor colour)
{
    if (rect.Width() <= 0 || rect.Height() <= 0) {
        return;
    }
    int step = 0;
    auto dot = [&](int x, int y) {
        if (step++ % 2 == 0) {
            canvas.SetPixel(x, y, colour);
        }
    };
    for (int x = rect.Left; x < rect.Right; ++x) dot(x, rect.Top);
    for (int y = rect.Top + 1; y < rect.Bottom; ++y) dot(rect.Right - 1, y);
    for (int x = rect.Right - 2; x >= rect.Left && rect.Height() > 1; --x) dot(x, rect.Bottom - 1);
    for (int y = rect.Bottom - 2; y > rect.Top && rect.Width() > 1; --y) dot(rect.Left, y);
}

void ClearCorners(TCanvas& canvas, const TRect& rect)
{
    canvas.SetPixel(rect.Left, rect.Top, clBtnFace);
    canvas.SetPixel(rect.Right - 1, rect.Top, clBtnFace);
    canvas.SetPixel(rect.Left, rect.Bottom - 1, clBtnFace);
    canvas.SetPixel(rect.Right - 1, rect.Bottom - 1, clBtnFace);
}

int FaceKind(TKitUserButtonStyle style, unsigned flags)
{
    switch (style) {
    case TKitUserButtonStyle::ubsWin31:
        return 1;
    case TKitUserButtonStyle::ubsWin40:
        return (flags & kitButtonWin95) ? 2 : 3;
    case TKitUserButtonStyle::ubsTarvik:
        return 5;
    case TKitUserButtonStyle::ubsIntegrated:
    case TKitUserButtonStyle::ubsCombo:
        return 10;
    case TKitUserButtonStyle::ubsWin40Ext:
        return 14;
    default:
        return 4;
    }
}

}  // namespace

bool KitDrawButtonFace(TCanvas& canvas, bool mouseOver, TRect& rect, TColor faceColour, unsigned flags, int state,
                       TKitUserButtonStyle style)
{
    const int kind = FaceKind(style, flags);
    const bool explorer = style == TKitUserButtonStyle::ubsExplorer || style == TKitUserButtonStyle::ubsExplorerColored;
    const bool focused = (flags & kitButtonFocused) != 0;
    const bool hot = mouseOver || (flags & kitButtonHot) != 0;
    const bool pressed = KitButtonStatePressed(state);
    const TBrushStyle oldBrushStyle = canvas.Brush().Style();
    const TColor oldBrushColor = canvas.Brush().Color();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);

    // Background: a latched button shows the dither pattern of its face colour.
    if (!explorer) {
        if (state == 3 && !(kind == 4 && mouseOver)) {
            if (QPainter* painter = canvas.Painter()) {
                painter->fillRect(rect.ToQRect(), QBrush(KitApplication().DitherBitmap(faceColour)));
            }
        } else {
            canvas.Brush().SetColor(faceColour);
            canvas.FillRect(rect);
        }
    }

    if (!pressed && (focused || (flags & kitButtonDefault))) {
        Outline(canvas, rect, clWindowFrame);
        if (style == TKitUserButtonStyle::ubsWin31 && (flags & kitButtonClearCorners)) {
            ClearCorners(canvas, rect);
            flags &= ~kitButtonClearCorners;
        }
        rect = Shrunk(rect, 1);
    }

    TRect frame = rect;
    switch (kind) {
    case 1:
        DrawEdge(canvas, frame, BDR_SUNKENOUTER, BF_TOPLEFT | BF_SOFT);
        DrawEdge(canvas, frame, BDR_RAISEDOUTER, BF_BOTTOMRIGHT);
        if (flags & kitButtonClearCorners) {
            ClearCorners(canvas, frame);
        }
        frame = Shrunk(frame, 1);
        if (pressed) {
            DrawEdge(canvas, frame, BDR_SUNKENINNER, BF_TOPLEFT | BF_ADJUST);
        } else {
            DrawEdge(canvas, frame, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
            DrawEdge(canvas, frame, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
        }
        break;
    case 2:
        if (!pressed) {
            KitDrawStdFrame(canvas, frame, TKitBorderStyle::lsRaisedspb, 0);
        } else if (flags & kitButtonPlainSunken) {
            DrawEdge(canvas, frame, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        } else {
            KitDrawStdFrame(canvas, frame, TKitBorderStyle::lsLowered, 0);
        }
        break;
    case 3:
        if (pressed) {
            Outline(canvas, frame, clBlack);
            Outline(canvas, Shrunk(frame, 1), clGray);
        } else if (focused) {
            DrawEdge(canvas, frame, BDR_RAISEDOUTER, BF_RECT | BF_SOFT | BF_ADJUST);
            DrawEdge(canvas, frame, BDR_RAISEDINNER, BF_BOTTOMRIGHT | BF_ADJUST);
        } else {
            KitDrawStdFrame(canvas, frame, TKitBorderStyle::lsRaisedspb, 0);
        }
        break;
    case 4:
        if ((style == TKitUserButtonStyle::ubsNavigator || style == TKitUserButtonStyle::ubsTarvikFlat) &&
            (pressed || hot)) {
            Outline(canvas, frame, clBtnShadow);
            frame = Shrunk(frame, 1);
        }
        if (pressed) {
            DrawEdge(canvas, frame, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        } else if (!hot) {
            if (!explorer) {
                canvas.Brush().SetColor(faceColour);
                canvas.FillRect(frame);
            }
        } else {
            DrawEdge(canvas, frame, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
        }
        break;
    case 5:
        Outline(canvas, frame, clBlack);
        frame = Shrunk(frame, 1);
        if (pressed) {
            canvas.Brush().SetColor(clGray);
            canvas.FillRect({frame.Left, frame.Top, frame.Right, frame.Top + 1});
            canvas.FillRect({frame.Left, frame.Top, frame.Left + 1, frame.Bottom});
        } else {
            DrawEdge(canvas, frame, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
        }
        break;
    case 10:
        if (pressed) {
            Outline(canvas, frame, clGray);
        } else {
            Outline(canvas, frame, clBlack);
            frame = Shrunk(frame, 1);
            canvas.Brush().SetColor(clBtnFace);
            canvas.FillRect({frame.Left, frame.Top, frame.Right, frame.Top + 1});
            canvas.FillRect({frame.Left, frame.Top, frame.Left + 1, frame.Bottom});
            frame = {frame.Left + 1, frame.Top + 1, frame.Right, frame.Bottom};
            Outline(canvas, frame, clWhite);
            canvas.Brush().SetColor(clGray);
            canvas.FillRect({frame.Right - 1, frame.Top, frame.Right, frame.Bottom});
            canvas.FillRect({frame.Left, frame.Bottom - 1, frame.Right, frame.Bottom});
        }
        break;
    case 14:
        if (pressed) {
            DrawEdge(canvas, frame, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        } else if (hot) {
            KitDrawStdFrame(canvas, frame, TKitBorderStyle::lsRaisedspb, 0);
        } else {
            DrawEdge(canvas, frame, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
        }
        break;
    default:
        break;
    }

    if (focused) {
        DrawFocusRect(canvas, Shrunk(rect, pressed ? 4 : 3), clBlack);
    }
    rect = Shrunk(rect, 3);
    if (pressed) {
        rect = {rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1};
    }
    canvas.Brush().SetColor(oldBrushColor);
    canvas.Brush().SetStyle(oldBrushStyle);
    return true;
}

bool KitDrawButtonFrame(TCanvas& canvas, bool mouseOver, TColor faceColour, unsigned flags, int state,
                        TKitUserButtonStyle style, TRect& rect)
{
    if (style != TKitUserButtonStyle::ubsOffice && style != TKitUserButtonStyle::ubsOfficeTransp) {
        KitDrawButtonFace(canvas, mouseOver, rect, faceColour, flags, state, style);
        return false;
    }
    const bool pressed = KitButtonStatePressed(state);
    TColor colour = pressed ? static_cast<TColor>(0xF7DFD6) : faceColour;
    if (mouseOver || (flags & kitButtonHot)) {
        colour = state == 3 ? static_cast<TColor>(0xE0A88D) : static_cast<TColor>(0xEFD3C6);
    }
    const TBrushStyle oldBrushStyle = canvas.Brush().Style();
    const TColor oldBrushColor = canvas.Brush().Color();
    const TColor oldPenColor = canvas.Pen().Color();
    const TPenStyle oldPenStyle = canvas.Pen().Style();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.Pen().SetStyle(TPenStyle::psSolid);
    if (colour != faceColour) {
        canvas.Pen().SetColor(static_cast<TColor>(0xC66931));
        canvas.Brush().SetColor(colour);
        canvas.Rectangle(rect);
    } else if (style == TKitUserButtonStyle::ubsOffice) {
        canvas.Pen().SetColor(faceColour);
        canvas.Brush().SetColor(faceColour);
        canvas.Rectangle(rect);
    }
    if (flags & kitButtonFocused) {
        DrawFocusRect(canvas, Shrunk(rect, 3), clBlack);
    }
    rect = Shrunk(rect, 3);
    if (pressed) {
        rect = {rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1};
    }
    canvas.Pen().SetStyle(oldPenStyle);
    canvas.Pen().SetColor(oldPenColor);
    canvas.Brush().SetColor(oldBrushColor);
    canvas.Brush().SetStyle(oldBrushStyle);
    return false;
}

namespace {

QRgb RgbOf(TColor colour)
{
    return ToQColor(colour).rgb() | 0xFF000000u;
}

// The places the bitmap goes to, and the rectangle they cover.
std::vector<QRect> BitmapPlaces(const TRect& rect, int sw, int sh, unsigned flags, TRect& covered)
{
    const int dw = rect.Width();
    const int dh = rect.Height();
    std::vector<QRect> places;
    if (flags & kitFillCenter) {
        places.emplace_back(rect.Left + (dw - sw) / 2, rect.Top + (dh - sh) / 2, sw, sh);
    } else if (flags & kitFillStretch) {
        const unsigned keep = flags & (kitFillKeepHeight | kitFillKeepWidth);
        if (keep == (kitFillKeepHeight | kitFillKeepWidth)) {
            const double scale = std::min(static_cast<double>(dw) / sw, static_cast<double>(dh) / sh);
            places.emplace_back(rect.Left, rect.Top, static_cast<int>(KitRound(sw * scale)), static_cast<int>(KitRound(sh * scale)));
        } else if (keep == kitFillKeepWidth) {
            places.emplace_back(rect.Left, rect.Top, dw, static_cast<int>(KitRound(static_cast<double>(dw) / sw * sh)));
        } else if (keep == kitFillKeepHeight) {
            places.emplace_back(rect.Left, rect.Top, static_cast<int>(KitRound(static_cast<double>(dh) / sh * sw)), dh);
        } else {
            places.push_back(rect.ToQRect());
        }
    } else if (flags & kitFillTile) {
        for (int row = 0; row <= dh / sh; ++row) {
            for (int column = 0; column <= dw / sw; ++column) {
                places.emplace_back(rect.Left + column * sw, rect.Top + row * sh, sw, sh);
            }
        }
        covered = rect;
        return places;
    } else {
        places.emplace_back(rect.Left, rect.Top, sw, sh);
    }
    covered = TRect::FromQRect(places.front());
    if ((flags & kitFillStretch) && !(flags & kitFillCenter) && (flags & (kitFillKeepHeight | kitFillKeepWidth)) == 0) {
        covered = rect;
    }
    return places;
}

}  // namespace

void KitDrawBitmap(TCanvas& canvas, const TRect& rect, const TBitmap& bitmap, TRect& result, TColor transparentColour,
                   unsigned flags, const TBitmap* mask)
{
    result = rect;
    QPainter* painter = canvas.Painter();
    if (bitmap.Empty() || painter == nullptr) {
        return;
    }
    const int sw = bitmap.Width();
    const int sh = bitmap.Height();
    const std::vector<QRect> places = BitmapPlaces(rect, sw, sh, flags, result);

    QImage image = bitmap.Image().convertToFormat(QImage::Format_RGB32);
    QImage maskImage;
    if (flags & kitFillTransparentBitmap) {
        // Brush copy: the bitmap's transparent colour is painted in the given colour.
        const QRgb own = image.pixel(0, sh - 1) | 0xFF000000u;
        const QRgb brush = RgbOf(transparentColour);
        for (int y = 0; y < sh; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < sw; ++x) {
                if ((line[x] | 0xFF000000u) == own) line[x] = brush;
            }
        }
    } else if (flags & kitFillMask) {
        if (mask != nullptr && !mask->Empty()) {
            maskImage = mask->Image().convertToFormat(QImage::Format_RGB32).scaled(sw, sh);
        }
    } else if (flags & kitFillTransparentColor) {
        TBitmap copy;
        copy.SetImage(image);
        TBitmap built;
        KitCreateMaskFromBitmap(copy, built, transparentColour);
        image = copy.Image().convertToFormat(QImage::Format_RGB32);
        maskImage = built.Image().convertToFormat(QImage::Format_RGB32);
    }

    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const QRect& place : places) {
        if (!maskImage.isNull()) {
            // The classic two-step copy: the mask ANDed in keeps the destination where it is
            // white, the image ORed in paints where the mask is black.
            painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            painter->drawImage(place, maskImage);
            painter->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            painter->drawImage(place, image);
            painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            painter->drawImage(place, image);
        }
    }
    painter->restore();
}

void KitDrawBitmapClipped(TCanvas& canvas, const TRect& rect, const TBitmap& bitmap, TColor transparentColour,
                          int32_t clipOffset, unsigned flags, const TBitmap* mask)
{
    if (flags & kitFillClip) {
        ClipToTarget(canvas, rect, clipOffset);
    }
    TRect covered;
    KitDrawBitmap(canvas, rect, bitmap, covered, transparentColour, flags, mask);
    if (flags & kitFillClip) {
        canvas.ResetClip();
    }
}

void KitCreateMaskFromBitmap(TBitmap& bitmap, TBitmap& mask, TColor transparentColour)
{
    if (bitmap.Empty()) {
        mask.SetImage(QImage());
        return;
    }
    QImage image = bitmap.Image().convertToFormat(QImage::Format_RGB32);
    QImage monochrome(image.size(), QImage::Format_RGB32);
    const QRgb key = RgbOf(transparentColour);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        auto* maskLine = reinterpret_cast<QRgb*>(monochrome.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const bool transparent = (line[x] | 0xFF000000u) == key;
            maskLine[x] = transparent ? 0xFFFFFFFFu : 0xFF000000u;
            if (transparent) line[x] = 0xFF000000u;
        }
    }
    mask.SetImage(monochrome.convertToFormat(QImage::Format_Mono));
    bitmap.SetImage(image);
}

void KitFillBitmap(TBitmap& bitmap, const TRect& rect, TColor colour)
{
    QImage image(std::max(rect.Width(), 0), std::max(rect.Height(), 0), QImage::Format_RGB32);
    image.fill(ToQColor(colour));
    bitmap.SetImage(image);
}

int KitAlignmentTextFormat(TKitAlignment alignment)
{
    const int index = static_cast<int>(alignment);
    return (index % 3) | ((index / 3) * 4);
}

TRect KitAlignRect(TKitAlignment alignment, const TRect& inner, const TRect& outer)
{
    const int index = static_cast<int>(alignment);
    const int column = index % 3;
    const int row = index / 3;
    const int dw = outer.Width() - inner.Width();
    const int dh = outer.Height() - inner.Height();
    const int dx = column == 0 ? 0 : column == 1 ? dw / 2 : dw;
    const int dy = row == 0 ? 0 : row == 1 ? dh / 2 : dh;
    return {outer.Left + dx, outer.Top + dy, outer.Left + dx + inner.Width(), outer.Top + dy + inner.Height()};
}

namespace {

void DrawArrowShape(TCanvas& canvas, int x, int y, TColor colour, int size)
{
    canvas.Brush().SetColor(colour);
    // Each row runs from x + row up to, not including, x + 2 * size - row - 1.
    for (int row = 0; row <= size - 2; ++row) {
        canvas.FillRect({x + row, y + row, x + 2 * size - row - 1, y + row + 1});
    }
    canvas.FillRect({x + size - 1, y + size - 1, x + size, y + size});
}

}  // namespace

void KitDrawDropArrow(TCanvas& canvas, int x, int y, bool enabled, TColor colour, int size)
{
    if (size < 2 || size > 15) {
        return;
    }
    const TBrushStyle oldStyle = canvas.Brush().Style();
    const TColor oldColor = canvas.Brush().Color();
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    if (enabled) {
        DrawArrowShape(canvas, x, y, colour, size);
    } else {
        DrawArrowShape(canvas, x + 1, y + 1, clHighlightText, size);
        DrawArrowShape(canvas, x, y, clGrayText, size);
    }
    canvas.Brush().SetColor(oldColor);
    canvas.Brush().SetStyle(oldStyle);
}

TRect KitRotatedBounds(const TRect& rect, double angle)
{
    const double radians = angle * 3.14159265358979323846 / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const double cx = (rect.Left + rect.Right) / 2.0;
    const double cy = (rect.Top + rect.Bottom) / 2.0;
    int64_t minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool first = true;
    for (const auto& [px, py] : {std::pair{rect.Left, rect.Top}, std::pair{rect.Right, rect.Top},
                                  std::pair{rect.Left, rect.Bottom}, std::pair{rect.Right, rect.Bottom}}) {
        const double dx = px - cx;
        const double dy = py - cy;
        // Counter-clockwise on the screen, whose y axis points down.
        const int64_t x = KitRound(cx + dx * c + dy * s);
        const int64_t y = KitRound(cy - dx * s + dy * c);
        minX = first ? x : std::min(minX, x);
        maxX = first ? x : std::max(maxX, x);
        minY = first ? y : std::min(minY, y);
        maxY = first ? y : std::max(maxY, y);
        first = false;
    }
    return {0, 0, static_cast<int>(maxX - minX), static_cast<int>(maxY - minY)};
}
