// The kit's frames, edges and gradient fills, drawn into pictures without a display. Whole
// sheets are compared pixel for pixel with golden pictures in data/kit-graph (made by this
// code and checked by eye); a sheet that differs is saved beside a difference picture in
// artifacts/. Set ZV_UPDATE_GOLDEN=1 to write the golden pictures again.

#include "GuiTestSupport.h"
#include "KitCanvasTestSupport.h"

#include "platform/gui/DrawEdge.h"
#include "widgets/KitGraph.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr TColor sheetBackground = 0xFF00FF;  // magenta: shows any pixel left or spilt

QImage Draw(int width, int height, const std::function<void(TCanvas&)>& paint, TColor background = sheetBackground)
{
    return KitDrawn(width, height, background, paint);
}

TColor PixelAt(const QImage& picture, int x, int y)
{
    return KitPixelAt(picture, x, y);
}

const std::vector<TKitBorderStyle> allBorderStyles = {
    TKitBorderStyle::lsNone,          TKitBorderStyle::lsSingle,       TKitBorderStyle::lsLowered,
    TKitBorderStyle::lsRaised,        TKitBorderStyle::lsRaisedspb,    TKitBorderStyle::lsLoweredspb,
    TKitBorderStyle::lsRaisedExt,     TKitBorderStyle::lsLoweredExt,   TKitBorderStyle::lsFrameInset,
    TKitBorderStyle::lsFrameOffset,   TKitBorderStyle::lsWindowBorder, TKitBorderStyle::lsSingleRaised,
    TKitBorderStyle::lsSingleLowered, TKitBorderStyle::lsDoubleRaised, TKitBorderStyle::lsDoubleLowered,
};

const std::vector<TKitGradientStyle> allGradientStyles = {
    TKitGradientStyle::gstHorizontal, TKitGradientStyle::gstVertical,          TKitGradientStyle::gstSquare,
    TKitGradientStyle::gstElliptic,   TKitGradientStyle::gstTopLeft,           TKitGradientStyle::gstTopRight,
    TKitGradientStyle::gstBottomLeft, TKitGradientStyle::gstBottomRight,       TKitGradientStyle::gstTopLeftDiagonal,
    TKitGradientStyle::gstTopRightDiagonal,
};

