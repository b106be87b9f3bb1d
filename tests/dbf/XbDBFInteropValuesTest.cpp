// Values written by outside tools (python3-dbf, the XBase Perl module) read back equal through
// the table dataset.
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/DateTime.h"
#include "XbDBFTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool RunQuietly(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

struct TExpectedRow {
    std::string name;  // empty: null
    bool qtyNull;
    double qty;
    bool rateNull;
    double rate;
    int year;  // 0: null
    int month;
    int day;
    int ok;  // -1 null, 0 false, 1 true
};

const std::vector<TExpectedRow>& ExpectedRows()
{
    static const std::vector<TExpectedRow> rows = {
        {"Alpha", false, 12.5, false, -3.25, 2024, 2, 29, 1},
        {"", true, 0, true, 0, 0, 0, 0, -1},
        {"Gamma", false, -0.75, false, 1000.125, 1999, 12, 31, 0},
    };
    return rows;
}

void ExpectRows(const std::string& fileName)
{
    TXbSmartDBF table(nullptr);
    table.DBFFileName = fileName;
    table.TrimCType = true;
    table.SetSetDeleted(true);
    table.Open();
    ASSERT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.FieldByName("QTY")->DataType(), TFieldType::ftFloat);
    EXPECT_EQ(table.FieldByName("RATE")->DataType(), TFieldType::ftFloat);
    size_t row = 0;
    for (table.First(); !table.Eof(); table.Next(), ++row) {
        ASSERT_LT(row, ExpectedRows().size());
        const TExpectedRow& expected = ExpectedRows()[row];
        SCOPED_TRACE("record " + std::to_string(row + 1));
        TField& name = *table.FieldByName("NAME");
        if (expected.name.empty()) {
            EXPECT_TRUE(name.IsNull());
        } else {
            EXPECT_EQ(name.AsString(), expected.name);
        }
        EXPECT_EQ(table.FieldByName("QTY")->IsNull(), expected.qtyNull);
        if (!expected.qtyNull) {
            EXPECT_DOUBLE_EQ(table.FieldByName("QTY")->AsFloat(), expected.qty);
        }
        EXPECT_EQ(table.FieldByName("RATE")->IsNull(), expected.rateNull);
        if (!expected.rateNull) {
            EXPECT_DOUBLE_EQ(table.FieldByName("RATE")->AsFloat(), expected.rate);
        }
        TField& born = *table.FieldByName("BORN");
        if (expected.year == 0) {
            EXPECT_TRUE(born.IsNull());
        } else {
            EXPECT_EQ(born.AsDateTime(), EncodeDate(expected.year, expected.month, expected.day));
        }
        TField& ok = *table.FieldByName("OK");
        EXPECT_EQ(ok.IsNull() ? -1 : (ok.AsBoolean() ? 1 : 0), expected.ok);
    }
    EXPECT_EQ(row, ExpectedRows().size());
    table.Close();
}

}  // namespace

TEST(InteropValues, WrittenByPythonDbf)
{
    if (!RunQuietly("/usr/bin/python3 -c 'import dbf'"))
        GTEST_SKIP() << "python3-dbf is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("py.dbf");
    const std::string script =
        "import dbf, datetime, sys\n"
        "t = dbf.Table(sys.argv[1], 'NAME C(10); QTY N(8,2); RATE F(9,3); BORN D; OK L', dbf_type='db3')\n"
        "t.open(dbf.READ_WRITE)\n"
        "t.append(('Alpha', 12.5, -3.25, datetime.date(2024, 2, 29), True))\n"
        "t.append(('', None, None, None, None))\n"
        "t.append(('Gamma', -0.75, 1000.125, datetime.date(1999, 12, 31), False))\n"
        "t.close()\n";
    const std::string scriptName = folder.File("make.py");
    WriteWholeFile(scriptName, std::vector<uint8_t>(script.begin(), script.end()));
    ASSERT_TRUE(RunQuietly("/usr/bin/python3 '" + scriptName + "' '" + name + "'"));
    // The unknown logical is stored as "?".
    EXPECT_EQ(ReadWholeFile(name).at(0xC1 + 2 * 37 - 1), '?');
    ExpectRows(name);
}

TEST(InteropValues, WrittenByPerlXBase)
{
    if (!RunQuietly("perl -MXBase -e 1"))
        GTEST_SKIP() << "the XBase Perl module is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("pl.dbf");
    const std::string script =
        "use XBase;\n"
        "my $t = XBase->create(name => $ARGV[0], field_names => ['NAME','QTY','RATE','BORN','OK'],\n"
        "  field_types => ['C','N','F','D','L'], field_lengths => [10,8,9,8,1],\n"
        "  field_decimals => [0,2,3,0,0]) or die XBase->errstr;\n"
        "$t->set_record(0, 'Alpha', 12.5, -3.25, '20240229', 1) or die $t->errstr;\n"
        "$t->set_record(1, '', undef, undef, undef, undef) or die $t->errstr;\n"
        "$t->set_record(2, 'Gamma', -0.75, 1000.125, '19991231', 0) or die $t->errstr;\n"
        "$t->close;\n";
    const std::string scriptName = folder.File("make.pl");
    WriteWholeFile(scriptName, std::vector<uint8_t>(script.begin(), script.end()));
    ASSERT_TRUE(RunQuietly("perl '" + scriptName + "' '" + name + "'"));
    ExpectRows(name);
}
