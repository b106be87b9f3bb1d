// The LZW decoder of GIF image data.
//
// The data sub-blocks are gathered into one buffer first, so that a code may span two
// sub-blocks and the pixel array is allocated only once the data is known. Every table entry is
// a string that the decoder has already written: the output of the code before it followed by
// one more byte. An entry is therefore kept as the position and length of that earlier output,
// and a code is decoded by copying bytes within the output, with no stack and no chains to
// follow; a table that refers to itself cannot arise.

#include "gif/GIFLZW.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int MaxCodes = 4096;
// Bytes past the end of the data and of the output that the fast paths may touch.
constexpr size_t Slack = 16;

struct TGatheredData {
    std::vector<uint8_t> bytes;
    bool zeroBlockSeen = false;
};

// Reads the data sub-blocks up to and including the zero-length block.
TGatheredData GatherSubBlocks(TStream& stream, const TGIFWarningProc& warning)
{
    TGatheredData data;
    uint8_t length = 0;
    while (stream.Read(&length, 1) == 1) {
        if (length == 0) {
            data.zeroBlockSeen = true;
            break;
        }
        const size_t start = data.bytes.size();
        data.bytes.resize(start + length);
        const int64_t got = stream.Read(data.bytes.data() + start, length);
        if (got != length) {
            data.bytes.resize(start + static_cast<size_t>(std::max<int64_t>(got, 0)));
            if (warning) {
                warning("Premature end of data");
            }
            break;
        }
    }
    return data;
}

// The most pixels `dataBytes` of codes can yield: the k-th code after a clear gives at most k
// pixels, and no code more than the table's length.
int64_t MostPixels(size_t dataBytes, int firstCodeSize)
{
    const int64_t codes = static_cast<int64_t>(dataBytes) * 8 / firstCodeSize;
    if (codes <= MaxCodes) {
        return codes * (codes + 1) / 2;
    }
    return int64_t(MaxCodes) * (MaxCodes + 1) / 2 + (codes - MaxCodes) * MaxCodes;
}

// Copies `count` bytes from earlier output; short strings move in two 8-byte words (the output
// has slack behind it, and the source always ends at or before the destination).
inline void CopyString(uint8_t* output, uint32_t from, size_t to, size_t count)
{
    if (count <= Slack) {
        uint64_t words[2];
        std::memcpy(words, output + from, Slack);
        std::memcpy(output + to, words, Slack);
    } else {
        std::memcpy(output + to, output + from, count);
    }
}

class TDecoder {
public:
    TDecoder(const std::vector<uint8_t>& data, int minimumCodeSize)
        : data_(data.data()),
          bitsAvailable_(static_cast<uint64_t>(data.size() - Slack) * 8),
          clearCode_(1 << minimumCodeSize),
          endCode_(clearCode_ + 1),
          minimumCodeSize_(minimumCodeSize)
    {
        Reset();
    }

    // Decodes into output[0..total); returns the pixels written.
    size_t Run(uint8_t* output, size_t total, bool zeroBlockSeen, const TGIFWarningProc& warning)
    {
        size_t position = 0;
        bool haveOld = false;
        uint32_t oldPosition = 0;
        uint32_t oldLength = 0;
        while (position < total) {
            if (bitPosition_ + codeSize_ > bitsAvailable_) {
                if (zeroBlockSeen && warning) {
                    warning("Decoder bit buffer under-run");
                }
                break;
            }
            const int code = NextCode();
            if (code == clearCode_) {
                Reset();
                haveOld = false;
                continue;
            }
            if (code == endCode_) {
                break;
            }
            size_t length;
            if (!haveOld) {
                // The first code after a clear (or of the data) must be a pixel value.
                if (code > clearCode_) {
                    RaiseGifError("Invalid code in image data");
                }
                output[position] = static_cast<uint8_t>(code);
                haveOld = true;
                oldPosition = static_cast<uint32_t>(position);
                oldLength = 1;
                ++position;
                continue;
            }
            const size_t room = total - position;
            if (code < clearCode_) {
                output[position] = static_cast<uint8_t>(code);
                length = 1;
            } else if (code < nextFree_) {
                length = length_[code];
                CopyString(output, offset_[code], position, std::min(length, room));
            } else if (code == nextFree_) {
                // The string of the previous code followed by its own first byte.
                length = oldLength + 1;
                CopyString(output, oldPosition, position, std::min<size_t>(oldLength, room));
                if (oldLength < room) {
                    output[position + oldLength] = output[oldPosition];
                }
            } else {
                RaiseGifError("Invalid code in image data");
            }
            if (nextFree_ < MaxCodes) {
                offset_[nextFree_] = oldPosition;
                length_[nextFree_] = static_cast<uint16_t>(oldLength + 1);
                ++nextFree_;
                if (nextFree_ >= maxCode_ && maxCode_ < MaxCodes) {
                    maxCode_ *= 2;
                    ++codeSize_;
                }
            }
            oldPosition = static_cast<uint32_t>(position);
            oldLength = static_cast<uint32_t>(length);
            position += std::min(length, room);
        }
        return position;
    }

private:
    void Reset()
    {
        codeSize_ = minimumCodeSize_ + 1;
        maxCode_ = 2 * clearCode_;
        nextFree_ = clearCode_ + 2;
    }

