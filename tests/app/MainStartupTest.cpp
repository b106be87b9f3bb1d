// Start-up of the main window against a program folder of its own.
#include "AppTestSupport.h"

#include "app/Settings.h"
#include "app/Unit7.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Files.h"
#include "platform/gui/DBGrids.h"
#include "platform/rtl/System.h"
#include "sysutil/GtCVersInfo.h"
#include "sysutil/SuComponents.h"

#include <QComboBox>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using StartUp = ProgramFolderTest;

TEST_F(StartUp, FirstStartUsesDefaultsAndWritesThemAtShutDown)
{
    MakeDataFolders();
    MakeAllTables();
    Tmainfrm& window = Start();
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_EQ(window.Left(), 0);
    EXPECT_EQ(window.Top(), 0);
    EXPECT_EQ(window.Width(), 940);
    EXPECT_EQ(window.Height(), 740);
    EXPECT_NE(window.WindowState(), TWindowState::wsMaximized);
    EXPECT_EQ(DatabaseFolder, Folder() + "databases");
    EXPECT_EQ(BackupFolder, Folder() + "backup");
    EXPECT_EQ(AttachmentFolder, Folder() + "attachments");
    for (TXbSmartDBF* table : {window.maindb, window.subdb, window.appsdb, window.listdb, window.contactdb,
                               window.workdb, window.codedb}) {
        EXPECT_TRUE(table->Active()) << table->Name();
    }
    EXPECT_EQ(window.subdb->Filter(), "TICKETID='START'");
    EXPECT_TRUE(window.subdb->Filtered());
    EXPECT_EQ(window.Get<TEdit>("dblocation")->Text(), Folder() + "databases/Tickets.dbf");
    EXPECT_EQ(window.quickstart->Lines().Text(), "No file found!\r\n");
    EXPECT_EQ(window.sb_panel->Panels().Items(5)->Text(), Folder());
    ASSERT_EQ(opened_.size(), 1u);  // the web site, once
    EXPECT_EQ(opened_[0].Target, kMakerWebSite);
    EXPECT_EQ(Ini().ReadString("Settings", "CurrVer", ""), "1.0.0.0");
    EXPECT_TRUE(window.startuptimer->Enabled());

    PostStart();
    EXPECT_FALSE(window.startuptimer->Enabled());
    EXPECT_EQ(window.Caption(), std::string(IsAdministrator() ? "^" : "") + "Zentivor\xAE 1.0.0.0");
    script_->Answer(TModalResult::mrYes);  // "Are you sure?"
    CloseWindow();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0], "Are you sure?");

    TIniFile ini = Ini();
    EXPECT_EQ(ini.ReadString("Position", "FullSize", ""), "No");
    EXPECT_EQ(ini.ReadString("Position", "Width", ""), "940");
    EXPECT_EQ(ini.ReadString("Position", "Height", ""), "740");
    EXPECT_EQ(ini.ReadString("Settings", "ProjectPanelWidth", ""), "200");
    EXPECT_EQ(ini.ReadString("SavedSession", "ActivePage", ""), "0");
    EXPECT_EQ(ini.ReadString("SavedSession", "FilterOperation", ""), "=");
    for (const char* layout : {"productgrd.dat", "projectgrd.dat", "maingrd.dat", "subgrd.dat", "listgrd.dat",
                               "contactgrd.dat", "workgrd.dat", "codegrd.dat"}) {
        EXPECT_TRUE(FileExists(PathOf(layout))) << layout;
    }
    EXPECT_TRUE(FileExists(PathOf("note.dat")));
    EXPECT_FALSE(window.maindb->Active());
    EXPECT_TRUE(window.workdb->Active());  // closes with the window

    // The web site opens on the first start only.
    FreeWindow();
    Start();
    EXPECT_EQ(opened_.size(), 1u);
}

