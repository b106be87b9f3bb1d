// Writes into arbitrary bytes opened as a table and memo file: appends a record with a value in
// every field, edits the first record's memos, deletes a record and packs. Damaged input may only
// fail with the engine's exceptions, and whatever was written must open again.
// Input: see DbfFuzzInput.h; mode bit 1 gives the memos a long text (several blocks), bit 2
// clears them instead, bit 3 translates OEM text.
#include "DbfFuzzInput.h"

#include "platform/rtl/Exceptions.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A value every kind of field takes as text (or refuses with its conversion error).
std::string ValueFor(const TField& field, const std::string& memo)
{
    switch (field.DataType()) {
    case TFieldType::ftDate:
    case TFieldType::ftDateTime: return "2026-03-05";
    case TFieldType::ftBoolean: return "True";
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftLargeint:
    case TFieldType::ftAutoInc: return "42";
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD: return "12.5";
    default: return field.IsBlob() ? memo : std::string("fuzz");
    }
}

void FillFields(TXbSmartDBF& dbf, const std::string& memo, bool memosOnly)
{
    for (TField* field : dbf.Fields()) {
        if (memosOnly && !field->IsBlob())
            continue;
        try {
            field->SetAsString(ValueFor(*field, memo));
        } catch (const Exception&) {
            // A value the field refuses, or a memo the damaged memo file cannot take.
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TDbfFuzzInput input;
    if (!input.Read(data, size))
        return 0;
    const std::string memo = (input.Mode & 4) != 0   ? std::string()
                             : (input.Mode & 2) != 0 ? std::string(1300, 'm') + "\r\nend"
                                                     : std::string("memo text");
    {
        TXbSmartDBF dbf(nullptr);
        input.Attach(dbf);
        dbf.OEM = (input.Mode & 8) != 0;
        dbf.BufferSize = 4096;
        try {
            dbf.Open();
        } catch (const Exception&) {
            return 0;  // refused input is the expected outcome for most inputs
        }
        try {
            dbf.Append();
            FillFields(dbf, memo, false);
            dbf.Post();
        } catch (const Exception&) {
            dbf.Cancel();
        }
        try {
            dbf.First();
            if (!dbf.Eof()) {
                dbf.Edit();
                FillFields(dbf, memo, true);
                dbf.Post();
            }
        } catch (const Exception&) {
            dbf.Cancel();
        }
        try {
            if (dbf.RecordCount() > 1) {
                dbf.SetRecNo(2);
                dbf.Delete();
            }
            dbf.Pack(false);
        } catch (const Exception&) {
        }
        dbf.Close();
    }
    // What the engine wrote still opens; its values read or are refused with a message.
    TXbSmartDBF again(nullptr);
    input.Attach(again);
    try {
        again.Open();
    } catch (const Exception& error) {
        std::fprintf(stderr, "the written table does not open again: %s\n", error.Message().c_str());
        std::abort();
    }
    for (again.First(); !again.Eof(); again.Next())
        for (TField* field : again.Fields()) {
            try {
                (void)field->AsString();
            } catch (const Exception&) {
            }
        }
    again.Close();
    return 0;
}
