// Memo storage in the three memo layouts: where contents go, what the record refers to, what
// reads back, and the errors of missing files, refused locks and damaged blocks.
#include "XbDBFWriteSupport.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileHandle.h"

#include <gtest/gtest.h>

namespace {

std::string Text(const std::vector<uint8_t>& bytes, size_t at, size_t count)
{
    return std::string(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + count));
}

std::string MemoOf(TXbSmartDBF& table, int recNo)
{
    table.SetRecNo(recNo);
    return table.FieldByName("NOTE")->AsString();
}

void SetMemo(TXbSmartDBF& table, int recNo, const std::string& text)
{
    table.SetRecNo(recNo);
    table.Edit();
    table.FieldByName("NOTE")->SetAsString(text);
    table.Post();
}

// The NOTE reference of a record of the notes table, as stored.
std::string Reference(const std::string& tableName, int recNo)
{
    const auto file = ReadWholeFile(tableName);
    return Text(file, static_cast<size_t>(194 + (recNo - 1) * 46 + 36), 10);
}

std::string ExpectError(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "no error";
}

}  // namespace

TEST(Memo, DBaseIIIPlacesEachMemoAtTheNextBlockAfterTheEnd)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    const std::string memoName = folder.File("t.dbt");
    CreateNotesTable(name);
    auto table = OpenTable(name);
    AppendNote(*table, "a", 1, "hello");
    auto memo = ReadWholeFile(memoName);
    ASSERT_EQ(memo.size(), 519u);
    EXPECT_EQ(Text(memo, 512, 7), "hello\x1A\x1A");
    EXPECT_EQ(ReadLE32(memo.data()), 2u);  // the header's next free block
    EXPECT_EQ(Reference(name, 1), "         1");

    // A longer text for the same field goes after the end; the first stays where it was.
    const std::string longer(700, 'x');
    SetMemo(*table, 1, longer);
    memo = ReadWholeFile(memoName);
    ASSERT_EQ(memo.size(), 1024u + 702u);
    EXPECT_EQ(Text(memo, 512, 7), "hello\x1A\x1A");
    EXPECT_EQ(ReadLE32(memo.data()), 4u);
    EXPECT_EQ(Reference(name, 1), "         2");
    EXPECT_EQ(MemoOf(*table, 1), longer);

    // 512 bytes of text take two blocks: the end mark starts the second.
    const std::string full(512, 'y');
    AppendNote(*table, "b", 2, full);
    memo = ReadWholeFile(memoName);
    EXPECT_EQ(Reference(name, 2), "         4");
    ASSERT_EQ(memo.size(), 4u * 512 + 514);
    EXPECT_EQ(memo[5 * 512], 0x1A);
    EXPECT_EQ(ReadLE32(memo.data()), 6u);
    EXPECT_EQ(MemoOf(*table, 2), full);

    // An empty memo blanks the field and leaves the memo file alone.
    SetMemo(*table, 2, "");
    EXPECT_EQ(Reference(name, 2), "          ");
    EXPECT_EQ(ReadWholeFile(memoName).size(), memo.size());
    EXPECT_EQ(MemoOf(*table, 2), "");
    EXPECT_TRUE(table->FieldByName("NOTE")->IsNull());
}

TEST(Memo, DBaseIIIReferencesThatHoldNothingAndMemosWithoutEndMark)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    const std::string memoName = folder.File("t.dbt");
    CreateNotesTable(name);
    {
        auto table = OpenTable(name);
        for (int i = 0; i < 6; ++i)
            AppendNote(*table, "r", i, "text");
    }
    // Block 2 runs to the end of the file without an end mark.
    auto memo = ReadWholeFile(memoName);
    memo.resize(1024);
    const std::string tail(1500, 'z');
    memo.insert(memo.end(), tail.begin(), tail.end());
    WriteWholeFile(memoName, memo);

    const struct {
        const char* reference;
        std::string expected;
    } cases[] = {
        {"         0", ""},
        {"          ", ""},
        {"   12a    ", ""},
        {"         5", "TXbSmartDBF: The memo of field \"NOTE\" in record 4 of \"" + name +
                            "\" lies past the end of its memo file (reference 5)!"},
        {"         2", tail},
        {"         1", "text"},
    };
    auto file = ReadWholeFile(name);
    for (size_t i = 0; i < 6; ++i) {
        const std::string reference = cases[i].reference;
        std::copy(reference.begin(), reference.end(), file.begin() + 194 + static_cast<long>(i) * 46 + 36);
    }
    WriteWholeFile(name, file);
    auto table = OpenTable(name);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(cases[i].reference);
        std::string read;
        const std::string error = ExpectError([&] { read = MemoOf(*table, i + 1); });
        EXPECT_EQ(error == "no error" ? read : error, cases[i].expected);
    }
}

