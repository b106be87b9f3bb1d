#pragma once
// The image data of a GIF frame: the variable-length-code LZW of the format, carried in data
// sub-blocks. The decoder turns it into a pixel array (one colour index a byte, rows of the
// frame's width); two encoders write it: a true LZW encoder with a hash table and a run-length
// encoder that writes a valid code stream from runs of one colour without building strings.

#include "gif/GIFStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Warnings of the codec: loading and saving go on after them.
using TGIFWarningProc = std::function<void(const std::string& message)>;

// The largest frame the decoder allocates: 2^27 pixels (128 MiB), e.g. 16384 by 8192.
inline constexpr int64_t GIFMaxFramePixels = int64_t(1) << 27;
// Frames up to this many pixels are allocated whatever their data holds; a larger frame must
// come with enough image data to be able to fill it.
inline constexpr int64_t GIFMinCheckedFramePixels = int64_t(1) << 16;

// Rows of an interlaced frame in the order they are stored: every 8th row from row 0, every 8th
// from row 4, every 4th from row 2, every 2nd from row 1.
std::vector<int> GIFInterlacedRows(int height);

// Decodes one frame's image data from the stream's position (the minimum code size byte and the
// data sub-blocks up to and including the zero-length block) into `pixels`, width x height bytes.
// Pixels the data does not reach keep `fill`. The sub-blocks are measured before the pixels are
// allocated: a frame above GIFMaxFramePixels, or above GIFMinCheckedFramePixels with less data
// than could fill it, raises GIFException. Warnings: "Premature end of data" for a sub-block cut
// by the end of the stream, "Decoder bit buffer under-run" for data that ends at its zero-length
// block before the frame is full and without an end code.
// Errors: "Invalid image data code size" for a minimum code size outside 1 to 8, "Invalid code in
// image data" for a code that refers to no table entry.
void DecodeGIFImageData(TStream& stream, int width, int height, bool interlaced, uint8_t fill,
                        std::vector<uint8_t>& pixels, const TGIFWarningProc& warning);

enum class TGIFCompression { gcLZW, gcRLE };

// What an encoder codes: pixels of width x height bytes, rows top to bottom.
struct TGIFEncodeSource {
    const uint8_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    bool Interlaced = false;
    // Bits of the colour table: the minimum code size written is this, at least 2.
    int BitsPerPixel = 8;
    // A pixel value not below this raises "Color not in color table".
    int ColorCount = 256;
};

// The common part of the encoders: the code bucket, the code size and the pixel walk.
class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;
    // Writes the minimum code size byte, the image data sub-blocks and the zero byte that ends
    // them. A frame without pixels gets only the end code.
    void Compress(TStream& stream, const TGIFEncodeSource& source);

protected:
    // Packs one code at the current code size, least significant bit first.
    void OutputBits(int code);
    // Encodes every pixel, from the first clear code to the end code.
    virtual void DoCompress() = 0;
    // The frame's rows in coding order.
    const std::vector<int>& Rows() const noexcept { return rows_; }
    const uint8_t* Row(int row) const noexcept { return source_.Pixels + static_cast<size_t>(row) * source_.Width; }
    int Width() const noexcept { return source_.Width; }
    // Raises "Color not in color table" for a pixel not below the colour count.
    void CheckRow(const uint8_t* row) const;

    int bitsPerCode_ = 0;
    int initialBitsPerCode_ = 0;
    int clearCode_ = 0;
    int endCode_ = 0;
    int baseCode_ = 0;

private:
    void FlushBits();
    TGIFWriter* writer_ = nullptr;
    TGIFEncodeSource source_;
    std::vector<int> rows_;
    uint32_t bucket_ = 0;
    int bitCount_ = 0;
};

// The string table of the LZW encoder: 8009 slots (a prime) of key shl 12 or code, all bits set
// when empty; key = (prefix shl 8) or pixel.
class THashTable {
public:
    static constexpr int Size = 8009;
    THashTable() : slots_(Size) { Clear(); }
    void Clear();
    // The slot that holds `key`, or the empty slot where it would go. The probe visits every
    // slot of its cycle (2 has order 4004 modulo 8009), more than the table ever holds, so it
    // always meets the key or an empty slot.
    int Find(uint32_t key) const
    {
        int slot = static_cast<int>((key ^ (key >> 4)) % Size);
        for (;;) {
            const uint32_t value = slots_[static_cast<size_t>(slot)];
            if (IsEmpty(value) || (value >> 12) == key) {
                return slot;
            }
            slot = slot == 0 ? Size - 1 : 2 * slot - Size;
            if (slot < 0) {
                slot += Size;
            }
        }
    }
    // The code in a slot that Find gave, or -1 when it is empty.
    int Code(int slot) const
    {
        const uint32_t value = slots_[static_cast<size_t>(slot)];
        return IsEmpty(value) ? -1 : static_cast<int>(value & 0xFFF);
    }
    void Insert(int slot, uint32_t key, int code) { slots_[static_cast<size_t>(slot)] = (key << 12) | static_cast<uint32_t>(code); }

private:
    static bool IsEmpty(uint32_t slot) noexcept { return slot >= 0xFFFFF000u; }
    std::vector<uint32_t> slots_;
};

class TLZWEncoder : public TGIFEncoder {
protected:
    void DoCompress() override;

private:
    void OutputCode(int code);
    void Clear();
    THashTable table_;
    int nextFree_ = 0;
    int maxCode_ = 0;
    bool clearFlag_ = false;
};

class TRLEEncoder : public TGIFEncoder {
protected:
    void DoCompress() override;

private:
    void Clear();
    void OutputPlain(int code);
    void RaiseClearThreshold();
    void RestoreClearThreshold();
    void FlushRun();
    void FlushFromClear(int count);
    void FlushClearOrRepeat(int count);
    void FlushWithTable(int count);
    // Codes needed to build a run of `count` pixels after a clear.
    int TriangleCount(int count) const;

    int outputCount_ = 0;
    int bumpThreshold_ = 0;
    int bumpThresholdStart_ = 0;
    int clearThreshold_ = 0;
    int clearThresholdStart_ = 0;
    int maxRunCodes_ = 0;
    bool justCleared_ = false;
    int runPixel_ = -1;
    int runCount_ = 0;
    // The longest run of runTablePixel_ the decoder's table holds.
    int runTableLength_ = 0;
    int runTablePixel_ = -1;
};

std::unique_ptr<TGIFEncoder> CreateGIFEncoder(TGIFCompression compression);
