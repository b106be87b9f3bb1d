#pragma once
// Palettes and colour lookups of the colour reduction: the fixed palettes (system colours,
// halftone, greys, the 216-colour web cube) and the lookups that map any colour to an entry of
// a palette. Nothing here needs a window system.

#include "platform/gui/Palette.h"

#include <array>
#include <cstdint>
#include <vector>

// A palette entry chosen by a lookup: its index and its colour.
struct TColorEntry {
    uint8_t Index = 0;
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    friend bool operator==(const TColorEntry&, const TColorEntry&) = default;
};

class TColorLookup {
public:
    explicit TColorLookup(int colors) : colors_(colors) {}
    virtual ~TColorLookup() = default;
    TColorLookup(const TColorLookup&) = delete;
    TColorLookup& operator=(const TColorLookup&) = delete;

    // How many palette entries the lookup maps to.
    int Colors() const noexcept { return colors_; }
    virtual TColorEntry FindEntry(uint8_t red, uint8_t green, uint8_t blue) = 0;

protected:
    int colors_;
};

// Any palette: the nearest entry by the sum of the channel differences (the first of equal
// distances wins). The answer is kept per cell of 15-bit colour (5 bits a channel), so the
// palette is searched at most once per cell and every later colour of the cell gets the entry
// found for the first one. Each palette entry answers for its own cell from the start.
class TFastColorLookup : public TColorLookup {
public:
    explicit TFastColorLookup(const TPalette& palette);
    TColorEntry FindEntry(uint8_t red, uint8_t green, uint8_t blue) override;

private:
    static int Cell(uint8_t red, uint8_t green, uint8_t blue) noexcept { return (blue >> 3) * 1024 + (green >> 3) * 32 + (red >> 3); }
    std::vector<TPaletteEntry> entries_;
    // -1 or the index that answers for the cell.
    std::array<int16_t, 32768> inverse_;
};

// The 216-colour cube: each channel to the nearest of 0, 51, ..., 255.
class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}
    TColorEntry FindEntry(uint8_t red, uint8_t green, uint8_t blue) override;
};

// 256 greys: the weighted brightness (29 blue, 150 green, 77 red, over 256).
class TGrayScaleLookup : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}
    TColorEntry FindEntry(uint8_t red, uint8_t green, uint8_t blue) override;
};

// Black (0) and white (1), split at half of the weighted brightness.
class TMonochromeLookup : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}
    TColorEntry FindEntry(uint8_t red, uint8_t green, uint8_t blue) override;
};

// The 20 static colours of the system palette: 10 dark ones first, 10 light ones last.
TPalette MakeDefaultPalette();
// The halftone palette: the 10 first system colours, the 216-colour cube, 20 greys and the 10
// last system colours.
TPalette MakeHalftonePalette();
// Greys 0, 128, 192 and 255, entries marked PC_NOCOLLAPSE.
TPalette MakeFourGrayPalette();
// Black and white, entries marked PC_NOCOLLAPSE.
TPalette MakeTwoGrayPalette();
// Entry i is (i, i, i), marked PC_NOCOLLAPSE.
TPalette MakeGrayPalette();
// Entry 36r + 6g + b is (51r, 51g, 51b).
TPalette MakeWebPalette();
