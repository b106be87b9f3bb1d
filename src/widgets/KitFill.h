#pragma once
// Fill settings: how a surface is filled (brush, bitmap, a picture of an image list, gradient)
// and how a picture is tiled or placed. Owned pictures, brushes and gradients are copied into,
// never replaced; their changes notify the fill.

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "widgets/KitBase.h"
#include "widgets/KitCaptions.h"
#include "widgets/KitGradient.h"

#include <cstdint>
#include <string>

enum class TKitFillStyle { sfNone, sfBrushBitmap, sfBrush, sfBitmap, sfBitmapList, sfGradient };
enum class TKitTileMode { tmNone, tmCenter, tmStretch, tmTile };
enum class TKitFillOption { foFillInner, foQuickDraw, foGrUseBitmap };

// A set of fill options: bit n for the option of ordinal n.
using TKitFillOptions = uint8_t;
constexpr TKitFillOptions KitFillOptionBit(TKitFillOption option)
{
    return static_cast<TKitFillOptions>(1u << static_cast<unsigned>(option));
}

class TKitShapeFill : public TKitObject {
public:
    TKitShapeFill();
    ~TKitShapeFill() override;
    const char* ClassName() const noexcept override { return "TKitShapeFill"; }
    void Assign(const TPersistent& source) override;
    std::string SummaryText() const override;

    const TBitmap& Bitmap() const noexcept { return bitmap_; }
    TBitmap& Bitmap() noexcept { return bitmap_; }
    void SetBitmap(const TBitmap& value) { bitmap_.Assign(value); }
    const TKitGradient& Gradient() const noexcept { return gradient_; }
    TKitGradient& Gradient() noexcept { return gradient_; }
    void SetGradient(const TKitGradient& value) { gradient_.Assign(value); }
    TKitFillStyle Style() const noexcept { return style_; }
    void SetStyle(TKitFillStyle value) { KitSetField(*this, style_, value); }
    TKitTileMode TileMode() const noexcept { return tileMode_; }
    void SetTileMode(TKitTileMode value) { KitSetField(*this, tileMode_, value); }
    // The picture taken from an image list by the alpha effect (not published).
    const TBitmap& ListBitmap() const noexcept { return listBitmap_; }
    TBitmap& ListBitmap() noexcept { return listBitmap_; }

protected:
    // Copies the shape fill's settings without notifying.
    void CopyShapeFrom(const TKitShapeFill& source);

private:
    TBitmap bitmap_;
    TKitGradient gradient_;
    TKitFillStyle style_ = TKitFillStyle::sfBrush;
    TKitTileMode tileMode_ = TKitTileMode::tmTile;
    TBitmap listBitmap_;
};

class TKitFillObject : public TKitShapeFill {
public:
    TKitFillObject();
    ~TKitFillObject() override;
    const char* ClassName() const noexcept override { return "TKitFillObject"; }
    // Copies the shape fill's settings, Brush and Options (not Alignment or the offsets).
    void Assign(const TPersistent& source) override;

    // Alignment and offsets place an untiled picture: they are always stored, but notify only
    // for a bitmap fill (sfBitmap, sfBitmapList) with TileMode tmNone.
    TKitAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TKitAlignment value);
    int OffsetX() const noexcept { return offsetX_; }
    void SetOffsetX(int value);
    int OffsetY() const noexcept { return offsetY_; }
    void SetOffsetY(int value);
    const TBrush& Brush() const noexcept { return brush_; }
    TBrush& Brush() noexcept { return brush_; }
    void SetBrush(const TBrush& value) { brush_.Assign(value); }
    TKitFillOptions Options() const noexcept { return options_; }
    void SetOptions(TKitFillOptions value) { KitSetField(*this, options_, value); }

private:
    template <class T>
    void SetPlacement(T& field, T value);

    TKitAlignment alignment_ = TKitAlignment::agTopLeft;
    int offsetX_ = 0;
    int offsetY_ = 0;
    TBrush brush_;
    TKitFillOptions options_ = KitFillOptionBit(TKitFillOption::foFillInner) | KitFillOptionBit(TKitFillOption::foGrUseBitmap);
};