TEST(KitDrawEdge, LinesTakeTheFourColoursAndTheBottomRightOwnsItsCorners)
{
    // A 6 x 6 sunken edge: outer shadow / highlight, inner dark shadow / light.
    TRect rect{0, 0, 6, 6};
    const QImage sunken = Draw(6, 6, [&](TCanvas& canvas) { DrawEdge(canvas, rect, EDGE_SUNKEN, BF_RECT | BF_ADJUST); });
    EXPECT_EQ(rect, (TRect{2, 2, 4, 4}));
    EXPECT_EQ(PixelAt(sunken, 0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelAt(sunken, 5, 0), ColorToRGB(clBtnHighlight));  // top-right corner: the right line
    EXPECT_EQ(PixelAt(sunken, 0, 5), ColorToRGB(clBtnHighlight));  // bottom-left corner: the bottom line
    EXPECT_EQ(PixelAt(sunken, 1, 1), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(PixelAt(sunken, 4, 4), ColorToRGB(cl3DLight));
    EXPECT_EQ(PixelAt(sunken, 2, 2), sheetBackground);  // the middle stays

    // Soft swaps the top-left colours of the outer and inner raised lines; the middle is filled
    // on request; without BF_ADJUST the rectangle stays.
    TRect raised{0, 0, 6, 6};
    const QImage soft = Draw(6, 6, [&](TCanvas& canvas) { DrawEdge(canvas, raised, EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE); });
    EXPECT_EQ(raised, (TRect{0, 0, 6, 6}));
    EXPECT_EQ(PixelAt(soft, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelAt(soft, 1, 1), ColorToRGB(cl3DLight));
    EXPECT_EQ(PixelAt(soft, 5, 5), ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(PixelAt(soft, 4, 4), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelAt(soft, 2, 3), ColorToRGB(clBtnFace));

    // Only the sides asked for are drawn and adjusted.
    TRect left{0, 0, 6, 6};
    const QImage oneSide = Draw(6, 6, [&](TCanvas& canvas) { DrawEdge(canvas, left, BDR_RAISEDINNER, BF_LEFT | BF_ADJUST); });
    EXPECT_EQ(left, (TRect{1, 0, 6, 6}));
    EXPECT_EQ(PixelAt(oneSide, 0, 5), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(PixelAt(oneSide, 5, 5), sheetBackground);
}

TEST(KitDrawStdFrame, EveryStyleShrinksTheRectangleByWhatItDraws)
{
    struct Case {
        TKitBorderStyle style;
        TRect inside;  // of {0, 0, 20, 20}
    };
    const std::vector<Case> cases = {
        {TKitBorderStyle::lsNone, {0, 0, 20, 20}},          {TKitBorderStyle::lsSingle, {1, 1, 19, 19}},
        {TKitBorderStyle::lsLowered, {2, 2, 18, 18}},       {TKitBorderStyle::lsRaised, {2, 2, 18, 18}},
        {TKitBorderStyle::lsRaisedspb, {1, 1, 18, 18}},     {TKitBorderStyle::lsLoweredspb, {2, 2, 19, 19}},
        {TKitBorderStyle::lsRaisedExt, {2, 2, 18, 18}},     {TKitBorderStyle::lsLoweredExt, {2, 2, 18, 18}},
        {TKitBorderStyle::lsFrameInset, {2, 2, 18, 18}},    {TKitBorderStyle::lsFrameOffset, {2, 2, 18, 18}},
        {TKitBorderStyle::lsWindowBorder, {2, 2, 18, 18}},  {TKitBorderStyle::lsSingleRaised, {1, 1, 19, 19}},
        {TKitBorderStyle::lsSingleLowered, {1, 1, 19, 19}}, {TKitBorderStyle::lsDoubleRaised, {2, 2, 18, 18}},
        {TKitBorderStyle::lsDoubleLowered, {2, 2, 18, 18}},
    };
    ASSERT_EQ(cases.size(), allBorderStyles.size());
    for (const Case& c : cases) {
        TRect rect{0, 0, 20, 20};
        bool drawn = false;
        Draw(20, 20, [&](TCanvas& canvas) { drawn = KitDrawStdFrame(canvas, rect, c.style, 0); });
        EXPECT_TRUE(drawn);
        EXPECT_EQ(rect, c.inside) << "style " << static_cast<int>(c.style);
    }
}

TEST(KitDrawStdFrame, FramesMatchTheirGoldenPicture)
{
    // Each style on a button-face tile of 22 x 16, five to a row, 2 pixels apart.
    constexpr int tileW = 22, tileH = 16, gap = 2, perRow = 5;
    const int rows = (static_cast<int>(allBorderStyles.size()) + perRow - 1) / perRow;
    const QImage sheet = Draw(perRow * (tileW + gap) + gap, rows * (tileH + gap) + gap, [&](TCanvas& canvas) {
        for (size_t i = 0; i < allBorderStyles.size(); ++i) {
            const int x = gap + static_cast<int>(i % perRow) * (tileW + gap);
            const int y = gap + static_cast<int>(i / perRow) * (tileH + gap);
            TRect rect{x, y, x + tileW, y + tileH};
            canvas.Brush().SetColor(clBtnFace);
            canvas.FillRect(rect);
            KitDrawStdFrame(canvas, rect, allBorderStyles[i], 0);
            // The inside left over is marked white, so the sheet also shows the adjustment.
            canvas.Brush().SetColor(clWhite);
            canvas.FillRect(rect);
        }
    });
    ExpectGolden(sheet, "frames");
}

TEST(KitGradientFill, BandsFollowTheRoundedDivisionAndEmptyInputsDrawNothing)
{
    const std::vector<TColor> three = {clRed, clLime, clBlue};
    const QImage bands = Draw(10, 2, [&](TCanvas& canvas) {
        KitGradientFill(canvas, {0, 0, 10, 2}, TKitGradientStyle::gstHorizontal, 0, 0, nullptr, three);
    });
    const std::vector<TColor> expected = {clRed, clRed, clRed, clLime, clLime, clLime, clLime, clBlue, clBlue, clBlue};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(PixelAt(bands, x, 1), expected[static_cast<size_t>(x)]) << "x " << x;
    }

    // Vertical bands run the same way down; the canvas's brush and pen come back as they were.
    const QImage rows = Draw(2, 10, [&](TCanvas& canvas) {
        canvas.Brush().SetColor(clYellow);
        KitGradientFill(canvas, {0, 0, 2, 10}, TKitGradientStyle::gstVertical, 0, 0, nullptr, three);
        EXPECT_EQ(canvas.Brush().Color(), clYellow);
        EXPECT_EQ(canvas.Pen().Style(), TPenStyle::psSolid);
    });
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(PixelAt(rows, 0, y), expected[static_cast<size_t>(y)]) << "y " << y;
    }

    const QImage untouched = Draw(4, 4, [&](TCanvas& canvas) {
        KitGradientFill(canvas, {0, 0, 4, 4}, TKitGradientStyle::gstSquare, 0, 0, nullptr, {});
        KitGradientFill(canvas, {2, 2, 2, 4}, TKitGradientStyle::gstSquare, 0, 0, nullptr, three);
        KitGradientFillColors(canvas, {0, 0, 4, 4}, clRed, 0, 0, TKitGradientStyle::gstVertical, 0, clBlue);
    });
    EXPECT_TRUE(untouched == Draw(4, 4, [](TCanvas&) {}));
}

TEST(KitGradientFill, ClippingKeepsSpillingShapesInsideTheTarget)
{
    // An ellipse's largest ring reaches beyond the rectangle: drawn directly it spills over,
    // clipped or off-screen it does not; a clip offset moves the clip with it.
    const TRect target{4, 4, 16, 16};
    auto spilt = [](const QImage& picture) {
        int count = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const bool inside = x >= 4 && x < 16 && y >= 4 && y < 16;
                count += !inside && PixelAt(picture, x, y) != sheetBackground;
            }
        }
        return count;
    };
    auto fill = [&](unsigned flags, int32_t offset) {
        return Draw(20, 20, [&](TCanvas& canvas) {
            KitGradientFillColors(canvas, target, clWhite, offset, flags, TKitGradientStyle::gstElliptic, 4, clNavy);
        });
    };
    EXPECT_GT(spilt(fill(0, 0)), 0);
    EXPECT_EQ(spilt(fill(kitFillClip, 0)), 0);
    EXPECT_EQ(spilt(fill(kitFillOffscreen, 0)), 0);
    const QImage moved = fill(kitFillClip, KitPackOffset(-2, 3));
    EXPECT_EQ(PixelAt(moved, 15, 5), sheetBackground);   // right of the moved clip
    EXPECT_NE(PixelAt(moved, 3, 12), sheetBackground);   // left of the target, inside the moved clip
}

TEST(KitGradientFill, ShapesMatchTheirGoldenPicture)
{
    // Each shape in 40 x 28 with six colours from white to navy, five to a row, clipped to its
    // tile; drawn through the off-screen picture the sheet is the same.
    constexpr int tileW = 40, tileH = 28, gap = 4, perRow = 5;
    const int rows = (static_cast<int>(allGradientStyles.size()) + perRow - 1) / perRow;
    auto sheet = [&](unsigned flags) {
        return Draw(perRow * (tileW + gap) + gap, rows * (tileH + gap) + gap, [&](TCanvas& canvas) {
            for (size_t i = 0; i < allGradientStyles.size(); ++i) {
                const int x = gap + static_cast<int>(i % perRow) * (tileW + gap);
                const int y = gap + static_cast<int>(i / perRow) * (tileH + gap);
                KitGradientFillColors(canvas, {x, y, x + tileW, y + tileH}, clWhite, 0, flags, allGradientStyles[i], 6, clNavy);
            }
        });
    };
    const QImage clipped = sheet(kitFillClip);
    ExpectGolden(clipped, "gradients");
    EXPECT_TRUE(sheet(kitFillOffscreen) == clipped);
}

const std::vector<TKitUserButtonStyle> allButtonStyles = {
    TKitUserButtonStyle::ubsWin31,      TKitUserButtonStyle::ubsWin40,         TKitUserButtonStyle::ubsTarvik,
    TKitUserButtonStyle::ubsTarvikFlat, TKitUserButtonStyle::ubsFlat,          TKitUserButtonStyle::ubsFlatUnColored,
    TKitUserButtonStyle::ubsNavigator,  TKitUserButtonStyle::ubsExplorer,      TKitUserButtonStyle::ubsExplorerColored,
    TKitUserButtonStyle::ubsIntegrated, TKitUserButtonStyle::ubsCombo,         TKitUserButtonStyle::ubsOffice,
    TKitUserButtonStyle::ubsOfficeTransp, TKitUserButtonStyle::ubsWin40Ext,
};

TEST(KitDrawButtonFrame, ContentRectanglesAndTheOfficeLooks)
{
    // Every style: the content lies 3 pixels inside what is left after the default outline,
    // moved by (1, 1) when pressed; no theme ever draws the frame.
    for (const TKitUserButtonStyle style : allButtonStyles) {
        for (const int state : {0, 4}) {
            TRect rect{0, 0, 40, 20};
            bool themed = true;
            Draw(40, 20, [&](TCanvas& canvas) {
                themed = KitDrawButtonFrame(canvas, false, clBtnFace, kitButtonDefault, state, style, rect);
            });
            EXPECT_FALSE(themed);
            const bool office = style == TKitUserButtonStyle::ubsOffice || style == TKitUserButtonStyle::ubsOfficeTransp;
            const int outline = state == 0 && !office ? 1 : 0;
            const int shift = state == 4 ? 1 : 0;
            EXPECT_EQ(rect, (TRect{3 + outline + shift, 3 + outline + shift, 37 - outline + shift, 17 - outline + shift}))
                << "style " << static_cast<int>(style) << " state " << state;
        }
    }

    // The see-through office button draws nothing at rest, the plain one its face; hovered,
    // both draw the blue-edged highlight, darker when latched.
    auto office = [](TKitUserButtonStyle style, bool over, int state) {
        TRect rect{0, 0, 12, 10};
        return Draw(12, 10, [&](TCanvas& canvas) { KitDrawButtonFrame(canvas, over, clSilver, 0, state, style, rect); });
    };
    EXPECT_TRUE(office(TKitUserButtonStyle::ubsOfficeTransp, false, 0) == Draw(12, 10, [](TCanvas&) {}));
    EXPECT_EQ(PixelAt(office(TKitUserButtonStyle::ubsOffice, false, 0), 5, 5), clSilver);
    const QImage hovered = office(TKitUserButtonStyle::ubsOfficeTransp, true, 0);
    EXPECT_EQ(PixelAt(hovered, 0, 0), static_cast<TColor>(0xC66931));
    EXPECT_EQ(PixelAt(hovered, 5, 5), static_cast<TColor>(0xEFD3C6));
    EXPECT_EQ(PixelAt(office(TKitUserButtonStyle::ubsOfficeTransp, true, 3), 5, 5), static_cast<TColor>(0xE0A88D));
    EXPECT_EQ(PixelAt(office(TKitUserButtonStyle::ubsOffice, false, 4), 5, 5), static_cast<TColor>(0xF7DFD6));
}

TEST(KitDrawButtonFrame, FacesMatchTheirGoldenPicture)
{
    // One row per style; columns: at rest, hovered, pressed, latched, focused and default,
    // ubsWin40 with the older look and the corners cleared.
    struct Look {
        bool over;
        unsigned flags;
        int state;
    };
    const std::vector<Look> looks = {
        {false, 0, 0},
        {true, 0, 2},
        {false, 0, 4},
        {false, 0, 3},
        {false, kitButtonFocused | kitButtonDefault, 0},
        {false, kitButtonWin95 | kitButtonClearCorners | kitButtonFocused, 0},
    };
    constexpr int tileW = 34, tileH = 18, gap = 2;
    const int columns = static_cast<int>(looks.size());
    const QImage sheet = Draw(columns * (tileW + gap) + gap, static_cast<int>(allButtonStyles.size()) * (tileH + gap) + gap,
                              [&](TCanvas& canvas) {
        for (size_t row = 0; row < allButtonStyles.size(); ++row) {
            for (size_t column = 0; column < looks.size(); ++column) {
                const int x = gap + static_cast<int>(column) * (tileW + gap);
                const int y = gap + static_cast<int>(row) * (tileH + gap);
                TRect rect{x, y, x + tileW, y + tileH};
                const Look& look = looks[column];
                KitDrawButtonFrame(canvas, look.over, clBtnFace, look.flags, look.state, allButtonStyles[row], rect);
            }
        }
    });
    ExpectGolden(sheet, "button-faces");
}

// An 8 x 6 bitmap: a red frame, a blue cross and lime corners (its transparent colour is the
// bottom-left pixel: lime).
TBitmap SampleBitmap()
{
    QImage image(8, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool corner = (x < 2 || x > 5) && (y < 2 || y > 3);
            const bool frame = x == 0 || y == 0 || x == 7 || y == 5;
            const bool cross = x == y + 1 || x == 6 - y;
            image.setPixel(x, y, corner ? qRgb(0, 255, 0) : frame ? qRgb(255, 0, 0) : cross ? qRgb(0, 0, 255) : qRgb(255, 255, 0));
        }
    }
    TBitmap bitmap;
    bitmap.SetImage(image);
    return bitmap;
}

