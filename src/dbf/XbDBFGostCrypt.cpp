#include "dbf/XbDBFGostCrypt.h"

#include <cstring>

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1U) != 0 ? (0xEDB88320U ^ (c >> 1)) : (c >> 1);
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Key set-up constants taken from the CRC table.
constexpr uint32_t kSetupMask = kCrcTable[10];
constexpr uint32_t kSetupMask1 = kCrcTable[100];
static_assert(kSetupMask == 0xE0D5E91EU);
static_assert(kSetupMask1 == 0x4ADFA541U);

// The eight 4-bit substitution boxes; box 0 works on the lowest nibble of the word.
constexpr uint8_t kSBox[8][16] = {
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},
};

constexpr uint32_t RotateLeft11(uint32_t x)
{
    return (x << 11) | (x >> 21);
}

// One table per byte of the word: each entry is the byte substituted through its two boxes,
// placed at its position and rotated left by 11, so a round is four look-ups and three XORs.
using TRoundTables = std::array<std::array<uint32_t, 256>, 4>;

constexpr TRoundTables MakeRoundTables()
{
    TRoundTables tables{};
    for (int byte = 0; byte < 4; ++byte) {
        for (uint32_t value = 0; value < 256; ++value) {
            const uint32_t low = kSBox[2 * byte][value & 15U];
            const uint32_t high = kSBox[2 * byte + 1][value >> 4];
            tables[static_cast<size_t>(byte)][value] = RotateLeft11(((high << 4) | low) << (8 * byte));
        }
    }
    return tables;
}

constexpr TRoundTables kRound = MakeRoundTables();

inline uint32_t RoundFunction(uint32_t x) noexcept
{
    return kRound[0][x & 0xFFU] ^ kRound[1][(x >> 8) & 0xFFU] ^ kRound[2][(x >> 16) & 0xFFU] ^ kRound[3][x >> 24];
}

// The key word used by each of the 32 rounds.
using TSchedule = std::array<uint32_t, 32>;

// Encryption: K0..K7 three times, then K7..K0.
TSchedule EncryptSchedule(const TGostKey& key) noexcept
{
    TSchedule schedule{};
    for (size_t i = 0; i < 24; ++i) {
        schedule[i] = key[i % 8];
    }
    for (size_t i = 24; i < 32; ++i) {
        schedule[i] = key[31 - i];
    }
    return schedule;
}

// Decryption: K0..K7 once, then K7..K0 three times.
TSchedule DecryptSchedule(const TGostKey& key) noexcept
{
    TSchedule schedule{};
    for (size_t i = 0; i < 8; ++i) {
        schedule[i] = key[i];
    }
    for (size_t i = 8; i < 32; ++i) {
        schedule[i] = key[7 - i % 8];
    }
    return schedule;
}

inline TGostBlock Rounds(const TSchedule& schedule, TGostBlock block) noexcept
{
    uint32_t a = block.word0;
    uint32_t b = block.word1;
    for (size_t i = 0; i < 32; i += 2) {
        b ^= RoundFunction(a + schedule[i]);
        a ^= RoundFunction(b + schedule[i + 1]);
    }
    return {b, a};
}

// Two independent blocks at once: the rounds are latency-bound, so interleaving two chains
// nearly halves the time of the gamma modes, which need two block operations per data block.
inline void RoundsPair(const TSchedule& first, TGostBlock& x, const TSchedule& second, TGostBlock& y) noexcept
{
    uint32_t xa = x.word0;
    uint32_t xb = x.word1;
    uint32_t ya = y.word0;
    uint32_t yb = y.word1;
    for (size_t i = 0; i < 32; i += 2) {
        xb ^= RoundFunction(xa + first[i]);
        yb ^= RoundFunction(ya + second[i]);
        xa ^= RoundFunction(xb + first[i + 1]);
        ya ^= RoundFunction(yb + second[i + 1]);
    }
    x = {xb, xa};
    y = {yb, ya};
}

inline TGostBlock EncryptBlock(const TGostKey& key, TGostBlock block) noexcept
{
    return Rounds(EncryptSchedule(key), block);
}

inline TGostBlock DecryptBlock(const TGostKey& key, TGostBlock block) noexcept
{
    return Rounds(DecryptSchedule(key), block);
}

inline TGostBlock GammaStep(TGostBlock block) noexcept
{
    block.word0 += 0x01010101U;
    const uint32_t sum = block.word1 + 0x01010104U;
    // Addition modulo 2^32 - 1: a carry out of the word comes back in at the bottom.
    block.word1 = sum + (sum < block.word1 ? 1U : 0U);
    return block;
}

