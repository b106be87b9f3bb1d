// The start-up backup, the saved session and the two shut-down paths.
#include "AppTestSupport.h"

#include "app/Settings.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/rtl/Files.h"

#include <QTimer>

#include <filesystem>

namespace {

class SavedState : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
    }

    // Appends records to a table of the database folder, one per list of field texts.
    void AddRecords(const std::string& fileName, bool enciphered, const std::vector<std::vector<std::string>>& records)
    {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, enciphered);
        table.DBFFileName = PathOf("databases/" + fileName);
        table.Open();
        for (const auto& record : records) {
            table.Append();
            for (size_t i = 0; i < record.size(); ++i) {
                table.Fields().Fields(static_cast<int>(i))->SetAsString(record[i]);
            }
            table.Post();
        }
        table.Close();
    }
};

TEST_F(SavedState, BackupIsMadeWhenTheCounterReachesTheFrequency)
{
    AddRecords("Tickets.dbf", false, {{"#QZ#1", "Alpha", "1.0"}});
    // One run without backups leaves the grid layouts beside the program.
    Ini().WriteString("Settings", "AskExit", "0");
    Start();
    CloseWindow();
    FreeWindow();
    ASSERT_TRUE(FileExists(PathOf("maingrd.dat")));
    Ini().WriteString("Settings", "SetBackup", "1");
    Ini().WriteString("Settings", "BackupFreq", "3");
    const std::vector<std::string> counters = {"1", "2", "3", "1", "2"};
    for (size_t start = 0; start < counters.size(); ++start) {
        SCOPED_TRACE(start + 1);
        Start();
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(Ini().ReadString("Database", "NeedBackup", ""), counters[start]);
        // The backup comes on the fourth start, the one that reads 3.
        EXPECT_EQ(FileExists(PathOf("backup/Tickets.dbf")), start >= 3);
        FreeWindow();
    }
    for (const char* name : {"Tickets.dbf", "Tickets.dbt", "product.dbf", "Code.dbf", "Contacts.dbt", "Worktime.dbf"}) {
        EXPECT_EQ(ReadFile(std::string("backup/") + name), ReadFile(std::string("databases/") + name)) << name;
    }
    EXPECT_EQ(ReadFile("backup/maingrd.dat"), ReadFile("maingrd.dat"));
    EXPECT_NE(ReadFile("backup/Trevasso.ini").find("NeedBackup=0"), std::string::npos);
    EXPECT_FALSE(FileExists(PathOf("backup/Ovralun.ini")));
}

TEST_F(SavedState, LoweredOrZeroFrequencyStillMakesBackups)
{
    Ini().WriteString("Settings", "SetBackup", "1");
    struct Case {
        const char* Counter;
        const char* Frequency;
        bool Backup;
    };
    for (const Case& test : {Case{"10", "3", true}, Case{"1", "0", true}, Case{"1", "-5", true}, Case{"2", "3", false}}) {
        SCOPED_TRACE(std::string(test.Counter) + "/" + test.Frequency);
        std::filesystem::remove_all(PathOf("backup"));
        std::filesystem::create_directories(PathOf("backup"));
        Ini().WriteString("Database", "NeedBackup", test.Counter);
        Ini().WriteString("Settings", "BackupFreq", test.Frequency);
        Start();
        EXPECT_EQ(FileExists(PathOf("backup/Tickets.dbf")), test.Backup);
        FreeWindow();
    }
}

TEST_F(SavedState, BackupFolderThatCannotBeMadeStopsStartUpAndShutDownKeepsSavedState)
{
    std::filesystem::remove_all(PathOf("backup"));
    TIniFile ini = Ini();
    ini.WriteString("Settings", "SetBackup", "1");
    ini.WriteString("Settings", "ProjectPanelWidth", "321");
    ini.WriteString("Settings", "AskExit", "0");
    ini.WriteString("SavedSession", "FilterString", "STATUS='Open'");
    ini.WriteString("SavedSession", "ActivePage", "4");
    ini.WriteString("SavedSession", "ProductID", "7");
    WriteFile("note.dat", "my notes\r\n");
    WriteFile("maingrd.dat", "saved layout");
    const std::string before = ReadFile("Ovralun.ini");

    Tmainfrm& window = Start();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Backup folder location incorrect!", "Exception: Cannot create  "}));
    EXPECT_FALSE(window.maindb->Active());
    EXPECT_FALSE(window.startuptimer->Enabled());
    CloseWindow();

    EXPECT_EQ(ReadFile("note.dat"), "my notes\r\n");
    EXPECT_EQ(ReadFile("maingrd.dat"), "saved layout");
    EXPECT_EQ(ini.ReadString("Settings", "ProjectPanelWidth", ""), "321");
    EXPECT_EQ(ini.ReadString("SavedSession", "FilterString", ""), "STATUS='Open'");
    EXPECT_EQ(ini.ReadString("SavedSession", "ActivePage", ""), "4");
    EXPECT_EQ(ini.ReadString("SavedSession", "ProductID", ""), "7");
    EXPECT_EQ(ini.ReadString("Position", "Width", ""), "940");  // the placement was read, so it is saved
    (void)before;
}

