// Tables kept inside a dataset field of their parent: created empty from the field's nested
// definitions, written back into the parent's memo after every post, deletion and recall, read
// again when the parent moves, and unchanged after the parent is closed and opened again.
#include "XbDBFWriteSupport.h"

#include "dbf/XbDBFNested.h"
#include "dbf/XbDBFRegistration.h"
#include "platform/classes/PropertyPaths.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/db/Fields.h"

#include <gtest/gtest.h>

namespace {

// Parent: ID N 4, KIDS a dataset field (E, 10) holding NAME C 10 and, when wanted, NOTE M.
void CreateParent(const std::string& path, bool withMemo, int records)
{
    {
        TXbSmartDBF table(nullptr);
        table.DBFFileName = path;
        table.SetDbfVersion(xBaseVersion::xBaseIII);
        table.DBFFieldDefs().Add("ID", 'N', 4, 0);
        TXbDBFFieldDef& kids = table.DBFFieldDefs().Add("KIDS", 'E', 10, 0);
        kids.Setextend_type(TXbDBFType::dbftDBFDataSet);
        kids.DBFFieldDefs().Add("NAME", 'C', 10, 0);
        if (withMemo)
            kids.DBFFieldDefs().Add("NOTE", 'M');
        table.CreateTable();
    }
    auto table = OpenTable(path);
    for (int i = 1; i <= records; ++i) {
        table->Append();
        table->FieldByName("ID")->SetAsInteger(i);
        table->Post();
    }
}

std::string Note(const std::string& name) { return "note of " + name + std::string(600, '.'); }

struct TKid {
    std::string Name;
    bool Deleted;
    std::string Note;
};

std::vector<TKid> Kids(TXbNestedDBF& nested, bool withMemo)
{
    std::vector<TKid> kids;
    for (nested.First(); !nested.Eof(); nested.Next()) {
        const uint8_t* record = nested.ActiveRecordBuffer();
        std::string name = nested.FieldByName("NAME")->AsString();
        name.erase(name.find_last_not_of(' ') + 1);
        kids.push_back({name, record != nullptr && record[0] == '*',
                        withMemo ? nested.FieldByName("NOTE")->AsString() : std::string()});
    }
    return kids;
}

bool operator==(const TKid& a, const TKid& b) { return a.Name == b.Name && a.Deleted == b.Deleted && a.Note == b.Note; }

void PrintTo(const TKid& kid, std::ostream* out)
{
    *out << kid.Name << (kid.Deleted ? " (deleted)" : "") << " [" << kid.Note.size() << " note bytes]";
}

class NestedTables : public ::testing::TestWithParam<bool> {
protected:
    void Bind(TXbSmartDBF& parent)
    {
        nested.SetDataSetField(dynamic_cast<TDataSetField*>(parent.FieldByName("KIDS")));
        nested.Open();
    }
    void AddKid(const std::string& name)
    {
        nested.Append();
        nested.FieldByName("NAME")->SetAsString(name);
        if (GetParam())
            nested.FieldByName("NOTE")->SetAsString(Note(name));
        nested.Post();
    }
    TKid Kid(const std::string& name, bool deleted = false)
    {
        return {name, deleted, GetParam() ? Note(name) : std::string()};
    }

