// LZRW1 blocks, chunked streams and the typed stream routines of the kit's stored lists.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "widgets/KitLZRW.h"
#include "widgets/KitStreamUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Compress(const Bytes& input)
{
    Bytes block(KitCompressBound(input.size()));
    block.resize(KitCompress(input.data(), block.data(), input.size()));
    return block;
}

Bytes Decompress(const Bytes& block, size_t capacity)
{
    // Exactly sized buffers: a read or write outside them is caught by the sanitizers.
    Bytes output(capacity);
    output.resize(KitDecompress(block.data(), output.data(), block.size(), capacity));
    return output;
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes Repeat(size_t count, uint8_t value)
{
    return Bytes(count, value);
}

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Random(size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (uint8_t& byte : bytes) {
        byte = static_cast<uint8_t>(generator());
    }
    return bytes;
}

// Runs, repeated phrases and short random stretches, as pictures and texts have them.
Bytes Repetitive(size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes bytes;
    while (bytes.size() < count) {
        switch (generator() % 3) {
        case 0:
            bytes.insert(bytes.end(), 1 + generator() % 300, static_cast<uint8_t>(generator()));
            break;
        case 1: {
            const std::string phrase = "Ticket " + std::to_string(generator() % 50) + " closed. ";
            bytes.insert(bytes.end(), phrase.begin(), phrase.end());
            break;
        }
        default:
            for (unsigned i = generator() % 8; i > 0; --i) {
                bytes.push_back(static_cast<uint8_t>(generator()));
            }
        }
    }
    bytes.resize(count);
    return bytes;
}

}  // namespace

TEST(KitLZRW, HandComputedBlocks)
{
    struct Case {
        const char* name;
        Bytes input;
        Bytes block;
    };
    const std::vector<Case> cases = {
        {"a run of 20", Repeat(20, 'x'), {64, 0x80, 0x00, 0, 0, 4, 'x'}},
        {"literals then a run", Concat(Text("ab"), Repeat(20, 'z')), {64, 0x20, 0x00, 'a', 'b', 0, 0, 4, 'z'}},
        {"three literals and a match", Text("abcabcabc"), {64, 0x10, 0x00, 'a', 'b', 'c', 0x00, 0x33}},
        // The longest run item, then the byte left over as a literal.
        {"a run of 4096", Repeat(4096, 'q'), {64, 0x80, 0x00, 0, 0x0F, 0xEF, 'q', 'q'}},
        {"too short to pay", Text("abcd"), {128, 'a', 'b', 'c', 'd'}},
        {"nothing", {}, {128}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Compress(c.input), c.block);
        EXPECT_EQ(Decompress(c.block, c.input.size()), c.input);
    }
}

TEST(KitLZRW, RandomDataIsStored)
{
    const Bytes input = Random(1000, 7);
    const Bytes block = Compress(input);
    ASSERT_EQ(block.size(), input.size() + 1);
    EXPECT_EQ(block[0], kitBlockStored);
    EXPECT_EQ(Bytes(block.begin() + 1, block.end()), input);
}

TEST(KitLZRW, OutputMayReachSixBytesBeyondTheInputBeforeFallingBackToStored)
{
    // 128 literals fill eight control words: the output stands exactly at the input's length
    // when the run behind them starts, so the compressor reserves a control word and writes
    // the run item before it sees that storing is shorter.
    Bytes input;
    for (int i = 0; i < 128; ++i) {
        input.push_back(static_cast<uint8_t>(i));
    }
    input.insert(input.end(), 17, 0xFF);
    const size_t count = input.size();
    Bytes buffer(KitCompressBound(count) + 8, 0xAA);
    const size_t length = KitCompress(input.data(), buffer.data(), count);
    EXPECT_EQ(length, count + 1);
    EXPECT_EQ(buffer[0], kitBlockStored);
    EXPECT_EQ(buffer[count + 5], 0xFF);  // the run item's last byte
    for (size_t i = KitCompressBound(count); i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], 0xAA) << "written at " << i;
    }
    buffer.resize(length);
    EXPECT_EQ(Decompress(buffer, count), input);
}

TEST(KitLZRW, BlocksRoundTripAtEverySize)
{
    for (size_t size : {size_t{1}, size_t{2}, size_t{3}, size_t{15}, size_t{16}, size_t{17}, size_t{18}, size_t{19}, size_t{4095},
                        size_t{4096}, size_t{4100}, size_t{32781}, size_t{65535}}) {
        for (const Bytes& input : {Random(size, 1), Repetitive(size, 2), Repeat(size, 0)}) {
            SCOPED_TRACE(size);
            const Bytes block = Compress(input);
            ASSERT_LE(block.size(), size + 1);
            ASSERT_EQ(Decompress(block, size), input);
        }
    }
    Bytes tooLong(kitMaxBlockInput + 1);
    Bytes block(KitCompressBound(tooLong.size()));
    EXPECT_THROW(KitCompress(tooLong.data(), block.data(), tooLong.size()), EInvalidOperation);
}

