#pragma once
// Reading a table file's header and field descriptors into a checked layout. Everything that
// would place a field outside its record or a record outside the file is refused here, so
// the rest of the engine can trust the offsets and sizes it is given.

#include "dbf/XbDBFFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TXbFieldLayout {
    std::string Name;  // trimmed, upper-cased, translated from OEM when asked
    char Type = 0;
    TXbDBFType ExtendType = TXbDBFType::dbftUndefined;
    uint8_t Flags = 0;
    uint8_t LengthByte = 0;
    uint8_t DecimalsByte = 0;
    int Size = 0;      // storage size in the record
    int Offset = 0;    // position in the record (the deletion flag is byte 0)
    int OffsetHD = 0;  // position of the descriptor in the file
    std::array<uint8_t, 48> Image{};  // the descriptor bytes as read
    std::vector<TXbFieldLayout> Nested;  // fields of a nested table
};

struct TXbTableLayout {
    TDBFHeader Header;
    std::array<uint8_t, kDBFHeaderSize> HeaderImage{};
    xBaseVersion Version = xBaseVersion::xBaseIII;
    TXbMemoKind MemoKind = TXbMemoKind::None;
    std::vector<TXbFieldLayout> Fields;
    uint32_t RecordCount = 0;  // whole records the file holds
};

// Checks the first 32 bytes and the version byte. `fileSize` is the whole file's size.
// Raises the engine's "is not DBF file" message for a short or unknown header.
TXbTableLayout ReadTableHeader(const uint8_t* bytes, size_t available, int64_t fileSize, const std::string& fileName);

// Reads the descriptors from `headerArea` (the file's first header-size bytes) into `layout`
// and checks them against the header and the file size.
void ReadFieldDescriptors(TXbTableLayout& layout, const std::vector<uint8_t>& headerArea, int64_t fileSize,
                          const std::string& fileName, bool oem);
