// Tables shared with other programs: what the engine leaves in its files lets python3-dbf,
// python3-dbfread and the XBase Perl module read and extend them, and the engine reads and
// extends what they left, also after a writer stopped half way.
#include "XbDBFWriteSupport.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

bool HavePythonModule(const std::string& module)
{
    return CommandSucceeds("/usr/bin/python3 -c 'import " + module + "'");
}

std::string HexOf(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

using TNotes = std::vector<std::pair<std::string, std::string>>;  // NAME, NOTE of the live records

std::string Listing(const TNotes& notes)
{
    std::string text;
    for (const auto& [name, note] : notes)
        text += name + "|" + HexOf(note) + "\n";
    return text;
}

// "NAME|hex of NOTE" per live record, as the engine reads them.
std::string EngineListing(const std::string& fileName)
{
    TOpenOptions options;
    options.SetDeleted = true;
    auto table = OpenTable(fileName, options);
    TNotes notes;
    for (table->First(); !table->Eof(); table->Next())
        notes.emplace_back(table->FieldByName("NAME")->AsString(), table->FieldByName("NOTE")->AsString());
    return Listing(notes);
}

// The same, as python3-dbfread reads them.
std::string DbfreadListing(const TScratchFolder& folder, const std::string& fileName)
{
    bool ok = false;
    const std::string output = RunScript(folder.Path(), "/usr/bin/python3",
                                         "import sys\n"
                                         "from dbfread import DBF\n"
                                         "for r in DBF(sys.argv[1], encoding='cp1252'):\n"
                                         "    print('%s|%s' % (r['NAME'], (r['NOTE'] or '').encode('cp1252').hex()))\n",
                                         {fileName}, ok);
    EXPECT_TRUE(ok) << output;
    return output;
}

// The same, as python3-dbf reads them.
std::string PythonDbfListing(const TScratchFolder& folder, const std::string& fileName)
{
    bool ok = false;
    const std::string output = RunScript(folder.Path(), "/usr/bin/python3",
                                         "import sys, dbf\n"
                                         "t = dbf.Table(sys.argv[1], codepage='cp1252')\n"
                                         "t.open(dbf.READ_ONLY)\n"
                                         "for r in t:\n"
                                         "    if not dbf.is_deleted(r):\n"
                                         "        print('%s|%s' % (r.name.strip(), (r.note or '').encode('cp1252').hex()))\n"
                                         "t.close()\n",
                                         {fileName}, ok);
    EXPECT_TRUE(ok) << output;
    return output;
}

// python3-dbf appends records (NAME and NOTE) to a table the engine made.
void PythonDbfAppends(const TScratchFolder& folder, const std::string& fileName, const TNotes& notes)
{
    std::vector<std::string> arguments = {fileName};
    for (const auto& [name, note] : notes) {
        arguments.push_back(name);
        arguments.push_back(note);
    }
    bool ok = false;
    const std::string output = RunScript(folder.Path(), "/usr/bin/python3",
                                         "import sys, dbf\n"
                                         "t = dbf.Table(sys.argv[1], codepage='cp1252')\n"
                                         "t.open(dbf.READ_WRITE)\n"
                                         "for i in range(2, len(sys.argv), 2):\n"
                                         "    t.append({'name': sys.argv[i], 'note': sys.argv[i + 1]})\n"
                                         "t.close()\n",
                                         arguments, ok);
    ASSERT_TRUE(ok) << output;
}

uint32_t NextFreeBlock(const std::string& memoName)
{
    return ReadLE32(ReadWholeFile(memoName).data());
}

uint32_t BlocksInFile(const std::string& memoName)
{
    return static_cast<uint32_t>((ReadWholeFile(memoName).size() + 511) / 512);
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "no error";
}

}  // namespace