// A reference past the end of the memo file is damage: reading that memo names the table, the
// field and the record; the other records read on.
TEST(Memo, ReferencesPastTheEndOfTheMemoFileRaiseNamingTableFieldAndRecord)
{
    struct Case {
        const char* title;
        xBaseVersion version;
        const char* reference;  // stored into record 2
        const char* shown;
    };
    const Case cases[] = {
        {"dBASE III, one block past the end", xBaseVersion::xBaseIII, "         3", "3"},
        {"dBASE III, far past the end", xBaseVersion::xBaseIII, "     99999", "99999"},
        {"dBASE III, the largest 32-bit number", xBaseVersion::xBaseIII, "4294967295", "4294967295"},
        {"dBASE IV", xBaseVersion::xBaseIV, "        40", "40"},
        {"FoxPro", xBaseVersion::xFoxPro, "4294967295", "4294967295"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TScratchFolder folder;
        const std::string name = folder.File("t.dbf");
        CreateNotesTable(name, c.version);
        {
            auto table = OpenTable(name);
            AppendNote(*table, "a", 1, "first");
            AppendNote(*table, "b", 2, "second");
        }
        auto file = ReadWholeFile(name);
        const std::string reference = c.reference;
        const size_t headerSize = file[8] | (file[9] << 8);
        std::copy(reference.begin(), reference.end(), file.begin() + static_cast<long>(headerSize + 46 + 36));
        WriteWholeFile(name, file);
        auto table = OpenTable(name);
        EXPECT_EQ(MemoOf(*table, 1), "first");
        table->SetRecNo(2);
        EXPECT_EQ(ExpectError([&] { table->FieldByName("NOTE")->AsString(); }),
                  "TXbSmartDBF: The memo of field \"NOTE\" in record 2 of \"" + name +
                      "\" lies past the end of its memo file (reference " + c.shown + ")!");
    }
}

TEST(Memo, WritingWithoutMemoFileOrLockRaisesAndKeepsTheRecord)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    const std::string memoName = folder.File("t.dbt");
    CreateNotesTable(name);
    {
        auto table = OpenTable(name);
        AppendNote(*table, "a", 1, "kept");
    }

    // The memo file's lock is held by another open file.
    {
        TOpenOptions shared;
        shared.AccessMode = 0x42;
        shared.WaitBusyRes = 5;
        auto table = OpenTable(name, shared);
        TFileHandle other;
        ASSERT_TRUE(other.Open(memoName, fmOpenReadWrite | fmShareDenyNone));
        ASSERT_TRUE(other.LockRange(1000000000, 1));
        table->Edit();
        EXPECT_EQ(ExpectError([&] { table->FieldByName("NOTE")->SetAsString("lost?"); }),
                  "TXbSmartDBF.WriteLob: Can not lock memo file.");
        table->Cancel();
        EXPECT_EQ(MemoOf(*table, 1), "kept");
    }

    // A browsed record is not a place for a new memo.
    {
        auto table = OpenTable(name);
        EXPECT_EQ(ExpectError([&] { table->FieldByName("NOTE")->SetAsString("browsing"); }),
                  "Dataset not in edit or insert mode");
        EXPECT_EQ(ReadWholeFile(memoName).size(), 512u + 6u);
    }

    // No memo file: memos read as empty and writing one fails.
    std::filesystem::remove(memoName);
    auto table = OpenTable(name);
    EXPECT_EQ(MemoOf(*table, 1), "");
    table->Edit();
    EXPECT_NE(ExpectError([&] { table->FieldByName("NOTE")->SetAsString("lost?"); }).find("is not open"),
              std::string::npos);
    table->Cancel();
    EXPECT_EQ(Reference(name, 1), "         1");
}

