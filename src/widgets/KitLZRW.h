#pragma once
// Block compression of the kit's stored data: LZRW1 in its "KH" form (three bytes hashed into
// 4096 slots, 12-bit distances, lengths 3..18, sixteen items to a control word) with an added
// run item for long runs of one byte.
//
// A block starts with a flag byte: 64 compressed, 128 stored (the input follows unchanged,
// block length = input length + 1). A compressed body is a 16-bit control word, up to 16
// items, the next control word, and so on; all multi-byte fields are big-endian. Control
// bits are taken from the most significant bit down: 0 a literal (1 byte), 1 a match or a
// run. A match is 2 bytes, distance * 16 + (length - 3), distance 1..4095 back from the
// current output position, length 3..18; a run is 4 bytes: 0, the high and the low byte of
// (run length - 16), the repeated byte, run length 16..4095. The last control word is shifted
// so that its first used bit is the most significant.

#include <cstddef>
#include <cstdint>

inline constexpr uint8_t kitBlockCompressed = 64;
inline constexpr uint8_t kitBlockStored = 128;
// The largest input of one compression call.
inline constexpr size_t kitMaxBlockInput = 65535;

// The room a compression call of `count` bytes may write: the stored form takes count + 1
// bytes, but the compressor may start an item (a control word and a run, 6 bytes) while its
// output position is still at count, so the worst case is count + 6.
constexpr size_t KitCompressBound(size_t count)
{
    return count + 6;
}

// Compresses `count` bytes (at most kitMaxBlockInput) into one block at `dest`, which must
// hold KitCompressBound(count) bytes; answers the block length. The stored form is written
// when compression does not make the data shorter. Raises EInvalidOperation "LZRW Error!"
// for a count above kitMaxBlockInput.
size_t KitCompress(const uint8_t* source, uint8_t* dest, size_t count);

// Restores a block of `blockLength` bytes into `dest`, which holds `destCapacity` bytes;
// answers the length restored. A damaged block (no flag byte, an unknown flag, an item cut
// short, a distance before the start of the output, or output beyond `destCapacity`) raises
// EReadError "LZRW Error! The compressed data is damaged." and nothing is read or written
// outside the two buffers.
size_t KitDecompress(const uint8_t* source, uint8_t* dest, size_t blockLength, size_t destCapacity);
