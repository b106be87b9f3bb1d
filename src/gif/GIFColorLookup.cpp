#include "gif/GIFColorLookup.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <iterator>

TFastColorLookup::TFastColorLookup(const TPalette& palette) : TColorLookup(0)
{
    entries_.assign(palette.begin(), palette.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(palette.size(), 256)));
    colors_ = static_cast<int>(entries_.size());
    inverse_.fill(-1);
    for (int i = 0; i < colors_; ++i) {
        const TPaletteEntry& entry = entries_[static_cast<size_t>(i)];
        int16_t& cell = inverse_[static_cast<size_t>(Cell(entry.peRed, entry.peGreen, entry.peBlue))];
        if (cell < 0) {
            cell = static_cast<int16_t>(i);
        }
    }
}

TColorEntry TFastColorLookup::FindEntry(uint8_t red, uint8_t green, uint8_t blue)
{
    int16_t& cell = inverse_[static_cast<size_t>(Cell(red, green, blue))];
    if (cell < 0) {
        int best = 196608;
        for (int i = 0; i < colors_; ++i) {
            const TPaletteEntry& entry = entries_[static_cast<size_t>(i)];
            const int distance = std::abs(entry.peRed - red) + std::abs(entry.peGreen - green) + std::abs(entry.peBlue - blue);
            if (distance < best) {
                best = distance;
                cell = static_cast<int16_t>(i);
            }
        }
        if (cell < 0) {
            return {};
        }
    }
    const TPaletteEntry& entry = entries_[static_cast<size_t>(cell)];
    return {static_cast<uint8_t>(cell), entry.peRed, entry.peGreen, entry.peBlue};
}

TColorEntry TNetscapeColorLookup::FindEntry(uint8_t red, uint8_t green, uint8_t blue)
{
    const int r = (red + 3) / 51;
    const int g = (green + 3) / 51;
    const int b = (blue + 3) / 51;
    return {static_cast<uint8_t>(b + 6 * g + 36 * r), static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
            static_cast<uint8_t>(b * 51)};
}

TColorEntry TGrayScaleLookup::FindEntry(uint8_t red, uint8_t green, uint8_t blue)
{
    const auto grey = static_cast<uint8_t>((29 * blue + 150 * green + 77 * red) >> 8);
    return {grey, grey, grey, grey};
}

TColorEntry TMonochromeLookup::FindEntry(uint8_t red, uint8_t green, uint8_t blue)
{
    if (29 * blue + 150 * green + 77 * red >= 32513) {
        return {1, 255, 255, 255};
    }
    return {0, 0, 0, 0};
}

namespace {

constexpr TPaletteEntry kSystemColors[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

TPalette Greys(std::initializer_list<int> levels)
{
    TPalette palette;
    for (const int level : levels) {
        const auto value = static_cast<uint8_t>(level);
        palette.push_back({value, value, value, PC_NOCOLLAPSE});
    }
    return palette;
}

}  // namespace

TPalette MakeDefaultPalette()
{
    return TPalette(std::begin(kSystemColors), std::end(kSystemColors));
}

TPalette MakeHalftonePalette()
{
    TPalette palette(std::begin(kSystemColors), std::begin(kSystemColors) + 10);
    const TPalette cube = MakeWebPalette();
    palette.insert(palette.end(), cube.begin(), cube.end());
    for (int i = 1; i <= 20; ++i) {
        const auto level = static_cast<uint8_t>((255 * i + 10) / 21);
        palette.push_back({level, level, level, 0});
    }
    palette.insert(palette.end(), std::begin(kSystemColors) + 10, std::end(kSystemColors));
    return palette;
}

TPalette MakeFourGrayPalette()
{
    return Greys({0, 128, 192, 255});
}

TPalette MakeTwoGrayPalette()
{
    return Greys({0, 255});
}

TPalette MakeGrayPalette()
{
    TPalette palette(256);
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<uint8_t>(i);
        palette[static_cast<size_t>(i)] = {level, level, level, PC_NOCOLLAPSE};
    }
    return palette;
}

TPalette MakeWebPalette()
{
    TPalette palette;
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                palette.push_back({static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g), static_cast<uint8_t>(51 * b), 0});
            }
        }
    }
    return palette;
}
