// Tables with memos written by the engine read back the same in python3-dbfread and the XBase
// Perl tools, and memos written by the XBase Perl module read back the same in the engine.
#include "XbDBFWriteSupport.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

bool Available(const std::string& command)
{
    bool ok = false;
    RunCommand(command + " >/dev/null 2>&1", ok);
    return ok;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

struct TNoteRecord {
    std::string Name;
    int Qty;
    std::string Note;
    bool Deleted;
};

// Texts around the memo block size, with line ends and characters of the upper half.
std::vector<TNoteRecord> NoteRecords()
{
    return {
        {"alpha", 1, "hello", false},
        {"beta", 2, std::string(511, 'b'), true},
        {"gamma", 3, std::string(512, 'c'), false},
        {"delta", 4, "", false},
        {"epsilon", 5, "two\r\nlines \xE9t\xE9", false},
        {"zeta", 6, std::string(1400, 'z') + "!", true},
        {"eta", 7, std::string(513, 'e'), false},
    };
}

void WriteNoteRecords(const std::string& name)
{
    CreateNotesTable(name);
    auto table = OpenTable(name);
    // Written, then rewritten: only the last memo of each record counts.
    for (const TNoteRecord& record : NoteRecords())
        AppendNote(*table, record.Name, record.Qty, "first " + record.Name);
    int recNo = 0;
    for (const TNoteRecord& record : NoteRecords()) {
        table->SetRecNo(++recNo);
        table->Edit();
        table->FieldByName("NOTE")->SetAsString(record.Note);
        table->Post();
        if (record.Deleted)
            table->Delete();
    }
}

}  // namespace

TEST(WriteInterop, EngineMemosReadBackInDbfread)
{
    if (!Available("/usr/bin/python3 -c 'import dbfread'"))
        GTEST_SKIP() << "python3-dbfread is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("notes.dbf");
    WriteNoteRecords(name);
    const std::string script =
        "import sys\n"
        "from dbfread import DBF\n"
        "t = DBF(sys.argv[1], encoding='cp1252', load=True)\n"
        "for kind, rows in (('live', t.records), ('deleted', t.deleted)):\n"
        "    for r in rows:\n"
        "        sys.stdout.buffer.write(('%s|%s|%s|%s\\n' % (kind, r['NAME'], r['QTY'], "
        "(r['NOTE'] or '').encode('cp1252').hex())).encode())\n";
    const std::string scriptName = folder.File("read.py");
    WriteWholeFile(scriptName, std::vector<uint8_t>(script.begin(), script.end()));
    bool ok = false;
    const std::string output = RunCommand("/usr/bin/python3 " + Quote(scriptName) + " " + Quote(name), ok);
    ASSERT_TRUE(ok) << output;
    std::string expected;
    for (bool deleted : {false, true})
        for (const TNoteRecord& record : NoteRecords()) {
            if (record.Deleted != deleted)
                continue;
            std::string hex;
            char digits[3];
            for (unsigned char c : record.Note) {
                std::snprintf(digits, sizeof digits, "%02x", c);
                hex += digits;
            }
            expected += std::string(deleted ? "deleted" : "live") + "|" + record.Name + "|" +
                        std::to_string(record.Qty) + "|" + hex + "\n";
        }
    EXPECT_EQ(output, expected);
}

TEST(WriteInterop, EngineMemosReadBackInDbfDump)
{
    if (!Available("command -v dbf_dump"))
        GTEST_SKIP() << "dbf_dump (libdbd-xbase-perl) is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("notes.dbf");
    WriteNoteRecords(name);
    bool ok = false;
    // Records end with "#END#", fields are separated by |; deleted records are left out.
    const std::string output = RunCommand("dbf_dump --rs '#END#' --fs '|' " + Quote(name), ok);
    ASSERT_TRUE(ok) << output;
    std::string expected;
    for (const TNoteRecord& record : NoteRecords())
        if (!record.Deleted)
            expected += record.Name + "|" + std::to_string(record.Qty) + "|||" + record.Note + "#END#";
    EXPECT_EQ(output, expected);
}

TEST(WriteInterop, PerlXBaseMemosReadBackInTheEngine)
{
    if (!Available("perl -MXBase -e 1"))
        GTEST_SKIP() << "the XBase Perl module is not installed";
    TScratchFolder folder;
    const std::string name = folder.File("perl.dbf");
    const std::string script =
        "use XBase;\n"
        "my $t = XBase->create(name => $ARGV[0], field_names => ['NAME','QTY','BORN','OK','NOTE'],\n"
        "  field_types => ['C','N','D','L','M'], field_lengths => [20,6,8,1,10], field_decimals => [0,0,0,0,0])\n"
        "  or die XBase->errstr;\n"
        "my @notes = ('hello', 'b' x 511, 'c' x 512, '', \"two\\r\\nlines \\xE9t\\xE9\", ('z' x 1400) . '!', 'e' x 513);\n"
        "for my $i (0 .. $#notes) { $t->set_record($i, \"n$i\", $i, undef, undef, $notes[$i]) or die $t->errstr; }\n"
        "$t->delete_record(1); $t->delete_record(5);\n"
        "$t->close;\n";
    const std::string scriptName = folder.File("make.pl");
    WriteWholeFile(scriptName, std::vector<uint8_t>(script.begin(), script.end()));
    bool ok = false;
    const std::string output = RunCommand("perl " + Quote(scriptName) + " " + Quote(name) + " 2>&1", ok);
    ASSERT_TRUE(ok) << output;

    auto table = OpenTable(name);
    const std::vector<TNoteRecord> records = NoteRecords();
    int index = 0;
    for (table->First(); !table->Eof(); table->Next(), ++index) {
        SCOPED_TRACE(index);
        ASSERT_LT(index, static_cast<int>(records.size()));
        EXPECT_EQ(table->FieldByName("NAME")->AsString(), "n" + std::to_string(index));
        EXPECT_EQ(table->FieldByName("NOTE")->AsString(), records[static_cast<size_t>(index)].Note);
        EXPECT_EQ(table->ActiveBuffer()[0] == '*', records[static_cast<size_t>(index)].Deleted);
    }
    EXPECT_EQ(index, static_cast<int>(records.size()));

    // The engine appends to the Perl module's memo file without disturbing its memos.
    AppendNote(*table, "engine", 9, "added by the engine");
    table->First();
    EXPECT_EQ(table->FieldByName("NOTE")->AsString(), "hello");
    table->Last();
    EXPECT_EQ(table->FieldByName("NOTE")->AsString(), "added by the engine");
}