inline TGostBlock LoadBlock(const uint8_t* bytes) noexcept
{
    return {uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24,
            uint32_t{bytes[4]} | uint32_t{bytes[5]} << 8 | uint32_t{bytes[6]} << 16 | uint32_t{bytes[7]} << 24};
}

inline void StoreBlock(uint8_t* bytes, TGostBlock block) noexcept
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(block.word0 >> (8 * i));
        bytes[4 + i] = static_cast<uint8_t>(block.word1 >> (8 * i));
    }
}

// The gamma start for a context: only its low byte counts.
inline TGostBlock Synchro(uint32_t context) noexcept
{
    const uint32_t c = context & 0xFFU;
    return {kCrcTable[c] ^ kCrcTable[255 - c], kCrcTable[c]};
}

// Masks a tail of fewer than 8 bytes with a gamma block.
inline void MaskTail(TGostBlock gamma, uint8_t* bytes, size_t count) noexcept
{
    uint8_t scratch[8] = {};
    std::memcpy(scratch, bytes, count);
    TGostBlock block = LoadBlock(scratch);
    block.word0 ^= gamma.word0;
    block.word1 ^= gamma.word1;
    StoreBlock(scratch, block);
    std::memcpy(bytes, scratch, count);
}

}  // namespace

uint32_t GostCrcTable(uint8_t index) noexcept
{
    return kCrcTable[index];
}

uint32_t GostPasswordCrc(const std::string& password, TGostPasswordCrc selection) noexcept
{
    const size_t length = password.size();
    uint32_t crc = 0xFFFFFFFFU;
    auto take = [&crc, &password](size_t position) {  // position counts from 1
        const auto b = static_cast<uint8_t>(password[position - 1]);
        crc = kCrcTable[(crc ^ b) & 0xFFU] ^ (crc >> 8);
    };
    auto forward = [&](size_t first, size_t step) {
        for (size_t p = first; p <= length; p += step) {
            take(p);
        }
    };
    // Backward over positions p with p % step == rest % step, starting at the last such one.
    auto backward = [&](size_t step, size_t rest) {
        for (size_t p = length; p >= 1; --p) {
            if (p % step == rest) {
                take(p);
            }
        }
    };
    switch (selection) {
    case TGostPasswordCrc::AllForward:
        forward(1, 1);
        break;
    case TGostPasswordCrc::AllBackward:
        backward(1, 0);
        break;
    case TGostPasswordCrc::EvenForward:
        forward(2, 2);
        break;
    case TGostPasswordCrc::OddForward:
        forward(1, 2);
        break;
    case TGostPasswordCrc::EvenBackward:
        backward(2, 0);
        break;
    case TGostPasswordCrc::OddBackward:
        backward(2, 1);
        break;
    case TGostPasswordCrc::MultipleOfThree:
        forward(3, 3);
        break;
    case TGostPasswordCrc::NotMultipleOfThree:
        for (size_t p = 1; p <= length; ++p) {
            if (p % 3 != 0) {
                take(p);
            }
        }
        break;
    }
    return ~crc;
}

TGostBlock GostEncryptBlock(const TGostKey& key, TGostBlock block) noexcept
{
    return EncryptBlock(key, block);
}

TGostBlock GostDecryptBlock(const TGostKey& key, TGostBlock block) noexcept
{
    return DecryptBlock(key, block);
}

TGostBlock GostGammaStep(TGostBlock block) noexcept
{
    return GammaStep(block);
}

TGostCrypt TGostCrypt::MakeForXor(const std::string& password)
{
    TGostCrypt crypt(password);
    crypt.GostKeySetup();
    crypt.BuildSchedules();
    return crypt;
}

TGostCrypt TGostCrypt::MakeForGost(const std::string& password)
{
    TGostCrypt crypt(password);
    crypt.GostKeySetup();
    crypt.BuildSchedules();
    return crypt;
}

TGostCrypt TGostCrypt::MakeForGost1(const std::string& password)
{
    TGostCrypt crypt(password);
    crypt.GostKeySetup1();
    crypt.BuildSchedules();
    return crypt;
}

