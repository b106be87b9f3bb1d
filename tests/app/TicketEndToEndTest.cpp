// The main road of the tracker: start on an empty database, add a project version, add a
// ticket through the main window's Add command and the editor, see it in the grid, quit,
// start again and find it there.

#include "AppTestSupport.h"

#include "app/Unit4.h"
#include "app/Unit7.h"
#include "app/Unit8.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/DBGrids.h"

#include <QTimer>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

class TicketRoad : public ProgramFolderTest {
protected:
    void TearDown() override
    {
        FreeEditors();
        ProgramFolderTest::TearDown();
    }
    void AddProjectVersion(const std::string& name, const std::string& version)
    {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, false);
        table.DBFFileName = PathOf("databases/product.dbf");
        table.Open();
        table.Append();
        table.Fields().Fields(static_cast<int>(TProductField::NAME))->SetAsString(name);
        table.Fields().Fields(static_cast<int>(TProductField::VERSION))->SetAsString(version);
        table.Post();
        table.Close();
    }
    // The grid row (0 based, among the rows shown) whose cells hold `text`, or -1.
    static int GridRowWith(TDBGrid& grid, const std::string& text)
    {
        for (int row = 0; row < grid.RowCount(); ++row) {
            for (int column = 0; column < 8; ++column) {
                if (grid.CellText(row, column) == text) {
                    return row;
                }
            }
        }
        return -1;
    }
    // Starts the window with the ticket, project and list editors, past the post-start step.
    Tmainfrm& StartWithEditors()
    {
        Tmainfrm& window = Start();
        PostStart();
        editor = std::make_unique<Tmainissuefrm>(nullptr);
        mainissuefrm = editor.get();
        projectEditor = std::make_unique<Tproductfrm>(&TestApplication());
        productfrm = projectEditor.get();
        listEditor = std::make_unique<Tlistfrm>(nullptr);
        listfrm = listEditor.get();
        return window;
    }
    void FreeEditors()
    {
        mainissuefrm = nullptr;
        productfrm = nullptr;
        listfrm = nullptr;
        editor.reset();
        projectEditor.reset();
        listEditor.reset();
    }
    // Adds a ticket through the TICKETS page's Add button and the editor.
    void AddTicket(Tmainfrm& window, const std::string& version, const std::string& subject)
    {
        bool filled = false;
        QTimer::singleShot(0, [&] {
            editor->cb_version->SetText(version);
            editor->ed_subject->SetText(subject);
            editor->btn_ok->Click();
            filled = true;
        });
        window.Get<TButton>("main_btn_add")->Click();
        ASSERT_TRUE(filled);
    }
    std::unique_ptr<Tmainissuefrm> editor;
    std::unique_ptr<Tproductfrm> projectEditor;
    std::unique_ptr<Tlistfrm> listEditor;
};

TEST_F(TicketRoad, AddedTicketShowsInTheGridAndSurvivesARestart)
{
    MakeDataFolders();
    MakeAllTables();
    AddProjectVersion("Tracker", "1.0");

    Tmainfrm& window = Start();
    ASSERT_TRUE(Boxes().empty()) << Boxes().front();
    editor = std::make_unique<Tmainissuefrm>(nullptr);
    mainissuefrm = editor.get();
    ASSERT_EQ(window.activeproduct->Text(), "Tracker");

    // The user fills the editor while it is shown and presses OK.
    std::vector<std::string> versionsOffered;
    bool filled = false;
    QTimer::singleShot(0, [&] {
        versionsOffered.clear();
        for (int i = 0; i < editor->cb_version->Items().Count(); ++i) {
            versionsOffered.push_back(editor->cb_version->Items()[i]);
        }
        editor->cb_version->SetText("1.0");
        editor->ed_subject->SetText("The first ticket");
        editor->btn_ok->Click();
        filled = true;
    });
    window.Get<TButton>("main_btn_add")->Click();
    ASSERT_TRUE(filled);
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_FALSE(editor->Visible());
    EXPECT_EQ(versionsOffered, std::vector<std::string>{"1.0"});
    EXPECT_EQ(editor->cb_product->Text(), "Tracker");
    ASSERT_EQ(window.maindb->RecordCount(), 1);
    EXPECT_GE(GridRowWith(*window.maingrid, "The first ticket"), 0);
    window.maindb->First();
    const std::string id = window.maindb->Fields().Fields(static_cast<int>(TTicketField::TICKETID))->AsString();
    EXPECT_FALSE(id.empty());

    script_->Answer(TModalResult::mrYes);  // "Are you sure?"
    CloseWindow();
    editor.reset();
    FreeWindow();

    Tmainfrm& again = Start();
    ASSERT_EQ(again.maindb->RecordCount(), 1);
    again.maindb->First();
    EXPECT_EQ(again.maindb->Fields().Fields(static_cast<int>(TTicketField::TICKETID))->AsString(), id);
    EXPECT_EQ(again.maindb->Fields().Fields(static_cast<int>(TTicketField::STATUS))->AsString(), "New (unconfirmed)");
    EXPECT_GE(GridRowWith(*again.maingrid, "The first ticket"), 0);
}