TEST(Memo, DBaseIVTakesRunsFirstFitAlongTheFreeChain)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    const std::string memoName = folder.File("t.dbt");
    CreateNotesTable(name, xBaseVersion::xBaseIV);
    {
        auto table = OpenTable(name);
        AppendNote(*table, "a", 1, std::string(600, 'a'));  // blocks 1-2
        AppendNote(*table, "b", 2, std::string(100, 'b'));  // block 3
        EXPECT_EQ(ReadLE32(ReadWholeFile(memoName).data()), 4u);
    }
    // Make blocks 1-2 a free run: next run 4 (the end), length 2.
    auto memo = ReadWholeFile(memoName);
    ASSERT_EQ(memo.size(), 3u * 512 + 108);
    WriteLE32(memo.data(), 1);
    WriteLE32(memo.data() + 512, 4);
    WriteLE32(memo.data() + 516, 2);
    WriteWholeFile(memoName, memo);

    auto table = OpenTable(name);
    struct Step {
        int length;
        const char* reference;
        uint32_t headerPointer;
    };
    const Step steps[] = {
        {100, "         1", 2},  // from the start of the run; the rest stays free
        {100, "         2", 4},  // the rest fits exactly and leaves the chain
        {100, "         4", 5},  // the chain reached the end of the file
    };
    for (const Step& step : steps) {
        const std::string text(static_cast<size_t>(step.length), static_cast<char>('0' + step.headerPointer));
        AppendNote(*table, "n", 0, text);
        const int recNo = table->RecNo();
        SCOPED_TRACE(recNo);
        memo = ReadWholeFile(memoName);
        EXPECT_EQ(Reference(name, recNo).substr(0, 10), step.reference);
        EXPECT_EQ(ReadLE32(memo.data()), step.headerPointer);
        EXPECT_EQ(MemoOf(*table, recNo), text);
        if (step.headerPointer == 2) {
            EXPECT_EQ(ReadLE32(memo.data() + 1024), 4u);
            EXPECT_EQ(ReadLE32(memo.data() + 1028), 1u);
        }
    }
    EXPECT_EQ(MemoOf(*table, 2), std::string(100, 'b'));
}

TEST(Memo, LayoutsRoundTripPlainAndEnciphered)
{
    struct Case {
        const char* title;
        xBaseVersion version;
        int blockSize;
        bool cipher;
        const char* extension;
        bool textVisibleOnDisk;
    };
    const Case cases[] = {
        {"dBASE III", xBaseVersion::xBaseIII, 512, false, "dbt", true},
        {"dBASE III enciphered", xBaseVersion::xBaseIII, 512, true, "dbt", true},
        {"dBASE IV", xBaseVersion::xBaseIV, 1024, false, "dbt", true},
        {"dBASE IV enciphered", xBaseVersion::xBaseIV, 512, true, "dbt", false},
        {"FoxPro", xBaseVersion::xFoxPro, 128, false, "fpt", true},
        {"FoxPro enciphered", xBaseVersion::xFoxPro, 128, true, "fpt", false},
    };
    const std::vector<std::string> texts = {"short", std::string(1500, 'L') + "end", "line one\r\nline two"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TScratchFolder folder;
        const std::string name = folder.File("t.dbf");
        CreateNotesTable(name, c.version, c.blockSize);
        TOpenOptions options;
        if (c.cipher) {
            options.Method = TCryptMethod::cmGost;
            options.Password = "Rq4Hvz7K";
        }
        {
            auto table = OpenTable(name, options);
            for (size_t i = 0; i < texts.size(); ++i)
                AppendNote(*table, "n", static_cast<int>(i), texts[i]);
            SetMemo(*table, 1, "replaced text");
        }
        const auto memo = ReadWholeFile(folder.File(std::string("t.") + c.extension));
        EXPECT_EQ(std::string(memo.begin(), memo.end()).find("replaced text") != std::string::npos,
                  c.textVisibleOnDisk);
        auto table = OpenTable(name, options);
        EXPECT_EQ(MemoOf(*table, 1), "replaced text");
        EXPECT_EQ(MemoOf(*table, 2), texts[1]);
        EXPECT_EQ(MemoOf(*table, 3), texts[2]);
    }
}

TEST(Memo, DamagedBlocksRaiseTheReadBlockError)
{
    struct Case {
        const char* title;
        xBaseVersion version;
        const char* extension;
        size_t offset;  // in the memo file
        uint8_t byte;
    };
    const Case cases[] = {
        {"dBASE IV block header", xBaseVersion::xBaseIV, "dbt", 512, 0x00},
        {"dBASE IV length past the end", xBaseVersion::xBaseIV, "dbt", 512 + 6, 0x40},
        {"FoxPro block type", xBaseVersion::xFoxPro, "fpt", 512 + 3, 0x02},
        {"FoxPro length past the end", xBaseVersion::xFoxPro, "fpt", 512 + 4, 0x40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TScratchFolder folder;
        const std::string name = folder.File("t.dbf");
        CreateNotesTable(name, c.version, 512);
        {
            auto table = OpenTable(name);
            AppendNote(*table, "n", 1, "some text");
        }
        const std::string memoName = folder.File(std::string("t.") + c.extension);
        auto memo = ReadWholeFile(memoName);
        memo.at(c.offset) = c.byte;
        WriteWholeFile(memoName, memo);
        auto table = OpenTable(name);
        EXPECT_EQ(ExpectError([&] { table->FieldByName("NOTE")->AsString(); }),
                  "TXbSmartDBF: Lob stream read block error!");
    }
}
