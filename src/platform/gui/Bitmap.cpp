#include "platform/gui/Bitmap.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

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

}  // namespace

TBitmap::TBitmap() = default;

// The canvas's painter ends before the picture it draws on goes (members go in reverse order).
TBitmap::~TBitmap() = default;

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
