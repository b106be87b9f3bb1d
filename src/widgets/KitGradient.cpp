#include "widgets/KitGradient.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitProcs.h"

#include <algorithm>

namespace {

int Red(int32_t rgb)
{
    return rgb & 0xFF;
}

int Green(int32_t rgb)
{
    return (rgb >> 8) & 0xFF;
}

int Blue(int32_t rgb)
{
    return (rgb >> 16) & 0xFF;
}

TColor Rgb(int red, int green, int blue)
{
    return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

void PutInt32(std::string& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

uint32_t GetInt32(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<size_t>(i)]);
    }
    return value;
}

}  // namespace

TKitGradient::TKitGradient()
{
    RebuildTable();
}

TKitGradient::~TKitGradient()
{
    OnChange = nullptr;
}

void TKitGradient::Assign(const TPersistent& source)
{
    const auto* gradient = dynamic_cast<const TKitGradient*>(&source);
    if (gradient == nullptr) {
        TKitObject::Assign(source);
        return;
    }
    BeginUpdate();
    colorCount_ = gradient->colorCount_;
    color_ = gradient->color_;
    style_ = gradient->style_;
    endColor_ = gradient->endColor_;
    paletteRealize_ = gradient->paletteRealize_;
    twoColors_ = gradient->twoColors_;
    colors_ = gradient->colors_;
    EndUpdate(true);
}

std::string TKitGradient::SummaryText() const
{
    static constexpr const char* styleTexts[] = {"horizontal", "vertical",     "square",        "elliptic",
                                                 "top left",   "top right",    "bottom left",   "bottom right",
                                                 "top left diag", "top right diag"};
    return std::string(styleTexts[static_cast<int>(style_)]) + ", Col: " + IntToStr(colorCount_) +
           (twoColors_ ? ", 2 col mode" : ", mult. col mode");
}

void TKitGradient::NotifyChange()
{
    RebuildTable();
    TKitObject::NotifyChange();
}

void TKitGradient::SetColorCount(int value)
{
    KitSetField(*this, colorCount_, static_cast<uint8_t>(std::clamp(value, 2, 236)));
}

void TKitGradient::RebuildTable()
{
    palette_.reset();
    table_.clear();
    if (twoColors_) {
        Interpolate(color_, endColor_, colorCount_, false);
    } else if (colors_.size() > 1) {
        const int steps = colorCount_ / static_cast<int>(colors_.size());
        Interpolate(colors_[0], colors_[1], steps, false);
        for (size_t i = 1; i + 1 < colors_.size(); ++i) {
            Interpolate(colors_[i], colors_[i + 1], steps, true);
        }
    }
    if (paletteRealize_) {
        TPalette palette;
        palette.reserve(table_.size());
        for (TColor color : table_) {
            palette.push_back({static_cast<uint8_t>(Red(color)), static_cast<uint8_t>(Green(color)),
                               static_cast<uint8_t>(Blue(color)), PC_NOCOLLAPSE});
        }
        palette_ = std::move(palette);
    }
}

void TKitGradient::Interpolate(TColor from, TColor to, int count, bool append)
{
    if (count <= 0) {
        return;
    }
    const int32_t a = ColorToRGB(from);
    const int32_t b = ColorToRGB(to);
    if (count == 1) {
        // A single step is the start colour (appended, it is the previous segment's last).
        if (!append) {
            table_.push_back(Rgb(Red(a), Green(a), Blue(a)));
        }
        return;
    }
    for (int index = append ? 1 : 0; index < count; ++index) {
        table_.push_back(Rgb(Red(a) + KitMulDiv(index, Red(b) - Red(a), count - 1),
                             Green(a) + KitMulDiv(index, Green(b) - Green(a), count - 1),
                             Blue(a) + KitMulDiv(index, Blue(b) - Blue(a), count - 1)));
    }
}

void TKitGradient::ReadColorList(const std::string& bytes)
{
    if (bytes.size() < 4) {
        throw EReadError("Invalid ColorList data");
    }
    const uint32_t count = GetInt32(bytes, 0);
    if (count > (bytes.size() - 4) / 4 || bytes.size() != 4 + static_cast<size_t>(count) * 4) {
        throw EReadError("Invalid ColorList data");
    }
    std::vector<TColor> colors;
    colors.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        colors.push_back(static_cast<TColor>(GetInt32(bytes, 4 + static_cast<size_t>(i) * 4)));
    }
    SetColors(colors);
}

std::optional<std::string> TKitGradient::WriteColorList() const
{
    if (colors_.empty()) {
        return std::nullopt;
    }
    std::string bytes;
    PutInt32(bytes, static_cast<uint32_t>(colors_.size()));
    for (TColor color : colors_) {
        PutInt32(bytes, static_cast<uint32_t>(color));
    }
    return bytes;
}