    TScratchFolder folder;
    std::string path = folder.File("parent.dbf");
    TXbNestedDBF nested{nullptr};
};

TEST_P(NestedTables, RecordsMemosAndDeletionsLiveInTheParentsRecord)
{
    const bool withMemo = GetParam();
    CreateParent(path, withMemo, 3);
    const std::vector<TKid> first = {Kid("Anna"), Kid("Ben", true), Kid("Cleo")};
    {
        auto parent = OpenTable(path);
        parent->First();
        Bind(*parent);
        EXPECT_EQ(nested.RecordCount(), 0);
        for (const char* name : {"Anna", "Ben", "Cleo"})
            AddKid(name);
        nested.First();
        nested.Next();
        nested.Delete();
        EXPECT_EQ(Kids(nested, withMemo), first);

        // The parent moves: the nested table is read from the next record's memo (none yet).
        parent->Next();
        EXPECT_EQ(nested.RecordCount(), 0);
        AddKid("Dora");
        // And back.
        parent->First();
        EXPECT_EQ(Kids(nested, withMemo), first);
        // An entry in progress is posted into its own parent record before the parent moves.
        nested.Append();
        nested.FieldByName("NAME")->SetAsString("Emil");
        if (withMemo)
            nested.FieldByName("NOTE")->SetAsString(Note("Emil"));
        parent->Next();
        EXPECT_EQ(Kids(nested, withMemo), std::vector<TKid>{Kid("Dora")});
    }
    // Closed and opened again.
    EXPECT_EQ(nested.DataSetField(), nullptr);
    auto parent = OpenTable(path);
    parent->First();
    Bind(*parent);
    std::vector<TKid> expected = first;
    expected.push_back(Kid("Emil"));
    EXPECT_EQ(Kids(nested, withMemo), expected);
    // A recall is written back too.
    nested.First();
    nested.Next();
    nested.InternalDeleteRecall(false);
    parent->Next();
    parent->First();
    expected[1].Deleted = false;
    EXPECT_EQ(Kids(nested, withMemo), expected);
    parent->Last();
    EXPECT_EQ(nested.RecordCount(), 0);

    // A pack of the parent copies the nested table with its memos.
    parent->SetRecNo(2);
    parent->Delete();
    EXPECT_EQ(parent->Pack(true), 1);
    parent->First();
    Bind(*parent);
    EXPECT_EQ(Kids(nested, withMemo), expected);
    parent->Next();
    EXPECT_EQ(nested.RecordCount(), 0);
    parent->Close();

    if (withMemo)
        return;
    // The image cut out of the parent's memo file reads as a table of its own.
    bool ok = false;
    RunCommand("/usr/bin/python3 -c 'import dbfread' 2>/dev/null", ok);
    if (!ok)
        GTEST_SKIP() << "python3-dbfread is not installed";
    const std::vector<uint8_t> table = ReadWholeFile(path);
    const std::vector<uint8_t> memo = ReadWholeFile(folder.File("parent.dbt"));
    const size_t header = table[8] | (table[9] << 8);
    const std::string reference(reinterpret_cast<const char*>(table.data() + header + 5), 10);
    const size_t start = std::stoul(reference) * 512;
    ASSERT_LE(start + 4, memo.size());
    const size_t length = memo[start] | (memo[start + 1] << 8) | (memo[start + 2] << 16) | (memo[start + 3] << 24);
    ASSERT_LE(start + 4 + length, memo.size());
    const std::string cut = folder.File("kids.dbf");
    WriteWholeFile(cut, std::vector<uint8_t>(memo.begin() + static_cast<std::ptrdiff_t>(start + 4),
                                             memo.begin() + static_cast<std::ptrdiff_t>(start + 4 + length)));
    const std::string output = RunScript(folder.Path(), "/usr/bin/python3",
                                         "import sys, dbfread\n"
                                         "t = dbfread.DBF(sys.argv[1], load=True)\n"
                                         "print(','.join(r['NAME'] for r in t.records))\n"
                                         "print(','.join(r['NAME'] for r in t.deleted))\n",
                                         {cut}, ok);
    EXPECT_EQ(output, "Anna,Ben,Cleo,Emil\n\n") << output;
}

TEST_P(NestedTables, PacksDropTheDeletedNestedRecords)
{
    const bool withMemo = GetParam();
    CreateParent(path, withMemo, 2);
    {
        auto parent = OpenTable(path);
        parent->First();
        Bind(*parent);
        for (const char* name : {"Anna", "Ben", "Cleo", "Dora"})
            AddKid(name);
        nested.SetRecNo(2);
        nested.Delete();
        // The nested table's own pack: its new image goes back into the parent's record.
        EXPECT_EQ(nested.Pack(false), 1);
        EXPECT_EQ(Kids(nested, withMemo), (std::vector<TKid>{Kid("Anna"), Kid("Cleo"), Kid("Dora")}));
        parent->Next();
        parent->First();
        EXPECT_EQ(Kids(nested, withMemo), (std::vector<TKid>{Kid("Anna"), Kid("Cleo"), Kid("Dora")}));

        // The parent's pack packs the nested tables in the records it keeps.
        nested.SetRecNo(1);
        nested.Delete();
        parent->Last();
        parent->Delete();
        EXPECT_EQ(parent->Pack(false), 1);
        parent->First();
        Bind(*parent);
        EXPECT_EQ(nested.RecordCount(), 2);
        EXPECT_EQ(Kids(nested, withMemo), (std::vector<TKid>{Kid("Cleo"), Kid("Dora")}));
        // And it is a table that takes new records.
        AddKid("Emil");
    }
    auto parent = OpenTable(path);
    parent->First();
    Bind(*parent);
    EXPECT_EQ(Kids(nested, withMemo), (std::vector<TKid>{Kid("Cleo"), Kid("Dora"), Kid("Emil")}));
}

INSTANTIATE_TEST_SUITE_P(Memos, NestedTables, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "with_memo" : "without_memo");
                         });

// A form description can declare the nested table; the field is set once the parent is open.
TEST(NestedTableComponent, PublishesItsFieldAndDefinitions)
{
    RegisterDBFClasses();
    TScratchFolder folder;
    const std::string path = folder.File("parent.dbf");
    CreateParent(path, false, 1);
    std::unique_ptr<TComponent> created(CreateComponentByName("TXbNestedDBF", nullptr));
    auto* nested = dynamic_cast<TXbNestedDBF*>(created.get());
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(GetPropertyPathText(*nested, "BufferSize"), "4096");
    const TPropertyInfo* defs = FindPublishedProperty(*nested, "DBFFieldDefs");
    ASSERT_NE(defs, nullptr);
    auto definitions = [&] { return dynamic_cast<TCollection*>(defs->getObject(*nested))->Count(); };
    EXPECT_EQ(definitions(), 0);
    ASSERT_TRUE(SetPropertyPathText(*nested, "BufferSize", "8192"));
    EXPECT_EQ(nested->BufferSize, 8192);

    auto parent = OpenTable(path);
    parent->First();
    const TPropertyInfo* field = FindPublishedProperty(*nested, "DataSetField");
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(field->setComponent(*nested, parent->FieldByName("KIDS")));
    EXPECT_EQ(nested->Parent(), parent.get());
    // Anything else is refused.
    EXPECT_FALSE(field->setComponent(*nested, parent.get()));
    nested->Open();
    // The field's nested definitions.
    EXPECT_EQ(definitions(), 1);
    EXPECT_EQ(nested->RecordCount(), 0);
    nested->Close();
    nested->SetDataSetField(nullptr);
}

}  // namespace
