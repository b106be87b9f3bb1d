// Compressing and restoring a screenshot-like bitmap file (1024 by 768, 24 bits: flat window
// faces, a title-bar gradient, lines of dark "text" strokes and a few coloured icons) with the
// kit's chunked LZRW1 streams, beside zlib at level 1 in the same run. Throughput counts the
// bitmap file's bytes ("bytes_per_second": MB of bitmap per second); "ratio" is the stored
// size over the bitmap's size.

#include "platform/gui/Bitmap.h"
#include "platform/rtl/Streams.h"
#include "widgets/KitStreamUtils.h"

#include <QImage>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

namespace {

QImage Screenshot()
{
    const int width = 1024;
    const int height = 768;
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(236, 233, 216));
    std::mt19937 random(11);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(0, 84 + y * 2, 227 - x / 8));
        }
    }
    // A white document area with lines of text: short dark strokes of varied widths.
    for (int y = 60; y < 700; ++y) {
        for (int x = 20; x < 1000; ++x) {
            image.setPixel(x, y, qRgb(255, 255, 255));
        }
    }
    for (int line = 70; line < 690; line += 16) {
        int x = 30;
        while (x < 960) {
            const int word = 3 + static_cast<int>(random() % 9);
            for (int letter = 0; letter < word && x < 990; ++letter, x += 7) {
                const unsigned shape = random();
                for (int dy = 0; dy < 10; ++dy) {
                    for (int dx = 0; dx < 5; ++dx) {
                        if (((shape >> ((dy * 5 + dx) % 31)) & 1) != 0) {
                            image.setPixel(x + dx, line + dy, qRgb(20, 20, 20));
                        }
                    }
                }
            }
            x += 8;
        }
    }
    // Tool-bar icons.
    for (int icon = 0; icon < 30; ++icon) {
        const QRgb colour = qRgb(static_cast<int>(random() % 256), static_cast<int>(random() % 256), static_cast<int>(random() % 256));
        for (int y = 30; y < 52; ++y) {
            for (int x = 8 + icon * 30; x < 30 + icon * 30; ++x) {
                image.setPixel(x, y, (x + y) % 5 == 0 ? qRgb(255, 255, 255) : colour);
            }
        }
    }
    return image;
}

const std::string& BitmapFile()
{
    static const std::string file = [] {
        TBitmap bitmap;
        bitmap.SetImage(Screenshot());
        TStringStream stream;
        KitWriteBitmapFile(stream, bitmap, kitFormatDevice);
        return stream.DataString();
    }();
    return file;
}

std::string KitPacked()
{
    TStringStream source(BitmapFile());
    TStringStream packed;
    KitCompressStream(source, packed, static_cast<int64_t>(BitmapFile().size()));
    return packed.DataString();
}

std::string ZlibPacked()
{
    const std::string& file = BitmapFile();
    uLongf length = compressBound(file.size());
    std::string packed(length, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(file.data()), file.size(), 1);
    packed.resize(length);
    return packed;
}

void Report(benchmark::State& state, size_t packedSize)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(BitmapFile().size()));
    state.counters["ratio"] = static_cast<double>(packedSize) / static_cast<double>(BitmapFile().size());
}

void BM_KitCompress(benchmark::State& state)
{
    const std::string& file = BitmapFile();
    size_t packedSize = 0;
    for (auto _ : state) {
        TStringStream source(file);
        TMemoryStream packed;
        KitCompressStream(source, packed, static_cast<int64_t>(file.size()));
        packedSize = static_cast<size_t>(packed.Size());
        benchmark::DoNotOptimize(packed.Memory());
    }
    Report(state, packedSize);
}

void BM_KitDecompress(benchmark::State& state)
{
    const std::string packed = KitPacked();
    for (auto _ : state) {
        TStringStream source(packed);
        TMemoryStream restored;
        KitDecompressStream(source, restored);
        benchmark::DoNotOptimize(restored.Memory());
    }
    Report(state, packed.size());
}

void BM_ZlibLevel1Compress(benchmark::State& state)
{
    const std::string& file = BitmapFile();
    std::string packed(compressBound(file.size()), '\0');
    uLongf length = 0;
    for (auto _ : state) {
        length = packed.size();
        compress2(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(file.data()), file.size(), 1);
        benchmark::DoNotOptimize(packed.data());
    }
    Report(state, length);
}

void BM_ZlibDecompress(benchmark::State& state)
{
    const std::string packed = ZlibPacked();
    std::string restored(BitmapFile().size(), '\0');
    for (auto _ : state) {
        uLongf length = restored.size();
        uncompress(reinterpret_cast<Bytef*>(restored.data()), &length, reinterpret_cast<const Bytef*>(packed.data()), packed.size());
        benchmark::DoNotOptimize(restored.data());
    }
    Report(state, packed.size());
}

}  // namespace

BENCHMARK(BM_KitCompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibLevel1Compress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KitDecompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDecompress)->Unit(benchmark::kMillisecond);
