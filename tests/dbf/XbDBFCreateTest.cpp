#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"
#include "XbDBFTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct TFieldSpec {
    const char* name;
    char type;
    uint16_t length;
    uint16_t decimals;
    uint8_t flags;
};

void Define(TXbSmartDBF& table, const std::vector<TFieldSpec>& fields)
{
    for (const TFieldSpec& f : fields)
        table.DBFFieldDefs().Add(f.name, f.type, f.length, f.decimals).FieldFlag().SetFieldFlag(f.flags);
}

std::vector<uint8_t> Header(uint8_t version, uint16_t headerSize, uint16_t recordSize, uint8_t flags)
{
    std::vector<uint8_t> bytes(32, 0);
    bytes[0] = version;
    bytes[8] = static_cast<uint8_t>(headerSize);
    bytes[9] = static_cast<uint8_t>(headerSize >> 8);
    bytes[10] = static_cast<uint8_t>(recordSize);
    bytes[11] = static_cast<uint8_t>(recordSize >> 8);
    bytes[28] = flags;
    return bytes;
}

struct TCreateCase {
    const char* title;
    xBaseVersion version;
    std::vector<TFieldSpec> fields;
    uint8_t versionByte;
    uint16_t headerSize;
    uint16_t recordSize;
    uint8_t tableFlags;
    const char* descriptors;  // hex of everything from the first descriptor on
    const char* memoExtension;  // nullptr: no memo file
    const char* memoHeader;     // hex of the memo file's first 24 bytes
};

const std::vector<TCreateCase>& CreateCases()
{
    static const std::vector<TCreateCase> cases = {
        {"dBASE III with memo", xBaseVersion::xBaseIII,
         {{"NAME", 'C', 20, 0, 0}, {"AGE", 'N', 3, 0, 0}, {"BORN", 'D', 0, 0, 0}, {"OK", 'L', 0, 0, 0},
          {"NOTE", 'M', 0, 0, 0}},
         0x83, 194, 43, 0,
         "4e414d450000000000000043 00000000 14 00 00 01000000 01 0000000000000000"
         "4147450000000000000000 4e 00000000 03 00 00 01000000 01 0000000000000000"
         "424f524e00000000000000 44 00000000 08 00 00 01000000 01 0000000000000000"
         "4f4b000000000000000000 4c 00000000 01 00 00 01000000 01 0000000000000000"
         "4e4f544500000000000000 4d 00000000 0a 00 00 01000000 01 0000000000000000"
         "0d 1a",
         ".dbt", "01000000 00000000 00000000 00000000 00000000 00000000"},
        {"dBASE III character field of 300 bytes", xBaseVersion::xBaseIII, {{"TEXT", 'C', 300, 0, 0}}, 0x03, 66, 301, 0,
         "5445585400000000000000 43 00000000 2c 01 00 01000000 01 0000000000000000 0d 1a", nullptr, nullptr},
        {"dBASE IV float and memo", xBaseVersion::xBaseIV, {{"PRICE", 'F', 10, 2, 0}, {"NOTE", 'M', 0, 0, 0}}, 0x8B, 98,
         21, 0,
         "5052494345000000000000 46 00000000 0a 02 00 01000000 01 0000000000000000"
         "4e4f544500000000000000 4d 00000000 0a 00 00 01000000 01 0000000000000000 0d 1a",
         ".dbt", "01000000 00000000 00000000 00000000 00000000 00020000"},
        {"dBASE VII binary numbers", xBaseVersion::xBaseVII,
         {{"ID", 'I', 0, 0, 0}, {"SEQ", '+', 0, 0, 0}, {"VALUE", 'O', 0, 0, 0}, {"STAMP", '@', 0, 0, 0}}, 0x04, 262, 25, 0,
         "4944000000000000000000000000000000000000000000000000000000000000 49 04 00 00 00 04 00000000 01000000 0000"
         "5345510000000000000000000000000000000000000000000000000000000000 2b 04 00 00 00 04 00000000 01000000 0000"
         "56414c5545000000000000000000000000000000000000000000000000000000 4f 08 00 00 00 04 00000000 01000000 0000"
         "5354414d50000000000000000000000000000000000000000000000000000000 40 08 00 00 00 04 00000000 01000000 0000"
         "0d 1a",
         nullptr, nullptr},
        {"FoxPro picture", xBaseVersion::xFoxPro, {{"CODE", 'C', 5, 0, 0}, {"PIC", 'P', 0, 0, 0}}, 0xF5, 98, 16, 0,
         "434f444500000000000000 43 00000000 05 00 00 01000000 01 0000000000000000"
         "5049430000000000000000 50 00000000 0a 00 00 01000000 01 0000000000000000 0d 1a",
         ".fpt", "00000001 00000200 00000000 00000000 00000000 00000000"},
    };
    return cases;
}

}  // namespace

