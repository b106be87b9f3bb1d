// The main window's import of earlier tables and its "Open Database" command. The earlier tables
// are written by an outside writer (python3-dbf) with deleted records, a logical and a text
// completion flag and projects the tracker does not know; the imported table is read back by an
// outside reader (python3-dbfread), and the chosen file must come out byte for byte unchanged.
#include "AppTestSupport.h"
#include "TicketEditorSupport.h"

#include "app/Settings.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Files.h"
#include "widgets/KitCustomButton.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

constexpr int P_NAME = static_cast<int>(TProductField::NAME);
constexpr int P_VERSION = static_cast<int>(TProductField::VERSION);
constexpr int C_NAME = static_cast<int>(TContactField::NAME);
constexpr int C_EMAIL = static_cast<int>(TContactField::EMAIL);
constexpr int T_ID = static_cast<int>(TTicketField::TICKETID);
constexpr int T_PRODUCT = static_cast<int>(TTicketField::PRODUCT);
constexpr int S_PARENT = static_cast<int>(TSubticketField::TICKETID);
constexpr int S_ID = static_cast<int>(TSubticketField::SUBID);
constexpr int S_COMPLETED = static_cast<int>(TSubticketField::COMPLETED);

const std::string kCreateProjects =
    "info: If you do not see any imported record(s) then you will need to create projects for the application(s)";
const std::string kRestart =
    "info: It is highly recommended to restart Zentivor before starting work with the imported record(s)!";

// The python3-dbf field list of a tracker table; `replace` gives some positions another
// definition, and `extra` is added after the last field.
std::string FieldSpec(TTrackerTable table, const std::vector<std::pair<int, std::string>>& replace = {},
                      const std::string& extra = "", size_t count = 0)
{
    const auto fields = TrackerTableLayout(table).Fields;
    std::string layout;
    for (size_t i = 0; i < (count == 0 ? fields.size() : count); ++i) {
        std::string field = std::string(fields[i].Name) + " ";
        switch (fields[i].Type) {
        case 'C': field += "C(" + std::to_string(fields[i].Width) + ")"; break;
        case 'N': field += "N(" + std::to_string(fields[i].Width) + "," + std::to_string(fields[i].Decimals) + ")"; break;
        default: field += fields[i].Type;
        }
        for (const auto& [position, definition] : replace) {
            if (static_cast<size_t>(position) == i) {
                field = definition;
            }
        }
        layout += (layout.empty() ? "" : "; ") + field;
    }
    if (!extra.empty()) {
        layout += "; " + extra;
    }
    return layout;
}

class TableImport : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        std::filesystem::create_directories(PathOf("old"));
        Ini().WriteString("Settings", "OpenSite", "1");
        FillTable(PathOf("databases/product.dbf"), TTrackerTable::Products, {{{P_NAME, "Known"}, {P_VERSION, "2.0"}}});
    }

    Tmainfrm& StartWithProjectList()
    {
        Tmainfrm& window = Start();
        window.FillProductLists();
        script_->ClearRecords();
        return window;
    }

    // Runs the import menu item with Yes to "Are you sure?" and `file` chosen.
    void Import(Tmainfrm& window, const char* item, const std::string& file)
    {
        script_->ClearRecords();
        script_->Answer(TModalResult::mrYes);
        script_->Answer(TDialogAnswer{TModalResult::mrOk, file, clBlack, 0});
        window.Get<TMenuItem>(item)->Click();
    }

    // The message boxes shown so far as "type: text" (the open dialogs left out).
    std::vector<std::string> MessageBoxes() const
    {
        std::vector<std::string> boxes;
        for (const TDialogRecord& record : script_->Records()) {
            if (record.Kind != TDialogKind::dkMessage) {
                continue;
            }
            const char* type = record.Type == TMsgDlgType::mtInformation    ? "info"
                               : record.Type == TMsgDlgType::mtConfirmation ? "confirm"
                               : record.Type == TMsgDlgType::mtError        ? "error"
                                                                             : "other";
            boxes.push_back(std::string(type) + ": " + record.Text);
        }
        return boxes;
    }

    std::string Python(const std::string& script)
    {
        bool ok = false;
        const std::string output = RunPython(script, ok);
        EXPECT_TRUE(ok) << output;
        return output;
    }
};

