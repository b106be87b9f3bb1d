#include "gif/GIFDither.h"

#include "gif/GIFStream.h"

#include <algorithm>

TDitherEngine::TDitherEngine(int width, TColorLookup& lookup) : lookup_(lookup), width_(width) {}

TColorEntry TDitherEngine::MapPixel(uint8_t red, uint8_t green, uint8_t blue)
{
    const TColorEntry entry = lookup_.FindEntry(red, green, blue);
    column_ += direction_;
    return entry;
}

void TDitherEngine::EndLine()
{
    direction_ = -direction_;
    column_ = direction_ > 0 ? 0 : width_ - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup& lookup, int divisor, int margin,
                                                 std::vector<TDiffusionWeight> weights)
    : TDitherEngine(width, lookup), divisor_(divisor), margin_(margin), weights_(std::move(weights))
{
    rowCount_ = 1;
    for (const TDiffusionWeight& weight : weights_) {
        rowCount_ = std::max(rowCount_, weight.Row + 1);
    }
    rowLength_ = width + 2 * margin;
    errors_.assign(static_cast<size_t>(rowCount_) * 3 * static_cast<size_t>(rowLength_), 0);
    for (int row = 0; row < rowCount_; ++row) {
        order_.push_back(row);
    }
}

int& TErrorDiffusionDitherer::ErrorAt(int row, int channel, int column) noexcept
{
    const size_t start = (static_cast<size_t>(order_[static_cast<size_t>(row)]) * 3 + static_cast<size_t>(channel)) *
                         static_cast<size_t>(rowLength_);
    return errors_[start + static_cast<size_t>(column + margin_)];
}

TColorEntry TErrorDiffusionDitherer::MapPixel(uint8_t red, uint8_t green, uint8_t blue)
{
    const int pixel[3] = {red, green, blue};
    int value[3];
    for (int channel = 0; channel < 3; ++channel) {
        const int accumulated = ErrorAt(0, channel, column_);
        value[channel] = std::clamp(pixel[channel] + (accumulated + divisor_ / 2) / divisor_, 0, 255);
    }
    const TColorEntry entry =
        lookup_.FindEntry(static_cast<uint8_t>(value[0]), static_cast<uint8_t>(value[1]), static_cast<uint8_t>(value[2]));
    const int chosen[3] = {entry.Red, entry.Green, entry.Blue};
    for (int channel = 0; channel < 3; ++channel) {
        if (const int error = value[channel] - chosen[channel]; error != 0) {
            SpreadError(channel, error);
        }
    }
    column_ += direction_;
    return entry;
}

void TErrorDiffusionDitherer::SpreadError(int channel, int error)
{
    for (const TDiffusionWeight& weight : weights_) {
        ErrorAt(weight.Row, channel, column_ + weight.Offset * direction_) += weight.Weight * error;
    }
}

void TErrorDiffusionDitherer::EndLine()
{
    const int finished = order_.front();
    std::rotate(order_.begin(), order_.begin() + 1, order_.end());
    std::fill_n(errors_.begin() + static_cast<std::ptrdiff_t>(finished) * 3 * rowLength_, 3 * rowLength_, 0);
    TDitherEngine::EndLine();
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 16, 1, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}})
{
}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, 42, 2,
                    {{0, 1, 8}, {0, 2, 4},
                     {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
                     {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}})
{
}

TSierraDitherer::TSierraDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, 32, 2,
                    {{0, 1, 5}, {0, 2, 3},
                     {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
                     {2, -1, 2}, {2, 0, 3}, {2, 1, 2}})
{
}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup& lookup)
    : T5by3Ditherer(width, lookup, 48, 2,
                    {{0, 1, 7}, {0, 2, 5},
                     {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
                     {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}})
{
}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 200, 3,
                              {{0, 2, 32},
                               {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},
                               {2, -2, 12}, {2, 0, 26}, {2, 2, 12},
                               {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}})
{
}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& lookup)
    : TErrorDiffusionDitherer(width, lookup, 32, 2,
                              {{0, 1, 8}, {0, 2, 4},
                               {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}})
{
}

std::unique_ptr<TDitherEngine> CreateDitherer(TDitherMode mode, int width, TColorLookup& lookup)
{
    switch (mode) {
    case TDitherMode::dmNearest:
        return std::make_unique<TDitherEngine>(width, lookup);
    case TDitherMode::dmFloydSteinberg:
        return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case TDitherMode::dmStucki:
        return std::make_unique<TStuckiDitherer>(width, lookup);
    case TDitherMode::dmSierra:
        return std::make_unique<TSierraDitherer>(width, lookup);
    case TDitherMode::dmJaJuNI:
        return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case TDitherMode::dmSteveArche:
        return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case TDitherMode::dmBurkes:
        return std::make_unique<TBurkesDitherer>(width, lookup);
    }
    RaiseGifError("Invalid dither mode");
}
