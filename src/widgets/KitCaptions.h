#pragma once
// Caption effect and layout settings: how a caption is drawn in 3D or rotated, and how glyph,
// text and drop-down arrow are arranged on a button. Each setter stores a changed value and
// notifies the owner (TKitObject); Assign copies from an object of the same class with one
// notification; SummaryText is the short text of a property editor.
//
// Ranged values are brought into their range: an angle is taken modulo 360, an arrow size is
// kept within 2..10.

#include "platform/gui/Graphics.h"
#include "widgets/KitBase.h"

#include <cstdint>
#include <string>

enum class TKitThreeDStyle {
    tdNone, tdSunken, tdRaised, tdSunkenShadow, tdRaisedShadow, tdPColorSunken, tdPColorRaised, tdShadow, tdOutline,
    tdExtrude, tdExtrudeEnh
};
enum class TKitThreeDOrientation { toBottomLeft, toBottomRight, toTopLeft, toTopRight };
enum class TKitDisabledStyle { dsAuto, dsStandard, ds3d, dsNone };
enum class TKitAlignment {
    agTopLeft, agTopCenter, agTopRight, agCenterLeft, agCenter, agCenterRight, agBottomLeft, agBottomCenter, agBottomRight
};
// Where the text stands relative to the glyph.
enum class TKitTextArrange { taLeft, taLeftTop, taRight, taRightTop, taTop, taTopLeft, taBottom, taBottomLeft };
enum class TKitArrowPosition { apRightText, apLeftText, apRightGlyph, apLeftGlyph };

class TKit3DCaption : public TKitObject {
public:
    const char* ClassName() const noexcept override { return "TKit3DCaption"; }
    void Assign(const TPersistent& source) override;
    std::string SummaryText() const override;

    TKitDisabledStyle DisabledStyle() const noexcept { return disabledStyle_; }
    void SetDisabledStyle(TKitDisabledStyle value) { KitSetField(*this, disabledStyle_, value); }
    int LightDepth() const noexcept { return lightDepth_; }
    void SetLightDepth(int value);
    int ShadowDepth() const noexcept { return shadowDepth_; }
    void SetShadowDepth(int value);
    TColor LightColor() const noexcept { return lightColor_; }
    void SetLightColor(TColor value) { KitSetField(*this, lightColor_, value); }
    TColor ShadowColor() const noexcept { return shadowColor_; }
    void SetShadowColor(TColor value) { KitSetField(*this, shadowColor_, value); }
    TKitThreeDStyle Style() const noexcept { return style_; }
    void SetStyle(TKitThreeDStyle value) { KitSetField(*this, style_, value); }
    TKitThreeDOrientation Orientation() const noexcept { return orientation_; }
    void SetOrientation(TKitThreeDOrientation value) { KitSetField(*this, orientation_, value); }
    // Extra pixels between characters.
    int Tracing() const noexcept { return tracing_; }
    void SetTracing(int value) { KitSetField(*this, tracing_, value); }

protected:
    // Copies the 3D settings (not Orientation) without notifying.
    void Copy3DFrom(const TKit3DCaption& source);

private:
    TKitDisabledStyle disabledStyle_ = TKitDisabledStyle::dsAuto;
    uint8_t lightDepth_ = 1;
    uint8_t shadowDepth_ = 1;
    TColor lightColor_ = clBtnHighlight;
    TColor shadowColor_ = clBtnShadow;
    TKitThreeDStyle style_ = TKitThreeDStyle::tdNone;
    TKitThreeDOrientation orientation_ = TKitThreeDOrientation::toTopLeft;
    int tracing_ = 0;
};

class TKitFxCaption : public TKit3DCaption {
public:
    const char* ClassName() const noexcept override { return "TKitFxCaption"; }
    void Assign(const TPersistent& source) override;
    std::string SummaryText() const override;

    // Degrees of text rotation, 0..359 (360 is stored as 0).
    int Angle() const noexcept { return angle_; }
    void SetAngle(int value);
    // The origin of rotated text, set by the text measuring routine while it paints: never
    // notifies.
    int PosX() const noexcept { return posX_; }
    void SetPosX(int value) { KitSetField(*this, posX_, static_cast<uint16_t>(value)); }
    int PosY() const noexcept { return posY_; }
    void SetPosY(int value) { KitSetField(*this, posY_, static_cast<uint16_t>(value)); }
    void SetPos(int x, int y);

private:
    uint16_t angle_ = 0;
    uint16_t posX_ = 0;
    uint16_t posY_ = 0;
};

class TKitGlyphTextLayout : public TKitObject {
public:
    TKitGlyphTextLayout() = default;
    const char* ClassName() const noexcept override { return "TKitGlyphTextLayout"; }
    void Assign(const TPersistent& source) override;

    TKitTextArrange AlignText2Glyph() const noexcept { return alignText2Glyph_; }
    void SetAlignText2Glyph(TKitTextArrange value) { KitSetField(*this, alignText2Glyph_, value); }
    int OffsetX() const noexcept { return offsetX_; }
    void SetOffsetX(int value) { KitSetField(*this, offsetX_, value); }
    int OffsetY() const noexcept { return offsetY_; }
    void SetOffsetY(int value) { KitSetField(*this, offsetY_, value); }
    // Pixels between glyph and text.
    int Spacing() const noexcept { return spacing_; }
    void SetSpacing(int value) { KitSetField(*this, spacing_, value); }
    TKitAlignment Alignment() const noexcept { return alignment_; }
    void SetAlignment(TKitAlignment value) { KitSetField(*this, alignment_, value); }

protected:
    explicit TKitGlyphTextLayout(TKitAlignment alignment) : alignment_(alignment) {}
    // Sets the five layout properties through their setters.
    void SetLayoutFrom(const TKitGlyphTextLayout& source);

private:
    TKitTextArrange alignText2Glyph_ = TKitTextArrange::taRight;
    int offsetX_ = 0;
    int offsetY_ = 0;
    int spacing_ = 2;
    TKitAlignment alignment_ = TKitAlignment::agTopLeft;
};

class TKitButtonLayout : public TKitGlyphTextLayout {
public:
    TKitButtonLayout() : TKitGlyphTextLayout(TKitAlignment::agCenter) {}
    const char* ClassName() const noexcept override { return "TKitButtonLayout"; }
    void Assign(const TPersistent& source) override;

    // The drop-down arrow is shown.
    bool Arrow() const noexcept { return arrow_; }
    void SetArrow(bool value) { KitSetField(*this, arrow_, value); }
    TColor ArrowColor() const noexcept { return arrowColor_; }
    void SetArrowColor(TColor value) { KitSetField(*this, arrowColor_, value); }
    int ArrowIndent() const noexcept { return arrowIndent_; }
    void SetArrowIndent(int value) { KitSetField(*this, arrowIndent_, value); }
    TKitArrowPosition ArrowPosition() const noexcept { return arrowPosition_; }
    void SetArrowPosition(TKitArrowPosition value) { KitSetField(*this, arrowPosition_, value); }
    // 2..10.
    int ArrowSize() const noexcept { return arrowSize_; }
    void SetArrowSize(int value);

private:
    bool arrow_ = false;
    TColor arrowColor_ = clBlack;
    int arrowIndent_ = 3;
    TKitArrowPosition arrowPosition_ = TKitArrowPosition::apRightText;
    uint8_t arrowSize_ = 3;
};