TEST_F(TicketRoad, FirstTicketOfANewDatabaseShowsAtOnceAndAfterARestart)
{
    MakeDataFolders();
    MakeAllTables();
    Ini().WriteString("Settings", "OpenSite", "1");
    Ini().WriteString("Settings", "AskExit", "0");
    // A first run on the empty database: nothing to do, quit.
    Start();
    PostStart();
    CloseWindow();
    FreeWindow();

    // The second run: the user adds a project version, then its first ticket.
    Tmainfrm& window = StartWithEditors();
    QTimer::singleShot(0, [&] {
        projectEditor->product->SetText("Tracker");
        projectEditor->version->SetText("1.0");
        projectEditor->releasetype->SetText("Release");
        projectEditor->btn_ok->Click();
    });
    window.Get<TControl>("btn_newproject")->Click();
    ASSERT_EQ(window.activeproduct->Text(), "Tracker");
    window.tabs->SetActivePageIndex(2);
    AddTicket(window, "1.0", "The very first ticket");
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_EQ(window.Get<TEdit>("openticket")->Text(), "1");
    EXPECT_EQ(window.maindb->RecordCount(), 1);
    EXPECT_GE(GridRowWith(*window.maingrid, "The very first ticket"), 0);
    CloseWindow();
    FreeEditors();
    FreeWindow();

    // And after a restart, before and after the post-start step restores the saved filter.
    Tmainfrm& again = Start();
    EXPECT_GE(GridRowWith(*again.maingrid, "The very first ticket"), 0);
    PostStart();
    EXPECT_GE(GridRowWith(*again.maingrid, "The very first ticket"), 0);
    EXPECT_EQ(again.Get<TEdit>("openticket")->Text(), "1");
}

TEST_F(TicketRoad, SavedFilterForAnEmptyProjectNameIsNotRestoredWhenProjectsExist)
{
    MakeDataFolders();
    MakeAllTables();
    AddProjectVersion("Tracker", "1.0");
    Ini().WriteString("Settings", "OpenSite", "1");
    // What a run on the empty database saved.
    Ini().WriteString("SavedSession", "FilterString", "PRODUCT=''");
    Ini().WriteString("SavedSession", "FilteredState", "1");
    Tmainfrm& window = Start();
    EXPECT_NE(window.maindb->Filter(), "PRODUCT=''");
    PostStart();
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Tracker'");
    EXPECT_TRUE(window.maindb->Filtered());
}

TEST_F(TicketRoad, QuickStartStepsWorkInTheirOrderOnAnEmptyDatabase)
{
    // The numbered steps of the quick-start text, in their order.
    std::ifstream file(std::string(ZV_SOURCE_DIR) + "/resources/program/quickstart.dat", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::vector<std::string> steps;
    const std::string source = text.str();
    // Each step starts in bold with its number, as in \b 1. Fill the pick lists.\b0
    for (size_t at = source.find("\\b "); at != std::string::npos; at = source.find("\\b ", at + 1)) {
        const size_t dot = source.find(". ", at);
        const size_t end = source.find("\\b0", at);
        const std::string number = source.substr(at + 3, dot == std::string::npos ? 0 : dot - at - 3);
        if (end != std::string::npos && dot < end && !number.empty() &&
            number.find_first_not_of("0123456789") == std::string::npos) {
            steps.push_back(source.substr(dot + 2, end - dot - 2));
        }
    }
    const auto position = [&steps](const std::string& start) {
        for (size_t i = 0; i < steps.size(); ++i) {
            if (steps[i].rfind(start, 0) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    const int lists = position("Fill the pick lists");
    const int project = position("Add a project");
    const int tickets = position("Add tickets");
    ASSERT_GE(lists, 0);
    // A project version needs a release type, which only the list step provides.
    EXPECT_LT(lists, project);
    EXPECT_LT(project, tickets);

    // Followed in that order on an empty database, each step saves.
    MakeDataFolders();
    MakeAllTables();
    Ini().WriteString("Settings", "OpenSite", "1");
    Tmainfrm& window = StartWithEditors();

    QTimer::singleShot(0, [&] {
        listEditor->listname->SetItemIndex(0);  // "Type"
        listEditor->listitem->SetText("Release");
        listEditor->btn_ok->Click();
    });
    window.Get<TControl>("btn_newlist")->Click();
    EXPECT_EQ(window.listdb->RecordCount(), 1);

    std::vector<std::string> releaseTypes;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < projectEditor->releasetype->Items().Count(); ++i) {
            releaseTypes.push_back(projectEditor->releasetype->Items()[i]);
        }
        projectEditor->product->SetText("Tracker");
        projectEditor->version->SetText("1.0");
        projectEditor->releasetype->SetItemIndex(0);
        projectEditor->btn_ok->Click();
        if (projectEditor->Visible()) {
            projectEditor->btn_cancel->Click();
        }
    });
    window.Get<TControl>("btn_newproject")->Click();
    EXPECT_EQ(releaseTypes, std::vector<std::string>{"Release"});
    ASSERT_EQ(window.appsdb->RecordCount(), 1);

    AddTicket(window, "1.0", "Following the quick start");
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_GE(GridRowWith(*window.maingrid, "Following the quick start"), 0);
}

}  // namespace
