#pragma once
// Pictures drawn through a canvas without a display, for the kit's drawing tests.

#include "platform/gui/Canvas.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

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

// Compares the sheet with its golden picture in data/kit-graph byte for byte (pixels as 32-bit
// RGB); a sheet that differs is saved beside a difference picture in artifacts/. Set
// ZV_UPDATE_GOLDEN=1 to write the golden pictures again.
inline void ExpectGolden(const QImage& sheet, const std::string& name)
{
    const QString golden = QString::fromStdString(std::string(ZV_TEST_DATA_DIR) + "/kit-graph/" + name + ".png");
    if (std::getenv("ZV_UPDATE_GOLDEN") != nullptr) {
        QDir().mkpath(QFileInfo(golden).path());
        ASSERT_TRUE(sheet.save(golden));
    }
    QImage expected(golden);
    ASSERT_FALSE(expected.isNull()) << "no golden picture " << golden.toStdString();
    expected = expected.convertToFormat(QImage::Format_RGB32);
    const QImage actual = sheet.convertToFormat(QImage::Format_RGB32);
    bool same = expected.size() == actual.size();
    QImage difference(actual.size(), QImage::Format_RGB32);
    difference.fill(Qt::white);
    int differing = 0;
    for (int y = 0; same && y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            if (expected.pixel(x, y) != actual.pixel(x, y)) {
                difference.setPixel(x, y, qRgb(255, 0, 0));
                ++differing;
            }
        }
    }
    same = same && differing == 0;
    if (!same) {
        QDir().mkpath("artifacts");
        actual.save(QString::fromStdString("artifacts/" + name + "-actual.png"));
        difference.save(QString::fromStdString("artifacts/" + name + "-difference.png"));
    }
    EXPECT_TRUE(same) << name << ": " << differing << " pixels differ (size " << actual.width() << "x"
                      << actual.height() << " against " << expected.width() << "x" << expected.height()
                      << "); see artifacts/" << name << "-difference.png";
}