TEST_F(StartUp, UnreadableLayoutFileIsSkippedAndShutDownWritesAGoodOne)
{
    MakeDataFolders();
    MakeAllTables();
    Ini().WriteString("Settings", "OpenSite", "1");
    Ini().WriteString("Settings", "AskExit", "0");
    // A layout as the program writes it, cut off in the middle (a write that never ended).
    Start();
    const std::string good = window_->maingrid->Columns().SaveToText();
    FreeWindow();
    const std::string truncated = good.substr(0, good.size() / 2);

    for (const std::string& damaged : {std::string("\x01\x02garbage\xFF{"), truncated}) {
        SCOPED_TRACE(damaged.substr(0, 8));
        WriteFile("maingrd.dat", damaged);
        WriteFile("note.dat", "notes\r\n");
        script_->ClearRecords();
        Tmainfrm& window = Start();
        EXPECT_TRUE(Boxes().empty()) << Boxes().front();
        // The grid keeps its default columns, one per field in table order.
        ASSERT_EQ(window.maingrid->Columns().Count(), window.maindb->FieldCount());
        EXPECT_EQ(window.maingrid->Columns().Items(0)->FieldName(), "TICKETID");
        EXPECT_EQ(window.maingrid->Columns().State(), TDBGridColumnsState::csDefault);
        // The rest of the start-up ran.
        EXPECT_EQ(window.note->Lines().Text(), "notes\r\n");
        EXPECT_TRUE(window.startuptimer->Enabled());
        EXPECT_TRUE(window.LoadedState().Panels);
        PostStart();
        EXPECT_TRUE(window.LoadedState().Session);
        CloseWindow();
        FreeWindow();
        // Shut-down replaced the damaged file by one that reads back.
        Tmainfrm& again = Start();
        EXPECT_TRUE(Boxes().empty()) << Boxes().front();
        EXPECT_EQ(again.maingrid->Columns().Count(), again.maindb->FieldCount());
        EXPECT_EQ(ReadFile("maingrd.dat"), again.maingrid->Columns().SaveToText());
        FreeWindow();
    }
}

TEST_F(StartUp, ShippedLayoutFilesLeadWithTheColumnsAUserReadsFirst)
{
    MakeDataFolders();
    MakeAllTables();
    Ini().WriteString("Settings", "OpenSite", "1");
    for (const char* name : kGridLayoutFiles) {
        const std::filesystem::path shipped = std::filesystem::path(ZV_STAGE_DIR) / name;
        ASSERT_TRUE(std::filesystem::exists(shipped)) << shipped;
        std::filesystem::copy_file(shipped, PathOf(name));
    }
    Tmainfrm& window = Start();
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    struct TCase {
        TDBGrid* Grid;
        int FieldCount;
        std::vector<std::string> Leading;
    };
    const TCase cases[] = {
        {window.maingrid, window.maindb->FieldCount(),
         {"FLAG", "A", "TICKETID", "SUBJECT", "STATUS", "PRIORITY", "SEVERITY", "VERSION", "REPORTEDON", "ASSIGNED"}},
        {window.subgrid, window.subdb->FieldCount(), {"SUBID", "SUBJECT", "STATUS"}},
        {window.productgrid, window.appsdb->FieldCount(), {"NAME", "VERSION", "TYPE"}},
        {window.projectgrid, 2, {"NAME", "VERSION"}},
        {window.listgrid, window.listdb->FieldCount(), {"LISTNAME", "LISTITEM"}},
        {window.contactgrid, window.contactdb->FieldCount(), {"NAME", "COMPANY"}},
        {window.workgrid, window.workdb->FieldCount(), {"TICKETID", "SUBTICKET", "ASSIGNED"}},
        {window.codegrid, window.codedb->FieldCount(), {"APPNAME", "LEGALSTAT"}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Grid->Name());
        TDBGridColumns& columns = test.Grid->Columns();
        // Every field once: the leading columns, then the rest.
        ASSERT_EQ(columns.Count(), test.FieldCount);
        for (size_t i = 0; i < test.Leading.size(); ++i) {
            EXPECT_EQ(columns.Items(static_cast<int>(i))->FieldName(), test.Leading[i]);
        }
        EXPECT_EQ(columns.Items(0)->Font().Name(), "DejaVu Sans");
    }
    // The files read back as the program writes them.
    for (size_t i = 0; i < window.Grids().size(); ++i) {
        EXPECT_EQ(window.Grids()[i]->Columns().SaveToText(), ReadFile(kGridLayoutFiles[i])) << kGridLayoutFiles[i];
    }
    // The state icon column is narrow and its title blank.
    EXPECT_LE(window.maingrid->Columns().Items(0)->Width(), 24);
    EXPECT_EQ(window.maingrid->Columns().Items(3)->Width(), 260);
}

