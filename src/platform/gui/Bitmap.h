#pragma once
// Bitmaps: pictures whose pixels code reads and writes line by line at a chosen pixel format,
// and the palettes of their indexed formats.
//
// A TBitmap holds a QImage. Its pixel format names the layout of a scan line as the picture
// codecs expect it: pf1bit one bit a pixel, most significant bit first; pf8bit one palette
// index a pixel; pf15bit and pf16bit 16-bit words (5-5-5 and 5-6-5); pf24bit blue, green and
// red bytes; pf32bit blue, green, red and a fourth byte. There is no 4-bit layout: setting
// pf4bit (or pfCustom) is refused.
//
// Its canvas draws on the pixels themselves; an indexed bitmap becomes a 32-bit one when the
// canvas first draws on it. Drawing is finished before the pixels are read or changed any other
// way.

#include "platform/classes/Components.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Palette.h"

#include <QImage>

#include <cstdint>
#include <memory>

class TStream;

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmapCanvas;

class TBitmap : public TPersistent {
public:
    TBitmap();
    ~TBitmap() override;
    // A copy takes the pixels (drawing finished) and the change event; each bitmap keeps a
    // canvas of its own.
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    const char* ClassName() const noexcept override { return "TBitmap"; }
    void Assign(const TPersistent& source) override;

    int Width() const noexcept { return image_.width(); }
    int Height() const noexcept { return image_.height(); }
    bool Empty() const noexcept { return image_.isNull(); }
    // Resizes to `width` by `height` at the current pixel format (32 bits when empty); the new
    // picture is black (index 0).
    void SetSize(int width, int height);

    // pfDevice for an empty bitmap.
    TPixelFormat PixelFormat() const noexcept;
    // Converts the pixels to the format; raises EInvalidGraphicOperation "Unsupported pixel
    // format" for pf4bit and pfCustom.
    void SetPixelFormat(TPixelFormat format);

    // The bytes of line `row` (0 is the top line); raises EInvalidGraphicOperation "Scan line
    // index out of range" for a row outside the picture.
    uint8_t* ScanLine(int row);
    const uint8_t* ScanLine(int row) const;

    // The colour table of an indexed format (empty for the others).
    TPalette Palette() const;
    // Replaces the colour table of an indexed format; ignored for the others.
    void SetPalette(const TPalette& palette);

    // Reads a BMP file image from the stream's position; raises EInvalidGraphic "Bitmap image
    // is not valid" when the bytes are no BMP picture.
    void LoadFromStream(TStream& stream);
    // Writes the picture as a BMP file image at the stream's position (1 and 8 bits keep their
    // colour table; other formats are written with 24 bits); nothing for an empty bitmap.
    void SaveToStream(TStream& stream) const;

    const QImage& Image() const;
    void SetImage(const QImage& image);

    TCanvas& Canvas();

    TNotifyEvent OnChange;

private:
    friend class TBitmapCanvas;
    void Changed();
    // Ends the canvas's drawing, so that the pixels can be read or replaced.
    void FinishDrawing() const;
    QImage image_;
    std::unique_ptr<TBitmapCanvas> canvas_;
};
