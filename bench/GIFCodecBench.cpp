// Decoding and encoding GIF pictures of 1024 by 768 and 4096 by 4096 pixels (256 colours, a
// photograph-like mix of smooth shading and grain), beside giflib in the same run. Throughput
// counts pixels (one byte each): "bytes_per_second" is MB of pixels per second. The encoders
// report the size of the file they wrote.

#include "gif/GIFPicture.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct TSize {
    int width;
    int height;
};

constexpr TSize kSizes[] = {{1024, 768}, {4096, 4096}};

std::vector<uint8_t> MakePixels(TSize size)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(size.width) * size.height);
    std::mt19937 random(7);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            // Smooth shading over the picture, with grain in two of every three bands.
            const double shade = 96 + 80 * std::sin(x * 0.004) * std::cos(y * 0.003) + 0.02 * (x + y) * 256.0 / size.width;
            const int grain = (y / 64) % 3 == 0 ? 0 : static_cast<int>(random() % 6);
            pixels[static_cast<size_t>(y) * size.width + x] = static_cast<uint8_t>(static_cast<int>(shade) + grain);
        }
    }
    return pixels;
}

std::vector<GifColorType> Palette()
{
    std::vector<GifColorType> colors(256);
    for (int i = 0; i < 256; ++i) {
        colors[static_cast<size_t>(i)] = {static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i),
                                          static_cast<GifByteType>(i / 2)};
    }
    return colors;
}

int WriteToString(GifFileType* gif, const GifByteType* bytes, int count)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
    return count;
}

// The picture as giflib writes it, line by line, into `bytes` (emptied first).
void GiflibEncode(const std::vector<uint8_t>& pixels, TSize size, std::string& bytes)
{
    bytes.clear();
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, WriteToString, &error);
    std::vector<GifColorType> colors = Palette();
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    EGifSetGifVersion(gif, false);
    EGifPutScreenDesc(gif, size.width, size.height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, size.width, size.height, false, nullptr);
    for (int y = 0; y < size.height; ++y) {
        EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data() + static_cast<size_t>(y) * size.width), size.width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
}

struct TMemoryReader {
    const std::string* bytes;
    size_t position;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* reader = static_cast<TMemoryReader*>(gif->UserData);
    const size_t available = std::min(static_cast<size_t>(count), reader->bytes->size() - reader->position);
    std::memcpy(buffer, reader->bytes->data() + reader->position, available);
    reader->position += available;
    return static_cast<int>(available);
}

// The test picture of each size and its file, made once.
struct TCase {
    TSize size;
    std::vector<uint8_t> pixels;
    std::string file;
};

const TCase& Case(int64_t index)
{
    static std::vector<TCase> cases = [] {
        std::vector<TCase> made;
        for (const TSize size : kSizes) {
            TCase c{size, MakePixels(size), {}};
            GiflibEncode(c.pixels, size, c.file);
            made.push_back(std::move(c));
        }
        return made;
    }();
    return cases[static_cast<size_t>(index)];
}

void SetPixelCounters(benchmark::State& state, TSize size)
{
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size.width) * size.height);
    state.SetLabel(std::to_string(size.width) + "x" + std::to_string(size.height));
}

void BM_DecodeZentivor(benchmark::State& state)
{
    const TCase& c = Case(state.range(0));
    TStringStream stream(c.file);
    TGIFPicture picture;
    for (auto _ : state) {
        stream.SetPosition(0);
        picture.LoadFromStream(stream);
        benchmark::DoNotOptimize(picture.Images()[0].Data().data());
    }
    if (picture.Images()[0].Data() != c.pixels) {
        state.SkipWithError("decoded pixels differ");
    }
    SetPixelCounters(state, c.size);
}

void BM_DecodeGiflib(benchmark::State& state)
{
    const TCase& c = Case(state.range(0));
    for (auto _ : state) {
        TMemoryReader reader{&c.file, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
            state.SkipWithError("giflib could not read the picture");
            break;
        }
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    SetPixelCounters(state, c.size);
}

void EncodeZentivor(benchmark::State& state, TGIFCompression compression)
{
    const TCase& c = Case(state.range(0));
    TGIFPicture picture;
    for (const GifColorType& color : Palette()) {
        picture.GlobalColorMap().Add({color.Red, color.Green, color.Blue});
    }
    auto frame = std::make_unique<TGIFSubImage>(&picture);
    frame->SetBounds(0, 0, c.size.width, c.size.height);
    frame->Data() = c.pixels;
    picture.Images().Add(std::move(frame));
    picture.SetCompression(compression);
    // The output stream keeps its memory from one run to the next, as giflib's string does.
    TMemoryStream stream;
    size_t written = 0;
    for (auto _ : state) {
        stream.SetSize(0);
        stream.SetPosition(0);
        picture.SaveToStream(stream);
        written = static_cast<size_t>(stream.Size());
    }
    state.counters["file_bytes"] = static_cast<double>(written);
    SetPixelCounters(state, c.size);
}

void BM_EncodeZentivorLZW(benchmark::State& state)
{
    EncodeZentivor(state, TGIFCompression::gcLZW);
}

void BM_EncodeZentivorRLE(benchmark::State& state)
{
    EncodeZentivor(state, TGIFCompression::gcRLE);
}

void BM_EncodeGiflib(benchmark::State& state)
{
    const TCase& c = Case(state.range(0));
    std::string bytes;
    for (auto _ : state) {
        GiflibEncode(c.pixels, c.size, bytes);
    }
    const size_t written = bytes.size();
    state.counters["file_bytes"] = static_cast<double>(written);
    SetPixelCounters(state, c.size);
}

}  // namespace

BENCHMARK(BM_DecodeZentivor)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGiflib)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeZentivorLZW)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeZentivorRLE)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeGiflib)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
