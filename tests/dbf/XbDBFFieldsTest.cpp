// Field values read from and written into record images, type by type.
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "XbDBFTableBuilder.h"
#include "XbDBFTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One table holding one record whose fields carry the given texts.
class TOneRecordTable {
public:
    TOneRecordTable(const std::vector<TTestField>& fields, const std::vector<std::string>& values, bool trim)
        : builder_(fields)
    {
        builder_.Add(values);
        const std::vector<uint8_t> bytes = builder_.Bytes();
        stream_.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        table.StorageType = TProxyStreamType::pstOuterStream;
        table.OuterStream = &stream_;
        table.DBFFileName = "memory.dbf";
        table.TrimCType = trim;
        table.Open();
    }
    ~TOneRecordTable() { table.Close(); }

    // The bytes of the active record image.
    std::string Image() const
    {
        return std::string(reinterpret_cast<const char*>(table.ActiveBuffer()),
                           static_cast<size_t>(table.RecordSize()));
    }

    TXbSmartDBF table{nullptr};

private:
    TTestTable builder_;
    TMemoryStream stream_;
};

std::string Shown(TField& field)
{
    if (field.IsNull())
        return "<null>";
    switch (field.DataType()) {
    case TFieldType::ftDate: {
        int year, month, day;
        DecodeDate(field.AsDateTime(), year, month, day);
        return std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day);
    }
    case TFieldType::ftBoolean: return field.AsBoolean() ? "true" : "false";
    case TFieldType::ftFloat: {
        char text[64];
        std::snprintf(text, sizeof text, "%.6g", field.AsFloat());
        return text;
    }
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint: return std::to_string(field.AsLargeInt());
    default: return "[" + field.AsString() + "]";
    }
}

}  // namespace

TEST(TableFields, ReadingEachTypeWithItsNullRules)
{
    struct Case {
        TTestField field;
        std::string stored;
        bool trim;
        TFieldType type;
        std::string shown;
    };
    const Case cases[] = {
        {{"C", 'C', 10}, "abc", true, TFieldType::ftString, "[abc]"},
        {{"C", 'C', 10}, "abc", false, TFieldType::ftString, "[abc       ]"},
        {{"C", 'C', 10}, "", true, TFieldType::ftString, "<null>"},
        {{"C", 'C', 10}, "", false, TFieldType::ftString, "[          ]"},
        {{"C", 'C', 10}, "  lead", true, TFieldType::ftString, "[  lead]"},
        {{"N", 'N', 10, 1}, "  12.5    ", true, TFieldType::ftFloat, "12.5"},
        {{"N", 'N', 10, 1}, "     -0.5", true, TFieldType::ftFloat, "-0.5"},
        {{"N", 'N', 10, 1}, "", true, TFieldType::ftFloat, "<null>"},
        {{"N", 'N', 10, 1}, "**", true, TFieldType::ftFloat, "<null>"},
        {{"N", 'N', 10, 1}, " 1,5", true, TFieldType::ftFloat, "<null>"},
        {{"N", 'N', 9}, "       42", true, TFieldType::ftInteger, "42"},
        {{"N", 'N', 9}, "42       ", true, TFieldType::ftInteger, "42"},
        {{"N", 'N', 9}, "  -7     ", true, TFieldType::ftInteger, "-7"},
        {{"N", 'N', 9}, "4 2", true, TFieldType::ftInteger, "<null>"},
        {{"N", 'N', 9}, "12.5", true, TFieldType::ftInteger, "<null>"},
        {{"N", 'N', 9}, "*********", true, TFieldType::ftInteger, "<null>"},
        {{"N", 'N', 12}, "123456789012", true, TFieldType::ftLargeint, "123456789012"},
        {{"N", 'N', 12}, "1234567890  ", true, TFieldType::ftLargeint, "1234567890"},
        {{"N", 'N', 12}, "12x", true, TFieldType::ftLargeint, "<null>"},
        // Nineteen digits and more: exact as far as 64 bits reach, never a wrapped number.
        {{"N", 'N', 19}, "1111111111111111111", true, TFieldType::ftLargeint, "1111111111111111111"},
        {{"N", 'N', 20}, "-9223372036854775808", true, TFieldType::ftLargeint, "-9223372036854775808"},
        {{"N", 'N', 20}, " 9999999999999999999", true, TFieldType::ftLargeint, "<null>"},
        {{"N", 'N', 20, 2}, "11111111111111111.11", true, TFieldType::ftFloat, "1.11111e+16"},
        {{"N", 'N', 20, 9}, "99999999999.99999999", true, TFieldType::ftFloat, "1e+11"},
        {{"F", 'F', 8, 3}, "  -3.250", true, TFieldType::ftFloat, "-3.25"},
        {{"F", 'F', 8, 3}, "   abc  ", true, TFieldType::ftFloat, "<null>"},
        {{"D", 'D', 8}, "20240229", true, TFieldType::ftDate, "2024-2-29"},
        {{"D", 'D', 8}, "20260230", true, TFieldType::ftDate, "<null>"},
        {{"D", 'D', 8}, "21000229", true, TFieldType::ftDate, "<null>"},
        {{"D", 'D', 8}, "00000101", true, TFieldType::ftDate, "<null>"},
        {{"D", 'D', 8}, "20241301", true, TFieldType::ftDate, "<null>"},
        {{"D", 'D', 8}, "2024 101", true, TFieldType::ftDate, "<null>"},
        // Bytes just below '0' and just above '9'.
        {{"D", 'D', 8}, "2024/101", true, TFieldType::ftDate, "<null>"},
        {{"D", 'D', 8}, "2024:101", true, TFieldType::ftDate, "<null>"},
        {{"D", 'D', 8}, "99991231", true, TFieldType::ftDate, "9999-12-31"},
        {{"D", 'D', 8}, "", true, TFieldType::ftDate, "<null>"},
        {{"L", 'L', 1}, "T", true, TFieldType::ftBoolean, "true"},
        {{"L", 'L', 1}, "F", true, TFieldType::ftBoolean, "false"},
        {{"L", 'L', 1}, "t", true, TFieldType::ftBoolean, "<null>"},
        {{"L", 'L', 1}, "Y", true, TFieldType::ftBoolean, "<null>"},
        {{"L", 'L', 1}, "?", true, TFieldType::ftBoolean, "<null>"},
        {{"L", 'L', 1}, "", true, TFieldType::ftBoolean, "<null>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.field.Type) + std::to_string(c.field.Length) + " '" + c.stored + "'" +
                     (c.trim ? " trimmed" : ""));
        TOneRecordTable fixture({c.field}, {c.stored}, c.trim);
        TField& field = fixture.table.Fields()[0];
        EXPECT_EQ(field.DataType(), c.type);
        EXPECT_EQ(Shown(field), c.shown);
    }
}

