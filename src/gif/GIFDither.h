#pragma once
// Ditherers: they decide which colour of a line's pixel is looked up in a palette. The plain
// engine looks every pixel up as it is; the error-diffusion ditherers add to each pixel the error
// left by the pixels already mapped around it, spread by their weight matrices. Every ditherer
// walks the lines in serpentine order: left to right, then right to left on the next line.

#include "gif/GIFColorLookup.h"

#include <cstdint>
#include <memory>
#include <vector>

// The plain engine: nearest colour.
class TDitherEngine {
public:
    TDitherEngine(int width, TColorLookup& lookup);
    virtual ~TDitherEngine() = default;
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    int Width() const noexcept { return width_; }
    // The next column to map and the walking direction (+1 or -1) of the current line; a line
    // is done when the column leaves 0..Width()-1.
    int Column() const noexcept { return column_; }
    int Direction() const noexcept { return direction_; }

    // Maps the pixel at the current column and moves to the next column.
    virtual TColorEntry MapPixel(uint8_t red, uint8_t green, uint8_t blue);
    // Moves to the next column without mapping a pixel (a transparent one): nothing is spread.
    void SkipPixel() noexcept { column_ += direction_; }
    // After each line: the direction turns and the column goes to the start of the next line.
    virtual void EndLine();

protected:
    TColorLookup& lookup_;
    int width_;
    int direction_ = 1;
    int column_ = 0;
};

// One share of a pixel's error: `Weight` parts of the divisor go to the pixel `Row` lines below
// and `Offset` columns ahead in the walking direction.
struct TDiffusionWeight {
    int Row;
    int Offset;
    int Weight;
};

// The common step of the error-diffusion ditherers: the accumulated error of the pixel (divided,
// rounded, toward zero) is added to each channel, the channel clamped to 0..255 and looked up,
// and the difference to the entry found spread over the neighbours. Error rows reach `margin`
// columns beyond each end of a line, so the shares that fall outside it are absorbed.
class TErrorDiffusionDitherer : public TDitherEngine {
public:
    TColorEntry MapPixel(uint8_t red, uint8_t green, uint8_t blue) override;
    // Also rotates the error rows: the current line's row is cleared and becomes the last.
    void EndLine() override;

protected:
    TErrorDiffusionDitherer(int width, TColorLookup& lookup, int divisor, int margin, std::vector<TDiffusionWeight> weights);
    // Adds `error` x weight to every neighbour of the current column in one channel's rows.
    virtual void SpreadError(int channel, int error);

    int divisor_;
    int margin_;
    std::vector<TDiffusionWeight> weights_;

private:
    int& ErrorAt(int row, int channel, int column) noexcept;
    int rowCount_;
    int rowLength_;
    // Row r of channel c starts at (order_[r] x 3 + c) x rowLength_.
    std::vector<int> errors_;
    std::vector<int> order_;
};

class TFloydSteinbergDitherer : public TErrorDiffusionDitherer {
public:
    TFloydSteinbergDitherer(int width, TColorLookup& lookup);
};

// The ditherers with a matrix of 5 columns and 3 lines.
class T5by3Ditherer : public TErrorDiffusionDitherer {
protected:
    using TErrorDiffusionDitherer::TErrorDiffusionDitherer;
};

class TStuckiDitherer : public T5by3Ditherer {
public:
    TStuckiDitherer(int width, TColorLookup& lookup);
};

class TSierraDitherer : public T5by3Ditherer {
public:
    TSierraDitherer(int width, TColorLookup& lookup);
};

class TJaJuNiDitherer : public T5by3Ditherer {
public:
    TJaJuNiDitherer(int width, TColorLookup& lookup);
};

class TSteveArcheDitherer : public TErrorDiffusionDitherer {
public:
    TSteveArcheDitherer(int width, TColorLookup& lookup);
};

class TBurkesDitherer : public TErrorDiffusionDitherer {
public:
    TBurkesDitherer(int width, TColorLookup& lookup);
};

enum class TDitherMode : uint8_t {
    dmNearest,
    dmFloydSteinberg,
    dmStucki,
    dmSierra,
    dmJaJuNI,
    dmSteveArche,
    dmBurkes
};

// The ditherer of a mode; raises GIFException "Invalid dither mode" for a value above dmBurkes.
std::unique_ptr<TDitherEngine> CreateDitherer(TDitherMode mode, int width, TColorLookup& lookup);
