// Opens arbitrary bytes as a table, and as a table with a memo file beside it.
// Input: see DbfFuzzInput.h; the mode's upper bits choose the read-ahead buffer size.
#include "DbfFuzzInput.h"

#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TDbfFuzzInput input;
    if (!input.Read(data, size))
        return 0;
    TXbSmartDBF dbf(nullptr);
    input.Attach(dbf);
    dbf.BufferSize = 1 + (input.Mode >> 1) * 512;
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