TEST_F(TableImport, TicketImportsCopyTheUndeletedRecordsAndLeaveTheSourceAlone)
{
    if (!HavePythonModule("dbf") || !HavePythonModule("dbfread")) {
        GTEST_SKIP() << "python3-dbf and python3-dbfread are needed";
    }
    // A ticket table of the previous generation (logical COMPLETED) and one of the generation
    // before (text COMPLETED, a text REPORTEDON, one field more than the 25 it contributes).
    Python("import dbf, datetime\n"
           "def make(name, layout, rows, deleted):\n"
           "    t = dbf.Table('" + PathOf("old/") + "' + name, layout, dbf_type='db3', codepage='cp1252')\n"
           "    t.open(dbf.READ_WRITE)\n"
           "    for row in rows:\n"
           "        t.append({k.lower(): v for k, v in row.items()})\n"
           "    for i in deleted:\n"
           "        dbf.delete(t[i])\n"
           "    t.close()\n"
           "make('Tickets.dbf', '" + FieldSpec(TTrackerTable::Tickets) + "', [\n"
           "    dict(TICKETID='T1', PRODUCT='Alpha', VERSION='1.0', COMPLETED=True, DETAILS='line one\\r\\nline two',\n"
           "         REPORTEDON=datetime.date(2024, 3, 5), WORKTIME=1.5),\n"
           "    dict(TICKETID='T2', PRODUCT='Beta', VERSION='2.1', COMPLETED=False),\n"
           "    dict(TICKETID='T3', PRODUCT='Gamma', COMPLETED=True),\n"
           "    dict(TICKETID='T4', PRODUCT='ALPHA', COMPLETED=None),\n"
           "    dict(TICKETID='T5', PRODUCT='Known')], [2])\n"
           "make('Maindb.dbf', '" +
           FieldSpec(TTrackerTable::Tickets, {{9, "REPORTEDON C(10)"}, {19, "COMPLETED C(5)"}}, "EXTRA C(10)", 25) +
           "', [\n"
           "    dict(TICKETID='M1', PRODUCT='Delta', COMPLETED='False', EXTRA='beyond'),\n"
           "    dict(TICKETID='M2', PRODUCT='Delta', COMPLETED='', REPORTEDON='not a date'),\n"
           "    dict(TICKETID='M3', PRODUCT='Epsilon', COMPLETED='x')], [2])\n");
    const std::vector<std::string> sources = {"old/Tickets.dbf", "old/Tickets.dbt", "old/Maindb.dbf", "old/Maindb.dbt"};
    std::vector<std::string> before;
    for (const std::string& name : sources) {
        before.push_back(ReadFile(name));
    }

    Tmainfrm& window = StartWithProjectList();
    // The ticket grid shows one project; the imported tickets of other projects are appended
    // all the same.
    Tmainfrm::ApplyFilter(*window.maindb, "PRODUCT='Known'");
    const std::string project = " project automatically created! Please check and finalize this entry on the PROJECTS tab.";
    Import(window, "ImportZentivorv3xTICKETdatabase1", PathOf("old/Tickets.dbf"));
    EXPECT_THAT(MessageBoxes(),
                ElementsAre("confirm: Are you sure?", "info: Alpha" + project, "info: Beta" + project,
                            "info: Update has been successfully finished! Record(s) added: 4", kCreateProjects,
                            kRestart));
    ASSERT_GE(script_->Records().size(), 2u);
    EXPECT_EQ(script_->Records()[1].Kind, TDialogKind::dkOpen);
    EXPECT_EQ(script_->Records()[1].Text, Folder());

    Import(window, "Import2xTrevassoMAINdatabase1", PathOf("old/Maindb.dbf"));
    EXPECT_THAT(MessageBoxes(), ElementsAre("confirm: Are you sure?", "info: Delta" + project,
                                            "info: Update has been successfully finished! Record(s) added: 2\r\n"
                                            "Record(s) with a field that could not be copied: 1",
                                            kCreateProjects, kRestart));
    EXPECT_TRUE(window.maindb->Active());
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Known'");
    EXPECT_TRUE(window.maindb->Filtered());
    EXPECT_FALSE(window.importdb->Active());

    for (size_t i = 0; i < sources.size(); ++i) {
        EXPECT_TRUE(ReadFile(sources[i]) == before[i]) << sources[i] << " was changed";
    }
    FreeWindow();
    EXPECT_EQ(Python("from dbfread import DBF\n"
                     "t = DBF('" + PathOf("databases/Tickets.dbf") + "', encoding='cp1252')\n"
                     "print(len(t.deleted))\n"
                     "for r in t:\n"
                     "    print(r['TICKETID'], r['PRODUCT'], r['COMPLETED'], r['REPORTEDON'], repr(r['DETAILS']),\n"
                     "          r['WORKTIME'], repr(r['TESTRESULT']))\n"
                     "p = DBF('" + PathOf("databases/product.dbf") + "', encoding='cp1252')\n"
                     "print([(r['NAME'], r['VERSION']) for r in p])\n"),
              "0\n"
              "T1 Alpha True 2024-03-05 'line one\\r\\nline two' 1.5 None\n"
              "T2 Beta False None None None None\n"
              "T4 ALPHA False None None None None\n"
              "T5 Known False None None None None\n"
              "M1 Delta True None None None None\n"
              "M2 Delta False None None None None\n"
              "[('Known', '2.0'), ('Alpha', '1.0'), ('Beta', '2.1'), ('Delta', '')]\n");
}