TEST(TableFields, NumbersIgnoreTheProcessLocale)
{
    // Whatever locale the process runs in, "." stays the decimal point of stored numbers.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    const bool switched = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr ||
                          std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") != nullptr;
    {
        TOneRecordTable fixture({{"N", 'N', 10, 2}}, {"   1234.50"}, true);
        EXPECT_DOUBLE_EQ(fixture.table.Fields()[0].AsFloat(), 1234.5);
        fixture.table.Edit();
        fixture.table.Fields()[0].SetAsFloat(-2.125);
        EXPECT_EQ(fixture.Image(), "      -2.12");
        fixture.table.Cancel();
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!switched)
        GTEST_SKIP() << "no locale with a decimal comma is installed; checked in the C locale only";
}

TEST(TableFields, WritingEachTypeIntoTheRecordImage)
{
    TOneRecordTable fixture({{"NAME", 'C', 5}, {"QTY", 'N', 10, 1}, {"TWO", 'N', 2}, {"BIG", 'N', 12},
                             {"BORN", 'D', 8}, {"OK", 'L', 1}},
                            {"hello", "5.0", "7", "1", "20000101", "F"}, true);
    TXbSmartDBF& table = fixture.table;
    table.Edit();
    table.FieldByName("NAME")->SetAsString("ab");
    table.FieldByName("QTY")->SetAsFloat(3.14159);
    table.FieldByName("TWO")->SetAsInteger(42);
    table.FieldByName("BIG")->SetAsLargeInt(-12345678901LL);
    table.FieldByName("BORN")->SetAsDateTime(EncodeDate(2024, 2, 29));
    table.FieldByName("OK")->SetAsBoolean(true);
    EXPECT_EQ(fixture.Image(), " ab          3.142-1234567890120240229T");
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "ab");
    EXPECT_DOUBLE_EQ(table.FieldByName("QTY")->AsFloat(), 3.1);

    // Nulls: blanks of the field's width.
    table.FieldByName("BORN")->Clear();
    table.FieldByName("OK")->Clear();
    table.FieldByName("QTY")->Clear();
    EXPECT_EQ(fixture.Image(), " ab             42-12345678901         ");
    EXPECT_TRUE(table.FieldByName("BORN")->IsNull());

    // A number too wide for its field is refused with the field's name; the record keeps its
    // bytes.
    const std::string before = fixture.Image();
    struct Refusal {
        const char* field;
        double value;
        const char* message;
    };
    const Refusal refusals[] = {
        {"TWO", 123, "123 is not a valid value for field 'TWO'. The allowed range is -9 to 99"},
        {"TWO", -10, "-10 is not a valid value for field 'TWO'. The allowed range is -9 to 99"},
        {"QTY", 123456789.0,
         "123456789.0 is not a valid value for field 'QTY'. The allowed range is -9999999.9 to 99999999.9"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.field);
        try {
            if (std::string(r.field) == "TWO")
                table.FieldByName(r.field)->SetAsInteger(static_cast<int32_t>(r.value));
            else
                table.FieldByName(r.field)->SetAsFloat(r.value);
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), r.message);
        }
        EXPECT_EQ(fixture.Image(), before);
    }
    // A date the field cannot hold is refused too.
    EXPECT_THROW(table.FieldByName("BORN")->SetAsDateTime(EncodeDate(1, 1, 1) - 1), EDatabaseError);
    EXPECT_EQ(fixture.Image(), before);
    table.Cancel();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "hello");
}

