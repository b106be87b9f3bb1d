#include "widgets/KitStreamUtils.h"

#include "platform/rtl/Exceptions.h"
#include "widgets/KitLZRW.h"
#include "widgets/KitWave.h"

#include <QImage>

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <vector>

// ---- chunked streams ----

void KitCompressStream(TStream& source, TStream& dest, int64_t count)
{
    const int64_t totalAt = dest.Position();
    KitWriteInt(dest, 0);
    std::vector<uint8_t> input(static_cast<size_t>(std::clamp<int64_t>(count, 0, kitChunkSize)));
    std::vector<uint8_t> block(KitCompressBound(input.size()));
    int64_t total = 0;
    for (int64_t left = count; left > 0;) {
        const auto piece = static_cast<size_t>(std::min(left, kitChunkSize));
        source.ReadBuffer(input.data(), static_cast<int64_t>(piece));
        const size_t length = KitCompress(input.data(), block.data(), piece);
        KitWriteInt(dest, static_cast<int32_t>(length));
        dest.WriteBuffer(block.data(), static_cast<int64_t>(length));
        total += 4 + static_cast<int64_t>(length);
        left -= static_cast<int64_t>(piece);
    }
    const int64_t end = dest.Position();
    dest.SetPosition(totalAt);
    KitWriteInt(dest, static_cast<int32_t>(total));
    dest.SetPosition(end);
}

void KitDecompressStream(TStream& source, TStream& dest)
{
    int64_t left = KitReadInt(source);
    std::vector<uint8_t> block;
    std::vector<uint8_t> output(static_cast<size_t>(kitChunkSize));
    while (left > 0) {
        const int64_t length = KitReadInt(source) & 0xFFFF;
        if (4 + length > left) {
            throw EReadError("LZRW Error! The compressed data is damaged.");
        }
        block.resize(static_cast<size_t>(length));
        source.ReadBuffer(block.data(), length);
        const size_t restored = KitDecompress(block.data(), output.data(), block.size(), output.size());
        dest.WriteBuffer(output.data(), static_cast<int64_t>(restored));
        left -= 4 + length;
    }
}

// ---- typed reads and writes ----

void KitWriteInt(TStream& stream, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
                              static_cast<uint8_t>(bits >> 24)};
    stream.WriteBuffer(bytes, 4);
}

int32_t KitReadInt(TStream& stream)
{
    uint8_t bytes[4];
    stream.ReadBuffer(bytes, 4);
    return static_cast<int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
}

void KitWriteByte(TStream& stream, uint8_t value)
{
    stream.WriteBuffer(&value, 1);
}

uint8_t KitReadByte(TStream& stream)
{
    uint8_t value = 0;
    stream.ReadBuffer(&value, 1);
    return value;
}

void KitWriteShortString(TStream& stream, std::string_view text)
{
    const std::string_view kept = text.substr(0, 255);
    KitWriteByte(stream, static_cast<uint8_t>(kept.size()));
    stream.WriteBuffer(kept.data(), static_cast<int64_t>(kept.size()));
}

std::string KitReadShortString(TStream& stream)
{
    return KitReadBytes(stream, KitReadByte(stream));
}

std::string KitReadBytes(TStream& stream, int64_t length)
{
    if (length < 0 || length > stream.Size() - stream.Position()) {
        throw EReadError("Stream read error");
    }
    std::string bytes(static_cast<size_t>(length), '\0');
    stream.ReadBuffer(bytes.data(), length);
    return bytes;
}

