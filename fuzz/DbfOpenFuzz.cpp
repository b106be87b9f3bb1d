// Opens arbitrary bytes as a table, and as a table with a memo file beside it.
// Input: one byte (bit 0: a memo file is present), a 16-bit little-endian length of the
// table part, the table bytes, then the memo bytes.
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const uint8_t mode = data[0];
    const bool withMemo = (mode & 1) != 0;
    size_t tableLength = static_cast<size_t>(data[1] | (data[2] << 8));
    data += 3;
    size -= 3;
    if (tableLength > size || !withMemo)
        tableLength = size;

    TMemoryStream table;
    TMemoryStream memo;
    table.Write(data, static_cast<int64_t>(tableLength));
    if (withMemo)
        memo.Write(data + tableLength, static_cast<int64_t>(size - tableLength));

    TXbSmartDBF dbf(nullptr);
    dbf.DBFFileName = "fuzz.dbf";
    dbf.StorageType = TProxyStreamType::pstOuterStream;
    dbf.OuterStream = &table;
    dbf.OuterLobStream = withMemo ? &memo : nullptr;
    dbf.AccessMode().SetAccessMode(0x12);
    dbf.BufferSize = 1 + (mode >> 1) * 512;
    try {
        dbf.Open();
        dbf.CountRecords();
        for (int i = 0; i < dbf.DBFFieldDefs().Count(); ++i)
            dbf.DBFFieldDefs().FindByName(dbf.DBFFieldDefs().Items(i).Name());
        dbf.Close();
    } catch (const Exception&) {
        // Refused input is the expected outcome for most inputs.
    }
    return 0;
}
