#pragma once
// Bevel settings: an inner and an outer bevel with a border between, in one of four modes
// (the kit's own bevels, a standard border style, an edge, or the window frame). The extents
// (pixels from the outside edge to the content) are recomputed before every notification.

#include "platform/gui/Graphics.h"
#include "widgets/KitBase.h"

#include <cstdint>
#include <string>

enum class TKitBevelStyle { bvNone, bvLowered, bvRaised, bvFrameLowered, bvFrameRaised, bvNormal, bvShadow };
enum class TKitBevelMode { bmCustom, bmStandard, bmEdge, bmWindows };
enum class TKitBorderStyle {
    lsNone, lsSingle, lsLowered, lsRaised, lsRaisedspb, lsLoweredspb, lsRaisedExt, lsLoweredExt, lsFrameInset,
    lsFrameOffset, lsWindowBorder, lsSingleRaised, lsSingleLowered, lsDoubleRaised, lsDoubleLowered
};
enum class TKitEdgeStyle { etRaisedInner, etRaisedOuter, etSunkenInner, etSunkenOuter, etBump, etEtched, etRaised, etSunken };
enum class TKitFrameSide { fsBottom, fsLeft, fsRight, fsTop };

// A set of frame sides: bit n for the side of ordinal n.
using TKitFrameSides = uint8_t;
constexpr TKitFrameSides kitAllFrameSides = 0x0F;

// The width a standard border style takes: 0, 1 or 2 pixels.
int KitStandardBorderWidth(TKitBorderStyle style);

class TKitBevel : public TKitObject {
public:
    TKitBevel();
    const char* ClassName() const noexcept override { return "TKitBevel"; }
    void Assign(const TPersistent& source) override;
    std::string SummaryText() const override;
    // Recomputes the extents, then notifies.
    void NotifyChange() override;

    // A shadow bevel is always both: setting one side to bvShadow sets the other too, and
    // leaving bvShadow on one side resets the other to bvNone.
    TKitBevelStyle StyleInner() const noexcept { return styleInner_; }
    void SetStyleInner(TKitBevelStyle value) { SetStyle(styleInner_, styleOuter_, value); }
    TKitBevelStyle StyleOuter() const noexcept { return styleOuter_; }
    void SetStyleOuter(TKitBevelStyle value) { SetStyle(styleOuter_, styleInner_, value); }
    // 0..50.
    int WidthInner() const noexcept { return widthInner_; }
    void SetWidthInner(int value);
    int WidthOuter() const noexcept { return widthOuter_; }
    void SetWidthOuter(int value);
    // Colours by index: 0 BorderColor, 1 LightColor, 2 ShadowColor.
    TColor Colors(int index) const;
    void SetColors(int index, TColor value);
    TColor BorderColor() const noexcept { return colors_[0]; }
    void SetBorderColor(TColor value) { SetColors(0, value); }
    TColor LightColor() const noexcept { return colors_[1]; }
    void SetLightColor(TColor value) { SetColors(1, value); }
    TColor ShadowColor() const noexcept { return colors_[2]; }
    void SetShadowColor(TColor value) { SetColors(2, value); }
    // 0..255.
    int BorderInnerWidth() const noexcept { return borderInnerWidth_; }
    void SetBorderInnerWidth(int value);
    int BorderWidth() const noexcept { return borderWidth_; }
    void SetBorderWidth(int value);
    TKitFrameSides BorderSides() const noexcept { return borderSides_; }
    void SetBorderSides(TKitFrameSides value) { KitSetField(*this, borderSides_, static_cast<TKitFrameSides>(value & kitAllFrameSides)); }
    TKitEdgeStyle EdgeStyle() const noexcept { return edgeStyle_; }
    void SetEdgeStyle(TKitEdgeStyle value) { KitSetField(*this, edgeStyle_, value); }
    TKitBevelMode Mode() const noexcept { return mode_; }
    void SetMode(TKitBevelMode value) { KitSetField(*this, mode_, value); }
    // Notifies only in bmStandard mode.
    TKitBorderStyle StandardStyle() const noexcept { return standardStyle_; }
    void SetStandardStyle(TKitBorderStyle value);
    // The owning control draws the system's window frame itself (not published).
    bool SystemFrame() const noexcept { return systemFrame_; }
    void SetSystemFrame(bool value) { KitSetField(*this, systemFrame_, value); }

    // Pixels from the outside edge to the content, per side.
    int Extent() const noexcept { return extent_; }
    // The extent of the outer part (a shadow bevel adds its own width).
    int OuterExtent() const noexcept { return outerExtent_; }

private:
    void SetStyle(TKitBevelStyle& field, TKitBevelStyle& other, TKitBevelStyle value);
    void ComputeExtents();

    TKitBevelStyle styleInner_ = TKitBevelStyle::bvNone;
    TKitBevelStyle styleOuter_ = TKitBevelStyle::bvNone;
    uint8_t widthInner_ = 1;
    uint8_t widthOuter_ = 1;
    TColor colors_[3] = {clBtnFace, clBtnHighlight, clBtnShadow};
    uint8_t borderInnerWidth_ = 0;
    uint8_t borderWidth_ = 0;
    TKitFrameSides borderSides_ = kitAllFrameSides;
    TKitEdgeStyle edgeStyle_ = TKitEdgeStyle::etEtched;
    TKitBevelMode mode_ = TKitBevelMode::bmCustom;
    TKitBorderStyle standardStyle_ = TKitBorderStyle::lsSingleLowered;
    bool systemFrame_ = false;
    int extent_ = 0;
    int outerExtent_ = 0;
};