TEST(KitDrawBitmap, PlacementsAndTheRectangleCovered)
{
    const TBitmap sample = SampleBitmap();
    struct Case {
        unsigned flags;
        TRect covered;  // in {10, 10, 40, 28}
    };
    const std::vector<Case> cases = {
        {0, {10, 10, 18, 16}},
        {kitFillCenter, {21, 16, 29, 22}},
        {kitFillStretch, {10, 10, 40, 28}},
        {kitFillStretch | kitFillKeepWidth | kitFillKeepHeight, {10, 10, 34, 28}},  // 3 times
        {kitFillStretch | kitFillKeepWidth, {10, 10, 40, 32}},                      // 30 wide, 22.5 -> 22 high
        {kitFillStretch | kitFillKeepHeight, {10, 10, 34, 28}},
        {kitFillTile, {10, 10, 40, 28}},
    };
    for (const Case& c : cases) {
        TRect covered;
        Draw(50, 40, [&](TCanvas& canvas) { KitDrawBitmap(canvas, {10, 10, 40, 28}, sample, covered, clNone, c.flags); });
        EXPECT_EQ(covered, c.covered) << "flags " << c.flags;
    }

    // Tiling 16 x 16 into 40 x 20 draws 3 x 2 tiles: the last ones spill over the target
    // unless clipped.
    QImage square(16, 16, QImage::Format_RGB32);
    square.fill(Qt::black);
    TBitmap tile;
    tile.SetImage(square);
    const QImage spilt = Draw(60, 40, [&](TCanvas& canvas) {
        KitDrawBitmapClipped(canvas, {0, 0, 40, 20}, tile, clNone, 0, kitFillTile);
    });
    EXPECT_EQ(PixelAt(spilt, 47, 31), clBlack);
    EXPECT_EQ(PixelAt(spilt, 48, 31), sheetBackground);
    EXPECT_EQ(PixelAt(spilt, 47, 32), sheetBackground);
    const QImage clipped = Draw(60, 40, [&](TCanvas& canvas) {
        KitDrawBitmapClipped(canvas, {0, 0, 40, 20}, tile, clNone, 0, kitFillTile | kitFillClip);
    });
    EXPECT_EQ(PixelAt(clipped, 39, 19), clBlack);
    EXPECT_EQ(PixelAt(clipped, 40, 19), sheetBackground);
    EXPECT_EQ(PixelAt(clipped, 39, 20), sheetBackground);
}