TEST_F(StartUp, MissingTablesAreReportedInOrder)
{
    MakeDataFolders();
    MakeTables({"product.dbf"});
    Tmainfrm& window = Start();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{
                           "Database connection failed! (TICKETDB)", "Database connection failed! (SUBDB)",
                           "Database connection failed! (LISTSDB)", "Database connection failed! (CONTACTSDB)",
                           "Database connection failed! (WORKTIMEDB)", "Database connection failed! (CODEDB)"}));
    EXPECT_TRUE(window.appsdb->Active());
    EXPECT_FALSE(window.maindb->Active());
}

TEST_F(StartUp, WithoutTheProjectTableNoTableOpens)
{
    MakeDataFolders();
    MakeAllTables();
    std::filesystem::remove(PathOf("databases/product.dbf"));
    Tmainfrm& window = Start();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Database connection failed! (PRODUCTDB)"}));
    for (TXbSmartDBF* table : window.Tables()) {
        EXPECT_FALSE(table->Active()) << table->Name();
    }
    EXPECT_TRUE(window.LoadedState().Layouts);  // the start-up went on
}

TEST_F(StartUp, TableNamesAreMatchedWithoutRegardToLetterCase)
{
    MakeDataFolders();
    MakeAllTables();
    std::filesystem::rename(PathOf("databases/Tickets.dbf"), PathOf("databases/TICKETS.DBF"));
    std::filesystem::rename(PathOf("databases/Tickets.dbt"), PathOf("databases/TICKETS.DBT"));
    Tmainfrm& window = Start();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(window.maindb->Active());
}

TEST_F(StartUp, MissingFoldersAreNoFolders)
{
    Start();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Database location incorrect!", "Backup folder location incorrect!",
                                                 "Attachment folder location incorrect!",
                                                 "Database connection failed! (PRODUCTDB)"}));
    EXPECT_EQ(DatabaseFolder, "");
    EXPECT_EQ(AttachmentFolder, "");
    // An empty folder never becomes the root.
    EXPECT_EQ(FileInFolder(AttachmentFolder, "etc/passwd"), "");
}

TEST_F(StartUp, FoldersOfAnotherConnectionAreTakenAsTheyStand)
{
    MakeDataFolders();
    MakeAllTables();
    {
        TIniFile ini = Ini();
        ini.WriteString("Database", "Connection", "1");
        ini.WriteString("Database", "DbaseLoc", Folder() + "databases");
        ini.WriteString("Database", "BackupLoc", "no-such-folder-here");
        ini.WriteString("Database", "AttachLoc", "");
    }
    Tmainfrm& window = Start();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Backup folder location incorrect!",
                                                 "Attachment folder location incorrect!"}));
    EXPECT_EQ(DatabaseFolder, Folder() + "databases");
    EXPECT_TRUE(window.maindb->Active());
}

TEST_F(StartUp, MessageTableComesFromTheLanguageFile)
{
    struct Case {
        const char* Setting;
        const char* FileName;  // written into language/ (empty: none)
        int Lines;             // of that file
        bool RemoveEnglish;
        std::string Line3;
        std::string Updater;
    };
    const Case cases[] = {
        {"", "", 0, false, "Are you sure?", "Error! ZEZIvuredizOriruri.exe is missing!"},
        {"missing.mes", "", 0, false, "Are you sure?", "Error! ZEZIvuredizOriruri.exe is missing!"},
        {"custom.mes", "CUSTOM.MES", 63, false, "line 3", "line 62"},
        {"custom.mes", "Custom.mes", 10, false, "line 3", "line 8"},
        {"", "", 0, true, "Are you sure?", "Error! ZEZIvuredizOriruri.exe is missing!"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.Setting + std::string("/") + test.FileName);
        std::filesystem::remove_all(PathOf("language"));
        std::filesystem::create_directories(PathOf("language"));
        if (!test.RemoveEnglish) {
            std::filesystem::copy_file(std::string(ZV_SOURCE_DIR) + "/resources/language/English.mes",
                                       PathOf("language/English.mes"));
        }
        if (*test.FileName != 0) {
            std::string text;
            for (int i = 0; i < test.Lines; ++i) {
                text += "line " + std::to_string(i) + "\r\n";
            }
            WriteFile(std::string("language/") + test.FileName, text);
        }
        Ini().WriteString("Settings", "LanguageMes", test.Setting);
        Tmainfrm& window = Start();
        EXPECT_EQ(window.Message(3), test.Line3);
        EXPECT_EQ(window.MissingUpdaterMessage(), test.Updater);
        EXPECT_EQ(window.Message(9999), "");
        if (test.RemoveEnglish) {
            EXPECT_EQ(window.messages->Lines().Count(), 62);
        }
        FreeWindow();
    }
}

