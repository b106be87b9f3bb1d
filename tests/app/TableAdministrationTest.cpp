// The main window's table administration: packing from the grid popups (the filter kept, the
// count of the whole file reported), the column setup of a grid with its layout file written
// after OK and Cancel and read at the next start, and the record search of the ticket table.
#include "AppTestSupport.h"
#include "TicketEditorSupport.h"

#include "dbf/XbDBFDataSet.h"
#include "export/GtDBFindForm.h"
#include "export/GtDBGSet.h"
#include "export/GtDBGSetForm.h"
#include "platform/rtl/Files.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int L_NAME = static_cast<int>(TListField::LISTNAME);
constexpr int L_ITEM = static_cast<int>(TListField::LISTITEM);

template <class TWindow>
TWindow* ShownWindow()
{
    for (int i = 0; i < Screen->FormCount(); ++i) {
        if (auto* window = dynamic_cast<TWindow*>(Screen->Forms(i)); window != nullptr && window->Visible()) {
            return window;
        }
    }
    return nullptr;
}

// Clicks the menu item `name` while `drive` acts on the modal window it shows.
template <class TWindow>
void ClickDriven(Tmainfrm& main, const char* name, const std::function<void(TWindow&)>& drive)
{
    bool shown = false;
    QTimer::singleShot(0, [&] {
        TWindow* window = ShownWindow<TWindow>();
        shown = window != nullptr;
        if (window != nullptr) {
            drive(*window);
        }
    });
    main.Get<TMenuItem>(name)->Click();
    EXPECT_TRUE(shown) << name;
}

class TableAdministration : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
        FillTable(PathOf("databases/Lists.dbf"), TTrackerTable::Lists,
                  {
                      {{L_NAME, "Type"}, {L_ITEM, "Bug"}},
                      {{L_NAME, "Priority"}, {L_ITEM, "High"}},
                      {{L_NAME, "Type"}, {L_ITEM, "Feature"}},
                      {{L_NAME, "Priority"}, {L_ITEM, "Low"}},
                      {{L_NAME, "Type"}, {L_ITEM, "Task"}},
                  });
    }
};

TEST_F(TableAdministration, PackReportsTheRecordsRemovedAndKeepsTheFilter)
{
    Tmainfrm& window = Start();
    TXbSmartDBF& lists = *window.listdb;
    // One record deleted outside the filter, one inside it.
    lists.First();
    lists.Next();  // High
    lists.Delete();
    Tmainfrm::ApplyFilter(lists, "LISTNAME='Type'");
    lists.First();
    lists.Delete();  // Bug
    script_->ClearRecords();

    window.Get<TMenuItem>("Compresslistdatabase1")->Click();
    EXPECT_THAT(Boxes(), ::testing::ElementsAre("Deleted record(s): 2"));
    EXPECT_TRUE(lists.Filtered());
    EXPECT_EQ(lists.Filter(), "LISTNAME='Type'");
    EXPECT_EQ(lists.RecordCount(), 3);
    std::vector<std::string> shown;
    for (lists.First(); !lists.Eof(); lists.Next()) {
        shown.push_back(lists.FieldByName("LISTITEM")->AsString());
    }
    EXPECT_THAT(shown, ::testing::ElementsAre("Feature", "Task"));

    // A table without deleted records.
    script_->ClearRecords();
    window.Get<TMenuItem>("Compressworktimedatabase1")->Click();
    EXPECT_THAT(Boxes(), ::testing::ElementsAre("Deleted record(s): 0"));

    if (!HavePythonModule("dbfread")) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    lists.Close();
    bool ok = false;
    const std::string output = RunPython("from dbfread import DBF\n"
                                         "t = DBF('" + PathOf("databases/Lists.dbf") + "', encoding='cp1252')\n"
                                         "print(len(t.deleted), [r['LISTITEM'] for r in t])\n",
                                         ok);
    ASSERT_TRUE(ok) << output;
    EXPECT_EQ(output, "0 ['Feature', 'Low', 'Task']\n");
}

TEST_F(TableAdministration, GridSetupWritesTheLayoutFileAndTheNextStartReadsIt)
{
    Tmainfrm& window = Start();
    const std::string layoutFile = PathOf("maingrd.dat");
    DeleteFile(layoutFile);
    const std::string before = window.maingrid->Columns().SaveToText();

    // Cancel still writes the grid's columns.
    ClickDriven<TfrmGridSetup>(window, "TableSetup1", [](TfrmGridSetup& setup) {
        EXPECT_EQ(setup.Caption(), "Grid setup");
        setup.btnCancel->Click();
    });
    ASSERT_TRUE(FileExists(layoutFile));
    EXPECT_EQ(window.maingrid->Columns().SaveToText(), before);

    // OK after dragging the fourth entry to the top and unchecking the second.
    std::string moved;
    ClickDriven<TfrmGridSetup>(window, "TableSetup1", [&](TfrmGridSetup& setup) {
        moved = setup.Items[3]->FieldName;
        setup.clbFieldsDragDrop(setup.clbFields, setup.clbFields, 0, 0);  // the first entry onto itself: nothing
        setup.clbFields->SetItemIndex(3);
        QListWidget* list = setup.clbFields->ListWidget();
        const QPoint top = list->visualItemRect(list->item(0)).center();
        setup.clbFieldsDragDrop(setup.clbFields, setup.clbFields, top.x(), top.y());
        setup.clbFields->SetChecked(1, false);
        QTest::mouseClick(setup.btnOk->ButtonWidget(), Qt::LeftButton);
    });
    ASSERT_FALSE(moved.empty());
    const int columns = window.maingrid->Columns().Count();
    EXPECT_EQ(window.maingrid->Columns().Items(0)->FieldName(), moved);

    CloseWindow();
    FreeWindow();
    Tmainfrm& restarted = Start();
    EXPECT_EQ(restarted.maingrid->Columns().Count(), columns);
    EXPECT_EQ(restarted.maingrid->Columns().Items(0)->FieldName(), moved);
}

TEST_F(TableAdministration, FindOpensTheRecordSearchOfTheTicketTable)
{
    Tmainfrm& window = Start();
    ClickDriven<TfrmFind>(window, "Find1", [](TfrmFind& find) {
        EXPECT_EQ(find.Caption(), "Record search");
        EXPECT_TRUE(find.rbAllFields->Checked());
        EXPECT_EQ(find.cbMode->ItemIndex(), 0);
        EXPECT_EQ(find.rgPosition->ItemIndex(), 0);
        EXPECT_TRUE(find.cbCaseSensitive->Checked());
        EXPECT_GT(find.cbFields->Items().Count(), 10) << "the ticket table's fields";
        find.btnCancel->Click();
    });
    EXPECT_EQ(window.mainfind->DataSource->DataSet(), window.maindb);
    EXPECT_EQ(window.subfind->DataSource->DataSet(), window.subdb);
}

}  // namespace
