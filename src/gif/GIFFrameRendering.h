#pragma once
// What a frame keeps for drawing: its bitmap and transparency mask, the same picture with the
// masked pixels transparent, and a palette set for it. Private to the GIF picture's files.

#include "platform/gui/Bitmap.h"

#include <QImage>

#include <memory>

struct TGIFFrameRendering {
    std::unique_ptr<TBitmap> bitmap;
    std::unique_ptr<TBitmap> mask;
    // The bitmap with alpha 0 where the mask is set; made on the first transparent drawing.
    QImage masked;
    TPalette palette;
    bool hasPalette = false;
};
