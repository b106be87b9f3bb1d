#include "widgets/KitImageList.h"

#include "platform/rtl/Exceptions.h"
#include "widgets/KitGraph.h"
#include "widgets/KitStreamUtils.h"

#include <QPainter>

#include <algorithm>

namespace {

[[noreturn]] void InvalidImageSize()
{
    throw EInvalidGraphicOperation("Invalid image size");
}

[[noreturn]] void TooManyImages()
{
    throw EInvalidGraphicOperation("Too many images");
}

// A mask as black and white pixels: anything lighter than middle grey counts as white.
QImage Monochrome(const QImage& image)
{
    return image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TKitImageListItem::TKitImageListItem(TComponent* owner) : TKitListItem(owner) {}

void TKitImageListItem::Assign(const TPersistent& source)
{
    const auto* item = dynamic_cast<const TKitImageListItem*>(&source);
    if (item == nullptr) {
        TKitListItem::Assign(source);
        return;
    }
    TKitListItem::Assign(source);
    width_ = item->width_;
    height_ = item->height_;
    allocBy_ = item->allocBy_;
    masked_ = item->masked_;
    pixelFormat_ = item->pixelFormat_;
    bkColor_ = item->bkColor_;
    blendColor_ = item->blendColor_;
    drawStyle_ = item->drawStyle_;
    imageType_ = item->imageType_;
    Clear();
    AddItem(*item);
}

void TKitImageListItem::SetWidth(int value)
{
    if (value < 1) InvalidImageSize();
    if (value == width_) return;
    width_ = value;
    Clear();
    Change();
}

void TKitImageListItem::SetHeight(int value)
{
    if (value < 1) InvalidImageSize();
    if (value == height_) return;
    height_ = value;
    Clear();
    Change();
}

void TKitImageListItem::SetMasked(bool value)
{
    if (value == masked_) return;
    masked_ = value;
    if (masked_) {
        mask_ = QImage(image_.size(), QImage::Format_RGB32);
        mask_.fill(Qt::black);
    } else {
        mask_ = QImage();
    }
    for (Picture& picture : pictures_) {
        picture.masked = false;
    }
    Change();
}

void TKitImageListItem::Clear()
{
    image_ = QImage();
    mask_ = QImage();
    usedWidth_ = 0;
    pictures_.clear();
}

uint8_t TKitImageListItem::GetFlags() const
{
    return TKitListItem::GetFlags() | KitPixelFormatFlag(pixelFormat_);
}

const TKitImageListItem::Picture& TKitImageListItem::PictureAt(int index) const
{
    if (index < 0 || index >= Count()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return pictures_[static_cast<size_t>(index)];
}

int TKitImageListItem::Reserve()
{
    if (usedWidth_ + width_ > image_.width()) {
        const int capacity = image_.width() + allocBy_ * width_;
        if (capacity > kitMaxStripWidth) TooManyImages();
        QImage grown(capacity, height_, QImage::Format_RGB32);
        grown.fill(Qt::black);
        if (!image_.isNull()) CopyInto(grown, 0, image_);
        image_ = grown;
        if (masked_) {
            QImage grownMask(capacity, height_, QImage::Format_RGB32);
            grownMask.fill(Qt::black);
            if (!mask_.isNull()) CopyInto(grownMask, 0, mask_);
            mask_ = grownMask;
        }
    }
    const int x = usedWidth_;
    usedWidth_ += width_;
    return x;
}

void TKitImageListItem::CheckPicture(const TBitmap& bitmap) const
{
    if (bitmap.Height() != height_ || bitmap.Width() < width_ || bitmap.Width() % width_ != 0) {
        InvalidImageSize();
    }
}

void TKitImageListItem::CopyInto(QImage& strip, int x, const QImage& source) const
{
    QPainter painter(&strip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(x, 0), source.convertToFormat(QImage::Format_RGB32));
}

int TKitImageListItem::Add(const TBitmap* image, const TBitmap* mask)
{
    if (image != nullptr) CheckPicture(*image);
    if (masked_ && mask != nullptr) CheckPicture(*mask);
    const int x = Reserve();
    pictures_.push_back({static_cast<uint16_t>(x), false});
    const int index = Count() - 1;
    if (image != nullptr) {
        Replace(index, *image, mask);
    } else {
        Change();
    }
    return index;
}

void TKitImageListItem::Replace(int index, const TBitmap& image, const TBitmap* mask)
{
    PictureAt(index);
    Picture& picture = pictures_[static_cast<size_t>(index)];
    CopyInto(image_, picture.x, image.Image().copy(0, 0, width_, height_));
    if (masked_) {
        if (mask != nullptr && !mask->Empty()) {
            CopyInto(mask_, picture.x, Monochrome(mask->Image().copy(0, 0, width_, height_)));
            picture.masked = true;
        } else {
            QPainter painter(&mask_);
            painter.fillRect(picture.x, 0, width_, height_, Qt::black);
            picture.masked = false;
        }
    }
    Change();
}

void TKitImageListItem::ReplaceMasked(int index, const TBitmap& image, TColor transparentColour)
{
    if (!masked_) {
        Replace(index, image);
        return;
    }
    TBitmap picture;
    picture.SetImage(image.Image());
    TBitmap mask;
    KitCreateMaskFromBitmap(picture, mask, transparentColour);
    Replace(index, picture, &mask);
}

void TKitImageListItem::Delete(int index)
{
    const int x = PictureAt(index).x;
    const int tail = usedWidth_ - x - width_;
    if (tail > 0) {
        CopyInto(image_, x, image_.copy(x + width_, 0, tail, height_));
        if (masked_) CopyInto(mask_, x, mask_.copy(x + width_, 0, tail, height_));
    }
    usedWidth_ -= width_;
    pictures_.erase(pictures_.begin() + index);
    for (size_t i = static_cast<size_t>(index); i < pictures_.size(); ++i) {
        pictures_[i].x = static_cast<uint16_t>(pictures_[i].x - width_);
    }
    Change();
}

void TKitImageListItem::AddItem(const TKitImageListItem& other)
{
    if (other.width_ != width_ || other.height_ != height_) InvalidImageSize();
    if (other.Count() == 0) return;
    if (usedWidth_ + other.usedWidth_ > kitMaxStripWidth) TooManyImages();
    // Copies first, so that adding an item to itself reads what was there before.
    const QImage pictures = other.image_.copy(0, 0, other.usedWidth_, height_);
    const QImage masks = other.masked_ ? other.mask_.copy(0, 0, other.usedWidth_, height_) : QImage();
    const std::vector<Picture> table = other.pictures_;
    const int start = usedWidth_;
    QImage grown(std::max(image_.width(), start + pictures.width()), height_, QImage::Format_RGB32);
    grown.fill(Qt::black);
    if (!image_.isNull()) CopyInto(grown, 0, image_);
    CopyInto(grown, start, pictures);
    image_ = grown;
    if (masked_) {
        QImage grownMask(grown.size(), QImage::Format_RGB32);
        grownMask.fill(Qt::black);
        if (!mask_.isNull()) CopyInto(grownMask, 0, mask_);
        if (!masks.isNull()) CopyInto(grownMask, start, masks);
        mask_ = grownMask;
    }
    usedWidth_ = start + pictures.width();
    for (const Picture& picture : table) {
        pictures_.push_back({static_cast<uint16_t>(start + picture.x), masked_ && !masks.isNull() && picture.masked});
    }
    Change();
}

TRect TKitImageListItem::ImageRect(int index) const
{
    const int x = PictureAt(index).x;
    return {x, 0, x + width_, height_};
}

bool TKitImageListItem::PictureMasked(int index) const
{
    return PictureAt(index).masked;
}

TColor TKitImageListItem::TransparentColor(int index) const
{
    return FromQColor(image_.pixelColor(PictureAt(index).x, height_ - 1));
}

TColor TKitImageListItem::Pixel(int index, int x, int y) const
{
    const int left = PictureAt(index).x;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return clNone;
    return FromQColor(image_.pixelColor(left + x, y));
}

QImage TKitImageListItem::ImageCopy(int index) const
{
    return image_.copy(PictureAt(index).x, 0, width_, height_);
}

void TKitImageListItem::Draw(TCanvas& canvas, int x, int y, int index) const
{
    const Picture& picture = PictureAt(index);
    QPainter* painter = canvas.Painter();
    if (painter == nullptr) return;
    const QRect source(picture.x, 0, width_, height_);
    painter->save();
    if (!masked_ || !picture.masked || imageType_ == 1) {
        painter->drawImage(QPoint(x, y), imageType_ == 1 && masked_ ? mask_ : image_, source);
        painter->restore();
        return;
    }
    const QRect target(x, y, width_, height_);
    if (drawStyle_ != 3 && bkColor_ != clNone) {
        painter->fillRect(target, ToQColor(bkColor_));
    }
    painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter->drawImage(QPoint(x, y), mask_, source);
    painter->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter->drawImage(QPoint(x, y), image_, source);
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (drawStyle_ <= 1 && blendColor_ != clNone) {
        for (int row = 0; row < height_; ++row) {
            for (int column = 0; column < width_; ++column) {
                const bool blend = drawStyle_ == 0 ? (column % 2 == 0 || row % 2 == 0) : (column % 2 != row % 2);
                if (blend) canvas.SetPixel(x + column, y + row, blendColor_);
            }
        }
    }
    painter->restore();
}

void TKitImageListItem::DrawRect(TCanvas& canvas, const TRect& rect, int index, int32_t clipOffset, unsigned flags) const
{
    TBitmap picture;
    picture.SetImage(ImageCopy(index));
    if (masked_ && PictureAt(index).masked) {
        TBitmap mask;
        mask.SetImage(mask_.copy(PictureAt(index).x, 0, width_, height_));
        KitDrawBitmapClipped(canvas, rect, picture, clNone, clipOffset, flags | kitFillMask, &mask);
    } else {
        KitDrawBitmapClipped(canvas, rect, picture, TransparentColor(index), clipOffset, flags | kitFillTransparentColor);
    }
}

void TKitImageListItem::LoadData(TStream& stream, uint8_t flags)
{
    const int height = KitReadInt(stream);
    const int width = KitReadInt(stream);
    const int allocBy = KitReadInt(stream);
    const bool masked = KitReadByte(stream) != 0;
    const int count = KitReadInt(stream);
    if (width < 1 || height < 1 || width > kitMaxStripWidth || height > kitMaxStripWidth || count < 0 ||
        count > kitMaxStripWidth / width) {
        InvalidImageSize();
    }
    QImage image;
    QImage mask;
    if (count > 0) {
        TBitmap strip;
        KitLoadBitmap(stream, strip, (flags & kitItemCompressed) != 0);
        if (strip.Height() != height || strip.Width() < count * width) InvalidImageSize();
        image = strip.Image().convertToFormat(QImage::Format_RGB32).copy(0, 0, count * width, height);
        if (masked) {
            TBitmap maskStrip;
            KitLoadBitmap(stream, maskStrip, (flags & kitItemCompressed) != 0);
            if (maskStrip.Height() != height || maskStrip.Width() < count * width) InvalidImageSize();
            mask = Monochrome(maskStrip.Image().copy(0, 0, count * width, height));
        }
    }
    pixelFormat_ = KitPixelFormatOfFlags(flags);
    width_ = width;
    height_ = height;
    allocBy_ = std::max(allocBy, 1);
    masked_ = masked;
    image_ = image;
    mask_ = mask;
    usedWidth_ = count * width;
    pictures_.clear();
    for (int i = 0; i < count; ++i) {
        pictures_.push_back({static_cast<uint16_t>(i * width), masked});
    }
}

void TKitImageListItem::SaveData(TStream& stream) const
{
    KitWriteInt(stream, height_);
    KitWriteInt(stream, width_);
    KitWriteInt(stream, allocBy_);
    KitWriteByte(stream, masked_ ? 1 : 0);
    KitWriteInt(stream, Count());
    if (Count() == 0) return;
    TBitmap strip;
    strip.SetImage(image_.copy(0, 0, usedWidth_, height_));
    KitSaveBitmap(stream, strip, Compressed(), KitSavePixelFormatCode(pixelFormat_));
    if (masked_) {
        TBitmap maskStrip;
        maskStrip.SetImage(mask_.copy(0, 0, usedWidth_, height_));
        KitSaveBitmap(stream, maskStrip, Compressed(), kitFormatMonochrome);
    }
}

// ---- TKitImageList ----

const TKitImageListItem* TKitImageList::ItemAt(int listIndex) const
{
    return listIndex >= 0 && listIndex < Count() ? Items(listIndex) : nullptr;
}

bool TKitImageList::ImageExists(int listIndex, int imageIndex) const
{
    const TKitImageListItem* item = ItemAt(listIndex);
    return item != nullptr && imageIndex >= 0 && imageIndex < item->Count();
}

QImage TKitImageList::ImageCopy(int listIndex, int imageIndex) const
{
    return ImageExists(listIndex, imageIndex) ? ItemAt(listIndex)->ImageCopy(imageIndex) : QImage();
}

int TKitImageList::ImageCount(int listIndex) const
{
    const TKitImageListItem* item = ItemAt(listIndex);
    return item != nullptr ? item->Count() : -1;
}

int TKitImageList::ImageSize(int listIndex, int selector) const
{
    const TKitImageListItem* item = ItemAt(listIndex);
    if (item == nullptr) return 0;
    return selector == 0 ? item->Width() : item->Height();
}

TRect TKitImageList::ImageRect(int listIndex, int imageIndex) const
{
    return ImageExists(listIndex, imageIndex) ? ItemAt(listIndex)->ImageRect(imageIndex) : TRect{};
}

TColor TKitImageList::TransparentColor(int listIndex, int imageIndex) const
{
    return ImageExists(listIndex, imageIndex) ? ItemAt(listIndex)->TransparentColor(imageIndex) : clWhite;
}

TColor TKitImageList::Pixel(int listIndex, int imageIndex, int x, int y) const
{
    return ImageExists(listIndex, imageIndex) ? ItemAt(listIndex)->Pixel(imageIndex, x, y) : clNone;
}

void TKitImageList::Draw(TCanvas& canvas, int x, int y, int listIndex, int imageIndex) const
{
    if (ImageExists(listIndex, imageIndex)) ItemAt(listIndex)->Draw(canvas, x, y, imageIndex);
}

bool TKitImageList::Masked(int listIndex) const
{
    const TKitImageListItem* item = ItemAt(listIndex);
    return item != nullptr && item->Masked();
}

void TKitImageList::DrawRect(TCanvas& canvas, const TRect& rect, int listIndex, int imageIndex, int32_t clipOffset,
                             unsigned flags) const
{
    if (ImageExists(listIndex, imageIndex)) ItemAt(listIndex)->DrawRect(canvas, rect, imageIndex, clipOffset, flags);
}

bool TKitImageList::AcceptsItem(const TKitListItem& item) const
{
    return dynamic_cast<const TKitImageListItem*>(&item) != nullptr;
}

void TKitImageList::PrepareItem(TKitListItem& item) const
{
    TKitCustomImageList::PrepareItem(item);
    static_cast<TKitImageListItem&>(item).SetPixelFormat(defaultPixelFormat_);
}

void TKitImageList::AssignSettings(const TKitCustomContainer& source)
{
    TKitCustomImageList::AssignSettings(source);
    if (const auto* list = dynamic_cast<const TKitImageList*>(&source)) {
        defaultPixelFormat_ = list->defaultPixelFormat_;
    }
}