// Other dBASE III writers append memos at the block the memo header names: the engine keeps it
// pointing past its last memo on every write and after a pack.
TEST(SharedTables, DBaseIIIMemoHeaderLetsOtherWritersAppendBehindTheEnginesMemos)
{
    if (!HavePythonModule("dbf") || !HavePythonModule("dbfread"))
        GTEST_SKIP() << "python3-dbf or python3-dbfread is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("notes.dbf");
    const std::string memoName = folder.File("notes.dbt");
    CreateNotesTable(name);
    TNotes notes = {{"one", "first memo"}, {"two", std::string(600, 't')}, {"three", std::string(512, '3')}};
    {
        auto table = OpenTable(name);
        for (const auto& [noteName, note] : notes) {
            AppendNote(*table, noteName, 1, note);
            EXPECT_EQ(NextFreeBlock(memoName), BlocksInFile(memoName)) << noteName;
        }
        table->SetRecNo(1);
        table->Edit();
        notes[0].second = "first memo, written again \xE9";
        table->FieldByName("NOTE")->SetAsString(notes[0].second);
        table->Post();
        EXPECT_EQ(NextFreeBlock(memoName), BlocksInFile(memoName));
    }
    const TNotes added = {{"py one", "from python"}, {"py two", std::string(700, 'p')}};
    PythonDbfAppends(folder, name, added);
    notes.insert(notes.end(), added.begin(), added.end());
    EXPECT_EQ(EngineListing(name), Listing(notes));
    EXPECT_EQ(DbfreadListing(folder, name), Listing(notes));
    EXPECT_EQ(PythonDbfListing(folder, name), Listing(notes));

    // A pack writes the memos anew: the header points past the last of them.
    {
        auto table = OpenTable(name);
        table->SetRecNo(2);
        table->Delete();
        table->Pack(false);
        notes.erase(notes.begin() + 1);
        EXPECT_EQ(NextFreeBlock(memoName), BlocksInFile(memoName));
        AppendNote(*table, "four", 4, "after the pack");
        notes.emplace_back("four", "after the pack");
    }
    PythonDbfAppends(folder, name, {{"py three", "after the pack, from python"}});
    notes.emplace_back("py three", "after the pack, from python");
    EXPECT_EQ(EngineListing(name), Listing(notes));
    EXPECT_EQ(DbfreadListing(folder, name), Listing(notes));
    EXPECT_EQ(PythonDbfListing(folder, name), Listing(notes));
}

// A dBASE III memo ends at its first 0x1A: a text holding one is refused whole.
TEST(SharedTables, DBaseIIIMemoHoldingTheEndMarkIsRefusedAndNothingWritten)
{
    if (!HavePythonModule("dbfread"))
        GTEST_SKIP() << "python3-dbfread is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("notes.dbf");
    const std::string memoName = folder.File("notes.dbt");
    CreateNotesTable(name);
    auto table = OpenTable(name);
    AppendNote(*table, "kept", 1, "the old memo");
    const auto memoBefore = ReadWholeFile(memoName);
    for (const std::string& text : {std::string("before\x1A" "after"), std::string("\x1A"), std::string(600, 'x') + "\x1A"}) {
        table->First();
        table->Edit();
        EXPECT_EQ(ErrorOf([&] { table->FieldByName("NOTE")->SetAsString(text); }),
                  "TXbSmartDBF.WriteLob: The memo of field \"NOTE\" of \"" + name +
                      "\" holds the byte 0x1A, which ends a dBASE III memo; nothing was written!");
        table->Post();
        EXPECT_EQ(ReadWholeFile(memoName), memoBefore);
        EXPECT_EQ(table->FieldByName("NOTE")->AsString(), "the old memo");
    }
    table.reset();
    EXPECT_EQ(DbfreadListing(folder, name), Listing({{"kept", "the old memo"}}));
}

