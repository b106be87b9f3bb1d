#include "gif/GIFStream.h"

#include <algorithm>

void RaiseGifError(const std::string& text)
{
    throw GIFException(text);
}

int RowBytes(int width, int bitsPerPixel, int alignment)
{
    const int64_t bits = static_cast<int64_t>(width) * bitsPerPixel + alignment - 1;
    return static_cast<int>((bits & ~static_cast<int64_t>(alignment - 1)) / 8);
}

int BitsForColors(int colors)
{
    if (colors <= 0) {
        return 0;
    }
    int bits = 1;
    while ((1 << bits) < colors) {
        ++bits;
    }
    return bits;
}

void WriteByte(TStream& stream, uint8_t value)
{
    stream.WriteBuffer(&value, 1);
}

uint8_t ReadByte(TStream& stream)
{
    uint8_t value = 0;
    ReadExact(stream, &value, 1);
    return value;
}

bool PeekByte(TStream& stream, uint8_t& value)
{
    if (stream.Read(&value, 1) != 1) {
        return false;
    }
    stream.Seek(-1, TSeekOrigin::soFromCurrent);
    return true;
}

void ReadExact(TStream& stream, void* buffer, int64_t count)
{
    if (count > 0 && stream.Read(buffer, count) != count) {
        RaiseGifError("Premature end of data");
    }
}

void WriteSubBlock(TStream& stream, const std::string& bytes)
{
    for (size_t start = 0; start < bytes.size(); start += 255) {
        const auto length = static_cast<uint8_t>(std::min<size_t>(255, bytes.size() - start));
        WriteByte(stream, length);
        stream.WriteBuffer(bytes.data() + start, length);
    }
}

void WriteSubBlocks(TStream& stream, const TStrings& lines)
{
    for (int i = 0; i < lines.Count(); ++i) {
        WriteSubBlock(stream, lines[i]);
    }
    WriteByte(stream, 0);
}

void ReadSubBlocks(TStream& stream, TStrings& lines)
{
    lines.Clear();
    uint8_t length = 0;
    while (stream.Read(&length, 1) == 1 && length != 0) {
        std::string line(length, '\0');
        ReadExact(stream, line.data(), length);
        lines.Add(line);
    }
}

// ---- TGIFStream ----

int64_t TGIFStream::Read(void*, int64_t)
{
    RaiseGifError("Invalid stream operation");
}

int64_t TGIFStream::Write(const void*, int64_t)
{
    RaiseGifError("Invalid stream operation");
}

int64_t TGIFStream::Seek(int64_t, TSeekOrigin)
{
    RaiseGifError("Invalid stream operation");
}

// ---- TGIFWriter ----

void TGIFWriter::FlushBlock()
{
    buffer_[0] = static_cast<uint8_t>(count_);
    target_.WriteBuffer(buffer_, count_ + 1);
    count_ = 0;
}

void TGIFWriter::Close()
{
    if (count_ > 0) {
        FlushBlock();
    }
}