TEST(KitDrawBitmap, TransparentCopiesAndMasks)
{
    const TBitmap sample = SampleBitmap();
    auto draw = [&](unsigned flags, TColor colour, const TBitmap* mask = nullptr) {
        TRect covered;
        return Draw(8, 6, [&](TCanvas& canvas) { KitDrawBitmap(canvas, {0, 0, 8, 6}, sample, covered, colour, flags, mask); },
                    clSilver);
    };
    const TColor lime = clLime;
    EXPECT_EQ(PixelAt(draw(0, clNone), 0, 0), lime);
    EXPECT_EQ(PixelAt(draw(kitFillTransparentColor, lime), 0, 0), clSilver);            // left out
    EXPECT_EQ(PixelAt(draw(kitFillTransparentColor, lime), 3, 2), clBlue);              // kept
    EXPECT_EQ(PixelAt(draw(kitFillTransparentBitmap, clNavy), 0, 0), clNavy);          // own colour repainted
    EXPECT_EQ(PixelAt(draw(kitFillTransparentBitmap, clNavy), 0, 3), clRed);

    // A mask made from the bitmap: white where it was lime, the bitmap blackened there.
    TBitmap image = sample;
    TBitmap mask;
    KitCreateMaskFromBitmap(image, mask, lime);
    EXPECT_EQ(FromQColor(mask.Image().pixelColor(7, 5)), clWhite);
    EXPECT_EQ(FromQColor(mask.Image().pixelColor(3, 3)), clBlack);
    EXPECT_EQ(FromQColor(image.Image().pixelColor(7, 5)), clBlack);
    TRect covered;
    const QImage masked = Draw(8, 6, [&](TCanvas& canvas) {
        KitDrawBitmap(canvas, {0, 0, 8, 6}, image, covered, clNone, kitFillMask, &mask);
    }, clSilver);
    EXPECT_EQ(PixelAt(masked, 7, 5), clSilver);
    EXPECT_EQ(PixelAt(masked, 0, 3), clRed);

    TBitmap filled;
    KitFillBitmap(filled, {5, 5, 9, 8}, clTeal);
    EXPECT_EQ(filled.Width(), 4);
    EXPECT_EQ(filled.Height(), 3);
    EXPECT_EQ(FromQColor(filled.Image().pixelColor(3, 2)), clTeal);
}

