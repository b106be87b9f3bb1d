// Reducing a photograph-like picture of 1024 by 768 to 256 colours: the octree quantiser with
// Floyd-Steinberg error diffusion (and, for comparison, the quantiser alone and the web cube),
// beside ImageMagick's "-colors 256" on the same picture in the same run. ImageMagick runs as a
// program: its time includes starting it and reading the picture, which the "read only" case
// measures on its own.

#include "gif/GIFColorReduction.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// Smooth shading of three colours over the picture, with grain: tens of thousands of colours.
QImage PhotoLike()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    std::mt19937 random(11);
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int grain = static_cast<int>(random() % 7) - 3;
            const double u = x / double(kWidth);
            const double v = y / double(kHeight);
            const int red = static_cast<int>(128 + 110 * std::sin(3.1 * u + 1.3 * v)) + grain;
            const int green = static_cast<int>(120 + 100 * std::cos(2.3 * v - 0.7 * u)) + grain;
            const int blue = static_cast<int>(100 + 90 * std::sin(5.0 * u * v + 0.5)) + grain;
            line[x] = qRgb(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
        }
    }
    return image;
}

const TBitmap& Source()
{
    static const TBitmap* source = [] {
        auto* bitmap = new TBitmap;
        bitmap->SetImage(PhotoLike());
        return bitmap;
    }();
    return *source;
}

// The picture as a PPM file for ImageMagick, written once. The name is never destroyed: the
// exit handler that removes the file runs after the static destructors.
const std::string& SourceFile()
{
    static const std::string& file = *new std::string([] {
        const std::string name = (std::filesystem::temp_directory_path() / ("gif-reduce-" + std::to_string(getpid()) + ".ppm")).string();
        PhotoLike().convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(name), "PPM");
        std::atexit([] { std::filesystem::remove(SourceFile()); });
        return name;
    }());
    return file;
}

void Reduce(benchmark::State& state, TColorReduction reduction, TDitherMode dither)
{
    for (auto _ : state) {
        auto reduced = ReduceBitmapColors(Source(), reduction, dither, nullptr, 8);
        benchmark::DoNotOptimize(reduced.get());
    }
    state.SetLabel("1024x768");
}

void BM_QuantizeFloydSteinberg(benchmark::State& state)
{
    Reduce(state, TColorReduction::rmQuantize, TDitherMode::dmFloydSteinberg);
}

void BM_QuantizeNearest(benchmark::State& state)
{
    Reduce(state, TColorReduction::rmQuantize, TDitherMode::dmNearest);
}

void BM_WebColorsFloydSteinberg(benchmark::State& state)
{
    Reduce(state, TColorReduction::rmWebColors, TDitherMode::dmFloydSteinberg);
}

void RunImageMagick(benchmark::State& state, const std::string& arguments)
{
    if (std::system("command -v convert >/dev/null 2>&1") != 0) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    const std::string command = "convert '" + SourceFile() + "' " + arguments + " null: 2>/dev/null";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("convert failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetLabel("1024x768, a program");
}

void BM_ImageMagickColors256(benchmark::State& state)
{
    RunImageMagick(state, "-dither FloydSteinberg -colors 256");
}

void BM_ImageMagickReadOnly(benchmark::State& state)
{
    RunImageMagick(state, "");
}

}  // namespace

BENCHMARK(BM_QuantizeFloydSteinberg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuantizeNearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebColorsFloydSteinberg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageMagickColors256)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_ImageMagickReadOnly)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