// A text goes into a character field the same way whether the table takes it straight from
// the caller's string or through the field's buffer (an OnValidate handler sends it that way):
// cut at the width or a NUL, padded with blanks, the change announced once.
TEST(TableFields, TextsWrittenStraightOrThroughTheBufferAlike)
{
    struct Case {
        std::string text;
        const char* stored;
    };
    const Case cases[] = {{"", "     "},       {"ab", "ab   "},        {"abcde", "abcde"},
                          {"abcdefgh", "abcde"}, {std::string("a\0cd", 4), "a    "}};
    for (const bool validated : {false, true}) {
        SCOPED_TRACE(validated ? "through the buffer" : "straight");
        TOneRecordTable fixture({{"ID", 'N', 3}, {"NAME", 'C', 5}, {"TAIL", 'C', 2}}, {"1", "hello", "zz"}, true);
        TXbSmartDBF& table = fixture.table;
        TField& name = *table.FieldByName("NAME");
        std::string seen;
        if (validated)
            name.OnValidate = [&seen](TField* field) { seen = field->AsString(); };
        int changes = 0;
        name.OnChange = [&changes](TField*) { ++changes; };
        table.Edit();
        for (const Case& c : cases) {
            changes = 0;
            name.SetAsString(c.text);
            EXPECT_EQ(fixture.Image(), std::string(" 1  ") + c.stored + "zz") << c.text;
            EXPECT_EQ(changes, 1);
            if (validated) {
                const std::string stored = c.stored;
                EXPECT_EQ(seen, stored.substr(0, stored.find_last_not_of(' ') + 1));
            }
        }
        EXPECT_TRUE(table.Modified());
        table.Cancel();
        // Outside an edit, or on a read-only field, the write is refused and nothing changes.
        EXPECT_THROW(name.SetAsString("x"), EDatabaseError);
        name.SetReadOnly(true);
        table.Edit();
        EXPECT_THROW(name.SetAsString("x"), EDatabaseError);
        EXPECT_EQ(fixture.Image(), " 1  hellozz");
        table.Cancel();
    }
}

