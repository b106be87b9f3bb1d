// Locate and Lookup by scanning the table: text, number and logical keys, trimming, partial and
// case-insensitive matching, deleted and enciphered records, and what happens to the cursor.
#include "dbf/XbDBFNTX.h"
#include "platform/rtl/Exceptions.h"
#include "XbDBFTableBuilder.h"
#include "XbDBFTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// NAME C 10, NUM N 5, FLAG L 1; record 2 is deleted.
std::vector<uint8_t> LocateTableBytes()
{
    TTestTable builder({{"NAME", 'C', 10}, {"NUM", 'N', 5}, {"FLAG", 'L', 1}});
    builder.Add({"abc", "1", "F"});
    builder.Add({"Zed", "2", "T"}, true);
    builder.Add({"ABC", "3", "F"});
    builder.Add({"zed", "4", "T"});
    builder.Add({"  pad", "5", "F"});
    return builder.Bytes();
}

// Enciphers every record image of a table file in place under its record number.
void EncipherRecords(std::vector<uint8_t>& bytes, int headerSize, int recordSize, TXbDBFCrypt& crypt)
{
    uint32_t recNo = 1;
    for (size_t at = static_cast<size_t>(headerSize); at + static_cast<size_t>(recordSize) <= bytes.size();
         at += static_cast<size_t>(recordSize), ++recNo)
        crypt.Encrypt(recNo, bytes.data() + at, recordSize);
}

class LocateTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        std::vector<uint8_t> bytes = LocateTableBytes();
        const bool enciphered = GetParam();
        if (enciphered) {
            TXbDBFCrypt crypt;
            crypt.SetCryptMethod(TCryptMethod::cmGost);
            crypt.SetPassword("Rq4Hvz7K");
            crypt.SetActive(true);
            // 3 fields: header 32 + 3 * 32 + 1, record 1 + 10 + 5 + 1; the end mark is left alone.
            EncipherRecords(bytes, 129, 17, crypt);
            bytes.back() = 0x1A;
            table.Crypt().SetCryptMethod(TCryptMethod::cmGost);
            table.Crypt().SetPassword("Rq4Hvz7K");
            table.Crypt().SetActive(true);
        }
        WriteWholeFile(folder.File("locate.dbf"), bytes);
        table.DBFFileName = folder.File("locate.dbf");
        table.TrimCType = true;
        table.BufferSize = 2 * 17;  // two records per read: the scan crosses blocks
    }

    TScratchFolder folder;
    TXbDBFNTX table{nullptr};
};

TEST_P(LocateTest, FindsTheFirstMatchingRecordAndMovesToIt)
{
    using enum TLocateOption;
    struct Case {
        const char* fields;
        Variant values;
        TLocateOptions options;
        bool trim;
        bool setDeleted;
        int expected;  // record number; 0 = not found, the cursor stays
    };
    const Case cases[] = {
        {"NAME", "abc", {}, true, false, 1},
        {"NAME", "ab", {loPartialKey}, true, false, 1},
        {"NAME", "AB", {loPartialKey}, true, false, 3},
        {"NAME", "AB", {loPartialKey, loCaseInsensitive}, true, false, 1},
        {"NAME", "ABC", {loCaseInsensitive}, true, false, 1},
        {"NAME", "ABC", {}, true, false, 3},
        {"NAME", "zed", {loCaseInsensitive}, true, false, 2},
        {"NAME", "zed", {loCaseInsensitive}, true, true, 4},  // the deleted record is skipped
        {"NAME", "pad", {}, true, false, 5},
        {"NAME", "pad", {}, false, false, 0},  // leading blanks count without trimming
        {"NAME", "  pad", {}, false, false, 5},
        {"NAME", "nothing", {loPartialKey, loCaseInsensitive}, true, false, 0},
        {"NUM", 3, {}, true, false, 3},
        {"NUM", "4", {}, true, false, 4},
        {"FLAG", true, {}, true, true, 4},
        {"NAME;NUM", Variant::Array({"zed", 4}), {}, true, false, 4},
        {"NAME; NUM", Variant::Array({"abc", 3}), {loCaseInsensitive}, true, false, 3},
        {"NAME;NUM", Variant::Array({"zed", Variant::Null()}), {}, true, false, 0},
        {"NAME", Variant::Null(), {}, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fields) + ", case " + std::to_string(&c - cases));
        table.TrimInLocate = c.trim;
        table.SetSetDeleted(c.setDeleted);
        table.Open();
        table.Last();
        const int before = table.RecNo();
        EXPECT_EQ(table.Locate(c.fields, c.values, c.options), c.expected != 0);
        EXPECT_EQ(table.RecNo(), c.expected != 0 ? c.expected : before);
        table.Close();
    }
}

TEST_P(LocateTest, LookupReturnsValuesWithoutMoving)
{
    table.TrimInLocate = true;
    table.SetSetDeleted(true);
    table.LookupOptions = {TLocateOption::loCaseInsensitive};
    table.Open();
    table.Next();
    ASSERT_EQ(table.RecNo(), 3);

    EXPECT_EQ(table.Lookup("NAME", "ZED", "NUM").AsInteger(), 4);
    const Variant both = table.Lookup("NUM", 1, "NAME;FLAG");
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both.Elements()[0].AsString(), "abc");
    EXPECT_FALSE(both.Elements()[1].AsBoolean());
    EXPECT_TRUE(table.Lookup("NAME", "missing", "NUM").IsNull());
    EXPECT_TRUE(table.Lookup("NAME", Variant::Null(), "NUM").IsNull());

    EXPECT_EQ(table.RecNo(), 3);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "ABC");
}

TEST_P(LocateTest, KeyFieldsAndValuesMustMatch)
{
    table.Open();
    EXPECT_THROW(table.Locate("NAME;NUM", "abc", {}), EDatabaseError);
    EXPECT_THROW(table.Locate("NOFIELD", "abc", {}), EDatabaseError);
    table.Close();
    table.BufferSize = 16;  // smaller than one record
    table.BufferSize = 17;
    table.Open();
    table.BufferSize = 16;
    try {
        table.Locate("NAME", "abc", {});
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), "TXbSmartDBF.LocateRecord: Record size too large");
    }
}

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, LocateTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Enciphered" : "Plain"; });

}  // namespace
