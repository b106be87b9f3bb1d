#include "widgets/KitFill.h"

// ---- TKitShapeFill ----

TKitShapeFill::TKitShapeFill()
{
    bitmap_.OnChange = [this](TObject* sender) { SubObjectChanged(sender); };
    gradient_.OnChange = [this](TObject* sender) { SubObjectChanged(sender); };
}

TKitShapeFill::~TKitShapeFill()
{
    bitmap_.OnChange = nullptr;
    gradient_.OnChange = nullptr;
}

void TKitShapeFill::Assign(const TPersistent& source)
{
    const auto* fill = dynamic_cast<const TKitShapeFill*>(&source);
    if (fill == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    CopyShapeFrom(*fill);
    EndUpdate(true);
}

void TKitShapeFill::CopyShapeFrom(const TKitShapeFill& source)
{
    bitmap_.Assign(source.bitmap_);
    listBitmap_.Assign(source.listBitmap_);
    gradient_.Assign(source.gradient_);
    style_ = source.style_;
    tileMode_ = source.tileMode_;
}

std::string TKitShapeFill::SummaryText() const
{
    static constexpr const char* styleTexts[] = {"Disabled", "BitmapBrush", "Brush", "Bitmap", "BitmapList", "Gradient"};
    return std::string("{") + styleTexts[static_cast<int>(style_)] + "}";
}

// ---- TKitFillObject ----

TKitFillObject::TKitFillObject()
{
    brush_.OnChange = [this](TObject* sender) { SubObjectChanged(sender); };
    BeginUpdate();
    SetStyle(TKitFillStyle::sfNone);
    EndUpdate(false);
}

TKitFillObject::~TKitFillObject()
{
    brush_.OnChange = nullptr;
}

void TKitFillObject::Assign(const TPersistent& source)
{
    const auto* fill = dynamic_cast<const TKitFillObject*>(&source);
    if (fill == nullptr) {
        TKitShapeFill::Assign(source);
        return;
    }
    BeginUpdate();
    CopyShapeFrom(*fill);
    brush_.Assign(fill->brush_);
    options_ = fill->options_;
    EndUpdate(true);
}

template <class T>
void TKitFillObject::SetPlacement(T& field, T value)
{
    if (field == value) {
        return;
    }
    field = value;
    const bool bitmapFill = Style() == TKitFillStyle::sfBitmap || Style() == TKitFillStyle::sfBitmapList;
    if (bitmapFill && TileMode() == TKitTileMode::tmNone) {
        NotifyChange();
    }
}

void TKitFillObject::SetAlignment(TKitAlignment value)
{
    SetPlacement(alignment_, value);
}

void TKitFillObject::SetOffsetX(int value)
{
    SetPlacement(offsetX_, value);
}

void TKitFillObject::SetOffsetY(int value)
{
    SetPlacement(offsetY_, value);
}
