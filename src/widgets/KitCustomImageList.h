#pragma once
// The common base of the kit's picture lists: controls address a picture by (list index,
// picture index) and hear of changes through a TKitChangeLink. A bitmap list holds one
// picture per item; an image list a strip of pictures per item.

#include "platform/gui/Canvas.h"
#include "platform/gui/Graphics.h"
#include "widgets/KitCustomContainer.h"

#include <QImage>

class TKitCustomImageList : public TKitCustomContainer {
public:
    explicit TKitCustomImageList(TComponent* owner, TKitListKind kind = TKitListKind::lkImage)
        : TKitCustomContainer(owner, kind)
    {
    }
    const char* ClassName() const noexcept override { return "TKitCustomImageList"; }

    // True when the list holds the picture.
    virtual bool ImageExists(int listIndex, int imageIndex) const = 0;
    // A copy of the picture; a null image when there is none.
    virtual QImage ImageCopy(int listIndex, int imageIndex) const = 0;

    // The operations below answer from ImageCopy unless a list has a quicker way.
    // Pictures in the item (1 or 0 here).
    virtual int ImageCount(int listIndex) const;
    // Width (selector 0) or height (selector 1) of the item's pictures; 0 for a missing item.
    virtual int ImageSize(int listIndex, int selector) const;
    // (0, 0, width, height) of the picture; empty for a missing one.
    virtual TRect ImageRect(int listIndex, int imageIndex) const;
    // The colour of the picture's bottom-left pixel; white for a missing picture.
    virtual TColor TransparentColor(int listIndex, int imageIndex) const;
    // The colour at (x, y) of the picture; clNone outside it.
    virtual TColor Pixel(int listIndex, int imageIndex, int x, int y) const;
    // Draws the picture with its top-left corner at (x, y); nothing for a missing one.
    virtual void Draw(TCanvas& canvas, int x, int y, int listIndex, int imageIndex) const;
};
