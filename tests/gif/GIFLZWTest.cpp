#include "GIFTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace giftest;

namespace {

const char* Name(TGIFCompression compression)
{
    return compression == TGIFCompression::gcLZW ? "LZW" : "RLE";
}

TEST(GIFLZWTest, BothEncodersRoundTripThroughTheDecoder)
{
    struct Case {
        TPattern pattern;
        int width, height, bits;
        bool interlaced;
    } cases[] = {
        {TPattern::Noise, 64, 48, 8, false},    {TPattern::Noise, 61, 37, 1, false},  {TPattern::Noise, 33, 17, 3, true},
        {TPattern::Runs, 200, 150, 8, false},   {TPattern::Runs, 97, 65, 2, true},    {TPattern::Runs, 300, 200, 5, false},
        {TPattern::Uniform, 4096, 1, 1, false}, {TPattern::Uniform, 1, 1, 1, false},  {TPattern::Uniform, 500, 300, 8, false},
        {TPattern::Gradient, 256, 64, 8, true}, {TPattern::Gradient, 70, 9, 4, true}, {TPattern::Pairs, 128, 128, 8, false},
        {TPattern::Pairs, 300, 100, 6, false},
    };
    for (const Case& c : cases) {
        const TFrame frame = MakeFrame(c.pattern, c.width, c.height, 1 << c.bits);
        for (const TGIFCompression compression : {TGIFCompression::gcLZW, TGIFCompression::gcRLE}) {
            const std::string data = Encode(frame, compression, c.bits, c.interlaced);
            EXPECT_EQ(static_cast<uint8_t>(data[0]), std::max(c.bits, 2));
            const TDecoded decoded = Decode(data, c.width, c.height, c.interlaced);
            EXPECT_TRUE(decoded.warnings.empty()) << Name(compression) << " " << c.width << "x" << c.height;
            EXPECT_EQ(decoded.pixels, frame.pixels) << Name(compression) << " " << c.width << "x" << c.height << " bits "
                                                    << c.bits;
        }
    }
}

// The edge cases of the coding: small code sizes, a full table and the shortest interlaced frames.
TEST(GIFLZWTest, CodingEdgeCases)
{
    // A 1-bit picture is coded with minimum code size 2.
    const TFrame mono = MakeFrame(TPattern::Noise, 9, 5, 2);
    for (const TGIFCompression compression : {TGIFCompression::gcLZW, TGIFCompression::gcRLE}) {
        const std::string data = Encode(mono, compression, 1);
        EXPECT_EQ(data[0], 2) << Name(compression);
        EXPECT_EQ(TraceCodes(data).front().code, 4) << "the data starts with the clear code of code size 2";
    }

    // 4096 distinct pairs: the LZW encoder clears when its next free code would be 4095.
    const TFrame pairs = MakeFrame(TPattern::Pairs, 256, 64, 256);
    const std::string data = Encode(pairs, TGIFCompression::gcLZW, 8);
    const std::vector<TTracedCode> codes = TraceCodes(data);
    const auto clear = std::find_if(codes.begin() + 1, codes.end(), [](const TTracedCode& c) { return c.code == 256; });
    ASSERT_NE(clear, codes.end()) << "a full table is cleared";
    EXPECT_EQ(clear->nextFree, 4095) << "the clear comes when the next free code would be 4095";
    EXPECT_EQ(Decode(data, 256, 64).pixels, pairs.pixels);

    // Interlaced frames of every small height decode all their rows.
    for (int height = 1; height <= 9; ++height) {
        TFrame frame{3, height, {}};
        for (int row = 0; row < height; ++row) {
            frame.pixels.insert(frame.pixels.end(), {static_cast<uint8_t>(row), static_cast<uint8_t>(row), 7});
        }
        for (const TGIFCompression compression : {TGIFCompression::gcLZW, TGIFCompression::gcRLE}) {
            EXPECT_EQ(Decode(Encode(frame, compression, 4, true), 3, height, true).pixels, frame.pixels)
                << Name(compression) << " height " << height;
        }
    }
}

TEST(GIFLZWTest, InterlacedRowsComeInFourPasses)
{
    EXPECT_EQ(GIFInterlacedRows(1), (std::vector<int>{0}));
    EXPECT_EQ(GIFInterlacedRows(3), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(GIFInterlacedRows(10), (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
}

TEST(GIFLZWTest, ShortDataLeavesTheFillValue)
{
    // Clear, 1, 2, 7 (the string "2 2"), then 1 at the grown code size, and no end code: five
    // pixels of six.
    TCodeWriter codes(2);
    codes.Code(4, 3).Code(1, 3).Code(2, 3).Code(7, 3).Code(1, 4);
    {
        const TDecoded decoded = Decode(codes.Data(), 3, 2, false, 9);
        EXPECT_EQ(decoded.pixels, (std::vector<uint8_t>{1, 2, 2, 2, 1, 9}));
        EXPECT_EQ(decoded.warnings, (std::vector<std::string>{"Decoder bit buffer under-run"}));
    }
    {
        // The stream ends without the zero block: no warning.
        const TDecoded decoded = Decode(codes.Data(false), 3, 2, false, 9);
        EXPECT_EQ(decoded.pixels, (std::vector<uint8_t>{1, 2, 2, 2, 1, 9}));
        EXPECT_TRUE(decoded.warnings.empty());
    }
    {
        // A sub-block longer than the rest of the stream is cut, with a warning.
        std::string data = codes.Data(false);
        data[1] = 40;
        const TDecoded decoded = Decode(data, 3, 2, false, 9);
        EXPECT_EQ(decoded.pixels, (std::vector<uint8_t>{1, 2, 2, 2, 1, 9}));
        EXPECT_EQ(decoded.warnings, (std::vector<std::string>{"Premature end of data"}));
    }
    {
        // No code size byte at all: the frame keeps the fill value.
        const TDecoded decoded = Decode("", 2, 2, false, 3);
        EXPECT_EQ(decoded.pixels, (std::vector<uint8_t>{3, 3, 3, 3}));
    }
}

TEST(GIFLZWTest, DataAfterTheEndCodeIsSkippedToTheZeroBlock)
{
    TCodeWriter codes(2);
    codes.Code(4, 3).Code(3, 3).Code(5, 3).Code(1, 3).Code(1, 3);
    std::string data = codes.Data() + "next";
    TStringStream stream(data);
    std::vector<uint8_t> pixels;
    DecodeGIFImageData(stream, 2, 2, false, 0, pixels, nullptr);
    EXPECT_EQ(pixels, (std::vector<uint8_t>{3, 0, 0, 0}));
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(data.size() - 4));
}

TEST(GIFLZWTest, BadDataGivesClearErrors)
{
    struct Case {
        const char* what;
        std::string data;
        int width, height;
        const char* message;
    } cases[] = {
        {"code size 0", std::string("\x00\x01\x00\x00", 4), 2, 2, "Invalid image data code size"},
        {"code size 9", std::string("\x09\x01\x00\x00", 4), 2, 2, "Invalid image data code size"},
        {"code past the table", TCodeWriter(2).Code(4, 3).Code(1, 3).Code(7, 3).Data(), 4, 4, "Invalid code in image data"},
        {"first code not a pixel", TCodeWriter(2).Code(4, 3).Code(6, 3).Data(), 4, 4, "Invalid code in image data"},
        {"frame beyond the limit", TCodeWriter(2).Code(4, 3).Data(), 65535, 65535,
         "Image dimensions exceed the supported maximum of 134217728 pixels"},
        {"data cannot fill the frame", std::string("\x02\x10") + std::string(16, '\x55') + std::string(1, '\0'), 4096,
         4096, "Image data too short for the image dimensions"},
    };
    for (const Case& c : cases) {
        try {
            Decode(c.data, c.width, c.height);
            ADD_FAILURE() << c.what << " must raise";
        } catch (const GIFException& error) {
            EXPECT_EQ(error.Message(), c.message) << c.what;
        }
    }
    // A frame with no pixels reads its data and allocates nothing.
    EXPECT_TRUE(Decode(TCodeWriter(2).Code(4, 3).Code(5, 3).Data(), 0, 7).pixels.empty());
}

TEST(GIFLZWTest, EncoderRefusesColoursOutsideTheTableAndCodesEmptyFrames)
{
    const TFrame frame = MakeFrame(TPattern::Noise, 8, 8, 16);
    for (const TGIFCompression compression : {TGIFCompression::gcLZW, TGIFCompression::gcRLE}) {
        TGIFEncodeSource source{frame.pixels.data(), 8, 8, false, 4, 10};
        TStringStream stream;
        try {
            CreateGIFEncoder(compression)->Compress(stream, source);
            ADD_FAILURE() << Name(compression);
        } catch (const GIFException& error) {
            EXPECT_EQ(error.Message(), "Color not in color table");
        }
        // Only the end code: 5 at 3 bits in one sub-block.
        TStringStream empty;
        CreateGIFEncoder(compression)->Compress(empty, TGIFEncodeSource{nullptr, 0, 0, false, 1, 2});
        EXPECT_EQ(empty.DataString(), std::string("\x02\x01\x05\x00", 4)) << Name(compression);
    }
}

TEST(GIFLZWTest, RunLengthEncoderCompressesRuns)
{
    // Long runs cost a handful of codes each; noise costs a code per pixel.
    const TFrame uniform = MakeFrame(TPattern::Uniform, 1000, 100, 256);
    const std::string data = Encode(uniform, TGIFCompression::gcRLE, 8);
    EXPECT_LT(data.size(), 2000u);
    const std::vector<TTracedCode> codes = TraceCodes(data);
    EXPECT_TRUE(std::all_of(codes.begin(), codes.end(),
                            [](const TTracedCode& c) { return c.code == 255 || c.code >= 256; }))
        << "only the pixel value, clears and run codes";
}

}  // namespace
