// Field classes: native formats, text conversions (in the default FormatSettings), ranges,
// blobs and calculated fields.

#include "DataSetTestSupport.h"

#include "platform/db/FieldText.h"

#include <cstring>

namespace {

std::unique_ptr<TMemoryDataSet> MakeTyped()
{
    auto dataSet = std::make_unique<TMemoryDataSet>(nullptr, std::vector<MemoryFieldSpec>{
        {"NAME", TFieldType::ftString, 5},      {"SMALL", TFieldType::ftSmallint}, {"WORD", TFieldType::ftWord},
        {"BIG", TFieldType::ftLargeint},        {"PRICE", TFieldType::ftFloat},    {"MONEY", TFieldType::ftCurrency},
        {"FLAG", TFieldType::ftBoolean},        {"DAY", TFieldType::ftDate},       {"CLOCK", TFieldType::ftTime},
        {"STAMP", TFieldType::ftDateTime},      {"NOTE", TFieldType::ftMemo},      {"RAW", TFieldType::ftBytes, 4},
        {"COUNT", TFieldType::ftInteger}});
    dataSet->Open();
    dataSet->Append();
    return dataSet;
}

}  // namespace

TEST(Fields, DefaultFieldClassesAndSizes)
{
    auto typed = MakeTyped();
    const std::vector<std::pair<const char*, int>> expected = {
        {"TStringField", 6}, {"TSmallintField", 2}, {"TWordField", 2}, {"TLargeintField", 8}, {"TFloatField", 8},
        {"TCurrencyField", 8}, {"TBooleanField", 2}, {"TDateField", 4}, {"TTimeField", 4}, {"TDateTimeField", 8},
        {"TMemoField", 0}, {"TBytesField", 4}, {"TIntegerField", 4}};
    ASSERT_EQ(typed->FieldCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < typed->FieldCount(); ++i) {
        EXPECT_STREQ(typed->Fields()[i].ClassName(), expected[static_cast<size_t>(i)].first);
        EXPECT_EQ(typed->Fields()[i].DataSize(), expected[static_cast<size_t>(i)].second) << typed->Fields()[i].FieldName();
    }
}

TEST(Fields, TextRoundTripsAndNulls)
{
    auto typed = MakeTyped();
    struct Case {
        const char* field;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"NAME", "abcdefgh", "abcde"},  // cut to the field's size
        {"SMALL", "-32768", "-32768"},
        {"WORD", "65535", "65535"},
        {"BIG", "9007199254740993", "9007199254740993"},
        {"PRICE", "3.25", "3.25"},
        {"PRICE", "0.1", "0.1"},
        {"MONEY", "12.3456", "12.3456"},
        {"MONEY", "-0.5", "-0.5"},
        {"FLAG", "t", "True"},
        {"FLAG", "FALSE", "False"},
        {"DAY", "29/02/2024", "29/02/2024"},
        {"CLOCK", "13:45:10", "13:45:10"},
        {"STAMP", "31/12/1999 23:59:59", "31/12/1999 23:59:59"},
        {"STAMP", "01/06/1850 06:00:00", "01/06/1850 06:00:00"},
        {"RAW", "ab", "ab\0\0"},  // padded to the field's 4 bytes
        {"COUNT", " 42 ", "42"},
    };
    for (const Case& c : cases) {
        TField* field = typed->FieldByName(c.field);
        field->SetAsString(c.text);
        EXPECT_EQ(field->AsString(), std::string(c.expected, std::strcmp(c.field, "RAW") == 0 ? 4 : std::strlen(c.expected)))
            << c.field << " " << c.text;
        EXPECT_FALSE(field->IsNull());
    }
    for (const char* name : {"SMALL", "PRICE", "FLAG", "DAY", "STAMP", "COUNT"}) {
        TField* field = typed->FieldByName(name);
        field->SetAsString("");
        EXPECT_TRUE(field->IsNull()) << name << ": empty text clears the value";
        EXPECT_EQ(field->AsString(), "");
    }
}

TEST(Fields, ConversionErrorsAndRanges)
{
    auto typed = MakeTyped();
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("SMALL")->SetAsInteger(40000); }),
              "40000 is not a valid value for field 'SMALL'. The allowed range is -32768 to 32767");
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("WORD")->SetAsInteger(-1); }),
              "-1 is not a valid value for field 'WORD'. The allowed range is 0 to 65535");
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("COUNT")->SetAsString("12x"); }),
              "'12x' is not a valid integer value for field 'COUNT'");
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("PRICE")->SetAsString("1,5"); }),
              "'1,5' is not a valid floating point value for field 'PRICE'");
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("FLAG")->SetAsString("maybe"); }),
              "'maybe' is not a valid boolean value for field 'FLAG'");
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("DAY")->SetAsString("30/02/2026"); }),
              "'30/02/2026' is not a valid date and time for field 'DAY'");
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("DAY")->AsBoolean(); }),
              "Cannot access field 'DAY' as type Boolean");
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("BIG")->SetAsLargeInt(INT64_MAX); }), "");
    EXPECT_EQ(DatabaseErrorOf([&] { typed->FieldByName("BIG")->AsInteger(); }),
              "9223372036854775807 is not a valid value for field 'BIG'. The allowed range is -2147483648 to 2147483647");
}

