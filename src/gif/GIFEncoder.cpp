// The encoders of GIF image data: the LZW encoder with its hash table and the run-length
// encoder.

#include "gif/GIFLZW.h"

#include <algorithm>

// ---- TGIFEncoder ----

void TGIFEncoder::Compress(TStream& stream, const TGIFEncodeSource& source)
{
    source_ = source;
    const int bits = std::max(source.BitsPerPixel, 2);
    WriteByte(stream, static_cast<uint8_t>(bits));
    initialBitsPerCode_ = bits + 1;
    bitsPerCode_ = initialBitsPerCode_;
    clearCode_ = 1 << bits;
    endCode_ = clearCode_ + 1;
    baseCode_ = clearCode_ + 2;
    bucket_ = 0;
    bitCount_ = 0;

    TGIFWriter writer(stream);
    writer_ = &writer;
    if (source.Pixels == nullptr || source.Width <= 0 || source.Height <= 0) {
        OutputBits(endCode_);
    } else {
        if (source.Interlaced) {
            rows_ = GIFInterlacedRows(source.Height);
        } else {
            rows_.resize(static_cast<size_t>(source.Height));
            for (int row = 0; row < source.Height; ++row) {
                rows_[static_cast<size_t>(row)] = row;
            }
        }
        DoCompress();
    }
    FlushBits();
    writer.Close();
    writer_ = nullptr;
    WriteByte(stream, 0);
}

void TGIFEncoder::OutputBits(int code)
{
    bucket_ |= static_cast<uint32_t>(code) << bitCount_;
    bitCount_ += bitsPerCode_;
    while (bitCount_ >= 8) {
        writer_->WriteByte(static_cast<uint8_t>(bucket_));
        bucket_ >>= 8;
        bitCount_ -= 8;
    }
}

void TGIFEncoder::FlushBits()
{
    if (bitCount_ > 0) {
        writer_->WriteByte(static_cast<uint8_t>(bucket_));
        bucket_ = 0;
        bitCount_ = 0;
    }
}

void TGIFEncoder::CheckRow(const uint8_t* row) const
{
    if (source_.ColorCount >= 256) {
        return;
    }
    const uint8_t* end = row + source_.Width;
    if (std::any_of(row, end, [limit = source_.ColorCount](uint8_t pixel) { return pixel >= limit; })) {
        RaiseGifError("Color not in color table");
    }
}

// ---- THashTable ----

void THashTable::Clear()
{
    std::fill(slots_.begin(), slots_.end(), 0xFFFFFFFFu);
}

// ---- TLZWEncoder ----

void TLZWEncoder::OutputCode(int code)
{
    OutputBits(code);
    if (clearFlag_) {
        bitsPerCode_ = initialBitsPerCode_;
        maxCode_ = (1 << bitsPerCode_) - 1;
        clearFlag_ = false;
    } else if (nextFree_ > maxCode_) {
        ++bitsPerCode_;
        maxCode_ = bitsPerCode_ == 12 ? 4096 : (1 << bitsPerCode_) - 1;
    }
}

void TLZWEncoder::Clear()
{
    table_.Clear();
    nextFree_ = baseCode_;
    clearFlag_ = true;
    OutputCode(clearCode_);
}

void TLZWEncoder::DoCompress()
{
    maxCode_ = (1 << bitsPerCode_) - 1;
    Clear();
    int prefix = -1;
    for (const int rowIndex : Rows()) {
        const uint8_t* row = Row(rowIndex);
        CheckRow(row);
        int x = 0;
        if (prefix < 0) {
            prefix = row[0];
            x = 1;
        }
        for (; x < Width(); ++x) {
            const uint8_t pixel = row[x];
            const uint32_t key = (static_cast<uint32_t>(prefix) << 8) | pixel;
            const int slot = table_.Find(key);
            const int code = table_.Code(slot);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            OutputCode(prefix);
            prefix = pixel;
            if (nextFree_ > 4094) {
                Clear();
            } else {
                table_.Insert(slot, key, nextFree_++);
            }
        }
    }
    OutputCode(prefix);
    OutputCode(endCode_);
}

// ---- TRLEEncoder ----
//
// The encoder outputs only pixel values, clear codes and the codes that the decoder's table holds
// for runs of one pixel value. Right after a clear, the decoder enters code base + k - 2 for a
// run of k pixels when the encoder sends runs of 1, 2, 3, ... pixels in turn (each code adds the
// run one longer than the one before), so a long run is built from a clear as a triangle of run
// codes. Code sizes follow the decoder's table: it grows by one entry per code after the first.

void TRLEEncoder::Clear()
{
    OutputBits(clearCode_);
    bitsPerCode_ = initialBitsPerCode_;
    outputCount_ = 0;
    runTableLength_ = 0;
    bumpThreshold_ = bumpThresholdStart_;
    clearThreshold_ = clearThresholdStart_;
    justCleared_ = true;
}

