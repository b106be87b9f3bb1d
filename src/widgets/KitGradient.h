#pragma once
// A colour gradient: two colours (or a list of colours) spread over ColorCount steps. The
// colour table is rebuilt before every notification, so it is current whenever the owner
// repaints.
//
// Interpolation from a to b in n steps: channel = a + round(i * (b - a) / (n - 1)) for i from
// 0 (a new table) or 1 (appending: the first colour is the previous segment's last) to n - 1,
// rounding halves away from zero. One step is the start colour alone.

#include "platform/gui/Graphics.h"
#include "platform/gui/Palette.h"
#include "widgets/KitBase.h"

#include <optional>
#include <string>
#include <vector>

enum class TKitGradientStyle {
    gstHorizontal, gstVertical, gstSquare, gstElliptic, gstTopLeft, gstTopRight, gstBottomLeft, gstBottomRight,
    gstTopLeftDiagonal, gstTopRightDiagonal
};

class TKitGradient : public TKitObject {
public:
    TKitGradient();
    ~TKitGradient() override;
    const char* ClassName() const noexcept override { return "TKitGradient"; }
    void Assign(const TPersistent& source) override;
    std::string SummaryText() const override;
    // Rebuilds the colour table, then notifies.
    void NotifyChange() override;

    // 2..236.
    int ColorCount() const noexcept { return colorCount_; }
    void SetColorCount(int value);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value) { KitSetField(*this, color_, value); }
    TColor EndColor() const noexcept { return endColor_; }
    void SetEndColor(TColor value) { KitSetField(*this, endColor_, value); }
    bool PaletteRealize() const noexcept { return paletteRealize_; }
    void SetPaletteRealize(bool value) { KitSetField(*this, paletteRealize_, value); }
    TKitGradientStyle Style() const noexcept { return style_; }
    void SetStyle(TKitGradientStyle value) { KitSetField(*this, style_, value); }
    // True: from Color to EndColor; False: through the Colors list.
    bool TwoColors() const noexcept { return twoColors_; }
    void SetTwoColors(bool value) { KitSetField(*this, twoColors_, value); }
    const std::vector<TColor>& Colors() const noexcept { return colors_; }
    void SetColors(const std::vector<TColor>& value) { KitSetField(*this, colors_, value); }

    // The colour table as RGB colours ($00BBGGRR).
    const std::vector<TColor>& ColorTable() const noexcept { return table_; }
    // The logical palette of the table when PaletteRealize is set, else null.
    const TPalette* Palette() const noexcept { return palette_ ? &*palette_ : nullptr; }

    // The Colors list as stored in a form description ("ColorList"): a 32-bit count and the
    // colours, little-endian. Reading text that does not fit raises EReadError.
    void ReadColorList(const std::string& bytes);
    std::optional<std::string> WriteColorList() const;

private:
    void RebuildTable();
    void Interpolate(TColor from, TColor to, int count, bool append);

    uint8_t colorCount_ = 16;
    TColor color_ = clBlue;
    TColor endColor_ = clBlack;
    bool paletteRealize_ = false;
    TKitGradientStyle style_ = TKitGradientStyle::gstVertical;
    bool twoColors_ = true;
    std::vector<TColor> colors_;
    std::vector<TColor> table_;
    std::optional<TPalette> palette_;
};
