#include "widgets/KitCustomImageList.h"

int TKitCustomImageList::ImageCount(int listIndex) const
{
    return ImageExists(listIndex, 0) ? 1 : 0;
}

int TKitCustomImageList::ImageSize(int listIndex, int selector) const
{
    const QImage image = ImageCopy(listIndex, 0);
    return selector == 0 ? image.width() : image.height();
}

TRect TKitCustomImageList::ImageRect(int listIndex, int imageIndex) const
{
    const QImage image = ImageCopy(listIndex, imageIndex);
    return {0, 0, image.width(), image.height()};
}

TColor TKitCustomImageList::TransparentColor(int listIndex, int imageIndex) const
{
    const QImage image = ImageCopy(listIndex, imageIndex);
    return image.isNull() ? clWhite : FromQColor(image.pixelColor(0, image.height() - 1));
}

TColor TKitCustomImageList::Pixel(int listIndex, int imageIndex, int x, int y) const
{
    const QImage image = ImageCopy(listIndex, imageIndex);
    return image.valid(x, y) ? FromQColor(image.pixelColor(x, y)) : clNone;
}

void TKitCustomImageList::Draw(TCanvas& canvas, int x, int y, int listIndex, int imageIndex) const
{
    const QImage image = ImageCopy(listIndex, imageIndex);
    if (!image.isNull()) {
        canvas.Draw(x, y, image);
    }
}
