#pragma once
// The built-in table cipher: the GOST 28147-89 block cipher run over a gamma that is rebuilt on
// every call from a context number, so that any record, memo block or index page can be
// enciphered and deciphered by itself. The key is derived from a password; none is stored.

#include "platform/rtl/Classes.h"

#include <array>
#include <cstdint>
#include <string>

// Eight 32-bit key words K0..K7.
using TGostKey = std::array<uint32_t, 8>;

// A 64-bit block as two little-endian 32-bit words: word0 = bytes 0..3, word1 = bytes 4..7.
struct TGostBlock {
    uint32_t word0 = 0;
    uint32_t word1 = 0;
    friend bool operator==(const TGostBlock&, const TGostBlock&) = default;
};

// The selections of password bytes that the key set-up runs CRC-32 over. Positions count from 1.
enum class TGostPasswordCrc {
    AllForward,          // every byte, first to last: the plain CRC-32 of the password
    AllBackward,         // every byte, last to first
    EvenForward,         // positions 2, 4, ..., first to last
    OddForward,          // positions 1, 3, ..., first to last
    EvenBackward,        // even positions, last to first
    OddBackward,         // odd positions, last to first
    MultipleOfThree,     // positions 3, 6, ..., first to last
    NotMultipleOfThree,  // every other position, first to last
};

// Entry `index` of the CRC-32 table (reflected polynomial 0xEDB88320).
uint32_t GostCrcTable(uint8_t index) noexcept;
// CRC-32 (start 0xFFFFFFFF, final complement) over the selected bytes of `password`.
uint32_t GostPasswordCrc(const std::string& password, TGostPasswordCrc selection) noexcept;

// One 32-round block encryption / decryption under `key`.
TGostBlock GostEncryptBlock(const TGostKey& key, TGostBlock block) noexcept;
TGostBlock GostDecryptBlock(const TGostKey& key, TGostBlock block) noexcept;
// The gamma step: word0 + 0x01010101 modulo 2^32, word1 + 0x01010104 modulo 2^32 - 1.
TGostBlock GostGammaStep(TGostBlock block) noexcept;

class TGostCrypt : public TObject {
public:
    // Key set-ups: the first serves the XOR gamma and the GOST gamma, the second the variant
    // that mixes eight CRCs of the password into the key.
    static TGostCrypt MakeForXor(const std::string& password);
    static TGostCrypt MakeForGost(const std::string& password);
    static TGostCrypt MakeForGost1(const std::string& password);

    const char* ClassName() const noexcept override { return "TGostCrypt"; }

    // Enciphers / deciphers `size` bytes at `buffer` in place; whole 8-byte blocks are
    // block-enciphered and masked with the gamma, a shorter tail is only masked.
    // Only the low 8 bits of the context count; a size of 0 or less does nothing.
    void GostGammaEncrypt(uint32_t context, void* buffer, int32_t size) noexcept;
    void GostGammaDecrypt(uint32_t context, void* buffer, int32_t size) noexcept;
    // XOR with a gamma made from the password CRC and the context; its own inverse.
    void GostXorGamma(uint32_t context, void* buffer, int32_t size) const noexcept;

    const TGostKey& Key() const noexcept { return key_; }
    // Gamma state as the last GOST call (or the key set-up) left it.
    uint32_t N1() const noexcept { return n1_; }
    uint32_t N2() const noexcept { return n2_; }
    const std::string& Password() const noexcept { return password_; }

private:
    explicit TGostCrypt(std::string password) : password_(std::move(password)) {}
    void GostKeySetup() noexcept;
    void GostKeySetup1() noexcept;
    void BuildSchedules() noexcept;

    uint32_t n1_ = 0;
    uint32_t n2_ = 0;
    TGostKey key_{};
    // The key word of each round, in encryption and in decryption order.
    std::array<uint32_t, 32> encryptSchedule_{};
    std::array<uint32_t, 32> decryptSchedule_{};
    // CRC-32 of the password, the base of the XOR gamma. Kept apart from N1 so that the GOST
    // gamma state never disturbs it.
    uint32_t xorBase_ = 0;
    std::string password_;
};
