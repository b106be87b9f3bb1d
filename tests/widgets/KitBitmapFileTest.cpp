// The kit's bitmap files: the builder's layout as ImageMagick reads it, and bitmaps stored
// plain or compressed and read back through the layer's bitmap loader.

#include "KitStorageTestSupport.h"

#include "platform/rtl/Exceptions.h"
#include "widgets/KitStreamUtils.h"

#include <QImage>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <vector>

namespace {

// A picture in the 16 standard colours, 13 pixels wide so that lines need padding.
QImage StandardColours()
{
    const std::vector<QRgb> colours = {qRgb(0, 0, 0),     qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(255, 255, 0),
                                       qRgb(0, 0, 255),   qRgb(192, 192, 192), qRgb(255, 255, 255), qRgb(0, 255, 255)};
    QImage image(13, 7, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, colours[static_cast<size_t>((x + 3 * y) % 8)]);
        }
    }
    return image;
}

QImage TrueColour()
{
    QImage image(13, 7, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x * 19, y * 36, (x * y * 7) % 256));
        }
    }
    return image;
}

QImage BlackAndWhite()
{
    QImage image = StandardColours().convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    return image;
}

TBitmap MakeBitmap(const QImage& image)
{
    TBitmap bitmap;
    bitmap.SetImage(image);
    return bitmap;
}

std::string Written(const TBitmap& bitmap, int format)
{
    TStringStream stream;
    KitWriteBitmapFile(stream, bitmap, format);
    return stream.DataString();
}

uint32_t Long(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    }
    return value;
}

uint16_t Word(const std::string& bytes, size_t at)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

QImage Reloaded(const std::string& file)
{
    TStringStream stream(file);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    return bitmap.Image().convertToFormat(QImage::Format_RGB32);
}

void ExpectSamePixels(const QImage& actual, const QImage& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            ASSERT_EQ(actual.pixel(x, y) | 0xFF000000u, expected.pixel(x, y) | 0xFF000000u) << x << "," << y;
        }
    }
}

}  // namespace

TEST(KitBitmapFile, HeaderAndLinesFollowTheFormatCode)
{
    struct Case {
        const char* name;
        QImage image;
        int format;
        int bits;
    };
    const std::vector<Case> cases = {
        {"device", TrueColour(), kitFormatDevice, 24},
        {"16-bit choice", TrueColour(), kitFormat16Bit, 24},
        {"256 colours", StandardColours(), kitFormat256Colors, 8},
        {"16 colours", StandardColours(), kitFormat16Colors, 4},
        {"monochrome", BlackAndWhite(), kitFormatMonochrome, 1},
        {"monochrome asked for 256 colours", BlackAndWhite(), kitFormat256Colors, 1},
        {"own colour table", StandardColours().convertToFormat(QImage::Format_Indexed8), kitFormat16Colors, 4},
    };
    TestFolder folder;
    std::map<std::string, int> bitsByFile;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = Written(MakeBitmap(c.image), c.format);
        const uint32_t lineSize = (13u * static_cast<uint32_t>(c.bits) + 31) / 32 * 4;
        const uint32_t tableSize = c.bits == 24 ? 0 : 4u << c.bits;
        EXPECT_EQ(file.substr(0, 2), "BM");
        EXPECT_EQ(Long(file, 2), file.size());
        EXPECT_EQ(Long(file, 6), 0u);
        EXPECT_EQ(Long(file, 10), 54 + tableSize);
        EXPECT_EQ(Long(file, 14), 40u);
        EXPECT_EQ(Long(file, 18), 13u);
        EXPECT_EQ(Long(file, 22), 7u);
        EXPECT_EQ(Word(file, 26), 1);
        EXPECT_EQ(Word(file, 28), c.bits);
        EXPECT_EQ(Long(file, 30), 0u);
        EXPECT_EQ(Long(file, 34), 7 * lineSize);
        EXPECT_EQ(file.size(), 54 + tableSize + 7 * lineSize);
        // Every picture here uses colours the table holds: nothing is lost.
        ExpectSamePixels(Reloaded(file), c.image.convertToFormat(QImage::Format_RGB32));
        const std::string name = folder / (std::to_string(bitsByFile.size()) + ".bmp");
        TestFolder::WriteFile(name, file);
        bitsByFile[name] = c.bits;
    }

    // One shell for all files: ImageMagick's reader reports the size and depth it sees.
    std::string command;
    for (const auto& [name, bits] : bitsByFile) {
        command += "echo '== " + name + "'; identify -debug coder -log '%e' " + KitShellQuoted(name) + " || echo FAILED; ";
    }
    bool ok = false;
    const std::string report = RunKitCommand("{ " + command + "}", ok);
    ASSERT_TRUE(ok) << report;
    for (const auto& [name, bits] : bitsByFile) {
        const size_t start = report.find("== " + name);
        ASSERT_NE(start, std::string::npos) << report;
        const std::string part = report.substr(start, report.find("== ", start + 3) - start);
        SCOPED_TRACE(part);
        EXPECT_EQ(part.find("FAILED"), std::string::npos);
        EXPECT_NE(part.find("Geometry: 13x7"), std::string::npos);
        EXPECT_NE(part.find("Bits per pixel: " + std::to_string(bits) + "\n"), std::string::npos);
    }

    // And the pixels ImageMagick reads from the 24-bit file are the picture's.
    const std::string rgbName = folder / "pixels.rgb";
    const std::string trueColour = bitsByFile.begin()->first;
    RunKitCommand("convert " + KitShellQuoted(trueColour) + " -depth 8 rgb:" + KitShellQuoted(rgbName), ok);
    ASSERT_TRUE(ok);
    const std::string rgb = TestFolder::ReadFile(rgbName);
    const QImage expected = TrueColour();
    ASSERT_EQ(rgb.size(), 13u * 7u * 3u);
    for (int i = 0; i < 13 * 7; ++i) {
        const QRgb pixel = expected.pixel(i % 13, i / 13);
        EXPECT_EQ(static_cast<uint8_t>(rgb[static_cast<size_t>(3 * i)]), qRed(pixel));
        EXPECT_EQ(static_cast<uint8_t>(rgb[static_cast<size_t>(3 * i + 1)]), qGreen(pixel));
        EXPECT_EQ(static_cast<uint8_t>(rgb[static_cast<size_t>(3 * i + 2)]), qBlue(pixel));
    }
}

