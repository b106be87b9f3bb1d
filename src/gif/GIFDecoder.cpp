// The LZW decoder of GIF image data.
//
// The data sub-blocks are measured first (their lengths only), so that the pixel array is
// allocated once the data is known to be able to fill it; then they are read through a fixed
// buffer, in which a code may span two sub-blocks. Every table entry is a string that the
// decoder has already written: the output of the code before it followed by one more byte. An
// entry is therefore kept as the position and length of that earlier output, and a code is
// decoded by copying bytes within the output, with no stack and no chains to follow; a table
// that refers to itself cannot arise.

#include "gif/GIFLZW.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace {

constexpr int MaxCodes = 4096;
// Bytes past the end of the data and of the output that the fast paths may touch.
constexpr size_t Slack = 16;
constexpr size_t BufferSize = 65536;

// The data sub-blocks of one frame: measured from the stream's position, then read in order.
class TSubBlocks {
public:
    explicit TSubBlocks(TStream& stream) : stream_(stream)
    {
        const int64_t start = stream.Position();
        const int64_t size = stream.Size();
        uint8_t length = 0;
        while (stream.Read(&length, 1) == 1) {
            if (length == 0) {
                zeroBlockSeen_ = true;
                break;
            }
            const int64_t position = stream.Position();
            const int64_t available = std::min<int64_t>(length, size - position);
            dataBytes_ += available;
            if (available < length) {
                cut_ = true;
                stream.SetPosition(size);
                break;
            }
            stream.SetPosition(position + length);
        }
        end_ = stream.Position();
        stream.SetPosition(start);
    }

    // Bytes of data in all sub-blocks.
    int64_t DataBytes() const noexcept { return dataBytes_; }
    bool ZeroBlockSeen() const noexcept { return zeroBlockSeen_; }
    // A sub-block is longer than the rest of the stream.
    bool Cut() const noexcept { return cut_; }

    // Reads up to `count` bytes of data, across sub-blocks.
    size_t Read(uint8_t* buffer, size_t count)
    {
        size_t done = 0;
        while (done < count && dataRead_ < dataBytes_) {
            if (blockLeft_ == 0) {
                uint8_t length = 0;
                stream_.Read(&length, 1);
                blockLeft_ = length;
            }
            const size_t piece = std::min<size_t>({count - done, blockLeft_, static_cast<size_t>(dataBytes_ - dataRead_)});
            const int64_t got = stream_.Read(buffer + done, static_cast<int64_t>(piece));
            if (got <= 0) {
                break;
            }
            done += static_cast<size_t>(got);
            blockLeft_ -= static_cast<size_t>(got);
            dataRead_ += got;
        }
        return done;
    }

    // Leaves the stream behind the zero-length block (or at its end).
    void Finish() { stream_.SetPosition(end_); }

private:
    TStream& stream_;
    int64_t dataBytes_ = 0;
    int64_t dataRead_ = 0;
    int64_t end_ = 0;
    size_t blockLeft_ = 0;
    bool zeroBlockSeen_ = false;
    bool cut_ = false;
};

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
    TDecoder(TSubBlocks& blocks, int minimumCodeSize)
        : blocks_(blocks), clearCode_(1 << minimumCodeSize), endCode_(clearCode_ + 1), minimumCodeSize_(minimumCodeSize)
    {
        Reset();
    }

    // Decodes into output[0..total); returns the pixels written.
    size_t Run(uint8_t* output, size_t total, const TGIFWarningProc& warning)
    {
        size_t position = 0;
        bool haveOld = false;
        uint32_t oldPosition = 0;
        uint32_t oldLength = 0;
        while (position < total) {
            if (bitPosition_ + codeSize_ > bitsAvailable_ && !Refill()) {
                if (blocks_.ZeroBlockSeen() && warning) {
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

    // Moves the unread bytes to the front of the buffer and reads more behind them; false when
    // no more data came.
    bool Refill()
    {
        const size_t first = static_cast<size_t>(bitPosition_ >> 3);
        const size_t kept = static_cast<size_t>(bitsAvailable_ >> 3) - first;
        std::memmove(buffer_.data(), buffer_.data() + first, kept);
        const size_t added = blocks_.Read(buffer_.data() + kept, BufferSize - kept);
        std::fill_n(buffer_.data() + kept + added, Slack, uint8_t(0));
        bitPosition_ &= 7;
        bitsAvailable_ = static_cast<uint64_t>(kept + added) * 8;
        return added > 0 && bitPosition_ + codeSize_ <= bitsAvailable_;
    }

    int NextCode()
    {
        uint64_t word;
        std::memcpy(&word, buffer_.data() + (bitPosition_ >> 3), sizeof word);
        const int code = static_cast<int>((word >> (bitPosition_ & 7)) & ((1u << codeSize_) - 1));
        bitPosition_ += static_cast<uint64_t>(codeSize_);
        return code;
    }

    TSubBlocks& blocks_;
    uint64_t bitPosition_ = 0;
    uint64_t bitsAvailable_ = 0;
    int clearCode_;
    int endCode_;
    int minimumCodeSize_;
    int codeSize_ = 0;
    int maxCode_ = 0;
    int nextFree_ = 0;
    // Entry n: output[offset_[n] .. offset_[n] + length_[n]).
    uint32_t offset_[MaxCodes];
    uint16_t length_[MaxCodes];
    std::array<uint8_t, BufferSize + Slack> buffer_;
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
    if (haveCodeSize && (minimumCodeSize < 1 || minimumCodeSize > 8)) {
        RaiseGifError("Invalid image data code size");
    }
    TSubBlocks blocks(stream);
    if (blocks.Cut() && warning) {
        warning("Premature end of data");
    }
    if (total > GIFMinCheckedFramePixels && total > MostPixels(blocks.DataBytes(), minimumCodeSize + 1)) {
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
        auto decoder = std::make_unique<TDecoder>(blocks, minimumCodeSize);
        if (interlaced) {
            std::vector<uint8_t> linear(size + Slack);
            decoded = decoder->Run(linear.data(), size, warning);
            std::fill(linear.begin() + static_cast<std::ptrdiff_t>(decoded), linear.begin() + static_cast<std::ptrdiff_t>(size), fill);
            const std::vector<int> rows = GIFInterlacedRows(height);
            for (size_t i = 0; i < rows.size(); ++i) {
                std::memcpy(pixels.data() + static_cast<size_t>(rows[i]) * static_cast<size_t>(width),
                            linear.data() + i * static_cast<size_t>(width), static_cast<size_t>(width));
            }
            decoded = size;
        } else {
            decoded = decoder->Run(pixels.data(), size, warning);
        }
    }
    blocks.Finish();
    std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(decoded), pixels.end(), fill);
    pixels.resize(size);
}