void TGostCrypt::GostKeySetup() noexcept
{
    key_.fill(0);
    const uint32_t h = GostPasswordCrc(password_, TGostPasswordCrc::AllForward);
    xorBase_ = h;
    n1_ = h;
    n2_ = h ^ kSetupMask;
    TGostBlock x{h, h ^ kSetupMask};
    for (size_t i = 0; i < 4; ++i) {
        // Each step enciphers under the key words set so far; the later ones are still 0.
        x = EncryptBlock(key_, GammaStep(x));
        key_[2 * i] = x.word0;
        key_[2 * i + 1] = x.word1;
    }
}

void TGostCrypt::GostKeySetup1() noexcept
{
    static constexpr TGostPasswordCrc kMixed[7] = {
        TGostPasswordCrc::AllBackward,  TGostPasswordCrc::EvenForward,     TGostPasswordCrc::OddForward,
        TGostPasswordCrc::EvenBackward, TGostPasswordCrc::OddBackward,     TGostPasswordCrc::MultipleOfThree,
        TGostPasswordCrc::NotMultipleOfThree,
    };
    key_.fill(0);
    n1_ = GostPasswordCrc(password_, TGostPasswordCrc::AllForward);
    n2_ = GostPasswordCrc(password_, TGostPasswordCrc::OddBackward) ^ kSetupMask1;
    xorBase_ = n1_;
    TGostBlock x{n1_, n2_};
    x = EncryptBlock(key_, GammaStep(x));
    key_[0] = x.word0;
    for (size_t j = 1; j < 8; ++j) {
        x.word1 ^= GostPasswordCrc(password_, kMixed[j - 1]);
        x = EncryptBlock(key_, GammaStep(x));
        key_[j] = x.word0;
    }
}

void TGostCrypt::BuildSchedules() noexcept
{
    encryptSchedule_ = EncryptSchedule(key_);
    decryptSchedule_ = DecryptSchedule(key_);
}

void TGostCrypt::GostGammaEncrypt(uint32_t context, void* buffer, int32_t size) noexcept
{
    if (size <= 0 || buffer == nullptr) {
        return;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    TGostBlock gamma = Synchro(context);
    const size_t blocks = static_cast<size_t>(size) / 8;
    for (size_t i = 0; i < blocks; ++i, bytes += 8) {
        // The next gamma block and the data block are independent: run them together.
        TGostBlock block = LoadBlock(bytes);
        RoundsPair(encryptSchedule_, gamma, encryptSchedule_, block);
        gamma = GammaStep(gamma);
        block.word0 ^= gamma.word0;
        block.word1 ^= gamma.word1;
        StoreBlock(bytes, block);
    }
    if (const size_t rest = static_cast<size_t>(size) % 8; rest != 0) {
        gamma = GammaStep(Rounds(encryptSchedule_, gamma));
        MaskTail(gamma, bytes, rest);
    }
    n1_ = gamma.word0;
    n2_ = gamma.word1;
}

void TGostCrypt::GostGammaDecrypt(uint32_t context, void* buffer, int32_t size) noexcept
{
    if (size <= 0 || buffer == nullptr) {
        return;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    const size_t blocks = static_cast<size_t>(size) / 8;
    const size_t rest = static_cast<size_t>(size) % 8;
    // The gamma for the first block (or the tail); every later gamma block is computed
    // together with the deciphering of the block before it.
    TGostBlock gamma = GammaStep(Rounds(encryptSchedule_, Synchro(context)));
    for (size_t i = 0; i < blocks; ++i, bytes += 8) {
        TGostBlock block = LoadBlock(bytes);
        block.word0 ^= gamma.word0;
        block.word1 ^= gamma.word1;
        if (i + 1 < blocks || rest != 0) {
            TGostBlock next = gamma;
            RoundsPair(encryptSchedule_, next, decryptSchedule_, block);
            gamma = GammaStep(next);
        } else {
            block = Rounds(decryptSchedule_, block);
        }
        StoreBlock(bytes, block);
    }
    if (rest != 0) {
        MaskTail(gamma, bytes, rest);
    }
    n1_ = gamma.word0;
    n2_ = gamma.word1;
}

void TGostCrypt::GostXorGamma(uint32_t context, void* buffer, int32_t size) const noexcept
{
    if (size <= 0 || buffer == nullptr) {
        return;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    const uint32_t c = context & 0xFFU;
    TGostBlock gamma{xorBase_ ^ kCrcTable[c], kCrcTable[c]};
    uint8_t mask[8];
    StoreBlock(mask, gamma);
    for (int32_t j = 0; j < size; ++j) {
        if (j != 0 && j % 8 == 0) {
            gamma = GammaStep(gamma);
            StoreBlock(mask, gamma);
        }
        bytes[j] ^= mask[j % 8];
    }
}
