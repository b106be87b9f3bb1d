// The main road of the tracker: start on an empty database, add a project version, add a
// ticket through the main window's Add command and the editor, see it in the grid, quit,
// start again and find it there.

#include "AppTestSupport.h"

#include "app/Unit4.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/DBGrids.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace {

class TicketRoad : public ProgramFolderTest {
protected:
    void TearDown() override
    {
        editor.reset();
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
    std::unique_ptr<Tmainissuefrm> editor;
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

}  // namespace
