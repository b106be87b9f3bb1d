// Colour reduction and dithering: the lookups' mappings, the octree quantiser's palettes, the
// reduction driver's modes and errors, and the ditherers checked against a plain reference (a
// whole-picture error array, walked in serpentine order) and against the invariants of error
// diffusion.

#include "gif/GIFColorReduction.h"
#include "gif/GIFStream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

QImage MakePicture(int width, int height, const std::function<QRgb(int x, int y)>& color)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, color(x, y));
        }
    }
    return image;
}

// Smooth colour ramps with a little noise: many distinct colours.
QImage PhotoLike(int width, int height, unsigned seed = 1)
{
    std::mt19937 random(seed);
    return MakePicture(width, height, [&](int x, int y) {
        const int noise = static_cast<int>(random() % 9) - 4;
        return qRgb(std::clamp(x * 255 / std::max(width - 1, 1) + noise, 0, 255),
                    std::clamp(y * 255 / std::max(height - 1, 1) - noise, 0, 255),
                    std::clamp(128 + static_cast<int>(100 * std::sin((x + y) * 0.2)), 0, 255));
    });
}

struct TTestBitmap : TBitmap {
    explicit TTestBitmap(const QImage& image) { SetImage(image); }
};

TEST(GIFColorLookup, FixedLookupsMapByTheirFormulas)
{
    struct Case {
        const char* lookup;
        uint8_t red, green, blue;
        TColorEntry expected;
    };
    const Case cases[] = {
        {"web", 128, 128, 128, {86, 102, 102, 102}},
        {"web", 255, 0, 24, {180 + 0 + 0, 255, 0, 0}},  // 24 + 3 < 51: level 0
        {"web", 0, 48, 255, {6 + 5, 0, 51, 255}},      // 48 + 3 = 51: level 1
        {"grey", 255, 255, 255, {255, 255, 255, 255}},
        {"grey", 255, 0, 0, {76, 76, 76, 76}},
        {"grey", 0, 0, 0, {0, 0, 0, 0}},
        {"mono", 255, 0, 0, {0, 0, 0, 0}},             // 77 x 255 = 19635: dark
        {"mono", 0, 255, 0, {1, 255, 255, 255}},       // 150 x 255 = 38250: light
        {"mono", 127, 127, 127, {0, 0, 0, 0}},         // 256 x 127 = 32512: just dark
        {"mono", 128, 127, 127, {1, 255, 255, 255}},   // 32589
    };
    TNetscapeColorLookup web;
    TGrayScaleLookup grey;
    TMonochromeLookup mono;
    std::map<std::string, TColorLookup*> lookups = {{"web", &web}, {"grey", &grey}, {"mono", &mono}};
    for (const Case& test : cases) {
        EXPECT_EQ(lookups[test.lookup]->FindEntry(test.red, test.green, test.blue), test.expected)
            << test.lookup << " " << int(test.red) << "," << int(test.green) << "," << int(test.blue);
    }
    EXPECT_EQ(web.Colors(), 216);
    EXPECT_EQ(grey.Colors(), 256);
    EXPECT_EQ(mono.Colors(), 2);
    // The web lookup's indices are the web palette's entries.
    const TPalette palette = MakeWebPalette();
    for (int value = 0; value < 256; value += 5) {
        const TColorEntry entry = web.FindEntry(static_cast<uint8_t>(value), static_cast<uint8_t>(255 - value), 17);
        const TPaletteEntry& listed = palette[entry.Index];
        EXPECT_EQ((TColorEntry{entry.Index, listed.peRed, listed.peGreen, listed.peBlue}), entry);
    }
}

TEST(GIFColorLookup, FastLookupFindsTheNearestEntryOncePerCell)
{
    const TPalette palette = {{0, 0, 0, 0}, {200, 0, 0, 0}, {0, 0, 200, 0}, {100, 100, 100, 0}, {200, 0, 0, 0}};
    TFastColorLookup lookup(palette);
    EXPECT_EQ(lookup.Colors(), 5);
    // Exact entries answer from their own cell; of two equal entries the first one wins.
    EXPECT_EQ(lookup.FindEntry(200, 0, 0), (TColorEntry{1, 200, 0, 0}));
    EXPECT_EQ(lookup.FindEntry(0, 0, 200), (TColorEntry{2, 0, 0, 200}));
    // Nearest by the sum of channel differences: (150, 10, 0) is 60 from entry 1, 190 from 3.
    EXPECT_EQ(lookup.FindEntry(150, 10, 0).Index, 1);
    // Equal distances (100 from black and from 200,0,0 red): the first entry wins.
    EXPECT_EQ(lookup.FindEntry(100, 0, 0).Index, 0);
    // A cell keeps the answer found for the first colour that reached it: (103, 7, 0) lies in
    // the cell of (100, 0, 0) and is answered with black, though red is as near.
    EXPECT_EQ(lookup.FindEntry(103, 7, 0).Index, 0);
    TFastColorLookup fresh(palette);
    EXPECT_EQ(fresh.FindEntry(103, 7, 0).Index, 1) << "104 from red, 110 from black";
    // Every colour maps into the palette.
    std::mt19937 random(5);
    for (int i = 0; i < 2000; ++i) {
        EXPECT_LT(lookup.FindEntry(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random())).Index, 5);
    }
}

