#include "platform/gui/Bitmap.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <QBuffer>
#include <QPainter>

#include <cstring>
#include <string>

// The canvas of a bitmap: opens a painter on the bitmap's picture when it first draws, and
// closes it when the bitmap's pixels are wanted otherwise.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}
    ~TBitmapCanvas() override { Finish(false); }
    const char* ClassName() const noexcept override { return "TCanvas"; }

    // Ends the drawing; `notify` tells the bitmap's owner that the pixels changed.
    void Finish(bool notify = true)
    {
        if (!painter_) {
            return;
        }
        SetPainter(nullptr);
        painter_->end();
        painter_.reset();
        if (notify) {
            bitmap_.Changed();
        }
    }

    QImage Grab(const TRect& rect) override
    {
        Finish();
        return bitmap_.image_.copy(rect.ToQRect());
    }

protected:
    bool BeginDrawing() override
    {
        if (painter_) {
            return true;
        }
        QImage& image = bitmap_.image_;
        if (image.isNull()) {
            return false;
        }
        // A painter draws on 32-bit pictures, not on indexed ones.
        if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono) {
            image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        }
        painter_ = std::make_unique<QPainter>(&image);
        SetPainter(painter_.get());
        return true;
    }

private:
    TBitmap& bitmap_;
    std::unique_ptr<QPainter> painter_;
};

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

uint32_t LittleEndian(const std::string& bytes, size_t at, size_t size)
{
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) {
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

// False for a BMP file image whose uncompressed pixel lines do not fit in the file: such a file
// is damaged, and its header could make the reader allocate and fill a huge picture.
bool PixelDataFits(const std::string& bytes)
{
    if (bytes.size() < 14 + 4) {
        return false;
    }
    const uint32_t pixelsAt = LittleEndian(bytes, 10, 4);
    const uint32_t headerSize = LittleEndian(bytes, 14, 4);
    uint64_t width = 0;
    uint64_t height = 0;
    uint32_t bits = 0;
    uint32_t compression = 0;
    if (headerSize == 12) {
        if (bytes.size() < 14 + 12) {
            return false;
        }
        width = LittleEndian(bytes, 18, 2);
        height = LittleEndian(bytes, 20, 2);
        bits = LittleEndian(bytes, 24, 2);
    } else if (headerSize >= 40) {
        if (bytes.size() < 14 + 40) {
            return false;
        }
        const int64_t signedWidth = static_cast<int32_t>(LittleEndian(bytes, 18, 4));
        const int64_t signedHeight = static_cast<int32_t>(LittleEndian(bytes, 22, 4));
        width = static_cast<uint64_t>(signedWidth < 0 ? -signedWidth : signedWidth);
        height = static_cast<uint64_t>(signedHeight < 0 ? -signedHeight : signedHeight);
        bits = LittleEndian(bytes, 28, 2);
        compression = LittleEndian(bytes, 30, 4);
    } else {
        return true;  // other header layouts are left to the reader
    }
    // Run-length coded pixels (1, 2) may legitimately be much smaller than the picture.
    if (compression != 0 && compression != 3) {
        return true;
    }
    const uint64_t lineSize = (width * bits + 31) / 32 * 4;
    if (pixelsAt > bytes.size()) {
        return false;
    }
    return lineSize == 0 || height <= (bytes.size() - pixelsAt) / lineSize;
}

}  // namespace

TBitmap::TBitmap() = default;

// The canvas's painter ends before the picture it draws on goes (members go in reverse order).
TBitmap::~TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other) : TPersistent(other), OnChange(other.OnChange), image_(other.Image()) {}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this != &other) {
        FinishDrawing();
        TPersistent::operator=(other);
        OnChange = other.OnChange;
        image_ = other.Image();
    }
    return *this;
}

void TBitmap::FinishDrawing() const
{
    if (canvas_) {
        canvas_->Finish();
    }
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(*this);
    }
    return *canvas_;
}

const QImage& TBitmap::Image() const
{
    FinishDrawing();
    return image_;
}

void TBitmap::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TBitmap*>(&source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetImage(other->Image());
}

void TBitmap::SetSize(int width, int height)
{
    FinishDrawing();
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
    FinishDrawing();
    if (image_.isNull() || image_.format() == target) {
        return;
    }
    SetImage(image_.convertToFormat(target));
}

uint8_t* TBitmap::ScanLine(int row)
{
    FinishDrawing();
    if (row < 0 || row >= image_.height()) {
        throw EInvalidGraphicOperation("Scan line index out of range");
    }
    return image_.scanLine(row);
}

const uint8_t* TBitmap::ScanLine(int row) const
{
    FinishDrawing();
    if (row < 0 || row >= image_.height()) {
        throw EInvalidGraphicOperation("Scan line index out of range");
    }
    return image_.constScanLine(row);
}

TPalette TBitmap::Palette() const
{
    FinishDrawing();
    TPalette palette;
    for (const QRgb color : image_.colorTable()) {
        palette.push_back({static_cast<uint8_t>(qRed(color)), static_cast<uint8_t>(qGreen(color)),
                           static_cast<uint8_t>(qBlue(color)), 0});
    }
    return palette;
}

void TBitmap::SetPalette(const TPalette& palette)
{
    FinishDrawing();
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
    // A size beyond the end of the stream is damage: refuse it before allocating it.
    if (size < sizeof fileHeader || size - sizeof fileHeader > static_cast<uint64_t>(stream.Size() - stream.Position())) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    std::string bytes(size, '\0');
    std::memcpy(bytes.data(), fileHeader, sizeof fileHeader);
    const int64_t rest = size - static_cast<int64_t>(sizeof fileHeader);
    if (stream.Read(bytes.data() + sizeof fileHeader, rest) != rest) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    QImage image;
    if (!PixelDataFits(bytes) ||
        !image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "BMP")) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    SetImage(image);
}

void TBitmap::SaveToStream(TStream& stream) const
{
    if (image_.isNull()) {
        return;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image_.save(&buffer, "BMP");
    stream.WriteBuffer(data.constData(), data.size());
}

void TBitmap::SetImage(const QImage& image)
{
    FinishDrawing();
    image_ = image;
    Changed();
}

void TBitmap::Changed()
{
    if (OnChange) {
        OnChange(this);
    }
}
