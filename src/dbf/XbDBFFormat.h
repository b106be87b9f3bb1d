#pragma once
// The bytes on disk: table header, field descriptors in both layouts, memo file headers,
// version bytes, field type sizes and the byte offsets the lock protocols lock.
// Table integers are little-endian; the ".fpt" memo header is big-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

enum class xBaseVersion { xUnknown, xClipper, xBaseIII, xBaseIV, xBaseV, xBaseVII, xFoxPro, xVisualFoxPro };

enum class LockProtocolType { lpNone, lpDB4Lock, lpClipperLock, lpFoxLock, lpClipperForFoxLob };

// Sub-types of 'E' fields (binary fields of the engine's own family).
enum class TXbDBFType : uint8_t {
    dbftS1, dbftS1_N, dbftU1, dbftU1_N, dbftS2, dbftS2_N, dbftU2, dbftU2_N,
    dbftS4, dbftS4_N, dbftU4, dbftU4_N, dbftS8, dbftS8_N,
    dbftR4, dbftR4_N, dbftR6, dbftR6_N, dbftR8, dbftR8_N, dbftR10, dbftR10_N,
    dbftD1, dbftD1_N, dbftD2, dbftD2_N,
    dbftString, dbftString_N, dbftFixedChar, dbftWideString,
    dbftCurrency, dbftCurrency_N,
    dbftClob, dbftBlob, dbftGraphic, dbftFmtMemo,
    dbftBCD,
    dbftDate, dbftDate_N, dbftTime, dbftTime_N, dbftD3, dbftD3_N,
    dbftU1_NB, dbftU2_NB, dbftU4_NB, dbftR4_NB, dbftR6_NB, dbftR8_NB,
    dbftD1_NB, dbftD2_NB, dbftCurrency_NB, dbftDate_NB, dbftTime_NB, dbftD3_NB,
    dbftClob_NB, dbftBlob_NB, dbftGraphic_NB, dbftFmtMemo_NB,
    dbftUndefined,
    dbftDBFDataSet, dbftDBFDataSet_NB,
    dbftBytes, dbftVarBytes, dbftAutoInc, dbftOraBlob, dbftOraClob, dbftTypedBinary, dbftCursor,
    dbftADT, dbftArray, dbftGuid
};
constexpr int kXbDBFTypeCount = 72;

// Table header flag bits (byte 28).
constexpr uint8_t kTableFlagHasGotIndex = 1;
constexpr uint8_t kTableFlagHasGotMemo = 2;
constexpr uint8_t kTableFlagItIsDatabase = 4;

// Field descriptor flag bits.
constexpr uint8_t kFieldFlagSystem = 1;
constexpr uint8_t kFieldFlagCanStoreNull = 2;
constexpr uint8_t kFieldFlagBinaryColumn = 4;
constexpr uint8_t kFieldFlagAutoIncrement = 8;

constexpr size_t kDBFHeaderSize = 32;
constexpr size_t kDBFHeaderExtensionSize = 36;  // after the header of xBaseV and xBaseVII tables
constexpr size_t kVisualFoxProBacklinkSize = 263;
constexpr uint8_t kDescriptorTerminator = 0x0D;
constexpr uint8_t kEndOfFileMark = 0x1A;

// Memo kinds of an open table.
enum class TXbMemoKind : int { None = 0, DBaseIII = 2, DBaseIV = 3, DBaseV = 4, DBaseIVNoFile = 5, FoxPro = 6, VisualFoxPro = 7 };

// The 32-byte table header.
struct TDBFHeader {
    uint8_t VersionByte = 0x03;
    uint8_t Year = 0;  // minus 1900
    uint8_t Month = 1;
    uint8_t Day = 1;
    uint32_t RecordCount = 0;
    uint16_t HeaderSize = 0;
    uint16_t RecordSize = 0;
    uint8_t TableFlags = 0;
    uint8_t LanguageByte = 0;

    static TDBFHeader Parse(const uint8_t* bytes);  // 32 bytes
    std::array<uint8_t, kDBFHeaderSize> Serialize() const;
};

// What a version byte means on open.
struct TXbVersionInfo {
    xBaseVersion Version;
    TXbMemoKind MemoKind;
};
// Version and memo kind of a version byte; none for a byte that is not a table's.
std::optional<TXbVersionInfo> VersionFromByte(uint8_t versionByte, uint8_t tableFlags);
// The version byte a new table gets, without and with memo fields.
uint8_t CreateVersionByte(xBaseVersion version, bool hasMemo);
// Descriptor size of a version: 48 for xBaseV and xBaseVII, else 32.
size_t DescriptorSize(xBaseVersion version);
// Where the descriptors start: 68 for xBaseV and xBaseVII, else 32.
size_t DescriptorStart(xBaseVersion version);
// Memo files of the FoxPro family (".fpt") rather than ".dbt".
bool UsesFoxMemo(xBaseVersion version);

// Storage size of a field in the record, by type. Raises "Field_type incarect!" for an
// unknown letter and "Extend_type incarect!" for an 'E' sub-type without layout.
int FieldStorageSize(char fieldType, TXbDBFType extendType, int length, xBaseVersion version);
// True for the 'E' sub-types whose length and decimals form one 16-bit length.
bool IsExtendStringType(TXbDBFType extendType);
// True for a field that needs a memo file under the version.
bool FieldNeedsMemo(char fieldType, TXbDBFType extendType, xBaseVersion version);

// Length and decimals bytes a new descriptor gets: the 16-bit length of text types, length and
// decimals of numeric types, and the storage size of every fixed-size type.
void DescriptorLengthBytes(char fieldType, TXbDBFType extendType, int length, int decimals, xBaseVersion version,
                           uint8_t& lengthByte, uint8_t& decimalsByte);

// The message refusing a field type under the version when a table is created or opened;
// empty when the type is allowed.
std::string CreateTypeRefusal(char fieldType, xBaseVersion version);
std::string OpenTypeRefusal(char fieldType, xBaseVersion version);

// Lock offsets of the protocols.
uint64_t RecordLockOffset(LockProtocolType protocol, uint32_t recordNumber);
uint64_t HeaderLockOffset(LockProtocolType protocol);
uint64_t MemoLockOffset(LockProtocolType protocol);
bool ProtocolLocks(LockProtocolType protocol);

// Memo file headers.
constexpr size_t kMemoHeaderSize = 512;
// dBASE III: 512 bytes with the next free block at offset 0 (little-endian), 1 for a new file.
std::array<uint8_t, kMemoHeaderSize> DBaseIIIMemoHeader(uint32_t nextFreeBlock);
// dBASE IV: next free block at 0, block size at 20 (both little-endian).
std::array<uint8_t, kMemoHeaderSize> DBaseIVMemoHeader(uint32_t blockSize);
// FoxPro: next free block at 0 and block size at 4, both big-endian.
std::array<uint8_t, kMemoHeaderSize> FoxProMemoHeader(uint32_t blockSize);
// The next free block of a new memo file: 512 div block size, rounded up.
uint32_t FirstFreeMemoBlock(uint32_t blockSize);

uint16_t ReadLE16(const uint8_t* p);
uint32_t ReadLE32(const uint8_t* p);
uint32_t ReadBE32(const uint8_t* p);
void WriteLE16(uint8_t* p, uint16_t value);
void WriteLE32(uint8_t* p, uint32_t value);
void WriteBE32(uint8_t* p, uint32_t value);