// Numbers go into the record as the standard library writes them with the field's decimals
// (rounded to nearest, ties of the binary value included), right-aligned, a negative that
// rounds to zero without its sign: whole counts of the last decimal place, halves that are not
// quite halves in binary, and random values.
TEST(TableFields, NumbersWrittenAsTheStandardFixedFormat)
{
    const int decimals[] = {1, 2, 3, 5, 9};
    std::vector<TTestField> fields;
    std::vector<std::string> values;
    for (const int d : decimals) {
        fields.push_back({"N" + std::to_string(d), 'N', 20, d});
        values.push_back("0");
    }
    TOneRecordTable fixture(fields, values, true);
    TXbSmartDBF& table = fixture.table;
    std::vector<double> numbers = {0.0,  -0.0, 1.0,  -1.0,    12.3,    -12.3,   0.15,     2.675, 0.05,
                                   -0.04, 0.5, 1.5,  2.5,     1e-9,    -1e-9,   123456789.125, 99999999.99,
                                   4503599627370495.0, 0.1 + 0.2, 1.0 / 3, -2.0 / 3};
    std::mt19937_64 random(19);
    for (int i = 0; i < 400; ++i) {
        const int scale = static_cast<int>(random() % 7);
        numbers.push_back(static_cast<double>(static_cast<int64_t>(random() % 2000001) - 1000000) / std::pow(10.0, scale));
        numbers.push_back(std::ldexp(static_cast<double>(random() % (1u << 30)), -static_cast<int>(random() % 40)) *
                          (random() % 2 != 0 ? -1 : 1));
    }
    table.Edit();
    for (const double number : numbers) {
        for (size_t f = 0; f < fields.size(); ++f) {
            char text[400];
            const std::to_chars_result r =
                std::to_chars(text, text + sizeof text, number, std::chars_format::fixed, decimals[f]);
            std::string expected(text, r.ptr);
            if (expected.find_first_not_of("-0.") == std::string::npos && expected[0] == '-')
                expected.erase(0, 1);
            if (expected.size() > 20)
                continue;
            table.Fields()[static_cast<int>(f)].SetAsFloat(number);
            const std::string image = fixture.Image().substr(1 + 20 * f, 20);
            ASSERT_EQ(image, std::string(20 - expected.size(), ' ') + expected) << number << " with " << decimals[f];
        }
    }
    table.Cancel();
}

// Dates go into the record as the digits of their calendar day, across the whole range a
// D field holds: the leap-year rules, month and century ends, the first and last day.
TEST(TableFields, DatesWrittenAsTheirCalendarDigits)
{
    TOneRecordTable fixture({{"BORN", 'D', 8}}, {"20000101"}, true);
    TXbSmartDBF& table = fixture.table;
    table.Edit();
    TField& born = *table.FieldByName("BORN");
    struct Day {
        int year, month, day;
        const char* digits;
    };
    const Day days[] = {{1, 1, 1, "00010101"},     {4, 2, 29, "00040229"},     {100, 2, 28, "01000228"},
                        {100, 3, 1, "01000301"},   {400, 2, 29, "04000229"},   {1900, 2, 28, "19000228"},
                        {1900, 3, 1, "19000301"},  {1969, 12, 31, "19691231"}, {1970, 1, 1, "19700101"},
                        {2000, 2, 29, "20000229"}, {2026, 3, 5, "20260305"},   {9999, 12, 31, "99991231"}};
    for (const Day& d : days) {
        born.SetAsDateTime(EncodeDate(d.year, d.month, d.day));
        EXPECT_EQ(fixture.Image(), std::string(" ") + d.digits);
    }
    // Every 13th day of the range, against the calendar's own decoding.
    char digits[16];
    for (TDateTime day = EncodeDate(1, 1, 1); day <= EncodeDate(9999, 12, 31); day += 13) {
        int year = 0, month = 0, dayOfMonth = 0;
        DecodeDate(day, year, month, dayOfMonth);
        std::snprintf(digits, sizeof digits, " %04d%02d%02d", year, month, dayOfMonth);
        born.SetAsDateTime(day);
        ASSERT_EQ(fixture.Image(), digits);
    }
    // Past the last day: refused, the record keeps its bytes.
    const std::string before = fixture.Image();
    EXPECT_THROW(born.SetAsDateTime(EncodeDate(9999, 12, 31) + 1), EDatabaseError);
    EXPECT_EQ(fixture.Image(), before);
    table.Cancel();
}

