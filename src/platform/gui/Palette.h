#pragma once
// Palettes of indexed pictures: plain entries, without any window-system type, so that picture
// codecs without windows can build and read them.

#include <cstdint>
#include <vector>

// One palette entry; peFlags holds PC_NOCOLLAPSE and the like.
struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

// A palette: at most 256 entries.
using TPalette = std::vector<TPaletteEntry>;

inline constexpr uint8_t PC_NOCOLLAPSE = 4;