namespace {

// Writes what `memory` holds as a chunked stream or as Int32 length and the bytes.
void SaveBlock(TStream& stream, TMemoryStream& memory, bool compressed)
{
    const int64_t size = memory.Size();
    if (compressed) {
        memory.SetPosition(0);
        KitCompressStream(memory, stream, size);
    } else {
        KitWriteInt(stream, static_cast<int32_t>(size));
        stream.WriteBuffer(memory.Memory(), size);
    }
}

// Reads what SaveBlock wrote into `memory`, positioned at its start.
void LoadBlock(TStream& stream, TMemoryStream& memory, bool compressed)
{
    memory.Clear();
    if (compressed) {
        KitDecompressStream(stream, memory);
    } else {
        const std::string bytes = KitReadBytes(stream, KitReadInt(stream));
        memory.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    memory.SetPosition(0);
}

}  // namespace

// ---- string lists ----

void KitSaveStringList(TStream& stream, const TStrings& list, bool compressed)
{
    TMemoryStream memory;
    list.SaveToStream(memory);
    SaveBlock(stream, memory, compressed);
}

void KitLoadStringList(TStream& stream, TStrings& list, bool compressed)
{
    TMemoryStream memory;
    LoadBlock(stream, memory, compressed);
    list.LoadFromStream(memory);
}

// ---- bitmaps ----

void KitSaveBitmap(TStream& stream, const TBitmap& bitmap, bool compressed, int format)
{
    TMemoryStream memory;
    if (format == kitFormatLibrary) {
        if (bitmap.Empty()) {
            throw EInvalidGraphic("Bitmap image is not valid");
        }
        bitmap.SaveToStream(memory);
    } else {
        KitWriteBitmapFile(memory, bitmap, format);
    }
    SaveBlock(stream, memory, compressed);
}

void KitLoadBitmap(TStream& stream, TBitmap& bitmap, bool compressed)
{
    TMemoryStream memory;
    LoadBlock(stream, memory, compressed);
    bitmap.LoadFromStream(memory);
}

namespace {

// The colour table of a bitmap file with 1, 4 or 8 bits and the mapping of the picture's
// pixels to its entries.
class TColourTable {
public:
    TColourTable(const QImage& image, int bits)
    {
        const size_t size = size_t{1} << bits;
        const QList<QRgb> own = image.colorTable();
        useIndexes_ = (image.format() == QImage::Format_Mono || image.format() == QImage::Format_Indexed8) &&
                      static_cast<size_t>(own.size()) <= size;
        if (useIndexes_) {
            colours_.assign(own.begin(), own.end());
        } else if (bits == 1) {
            colours_ = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        } else {
            colours_ = {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
                        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
                        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
        }
        if (bits == 8 && !useIndexes_) {
            // The 16 standard colours, a 6 x 6 x 6 colour cube and a ramp of 24 greys.
            for (int red = 0; red < 6; ++red) {
                for (int green = 0; green < 6; ++green) {
                    for (int blue = 0; blue < 6; ++blue) {
                        colours_.push_back(qRgb(red * 51, green * 51, blue * 51));
                    }
                }
            }
            for (int grey = 1; grey <= 24; ++grey) {
                const int level = grey * 255 / 25;
                colours_.push_back(qRgb(level, level, level));
            }
        }
        colours_.resize(size, qRgb(0, 0, 0));
    }

    const std::vector<QRgb>& Colours() const noexcept { return colours_; }

    unsigned IndexAt(const QImage& image, int x, int y)
    {
        if (useIndexes_) {
            return static_cast<unsigned>(image.pixelIndex(x, y));
        }
        const QRgb colour = image.pixel(x, y) | 0xFF000000u;
        auto found = nearest_.find(colour);
        if (found == nearest_.end()) {
            found = nearest_.emplace(colour, Nearest(colour)).first;
        }
        return found->second;
    }

private:
    unsigned Nearest(QRgb colour) const
    {
        unsigned best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (size_t i = 0; i < colours_.size(); ++i) {
            const int red = qRed(colour) - qRed(colours_[i]);
            const int green = qGreen(colour) - qGreen(colours_[i]);
            const int blue = qBlue(colour) - qBlue(colours_[i]);
            const int distance = red * red + green * green + blue * blue;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<unsigned>(i);
            }
        }
        return best;
    }

