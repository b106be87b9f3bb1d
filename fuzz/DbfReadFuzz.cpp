// Reads every record and every field of arbitrary bytes opened as a table and memo file: each
// field as text, as its native value and through the blob stream for memos, walking forward,
// backward and by record number. Damaged input may only fail with the engine's exceptions.
// Input: see DbfFuzzInput.h; mode bit 1 trims character fields, bit 2 translates OEM text,
// bit 3 hides deleted records.
#include "DbfFuzzInput.h"

#include "platform/rtl/Exceptions.h"

namespace {

void ReadRecord(TXbSmartDBF& dbf)
{
    for (TField* field : dbf.Fields()) {
        try {
            (void)field->IsNull();
            (void)field->AsString();
            (void)field->DisplayText();
            (void)field->AsVariant();
        } catch (const Exception&) {
            // A damaged value or memo is refused with a message; the next field reads on.
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TDbfFuzzInput input;
    if (!input.Read(data, size))
        return 0;
    TXbSmartDBF dbf(nullptr);
    input.Attach(dbf);
    dbf.TrimCType = (input.Mode & 2) != 0;
    dbf.OEM = (input.Mode & 4) != 0;
    dbf.SetSetDeleted((input.Mode & 8) != 0);
    try {
        dbf.Open();
    } catch (const Exception&) {
        return 0;  // refused input is the expected outcome for most inputs
    }
    try {
        int records = 0;
        for (dbf.First(); !dbf.Eof() && records < 64; dbf.Next(), ++records)
            ReadRecord(dbf);
        for (dbf.Last(); !dbf.Bof() && records < 128; dbf.Prior(), ++records)
            ReadRecord(dbf);
        const int count = dbf.RecordCount();
        for (int recNo : {count, count / 2, 1}) {
            if (recNo >= 1) {
                dbf.SetRecNo(recNo);
                ReadRecord(dbf);
            }
        }
    } catch (const Exception&) {
    }
    dbf.Close();
    return 0;
}