TEST(KitDrawBitmap, FillsMatchTheirGoldenPicture)
{
    // Each fill in a button-face tile of 30 x 20: the corner, centred, stretched, fitted, by
    // width, by height, tiled (clipped), without lime, lime repainted navy, through a mask.
    const TBitmap sample = SampleBitmap();
    TBitmap image = sample;
    TBitmap mask;
    KitCreateMaskFromBitmap(image, mask, clLime);
    struct Fill {
        unsigned flags;
        const TBitmap* bitmap;
        TColor colour;
    };
    const std::vector<Fill> fills = {
        {0, &sample, clNone},
        {kitFillCenter, &sample, clNone},
        {kitFillStretch, &sample, clNone},
        {kitFillStretch | kitFillKeepWidth | kitFillKeepHeight, &sample, clNone},
        {kitFillStretch | kitFillKeepWidth, &sample, clNone},
        {kitFillStretch | kitFillKeepHeight, &sample, clNone},
        {kitFillTile | kitFillClip, &sample, clNone},
        {kitFillCenter | kitFillTransparentColor, &sample, clLime},
        {kitFillStretch | kitFillTransparentBitmap, &sample, clNavy},
        {kitFillTile | kitFillClip | kitFillMask, &image, clNone},
    };
    constexpr int tileW = 30, tileH = 20, gap = 2, perRow = 5;
    const QImage sheet = Draw(perRow * (tileW + gap) + gap, 2 * (tileH + gap) + gap, [&](TCanvas& canvas) {
        for (size_t i = 0; i < fills.size(); ++i) {
            const int x = gap + static_cast<int>(i % perRow) * (tileW + gap);
            const int y = gap + static_cast<int>(i / perRow) * (tileH + gap);
            const TRect rect{x, y, x + tileW, y + tileH};
            canvas.Brush().SetColor(clBtnFace);
            canvas.FillRect(rect);
            KitDrawBitmapClipped(canvas, rect, *fills[i].bitmap, fills[i].colour, 0, fills[i].flags | kitFillClip, &mask);
        }
    });
    ExpectGolden(sheet, "bitmap-fills");
}