TEST(Fields, NativeDateFormatsCountDaysFromYearOne)
{
    auto typed = MakeTyped();
    TField* day = typed->FieldByName("DAY");
    TField* stamp = typed->FieldByName("STAMP");
    TField* clock = typed->FieldByName("CLOCK");
    day->SetAsDateTime(0.0);  // 1899-12-30
    int32_t days = 0;
    ASSERT_TRUE(day->GetData(&days));
    EXPECT_EQ(days, 693594);
    day->SetAsString("01/01/0001");
    ASSERT_TRUE(day->GetData(&days));
    EXPECT_EQ(days, 1);
    EXPECT_EQ(day->AsDateTime(), -693593.0);

    stamp->SetAsDateTime(1.5);  // 1899-12-31 12:00
    double stored = 0;
    ASSERT_TRUE(stamp->GetData(&stored));
    EXPECT_EQ(stored, (693595.0 * 86400000.0) + 43200000.0);
    EXPECT_EQ(stamp->AsDateTime(), 1.5);
    stamp->SetAsDateTime(-1.25);  // 1899-12-29 06:00
    EXPECT_EQ(stamp->AsString(), "29/12/1899 06:00:00");
    EXPECT_EQ(stamp->AsDateTime(), -1.25);

    clock->SetAsDateTime(2.75);
    int32_t ms = 0;
    ASSERT_TRUE(clock->GetData(&ms));
    EXPECT_EQ(ms, 18 * 3600000);

    for (int32_t n : {1, 59, 60, 365, 366, 693594, 730119, 3652059}) {
        int y = 0, m = 0, d = 0;
        FieldText::CivilFromDays(n, y, m, d);
        EXPECT_EQ(FieldText::DaysFromCivil(y, m, d), n);
    }
    int y = 0, m = 0, d = 0;
    FieldText::CivilFromDays(3652059, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 99991231);
}

TEST(Fields, NumericAccessorsConvertBetweenTypes)
{
    auto typed = MakeTyped();
    TField* money = typed->FieldByName("MONEY");
    money->SetAsFloat(2.5);
    int64_t scaled = 0;
    ASSERT_TRUE(money->GetData(&scaled));
    EXPECT_EQ(scaled, 25000);
    EXPECT_EQ(money->AsCurrency().scaled, 25000);
    EXPECT_EQ(money->AsInteger(), 2);  // rounds half to even
    TField* price = typed->FieldByName("PRICE");
    price->SetAsInteger(7);
    EXPECT_EQ(price->AsFloat(), 7.0);
    EXPECT_EQ(price->AsLargeInt(), 7);
    TField* name = typed->FieldByName("NAME");
    name->SetAsInteger(123);
    EXPECT_EQ(name->AsInteger(), 123);
    name->SetAsString("Yes");
    EXPECT_TRUE(name->AsBoolean());
    TField* flag = typed->FieldByName("FLAG");
    flag->SetAsBoolean(true);
    int16_t native = 0;
    ASSERT_TRUE(flag->GetData(&native));
    EXPECT_EQ(native, 1);
    static_cast<TBooleanField*>(flag)->SetDisplayValues("Ja;Nein");
    EXPECT_EQ(flag->DisplayText(), "Ja");
    flag->SetAsString("n");
    EXPECT_FALSE(flag->AsBoolean());
}

TEST(Fields, MemoContentsGoThroughTheBlobStream)
{
    auto typed = MakeTyped();
    TField* note = typed->FieldByName("NOTE");
    EXPECT_TRUE(note->IsNull());
    EXPECT_EQ(note->AsString(), "");
    note->SetAsString("line one\r\nline two\r\n");
    EXPECT_FALSE(note->IsNull());
    EXPECT_TRUE(typed->Modified());
    typed->Post();
    EXPECT_EQ(note->AsString(), "line one\r\nline two\r\n");
    EXPECT_EQ(static_cast<TBlobField*>(note)->BlobSize(), 20);
    typed->Edit();
    note->SetAsString("");
    EXPECT_TRUE(note->IsNull());
    typed->Post();
    EXPECT_EQ(note->AsString(), "");
    EXPECT_EQ(DatabaseErrorOf([&] { note->SetAsString("browse"); }), "Dataset not in edit or insert mode");
}

TEST(Fields, CalculatedFieldsAreComputedForEveryRecord)
{
    auto people = MakePeople(3);
    auto* doubled = new TIntegerField(people.get());
    doubled->SetFieldName("DOUBLED");
    doubled->SetFieldKind(TFieldKind::fkCalculated);
    doubled->SetDataSet(people.get());
    auto* id = new TIntegerField(people.get());
    id->SetFieldName("ID");
    id->SetDataSet(people.get());
    people->OnCalcFields = [&](TDataSet*) { doubled->SetAsInteger(id->AsInteger() * 2); };
    people->Open();
    std::vector<int> values;
    for (people->First(); !people->Eof(); people->Next()) values.push_back(doubled->AsInteger());
    EXPECT_EQ(values, (std::vector<int>{2, 4, 6}));
    people->Edit();
    id->SetAsInteger(10);
    EXPECT_EQ(doubled->AsInteger(), 20) << "recomputed when a data field changes";
    people->Cancel();
    EXPECT_EQ(doubled->AsInteger(), 6);
}
