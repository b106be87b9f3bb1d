// Appending, posting in place, deleting and recalling records: the bytes on disk and what the
// table reads back.
#include "XbDBFWriteSupport.h"

#include "platform/rtl/Exceptions.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kHeaderSize = 32 + 5 * 32 + 2;  // the notes table
constexpr int kRecordSize = 46;

uint32_t HeaderCount(const std::vector<uint8_t>& file)
{
    return file[4] | (file[5] << 8) | (file[6] << 16) | (static_cast<uint32_t>(file[7]) << 24);
}

std::string RecordBytes(const std::vector<uint8_t>& file, int recNo)
{
    const size_t at = static_cast<size_t>(kHeaderSize + (recNo - 1) * kRecordSize);
    return std::string(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at + kRecordSize));
}

}  // namespace

// A shared table writes the header's count after every appended record, for the other users;
// a table opened exclusively writes it on close, and the next open for writing brings a count
// that a killed writer left behind up to date.
TEST(Post, AppendWritesRecordThenCountAndOverwritesEndMark)
{
    struct Case {
        uint32_t accessMode;
        uint32_t countWhileOpen;  // on disk after the first append
    };
    for (const Case c : {Case{0x42, 1}, Case{0x12, 0}}) {
        SCOPED_TRACE(c.accessMode);
        TScratchFolder folder;
        const std::string name = folder.File("t.dbf");
        CreateNotesTable(name);
        ASSERT_EQ(ReadWholeFile(name).size(), static_cast<size_t>(kHeaderSize));
        TOpenOptions options;
        options.AccessMode = c.accessMode;
        {
            auto table = OpenTable(name, options);
            AppendNote(*table, "first", 1, "");
            const auto file = ReadWholeFile(name);
            ASSERT_EQ(file.size(), static_cast<size_t>(kHeaderSize + kRecordSize));
            EXPECT_EQ(HeaderCount(file), c.countWhileOpen);
            EXPECT_EQ(RecordBytes(file, 1).substr(0, 27), " first                    1");
            EXPECT_EQ(table->RecNo(), 1);
            AppendNote(*table, "second", 2, "");
            EXPECT_EQ(table->RecNo(), 2);
            EXPECT_EQ(table->RecordCount(), 2);
            if (c.accessMode == 0x42) {
                auto reader = OpenTable(name, TOpenOptions{.AccessMode = 0x40});
                EXPECT_EQ(reader->RecordCount(), 2);
            }
        }
        // Closing wrote the count and added the end mark; the next append writes over it.
        auto file = ReadWholeFile(name);
        ASSERT_EQ(file.size(), static_cast<size_t>(kHeaderSize + 2 * kRecordSize + 1));
        EXPECT_EQ(HeaderCount(file), 2u);
        EXPECT_EQ(file.back(), 0x1A);
        {
            auto table = OpenTable(name, options);
            AppendNote(*table, "third", 3, "");
        }
        file = ReadWholeFile(name);
        EXPECT_EQ(file.size(), static_cast<size_t>(kHeaderSize + 3 * kRecordSize + 1));
        EXPECT_EQ(HeaderCount(file), 3u);
        EXPECT_EQ(RecordBytes(file, 3).substr(0, 6), " third");

        // A count left behind (a writer killed before it wrote it) or beyond the file: a reader
        // leaves it, the next writer makes it the count of the records the file holds.
        for (const uint32_t stale : {1u, 7u}) {
            file[4] = static_cast<uint8_t>(stale);
            WriteWholeFile(name, file);
            OpenTable(name, TOpenOptions{.AccessMode = 0x40})->Close();
            EXPECT_EQ(HeaderCount(ReadWholeFile(name)), stale);
            OpenTable(name, options)->Close();
            EXPECT_EQ(HeaderCount(ReadWholeFile(name)), 3u);
        }
    }
}

