#pragma once
// The NTX index file: a 1024-byte header followed by 1024-byte pages of one B-tree. All integers
// are little-endian. A page is named by its byte offset in the file; 0 stands for no page.
//
// Header: signature (6 or 7), version (change counter), root page, first free page, item size
// (key size + 8), key size, decimals, capacity (keys per page), half page, key expression
// (256 bytes), unique byte, a reserved byte, descend byte, a reserved byte, FOR expression
// (256 bytes), order name (8 bytes), reserved to 1024.
// Page: key count, a slot table of capacity + 1 item offsets (the order of the items lives here
// alone), then the items: child page, record number, key bytes. The item in slot `count` carries
// only the rightmost child.
//
// ReadNTXHeader / WriteNTXHeader are the one reader and the one writer of the header; TXbNTXPage
// is the one view of a page. CheckNTXHeader and CheckNTXPage refuse what a damaged or foreign
// file may hold, so that nothing read from a file is trusted before use.

#include <cstdint>
#include <cstring>
#include <string>

constexpr int kNTXPageSize = 1024;
constexpr int kNTXHeaderSize = 1024;
// The longest key whose page still holds two keys (item size 338, capacity 2).
constexpr int kNTXMaxKeySize = 330;
// No valid tree is deeper: even with two children per page, 32 levels address more pages than
// a file of 32-bit offsets holds. A deeper walk meets a page that refers back.
constexpr int kNTXMaxDepth = 32;
// Offsets of the header fields.
constexpr int kNTXKeyExpressionOffset = 22;
constexpr int kNTXUniqueOffset = 278;
constexpr int kNTXDescendOffset = 280;
constexpr int kNTXForExpressionOffset = 282;
constexpr int kNTXOrderNameOffset = 538;
constexpr int kNTXExpressionSize = 256;
constexpr int kNTXOrderNameSize = 8;
// The first header bytes every update rewrites: signature, version, root, free page.
constexpr int kNTXHeaderStartSize = 12;
// The version after 0xFFFB wraps to 0.
constexpr uint16_t kNTXLastVersion = 65531;
// The version a file carries on disk while an update is changing it: no finished update ever
// leaves a version above kNTXLastVersion, so a file found with this one was cut off half-way.
constexpr uint16_t kNTXChangingVersion = 0xFFFF;

struct TXbNTXHeader {
    uint16_t Signature = 6;
    uint16_t Version = 1;
    uint32_t Root = kNTXPageSize;
    uint32_t FreePage = 0;
    uint16_t ItemSize = 0;
    uint16_t KeySize = 0;
    uint16_t Decimals = 0;
    uint16_t Capacity = 0;
    uint16_t HalfPage = 0;
    std::string KeyExpression;
    bool Unique = false;
    bool Descend = false;
    std::string ForExpression;
    std::string OrderName;

    // Item size, capacity and half page from the key size.
    void SetKeySize(int keySize);
};

// Keys a page holds for an item size (the largest even number not above n =
// (1020 - item size) div (item size + 2)), and the half page (n div 2).
int NTXCapacity(int itemSize) noexcept;
int NTXHalfPage(int itemSize) noexcept;
// The version that follows `version` after an update.
uint16_t NTXNextVersion(uint16_t version) noexcept;

// Decodes / encodes the whole 1024-byte header image (reserved bytes written as zeros; texts cut
// to their fields).
TXbNTXHeader ReadNTXHeader(const uint8_t* image);
void WriteNTXHeader(const TXbNTXHeader& header, uint8_t* image);
// The first 12 bytes alone.
void ReadNTXHeaderStart(const uint8_t* bytes, TXbNTXHeader& header) noexcept;
void WriteNTXHeaderStart(const TXbNTXHeader& header, uint8_t* bytes) noexcept;

// An empty text when the header of a file of `fileSize` bytes is sound, else what is wrong with
// it. The signature is not checked here (its message is the open's own).
std::string CheckNTXHeader(const TXbNTXHeader& header, uint64_t fileSize);
// A page offset that can name a page of a file ending at `fileEnd`.
bool NTXPageOffsetValid(uint64_t offset, uint64_t fileEnd) noexcept;

// The sizes every page of one file shares.
struct TXbNTXGeometry {
    int KeySize = 0;
    int ItemSize = 0;
    int Capacity = 0;
    int HalfPage = 0;

    static TXbNTXGeometry Of(const TXbNTXHeader& header) noexcept
    {
        return {header.KeySize, header.ItemSize, header.Capacity, header.HalfPage};
    }
    // Where the item area starts: after the count and the slot table.
    int ItemAreaOffset() const noexcept { return 2 * Capacity + 4; }
};

// A view of one 1024-byte page.
class TXbNTXPage {
public:
    TXbNTXPage(uint8_t* data, const TXbNTXGeometry& geometry) noexcept : data_(data), geometry_(&geometry) {}

    uint8_t* Data() const noexcept { return data_; }
    int Count() const noexcept { return Load16(data_); }
    void SetCount(int count) noexcept { Store16(data_, static_cast<uint16_t>(count)); }
    int Slot(int i) const noexcept { return Load16(data_ + 2 + 2 * i); }
    void SetSlot(int i, int offset) noexcept { Store16(data_ + 2 + 2 * i, static_cast<uint16_t>(offset)); }

    // The item that is logically i-th (0..capacity).
    uint8_t* Item(int i) const noexcept { return data_ + Slot(i); }
    uint32_t Child(int i) const noexcept { return Load32(Item(i)); }
    void SetChild(int i, uint32_t page) noexcept { Store32(Item(i), page); }
    uint32_t RecNo(int i) const noexcept { return Load32(Item(i) + 4); }
    void SetRecNo(int i, uint32_t recNo) noexcept { Store32(Item(i) + 4, recNo); }
    const char* Key(int i) const noexcept { return reinterpret_cast<const char*>(Item(i) + 8); }
    char* KeyData(int i) const noexcept { return reinterpret_cast<char*>(Item(i) + 8); }

    // A fresh empty page: slot i at item i of the item area, count 0, no child.
    void Initialize() noexcept;

    static uint16_t Load16(const uint8_t* p) noexcept { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
    static uint32_t Load32(const uint8_t* p) noexcept
    {
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
    static void Store16(uint8_t* p, uint16_t value) noexcept
    {
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
    }
    static void Store32(uint8_t* p, uint32_t value) noexcept
    {
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<uint8_t>(value >> (8 * i));
    }

private:
    uint8_t* data_;
    const TXbNTXGeometry* geometry_;
};

// An empty text when the page is sound for a file ending at `fileEnd`, else what is wrong: a
// count above the capacity, a slot outside the item area or shared by two slots, a child that
// is no page of the file, a key with record number 0.
std::string CheckNTXPage(const uint8_t* page, const TXbNTXGeometry& geometry, uint64_t fileEnd);

// Whether a text from a header or a property holds a character below 32 (such a text counts as
// empty).
bool NTXHasControlCharacter(const std::string& text) noexcept;
// The file name between double-quote characters, as the engine's messages show it.
std::string NTXQuoted(const std::string& text);
// "TXbNTXIndex: Index file "<file>" is damaged (<what>)!"
std::string NTXDamagedMessage(const std::string& fileName, const std::string& what);
