#pragma once
// The input layout the table fuzz targets share: one mode byte (bit 0: a memo file is present;
// the other bits are each target's), a 16-bit little-endian length of the table part, the table
// bytes, then the memo bytes. The table and its memo file are kept in memory streams.

#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>

class TDbfFuzzInput {
public:
    // False when the input is too short to hold the mode and the length.
    bool Read(const uint8_t* data, size_t size)
    {
        if (size < 3)
            return false;
        Mode = data[0];
        const bool withMemo = (Mode & 1) != 0;
        size_t tableLength = static_cast<size_t>(data[1] | (data[2] << 8));
        data += 3;
        size -= 3;
        if (tableLength > size || !withMemo)
            tableLength = size;
        Table.Write(data, static_cast<int64_t>(tableLength));
        if (withMemo)
            Memo.Write(data + tableLength, static_cast<int64_t>(size - tableLength));
        return true;
    }

    // Points `dbf` at the streams, opened for reading and writing.
    void Attach(TXbSmartDBF& dbf)
    {
        dbf.DBFFileName = "fuzz.dbf";
        dbf.StorageType = TProxyStreamType::pstOuterStream;
        dbf.OuterStream = &Table;
        dbf.OuterLobStream = (Mode & 1) != 0 ? &Memo : nullptr;
        dbf.AccessMode().SetAccessMode(0x12);
    }

    uint8_t Mode = 0;
    TMemoryStream Table;
    TMemoryStream Memo;
};