TEST_F(StartUp, MissingUpdaterShowsTheMessageOfTheTable)
{
    MakeDataFolders();
    MakeAllTables();
    Ini().WriteString("Settings", "CheckUpdate", "1");
    Ini().WriteString("Settings", "OpenSite", "1");
    Start();
    PostStart();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Error! ZEZIvuredizOriruri.exe is missing!"}));
    EXPECT_TRUE(opened_.empty());

    WriteFile("ZEZIvuredizOriruri.exe", "");
    Start();
    PostStart();
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].Target, PathOf("ZEZIvuredizOriruri.exe"));
    EXPECT_EQ(opened_[0].Parameters, "/CHECK /SILENT");
}

TEST_F(StartUp, ReadsItsVersionFromItsOwnFileAndShowsItsNotificationAreaIcon)
{
    MakeDataFolders();
    MakeAllTables();
    Tmainfrm& window = Start();
    // The program file carries the version block the build made from the project's version;
    // so does the tracker itself.
    TGtVersionInfo staged(nullptr);
    staged.SetFileName(std::string(ZV_STAGE_DIR) + "/zentivor");
    const std::string version = GetProgramVersion();
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(window.GtVersionInfo1->FileVersion(), version);
    EXPECT_EQ(staged.FileVersion(), version);
    EXPECT_EQ(version, std::to_string(staged.MajorVersion()) + "." + std::to_string(staged.MinorVersion()) + "." +
                           std::to_string(staged.Release()) + "." + std::to_string(staged.Build()));
    EXPECT_EQ(staged.ProductName(), "Zentivor");
    EXPECT_EQ(Ini().ReadString("Settings", "CurrVer", ""), version);

    // The icon is in the notification area with its hint; its menu and balloon are the design's.
    ASSERT_FALSE(tray_.Calls.empty());
    EXPECT_EQ(tray_.Calls[0].Message, NIM_ADD);
    EXPECT_EQ(tray_.Calls[0].Data.szTip, "Zentivor");
    EXPECT_FALSE(tray_.Calls[0].Data.hIcon.isNull());
    EXPECT_TRUE(window.trayicon->Visible());
    EXPECT_EQ(window.trayicon->PopupMenu(), window.FindComponent("traypopup"));
    EXPECT_TRUE(static_cast<bool>(window.trayicon->OnBalloonClick));
    window.ShowTrayBalloon("Mind the manifest");
    ASSERT_EQ(Balloons(), std::vector<std::string>{"Mind the manifest"});
    EXPECT_EQ(tray_.Calls.back().Data.szInfoTitle, "Zentivor message");
    EXPECT_EQ(tray_.Calls.back().Data.dwInfoFlags, NIIF_WARNING);
}

TEST_F(StartUp, WithoutANotificationAreaTheProgramStartsAllTheSame)
{
    tray_.Present = false;
    MakeDataFolders();
    MakeAllTables();
    Tmainfrm& window = Start();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(window.trayicon->Visible());
    EXPECT_TRUE(window.maindb->Active());
    window.ShowTrayBalloon("nobody sees this");
    EXPECT_TRUE(Balloons().empty());
}