TEST(TableFields, VisualFoxProNullFlagsDateTimesAndIntegers)
{
    TScratchFolder folder;
    const std::string name = folder.File("vfp.dbf");
    {
        TXbSmartDBF maker(nullptr);
        maker.DBFFileName = name;
        maker.SetDbfVersion(xBaseVersion::xVisualFoxPro);
        maker.DBFFieldDefs().Add("NOTE", 'C', 5).FieldFlag().CanStoreNull = true;
        maker.DBFFieldDefs().Add("WHEN", 'T');
        maker.DBFFieldDefs().Add("COUNT", 'I').FieldFlag().CanStoreNull = true;
        maker.CreateTable();
    }
    std::vector<uint8_t> bytes = ReadWholeFile(name);
    // Record 1: NOTE "abc", WHEN 2024-02-29 12:00:00.5 (Julian day 2460370), COUNT -5, no
    // null flags. Record 2: every nullable field null, WHEN the zero day.
    auto add = [&](const std::string& note, uint32_t day, uint32_t ms, int32_t count, uint8_t flags) {
        bytes.push_back(' ');
        std::string text = note;
        text.resize(5, ' ');
        bytes.insert(bytes.end(), text.begin(), text.end());
        for (uint32_t v : {day, ms, static_cast<uint32_t>(count)})
            for (int i = 0; i < 4; ++i)
                bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        bytes.push_back(flags);
    };
    add("abc", 2460370, 43200500, -5, 0);
    add("xyz", 0, 0, 9, 3);
    bytes[4] = 2;
    WriteWholeFile(name, bytes);

    TXbSmartDBF table(nullptr);
    table.DBFFileName = name;
    table.TrimCType = true;
    table.Open();
    ASSERT_EQ(table.FieldCount(), 4);
    EXPECT_EQ(table.FieldByName("WHEN")->DataType(), TFieldType::ftDateTime);
    EXPECT_EQ(table.FieldByName("COUNT")->DataType(), TFieldType::ftInteger);
    EXPECT_EQ(table.FieldByName("NOTE")->AsString(), "abc");
    EXPECT_EQ(table.FieldByName("COUNT")->AsInteger(), -5);
    const TDateTime when = table.FieldByName("WHEN")->AsDateTime();
    EXPECT_EQ(MillisecondsBetween(EncodeDate(2024, 2, 29) + EncodeTime(12, 0, 0, 500), when), 0);
    table.Next();
    EXPECT_TRUE(table.FieldByName("NOTE")->IsNull());
    EXPECT_TRUE(table.FieldByName("COUNT")->IsNull());
    EXPECT_TRUE(table.FieldByName("WHEN")->IsNull());

    // Writing a value clears the field's null flag, writing null sets it.
    table.Edit();
    table.FieldByName("COUNT")->SetAsInteger(7);
    table.FieldByName("NOTE")->Clear();
    table.FieldByName("WHEN")->SetAsDateTime(EncodeDate(2000, 1, 1));
    EXPECT_EQ(table.FieldByName("COUNT")->AsInteger(), 7);
    EXPECT_TRUE(table.FieldByName("NOTE")->IsNull());
    const uint8_t* image = table.ActiveBuffer();
    EXPECT_EQ(image[18], 1);  // only NOTE's bit is left
    uint32_t day = 0;
    std::memcpy(&day, image + 6, 4);
    EXPECT_EQ(day, 2451545u);
    table.Cancel();
    table.Close();
}

TEST(TableFields, OemTablesTranslateTextsAndNames)
{
    // "Ä" is 0x8E in the OEM code page and 0xC4 in ANSI.
    TOneRecordTable fixture({{"NAME", 'C', 4}}, {"\x8E" "b"}, true);
    fixture.table.Close();
    fixture.table.OEM = true;
    fixture.table.Open();
    EXPECT_EQ(fixture.table.FieldByName("NAME")->AsString(), "\xC4" "b");
    fixture.table.SetFilter("NAME = '\xC4" "b'");
    fixture.table.SetFiltered(true);
    EXPECT_FALSE(fixture.table.IsEmpty());
    fixture.table.SetFiltered(false);
    fixture.table.Edit();
    fixture.table.FieldByName("NAME")->SetAsString("\xC4\xC4");
    EXPECT_EQ(fixture.Image(), " \x8E\x8E  ");
    fixture.table.Cancel();
    char buffer[3] = {'\x8E', 'a', 0};
    EXPECT_EQ(fixture.table.TranslateOemBuff(buffer, buffer, 2, false), 2);
    EXPECT_EQ(std::string(buffer), "\xC4" "a");
}

