#pragma once
// Small services of the GIF codec: its exception and error routine, scan-line arithmetic, byte
// and data sub-block reading and writing, and the sub-block writer that packs image data.
// Nothing here needs a window system.

#include "platform/rtl/Classes.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/OsErrors.h"
#include "platform/rtl/Streams.h"

#include <cerrno>
#include <cstdint>
#include <string>

// Every fatal error of the GIF codec.
ZV_DECLARE_EXCEPTION(GIFException, EInvalidGraphic);

[[noreturn]] void RaiseGifError(const std::string& text);

// Returns a resource handle that is set; raises EOutOfResources with the system's text for the
// last error, or "Out of system resources" when there is none, for a handle that is not.
template <class THandle>
THandle CheckGdiHandle(THandle handle)
{
    if (handle) {
        return handle;
    }
    const int code = errno;
    std::string text = code != 0 ? SysErrorMessage(code) : std::string();
    throw EOutOfResources(text.empty() ? std::string("Out of system resources") : text);
}

// Bytes of a scan line of `width` pixels at `bitsPerPixel`, padded to `alignment` bits.
int RowBytes(int width, int bitsPerPixel, int alignment);
// 0 for no colours, else the smallest b of at least 1 with 2^b at least `colors`.
int BitsForColors(int colors);

// Little-endian 16-bit words of the file's fixed-size records.
inline uint16_t GetWord(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}
inline void PutWord(uint8_t* bytes, uint16_t value)
{
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

void WriteByte(TStream& stream, uint8_t value);
// Raises "Premature end of data" at the end of the stream.
uint8_t ReadByte(TStream& stream);
// The next byte without taking it from the stream; false at the end of the stream.
bool PeekByte(TStream& stream, uint8_t& value);
// Reads exactly `count` bytes; "Premature end of data" when fewer arrive.
void ReadExact(TStream& stream, void* buffer, int64_t count);
// Writes the bytes as data sub-blocks of at most 255 bytes, each behind its length byte.
void WriteSubBlock(TStream& stream, const std::string& bytes);
// Writes every line as data sub-blocks of at most 255 bytes, then one zero byte.
void WriteSubBlocks(TStream& stream, const TStrings& lines);
// Clears the list and reads each data sub-block as one line, up to a zero length byte or the
// end of the stream.
void ReadSubBlocks(TStream& stream, TStrings& lines);

// A stream adapter of the codec over a target stream. Its own Read, Write and Seek raise
// "Invalid stream operation": the adapters write through their own operations only.
class TGIFStream : public TStream {
public:
    explicit TGIFStream(TStream& target) : target_(target) {}
    const char* ClassName() const noexcept override { return "TGIFStream"; }

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

protected:
    TStream& target_;
};

// Packs bytes into data sub-blocks: the first byte of the 256-byte buffer is the sub-block's
// length, and a full sub-block (255 bytes) goes to the target at once. Close writes a partly
// filled buffer; it must be called before the writer is dropped, or that rest is lost.
class TGIFWriter : public TGIFStream {
public:
    explicit TGIFWriter(TStream& target) : TGIFStream(target) {}
    const char* ClassName() const noexcept override { return "TGIFWriter"; }

    void WriteByte(uint8_t value)
    {
        buffer_[++count_] = value;
        if (count_ == 255) {
            FlushBlock();
        }
    }
    void Close();

private:
    void FlushBlock();
    uint8_t buffer_[256] = {};
    int count_ = 0;
};