TEST(KitLZRW, DamagedBlocksRaiseInsteadOfReadingOrWritingOutOfBounds)
{
    struct Case {
        const char* name;
        Bytes block;
        size_t capacity;
    };
    const std::vector<Case> cases = {
        {"no flag byte", {}, 10},
        {"unknown flag", {65, 0x00, 0x00, 'a'}, 10},
        {"stored beyond the room", {128, 1, 2, 3}, 2},
        {"control word cut short", {64, 0x80}, 10},
        {"match cut short", {64, 0x80, 0x00, 0x00}, 10},
        {"run cut short", {64, 0x80, 0x00, 0, 0, 4}, 100},
        {"distance before the start", {64, 0x10, 0x00, 'a', 'b', 'c', 0x00, 0x43}, 100},
        {"match beyond the room", {64, 0x10, 0x00, 'a', 'b', 'c', 0x00, 0x3F}, 10},
        {"run beyond the room", {64, 0x80, 0x00, 0, 0x0F, 0xEF, 'x'}, 4000},
        {"literal beyond the room", {64, 0x00, 0x00, 'a', 'b', 'c'}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes output(c.capacity);
        try {
            KitDecompress(c.block.data(), output.data(), c.block.size(), output.size());
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), "LZRW Error! The compressed data is damaged.");
        }
    }
}

TEST(KitLZRW, ChunkedStreamsRoundTripAcrossChunks)
{
    const size_t chunk = static_cast<size_t>(kitChunkSize);
    for (size_t size : {size_t{0}, size_t{1}, size_t{100}, chunk - 1, chunk, chunk + 1, 2 * chunk, 3 * chunk + 17}) {
        for (const Bytes& input : {Random(size, 3), Repetitive(size, 4)}) {
            SCOPED_TRACE(size);
            TStringStream source(std::string(input.begin(), input.end()));
            TMemoryStream packed;
            KitWriteByte(packed, 0x5A);  // the chunked stream need not start the stream
            KitCompressStream(source, packed, static_cast<int64_t>(size));
            const int64_t end = packed.Position();
            ASSERT_EQ(end, packed.Size());
            packed.SetPosition(1);
            ASSERT_EQ(KitReadInt(packed), end - 5);
            // The chunks: lengths and blocks adding up to the total, one per chunk of input.
            size_t chunks = 0;
            while (packed.Position() < end) {
                const int32_t length = KitReadInt(packed);
                packed.Seek(length, TSeekOrigin::soFromCurrent);
                ++chunks;
            }
            ASSERT_EQ(packed.Position(), end);
            EXPECT_EQ(chunks, (size + chunk - 1) / chunk);

            packed.SetPosition(1);
            TStringStream restored("prefix");
            restored.Seek(0, TSeekOrigin::soFromEnd);
            KitDecompressStream(packed, restored);
            EXPECT_EQ(restored.DataString(), "prefix" + std::string(input.begin(), input.end()));
            EXPECT_EQ(packed.Position(), end);
        }
    }
}

TEST(KitLZRW, DamagedChunkedStreamsRaise)
{
    TStringStream source(std::string(5000, 'k') + "tail");
    TMemoryStream packed;
    KitCompressStream(source, packed, 5004);
    const std::string good(packed.Memory(), static_cast<size_t>(packed.Size()));

    auto withTotal = [&](int32_t total) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) {
            bytes[static_cast<size_t>(i)] = static_cast<char>(static_cast<uint32_t>(total) >> (8 * i));
        }
        return bytes;
    };
    const std::vector<std::pair<const char*, std::string>> damaged = {
        {"cut short", good.substr(0, good.size() - 3)},
        {"total beyond the chunks", withTotal(static_cast<int32_t>(good.size()) + 10)},
        {"total inside a chunk", withTotal(6)},
        {"block damaged", [&] {
             std::string bytes = good;
             bytes[8] = 99;  // the flag byte of the first block
             return bytes;
         }()},
    };
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        TStringStream stream(bytes);
        TMemoryStream output;
        EXPECT_THROW(KitDecompressStream(stream, output), EReadError);
    }
}

TEST(KitStreamUtils, TypedValuesAndLengthsInFront)
{
    TMemoryStream stream;
    KitWriteInt(stream, -2);
    KitWriteByte(stream, 200);
    KitWriteShortString(stream, std::string(300, 'w'));
    KitWriteShortString(stream, "");
    stream.SetPosition(0);
    EXPECT_EQ(KitReadInt(stream), -2);
    EXPECT_EQ(KitReadByte(stream), 200);
    EXPECT_EQ(KitReadShortString(stream), std::string(255, 'w'));
    EXPECT_EQ(KitReadShortString(stream), "");
    EXPECT_THROW(KitReadByte(stream), EReadError);

    // A length beyond what the stream holds fails before anything is allocated.
    TStringStream lengths(std::string("\xFF\xFF\xFF\x7F", 4));
    EXPECT_THROW(KitReadBytes(lengths, KitReadInt(lengths)), EReadError);
    lengths.SetPosition(0);
    EXPECT_THROW(KitReadBytes(lengths, -1), EReadError);
}

TEST(KitStreamUtils, StringListsPlainAndCompressed)
{
    TStringList list;
    list.Add("first");
    list.Add("second");
    TMemoryStream plain;
    KitSaveStringList(plain, list, false);
    EXPECT_EQ(std::string(plain.Memory(), static_cast<size_t>(plain.Size())), std::string("\x0F\0\0\0first\r\nsecond\r\n", 19));

    for (int i = 0; i < 2000; ++i) {
        list.Add("line " + std::to_string(i % 10));
    }
    TMemoryStream packed;
    KitSaveStringList(packed, list, true);
    KitWriteByte(packed, 0x77);
    EXPECT_LT(packed.Size(), static_cast<int64_t>(list.Text().size()) / 4);
    packed.SetPosition(0);
    TStringList restored;
    KitLoadStringList(packed, restored, true);
    EXPECT_EQ(restored.Text(), list.Text());
    EXPECT_EQ(KitReadByte(packed), 0x77);
}
