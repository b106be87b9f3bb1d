// Button glyphs: how a bitmap splits into state pictures, the derived grey and embossed
// pictures, and the strips the glyph cache shares between glyphs of one cell size.

#include "GuiTestSupport.h"
#include "KitCanvasTestSupport.h"

#include "widgets/KitButtonBase.h"
#include "widgets/KitGlyph.h"

#include <gtest/gtest.h>

namespace {

// `count` cells of `cell` x `cell`: cell p is filled with colour (40 + p * 40, 0, 0) on a lime
// border (the transparent colour at the bottom-left).
TBitmap Cells(int cell, int count, int extraWidth = 0)
{
    QImage image(cell * count + extraWidth, cell, QImage::Format_RGB32);
    image.fill(qRgb(0, 255, 0));
    for (int p = 0; p < count; ++p) {
        for (int y = 1; y + 1 < cell; ++y) {
            for (int x = 1; x + 1 < cell; ++x) image.setPixel(p * cell + x, y, qRgb(40 + p * 40, 0, 0));
        }
    }
    TBitmap bitmap;
    bitmap.SetImage(image);
    return bitmap;
}

// A picture as a masked strip keeps it: its see-through (lime) pixels black.
QImage Stored(const QImage& picture)
{
    QImage stored = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < stored.height(); ++y) {
        for (int x = 0; x < stored.width(); ++x) {
            if (stored.pixel(x, y) == qRgb(0, 255, 0)) stored.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    return stored;
}

TColor At(const QImage& picture, int x, int y)
{
    return FromQColor(picture.pixelColor(x, y));
}

TEST(KitGlyph, PictureCountFollowsTheBitmapsShape)
{
    TKitGlyph glyph;
    int changes = 0;
    glyph.OnChange = [&](TObject*) { ++changes; };
    glyph.SetGlyph(Cells(16, 4));
    EXPECT_EQ(glyph.NumGlyphs(), 4);
    EXPECT_EQ(glyph.TransparentColor(), clLime);
    glyph.SetGlyph(Cells(16, 6));
    EXPECT_EQ(glyph.NumGlyphs(), 1);  // six or more pictures are not split
    glyph.SetGlyph(Cells(16, 4));
    glyph.SetGlyph(Cells(16, 3, 2));  // 50 wide: the count stays
    EXPECT_EQ(glyph.NumGlyphs(), 4);
    EXPECT_EQ(changes, 4);
    glyph.SetNumGlyphs(0);
    EXPECT_EQ(glyph.NumGlyphs(), 4);
}

TEST(KitGlyph, StatesPickOrDeriveTheirPictures)
{
    TKitGlyph glyph;
    EXPECT_EQ(glyph.GlyphIndex(0), -1);  // no bitmap: no picture
    EXPECT_EQ(glyph.List(), nullptr);

    const TBitmap one = Cells(8, 1);
    glyph.SetGlyph(one);
    const int idle = glyph.GlyphIndex(0);
    const int disabled = glyph.GlyphIndex(1);
    const int hot = glyph.GlyphIndex(2);
    ASSERT_NE(glyph.List(), nullptr);
    const TKitGlyphList& list = *glyph.List();
    EXPECT_EQ(glyph.GlyphIndex(7), disabled);  // 7 shares the disabled picture
    EXPECT_EQ(glyph.GlyphIndex(0), idle);      // produced once
    EXPECT_TRUE(list.ImageCopy(idle) == Stored(one.Image()));
    EXPECT_TRUE(list.ImageCopy(hot) == Stored(one.Image()));
    EXPECT_TRUE(list.ImageCopy(disabled) == Stored(KitDisabledGlyph(one.Image(), clLime)));
    EXPECT_TRUE(list.PictureMasked(idle));
    EXPECT_EQ(At(list.MaskStrip(), list.ImageRect(idle).Left, 7), clWhite);  // the lime border is see-through

    // Style 1: grey while idle, coloured when hot.
    glyph.SetStyle(1);
    EXPECT_TRUE(glyph.List() == nullptr);
    const int grey = glyph.GlyphIndex(0);
    EXPECT_TRUE(glyph.List()->ImageCopy(grey) == Stored(KitGreyGlyph(one.Image())));
    EXPECT_TRUE(glyph.List()->ImageCopy(glyph.GlyphIndex(6)) == Stored(one.Image()));

    // Several pictures: each state takes its own cell.
    const TBitmap four = Cells(8, 4);
    glyph.SetStyle(0);
    glyph.SetGlyph(four);
    EXPECT_EQ(glyph.List(), nullptr);
    const int pressed = glyph.GlyphIndex(3);
    EXPECT_TRUE(glyph.List()->ImageCopy(pressed) == Stored(four.Image().copy(24, 0, 8, 8)));
}

TEST(KitGlyph, GlyphsOfOneCellSizeShareAStripThatGoesWithThem)
{
    ASSERT_TRUE(KitGlyphCache() == nullptr || KitGlyphCache()->IsEmpty());
    {
        TKitGlyph a;
        TKitGlyph b;
        TKitGlyph other;
        a.SetGlyph(Cells(10, 1));
        b.SetGlyph(Cells(10, 2));
        other.SetGlyph(Cells(12, 1));
        const int first = a.GlyphIndex(0);
        const int second = b.GlyphIndex(0);
        other.GlyphIndex(0);
        EXPECT_EQ(a.List(), b.List());
        EXPECT_NE(a.List(), other.List());
        EXPECT_NE(first, second);
        EXPECT_EQ(KitGlyphCache()->Count(), 2);
        EXPECT_EQ(a.List()->UseCount(), 2);

        // A position given back is used again.
        a.Invalidate();
        EXPECT_EQ(b.List()->UseCount(), 1);
        EXPECT_EQ(a.GlyphIndex(0), first);
        EXPECT_EQ(b.List()->Count(), 2);
    }
    EXPECT_EQ(KitGlyphCache(), nullptr);
}

TEST(KitGlyph, GreyAndEmbossedRenderings)
{
    // The grey picture: brightness 765, 540, 300 and 30 around an average of 408.75 give
    // white, clBtnHighlight, clBtnShadow and black; the top-left colour stays.
    QImage picture(5, 1, QImage::Format_RGB32);
    const QRgb row[] = {qRgb(0, 0, 128), qRgb(255, 255, 255), qRgb(180, 180, 180), qRgb(100, 100, 100), qRgb(10, 10, 10)};
    for (int x = 0; x < 5; ++x) picture.setPixel(x, 0, row[x]);
    const QImage grey = KitGreyGlyph(picture);
    ASSERT_EQ(grey.size(), picture.size());
    const std::vector<TColor> expected = {clNone, clWhite, ColorToRGB(clBtnHighlight), ColorToRGB(clBtnShadow), clBlack};
    EXPECT_EQ(At(grey, 0, 0), FromQColor(QColor(row[0])));
    for (int x = 1; x < 5; ++x) EXPECT_EQ(At(grey, x, 0), expected[static_cast<size_t>(x)]) << "x " << x;

    // A picture of one colour only: nothing counts, nothing changes.
    QImage plain(3, 2, QImage::Format_RGB32);
    plain.fill(qRgb(9, 9, 9));
    EXPECT_TRUE(KitGreyGlyph(plain) == plain);

    // The embossed picture: the shape in shadow, its copy one pixel down and right in
    // highlight, the rest in the transparent colour; white is no part of the shape.
    QImage shape(4, 4, QImage::Format_RGB32);
    shape.fill(qRgb(0, 255, 0));
    shape.setPixel(1, 1, qRgb(200, 0, 0));
    shape.setPixel(2, 1, qRgb(255, 255, 255));
    shape.setPixel(3, 3, qRgb(0, 0, 200));  // its highlight would fall outside
    const QImage embossed = KitDisabledGlyph(shape, clLime);
    EXPECT_EQ(At(embossed, 1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(embossed, 2, 2), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(embossed, 2, 1), clLime);
    EXPECT_EQ(At(embossed, 3, 3), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(embossed, 0, 0), clLime);
}

}  // namespace

// The arrow strip: each loaded cell is the strip's cell of that number, the arrows point the
// way their number says, and a glyph made from one sees through the magenta background.
TEST(KitArrowGlyph, LoadsTheNumberedCellOfTheStrip)
{
    const QImage strip = KitArrowGlyphStrip().Image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(strip.width(), kitArrowGlyphWidth * kitArrowGlyphCount);
    ASSERT_EQ(strip.height(), kitArrowGlyphHeight);
    ExpectGolden(strip.scaled(strip.width() * 4, strip.height() * 4), "arrow-glyphs");

    // Ink per row and column of a cell: the arrow's wide side lies away from where it points.
    const auto inkRows = [](const QImage& cell) {
        std::vector<int> rows(cell.height()), columns(cell.width());
        for (int y = 0; y < cell.height(); ++y) {
            for (int x = 0; x < cell.width(); ++x) {
                if (cell.pixel(x, y) == qRgb(0, 0, 0)) {
                    ++rows[y];
                    ++columns[x];
                }
            }
        }
        return std::pair{rows, columns};
    };
    struct Case {
        int n;
        const char* direction;
    };
    for (const Case& c : {Case{1, "down"}, Case{2, "up"}, Case{3, "left"}, Case{4, "right"}}) {
        SCOPED_TRACE(c.direction);
        TBitmap loaded;
        loaded.SetImage(QImage(5, 5, QImage::Format_RGB32));
        KitLoadArrowGlyph(loaded, c.n);
        const QImage cell = loaded.Image().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(cell.size(), QSize(kitArrowGlyphWidth, kitArrowGlyphHeight));
        EXPECT_EQ(cell, strip.copy((c.n - 1) * kitArrowGlyphWidth, 0, kitArrowGlyphWidth, kitArrowGlyphHeight));
        const auto [rows, columns] = inkRows(cell);
        std::vector<int> profile;
        for (int v : (c.n <= 2 ? rows : columns)) {
            if (v > 0) profile.push_back(v);
        }
        const bool tipLast = c.n == 1 || c.n == 4;
        std::vector<int> expected = tipLast ? std::vector<int>{7, 5, 3, 1} : std::vector<int>{1, 3, 5, 7};
        EXPECT_EQ(profile, expected);
    }

    for (int outside : {0, -3, kitArrowGlyphCount + 1}) {
        TBitmap loaded;
        KitLoadArrowGlyph(loaded, outside);
        EXPECT_EQ(loaded.Image().convertToFormat(QImage::Format_RGB32), strip.copy(0, 0, kitArrowGlyphWidth, kitArrowGlyphHeight))
            << outside;
    }

    TBitmap arrow;
    KitLoadArrowGlyph(arrow, 2);
    TKitGlyph glyph;
    glyph.SetGlyph(arrow);
    EXPECT_EQ(glyph.TransparentColor(), kitArrowGlyphBackground);
    EXPECT_EQ(glyph.NumGlyphs(), 1);
}
