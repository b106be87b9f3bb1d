#pragma once
// Pictures drawn through a canvas without a display, for the kit's drawing tests.

#include "platform/gui/Canvas.h"

#include <QImage>
#include <QPainter>

#include <functional>

inline QImage KitDrawn(int width, int height, TColor background, const std::function<void(TCanvas&)>& paint)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(ToQColor(background));
    QPainter painter(&picture);
    TCanvas canvas;
    TCanvasPaint scope(canvas, painter);
    paint(canvas);
    return picture;
}

inline TColor KitPixelAt(const QImage& picture, int x, int y)
{
    return FromQColor(picture.pixelColor(x, y));
}
