#include "platform/gui/Bitmap.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <cstring>
#include <string>

namespace {

QImage::Format QtFormat(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit:
        return QImage::Format_Mono;
    case TPixelFormat::pf8bit:
        return QImage::Format_Indexed8;
    case TPixelFormat::pf15bit:
        return QImage::Format_RGB555;
    case TPixelFormat::pf16bit:
        return QImage::Format_RGB16;
    case TPixelFormat::pf24bit:
        return QImage::Format_BGR888;
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf32bit:
        return QImage::Format_RGB32;
    case TPixelFormat::pf4bit:
    case TPixelFormat::pfCustom:
        break;
    }
    throw EInvalidGraphicOperation("Unsupported pixel format");
}

}  // namespace

void TBitmap::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TBitmap*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetImage(other->image_);
}

void TBitmap::SetSize(int width, int height)
{
    const QImage::Format format = image_.isNull() ? QImage::Format_RGB32 : image_.format();
    QImage image(width, height, format);
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono) {
        image.setColorTable(image_.isNull() ? QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} : image_.colorTable());
    }
    image.fill(0);
    SetImage(image);
}

TPixelFormat TBitmap::PixelFormat() const noexcept
{
    switch (image_.format()) {
    case QImage::Format_Invalid:
        return TPixelFormat::pfDevice;
    case QImage::Format_Mono:
        return TPixelFormat::pf1bit;
    case QImage::Format_Indexed8:
        return TPixelFormat::pf8bit;
    case QImage::Format_RGB555:
        return TPixelFormat::pf15bit;
    case QImage::Format_RGB16:
        return TPixelFormat::pf16bit;
    case QImage::Format_BGR888:
        return TPixelFormat::pf24bit;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return TPixelFormat::pf32bit;
    default:
        return TPixelFormat::pfCustom;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    const QImage::Format target = QtFormat(format);
    if (image_.isNull() || image_.format() == target) {
        return;
    }
    SetImage(image_.convertToFormat(target));
}

uint8_t* TBitmap::ScanLine(int row)
{
    if (row < 0 || row >= image_.height()) {
        throw EInvalidGraphicOperation("Scan line index out of range");
    }
    return image_.scanLine(row);
}

const uint8_t* TBitmap::ScanLine(int row) const
{
    if (row < 0 || row >= image_.height()) {
        throw EInvalidGraphicOperation("Scan line index out of range");
    }
    return image_.constScanLine(row);
}

TPalette TBitmap::Palette() const
{
    TPalette palette;
    for (const QRgb color : image_.colorTable()) {
        palette.push_back({static_cast<uint8_t>(qRed(color)), static_cast<uint8_t>(qGreen(color)),
                           static_cast<uint8_t>(qBlue(color)), 0});
    }
    return palette;
}

void TBitmap::SetPalette(const TPalette& palette)
{
    if (image_.format() != QImage::Format_Indexed8 && image_.format() != QImage::Format_Mono) {
        return;
    }
    QList<QRgb> table;
    for (const TPaletteEntry& entry : palette) {
        table.push_back(qRgb(entry.peRed, entry.peGreen, entry.peBlue));
    }
    image_.setColorTable(table);
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream)
{
    // The file header holds the size of the whole file image.
    unsigned char fileHeader[14];
    if (stream.Read(fileHeader, sizeof fileHeader) != static_cast<int64_t>(sizeof fileHeader) || fileHeader[0] != 'B' ||
        fileHeader[1] != 'M') {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i) {
        size |= static_cast<uint32_t>(fileHeader[2 + i]) << (8 * i);
    }
    if (size < sizeof fileHeader) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    std::string bytes(size, '\0');
    std::memcpy(bytes.data(), fileHeader, sizeof fileHeader);
    const int64_t rest = size - static_cast<int64_t>(sizeof fileHeader);
    if (stream.Read(bytes.data() + sizeof fileHeader, rest) != rest) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "BMP")) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    SetImage(image);
}

void TBitmap::SetImage(const QImage& image)
{
    image_ = image;
    Changed();
}

void TBitmap::Changed()
{
    if (OnChange) {
        OnChange(this);
    }
}