TEST_F(SavedState, TableHeldByAnotherProgramStopsStartUpWithoutLosingLayouts)
{
    WriteFile("maingrd.dat", "saved layout");
    WriteFile("note.dat", "notes\r\n");
    Ini().WriteString("Settings", "AskExit", "0");
    TXbSmartDBF holder(nullptr);
    ConfigureTrackerTable(holder, false);
    holder.DBFFileName = PathOf("databases/Lists.dbf");
    holder.Open();  // exclusive: the tracker cannot open it

    Tmainfrm& window = Start();
    ASSERT_FALSE(Boxes().empty());
    EXPECT_TRUE(window.maindb->Active());
    EXPECT_FALSE(window.listdb->Active());
    EXPECT_FALSE(window.LoadedState().Layouts);
    CloseWindow();
    EXPECT_EQ(ReadFile("maingrd.dat"), "saved layout");
    EXPECT_EQ(ReadFile("note.dat"), "notes\r\n");
    holder.Close();
}

TEST_F(SavedState, SessionIsRestoredAfterARestart)
{
    AddRecords("product.dbf", false, {{"Alpha", "1.0"}, {"Beta", "2.0"}, {"Gamma", "3.0"}});
    AddRecords("Tickets.dbf", false, {{"#QZ#1", "Beta", "2.0"}, {"#QZ#2", "Alpha", "1.0"}});
    Ini().WriteString("Settings", "AskExit", "0");
    {
        Tmainfrm& window = Start();
        PostStart();
        window.appsdb->SetRecNo(2);
        window.tabs->SetActivePageIndex(3);
        window.maindb->SetFilter("PRODUCT='Beta'");
        window.maindb->SetFiltered(true);
        window.operation->SetItemIndex(2);
        window.note->Lines().Add("remember the milk");
        window.leftprojectspanel->SetWidth(260);
        CloseWindow();
        FreeWindow();
    }
    TIniFile ini = Ini();
    EXPECT_EQ(ini.ReadString("SavedSession", "ProductID", ""), "2");
    EXPECT_EQ(ini.ReadString("SavedSession", "ActivePage", ""), "3");
    EXPECT_EQ(ini.ReadString("SavedSession", "FilterString", ""), "PRODUCT='Beta'");
    EXPECT_EQ(ini.ReadString("SavedSession", "FilteredState", ""), "1");
    EXPECT_EQ(ini.ReadString("SavedSession", "FilterOperation", ""), ">=");
    EXPECT_EQ(ini.ReadString("Settings", "ProjectPanelWidth", ""), "260");

    Tmainfrm& window = Start();
    EXPECT_EQ(window.appsdb->RecNo(), 2);
    EXPECT_EQ(window.sb_panel->Panels().Items(4)->Text(), "PROJECT: Beta");
    EXPECT_TRUE(window.maindb->Filtered());
    EXPECT_EQ(window.maindb->RecordCount() >= 1, true);
    EXPECT_EQ(window.maindb->Fields().Fields(0)->AsString(), "#QZ#1");
    EXPECT_EQ(window.note->Lines().Text(), "remember the milk\r\n");
    EXPECT_EQ(window.leftprojectspanel->Width(), 260);
    PostStart();
    EXPECT_EQ(window.tabs->ActivePageIndex(), 3);
    EXPECT_EQ(window.operation->Text(), ">=");
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Beta'");
}