TEST_F(TableImport, EngineWrittenSourcesAreImportedWithoutTheirDeletedRecords)
{
    // An earlier contact table, enciphered like the tracker's own, with its second record deleted.
    const std::string source = PathOf("old/Contacts.dbf");
    CreateTrackerTable(source, TTrackerTable::Contacts);
    FillTable(source, TTrackerTable::Contacts,
              {{{C_NAME, "Ann"}, {C_EMAIL, "ann@example.org"}}, {{C_NAME, "Bob"}}, {{C_NAME, "Cid"}}});
    {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, true);
        table.DBFFileName = source;
        table.Open();
        table.First();
        table.Next();
        table.Delete();
        table.Close();
    }
    const std::string before = ReadFile("old/Contacts.dbf");

    Tmainfrm& window = StartWithProjectList();
    Import(window, "ImportZentivorv3xCONTACTdatabase1", source);
    EXPECT_THAT(MessageBoxes(), ElementsAre("confirm: Are you sure?",
                                            "info: Update has been successfully finished! Record(s) added: 2",
                                            kCreateProjects, kRestart));
    EXPECT_TRUE(ReadFile("old/Contacts.dbf") == before);
    std::vector<std::string> names;
    for (window.contactdb->First(); !window.contactdb->Eof(); window.contactdb->Next()) {
        names.push_back(window.contactdb->Fields().Fields(C_NAME)->AsString() + " " +
                        window.contactdb->Fields().Fields(C_EMAIL)->AsString());
    }
    EXPECT_THAT(names, ElementsAre("Ann ann@example.org", "Cid "));

    // Sub-tickets go into the sub-ticket table, filtered as at start-up, and their result is a
    // question box.
    const std::string subtickets = PathOf("old/Subtickets.dbf");
    CreateTrackerTable(subtickets, TTrackerTable::Subtickets);
    FillTable(subtickets, TTrackerTable::Subtickets,
              {{{S_PARENT, "T1"}, {S_ID, "S1"}, {S_COMPLETED, "T"}}, {{S_PARENT, "T1"}, {S_ID, "S2"}, {S_COMPLETED, "F"}}});
    Import(window, "ImportZentivorv3xSUBTICKETdatabase1", subtickets);
    EXPECT_THAT(MessageBoxes(), ElementsAre("confirm: Are you sure?",
                                            "confirm: Update has been successfully finished! Record(s) added: 2",
                                            kCreateProjects, kRestart));
    TXbSmartDBF& subdb = *window.subdb;
    EXPECT_EQ(subdb.Filter(), "TICKETID='START'");
    subdb.SetFiltered(false);
    names.clear();
    for (subdb.First(); !subdb.Eof(); subdb.Next()) {
        names.push_back(subdb.Fields().Fields(S_ID)->AsString() + " " + subdb.Fields().Fields(S_COMPLETED)->AsString());
    }
    EXPECT_THAT(names, ElementsAre("S1 True", "S2 False"));
}