TEST(GIFColorLookup, FixedPalettes)
{
    const TPalette system = MakeDefaultPalette();
    ASSERT_EQ(system.size(), 20u);
    EXPECT_EQ(system[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(system[19], (TPaletteEntry{255, 255, 255, 0}));
    const TPalette halftone = MakeHalftonePalette();
    ASSERT_EQ(halftone.size(), 256u);
    EXPECT_TRUE(std::equal(system.begin(), system.begin() + 10, halftone.begin()));
    EXPECT_TRUE(std::equal(system.begin() + 10, system.end(), halftone.end() - 10));
    const TPalette web = MakeWebPalette();
    ASSERT_EQ(web.size(), 216u);
    EXPECT_EQ(web[36 * 2 + 6 * 3 + 4], (TPaletteEntry{102, 153, 204, 0}));
    EXPECT_EQ(MakeFourGrayPalette(), (TPalette{{0, 0, 0, 4}, {128, 128, 128, 4}, {192, 192, 192, 4}, {255, 255, 255, 4}}));
    EXPECT_EQ(MakeTwoGrayPalette(), (TPalette{{0, 0, 0, 4}, {255, 255, 255, 4}}));
    const TPalette grey = MakeGrayPalette();
    ASSERT_EQ(grey.size(), 256u);
    EXPECT_EQ(grey[77], (TPaletteEntry{77, 77, 77, 4}));
}

TEST(GIFQuantizer, FewColoursAreKeptExactly)
{
    const QRgb colors[] = {qRgb(255, 0, 0), qRgb(1, 2, 3), qRgb(250, 250, 250), qRgb(0, 128, 255), qRgb(17, 200, 90)};
    const TTestBitmap bitmap(MakePicture(40, 30, [&](int x, int y) { return colors[(x / 3 + y) % 5]; }));
    const TPalette palette = MakeQuantizedPalette(bitmap, 16, 8, false);
    ASSERT_EQ(palette.size(), 16u);
    std::set<QRgb> found;
    for (size_t i = 0; i < 5; ++i) {
        found.insert(qRgb(palette[i].peRed, palette[i].peGreen, palette[i].peBlue));
    }
    EXPECT_EQ(found, std::set<QRgb>(std::begin(colors), std::end(colors)));
    for (size_t i = 5; i < 16; ++i) {
        EXPECT_EQ(palette[i], (TPaletteEntry{0, 0, 0, 0})) << "unused entries are black";
    }
}

TEST(GIFQuantizer, ManyColoursAreCutToTheMaximum)
{
    const TTestBitmap bitmap(PhotoLike(96, 64));
    for (const int maximum : {2, 16, 255}) {
        TColorQuantizer quantizer(maximum, 8);
        quantizer.QuantizeBitmap(bitmap);
        EXPECT_LE(quantizer.LeafCount(), maximum);
        EXPECT_GT(quantizer.LeafCount(), 0);
        EXPECT_EQ(quantizer.CollectLeaves().size(), static_cast<size_t>(quantizer.LeafCount()));
    }
    // With the system colours the 236 quantised colours sit between the two halves of them.
    const TPalette withSystem = MakeQuantizedPalette(bitmap, 256, 8, true);
    const TPalette system = MakeDefaultPalette();
    ASSERT_EQ(withSystem.size(), 256u);
    EXPECT_TRUE(std::equal(system.begin(), system.begin() + 10, withSystem.begin()));
    EXPECT_TRUE(std::equal(system.begin() + 10, system.end(), withSystem.begin() + 246));
    // The mean colour of a leaf: one colour per leaf when the tree is deep enough.
    TColorQuantizer pair(8, 8);
    pair.AddPixel(10, 20, 30);
    pair.AddPixel(10, 20, 30);
    pair.AddPixel(200, 100, 0);
    EXPECT_EQ(pair.CollectLeaves(), (TPalette{{10, 20, 30, 0}, {200, 100, 0, 0}}));
    // Merged into one leaf, the colours average by pixel count.
    TColorQuantizer one(1, 8);
    one.AddPixel(10, 20, 30);
    one.AddPixel(10, 20, 30);
    one.AddPixel(40, 50, 60);
    EXPECT_EQ(one.CollectLeaves(), (TPalette{{20, 30, 40, 0}}));
}

// Every mode with every ditherer: an 8-bit bitmap of the source's size whose indices all lie
// inside the mode's palette.
TEST(GIFColorReduction, EveryModeAndDithererGivesIndicesInsideThePalette)
{
    const TTestBitmap source(PhotoLike(37, 23));
    const TPalette custom = {{0, 0, 0, 0}, {255, 255, 0, 0}, {0, 64, 255, 0}};
    const std::map<TColorReduction, int> paletteSizes = {
        {TColorReduction::rmSystemColors, 20}, {TColorReduction::rmHalftone, 256}, {TColorReduction::rmFourGrays, 4},
        {TColorReduction::rmMonochrome, 2},    {TColorReduction::rmGrayScale, 256}, {TColorReduction::rmWebColors, 216},
        {TColorReduction::rmQuantize, 16},     {TColorReduction::rmQuantizeSystem, 256}, {TColorReduction::rmPalette, 3},
    };
    for (const auto& [reduction, colors] : paletteSizes) {
        for (int dither = 0; dither <= static_cast<int>(TDitherMode::dmBurkes); ++dither) {
            SCOPED_TRACE("mode " + std::to_string(static_cast<int>(reduction)) + " dither " + std::to_string(dither));
            const auto result = ReduceBitmapColors(source, reduction, static_cast<TDitherMode>(dither), &custom, 4);
            ASSERT_EQ(result->PixelFormat(), TPixelFormat::pf8bit);
            ASSERT_EQ(result->Width(), 37);
            ASSERT_EQ(result->Height(), 23);
            int highest = 0;
            for (int y = 0; y < 23; ++y) {
                for (int x = 0; x < 37; ++x) {
                    highest = std::max<int>(highest, result->ScanLine(y)[x]);
                }
            }
            EXPECT_LT(highest, colors);
            EXPECT_GE(result->Palette().size(), static_cast<size_t>(colors));
        }
    }
    EXPECT_EQ(source.PixelFormat(), TPixelFormat::pf32bit) << "the source is left as it was";
}

TEST(GIFColorReduction, NoneCopiesAndUnknownModesRaise)
{
    const TTestBitmap source(PhotoLike(9, 5));
    const auto copy = ReduceBitmapColors(source, TColorReduction::rmNone, TDitherMode::dmNearest, nullptr, 8);
    EXPECT_EQ(copy->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(copy->Image().convertToFormat(QImage::Format_RGB32), source.Image());

    struct Case {
        int reduction;
        int dither;
        const TPalette* palette;
        const char* message;
    };
    const TPalette empty;
    const Case cases[] = {
        {10, 0, nullptr, "Invalid reduction method"},
        {255, 1, nullptr, "Invalid reduction method"},
        {6, 7, nullptr, "Invalid dither mode"},
        {9, 0, &empty, "Color table is empty"},
        {9, 0, nullptr, "Color table is empty"},
    };
    for (const Case& test : cases) {
        try {
            ReduceBitmapColors(source, static_cast<TColorReduction>(test.reduction), static_cast<TDitherMode>(test.dither),
                               test.palette, 8);
            ADD_FAILURE() << "no error for mode " << test.reduction << " dither " << test.dither;
        } catch (const GIFException& error) {
            EXPECT_EQ(error.Message(), test.message);
        }
    }
}

// A lookup that records the colours it was asked for.
class TRecordingLookup : public TColorLookup {
public:
    TRecordingLookup() : TColorLookup(2) {}
    TColorEntry FindEntry(uint8_t red, uint8_t green, uint8_t blue) override
    {
        asked.push_back(red);
        return mono.FindEntry(red, green, blue);
    }
    std::vector<int> asked;
    TMonochromeLookup mono;
};

TEST(GIFDither, PlainEngineWalksLinesInSerpentineOrder)
{
    TRecordingLookup lookup;
    TDitherEngine engine(4, lookup);
    std::vector<int> columns;
    for (int line = 0; line < 3; ++line) {
        for (int x = engine.Column(); x >= 0 && x < 4; x = engine.Column()) {
            columns.push_back(x);
            engine.MapPixel(static_cast<uint8_t>(10 * line + x), 0, 0);
        }
        engine.EndLine();
    }
    EXPECT_EQ(columns, (std::vector<int>{0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3}));
    EXPECT_EQ(lookup.asked, (std::vector<int>{0, 1, 2, 3, 13, 12, 11, 10, 20, 21, 22, 23})) << "colours pass unchanged";
}

// The error-diffusion matrices as a plain reference: errors of the whole picture in one array.
struct TReferenceMatrix {
    int divisor;
    std::vector<TDiffusionWeight> weights;
};

const std::map<TDitherMode, TReferenceMatrix>& ReferenceMatrices()
{
    static const std::map<TDitherMode, TReferenceMatrix> matrices = {
        {TDitherMode::dmFloydSteinberg, {16, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}}},
        {TDitherMode::dmStucki, {42, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
                                      {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}}},
        {TDitherMode::dmSierra, {32, {{0, 1, 5}, {0, 2, 3}, {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
                                      {2, -1, 2}, {2, 0, 3}, {2, 1, 2}}}},
        {TDitherMode::dmJaJuNI, {48, {{0, 1, 7}, {0, 2, 5}, {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
                                      {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}}},
        {TDitherMode::dmSteveArche, {200, {{0, 2, 32}, {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16}, {2, -2, 12},
                                           {2, 0, 26}, {2, 2, 12}, {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}}},
        {TDitherMode::dmBurkes, {32, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}}},
    };
    return matrices;
}

// Indices of the picture dithered by the reference: rows left to right, then right to left;
// the error share of a pixel is (sum + divisor / 2) / divisor, truncated toward zero.
std::vector<uint8_t> ReferenceDither(const QImage& image, const TReferenceMatrix& matrix, TColorLookup& lookup)
{
    const int width = image.width();
    const int height = image.height();
    std::vector<int> errors(static_cast<size_t>(width * height * 3), 0);
    std::vector<uint8_t> indices(static_cast<size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        const int direction = y % 2 == 0 ? 1 : -1;
        for (int step = 0; step < width; ++step) {
            const int x = direction > 0 ? step : width - 1 - step;
            const QRgb pixel = image.pixel(x, y);
            const int channels[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
            int value[3];
            for (int c = 0; c < 3; ++c) {
                const int sum = errors[static_cast<size_t>((y * width + x) * 3 + c)];
                value[c] = std::clamp(channels[c] + (sum + matrix.divisor / 2) / matrix.divisor, 0, 255);
            }
            const TColorEntry entry = lookup.FindEntry(static_cast<uint8_t>(value[0]), static_cast<uint8_t>(value[1]),
                                                       static_cast<uint8_t>(value[2]));
            indices[static_cast<size_t>(y * width + x)] = entry.Index;
            const int chosen[3] = {entry.Red, entry.Green, entry.Blue};
            for (const TDiffusionWeight& weight : matrix.weights) {
                const int tx = x + weight.Offset * direction;
                const int ty = y + weight.Row;
                if (tx < 0 || tx >= width || ty >= height) {
                    continue;
                }
                for (int c = 0; c < 3; ++c) {
                    errors[static_cast<size_t>((ty * width + tx) * 3 + c)] += weight.Weight * (value[c] - chosen[c]);
                }
            }
        }
    }
    return indices;
}

std::vector<uint8_t> Indices(const TBitmap& bitmap)
{
    std::vector<uint8_t> indices;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* line = bitmap.ScanLine(y);
        indices.insert(indices.end(), line, line + bitmap.Width());
    }
    return indices;
}

TEST(GIFDither, DiffusionMatchesThePlainReference)
{
    for (const QSize size : {QSize(29, 13), QSize(1, 9), QSize(2, 5), QSize(64, 1)}) {
        const QImage picture = PhotoLike(size.width(), size.height(), 3);
        const TTestBitmap source(picture);
        for (const auto& [mode, matrix] : ReferenceMatrices()) {
            SCOPED_TRACE("dither " + std::to_string(static_cast<int>(mode)) + " at " + std::to_string(size.width()) + "x" +
                         std::to_string(size.height()));
            for (const TColorReduction reduction : {TColorReduction::rmWebColors, TColorReduction::rmMonochrome, TColorReduction::rmFourGrays}) {
                const auto reduced = ReduceBitmapColors(source, reduction, mode, nullptr, 8);
                std::unique_ptr<TColorLookup> lookup;
                if (reduction == TColorReduction::rmWebColors) {
                    lookup = std::make_unique<TNetscapeColorLookup>();
                } else if (reduction == TColorReduction::rmMonochrome) {
                    lookup = std::make_unique<TMonochromeLookup>();
                } else {
                    lookup = std::make_unique<TFastColorLookup>(MakeFourGrayPalette());
                }
                EXPECT_EQ(Indices(*reduced), ReferenceDither(picture, matrix, *lookup));
            }
        }
    }
}

// A small picture pinned pixel for pixel: a grey ramp in black and white, Floyd-Steinberg.
TEST(GIFDither, FloydSteinbergGoldenRamp)
{
    const TTestBitmap source(MakePicture(8, 4, [](int x, int y) {
        const int level = 16 + 32 * x;
        return qRgb(level, level, level);
    }));
    const auto reduced = ReduceBitmapColors(source, TColorReduction::rmMonochrome, TDitherMode::dmFloydSteinberg, nullptr, 8);
    std::string rows;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            rows += reduced->ScanLine(y)[x] != 0 ? '#' : '.';
        }
        rows += '\n';
    }
    EXPECT_EQ(rows, "...#.###\n"
                    "..#.#.##\n"
                    "...#.###\n"
                    "...#.###\n");
}

TEST(GIFDither, FlatBlackAndWhiteSpreadNothing)
{
    for (const QRgb color : {qRgb(0, 0, 0), qRgb(255, 255, 255)}) {
        const TTestBitmap source(MakePicture(13, 7, [color](int, int) { return color; }));
        for (int dither = 0; dither <= static_cast<int>(TDitherMode::dmBurkes); ++dither) {
            const auto reduced = ReduceBitmapColors(source, TColorReduction::rmWebColors, static_cast<TDitherMode>(dither), nullptr, 8);
            const std::vector<uint8_t> indices = Indices(*reduced);
            EXPECT_EQ(std::set<uint8_t>(indices.begin(), indices.end()), std::set<uint8_t>{color == qRgb(0, 0, 0) ? uint8_t(0) : uint8_t(215)})
                << "dither " << dither;
        }
    }
}

// Error diffusion keeps the mean colour: flat greys in black and white, and a colour ramp in
// the web cube, come out with the mean of the source within a small tolerance; the nearest
// colour does not.
TEST(GIFDither, DiffusionPreservesTheMeanColour)
{
    const TPalette web = MakeWebPalette();
    const QImage ramp = PhotoLike(64, 48, 9);
    double sourceMean[3] = {};
    for (int y = 0; y < ramp.height(); ++y) {
        for (int x = 0; x < ramp.width(); ++x) {
            sourceMean[0] += qRed(ramp.pixel(x, y));
            sourceMean[1] += qGreen(ramp.pixel(x, y));
            sourceMean[2] += qBlue(ramp.pixel(x, y));
        }
    }
    const double count = ramp.width() * ramp.height();
    for (int dither = 1; dither <= static_cast<int>(TDitherMode::dmBurkes); ++dither) {
        SCOPED_TRACE("dither " + std::to_string(dither));
        for (const int grey : {37, 100, 190}) {
            const TTestBitmap flat(MakePicture(64, 64, [grey](int, int) { return qRgb(grey, grey, grey); }));
            const auto reduced = ReduceBitmapColors(flat, TColorReduction::rmMonochrome, static_cast<TDitherMode>(dither), nullptr, 8);
            const std::vector<uint8_t> indices = Indices(*reduced);
            const double white = std::count(indices.begin(), indices.end(), 1) / 4096.0;
            EXPECT_NEAR(white * 255, grey, 255 * 0.02) << "grey " << grey;
        }
        const auto reduced = ReduceBitmapColors(TTestBitmap(ramp), TColorReduction::rmWebColors, static_cast<TDitherMode>(dither), nullptr, 8);
        double mean[3] = {};
        for (const uint8_t index : Indices(*reduced)) {
            mean[0] += web[index].peRed;
            mean[1] += web[index].peGreen;
            mean[2] += web[index].peBlue;
        }
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(mean[c] / count, sourceMean[c] / count, 1.5) << "channel " << c;
        }
    }
    // Nearest colour turns a flat grey of 100 all black.
    const TTestBitmap flat(MakePicture(10, 10, [](int, int) { return qRgb(100, 100, 100); }));
    const auto nearest = ReduceBitmapColors(flat, TColorReduction::rmMonochrome, TDitherMode::dmNearest, nullptr, 8);
    const std::vector<uint8_t> indices = Indices(*nearest);
    EXPECT_EQ(std::count(indices.begin(), indices.end(), 0), 100);
}

}  // namespace