    std::vector<QRgb> colours_;
    bool useIndexes_ = false;
    std::unordered_map<QRgb, unsigned> nearest_;
};

void PutWord(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLong(std::vector<uint8_t>& bytes, uint32_t value)
{
    PutWord(bytes, static_cast<uint16_t>(value));
    PutWord(bytes, static_cast<uint16_t>(value >> 16));
}

int BitsOfFormat(int format)
{
    switch (format) {
    case kitFormatMonochrome:
        return 1;
    case kitFormat16Colors:
        return 4;
    case kitFormat256Colors:
        return 8;
    default:
        // The device depth of this system is 24 or 32 bits; 16 and 32 bits are written as 24.
        return 24;
    }
}

}  // namespace

void KitWriteBitmapFile(TStream& stream, const TBitmap& bitmap, int format)
{
    if (bitmap.Empty()) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    const QImage& image = bitmap.Image();
    const int bits = bitmap.PixelFormat() == TPixelFormat::pf1bit ? 1 : BitsOfFormat(format);
    const int width = image.width();
    const int height = image.height();
    const uint32_t lineSize = (static_cast<uint32_t>(width) * static_cast<uint32_t>(bits) + 31) / 32 * 4;
    const uint32_t imageSize = static_cast<uint32_t>(height) * lineSize;
    const uint32_t tableSize = bits == 24 ? 0 : (4u << bits);
    const uint32_t pixelsAt = 14 + 40 + tableSize;

    std::vector<uint8_t> bytes;
    bytes.reserve(pixelsAt + imageSize);
    PutWord(bytes, 0x4D42);
    PutLong(bytes, pixelsAt + imageSize);
    PutWord(bytes, 0);
    PutWord(bytes, 0);
    PutLong(bytes, pixelsAt);
    PutLong(bytes, 40);
    PutLong(bytes, static_cast<uint32_t>(width));
    PutLong(bytes, static_cast<uint32_t>(height));
    PutWord(bytes, 1);
    PutWord(bytes, static_cast<uint16_t>(bits));
    PutLong(bytes, 0);
    PutLong(bytes, imageSize);
    for (int i = 0; i < 4; ++i) {
        PutLong(bytes, 0);
    }

    if (bits == 24) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = height - 1; y >= 0; --y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            const size_t start = bytes.size();
            for (int x = 0; x < width; ++x) {
                bytes.push_back(static_cast<uint8_t>(qBlue(line[x])));
                bytes.push_back(static_cast<uint8_t>(qGreen(line[x])));
                bytes.push_back(static_cast<uint8_t>(qRed(line[x])));
            }
            bytes.resize(start + lineSize, 0);
        }
    } else {
        TColourTable table(image, bits);
        for (const QRgb colour : table.Colours()) {
            bytes.push_back(static_cast<uint8_t>(qBlue(colour)));
            bytes.push_back(static_cast<uint8_t>(qGreen(colour)));
            bytes.push_back(static_cast<uint8_t>(qRed(colour)));
            bytes.push_back(0);
        }
        const int perByte = 8 / bits;
        for (int y = height - 1; y >= 0; --y) {
            const size_t start = bytes.size();
            bytes.resize(start + lineSize, 0);
            for (int x = 0; x < width; ++x) {
                const unsigned index = table.IndexAt(image, x, y);
                const int shift = 8 - bits * (x % perByte + 1);
                bytes[start + static_cast<size_t>(x / perByte)] |= static_cast<uint8_t>(index << shift);
            }
        }
    }
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// ---- waves ----

void KitSaveWave(TStream& stream, const TKitWave& wave, bool compressed)
{
    if (compressed) {
        wave.SaveCompressed(stream);
    } else {
        wave.SaveSized(stream);
    }
}

void KitLoadWave(TStream& stream, TKitWave& wave, bool compressed)
{
    if (compressed) {
        wave.LoadCompressed(stream);
    } else {
        wave.LoadSized(stream);
    }
}
