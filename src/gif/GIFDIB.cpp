#include "gif/GIFDIB.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

void PutLong(std::vector<uint8_t>& block, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        block[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}

int BitsOf(TPixelFormat format)
{
    return format == TPixelFormat::pf8bit ? 8 : 24;
}

}  // namespace

TDIBReader::TDIBReader(TBitmap& bitmap, TPixelFormat pixelFormat) : TDIB(bitmap, pixelFormat)
{
    bitmap.SetPixelFormat(pixelFormat);
}

TDIBWriter::TDIBWriter(TBitmap& bitmap, const TPalette* palette, int height, int width, TPixelFormat pixelFormat)
    : TDIB(bitmap, pixelFormat), palette_(palette), width_(width), height_(height)
{
    if (pixelFormat != TPixelFormat::pf8bit && pixelFormat != TPixelFormat::pf24bit) {
        RaiseGifError("Unsupported PixelFormat");
    }
    if (width <= 0 || height <= 0) {
        RaiseGifError("Invalid image dimensions");
    }
}

void TDIBWriter::CreateDIB()
{
    const int bits = BitsOf(pixelFormat_);
    lineBytes_ = RowBytes(width_, bits, 32);
    // The 40-byte info header, and for 8 bits the 256-entry colour table (blue, green, red, 0).
    const size_t headerSize = bits == 8 ? 40 + 1024 : 40;
    header_.assign(headerSize, 0);
    PutLong(header_, 0, 40);
    PutLong(header_, 4, static_cast<uint32_t>(width_));
    PutLong(header_, 8, static_cast<uint32_t>(height_));  // positive: lines stored bottom-up
    header_[12] = 1;                                      // planes
    header_[14] = static_cast<uint8_t>(bits);
    if (bits == 8) {
        const size_t count = palette_ != nullptr ? std::min<size_t>(palette_->size(), 256) : 0;
        PutLong(header_, 32, 256);
        PutLong(header_, 36, static_cast<uint32_t>(count));
        for (size_t i = 0; i < count; ++i) {
            const TPaletteEntry& entry = (*palette_)[i];
            header_[40 + 4 * i] = entry.peBlue;
            header_[40 + 4 * i + 1] = entry.peGreen;
            header_[40 + 4 * i + 2] = entry.peRed;
        }
    }
    try {
        pixels_.assign(static_cast<size_t>(lineBytes_) * static_cast<size_t>(height_), 0);
    } catch (const std::bad_alloc&) {
        header_.clear();
        throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    }
}

uint8_t* TDIBWriter::Line(int index)
{
    if (pixels_.empty()) {
        CreateDIB();
    }
    if (index < 0 || index >= height_) {
        throw EInvalidGraphicOperation("Scan line index out of range");
    }
    return pixels_.data() + static_cast<size_t>(height_ - 1 - index) * static_cast<size_t>(lineBytes_);
}

void TDIBWriter::Close()
{
    if (pixels_.empty()) {
        return;
    }
    // A BMP file image: the 14-byte file header, the info header block, the pixel block.
    const size_t offset = 14 + header_.size();
    std::vector<uint8_t> file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLong(file, 2, static_cast<uint32_t>(offset + pixels_.size()));
    PutLong(file, 10, static_cast<uint32_t>(offset));
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
    stream.WriteBuffer(header_.data(), static_cast<int64_t>(header_.size()));
    stream.WriteBuffer(pixels_.data(), static_cast<int64_t>(pixels_.size()));
    header_.clear();
    pixels_.clear();
    stream.SetPosition(0);
    bitmap_.LoadFromStream(stream);
}
