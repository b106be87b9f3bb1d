// Tables written by outside tools open with the right fields, and tables this engine writes
// are listed with the same fields by those tools.
#include "dbf/XbDBFDataSet.h"
#include "XbDBFTestSupport.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

bool HavePython(const char* module)
{
    bool ok = false;
    RunCommand(std::string("/usr/bin/python3 -c 'import ") + module + "' 2>/dev/null", ok);
    return ok;
}

bool HavePerlXBase()
{
    bool ok = false;
    RunCommand("perl -MXBase -e 1 2>/dev/null && command -v dbf_dump >/dev/null", ok);
    return ok;
}

std::string Quote(const std::string& text)
{
    return "'" + text + "'";
}

// "NAME C 20 0" per field, the way the engine sees the table.
std::string EngineFields(const std::string& fileName)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = fileName;
    table.Open();
    std::ostringstream out;
    for (int i = 0; i < table.DBFFieldDefs().Count(); ++i) {
        const TXbDBFFieldDef& def = table.DBFFieldDefs().Items(i);
        out << def.Name() << ' ' << def.field_type() << ' ' << def.len() << ' ' << def.dec() << '\n';
    }
    table.Close();
    return out.str();
}

}  // namespace

TEST(Interop, TablesWrittenByPythonDbfOpen)
{
    if (!HavePython("dbf"))
        GTEST_SKIP() << "python3-dbf is not installed";
    TScratchFolder folder;
    struct Case {
        const char* kind;
        const char* expected;
    };
    const Case cases[] = {
        {"db3", "NAME C 20 0\nQTY N 5 2\nBORN D 8 0\nOK L 1 0\nNOTE M 10 0\n"},
        {"fp", "NAME C 20 0\nQTY N 5 2\nBORN D 8 0\nOK L 1 0\nNOTE M 10 0\nPIC G 10 0\n"},
        {"vfp", "NAME C 20 0\nQTY N 5 2\nBORN D 8 0\nOK L 1 0\nNOTE M 4 0\nWHEN T 8 0\nCOUNT I 11 0\nPRICE Y 25 4\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const std::string name = folder.File(std::string("py_") + c.kind + ".dbf");
        std::string fieldList = "name C(20); qty N(5,2); born D; ok L; note M";
        if (std::string(c.kind) == "fp")
            fieldList += "; pic G";
        if (std::string(c.kind) == "vfp")
            fieldList += "; when T; count I; price Y";
        const std::string script = "import dbf\n"
                                   "t = dbf.Table(" + Quote(name) + ", " + Quote(fieldList) + ", dbf_type=" + Quote(c.kind) + ")\n"
                                   "t.open(dbf.READ_WRITE)\n"
                                   "t.append({'name': 'abc', 'qty': 1.5, 'note': 'hello'})\n"
                                   "t.close()\n";
        WriteWholeFile(folder.File("make.py"), std::vector<uint8_t>(script.begin(), script.end()));
        bool ok = false;
        RunCommand("/usr/bin/python3 " + Quote(folder.File("make.py")), ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(EngineFields(name), c.expected);
    }
}

TEST(Interop, TablesWrittenByPerlXBaseOpen)
{
    if (!HavePerlXBase())
        GTEST_SKIP() << "libdbd-xbase-perl is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("pl.dbf");
    bool ok = false;
    RunCommand("perl -MXBase -e 'my $t = XBase->create(name => $ARGV[0], field_names => [\"NAME\",\"QTY\",\"BORN\",\"OK\",\"NOTE\"], "
        "field_types => [\"C\",\"N\",\"D\",\"L\",\"M\"], field_lengths => [20,8,8,1,10], field_decimals => [0,3,0,0,0]) "
        "or die XBase->errstr; $t->set_record(0, \"x\", 1.5, \"20260305\", 1, \"memo text\"); $t->close;' " +
            Quote(name),
        ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(EngineFields(name), "NAME C 20 0\nQTY N 8 3\nBORN D 8 0\nOK L 1 0\nNOTE M 10 0\n");
}

TEST(Interop, TablesWrittenByTheEngineAreListedByOutsideTools)
{
    const bool dbfread = HavePython("dbfread");
    const bool xbase = HavePerlXBase();
    if (!dbfread && !xbase)
        GTEST_SKIP() << "neither python3-dbfread nor libdbd-xbase-perl is installed";
    struct Case {
        xBaseVersion version;
        std::vector<std::tuple<const char*, char, int, int>> fields;
        const char* listing;  // "NAME TYPE LENGTH DECIMALS" per field as the tools report them
    };
    const Case cases[] = {
        {xBaseVersion::xBaseIII,
         {{"TICKETID", 'C', 20, 0}, {"QA", 'N', 1, 0}, {"COST", 'N', 10, 2}, {"CREATED", 'D', 0, 0}, {"DONE", 'L', 0, 0},
          {"NOTES", 'M', 0, 0}, {"TITLE", 'C', 300, 0}},
         "TICKETID C 20 0\nQA N 1 0\nCOST N 10 2\nCREATED D 8 0\nDONE L 1 0\nNOTES M 10 0\nTITLE C 300 0\n"},
        {xBaseVersion::xBaseIV, {{"PRICE", 'F', 12, 3}, {"NOTE", 'M', 0, 0}}, "PRICE F 12 3\nNOTE M 10 0\n"},
        {xBaseVersion::xFoxPro, {{"CODE", 'C', 5, 0}, {"PIC", 'P', 0, 0}, {"NOTE", 'M', 0, 0}},
         "CODE C 5 0\nPIC P 10 0\nNOTE M 10 0\n"},
        {xBaseVersion::xVisualFoxPro,
         {{"NAME", 'C', 10, 0}, {"WHEN", 'T', 0, 0}, {"PRICE", 'Y', 0, 4}, {"ID", 'I', 0, 0}, {"NOTE", 'M', 0, 0},
          {"RATE", 'B', 0, 0}, {"CITY", 'C', 8, 0}},
         "NAME C 10 0\nWHEN T 8 0\nPRICE Y 8 4\nID I 4 0\nNOTE M 4 0\nRATE B 8 0\nCITY C 8 0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.version));
        TScratchFolder folder;
        const std::string name = folder.File("zv.dbf");
        {
            TXbSmartDBF table(nullptr);
            table.DBFFileName = name;
            table.SetDbfVersion(c.version);
            for (const auto& [fieldName, type, length, decimals] : c.fields)
                table.DBFFieldDefs().Add(fieldName, type, static_cast<uint16_t>(length), static_cast<uint16_t>(decimals));
            table.CreateTable();
        }
        bool ok = false;
        if (dbfread) {
            const std::string listing =
                RunCommand("/usr/bin/python3 -c 'import sys, dbfread\n"
                    "for f in dbfread.DBF(sys.argv[1], load=True).fields: print(f.name, f.type, f.length, f.decimal_count)' " +
                        Quote(name),
                    ok);
            EXPECT_TRUE(ok);
            EXPECT_EQ(listing, c.listing) << "dbfread";
        }
        if (xbase) {
            const std::string info = RunCommand("dbf_dump --info " + Quote(name) + " 2>&1", ok);
            EXPECT_TRUE(ok) << info;
            std::istringstream lines(info);
            std::string line;
            std::string listing;
            while (std::getline(lines, line)) {
                std::istringstream words(line);
                std::string number, fieldName, type, length, decimals;
                if (words >> number >> fieldName >> type >> length >> decimals && number.back() == '.')
                    listing += fieldName + " " + type + " " + length + " " + decimals + "\n";
            }
            EXPECT_EQ(listing, c.listing) << "dbf_dump\n" << info;
        }
    }
}
