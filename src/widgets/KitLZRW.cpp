#include "widgets/KitLZRW.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr uint16_t emptySlot = 0xFFFF;
constexpr size_t maxDistance = 4095;
constexpr size_t minMatch = 3;
constexpr size_t maxMatch = 18;
constexpr size_t minRun = 16;
constexpr size_t maxRun = 4095;

[[noreturn]] void Damaged()
{
    throw EReadError("LZRW Error! The compressed data is damaged.");
}

size_t HashOf(const uint8_t* bytes)
{
    const uint32_t mixed = ((((static_cast<uint32_t>(bytes[0]) << 4) ^ bytes[1]) << 4) ^ bytes[2]);
    return ((mixed * 40543u) >> 4) & 0x0FFF;
}

}  // namespace

size_t KitCompress(const uint8_t* source, uint8_t* dest, size_t count)
{
    if (count > kitMaxBlockInput) {
        throw EInvalidOperation("LZRW Error!");
    }
    std::array<uint16_t, 4096> table;
    table.fill(emptySlot);

    dest[0] = kitBlockCompressed;
    size_t controlAt = 1;
    size_t out = 3;
    uint16_t control = 0;
    int items = 0;
    size_t in = 0;
    while (in < count && out <= count) {
        if (items == 16) {
            dest[controlAt] = static_cast<uint8_t>(control >> 8);
            dest[controlAt + 1] = static_cast<uint8_t>(control);
            controlAt = out;
            out += 2;
            control = 0;
            items = 0;
        }
        const uint8_t value = source[in];
        const size_t runLimit = std::min(maxRun, count - in);
        size_t run = 1;
        while (run < runLimit && source[in + run] == value) {
            ++run;
        }
        unsigned bit = 1;
        if (run >= minRun) {
            const size_t stored = run - minRun;
            dest[out] = 0;
            dest[out + 1] = static_cast<uint8_t>(stored >> 8);
            dest[out + 2] = static_cast<uint8_t>(stored);
            dest[out + 3] = value;
            out += 4;
            in += run;
        } else {
            size_t length = 0;
            size_t distance = 0;
            // Fewer than three bytes left cannot start a match.
            if (count - in >= minMatch) {
                uint16_t& slot = table[HashOf(source + in)];
                if (slot != emptySlot && in - slot <= maxDistance) {
                    const size_t limit = std::min(maxMatch, count - in);
                    while (length < limit && source[slot + length] == source[in + length]) {
                        ++length;
                    }
                    distance = in - slot;
                }
                slot = static_cast<uint16_t>(in);
            }
            if (length >= minMatch) {
                const size_t word = distance * 16 + (length - minMatch);
                dest[out] = static_cast<uint8_t>(word >> 8);
                dest[out + 1] = static_cast<uint8_t>(word);
                out += 2;
                in += length;
            } else {
                dest[out++] = value;
                ++in;
                bit = 0;
            }
        }
        control = static_cast<uint16_t>((control << 1) | bit);
        ++items;
    }
    control = static_cast<uint16_t>(control << (16 - items));
    dest[controlAt] = static_cast<uint8_t>(control >> 8);
    dest[controlAt + 1] = static_cast<uint8_t>(control);
    if (count < out) {
        dest[0] = kitBlockStored;
        if (count != 0) {
            std::memmove(dest + 1, source, count);
        }
        return count + 1;
    }
    return out;
}

size_t KitDecompress(const uint8_t* source, uint8_t* dest, size_t blockLength, size_t destCapacity)
{
    if (blockLength == 0) {
        Damaged();
    }
    if (source[0] == kitBlockStored) {
        const size_t length = blockLength - 1;
        if (length > destCapacity) {
            Damaged();
        }
        if (length != 0) {
            std::memcpy(dest, source + 1, length);
        }
        return length;
    }
    if (source[0] != kitBlockCompressed) {
        Damaged();
    }
    size_t in = 1;
    size_t out = 0;
    uint16_t control = 0;
    int bitsLeft = 0;
    while (in < blockLength) {
        if (bitsLeft == 0) {
            if (blockLength - in < 2) {
                Damaged();
            }
            control = static_cast<uint16_t>((source[in] << 8) | source[in + 1]);
            in += 2;
            bitsLeft = 16;
            if (in == blockLength) {
                break;
            }
        }
        const bool literal = (control & 0x8000) == 0;
        control = static_cast<uint16_t>(control << 1);
        --bitsLeft;
        if (literal) {
            if (out >= destCapacity) {
                Damaged();
            }
            dest[out++] = source[in++];
            continue;
        }
        if (blockLength - in < 2) {
            Damaged();
        }
        const size_t word = static_cast<size_t>((source[in] << 8) | source[in + 1]);
        const size_t distance = word >> 4;
        if (distance == 0) {
            if (blockLength - in < 4) {
                Damaged();
            }
            const size_t run = ((word & 0x0F) << 8 | source[in + 2]) + minRun;
            if (run > destCapacity - out) {
                Damaged();
            }
            std::memset(dest + out, source[in + 3], run);
            out += run;
            in += 4;
        } else {
            const size_t length = (word & 0x0F) + minMatch;
            if (distance > out || length > destCapacity - out) {
                Damaged();
            }
            // Byte by byte: an overlapping copy repeats the data.
            for (size_t i = 0; i < length; ++i, ++out) {
                dest[out] = dest[out - distance];
            }
            in += 2;
        }
    }
    return out;
}