TEST_F(StartUp, WindowsVersionHints)
{
    struct Case {
        TOSVersionInfo Os;
        const char* UseManifest;      // "" = key absent
        const char* UseManifestAuto;
        std::string Name;
        std::vector<std::string> Balloons;
        std::vector<std::string> Boxes;
        const char* ManifestAfter;
    };
    const std::string xpHint = "It seems that you use incorrect manifest setting on XP. It is highly recommended to "
                               "check the special manifest setting on the Settings/Special tab!";
    const std::string vistaHint = "It seems that you use incorrect manifest setting on Vista. It is highly "
                                  "recommended to check the special manifest setting on the Settings/Special tab!";
    const std::string activated = "Special manifest setting required by Windows Vista operating system has been "
                                  "activated. You can disable this function on the Setting/Special tab later if needed.";
    const Case cases[] = {
        {{148, 5, 1, 0, 2, ""}, "1", "", "WinXP", {xpHint}, {}, "1"},
        {{148, 5, 1, 0, 2, ""}, "0", "", "WinXP", {}, {}, "0"},
        {{148, 6, 0, 0, 2, ""}, "", "", "WinVista", {}, {activated}, "1"},
        {{148, 6, 0, 0, 2, ""}, "0", "1", "WinVista", {vistaHint}, {}, "0"},
        {{148, 5, 0, 0, 2, ""}, "1", "", "Win2000", {}, {}, "1"},
        {{148, 5, 2, 0, 2, ""}, "1", "", "Unknown", {}, {}, "1"},
        {{148, 4, 10, 0, 1, " A"}, "", "", "Win98SE", {}, {}, ""},
        {{148, 4, 10, 0, 1, ""}, "", "", "Win98", {}, {}, ""},
        {{148, 4, 90, 0, 1, ""}, "", "", "WinME", {}, {}, ""},
        {{148, 4, 0, 0, 2, ""}, "", "", "WinNT", {}, {}, ""},
    };
    MakeDataFolders();
    MakeAllTables();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.Name);
        std::filesystem::remove(PathOf("Ovralun.ini"));
        TIniFile ini = Ini();
        ini.WriteString("Settings", "OpenSite", "1");
        if (*test.UseManifest != 0) {
            ini.WriteString("Settings", "UseManifest", test.UseManifest);
        }
        if (*test.UseManifestAuto != 0) {
            ini.WriteString("Settings", "UseManifestAuto", test.UseManifestAuto);
        }
        SetVersionExRecord(test.Os);
        Start();
        script_->ClearRecords();
        PostStart();
        EXPECT_EQ(OsName, test.Name);
        EXPECT_EQ(Balloons(), test.Balloons);
        tray_.Calls.clear();
        EXPECT_EQ(Boxes(), test.Boxes);
        EXPECT_EQ(ini.ReadString("Settings", "UseManifest", ""), test.ManifestAfter);
        FreeWindow();
    }
    // This system's own record: a newer system than the hints know, so they stay silent.
    SetVersionExRecord(std::nullopt);
    Start();
    PostStart();
    EXPECT_EQ(OsName, "Unknown");
    EXPECT_TRUE(Balloons().empty());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(StartUp, PostStartCountsTheProjectsOpenTicketsAndListsEveryTicketsProject)
{
    constexpr int P_NAME = static_cast<int>(TProductField::NAME);
    constexpr int T_ID = static_cast<int>(TTicketField::TICKETID);
    constexpr int T_PRODUCT = static_cast<int>(TTicketField::PRODUCT);
    constexpr int T_STATUS = static_cast<int>(TTicketField::STATUS);
    constexpr int T_COMPLETED = static_cast<int>(TTicketField::COMPLETED);
    MakeDataFolders();
    MakeAllTables();
    FillTable(PathOf("databases/product.dbf"), TTrackerTable::Products,
              {{{P_NAME, "Alpha"}}, {{P_NAME, "Beta"}}, {{P_NAME, "Quiet"}}, {{P_NAME, ""}}});
    auto ticket = [&](const char* id, const char* project, bool completed) {
        return TRow{{T_ID, id}, {T_PRODUCT, project}, {T_STATUS, completed ? "Closed" : "Open"},
                    {T_COMPLETED, completed ? "T" : "F"}};
    };
    const std::vector<TRow> tickets = {
        ticket("A1", "Alpha", false),   ticket("A2", "Alpha", true),  ticket("A3", "Alpha", false),
        ticket("G1", "Gamma", false),   ticket("D1", "Delta", false), ticket("A4", "Alpha", false),
        ticket("L1", "Alpha 2", false), ticket("N1", "", false),      ticket("B1", "Beta", true),
    };
    auto writeTickets = [&](bool withTickets) {
        MakeTables({"Tickets.dbf"});
        if (!withTickets) {
            return;
        }
        FillTable(PathOf("databases/Tickets.dbf"), TTrackerTable::Tickets, tickets);
        // A3 and D1 deleted: a deleted ticket neither counts nor brings its project.
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, TrackerTableLayout(TTrackerTable::Tickets).Enciphered);
        table.DBFFileName = PathOf("databases/Tickets.dbf");
        table.Open();
        for (int recNo : {5, 3}) {
            table.SetRecNo(recNo);
            table.Delete();
        }
        table.Close();
    };
    struct TCase {
        const char* Name;
        bool Tickets;
        const char* ProductId;  // the project of the last session, by record number
        const char* SavedFilter;  // "" = none saved
        const char* Open;
        const char* FilterAfter;
        std::vector<std::string> EditorList;
    };
    const std::vector<std::string> everyProject = {"Alpha", "Beta", "Quiet", "Gamma", "Alpha 2"};
    const TCase cases[] = {
        {"unfiltered", true, "1", "", "2", "PRODUCT='Alpha'", everyProject},
        {"a saved filter of the project", true, "1", "PRODUCT='Alpha' and STATUS='Open'", "2",
         "PRODUCT='Alpha' and STATUS='Open'", everyProject},
        {"a saved filter of another column only", true, "1", "STATUS='Closed'", "2", "STATUS='Closed'",
         everyProject},
        {"a saved filter without a project", true, "1", "PRODUCT=''", "2", "PRODUCT='Alpha'", everyProject},
        {"a project whose tickets are completed", true, "2", "", "0", "PRODUCT='Beta'", everyProject},
        {"a project without tickets", true, "3", "STATUS='Open'", "0", "STATUS='Open'", everyProject},
        {"a project without a name", true, "4", "PRODUCT=''", "0", "PRODUCT=''", everyProject},
        {"no tickets", false, "1", "STATUS='Open'", "0", "STATUS='Open'", {"Alpha", "Beta", "Quiet"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        writeTickets(c.Tickets);
        TIniFile ini = Ini();
        ini.WriteString("Settings", "OpenSite", "1");
        ini.WriteString("SavedSession", "ProductID", c.ProductId);
        ini.WriteString("SavedSession", "FilterString", c.SavedFilter);
        ini.WriteString("SavedSession", "FilteredState", c.SavedFilter[0] != '\0' ? "1" : "0");
        Tmainfrm& window = Start();
        // The project editor, created as the program creates it.
        auto editor = std::make_unique<Tproductfrm>(&TestApplication());
        productfrm = editor.get();
        PostStart();
        EXPECT_TRUE(Boxes().empty()) << Boxes().front();
        EXPECT_EQ(window.Get<TEdit>("openticket")->Text(), c.Open);
        EXPECT_EQ(window.maindb->Filter(), c.FilterAfter);
        std::vector<std::string> listed;
        for (int i = 0; i < editor->product->Items().Count(); ++i) {
            listed.push_back(editor->product->Items()[i]);
        }
        EXPECT_EQ(listed, c.EditorList);
        EXPECT_EQ(editor->product->ComboWidget()->count(), static_cast<int>(c.EditorList.size()));  // shown too

        // The counter of the running window agrees, and keeps the filter it found.
        window.Get<TEdit>("openticket")->SetText("");
        window.CountOpenTickets();
        EXPECT_EQ(window.Get<TEdit>("openticket")->Text(), c.Open);
        EXPECT_EQ(window.maindb->Filter(), c.FilterAfter);
        editor.reset();
        FreeWindow();
    }
}

}  // namespace