TEST(Post, EditDeleteAndRecallRewriteOnlyTheirRecord)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    CreateNotesTable(name);
    auto table = OpenTable(name);
    for (int i = 1; i <= 5; ++i)
        AppendNote(*table, "name" + std::to_string(i), i, "");
    const auto before = ReadWholeFile(name);

    struct Step {
        const char* title;
        std::function<void(TXbSmartDBF&)> action;
        char flag;
        const char* name;
    };
    const Step steps[] = {
        {"edit", [](TXbSmartDBF& t) { t.Edit(); t.FieldByName("NAME")->SetAsString("changed"); t.Post(); }, ' ', "changed"},
        {"delete", [](TXbSmartDBF& t) { t.Delete(); }, '*', "changed"},
        {"recall", [](TXbSmartDBF& t) { t.InternalDeleteRecall(false); }, ' ', "changed"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.title);
        table->SetRecNo(3);
        ASSERT_EQ(table->RecNo(), 3);
        step.action(*table);
        const auto after = ReadWholeFile(name);
        ASSERT_EQ(after.size(), before.size());
        for (int recNo = 1; recNo <= 5; ++recNo) {
            if (recNo != 3) {
                EXPECT_EQ(RecordBytes(after, recNo), RecordBytes(before, recNo)) << recNo;
            }
        }
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + kHeaderSize, after.begin()));
        const std::string record = RecordBytes(after, 3);
        EXPECT_EQ(record[0], step.flag);
        EXPECT_EQ(record.substr(1, 20), std::string(step.name) + std::string(20 - std::strlen(step.name), ' '));
    }

    // A deleted record stays in the file and is hidden only with SetDeleted.
    table->SetRecNo(2);
    table->Delete();
    table->SetSetDeleted(true);
    std::vector<std::string> seen;
    for (table->First(); !table->Eof(); table->Next())
        seen.push_back(table->FieldByName("NAME")->AsString());
    EXPECT_EQ(seen, (std::vector<std::string>{"name1", "changed", "name4", "name5"}));
    EXPECT_EQ(table->RecordCount(), 5);
}

TEST(Post, PositionsOnTheWrittenRecordWithAndWithoutFastPost)
{
    for (bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast" : "positioned");
        TScratchFolder folder;
        const std::string name = folder.File("t.dbf");
        CreateNotesTable(name);
        TOpenOptions options;
        options.FastPostRecord = fast;
        options.SetDeleted = true;
        auto table = OpenTable(name, options);
        table->BufferSize = 4096;
        for (int i = 1; i <= 200; ++i) {
            AppendNote(*table, "n" + std::to_string(i), i, "");
            ASSERT_EQ(table->RecNo(), i);
        }
        table->SetRecNo(50);
        table->Edit();
        table->FieldByName("QTY")->SetAsInteger(5000);
        table->Post();
        EXPECT_EQ(table->RecNo(), 50);
        table->Delete();
        EXPECT_EQ(table->RecNo(), 51);  // the deleted record is hidden: the cursor moves on
        int count = 0;
        for (table->First(); !table->Eof(); table->Next())
            ++count;
        EXPECT_EQ(count, 199);
        table->Last();
        EXPECT_EQ(table->RecNo(), 200);
        for (int i = 0; i < 198; ++i)
            table->Prior();
        EXPECT_EQ(table->RecNo(), 1);
    }
}

TEST(Post, EncipheredRecordsRoundTrip)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    CreateNotesTable(name);
    TOpenOptions options;
    options.Method = TCryptMethod::cmGost;
    options.Password = "Rq4Hvz7K";
    {
        auto table = OpenTable(name, options);
        AppendNote(*table, "secret one", 11, "plain memo text");
        AppendNote(*table, "secret two", 22, "");
        table->First();
        table->Edit();
        table->FieldByName("NAME")->SetAsString("secret edited");
        table->Post();
    }
    const auto file = ReadWholeFile(name);
    const std::string raw(file.begin(), file.end());
    EXPECT_EQ(raw.find("secret"), std::string::npos);
    // dBASE III text memos are never enciphered.
    const auto memo = ReadWholeFile(TXbSmartDBF::MemoFileName(name, false));
    EXPECT_NE(std::string(memo.begin(), memo.end()).find("plain memo text"), std::string::npos);

    auto table = OpenTable(name, options);
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "secret edited");
    EXPECT_EQ(table->FieldByName("QTY")->AsInteger(), 11);
    EXPECT_EQ(table->FieldByName("NOTE")->AsString(), "plain memo text");
    table->Next();
    EXPECT_EQ(table->FieldByName("NAME")->AsString(), "secret two");
    EXPECT_EQ(table->FieldByName("NOTE")->AsString(), "");
    table.reset();

    options.Password = "wrong";
    auto wrong = OpenTable(name, options);
    EXPECT_NE(wrong->FieldByName("NAME")->AsString(), "secret edited");
}

