#pragma once
// Line access to bitmaps at a fixed pixel format: a reader over a bitmap's own scan lines, and
// a writer that builds an 8-bit or 24-bit device-independent bitmap line by line and hands it
// to a bitmap when it is closed.

#include "gif/GIFStream.h"
#include "platform/gui/Bitmap.h"

#include <cstdint>
#include <vector>

class TDIB {
public:
    TDIB(TBitmap& bitmap, TPixelFormat pixelFormat) : bitmap_(bitmap), pixelFormat_(pixelFormat) {}
    virtual ~TDIB() = default;
    TDIB(const TDIB&) = delete;
    TDIB& operator=(const TDIB&) = delete;

    TBitmap& Bitmap() const noexcept { return bitmap_; }
    TPixelFormat PixelFormat() const noexcept { return pixelFormat_; }

protected:
    TBitmap& bitmap_;
    TPixelFormat pixelFormat_;
};

// Converts the bitmap to the pixel format; a line is the bitmap's own scan line.
class TDIBReader : public TDIB {
public:
    TDIBReader(TBitmap& bitmap, TPixelFormat pixelFormat);
    uint8_t* Line(int index) { return bitmap_.ScanLine(index); }
};

// Builds a bitmap of `width` by `height` at 8 bits (with the palette's colours, not owned) or
// 24 bits per pixel. Close hands the picture to the bitmap; a writer dropped without Close
// leaves the bitmap as it was.
class TDIBWriter : public TDIB {
public:
    // Raises "Unsupported PixelFormat" for formats other than pf8bit and pf24bit and "Invalid
    // image dimensions" for a zero width or height.
    TDIBWriter(TBitmap& bitmap, const TPalette* palette, int height, int width, TPixelFormat pixelFormat);

    // Line `index` (0 is the top line) of the picture being built; raises EInvalidGraphicOperation
    // "Scan line index out of range" outside the picture.
    uint8_t* Line(int index);
    // Loads the bitmap from the picture as a BMP file image, then frees the blocks.
    void Close();

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }

private:
    void CreateDIB();
    const TPalette* palette_;
    int width_;
    int height_;
    int lineBytes_ = 0;
    std::vector<uint8_t> header_;
    std::vector<uint8_t> pixels_;
};