    int NextCode()
    {
        uint64_t word;
        std::memcpy(&word, data_ + (bitPosition_ >> 3), sizeof word);
        const int code = static_cast<int>((word >> (bitPosition_ & 7)) & ((1u << codeSize_) - 1));
        bitPosition_ += static_cast<uint64_t>(codeSize_);
        return code;
    }

    const uint8_t* data_;
    uint64_t bitPosition_ = 0;
    uint64_t bitsAvailable_;
    int clearCode_;
    int endCode_;
    int minimumCodeSize_;
    int codeSize_ = 0;
    int maxCode_ = 0;
    int nextFree_ = 0;
    // Entry n: output[offset_[n] .. offset_[n] + length_[n]).
    uint32_t offset_[MaxCodes];
    uint16_t length_[MaxCodes];
};

}  // namespace

std::vector<int> GIFInterlacedRows(int height)
{
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(std::max(height, 0)));
    static constexpr int starts[4] = {0, 4, 2, 1};
    static constexpr int steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = starts[pass]; row < height; row += steps[pass]) {
            rows.push_back(row);
        }
    }
    return rows;
}

void DecodeGIFImageData(TStream& stream, int width, int height, bool interlaced, uint8_t fill,
                        std::vector<uint8_t>& pixels, const TGIFWarningProc& warning)
{
    const int64_t total = static_cast<int64_t>(std::max(width, 0)) * std::max(height, 0);
    if (total > GIFMaxFramePixels) {
        RaiseGifError("Image dimensions exceed the supported maximum of " + std::to_string(GIFMaxFramePixels) + " pixels");
    }
    pixels.clear();
    uint8_t minimumCodeSize = 0;
    const bool haveCodeSize = stream.Read(&minimumCodeSize, 1) == 1;
    TGatheredData data;
    if (haveCodeSize) {
        if (minimumCodeSize < 1 || minimumCodeSize > 8) {
            RaiseGifError("Invalid image data code size");
        }
        data = GatherSubBlocks(stream, warning);
    }
    if (total > GIFMinCheckedFramePixels && total > MostPixels(data.bytes.size(), minimumCodeSize + 1)) {
        RaiseGifError("Image data too short for the image dimensions");
    }

    // The output has slack behind it for the decoder's word copies.
    const auto size = static_cast<size_t>(total);
    try {
        pixels.resize(size + Slack);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Out of memory for the image of " + std::to_string(total) + " pixels");
    }
    size_t decoded = 0;
    if (haveCodeSize && size > 0) {
        data.bytes.resize(data.bytes.size() + Slack, 0);
        auto decoder = std::make_unique<TDecoder>(data.bytes, minimumCodeSize);
        if (interlaced) {
            std::vector<uint8_t> linear(size + Slack);
            decoded = decoder->Run(linear.data(), size, data.zeroBlockSeen, warning);
            std::fill(linear.begin() + static_cast<std::ptrdiff_t>(decoded), linear.begin() + static_cast<std::ptrdiff_t>(size), fill);
            const std::vector<int> rows = GIFInterlacedRows(height);
            for (size_t i = 0; i < rows.size(); ++i) {
                std::memcpy(pixels.data() + static_cast<size_t>(rows[i]) * static_cast<size_t>(width),
                            linear.data() + i * static_cast<size_t>(width), static_cast<size_t>(width));
            }
            decoded = size;
        } else {
            decoded = decoder->Run(pixels.data(), size, data.zeroBlockSeen, warning);
        }
    }
    std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(decoded), pixels.end(), fill);
    pixels.resize(size);
}
