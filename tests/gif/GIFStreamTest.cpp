#include "gif/GIFStream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

std::string Bytes(TMemoryStream& stream)
{
    return std::string(stream.Memory(), static_cast<size_t>(stream.Size()));
}

TEST(GIFStreamTest, ScanLineAndColourArithmetic)
{
    struct Row {
        int width, bits, alignment, expected;
    } rows[] = {{3, 24, 32, 12}, {5, 8, 32, 8}, {1, 1, 32, 4}, {33, 1, 32, 8}, {4, 8, 32, 4}, {7, 4, 16, 4}};
    for (const Row& row : rows) {
        EXPECT_EQ(RowBytes(row.width, row.bits, row.alignment), row.expected) << row.width << "x" << row.bits;
    }
    struct Colors {
        int colors, bits;
    } colors[] = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {16, 4}, {17, 5}, {256, 8}, {257, 9}};
    for (const Colors& c : colors) {
        EXPECT_EQ(BitsForColors(c.colors), c.bits) << c.colors;
    }
}

TEST(GIFStreamTest, LongLinesAreSplitIntoSubBlocksAndComeBackSplit)
{
    TStringList lines;
    lines.Add(std::string(300, 'a'));
    lines.Add("bc");
    TMemoryStream stream;
    WriteSubBlocks(stream, lines);
    const std::string bytes = Bytes(stream);
    ASSERT_EQ(bytes.size(), 1 + 255 + 1 + 45 + 1 + 2 + 1u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 255);
    EXPECT_EQ(static_cast<uint8_t>(bytes[256]), 45);
    EXPECT_EQ(static_cast<uint8_t>(bytes[302]), 2);
    EXPECT_EQ(bytes.back(), '\0');

    stream.SetPosition(0);
    TStringList read;
    read.Add("stale");
    ReadSubBlocks(stream, read);
    ASSERT_EQ(read.Count(), 3);
    EXPECT_EQ(read[0], std::string(255, 'a'));
    EXPECT_EQ(read[1], std::string(45, 'a'));
    EXPECT_EQ(read[2], "bc");
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(GIFStreamTest, EmptyListIsOneZeroByte)
{
    TStringList lines;
    TMemoryStream stream;
    WriteSubBlocks(stream, lines);
    EXPECT_EQ(Bytes(stream), std::string(1, '\0'));
}

TEST(GIFStreamTest, SubBlocksEndAtTheStreamEndOrFailWhenCut)
{
    TStringList lines;
    TStringStream unterminated(std::string("\x02xy\x01z", 5));
    ReadSubBlocks(unterminated, lines);
    EXPECT_EQ(lines.Count(), 2);

    TStringStream cut(std::string("\x05xy", 3));
    try {
        ReadSubBlocks(cut, lines);
        FAIL() << "a cut sub-block must raise";
    } catch (const GIFException& error) {
        EXPECT_STREQ(error.Message().c_str(), "Premature end of data");
    }
    TStringStream empty;
    EXPECT_THROW(ReadByte(empty), GIFException);
}

TEST(GIFStreamTest, WriterPacksFullSubBlocksAndClosesThePartOne)
{
    TMemoryStream target;
    {
        TGIFWriter writer(target);
        for (int i = 0; i < 600; ++i) {
            writer.WriteByte(static_cast<uint8_t>(i));
        }
        EXPECT_EQ(target.Size(), 2 * 256) << "full sub-blocks go out at once";
        writer.Close();
    }
    const std::string bytes = Bytes(target);
    ASSERT_EQ(bytes.size(), 256 + 256 + 91u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 255);
    EXPECT_EQ(static_cast<uint8_t>(bytes[256]), 255);
    EXPECT_EQ(static_cast<uint8_t>(bytes[512]), 90);
    EXPECT_EQ(static_cast<uint8_t>(bytes[513]), static_cast<uint8_t>(510));

    TGIFWriter writer(target);
    char buffer[1];
    for (const auto& misuse : {std::function<void()>([&] { writer.Read(buffer, 1); }),
                               std::function<void()>([&] { writer.Write(buffer, 1); }),
                               std::function<void()>([&] { writer.Seek(0, TSeekOrigin::soFromBeginning); })}) {
        try {
            misuse();
            FAIL() << "the adapter's own stream operations must raise";
        } catch (const GIFException& error) {
            EXPECT_EQ(error.Message(), "Invalid stream operation");
        }
    }
}

TEST(GIFStreamTest, CheckGdiHandleRaisesOutOfResources)
{
    int value = 0;
    EXPECT_EQ(CheckGdiHandle(&value), &value);
    errno = 0;
    try {
        CheckGdiHandle(static_cast<int*>(nullptr));
        FAIL();
    } catch (const EOutOfResources& error) {
        EXPECT_EQ(error.Message(), "Out of system resources");
    }
    errno = ENOMEM;
    try {
        CheckGdiHandle(static_cast<int*>(nullptr));
        FAIL();
    } catch (const EOutOfResources& error) {
        EXPECT_EQ(error.Message(), SysErrorMessage(ENOMEM));
    }
}

}  // namespace
