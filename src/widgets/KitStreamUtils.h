#pragma once
// Stream routines of the kit's stored lists: chunked LZRW1 streams, typed reads and writes,
// and string lists, bitmaps and waves stored either compressed or with a length in front.
//
// Chunked stream (all integers 32-bit little-endian): Int32 total = the sum over the chunks
// of (4 + block length); then per chunk an Int32 block length, of which only the low 16 bits
// count, and the block (KitLZRW.h). Each chunk holds the next kitChunkSize bytes of the
// source at most.
//
// Reads are exact: a stream that ends early raises EReadError "Stream read error", and so
// does a length in front of data that is negative or longer than what the stream has left.

#include "platform/gui/Bitmap.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Streams.h"

#include <cstdint>
#include <string>
#include <string_view>

class TKitWave;

inline constexpr int64_t kitChunkSize = 32781;

// Writes `count` bytes of `source` (from its position) as a chunked stream: the total is
// reserved, the chunks written, then the total filled in; `dest` is left after the data.
// No bytes give a total of 0 and no chunk.
void KitCompressStream(TStream& source, TStream& dest, int64_t count);
// Reads a chunked stream and appends what it restores to `dest`. A damaged stream (a block
// that does not decompress, chunks that do not add up to the total) raises EReadError.
void KitDecompressStream(TStream& source, TStream& dest);

void KitWriteInt(TStream& stream, int32_t value);
int32_t KitReadInt(TStream& stream);
void KitWriteByte(TStream& stream, uint8_t value);
uint8_t KitReadByte(TStream& stream);
// One length byte, then the characters; a longer text is cut to 255 characters.
void KitWriteShortString(TStream& stream, std::string_view text);
std::string KitReadShortString(TStream& stream);
// Reads `length` bytes; a negative length or one beyond the end of the stream raises
// EReadError before anything is allocated.
std::string KitReadBytes(TStream& stream, int64_t length);

// The list's text (lines ended by CR LF) as a chunked stream, or Int32 length and the text.
void KitSaveStringList(TStream& stream, const TStrings& list, bool compressed);
void KitLoadStringList(TStream& stream, TStrings& list, bool compressed);

// Bitmap format codes: the class library's own bitmap streaming, the device's depth (24 bits
// here), 1, 4 and 8 bits, and the 16-bit choice (written with 24 bits, as 16- and 32-bit
// device depths are).
inline constexpr int kitFormatLibrary = -1;
inline constexpr int kitFormatDevice = 0;
inline constexpr int kitFormatMonochrome = 2;
inline constexpr int kitFormat16Colors = 16;
inline constexpr int kitFormat256Colors = 256;
inline constexpr int kitFormat16Bit = 65536;

// The bitmap as a bitmap file (TBitmap::SaveToStream for kitFormatLibrary, else
// KitWriteBitmapFile), then as a chunked stream or Int32 length and the file. An empty bitmap
// raises EInvalidGraphic "Bitmap image is not valid".
void KitSaveBitmap(TStream& stream, const TBitmap& bitmap, bool compressed, int format);
// Reads what KitSaveBitmap wrote and hands the file to TBitmap::LoadFromStream.
void KitLoadBitmap(TStream& stream, TBitmap& bitmap, bool compressed);

// Writes a device-independent bitmap file: "BM", file size, two reserved words, the offset of
// the pixels; a 40-byte information header (width, height, 1 plane, bit count, no compression,
// image size = height * ((width * bits + 31) / 32 * 4)); a colour table of 2^bits entries
// (none at 24 bits); the lines bottom-up. 1, 4 and 8 bits take the bitmap's own colour table
// when it has one that fits, else black and white (1 bit) or the 16 standard colours (4 bits;
// at 8 bits followed by a 6 x 6 x 6 colour cube and 24 greys), each pixel mapped to the
// nearest colour. A monochrome bitmap is always
// written with 1 bit. An empty bitmap raises EInvalidGraphic "Bitmap image is not valid".
void KitWriteBitmapFile(TStream& stream, const TBitmap& bitmap, int format);

// The wave's bytes as a chunked stream, or Int32 size and the bytes (TKitWave).
void KitSaveWave(TStream& stream, const TKitWave& wave, bool compressed);
void KitLoadWave(TStream& stream, TKitWave& wave, bool compressed);