void TRLEEncoder::OutputPlain(int code)
{
    justCleared_ = false;
    OutputBits(code);
    ++outputCount_;
    if (outputCount_ >= bumpThreshold_) {
        bumpThreshold_ += 1 << bitsPerCode_;
        ++bitsPerCode_;
    }
    if (outputCount_ >= clearThreshold_) {
        Clear();
    }
}

void TRLEEncoder::RaiseClearThreshold()
{
    clearThreshold_ = maxRunCodes_;
}

void TRLEEncoder::RestoreClearThreshold()
{
    clearThreshold_ = clearThresholdStart_;
    if (outputCount_ >= clearThreshold_) {
        Clear();
    }
}

int TRLEEncoder::TriangleCount(int count) const
{
    const int perBlock = maxRunCodes_ * (maxRunCodes_ + 1) / 2;
    int cost = 0;
    while (count >= perBlock) {
        cost += maxRunCodes_;
        count -= perBlock;
    }
    if (count > 0) {
        // The smallest n with n(n+1)/2 >= count: start from the integer square root of 2 count
        // (Newton steps), then settle.
        const int64_t target = 2 * static_cast<int64_t>(count);
        int64_t n = target;
        for (int64_t next = (n + 1) / 2; next < n; next = (n + target / n) / 2) {
            n = next;
        }
        while (n > 0 && n * (n + 1) >= target) {
            --n;
        }
        while (n * (n + 1) < target) {
            ++n;
        }
        cost += static_cast<int>(n);
    }
    return cost;
}

void TRLEEncoder::FlushFromClear(int count)
{
    RaiseClearThreshold();
    runTablePixel_ = runPixel_;
    int next = 1;
    while (count > 0) {
        if (next == 1) {
            runTableLength_ = 1;
            OutputPlain(runPixel_);
            --count;
        } else if (count >= next) {
            runTableLength_ = next;
            OutputPlain(baseCode_ + next - 2);
            count -= next;
        } else if (count == 1) {
            ++runTableLength_;
            OutputPlain(runPixel_);
            count = 0;
        } else {
            ++runTableLength_;
            OutputPlain(baseCode_ + count - 2);
            count = 0;
        }
        next = outputCount_ == 0 ? 1 : next + 1;
    }
    RestoreClearThreshold();
}

void TRLEEncoder::FlushClearOrRepeat(int count)
{
    const int withClear = 1 + TriangleCount(count);
    if (withClear < count) {
        Clear();
        FlushFromClear(count);
    } else {
        for (; count > 0; --count) {
            OutputPlain(runPixel_);
        }
    }
}

void TRLEEncoder::FlushWithTable(int count)
{
    int repeats = count / runTableLength_;
    int leftover = count % runTableLength_;
    int leftoverCodes = leftover != 0 ? 1 : 0;
    if (outputCount_ + repeats + leftoverCodes > maxRunCodes_) {
        repeats = maxRunCodes_ - outputCount_;
        leftover = count - repeats * runTableLength_;
        leftoverCodes = 1 + TriangleCount(leftover);
    }
    if (1 + TriangleCount(count) < repeats + leftoverCodes) {
        Clear();
        FlushFromClear(count);
        return;
    }
    RaiseClearThreshold();
    for (; repeats > 0; --repeats) {
        OutputPlain(baseCode_ + runTableLength_ - 2);
    }
    if (leftover > 0) {
        if (justCleared_) {
            FlushFromClear(leftover);
        } else if (leftover == 1) {
            OutputPlain(runPixel_);
        } else {
            OutputPlain(baseCode_ + leftover - 2);
        }
    }
    RestoreClearThreshold();
}

void TRLEEncoder::FlushRun()
{
    if (runCount_ == 1) {
        OutputPlain(runPixel_);
    } else if (justCleared_) {
        FlushFromClear(runCount_);
    } else if (runTableLength_ < 2 || runTablePixel_ != runPixel_) {
        FlushClearOrRepeat(runCount_);
    } else {
        FlushWithTable(runCount_);
    }
    runCount_ = 0;
}

void TRLEEncoder::DoCompress()
{
    bumpThresholdStart_ = clearCode_ - 1;
    clearThresholdStart_ = initialBitsPerCode_ - 1 > 3 ? clearCode_ - 2 : 9;
    maxRunCodes_ = 4095 - baseCode_;
    runPixel_ = -1;
    runCount_ = 0;
    runTablePixel_ = -1;
    Clear();
    for (const int rowIndex : Rows()) {
        const uint8_t* row = Row(rowIndex);
        CheckRow(row);
        for (int x = 0; x < Width(); ++x) {
            const int pixel = row[x];
            if (runCount_ > 0 && pixel != runPixel_) {
                FlushRun();
            }
            if (pixel == runPixel_) {
                ++runCount_;
            } else {
                runPixel_ = pixel;
                runCount_ = 1;
            }
        }
    }
    if (runCount_ > 0) {
        FlushRun();
    }
    OutputBits(endCode_);
}

std::unique_ptr<TGIFEncoder> CreateGIFEncoder(TGIFCompression compression)
{
    if (compression == TGIFCompression::gcRLE) {
        return std::make_unique<TRLEEncoder>();
    }
    return std::make_unique<TLZWEncoder>();
}