TEST(TableFields, TextReadsAgreeWithTheNativeBuffer)
{
    // The string field's text (read straight from the record image) and the native value
    // (NUL-terminated buffer, translated by TranslateOem) must be the same text.
    struct Case {
        std::string stored;
        bool trim;
        bool oem;
        bool transliterate;
        std::string text;
        bool null;
        int length = 6;
    };
    const Case cases[] = {
        {"ab", true, false, true, "ab", false},
        {"ab", false, false, true, "ab    ", false},
        {"", true, false, true, "", true},
        {"", false, false, true, "      ", false},
        {std::string("a\0b", 3), true, false, true, "a", false},
        {std::string("\0b", 2), false, false, true, "", false},
        // Past the first eight bytes as well.
        {std::string("abcdefghij\0k", 12), true, false, true, "abcdefghij", false, 12},
        {std::string("abcdefgh\0", 9), false, false, true, "abcdefgh", false, 12},
        {"abcdefghijk", false, false, true, "abcdefghijk ", false, 12},
        {"\x8E" "b", true, true, true, "\xC4" "b", false},
        {"\x8E" "b", false, true, true, "\xC4" "b    ", false},
        {"\x8E" "b", true, true, false, "\x8E" "b", false},
        {"\x8E" "b", true, false, true, "\x8E" "b", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.stored + "'" + (c.trim ? " trimmed" : "") + (c.oem ? " oem" : "") +
                     (c.transliterate ? "" : " untranslated"));
        TOneRecordTable fixture({{"NAME", 'C', c.length}}, {c.stored}, c.trim);
        fixture.table.Close();
        fixture.table.OEM = c.oem;
        fixture.table.Open();
        auto& field = static_cast<TStringField&>(fixture.table.Fields()[0]);
        field.SetTransliterate(c.transliterate);
        std::string text = "previous";
        EXPECT_EQ(field.GetValue(text), !c.null);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(field.AsString(), c.text);
        char native[16] = {};
        EXPECT_EQ(field.GetData(native), !c.null);
        if (!c.null && c.transliterate)
            fixture.table.TranslateOem(native, native, false);
        EXPECT_EQ(std::string(native), c.null ? "" : c.text);
        // In edit state, the same reading.
        fixture.table.Edit();
        EXPECT_EQ(field.AsString(), c.text);
        fixture.table.Cancel();
    }
}

TEST(TableFields, BrowsedReadsMatchTheReadsOfAnyState)
{
    // A browse reads the common field kinds on a path of its own; every other state reads them
    // through the general one. Both must give the same values, null or not, for every shape of
    // stored text, the texts into strings shorter and longer than they are.
    const std::vector<TTestField> fields = {
        {"NAME", 'C', 10}, {"CODE", 'C', 3}, {"LONG", 'C', 40}, {"QTY", 'N', 10, 1}, {"COUNT", 'N', 9},
        {"TWO", 'N', 2},   {"PRICE", 'N', 8, 2}, {"RATE", 'F', 8, 3}, {"BORN", 'D', 8}, {"OK", 'L', 1},
    };
    const std::vector<std::vector<std::string>> records = {
        {"abc", "x", "a longer text of thirty-one bytes", "  12.5", "       42", " 7", "  123.45", "  -3.250",
         "20240229", "T"},
        {"", "", "", "", "", "", "", "", "", ""},
        {"  lead", "xyz", std::string("nul\0inside", 10), "     -0.5", "42       ", "-1", "-1234.56", "   abc  ",
         "20260230", "F"},
        {"abcdefghij", std::string("\0b", 2), "x", "**", "  -7     ", "99", "12345678", "1.5", "00000101", "?"},
        {std::string("a\0b", 3), "  ", std::string(40, 'w'), " 1,5", "4 2", " .", "   -.   ", "-0.000",
         "2024 101", "t"},
        {"last", "end", "end", "1234567890", "123456789", "00", "  0.01  ", "       0", "99991231", "T"},
    };
    TTestTable builder(fields);
    for (const auto& values : records)
        builder.Add(values);
    for (const bool trim : {true, false}) {
        SCOPED_TRACE(trim ? "trimmed" : "untrimmed");
        TMemoryStream stream;
        const std::vector<uint8_t> bytes = builder.Bytes();
        stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
        TXbSmartDBF table(nullptr);
        table.StorageType = TProxyStreamType::pstOuterStream;
        table.OuterStream = &stream;
        table.DBFFileName = "memory.dbf";
        table.TrimCType = trim;
        table.Open();
        auto readAll = [&table] {
            std::vector<std::string> read;
            for (TField* field : table.Fields()) {
                std::vector<uint8_t> data(static_cast<size_t>(field->DataSize()) + 1, 0xAB);
                std::string value = field->GetData(data.data()) ? "+" : "-";
                value.append(reinterpret_cast<const char*>(data.data()), data.size());
                if (auto* text = dynamic_cast<TStringField*>(field)) {
                    std::string shorter;
                    std::string longer(100, 'x');
                    value += text->GetValue(shorter) ? "+" + shorter : "-" + shorter;
                    value += text->GetValue(longer) ? "+" + longer : "-" + longer;
                }
                read.push_back(value);
            }
            return read;
        };
        int seen = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            SCOPED_TRACE("record " + std::to_string(table.RecNo()));
            const std::vector<std::string> browsed = readAll();
            table.Edit();
            EXPECT_EQ(readAll(), browsed);
            table.Cancel();
            ++seen;
        }
        EXPECT_EQ(seen, static_cast<int>(records.size()));
        table.Close();
    }
}