TEST_F(TableImport, NothingIsImportedWithoutYesAFileAndAnOpenTarget)
{
    const std::string source = PathOf("old/Lists.dbf");
    CreateTrackerTable(source, TTrackerTable::Lists);
    FillTable(source, TTrackerTable::Lists, {{{static_cast<int>(TListField::LISTNAME), "Type"}}});
    WriteFile("old/broken.dbf", "not a table");

    struct TCase {
        const char* Name;
        TModalResult Question;
        TModalResult Dialog;
        std::string File;
        bool CloseTarget;
        std::vector<std::string> Boxes;
        size_t Dialogs;
    };
    const TCase cases[] = {
        {"No", TModalResult::mrNo, TModalResult::mrOk, source, false, {"confirm: Are you sure?"}, 0},
        {"cancelled", TModalResult::mrYes, TModalResult::mrCancel, source, false, {"confirm: Are you sure?"}, 1},
        {"missing file", TModalResult::mrYes, TModalResult::mrOk, PathOf("old/none.dbf"), false, {"confirm: Are you sure?"}, 1},
        {"closed target", TModalResult::mrYes, TModalResult::mrOk, source, true, {"confirm: Are you sure?"}, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Tmainfrm& window = StartWithProjectList();
        if (c.CloseTarget) {
            window.listdb->Close();
        }
        script_->Answer(c.Question);
        if (c.Question == TModalResult::mrYes) {
            script_->Answer(TDialogAnswer{c.Dialog, c.File, clBlack, 0});
        }
        window.Get<TMenuItem>("ImportZentivorv3xLISTdatabase1")->Click();
        EXPECT_EQ(MessageBoxes(), c.Boxes);
        EXPECT_EQ(script_->Records().size(), c.Boxes.size() + c.Dialogs);
        if (!c.CloseTarget) {
            EXPECT_EQ(window.listdb->RecordCount(), 0);
        }
        FreeWindow();
    }

    // A file that is no table: the error is shown and the list table stays open.
    Tmainfrm& window = StartWithProjectList();
    Import(window, "ImportZentivorv3xLISTdatabase1", PathOf("old/broken.dbf"));
    const std::vector<std::string> boxes = MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_THAT(boxes[1], ::testing::StartsWith("error: "));
    EXPECT_TRUE(window.listdb->Active());
    EXPECT_FALSE(window.importdb->Active());

    // The tracker's own ticket table chosen as the source: it is open exclusively, so the import
    // fails (the ticket imports leave the error to the application) and appends nothing.
    script_->Answer(TModalResult::mrYes);
    script_->Answer(TDialogAnswer{TModalResult::mrOk, PathOf("databases/Tickets.dbf"), clBlack, 0});
    EXPECT_THROW(window.Get<TMenuItem>("ImportZentivorv3xTICKETdatabase1")->Click(), Exception);
    EXPECT_TRUE(window.maindb->Active());
    EXPECT_EQ(window.maindb->RecordCount(), 0);
    EXPECT_FALSE(window.importdb->Active());
}

TEST_F(TableImport, OpenDatabaseSwitchesToAnotherTicketTableAndTheSubTicketsBesideIt)
{
    std::filesystem::create_directories(PathOf("other"));
    CreateTrackerTable(PathOf("other/Tickets.dbf"), TTrackerTable::Tickets);
    CreateTrackerTable(PathOf("other/Subtickets.dbf"), TTrackerTable::Subtickets);
    FillTable(PathOf("other/Tickets.dbf"), TTrackerTable::Tickets, {{{T_ID, "X1"}, {T_PRODUCT, "Other"}}});

    Tmainfrm& window = StartWithProjectList();
    script_->Answer(TDialogAnswer{TModalResult::mrOk, PathOf("other/Tickets.dbf"), clBlack, 0});
    window.Get<TKitButton>("btn_open")->Click();

    EXPECT_EQ(window.maindb->DBFFileName, PathOf("other/Tickets.dbf"));
    EXPECT_TRUE(window.maindb->Active());
    EXPECT_FALSE(window.maindb->Filtered());
    EXPECT_EQ(window.maindb->RecordCount(), 1);
    EXPECT_EQ(window.Get<TEdit>("dblocation")->Text(), PathOf("other/Tickets.dbf"));
    EXPECT_EQ(window.subdb->DBFFileName, PathOf("other/Subtickets.dbf"));
    EXPECT_TRUE(window.subdb->Active());
    EXPECT_FALSE(window.subdb->Filtered());
    EXPECT_EQ(window.Get<TEdit>("subdblocation")->Text(), PathOf("other/Subtickets.dbf"));
    for (const char* name : {"main_btn_add", "sub_btn_add"}) {
        EXPECT_TRUE(window.Get<TControl>(name)->Enabled()) << name;
    }
    for (const char* name : {"main_btn_edit", "main_btn_delete", "add_sub_btn", "sub_btn_edit", "sub_btn_delete"}) {
        EXPECT_FALSE(window.Get<TControl>(name)->Enabled()) << name;
    }
    EXPECT_EQ(Ini().ReadString("Database", "LastUsed", ""), "other/Tickets.dbf");
    ASSERT_FALSE(script_->Records().empty());
    EXPECT_EQ(script_->Records()[0].Text, PathOf("databases") + "/");

    // Cancelled: the tables stay as they are.
    script_->Answer(TModalResult::mrCancel);
    window.Get<TKitButton>("btn_open")->Click();
    EXPECT_EQ(window.maindb->DBFFileName, PathOf("other/Tickets.dbf"));
    EXPECT_TRUE(window.maindb->Active());
}

}  // namespace
