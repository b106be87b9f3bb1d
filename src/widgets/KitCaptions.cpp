#include "widgets/KitCaptions.h"

#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace {

uint8_t ToByte(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

}  // namespace

// ---- TKit3DCaption ----

void TKit3DCaption::Assign(const TPersistent& source)
{
    const auto* caption = dynamic_cast<const TKit3DCaption*>(&source);
    if (caption == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    Copy3DFrom(*caption);
    EndUpdate(true);
}

void TKit3DCaption::Copy3DFrom(const TKit3DCaption& source)
{
    disabledStyle_ = source.disabledStyle_;
    lightDepth_ = source.lightDepth_;
    shadowDepth_ = source.shadowDepth_;
    lightColor_ = source.lightColor_;
    shadowColor_ = source.shadowColor_;
    style_ = source.style_;
    tracing_ = source.tracing_;
}

std::string TKit3DCaption::SummaryText() const
{
    static constexpr const char* styleTexts[] = {"Disabled",      "sunken",        "raised", "sunken shadow",
                                                 "raised shadow", "PColor sunken", "PColor raised",
                                                 "shadow",        "outline",       "extrude", "extrude enh"};
    return std::string("{") + styleTexts[static_cast<int>(style_)] + "}";
}

void TKit3DCaption::SetLightDepth(int value)
{
    KitSetField(*this, lightDepth_, ToByte(value));
}

void TKit3DCaption::SetShadowDepth(int value)
{
    KitSetField(*this, shadowDepth_, ToByte(value));
}

// ---- TKitFxCaption ----

void TKitFxCaption::Assign(const TPersistent& source)
{
    const auto* caption = dynamic_cast<const TKitFxCaption*>(&source);
    if (caption == nullptr) {
        TKit3DCaption::Assign(source);
        return;
    }
    BeginUpdate();
    Copy3DFrom(*caption);
    posX_ = caption->posX_;
    posY_ = caption->posY_;
    angle_ = caption->angle_;
    EndUpdate(true);
}

std::string TKitFxCaption::SummaryText() const
{
    std::string text = TKit3DCaption::SummaryText();
    if (angle_ == 0) {
        return text;
    }
    if (text == "{Disabled}") {
        text = "{";
    } else {
        text.back() = ',';
    }
    return text + " rot: " + IntToStr(angle_) + "\xB0}";
}

void TKitFxCaption::SetAngle(int value)
{
    // Compared before the angle is brought into range: writing 360 over 0 notifies.
    if (value == angle_) {
        return;
    }
    angle_ = static_cast<uint16_t>((value % 360 + 360) % 360);
    NotifyChange();
}

void TKitFxCaption::SetPos(int x, int y)
{
    BeginUpdate();
    SetPosX(x);
    SetPosY(y);
    EndUpdate(false);
}

// ---- TKitGlyphTextLayout ----

void TKitGlyphTextLayout::Assign(const TPersistent& source)
{
    const auto* layout = dynamic_cast<const TKitGlyphTextLayout*>(&source);
    if (layout == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    SetLayoutFrom(*layout);
    EndUpdate(true);
}

void TKitGlyphTextLayout::SetLayoutFrom(const TKitGlyphTextLayout& source)
{
    SetAlignText2Glyph(source.alignText2Glyph_);
    SetOffsetX(source.offsetX_);
    SetOffsetY(source.offsetY_);
    SetSpacing(source.spacing_);
    SetAlignment(source.alignment_);
}

// ---- TKitButtonLayout ----

void TKitButtonLayout::Assign(const TPersistent& source)
{
    const auto* layout = dynamic_cast<const TKitButtonLayout*>(&source);
    if (layout == nullptr) {
        TKitGlyphTextLayout::Assign(source);
        return;
    }
    BeginUpdate();
    SetLayoutFrom(*layout);
    arrow_ = layout->arrow_;
    arrowColor_ = layout->arrowColor_;
    arrowIndent_ = layout->arrowIndent_;
    arrowPosition_ = layout->arrowPosition_;
    arrowSize_ = layout->arrowSize_;
    EndUpdate(true);
}

void TKitButtonLayout::SetArrowSize(int value)
{
    KitSetField(*this, arrowSize_, static_cast<uint8_t>(std::clamp(value, 2, 10)));
}