TEST(CreateTable, WritesEveryVersionByteExactly)
{
    for (const TCreateCase& c : CreateCases()) {
        SCOPED_TRACE(c.title);
        TScratchFolder folder;
        TXbSmartDBF table(nullptr);
        table.DBFFileName = folder.File("t.dbf");
        table.SetDbfVersion(c.version);
        Define(table, c.fields);
        table.CreateTable();

        std::vector<uint8_t> expected = Header(c.versionByte, c.headerSize, c.recordSize, c.tableFlags);
        if (c.version == xBaseVersion::xBaseVII)
            expected.insert(expected.end(), 36, 0);
        const std::vector<uint8_t> descriptors = Hex(c.descriptors);
        expected.insert(expected.end(), descriptors.begin(), descriptors.end());
        std::vector<uint8_t> actual = ReadWholeFile(table.DBFFileName);
        ASSERT_EQ(actual.size(), expected.size());
        EXPECT_GE(actual[2], 1);  // month and day of creation
        EXPECT_GE(actual[3], 1);
        actual[1] = actual[2] = actual[3] = 0;
        EXPECT_EQ(actual, expected);

        const std::string memo = folder.File(std::string("t") + (c.memoExtension ? c.memoExtension : ".dbt"));
        if (c.memoExtension == nullptr) {
            EXPECT_FALSE(std::filesystem::exists(folder.File("t.dbt")) || std::filesystem::exists(folder.File("t.fpt")));
            continue;
        }
        const std::vector<uint8_t> memoBytes = ReadWholeFile(memo);
        ASSERT_EQ(memoBytes.size(), 512u);
        EXPECT_EQ(std::vector<uint8_t>(memoBytes.begin(), memoBytes.begin() + 24), Hex(c.memoHeader));
        EXPECT_EQ(std::count(memoBytes.begin() + 24, memoBytes.end(), 0), 512 - 24);

        // The table opens again with the fields it was made from.
        table.AccessMode().SetAccessMode(0x12);
        table.Open();
        ASSERT_EQ(table.DBFFieldDefs().Count(), static_cast<int>(c.fields.size()));
        for (size_t i = 0; i < c.fields.size(); ++i)
            EXPECT_EQ(table.DBFFieldDefs().Items(static_cast<int>(i)).Name(), c.fields[i].name);
        EXPECT_TRUE(table.LobStream().IsOpen());
        EXPECT_EQ(table.CountRecords(), 0u);
        table.Close();
        EXPECT_EQ(ReadWholeFile(table.DBFFileName).size(), c.headerSize);  // ends with 0x1A already
    }
}