TEST(KitBitmapFile, FewerColoursMapToTheNearestTableEntry)
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(250, 10, 5));   // nearest standard colour: red
    image.setPixel(1, 0, qRgb(100, 100, 90));  // nearest: grey
    const QImage reloaded = Reloaded(Written(MakeBitmap(image), kitFormat16Colors));
    EXPECT_EQ(reloaded.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(reloaded.pixel(1, 0), qRgb(128, 128, 128));
    const QImage mono = Reloaded(Written(MakeBitmap(image), kitFormatMonochrome));
    EXPECT_EQ(mono.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(mono.pixel(1, 0), qRgb(0, 0, 0));
}

TEST(KitBitmapFile, StoredBitmapsComeBackWhole)
{
    const QImage picture = TrueColour();
    for (const bool compressed : {false, true}) {
        for (const int format : {kitFormatLibrary, kitFormatDevice}) {
            SCOPED_TRACE(std::to_string(compressed) + " " + std::to_string(format));
            TMemoryStream stream;
            KitSaveBitmap(stream, MakeBitmap(picture), compressed, format);
            KitWriteByte(stream, 0x42);
            stream.SetPosition(0);
            if (!compressed) {
                EXPECT_EQ(KitReadInt(stream), stream.Size() - 5);
                stream.SetPosition(0);
            }
            TBitmap restored;
            KitLoadBitmap(stream, restored, compressed);
            ExpectSamePixels(restored.Image().convertToFormat(QImage::Format_RGB32), picture);
            EXPECT_EQ(KitReadByte(stream), 0x42);
        }
    }

    TMemoryStream stream;
    for (const int format : {kitFormatLibrary, kitFormatDevice}) {
        EXPECT_THROW(KitSaveBitmap(stream, TBitmap(), false, format), EInvalidGraphic);
    }
    TStringStream notABitmap(std::string("\x04\0\0\0abcd", 8));
    TBitmap bitmap;
    EXPECT_THROW(KitLoadBitmap(notABitmap, bitmap, false), EInvalidGraphic);
    // A bitmap file whose size field runs past the data.
    std::string cut = Written(MakeBitmap(picture), kitFormatDevice);
    cut[5] = 0x7F;
    TStringStream cutStream(cut);
    EXPECT_THROW(bitmap.LoadFromStream(cutStream), EInvalidGraphic);
    // A header claiming far more lines than the file holds is refused before any picture is
    // made of it.
    std::string tall = Written(MakeBitmap(picture), kitFormatDevice);
    tall[24] = 0x7F;
    TStringStream tallStream(tall);
    EXPECT_THROW(bitmap.LoadFromStream(tallStream), EInvalidGraphic);
}