TEST(Post, AutoIncrementFieldsTakeTheDescriptorsNextValue)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    {
        TXbSmartDBF table(nullptr);
        table.DBFFileName = name;
        table.SetDbfVersion(xBaseVersion::xBaseVII);
        table.DBFFieldDefs().Add("ID", '+');
        table.DBFFieldDefs().Add("NAME", 'C', 10);
        table.CreateTable();
    }
    auto table = OpenTable(name);
    for (const char* text : {"a", "b", "c"}) {
        table->Append();
        table->FieldByName("NAME")->SetAsString(text);
        table->Post();
    }
    std::vector<int> ids;
    for (table->First(); !table->Eof(); table->Next())
        ids.push_back(table->FieldByName("ID")->AsInteger());
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
}

// Forward steps read past the window in one larger piece; what other users write still shows
// after a refresh, and this table's own writes at once.
TEST(Post, ReadingAheadHidesNoWriteAfterARefresh)
{
    TScratchFolder folder;
    const std::string name = folder.File("t.dbf");
    CreateNotesTable(name);
    auto writer = OpenTable(name, TOpenOptions{.AccessMode = 0x42});
    for (int i = 1; i <= 20; ++i)
        AppendNote(*writer, "n" + std::to_string(i), i, "");
    // Two records a window, the rest of the file in the piece read ahead.
    auto reader = OpenTable(name, TOpenOptions{.AccessMode = 0x42, .BufferSize = 2 * kRecordSize});
    ASSERT_EQ(reader->ReadAheadCapacity(), 2);
    reader->First();
    for (int i = 1; i < 3; ++i)
        reader->Next();
    ASSERT_EQ(reader->RecNo(), 3);

    // Rest of the table from the current record on, as the reader steps forward.
    const auto restFrom3 = [&] {
        std::string names;
        for (reader->Next(); !reader->Eof(); reader->Next())
            names += reader->FieldByName("NAME")->AsString() + " ";
        return names;
    };
    const auto editAndAppend = [&](int recNo, const std::string& newName, int appended) {
        writer->SetRecNo(recNo);
        writer->Edit();
        writer->FieldByName("NAME")->SetAsString(newName);
        writer->Post();
        AppendNote(*writer, "n" + std::to_string(appended), appended, "");
    };

    editAndAppend(8, "other", 21);
    reader->Refresh();
    EXPECT_EQ(restFrom3(), "n4 n5 n6 n7 other n9 n10 n11 n12 n13 n14 n15 n16 n17 n18 n19 n20 n21 ");

    // The reader's own post drops what it read ahead: the next steps read the file again.
    reader->First();
    reader->Next();
    reader->Next();
    editAndAppend(9, "later", 22);
    reader->Edit();
    reader->FieldByName("NAME")->SetAsString("own");
    reader->Post();
    EXPECT_EQ(reader->FieldByName("NAME")->AsString(), "own");
    EXPECT_EQ(restFrom3(), "n4 n5 n6 n7 other later n10 n11 n12 n13 n14 n15 n16 n17 n18 n19 n20 n21 n22 ");

    // Steps back read one piece too: after a refresh they show what was written meanwhile.
    const auto backFromLast = [&] {
        std::string names;
        for (reader->Last(); !reader->Bof(); reader->Prior())
            names += reader->FieldByName("NAME")->AsString() + " ";
        return names;
    };
    EXPECT_EQ(backFromLast(), "n22 n21 n20 n19 n18 n17 n16 n15 n14 n13 n12 n11 n10 later other n7 n6 n5 n4 own n2 n1 ");
    reader->Last();
    for (int i = 0; i < 4; ++i)
        reader->Prior();
    ASSERT_EQ(reader->RecNo(), 18);
    writer->SetRecNo(5);
    writer->Edit();
    writer->FieldByName("NAME")->SetAsString("back");
    writer->Post();
    reader->Refresh();
    std::string before18;
    for (reader->Prior(); !reader->Bof(); reader->Prior())
        before18 += reader->FieldByName("NAME")->AsString() + " ";
    EXPECT_EQ(before18, "n17 n16 n15 n14 n13 n12 n11 n10 later other n7 n6 back n4 own n2 n1 ");
}