TEST(KitAlignRect, PlacesTheInnerSizeByRowAndColumn)
{
    struct Case {
        TKitAlignment alignment;
        int format;
        TRect placed;  // 10 x 4 inside {5, 5, 36, 26}: 21 and 17 pixels to spare
    };
    const std::vector<Case> cases = {
        {TKitAlignment::agTopLeft, 0, {5, 5, 15, 9}},        {TKitAlignment::agTopCenter, 1, {15, 5, 25, 9}},
        {TKitAlignment::agTopRight, 2, {26, 5, 36, 9}},      {TKitAlignment::agCenterLeft, 4, {5, 13, 15, 17}},
        {TKitAlignment::agCenter, 5, {15, 13, 25, 17}},      {TKitAlignment::agCenterRight, 6, {26, 13, 36, 17}},
        {TKitAlignment::agBottomLeft, 8, {5, 22, 15, 26}},   {TKitAlignment::agBottomCenter, 9, {15, 22, 25, 26}},
        {TKitAlignment::agBottomRight, 10, {26, 22, 36, 26}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KitAlignmentTextFormat(c.alignment), c.format);
        EXPECT_EQ(KitAlignRect(c.alignment, {0, 0, 10, 4}, {5, 5, 36, 26}), c.placed) << static_cast<int>(c.alignment);
    }
    // A larger inner rectangle sticks out; the halved difference rounds toward zero.
    EXPECT_EQ(KitAlignRect(TKitAlignment::agCenter, {0, 0, 13, 13}, {0, 0, 10, 10}), (TRect{-1, -1, 12, 12}));
}

