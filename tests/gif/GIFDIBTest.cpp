#include "gif/GIFDIB.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(GIFDIBTest, EightBitWriterBuildsAnIndexedBitmapTopDown)
{
    TBitmap bitmap;
    const TPalette palette = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
    TDIBWriter writer(bitmap, &palette, 2, 5, TPixelFormat::pf8bit);
    for (int row = 0; row < 2; ++row) {
        uint8_t* line = writer.Line(row);
        for (int x = 0; x < 5; ++x) {
            line[x] = static_cast<uint8_t>((x + row) % 3);
        }
    }
    EXPECT_TRUE(bitmap.Empty()) << "the bitmap gets the picture on Close";
    writer.Close();
    ASSERT_EQ(bitmap.Width(), 5);
    ASSERT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(bitmap.ScanLine(0)[1], 1);
    EXPECT_EQ(bitmap.ScanLine(1)[1], 2);
    const TPalette read = bitmap.Palette();
    ASSERT_GE(read.size(), 3u);
    EXPECT_EQ(read[2], (TPaletteEntry{0, 0, 255, 0}));
    EXPECT_EQ(bitmap.Image().pixel(0, 1), qRgb(0, 255, 0));
}

TEST(GIFDIBTest, TwentyFourBitWriterAndReader)
{
    TBitmap bitmap;
    {
        TDIBWriter writer(bitmap, nullptr, 3, 2, TPixelFormat::pf24bit);
        for (int row = 0; row < 3; ++row) {
            uint8_t* line = writer.Line(row);
            for (int x = 0; x < 2; ++x) {
                line[3 * x] = static_cast<uint8_t>(10 * row);      // blue
                line[3 * x + 1] = static_cast<uint8_t>(100 + x);   // green
                line[3 * x + 2] = 200;                             // red
            }
        }
        writer.Close();
    }
    EXPECT_EQ(bitmap.Image().pixel(1, 2), qRgb(200, 101, 20));

    // The reader turns an indexed bitmap into blue-green-red lines.
    TBitmap indexed;
    indexed.SetImage(QImage(4, 1, QImage::Format_Indexed8));
    indexed.SetPalette({{1, 2, 3, 0}, {7, 8, 9, 0}});
    indexed.ScanLine(0)[0] = 0;
    indexed.ScanLine(0)[1] = 1;
    indexed.ScanLine(0)[2] = 1;
    indexed.ScanLine(0)[3] = 0;
    TDIBReader reader(indexed, TPixelFormat::pf24bit);
    EXPECT_EQ(indexed.PixelFormat(), TPixelFormat::pf24bit);
    const uint8_t* line = reader.Line(0);
    EXPECT_EQ(std::basic_string<uint8_t>(line, 6), (std::basic_string<uint8_t>{3, 2, 1, 9, 8, 7}));
}

TEST(GIFDIBTest, WriterRefusesWhatItCannotBuild)
{
    TBitmap bitmap;
    bitmap.SetSize(2, 2);
    struct Case {
        int height, width;
        TPixelFormat format;
        const char* message;
    } cases[] = {{2, 2, TPixelFormat::pf32bit, "Unsupported PixelFormat"},
                 {2, 2, TPixelFormat::pf1bit, "Unsupported PixelFormat"},
                 {0, 2, TPixelFormat::pf8bit, "Invalid image dimensions"},
                 {2, 0, TPixelFormat::pf24bit, "Invalid image dimensions"}};
    for (const Case& c : cases) {
        try {
            TDIBWriter writer(bitmap, nullptr, c.height, c.width, c.format);
            ADD_FAILURE() << c.message;
        } catch (const GIFException& error) {
            EXPECT_EQ(error.Message(), c.message);
        }
    }
    TDIBWriter writer(bitmap, nullptr, 2, 2, TPixelFormat::pf8bit);
    EXPECT_THROW(writer.Line(2), EInvalidGraphicOperation);
    EXPECT_THROW(writer.Line(-1), EInvalidGraphicOperation);
    writer.Line(0)[0] = 1;
    // Dropped without Close: the bitmap is left as it was.
}

TEST(GIFDIBTest, BitmapLoadsOnlyBmpImages)
{
    TBitmap bitmap;
    TStringStream notBmp("GIF89a and more");
    try {
        bitmap.LoadFromStream(notBmp);
        FAIL();
    } catch (const EInvalidGraphic& error) {
        EXPECT_EQ(error.Message(), "Bitmap image is not valid");
    }
    EXPECT_THROW(bitmap.SetPixelFormat(TPixelFormat::pf4bit), EInvalidGraphicOperation);
}

}  // namespace