TEST(CreateTable, VisualFoxProGetsNullFlagsRealSizesAndTheBacklink)
{
    TScratchFolder folder;
    TXbSmartDBF table(nullptr);
    table.DBFFileName = folder.File("v.dbf");
    table.SetDbfVersion(xBaseVersion::xVisualFoxPro);
    Define(table, {{"NAME", 'C', 10, 0, 2}, {"WHEN", 'T', 0, 0, 0}, {"PRICE", 'Y', 0, 4, 0},
                   {"ID", 'I', 0, 0, 8}, {"NOTE", 'M', 0, 0, 0}, {"RATE", 'B', 0, 0, 0}});
    table.CreateTable();

    std::vector<uint8_t> expected = Header(0x30, 32 + 7 * 32 + 2 + 263, 44, 0x02);
    const std::vector<uint8_t> descriptors = Hex(
        "4e414d4500000000000000 43 00000000 0a 00 02 01000000 01 0000000000000000"
        "5748454e00000000000000 54 00000000 08 00 00 01000000 01 0000000000000000"
        "5052494345000000000000 59 00000000 08 04 00 01000000 01 0000000000000000"
        "4944000000000000000000 49 00000000 04 00 0c 01000000 01 0000000000000000"
        "4e4f544500000000000000 4d 00000000 04 00 00 01000000 01 0000000000000000"
        "5241544500000000000000 42 00000000 08 00 00 01000000 01 0000000000000000"
        "5f4e554c4c464c41475300 30 00000000 01 00 05 01000000 01 0000000000000000"
        "0d 1a");
    expected.insert(expected.end(), descriptors.begin(), descriptors.end());
    expected.insert(expected.end(), 263, 0);
    std::vector<uint8_t> actual = ReadWholeFile(table.DBFFileName);
    actual[1] = actual[2] = actual[3] = 0;
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(ReadWholeFile(folder.File("v.fpt")).size(), 512u);
    ASSERT_EQ(table.DBFFieldDefs().Count(), 7);  // "_NULLFLAGS" was added to the definitions

    table.CreateTable();  // a second creation does not add it twice
    EXPECT_EQ(ReadWholeFile(table.DBFFileName).size(), expected.size());
    EXPECT_EQ(table.DBFFieldDefs().Count(), 7);

    table.Open();
    const TXbDBFFieldDefs& defs = table.DBFFieldDefs();
    EXPECT_EQ(defs.Items(0).NullBit, 0);
    EXPECT_EQ(defs.Items(0).NullMask, 1);
    EXPECT_EQ(defs.NullFlagsLength, 1);
    EXPECT_EQ(defs.NullFlagsOffset, 44 - 1);
    EXPECT_TRUE(defs.HasAutoIncrement);
    EXPECT_EQ(defs.Items(2).len(), 25);
    EXPECT_EQ(defs.Items(2).dec(), 4);
    EXPECT_EQ(defs.Items(5).len(), 34);
    EXPECT_EQ(defs.Items(5).dec(), 16);
    EXPECT_EQ(table.MemoKind(), TXbMemoKind::VisualFoxPro);
    table.Close();
}