// A writer stopped between its header and its record leaves a count the file does not hold:
// the records the file holds open, and the next append puts the count right.
TEST(SharedTables, HeaderCountBeyondTheRecordsOpensWithTheRecordsTheFileHolds)
{
    if (!HavePythonModule("dbf") || !HavePythonModule("dbfread"))
        GTEST_SKIP() << "python3-dbf or python3-dbfread is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("notes.dbf");
    CreateNotesTable(name);
    PythonDbfAppends(folder, name, {{"a", "memo a"}, {"b", "memo b"}, {"c", "memo c"}});
    auto bytes = ReadWholeFile(name);
    const uint16_t headerSize = static_cast<uint16_t>(bytes[8] | (bytes[9] << 8));
    const uint16_t recordSize = static_cast<uint16_t>(bytes[10] | (bytes[11] << 8));
    bytes.resize(headerSize + 3u * recordSize);  // no end mark
    bytes[4] = 5;                                 // two more announced than written
    bytes.insert(bytes.end(), 20, ' ');           // and part of the fourth
    WriteWholeFile(name, bytes);

    TNotes notes = {{"a", "memo a"}, {"b", "memo b"}, {"c", "memo c"}};
    EXPECT_EQ(EngineListing(name), Listing(notes));
    {
        auto table = OpenTable(name);
        EXPECT_EQ(table->RecordCount(), 3);
        AppendNote(*table, "d", 4, "memo d");
        notes.emplace_back("d", "memo d");
    }
    const auto written = ReadWholeFile(name);
    EXPECT_EQ(ReadLE32(written.data() + 4), 4u);
    EXPECT_EQ(written.size(), headerSize + 4u * recordSize + 1u);
    EXPECT_EQ(EngineListing(name), Listing(notes));
    EXPECT_EQ(DbfreadListing(folder, name), Listing(notes));
}

// Visual FoxPro currency is a 64-bit integer of ten-thousandths, and no memo is a zero block
// number: both as python3-dbf writes them and as python3-dbfread reads them.
TEST(SharedTables, VisualFoxProCurrencyAndClearedMemosAsOtherProgramsStoreThem)
{
    if (!HavePythonModule("dbf") || !HavePythonModule("dbfread"))
        GTEST_SKIP() << "python3-dbf or python3-dbfread is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("fox.dbf");
    bool ok = false;
    std::string output = RunScript(folder.Path(), "/usr/bin/python3",
                                   "import sys, dbf\n"
                                   "t = dbf.Table(sys.argv[1], 'NAME C(10); PRICE Y; NOTE M', dbf_type='vfp')\n"
                                   "t.open(dbf.READ_WRITE)\n"
                                   "t.append(('a', 12.5, 'hello'))\n"
                                   "t.append(('b', -3.0001, 'to be cleared'))\n"
                                   "t.append(('c', 214748.3648, ''))\n"
                                   "t.close()\n",
                                   {name}, ok);
    ASSERT_TRUE(ok) << output;

    {
        auto table = OpenTable(name);
        ASSERT_EQ(table->RecordCount(), 3);
        const Currency expected[] = {{125000}, {-30001}, {2147483648}};
        for (int recNo = 1; recNo <= 3; ++recNo) {
            table->SetRecNo(recNo);
            EXPECT_EQ(table->FieldByName("PRICE")->AsCurrency().scaled, expected[recNo - 1].scaled) << recNo;
        }
        table->SetRecNo(1);
        table->Edit();
        table->FieldByName("PRICE")->SetAsCurrency(Currency{12345678});
        table->Post();
        table->SetRecNo(2);
        table->Edit();
        table->FieldByName("NOTE")->SetAsString("");
        table->FieldByName("PRICE")->SetAsCurrency(Currency{-1});
        table->Post();
        EXPECT_EQ(table->FieldByName("NOTE")->AsString(), "");
        table->Append();
        table->FieldByName("NAME")->SetAsString("d");
        table->FieldByName("PRICE")->SetAsFloat(0.5);
        table->Post();
    }
    // The bytes as every reader of the format expects them.
    const auto bytes = ReadWholeFile(name);
    const uint16_t headerSize = static_cast<uint16_t>(bytes[8] | (bytes[9] << 8));
    const uint16_t recordSize = static_cast<uint16_t>(bytes[10] | (bytes[11] << 8));
    const size_t second = headerSize + recordSize;
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + static_cast<long>(second) + 19, bytes.begin() + static_cast<long>(second) + 23),
              std::vector<uint8_t>(4, 0));
    output = RunScript(folder.Path(), "/usr/bin/python3",
                       "import sys\n"
                       "from dbfread import DBF\n"
                       "for r in DBF(sys.argv[1]):\n"
                       "    print(r['NAME'], r['PRICE'], repr(r['NOTE']))\n",
                       {name}, ok);
    EXPECT_TRUE(ok) << output;
    EXPECT_EQ(output,
              "a 1234.5678 'hello'\n"
              "b -0.0001 None\n"
              "c 214748.3648 ''\n"
              "d 0.5 None\n");
}
