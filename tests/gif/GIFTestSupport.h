#pragma once
// Helpers of the GIF codec tests: pixel patterns, image data coding in memory, and a writer of
// hand-made LZW code streams.

#include "gif/GIFLZW.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace giftest {

struct TFrame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Pixel patterns of `colors` colours that stress different coder paths.
enum class TPattern { Noise, Runs, Uniform, Gradient, Pairs };

inline TFrame MakeFrame(TPattern pattern, int width, int height, int colors, unsigned seed = 1)
{
    TFrame frame{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height)};
    std::mt19937 random(seed);
    size_t i = 0;
    int run = 0;
    uint8_t value = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, ++i) {
            switch (pattern) {
            case TPattern::Noise:
                value = static_cast<uint8_t>(random() % static_cast<unsigned>(colors));
                break;
            case TPattern::Runs:
                if (run-- <= 0) {
                    run = static_cast<int>(random() % 300);
                    value = static_cast<uint8_t>(random() % static_cast<unsigned>(colors));
                }
                break;
            case TPattern::Uniform:
                value = static_cast<uint8_t>(colors - 1);
                break;
            case TPattern::Gradient:
                value = static_cast<uint8_t>((x + y) * colors / (width + height));
                break;
            case TPattern::Pairs:
                // Every pair of colours in turn: the table fills up fast.
                value = static_cast<uint8_t>(i % 2 == 0 ? (i / 2) % colors : (i / 2 / colors) % colors);
                break;
            }
            frame.pixels[i] = value;
        }
    }
    return frame;
}

// The image data (code size byte, sub-blocks, zero byte) of a frame.
inline std::string Encode(const TFrame& frame, TGIFCompression compression, int bits, bool interlaced = false)
{
    TGIFEncodeSource source;
    source.Pixels = frame.pixels.data();
    source.Width = frame.width;
    source.Height = frame.height;
    source.Interlaced = interlaced;
    source.BitsPerPixel = bits;
    source.ColorCount = 1 << bits;
    TStringStream stream;
    CreateGIFEncoder(compression)->Compress(stream, source);
    return stream.DataString();
}

struct TDecoded {
    std::vector<uint8_t> pixels;
    std::vector<std::string> warnings;
};

inline TDecoded Decode(const std::string& data, int width, int height, bool interlaced = false, uint8_t fill = 0)
{
    TDecoded decoded;
    TStringStream stream(data);
    DecodeGIFImageData(stream, width, height, interlaced, fill, decoded.pixels,
                       [&decoded](const std::string& message) { decoded.warnings.push_back(message); });
    return decoded;
}

// Writes LZW codes by hand: each code at the size given, least significant bit first.
class TCodeWriter {
public:
    explicit TCodeWriter(int minimumCodeSize) : minimumCodeSize_(minimumCodeSize) {}
    TCodeWriter& Code(int code, int size)
    {
        bucket_ |= static_cast<uint64_t>(code) << bits_;
        bits_ += size;
        while (bits_ >= 8) {
            bytes_.push_back(static_cast<char>(bucket_ & 0xFF));
            bucket_ >>= 8;
            bits_ -= 8;
        }
        return *this;
    }
    // The image data: code size byte and the codes in sub-blocks, with or without the zero block.
    std::string Data(bool terminated = true) const
    {
        std::string codes = bytes_;
        if (bits_ > 0) {
            codes.push_back(static_cast<char>(bucket_ & 0xFF));
        }
        std::string data(1, static_cast<char>(minimumCodeSize_));
        for (size_t start = 0; start < codes.size(); start += 255) {
            const size_t length = std::min<size_t>(255, codes.size() - start);
            data.push_back(static_cast<char>(length));
            data.append(codes, start, length);
        }
        if (terminated) {
            data.push_back('\0');
        }
        return data;
    }

private:
    int minimumCodeSize_;
    std::string bytes_;
    uint64_t bucket_ = 0;
    int bits_ = 0;
};

// One code of a code stream with the decoder's next free code at the time it was read.
struct TTracedCode {
    int code;
    int nextFree;
};

// Follows a code stream the way a decoder sizes its codes, without building strings.
inline std::vector<TTracedCode> TraceCodes(const std::string& data)
{
    const int minimumCodeSize = static_cast<uint8_t>(data[0]);
    std::string codes;
    for (size_t at = 1; at < data.size() && data[at] != '\0'; at += 1 + static_cast<uint8_t>(data[at])) {
        codes.append(data, at + 1, static_cast<uint8_t>(data[at]));
    }
    const int clear = 1 << minimumCodeSize;
    int size = minimumCodeSize + 1;
    int nextFree = clear + 2;
    bool first = true;
    std::vector<TTracedCode> traced;
    for (size_t bit = 0; bit + static_cast<size_t>(size) <= codes.size() * 8;) {
        int code = 0;
        for (int b = 0; b < size; ++b, ++bit) {
            code |= ((static_cast<uint8_t>(codes[bit / 8]) >> (bit % 8)) & 1) << b;
        }
        traced.push_back({code, nextFree});
        if (code == clear) {
            size = minimumCodeSize + 1;
            nextFree = clear + 2;
            first = true;
        } else if (code == clear + 1) {
            break;
        } else {
            if (!first && nextFree < 4096) {
                ++nextFree;
                if (nextFree >= (1 << size) && size < 12) {
                    ++size;
                }
            }
            first = false;
        }
    }
    return traced;
}

}  // namespace giftest