TEST(CreateTable, RefusesWhatCouldNotBeOpenedAndLeavesTheOldFile)
{
    struct Case {
        xBaseVersion version;
        TFieldSpec field;
        const char* message;
    };
    const Case cases[] = {
        {xBaseVersion::xBaseIII, {"N", 'I', 0, 0, 0},
         "TXbSmartDBF.CreateTable: DBF Version must be greater then xBaseVII for fields \"I\", \"+\", \"O\", \"@\"!"},
        {xBaseVersion::xBaseIV, {"N", 'G', 0, 0, 0},
         "TXbSmartDBF.CreateTable: DBF Version must be greater then xBaseIV for field type \"B\" or \"G\"!"},
        {xBaseVersion::xBaseIII, {"N", 'F', 5, 0, 0},
         "TXbSmartDBF.CreateTable: DBF Version must be greater then xBaseIII for field type \"F\"!"},
        {xBaseVersion::xBaseVII, {"N", 'P', 0, 0, 0},
         "TXbSmartDBF.CreateTable: DBF Version must be xFoxPro or greater for field type \"P\"!"},
        {xBaseVersion::xBaseV, {"N", 'Y', 0, 0, 0},
         "TXbSmartDBF.CreateTable: DBF Version must be xFoxPro or greater for field type \"Y\"!"},
        // Allowed by the version checks of creation, but such a table would not open again.
        {xBaseVersion::xFoxPro, {"N", 'T', 0, 0, 0},
         "TXbSmartDBF.CreateTable: DBF Version must be xVisualFoxPro or greater for field type \"T\"!"},
        {xBaseVersion::xFoxPro, {"N", 'I', 0, 0, 0},
         "TXbSmartDBF.CreateTable: DBF Version must be greater then xBaseV for field type \"+\", \"I\", \"O\" and \"@\"!"},
        {xBaseVersion::xBaseIII, {"N", 'X', 1, 0, 0}, "Field_type incarect!"},
        {xBaseVersion::xBaseIII, {"N", 'E', 0, 0, 0}, "Extend_type incarect!"},
        {xBaseVersion::xBaseIII, {"N", 'C', 0, 0, 0}, "TXbSmartDBF.CreateTable: Field \"N\" has a wrong length!"},
        {xBaseVersion::xBaseIII, {"N", 'N', 300, 0, 0}, "TXbSmartDBF.CreateTable: Field \"N\" has a wrong length!"},
    };
    TScratchFolder folder;
    const std::vector<uint8_t> old = {1, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        WriteWholeFile(folder.File("t.dbf"), old);
        TXbSmartDBF table(nullptr);
        table.DBFFileName = folder.File("t.dbf");
        table.SetDbfVersion(c.version);
        Define(table, {c.field});
        try {
            table.CreateTable();
            ADD_FAILURE() << "created";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(ReadWholeFile(folder.File("t.dbf")), old);
    }

    TXbSmartDBF empty(nullptr);
    empty.DBFFileName = folder.File("t.dbf");
    try {
        empty.CreateTable();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TXbSmartDBF.CreateTable: You should define one field at least to create table!");
    }

    TXbSmartDBF nowhere(nullptr);
    nowhere.DBFFileName = folder.File("no folder/t.dbf");
    nowhere.DBFFieldDefs().Add("A", 'C', 1);
    try {
        nowhere.SetCreateNow(true);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TXbSmartDBF.CreateTable: Create error\r\n####> OS info\r\nError code: 2\r\n"
                               "Error message: No such file or directory");
    }
}

TEST(CreateTable, RefusedWhileOpenAndNamesAreCutToTheDescriptor)
{
    TScratchFolder folder;
    TXbSmartDBF table(nullptr);
    table.DBFFileName = folder.File("t.dbf");
    table.DBFFieldDefs().Add("LONGFIELDNAME", 'C', 4);
    table.CreateTable();
    table.Open();
    EXPECT_EQ(table.DBFFieldDefs().Items(0).Name(), "LONGFIELDN");
    try {
        table.CreateTable();
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TXbSmartDBF.CreateTable: Can not create table while dataset is open");
    }
    table.Close();

    TXbSmartDBF inner(nullptr);
    inner.StorageType = TProxyStreamType::pstOuterStream;
    TMemoryStream tableBytes;
    TMemoryStream memoBytes;
    inner.OuterStream = &tableBytes;
    inner.OuterLobStream = &memoBytes;
    inner.SetDbfVersion(xBaseVersion::xBaseV);
    inner.DBFFieldDefs().Add("A_RATHER_LONG_NAME_OF_THIRTY_ONE_CHARS", 'B');
    inner.CreateTable();
    EXPECT_EQ(static_cast<uint8_t>(tableBytes.Memory()[0]), 0x8C);
    EXPECT_EQ(memoBytes.Size(), 512);
    inner.Open();
    EXPECT_EQ(inner.DBFFieldDefs().Items(0).Name(), "A_RATHER_LONG_NAME_OF_THIRTY_ON");
    EXPECT_EQ(inner.DbfVersion(), xBaseVersion::xBaseVII);
    EXPECT_EQ(inner.LobBlockSizeInUse(), 512);
    inner.Close();
}
