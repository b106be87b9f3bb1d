// Captions with effects: measuring and drawing them, and drawing a caption with its glyph and
// drop-down arrow as a layout places them.

#include "widgets/KitGraph.h"

#include "widgets/KitProcs.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using Style = TKitThreeDStyle;

// 0 a caption without rotation settings, 1 an unturned caption with them, 2 a turned one.
int EffectMode(const TKit3DCaption* caption)
{
    const auto* fx = dynamic_cast<const TKitFxCaption*>(caption);
    if (fx == nullptr) return 0;
    return fx->Angle() == 0 ? 1 : 2;
}

bool IsShadowPair(Style style)
{
    return style == Style::tdSunkenShadow || style == Style::tdRaisedShadow || style == Style::tdPColorSunken ||
           style == Style::tdPColorRaised;
}

// The pixels an effect adds to the text's width and height.
int EffectSize(const TKit3DCaption& caption)
{
    switch (caption.Style()) {
    case Style::tdSunken:
    case Style::tdRaised:
        return caption.LightDepth();
    case Style::tdShadow:
    case Style::tdOutline:
    case Style::tdExtrude:
    case Style::tdExtrudeEnh:
        return caption.ShadowDepth();
    case Style::tdNone:
        return 0;
    default:
        return caption.LightDepth() + caption.ShadowDepth();
    }
}

// How far a turned caption's origin moves in to leave room for its effect.
int EffectInset(const TKit3DCaption& caption)
{
    int inset = 0;
    switch (caption.Style()) {
    case Style::tdSunken:
    case Style::tdRaised:
        inset = caption.LightDepth() / 2 - 1;
        break;
    case Style::tdShadow:
    case Style::tdExtrude:
    case Style::tdExtrudeEnh:
        inset = caption.ShadowDepth() / 2 - 1;
        break;
    default:
        inset = IsShadowPair(caption.Style()) ? (caption.LightDepth() + caption.ShadowDepth()) / 2 - 1 : 0;
        break;
    }
    return std::max(inset, 0);
}

TRect Moved(const TRect& rect, int dx, int dy)
{
    return {rect.Left + dx, rect.Top + dy, rect.Right + dx, rect.Bottom + dy};
}

// The colour `k` steps of `steps` from `from` toward `to`, each channel rounded.
TColor Blend(TColor from, TColor to, int k, int steps)
{
    const TColor a = ColorToRGB(from);
    const TColor b = ColorToRGB(to);
    TColor result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        const auto channel = static_cast<TColor>(KitRound(ca + static_cast<double>(cb - ca) * k / steps));
        result |= (channel & 0xFF) << shift;
    }
    return result;
}

}  // namespace

TRect KitMeasureEffectText(const std::string& caption, TKit3DCaption* fxCaption, int textFormat, bool processPrefix,
                           bool multiLine, const TFont& font, int width)
{
    const int mode = EffectMode(fxCaption);
    const int tracing = fxCaption != nullptr ? fxCaption->Tracing() : 0;
    const int extra = fxCaption != nullptr ? EffectSize(*fxCaption) : 0;
    TRect rect{0, 0, width, 0};
    if (mode == 2) {
        auto& fx = static_cast<TKitFxCaption&>(*fxCaption);
        const int w = TextWidthWithExtra(font, caption, tracing) + extra;
        const int h = TextLineHeight(font) + extra;
        rect = KitRotatedBounds({0, 0, w, h}, fx.Angle());
        const int inset = EffectInset(fx);
        const double theta = fx.Angle() * 3.14159265358979323846 / 180.0;
        const double cx = rect.Width() / 2.0;
        const double cy = rect.Height() / 2.0;
        fx.SetPosX(static_cast<int>(KitRound(cx - w / 2.0 * std::cos(theta) - h / 2.0 * std::sin(theta))) - inset);
        fx.SetPosY(static_cast<int>(KitRound(cy + w / 2.0 * std::sin(theta) - h / 2.0 * std::cos(theta))) - inset);
    } else {
        if (mode == 1) {
            static_cast<TKitFxCaption&>(*fxCaption).SetPos(0, 0);
        }
        unsigned format = static_cast<unsigned>(textFormat) | DT_CALCRECT | DT_EXPANDTABS;
        if (multiLine) format |= DT_WORDBREAK;
        if (!processPrefix) format |= DT_NOPREFIX;
        const bool blank = caption.empty() || (processPrefix && caption == "&");
        TCanvas measuring;
        measuring.Font().Assign(font);
        DrawTextEx(measuring, blank ? std::string(" ") : caption, rect, format, {tracing, 0});
        rect.Right += extra;
        rect.Bottom += extra;
    }
    rect.Right += 2;
    rect.Bottom += 2;
    return rect;
}