TEST(KitDrawDropArrow, RowsNarrowToATipAndTheDisabledArrowIsEmbossed)
{
    // Size 3: 5 pixels wide, 3 rows high.
    const QImage arrow = Draw(8, 6, [](TCanvas& canvas) { KitDrawDropArrow(canvas, 1, 1, true, clBlack, 3); });
    const std::vector<std::string> expected = {
        "........",
        ".XXXXX..",
        "..XXX...",
        "...X....",
        "........",
        "........",
    };
    for (int y = 0; y < 6; ++y) {
        std::string row;
        for (int x = 0; x < 8; ++x) row += PixelAt(arrow, x, y) == clBlack ? 'X' : '.';
        EXPECT_EQ(row, expected[static_cast<size_t>(y)]) << "row " << y;
    }
    const QImage blank = Draw(40, 20, [](TCanvas&) {});
    for (const int size : {1, 16}) {
        EXPECT_TRUE(Draw(40, 20, [&](TCanvas& canvas) { KitDrawDropArrow(canvas, 1, 1, true, clBlack, size); }) == blank);
    }
    const QImage disabled = Draw(8, 6, [](TCanvas& canvas) { KitDrawDropArrow(canvas, 1, 1, false, clBlack, 3); });
    EXPECT_EQ(PixelAt(disabled, 1, 1), ColorToRGB(clGrayText));
    EXPECT_EQ(PixelAt(disabled, 6, 2), ColorToRGB(clHighlightText));
    EXPECT_EQ(PixelAt(disabled, 4, 4), ColorToRGB(clHighlightText));
}

TEST(KitRotatedBounds, HoldTheTurnedRectangleAtTheOrigin)
{
    EXPECT_EQ(KitRotatedBounds({3, 4, 43, 14}, 0), (TRect{0, 0, 40, 10}));
    EXPECT_EQ(KitRotatedBounds({3, 4, 43, 14}, 90), (TRect{0, 0, 10, 40}));
    EXPECT_EQ(KitRotatedBounds({0, 0, 40, 10}, 180), (TRect{0, 0, 40, 10}));
    EXPECT_EQ(KitRotatedBounds({0, 0, 10, 10}, 45), (TRect{0, 0, 14, 14}));
}

TEST(KitPlaceGlyphText, EveryArrangementWithAFakeMeasurer)
{
    // A 30 x 10 caption and a 16 x 16 glyph, spacing 2, at the target's top-left corner.
    struct Case {
        TKitTextArrange arrange;
        TRect text;
        TRect glyph;
    };
    const std::vector<Case> cases = {
        {TKitTextArrange::taLeft, {1, 4, 31, 14}, {32, 0, 48, 16}},
        {TKitTextArrange::taLeftTop, {1, 4, 31, 14}, {32, 0, 48, 16}},
        {TKitTextArrange::taRight, {19, 4, 49, 14}, {0, 0, 16, 16}},
        {TKitTextArrange::taRightTop, {19, 4, 49, 14}, {0, 1, 16, 17}},
        {TKitTextArrange::taTop, {1, 1, 31, 11}, {7, 12, 23, 28}},
        {TKitTextArrange::taTopLeft, {1, 1, 31, 11}, {0, 12, 16, 28}},
        {TKitTextArrange::taBottom, {1, 19, 31, 29}, {7, 0, 23, 16}},
        {TKitTextArrange::taBottomLeft, {1, 19, 31, 29}, {0, 0, 16, 16}},
    };
    int offered = 0;
    const TKitTextMeasure measure = [&](int width) {
        offered = width;
        return std::pair{30, 10};
    };
    for (const Case& c : cases) {
        TKitGlyphTextLayout layout;
        layout.SetAlignText2Glyph(c.arrange);
        const TKitGlyphTextPlacement placed =
            KitPlaceGlyphText(layout, measure, true, 16, 16, {0, 0, 100, 40}, kitTextResultUnion, false, 0);
        EXPECT_EQ(placed.text, c.text) << static_cast<int>(c.arrange);
        EXPECT_EQ(placed.glyph, c.glyph) << static_cast<int>(c.arrange);
        EXPECT_EQ(placed.result.Left, std::min(c.text.Left, c.glyph.Left) - 1);
        EXPECT_EQ(offered, 100 - 2 - 16);
        EXPECT_EQ(placed.textFormat, kitDtExpandTabs);
        EXPECT_FALSE(placed.arrow);
    }
}

