#include "widgets/KitBevel.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>

namespace {

bool IsFrameStyle(TKitBevelStyle style)
{
    return style == TKitBevelStyle::bvFrameLowered || style == TKitBevelStyle::bvFrameRaised;
}

}  // namespace

int KitStandardBorderWidth(TKitBorderStyle style)
{
    switch (style) {
    case TKitBorderStyle::lsNone:
        return 0;
    case TKitBorderStyle::lsSingle:
    case TKitBorderStyle::lsSingleRaised:
    case TKitBorderStyle::lsSingleLowered:
        return 1;
    default:
        return 2;
    }
}

TKitBevel::TKitBevel()
{
    ComputeExtents();
}

void TKitBevel::Assign(const TPersistent& source)
{
    const auto* bevel = dynamic_cast<const TKitBevel*>(&source);
    if (bevel == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    styleInner_ = bevel->styleInner_;
    styleOuter_ = bevel->styleOuter_;
    widthInner_ = bevel->widthInner_;
    widthOuter_ = bevel->widthOuter_;
    std::copy(std::begin(bevel->colors_), std::end(bevel->colors_), std::begin(colors_));
    borderInnerWidth_ = bevel->borderInnerWidth_;
    borderWidth_ = bevel->borderWidth_;
    borderSides_ = bevel->borderSides_;
    edgeStyle_ = bevel->edgeStyle_;
    mode_ = bevel->mode_;
    standardStyle_ = bevel->standardStyle_;
    systemFrame_ = bevel->systemFrame_;
    EndUpdate(true);
}

std::string TKitBevel::SummaryText() const
{
    static constexpr const char* modeTexts[] = {"Custom style", "Standard style", "Edged style", "Windows style"};
    return std::string("{") + modeTexts[static_cast<int>(mode_)] + "}";
}

void TKitBevel::NotifyChange()
{
    ComputeExtents();
    TKitObject::NotifyChange();
}

void TKitBevel::SetStyle(TKitBevelStyle& field, TKitBevelStyle& other, TKitBevelStyle value)
{
    if (field == value) {
        return;
    }
    if (field == TKitBevelStyle::bvShadow) {
        other = TKitBevelStyle::bvNone;
    }
    field = value;
    if (value == TKitBevelStyle::bvShadow) {
        other = TKitBevelStyle::bvShadow;
    }
    NotifyChange();
}

void TKitBevel::SetWidthInner(int value)
{
    KitSetField(*this, widthInner_, static_cast<uint8_t>(std::clamp(value, 0, 50)));
}

void TKitBevel::SetWidthOuter(int value)
{
    KitSetField(*this, widthOuter_, static_cast<uint8_t>(std::clamp(value, 0, 50)));
}

TColor TKitBevel::Colors(int index) const
{
    if (index < 0 || index > 2) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return colors_[index];
}

void TKitBevel::SetColors(int index, TColor value)
{
    if (index < 0 || index > 2) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    KitSetField(*this, colors_[index], value);
}

void TKitBevel::SetBorderInnerWidth(int value)
{
    KitSetField(*this, borderInnerWidth_, static_cast<uint8_t>(std::clamp(value, 0, 255)));
}

void TKitBevel::SetBorderWidth(int value)
{
    KitSetField(*this, borderWidth_, static_cast<uint8_t>(std::clamp(value, 0, 255)));
}

void TKitBevel::SetStandardStyle(TKitBorderStyle value)
{
    if (standardStyle_ == value) {
        return;
    }
    standardStyle_ = value;
    if (mode_ == TKitBevelMode::bmStandard) {
        NotifyChange();
    }
}

void TKitBevel::ComputeExtents()
{
    switch (mode_) {
    case TKitBevelMode::bmCustom:
        if (styleInner_ == TKitBevelStyle::bvShadow) {
            extent_ = widthInner_ + borderInnerWidth_;
        } else {
            extent_ = borderWidth_ + borderInnerWidth_;
            if (styleInner_ != TKitBevelStyle::bvNone || styleOuter_ != TKitBevelStyle::bvNone) {
                if (styleOuter_ != TKitBevelStyle::bvNone) {
                    extent_ += widthOuter_ + (IsFrameStyle(styleOuter_) ? 1 : 0);
                }
                if (styleInner_ != TKitBevelStyle::bvNone) {
                    extent_ += widthInner_ + (IsFrameStyle(styleInner_) ? 1 : 0);
                }
            }
        }
        break;
    case TKitBevelMode::bmStandard:
        extent_ = KitStandardBorderWidth(standardStyle_) + borderInnerWidth_;
        break;
    case TKitBevelMode::bmEdge:
        extent_ = (borderSides_ != 0 ? 2 : 0) + borderInnerWidth_;
        break;
    case TKitBevelMode::bmWindows:
        extent_ = systemFrame_ ? 0 : borderInnerWidth_ + 2;
        break;
    }
    const bool shadow = mode_ == TKitBevelMode::bmCustom && styleOuter_ == TKitBevelStyle::bvShadow;
    outerExtent_ = shadow ? widthInner_ + widthOuter_ + borderInnerWidth_ : extent_;
}