void KitDrawEffectText(TCanvas& canvas, const std::string& caption, TKit3DCaption* fxCaption, const TRect* clipRect,
                       unsigned drawFlags, int textFormat, const TRect& rect)
{
    if (fxCaption == nullptr) {
        TRect target = rect;
        DrawTextEx(canvas, caption, target, static_cast<unsigned>(textFormat));
        return;
    }
    if (!canvas.CanDraw()) return;
    QPainter& painter = *canvas.Painter();
    painter.save();
    if (drawFlags & kitTextClip) {
        painter.setClipRect((clipRect != nullptr ? *clipRect : rect).ToQRect(), Qt::IntersectClip);
    }
    const TKit3DCaption& fx = *fxCaption;
    Style style = fx.Style();
    TColor face = canvas.Font().Color();
    if ((drawFlags & kitTextEnabled) || fx.DisabledStyle() == TKitDisabledStyle::dsNone) {
        if (style == Style::tdPColorSunken || style == Style::tdPColorRaised) face = canvas.Brush().Color();
    } else {
        face = clGrayText;
        if (fx.DisabledStyle() == TKitDisabledStyle::ds3d ||
            (fx.DisabledStyle() == TKitDisabledStyle::dsAuto && (drawFlags & kitTextDisabledSunken))) {
            style = Style::tdSunken;
        }
    }
    const int mode = EffectMode(fxCaption);
    const int angle = mode == 2 ? static_cast<const TKitFxCaption&>(fx).Angle() : 0;
    TRect working = rect;
    if (mode == 2) {
        const auto& turned = static_cast<const TKitFxCaption&>(fx);
        working = Moved(rect, turned.PosX(), turned.PosY());
    }
    const TColor oldColour = canvas.Font().Color();
    const TBrushStyle oldBrush = canvas.Brush().Style();
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    const int tracing = fx.Tracing();
    const int ld = fx.LightDepth();
    const int sd = fx.ShadowDepth();
    auto step = [&](int dx, int dy, TColor colour, int outline = 0) {
        working = Moved(working, dx, dy);
        canvas.Font().SetColor(colour);
        if (mode == 2) {
            TextOutRotated(canvas, working.Left, working.Top, caption, angle * 10, tracing);
        } else {
            TRect target = working;
            DrawTextEx(canvas, caption, target, static_cast<unsigned>(textFormat), {tracing, outline});
        }
    };
    auto narrow = [&](int n) { working.Right -= n; };

    switch (style) {
    case Style::tdNone:
        step(0, 0, face);
        break;
    case Style::tdSunken:
        narrow(ld);
        step(ld, ld, fx.LightColor());
        step(-ld, -ld, face);
        break;
    case Style::tdRaised:
        narrow(ld);
        step(0, 0, fx.LightColor());
        step(ld, ld, face);
        break;
    case Style::tdSunkenShadow:
    case Style::tdPColorSunken:
        narrow(ld + sd);
        step(0, 0, fx.ShadowColor());
        step(ld + sd, ld + sd, fx.LightColor());
        step(-ld, -ld, face);
        break;
    case Style::tdRaisedShadow:
    case Style::tdPColorRaised:
        narrow(ld + sd);
        step(ld + sd, ld + sd, fx.ShadowColor());
        step(-(ld + sd), -(ld + sd), fx.LightColor());
        step(ld, ld, face);
        break;
    case Style::tdShadow:
        narrow(sd);
        step(sd, sd, fx.ShadowColor());
        step(-sd, -sd, face);
        break;
    case Style::tdOutline:
        step(sd / 2, sd / 2, face, std::max(sd, 1));
        break;
    case Style::tdExtrude:
    case Style::tdExtrudeEnh: {
        int startX = 0, startY = 0, dirX = 1, dirY = 1;
        switch (fx.Orientation()) {
        case TKitThreeDOrientation::toBottomLeft: startY = sd + 1; dirY = -1; break;
        case TKitThreeDOrientation::toBottomRight: startX = sd + 1; startY = sd + 1; dirX = -1; dirY = -1; break;
        case TKitThreeDOrientation::toTopLeft: break;
        case TKitThreeDOrientation::toTopRight: startX = sd + 1; dirX = -1; break;
        }
        working = Moved(working, startX, startY);
        for (int i = 0; i < sd; ++i) {
            const TColor colour = style == Style::tdExtrude ? fx.ShadowColor() : Blend(fx.ShadowColor(), fx.LightColor(), sd - i - 1, sd);
            step(dirX, dirY, colour);
        }
        step(0, 0, face);
        break;
    }
    }
    canvas.Font().SetColor(oldColour);
    canvas.Brush().SetStyle(oldBrush);
    painter.restore();
}