TEST_F(SavedState, AnsweringNoWritesNothing)
{
    WriteFile("note.dat", "old\r\n");
    Tmainfrm& window = Start();
    PostStart();
    window.note->Lines().Text();
    window.note->Lines().Add("new line");
    window.tabs->SetActivePageIndex(5);
    const std::string settings = ReadFile("Ovralun.ini");

    script_->Answer(TModalResult::mrNo);
    CloseWindow();
    script_->Answer(TModalResult::mrNo);
    window.btn_exitClick(nullptr);

    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Are you sure?", "Are you sure?"}));
    EXPECT_EQ(ReadFile("Ovralun.ini"), settings);
    EXPECT_EQ(ReadFile("note.dat"), "old\r\n");
    EXPECT_FALSE(FileExists(PathOf("maingrd.dat")));
    EXPECT_TRUE(window.maindb->Active());
}

TEST_F(SavedState, ExitCommandSavesWithoutPanelSizes)
{
    Ini().WriteString("Settings", "AskExit", "0");
    Tmainfrm& window = Start();
    PostStart();
    window.SetBounds(10, 20, 800, 600);
    window.btn_exitClick(nullptr);
    TIniFile ini = Ini();
    EXPECT_EQ(ini.ReadString("Position", "Left", ""), "10");
    EXPECT_EQ(ini.ReadString("Position", "Width", ""), "800");
    EXPECT_EQ(ini.ReadString("Position", "SubHeight", "absent"), "absent");
    EXPECT_EQ(ini.ReadString("Position", "LeftWidth", "absent"), "absent");
    EXPECT_TRUE(FileExists(PathOf("maingrd.dat")));
    EXPECT_FALSE(window.maindb->Active());
    // Leave the shared application running for the other tests.
    TestApplication().ProcessMessages();
}

TEST_F(SavedState, ExitCommandAsksOnceAndEndsTheProgramWithoutTheCloseHandler)
{
    WriteFile("note.dat", "old\r\n");
    Tmainfrm& window = Start();
    PostStart();
    window.note->Lines().Add("exit note");
    window.Show();
    // Two answers, so that a second question cannot keep the loop running.
    script_->Answer(TModalResult::mrYes);
    script_->Answer(TModalResult::mrYes);
    QTimer::singleShot(0, [&window] { window.btn_exitClick(nullptr); });
    TestApplication().Run();
    TestApplication().ResetTerminated();

    EXPECT_EQ(Boxes(), std::vector<std::string>{"Are you sure?"});
    EXPECT_EQ(script_->Pending(), 1u);
    EXPECT_FALSE(window.maindb->Active());
    EXPECT_EQ(ReadFile("note.dat").substr(0, 5), "old\r\n");
    EXPECT_NE(ReadFile("note.dat").find("exit note"), std::string::npos);
    // The close handler would have written the panel sizes.
    EXPECT_EQ(Ini().ReadString("Position", "SubHeight", "absent"), "absent");
}

TEST_F(SavedState, FailedHandlerCancelsThePendingAppend)
{
    // A ticket table with fewer fields than the layout the handlers write by position.
    std::filesystem::remove(PathOf("databases/Tickets.dbf"));
    std::filesystem::remove(PathOf("databases/Tickets.dbt"));
    {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, false);
        table.DBFFileName = PathOf("databases/Tickets.dbf");
        table.DBFFieldDefs().Add("TICKETID", 'C', 20);
        table.DBFFieldDefs().Add("PRODUCT", 'C', 50);
        table.CreateTable();
    }
    Tmainfrm& window = Start();
    ASSERT_TRUE(window.maindb->Active());
    auto save = [&window] {
        window.maindb->Append();
        window.maindb->Fields().Fields(0)->SetAsString("#QZ#9");
        window.maindb->Fields().Fields(1)->SetAsString("Alpha");
        window.maindb->Fields().Fields(4)->SetAsString("subject");  // no such field
        window.maindb->Post();
    };
    EXPECT_THROW(window.RunHandler(save), EListError);
    EXPECT_EQ(window.maindb->State(), TDataSetState::dsBrowse);
    // The next save posts its own record only.
    window.RunHandler([&window] {
        window.maindb->Append();
        window.maindb->Fields().Fields(0)->SetAsString("#QZ#10");
        window.maindb->Post();
    });
    EXPECT_EQ(window.maindb->RecordCount(), 1);
    window.maindb->First();
    EXPECT_EQ(window.maindb->Fields().Fields(0)->AsString(), "#QZ#10");

    // The catch-all of the start-up routines shows the error and cancels the same way.
    script_->ClearRecords();
    EXPECT_FALSE(window.RunCatchAll(save));
    EXPECT_EQ(window.maindb->State(), TDataSetState::dsBrowse);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].substr(0, 12), "EListError: ");
}

}  // namespace