TEST(KitPlaceGlyphText, SpacingAlignmentArrowsAndResults)
{
    const TKitTextMeasure measure = [](int) { return std::pair{30, 10}; };
    // A caption alone gets no spacing and is centred (plus the one-pixel text shift).
    TKitButtonLayout button;
    TKitGlyphTextPlacement placed = KitPlaceGlyphText(button, measure, false, 0, 0, {0, 0, 100, 40}, 0, true, 0);
    EXPECT_EQ(placed.text, (TRect{36, 16, 66, 26}));
    EXPECT_EQ(placed.result, (TRect{1, 1, 99, 39}));  // no result flag: the target less 1
    EXPECT_EQ(placed.textFormat, kitDtExpandTabs | kitDtWordBreak | 5);

    // Offsets move both items; clamping keeps the text inside the target.
    button.SetOffsetX(60);
    placed = KitPlaceGlyphText(button, measure, false, 0, 0, {0, 0, 100, 40}, kitTextClampToTarget, false, 0);
    EXPECT_EQ(placed.text, (TRect{96, 16, 100, 26}));
    button.SetOffsetX(0);

    // The arrow widens the text by 2 * size - 1 + indent and sits at its right end.
    button.SetAlignment(TKitAlignment::agTopLeft);
    button.SetArrow(true);
    placed = KitPlaceGlyphText(button, measure, false, 0, 0, {0, 0, 100, 40}, 0, false, 0);
    EXPECT_EQ(placed.text, (TRect{1, 1, 39, 11}));
    EXPECT_TRUE(placed.arrow);
    EXPECT_EQ(placed.arrowX, 33);
    EXPECT_EQ(placed.arrowY, 5);
    button.SetArrowPosition(TKitArrowPosition::apLeftText);
    placed = KitPlaceGlyphText(button, measure, false, 0, 0, {0, 0, 100, 40}, 0, false, 0);
    EXPECT_EQ(placed.text.Left, 9);
    EXPECT_EQ(placed.arrowX, 1);
    // By the glyph, the glyph widens instead; on its left the glyph moves right.
    button.SetArrowPosition(TKitArrowPosition::apLeftGlyph);
    placed = KitPlaceGlyphText(button, nullptr, true, 16, 16, {0, 0, 100, 40}, kitTextResultGlyph, false, 0);
    EXPECT_EQ(placed.glyph, (TRect{8, 0, 32, 16}));
    EXPECT_EQ(placed.arrowX, 0);
    EXPECT_EQ(placed.arrowY, 7);
    EXPECT_EQ(placed.result, placed.glyph);

    // Measuring answers the union grown by 2; without alignment the block stays at the origin.
    TKitGlyphTextLayout layout;
    layout.SetAlignment(TKitAlignment::agBottomRight);
    placed = KitPlaceGlyphText(layout, measure, true, 16, 16, {10, 10, 110, 50}, kitTextMeasureOnly | kitTextNoAlign, false, 0);
    EXPECT_EQ(placed.glyph, (TRect{0, 0, 16, 16}));
    EXPECT_EQ(placed.text, (TRect{18, 3, 48, 13}));
    EXPECT_EQ(placed.result, (TRect{-2, -2, 50, 18}));
}

}  // namespace