TRect KitDrawGlyphText(TCanvas& canvas, const std::string& caption, TKit3DCaption* fxCaption,
                       TKitGlyphTextPlacement* placement, int textFormat, unsigned drawFlags, bool maskedGlyph,
                       bool processPrefix, bool multiLine, const TKitGlyphTextLayout& layout, TColor transparentColor,
                       const QImage* mask, const TRect& glyphRect, const QImage* image, const TRect& target)
{
    const bool hasGlyph = (image != nullptr || (drawFlags & kitTextGlyphPresent)) && glyphRect.Width() > 0 &&
                          glyphRect.Height() > 0;
    TKitTextMeasure measure;
    if (!caption.empty()) {
        measure = [&](int width) {
            const TRect size = KitMeasureEffectText(caption, fxCaption, textFormat, processPrefix, multiLine, canvas.Font(), width);
            return std::pair{size.Width(), size.Height()};
        };
    }
    const TKitGlyphTextPlacement placed = KitPlaceGlyphText(layout, measure, hasGlyph, glyphRect.Width(),
                                                            glyphRect.Height(), target, drawFlags, multiLine, textFormat);
    if (placement != nullptr) *placement = placed;
    if (drawFlags & kitTextMeasureOnly) return placed.result;

    if (!caption.empty()) {
        const int format = placed.textFormat | (processPrefix ? 0 : static_cast<int>(DT_NOPREFIX));
        KitDrawEffectText(canvas, caption, fxCaption, &target, drawFlags, format, placed.text);
    }
    if (placed.arrow) {
        const auto& button = static_cast<const TKitButtonLayout&>(layout);
        KitDrawDropArrow(canvas, placed.arrowX, placed.arrowY, (drawFlags & kitTextEnabled) != 0, button.ArrowColor(),
                         button.ArrowSize());
    }
    if (image != nullptr && hasGlyph) {
        TBitmap cell;
        cell.SetImage(image->copy(glyphRect.ToQRect()));
        TRect covered;
        if (maskedGlyph && mask != nullptr) {
            TBitmap cellMask;
            cellMask.SetImage(mask->copy(glyphRect.ToQRect()));
            KitDrawBitmap(canvas, placed.glyph, cell, covered, transparentColor, kitFillMask, &cellMask);
        } else {
            KitDrawBitmap(canvas, placed.glyph, cell, covered, transparentColor, maskedGlyph ? kitFillTransparentColor : 0);
        }
    }
    return placed.result;
}

TRect KitDrawGlyphTextBitmaps(TCanvas& canvas, const std::string& caption, TKit3DCaption* fxCaption, int textFormat,
                              unsigned drawFlags, bool processPrefix, bool multiLine, const TKitGlyphTextLayout& layout,
                              const TBitmap* mask, const TBitmap* glyph, const TRect& target)
{
    if (glyph == nullptr || glyph->Empty()) {
        return KitDrawGlyphText(canvas, caption, fxCaption, nullptr, textFormat, drawFlags, true, processPrefix, multiLine,
                                layout, clNone, nullptr, {}, nullptr, target);
    }
    const QImage& picture = glyph->Image();
    const TColor transparent = FromQColor(picture.pixelColor(0, picture.height() - 1));
    const QImage* maskImage = mask != nullptr && !mask->Empty() ? &mask->Image() : nullptr;
    return KitDrawGlyphText(canvas, caption, fxCaption, nullptr, textFormat, drawFlags, true, processPrefix, multiLine,
                            layout, transparent, maskImage, {0, 0, picture.width(), picture.height()}, &picture, target);
}

TRect KitDrawAlignedText(TKitAlignment alignment, const std::string& caption, TKit3DCaption* fxCaption, const TRect& rect,
                         int textFormat, bool processPrefix, bool multiLine, const TFont& font)
{
    const TRect size = KitMeasureEffectText(caption, fxCaption, textFormat, processPrefix, multiLine, font, rect.Width());
    return KitAlignRect(alignment, size, rect);
}

bool KitIsTrueTypeFont(const TFont& font)
{
    const QFontInfo resolved(font.ToQFont());
    return QFontDatabase::isSmoothlyScalable(resolved.family(), resolved.styleName());
}
