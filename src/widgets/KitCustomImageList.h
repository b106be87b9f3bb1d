#pragma once
// The common base of the kit's picture lists: controls address a picture by (list index,
// picture index) and hear of changes through a TKitChangeLink.

#include "widgets/KitBase.h"

#include <QImage>

class TKitCustomImageList : public TKitBaseController {
public:
    explicit TKitCustomImageList(TComponent* owner) : TKitBaseController(owner) {}
    const char* ClassName() const noexcept override { return "TKitCustomImageList"; }

    // True when the list holds the picture.
    virtual bool ImageExists(int listIndex, int imageIndex) const = 0;
    // A copy of the picture; a null image when there is none.
    virtual QImage ImageCopy(int listIndex, int imageIndex) const = 0;
};
