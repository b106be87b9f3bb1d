#include "app/tables/EmptyDatabase.h"
#include "app/tables/TrackerTableSettings.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Exceptions.h"
#include "../../dbf/XbDBFTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <unistd.h>

namespace {

class TDatabaseFolder {
public:
    TDatabaseFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zv database XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TDatabaseFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TDatabaseFolder(const TDatabaseFolder&) = delete;
    TDatabaseFolder& operator=(const TDatabaseFolder&) = delete;

    std::string File(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }

private:
    std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quote(const std::string& text)
{
    return "'" + text + "'";
}

bool HaveDbfRead()
{
    bool ok = false;
    RunCommand("/usr/bin/python3 -c 'import dbfread' 2>/dev/null", ok);
    return ok;
}

bool HaveDbfDump()
{
    bool ok = false;
    RunCommand("command -v dbf_dump >/dev/null 2>&1", ok);
    return ok;
}

// "NAME C 50 0" lines, one per field, as the layout gives them.
std::string ExpectedListing(const TTrackerTableLayout& layout)
{
    std::ostringstream listing;
    for (const TTrackerField& field : layout.Fields)
        listing << field.Name << ' ' << field.Type << ' ' << field.Width << ' ' << int(field.Decimals) << '\n';
    return listing.str();
}

// Fields the editors depend on, written out here on their own so that a slip in the layout
// table shows up as a difference between the two.
struct TFieldCheck {
    const char* file;
    int position;
    const char* listing;  // "NAME T W D"
};

const TFieldCheck kFieldChecks[] = {
    {"Tickets.dbf", 0, "TICKETID C 15 0"},   {"Tickets.dbf", 5, "DETAILS M 10 0"},
    {"Tickets.dbf", 19, "COMPLETED L 1 0"},  {"Tickets.dbf", 30, "FLAG C 5 0"},
    {"Tickets.dbf", 33, "WORKTIME N 10 1"},  {"Tickets.dbf", 38, "COST N 10 1"},
    {"Tickets.dbf", 48, "QALEVEL N 2 0"},    {"Tickets.dbf", 50, "A C 5 0"},
    {"Subtickets.dbf", 1, "SUBID C 15 0"},   {"Subtickets.dbf", 6, "DUE D 8 0"},
    {"Subtickets.dbf", 16, "REMINDERON D 8 0"},
    {"product.dbf", 3, "PURPOSE C 200 0"},   {"product.dbf", 11, "IDFLAG C 10 0"},
    {"Lists.dbf", 0, "LISTID N 2 0"},        {"Lists.dbf", 5, "NODELETE L 1 0"},
    {"Contacts.dbf", 4, "ADDRESS C 150 0"},  {"Contacts.dbf", 11, "COUNTRY C 50 0"},
    {"Worktime.dbf", 5, "DURATION N 5 0"},   {"Worktime.dbf", 11, "SUBTICKET C 15 0"},
    {"Code.dbf", 0, "APPNAME C 150 0"},      {"Code.dbf", 7, "COMMENT M 10 0"},
};

}  // namespace

TEST(EmptyDatabase, OutsideReadersListEveryTableAsLaidOut)
{
    const bool dbfread = HaveDbfRead();
    const bool dbfDump = HaveDbfDump();
    if (!dbfread && !dbfDump)
        GTEST_SKIP() << "neither python3-dbfread nor dbf_dump (libdbd-xbase-perl) is installed";

    TDatabaseFolder folder;
    const std::string databases = folder.File("program/databases");
    const TEmptyDatabaseResult result = MakeEmptyDatabase(databases);
    EXPECT_EQ(result.Created.size(), 7u);
    EXPECT_TRUE(result.Kept.empty());

    std::map<std::string, std::vector<std::string>> listed;
    for (const TTrackerTableLayout& layout : TrackerTableLayouts()) {
        SCOPED_TRACE(layout.FileName);
        const std::string table = databases + "/" + layout.FileName;
        const std::string expected = ExpectedListing(layout);
        bool ok = false;
        if (dbfread) {
            const std::string listing = RunCommand(
                "/usr/bin/python3 -c 'import sys, dbfread\n"
                "t = dbfread.DBF(sys.argv[1], load=True)\n"
                "assert t.header.dbversion == 0x83 and len(t.records) == 0 and t.memofilename, t.memofilename\n"
                "for f in t.fields: print(f.name, f.type, f.length, f.decimal_count)' " +
                    Quote(table) + " 2>&1",
                ok);
            EXPECT_TRUE(ok) << listing;
            EXPECT_EQ(listing, expected) << "dbfread";
            std::istringstream lines(listing);
            for (std::string line; std::getline(lines, line);)
                listed[layout.FileName].push_back(line);
        }
        if (dbfDump) {
            // Field lines of --info look like "1.\tNAME   C   50   0".
            const std::string info = RunCommand("dbf_dump --info " + Quote(table) + " 2>&1", ok);
            EXPECT_TRUE(ok) << info;
            EXPECT_NE(info.find("0x83"), std::string::npos) << info;
            EXPECT_NE(info.find("Num of records:\t0"), std::string::npos) << info;
            std::istringstream lines(info);
            std::ostringstream listing;
            for (std::string line; std::getline(lines, line);) {
                std::istringstream words(line);
                std::string number, name, type, width, decimals;
                if (words >> number >> name >> type >> width >> decimals && number.back() == '.' &&
                    std::isdigit(static_cast<unsigned char>(number.front())))
                    listing << name << ' ' << type << ' ' << width << ' ' << decimals << '\n';
            }
            EXPECT_EQ(listing.str(), expected) << "dbf_dump\n" << info;
            // The memo file is found and read (no record refers to it).
            const std::string dump = RunCommand("dbf_dump " + Quote(table) + " 2>&1", ok);
            EXPECT_TRUE(ok) << dump;
            EXPECT_EQ(dump, "");
        }
    }

    if (dbfread) {
        for (const TFieldCheck& check : kFieldChecks) {
            SCOPED_TRACE(std::string(check.file) + " position " + std::to_string(check.position));
            const auto& fields = listed[check.file];
            ASSERT_LT(static_cast<std::size_t>(check.position), fields.size());
            EXPECT_EQ(fields[static_cast<std::size_t>(check.position)], check.listing);
        }
        EXPECT_EQ(listed["Tickets.dbf"].size(), 51u);
        EXPECT_EQ(listed["Subtickets.dbf"].size(), 17u);
        EXPECT_EQ(listed["product.dbf"].size(), 12u);
        EXPECT_EQ(listed["Lists.dbf"].size(), 7u);
        EXPECT_EQ(listed["Contacts.dbf"].size(), 12u);
        EXPECT_EQ(listed["Worktime.dbf"].size(), 12u);
        EXPECT_EQ(listed["Code.dbf"].size(), 8u);
    }
}

// Every table, the enciphered ones included, has a plain dBASE III header and an empty memo
// file, and opens with the settings the tracker opens it with.
TEST(EmptyDatabase, TablesAndMemoFilesOpenWithTheTrackerSettings)
{
    TDatabaseFolder folder;
    MakeEmptyDatabase(folder.File("databases"));
    for (const TTrackerTableLayout& layout : TrackerTableLayouts()) {
        SCOPED_TRACE(layout.FileName);
        const std::string table = folder.File("databases/" + std::string(layout.FileName));
        const std::vector<uint8_t> header = ReadBytes(table);
        ASSERT_GE(header.size(), 32u);
        EXPECT_EQ(header[0], 0x83);
        EXPECT_EQ(header[4] | header[5] | header[6] | header[7], 0) << "no records";
        const std::size_t headerSize = header[8] | (header[9] << 8);
        EXPECT_EQ(headerSize, 32 + 32 * layout.Fields.size() + 2);
        EXPECT_EQ(header.size(), headerSize);
        EXPECT_EQ(header[headerSize - 2], 0x0D);
        EXPECT_EQ(header[headerSize - 1], 0x1A);
        std::size_t recordSize = 1;
        for (const TTrackerField& field : layout.Fields)
            recordSize += field.Width;
        EXPECT_EQ(header[10] | (header[11] << 8), static_cast<int>(recordSize));

        const std::vector<uint8_t> memo = ReadBytes(folder.File("databases/" + std::string(layout.MemoFileName)));
        ASSERT_EQ(memo.size(), 512u);
        EXPECT_EQ(memo[0], 1) << "next free block";
        EXPECT_EQ(std::count(memo.begin() + 1, memo.end(), 0), 511);

        TXbSmartDBF dataset(nullptr);
        ApplyTrackerTableSettings(dataset, TrackerTableComponent(layout.Table));
        dataset.DBFFileName = table;
        dataset.Open();
        EXPECT_EQ(dataset.RecordCount(), 0);
        EXPECT_TRUE(dataset.Eof());
        ASSERT_EQ(dataset.DBFFieldDefs().Count(), static_cast<int>(layout.Fields.size()));
        EXPECT_EQ(dataset.DBFFieldDefs().Items(0).Name(), layout.Fields[0].Name);
        EXPECT_TRUE(dataset.LobStream().IsOpen());
        dataset.Close();
    }
}

TEST(EmptyDatabase, ASecondRunKeepsEveryExistingTable)
{
    TDatabaseFolder folder;
    const std::string databases = folder.File("databases");
    MakeEmptyDatabase(databases);
    const std::string tickets = databases + "/Tickets.dbf";
    std::vector<uint8_t> changed = ReadBytes(tickets);
    changed.push_back(' ');  // stands for a record the user has added since
    std::ofstream(tickets, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(changed.data()), static_cast<std::streamsize>(changed.size()));
    std::filesystem::remove(databases + "/Code.dbf");

    const TEmptyDatabaseResult again = MakeEmptyDatabase(databases);
    EXPECT_EQ(again.Created, std::vector<std::string>{"Code.dbf"});
    EXPECT_EQ(again.Kept.size(), 6u);
    EXPECT_EQ(ReadBytes(tickets), changed);
}

TEST(EmptyDatabase, AFolderThatCannotBeMadeIsReported)
{
    TDatabaseFolder folder;
    std::ofstream(folder.File("file")) << "x";
    try {
        MakeEmptyDatabase(folder.File("file/databases"));
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(error.DisplayText(), "EInOutError: Cannot create  " + folder.File("file/databases"));
    }
}

TEST(EmptyDatabase, ComponentsCarryTheTrackerSettings)
{
    const auto components = TrackerTableComponents();
    ASSERT_EQ(components.size(), 9u);
    for (const TTrackerTableLayout& layout : TrackerTableLayouts()) {
        const TTrackerTableComponent& component = TrackerTableComponent(layout.Table);
        EXPECT_STREQ(component.FileName, layout.FileName);
        EXPECT_EQ(component.CryptActive, layout.Enciphered) << component.Name;
        EXPECT_EQ(component.CryptMethod, layout.Enciphered ? TCryptMethod::cmGost : TCryptMethod::cmNone);
    }
    EXPECT_STREQ(components[8].Name, "importcontact");
    EXPECT_TRUE(components[8].CryptActive);
    EXPECT_STREQ(components[7].Name, "importdb");
    EXPECT_FALSE(components[7].CryptActive);

    TXbSmartDBF table(nullptr);
    ApplyTrackerTableSettings(table, TrackerTableComponent(TTrackerTable::Contacts));
    EXPECT_EQ(table.AccessMode().AccessMode(), 18u);
    EXPECT_EQ(table.LockProtocol(), LockProtocolType::lpClipperLock);
    EXPECT_EQ(table.LobLockProtocol(), LockProtocolType::lpClipperLock);
    EXPECT_EQ(table.DbfVersion(), xBaseVersion::xBaseIII);
    EXPECT_EQ(table.LobBlockSize(), 512);
    EXPECT_EQ(table.BufferSize, 4096);
    EXPECT_EQ(table.WaitBusyRes, 3000);
    EXPECT_TRUE(table.SetDeleted() && table.FastPostRecord && table.TrimInLocate && table.TrimCType);
    EXPECT_TRUE(table.Crypt().Active());
    EXPECT_EQ(table.Crypt().CryptMethod(), TCryptMethod::cmGost);
    EXPECT_EQ(table.Crypt().Password(), "Rq4Hvz7K");

    TXbSmartDBF plain(nullptr);
    ApplyTrackerTableSettings(plain, TrackerTableComponent(TTrackerTable::Tickets));
    EXPECT_FALSE(plain.Crypt().Active());
    EXPECT_EQ(plain.Crypt().CryptMethod(), TCryptMethod::cmNone);
}

// The contact and code tables the tool makes take enciphered records under the tracker's
// settings: the record bytes on disk are not the text written, and the table reads the value
// back; the other tables stay plain.
TEST(EmptyDatabase, EncipheredTablesTakeEncipheredRecords)
{
    TDatabaseFolder folder;
    MakeEmptyDatabase(folder.File("databases"));
    const struct {
        TTrackerTable table;
        int textField;
    } cases[] = {
        {TTrackerTable::Contacts, static_cast<int>(TContactField::NAME)},
        {TTrackerTable::Code, static_cast<int>(TCodeField::APPNAME)},
        {TTrackerTable::Lists, static_cast<int>(TListField::LISTNAME)},
    };
    for (const auto& c : cases) {
        const TTrackerTableLayout& layout = TrackerTableLayout(c.table);
        SCOPED_TRACE(layout.FileName);
        const std::string fileName = folder.File("databases/" + std::string(layout.FileName));
        {
            TXbSmartDBF table(nullptr);
            ApplyTrackerTableSettings(table, TrackerTableComponent(c.table));
            table.DBFFileName = fileName;
            table.Open();
            table.Append();
            table.Fields()[c.textField].SetAsString("Marker Text");
            table.Post();
            table.Close();
        }
        const std::vector<uint8_t> bytes = ReadBytes(fileName);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()).find("Marker Text") == std::string::npos, layout.Enciphered);

        TXbSmartDBF table(nullptr);
        ApplyTrackerTableSettings(table, TrackerTableComponent(c.table));
        table.DBFFileName = fileName;
        table.Open();
        ASSERT_EQ(table.RecordCount(), 1);
        EXPECT_EQ(table.Fields()[c.textField].AsString(), "Marker Text");
        table.Close();
    }
}
