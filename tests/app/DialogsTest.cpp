// The project-ownership and custom-filter dialogs: moving a ticket to another project version,
// applying, saving, obtaining and deleting filter expressions, and "filters.dat".
#include "AppTestSupport.h"
#include "TicketEditorSupport.h"

#include "app/Unit12.h"
#include "app/Unit13.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Files.h"

#include <gmock/gmock.h>

#include <QImage>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace {

void SaveArtifact(const TForm& form, const std::string& name)
{
    const std::filesystem::path artifacts = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(artifacts);
    EXPECT_TRUE(form.Grab().save(QString::fromStdString((artifacts / name).string())));
}

constexpr int T_ID = static_cast<int>(TTicketField::TICKETID);
constexpr int T_PRODUCT = static_cast<int>(TTicketField::PRODUCT);
constexpr int T_VERSION = static_cast<int>(TTicketField::VERSION);
constexpr int S_PARENT = static_cast<int>(TSubticketField::TICKETID);
constexpr int S_ID = static_cast<int>(TSubticketField::SUBID);
constexpr int P_NAME = static_cast<int>(TProductField::NAME);
constexpr int P_VERSION = static_cast<int>(TProductField::VERSION);

class Dialogs : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
        FillTable(PathOf("databases/product.dbf"), TTrackerTable::Products,
                  {
                      {{P_NAME, "Alpha"}, {P_VERSION, "1.0"}},
                      {{P_NAME, "O'Brien Tools"}, {P_VERSION, "2.0"}},
                      {{P_NAME, "O'Brien Tools"}, {P_VERSION, "2.1"}},
                      {{P_NAME, "o'brien tools"}, {P_VERSION, "9.9"}},
                  });
        FillTable(PathOf("databases/Tickets.dbf"), TTrackerTable::Tickets,
                  {
                      {{T_ID, "T1"}, {T_PRODUCT, "Alpha"}, {T_VERSION, "1.0"}},
                      {{T_ID, "T2"}, {T_PRODUCT, "Alpha"}, {T_VERSION, "1.0"}},
                  });
        FillTable(PathOf("databases/Subtickets.dbf"), TTrackerTable::Subtickets,
                  {{{S_PARENT, "T2"}, {S_ID, "S1"}}, {{S_PARENT, "T2"}, {S_ID, "S2"}}});
        FillTable(PathOf("databases/Worktime.dbf"), TTrackerTable::Worktime, {{{0, "T2"}}});
    }
    void TearDown() override
    {
        owner_.reset();
        filter_.reset();
        ProgramFolderTest::TearDown();
    }

    Tmainfrm& StartWithDialogs()
    {
        Tmainfrm& window = Start();
        owner_ = std::make_unique<Townerfrm>(Application);  // found by name, as the program finds it
        ownerfrm = owner_.get();
        filter_ = std::make_unique<Tfilterfrm>(Application);
        filterfrm = filter_.get();
        window.FillProductLists();
        return window;
    }

    void GoToTicket(Tmainfrm& window, const std::string& id)
    {
        TDataSet& tickets = *window.maindb;
        tickets.First();
        while (!tickets.Eof() && tickets.FieldByName("TICKETID")->AsString() != id) {
            tickets.Next();
        }
        ASSERT_FALSE(tickets.Eof()) << id;
    }

    std::unique_ptr<Townerfrm> owner_;
    std::unique_ptr<Tfilterfrm> filter_;
};

TEST_F(Dialogs, OwnershipMovesTheTicketItWasOpenedOn)
{
    Tmainfrm& window = StartWithDialogs();
    GoToTicket(window, "T2");
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = owner_->Visible() && owner_->Modal();
        EXPECT_EQ(owner_->ownerproject->Text(), "Alpha");
        EXPECT_EQ(owner_->ownerversion->Text(), "1.0");
        EXPECT_TRUE(ContainsText(owner_->changedproject->Items(), "O'Brien Tools"));
        owner_->changedproject->SetText("O'Brien Tools");
        owner_->changedprojectChange(owner_->changedproject);
        // Exactly that name: the lower-case project's version is not offered.
        EXPECT_THAT(owner_->changedversion->Items().Text(), ::testing::AnyOf("2.1\r\n2.0\r\n", "2.0\r\n2.1\r\n"));
        owner_->changedversion->SetText("2.1");
        SaveArtifact(*owner_, "ownerfrm.png");
        owner_->okbtnClick(owner_.get());
        if (owner_->Visible() && owner_->ModalResult() == TModalResult::mrNone) {
            ADD_FAILURE() << "the dialog stayed open";
            owner_->Close();
        }
    });
    window.Modificationoftheprojectownership1Click(nullptr);
    EXPECT_TRUE(shown);
    FreeWindow();

    if (!HavePythonModule("dbfread")) {
        GTEST_SKIP() << "python3-dbfread is not installed";
    }
    bool ok = false;
    const std::string output =
        RunPython("from dbfread import DBF\n"
                  "for name, fields in (('Tickets', ('TICKETID', 'PRODUCT', 'VERSION')), ('Subtickets', ('TICKETID', "
                  "'SUBID')), ('Worktime', ('TICKETID',))):\n"
                  "    for r in DBF('" + PathOf("databases/") + "' + name + '.dbf', encoding='cp1252'):\n"
                  "        print(name, [r[f] for f in fields])\n",
                  ok);
    ASSERT_TRUE(ok) << output;
    EXPECT_EQ(output, "Tickets ['T1', 'Alpha', '1.0']\n"
                      "Tickets ['T2', \"O'Brien Tools\", '2.1']\n"
                      "Subtickets ['T2', 'S1']\n"
                      "Subtickets ['T2', 'S2']\n"
                      "Worktime ['T2']\n");
}

TEST_F(Dialogs, OwnershipNeedsAllFourBoxes)
{
    Tmainfrm& window = StartWithDialogs();
    GoToTicket(window, "T1");
    owner_->ownerproject->SetText("Alpha");
    owner_->ownerversion->SetText("1.0");
    owner_->changedproject->SetText("O'Brien Tools");
    owner_->changedversion->SetText("");
    owner_->okbtnClick(owner_.get());
    EXPECT_EQ(window.maindb->FieldByName("PRODUCT")->AsString(), "Alpha");
}

TEST_F(Dialogs, FilterStringsAreAppliedSavedAndDeleted)
{
    Tmainfrm& window = StartWithDialogs();
    window.activeproduct->DataSource()->DataSet()->First();
    ASSERT_EQ(window.activeproduct->Text(), "Alpha");
    filter_->FormShow(filter_.get());
    EXPECT_EQ(filter_->filterstring->Items().Count(), 0);

    // Another project's filter is refused and the dialog stays.
    filter_->filterstring->SetText("PRODUCT='Beta'");
    filter_->btn_okClick(filter_.get());
    EXPECT_THAT(Boxes(), ::testing::ElementsAre(window.Message(40)));
    EXPECT_FALSE(window.maindb->Filtered());

    // The active project's filter with a further condition is applied.
    filter_->filterstring->SetText("PRODUCT='Alpha' .AND. TICKETID='T2'");
    filter_->btn_okClick(filter_.get());
    EXPECT_TRUE(window.maindb->Filtered());
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Alpha' .AND. TICKETID='T2'");
    EXPECT_EQ(window.operation->ItemIndex(), 0);

    // Saving the same expression twice keeps one line.
    script_->ClearRecords();
    filter_->savebtnClick(filter_.get());
    filter_->savebtnClick(filter_.get());
    EXPECT_THAT(Boxes(), ::testing::ElementsAre("PRODUCT='Alpha' .AND. TICKETID='T2'" + window.Message(41),
                                                "PRODUCT='Alpha' .AND. TICKETID='T2'" + window.Message(42)));
    filter_->filterstring->SetText("PRODUCT='Alpha' .AND. TICKETID='T1'");
    filter_->savebtnClick(filter_.get());
    EXPECT_EQ(ReadFile("filters.dat"), "PRODUCT='Alpha' .AND. TICKETID='T2'\r\nPRODUCT='Alpha' .AND. TICKETID='T1'\r\n");
    SaveArtifact(*filter_, "filterfrm.png");

    filter_->filterstring->SetText("");
    filter_->obtainbtnClick(filter_.get());
    EXPECT_EQ(filter_->filterstring->Text(), "PRODUCT='Alpha' .AND. TICKETID='T2'");

    // Deleting asks first; No keeps the line, Yes removes it.
    script_->ClearRecords();
    filter_->FormShow(filter_.get());
    filter_->filterstring->SetItemIndex(0);
    script_->Answer(TModalResult::mrNo);
    filter_->deletebtnClick(filter_.get());
    filter_->filterstring->SetItemIndex(0);
    script_->Answer(TModalResult::mrYes);
    filter_->deletebtnClick(filter_.get());
    EXPECT_THAT(Boxes(), ::testing::ElementsAre(window.Message(43) + "PRODUCT='Alpha' .AND. TICKETID='T2' ?",
                                                window.Message(43) + "PRODUCT='Alpha' .AND. TICKETID='T2' ?"));
    EXPECT_EQ(ReadFile("filters.dat"), "PRODUCT='Alpha' .AND. TICKETID='T1'\r\n");
}

TEST_F(Dialogs, ARejectedFilterShowsTheErrorAndLeavesTheQuickFilterRemoved)
{
    Tmainfrm& window = StartWithDialogs();
    window.activeproduct->DataSource()->DataSet()->First();
    filter_->filterstring->SetText("PRODUCT='Alpha' .AND. (");
    filter_->btn_okClick(filter_.get());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_THAT(Boxes()[0], ::testing::StartsWith("EDatabaseError: "));
    EXPECT_EQ(window.fieldlist->ItemIndex(), 0);
}

TEST_F(Dialogs, AQuoteInTheProjectNameIsDoubledInTheRequiredPrefix)
{
    Tmainfrm& window = StartWithDialogs();
    TDataSet& products = *window.activeproduct->DataSource()->DataSet();
    products.First();
    products.Next();
    ASSERT_EQ(window.activeproduct->Text(), "O'Brien Tools");
    filter_->filterstring->SetText("PRODUCT='O''Brien Tools'");
    filter_->btn_okClick(filter_.get());
    EXPECT_THAT(Boxes(), ::testing::IsEmpty());
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='O''Brien Tools'");
}

TEST_F(Dialogs, AFiltersFileThatCannotBeWrittenIsReported)
{
    Tmainfrm& window = StartWithDialogs();
    (void)window;
    // A folder where the file should be: nothing can be written there.
    std::filesystem::create_directories(PathOf("filters.dat"));
    filter_->filterstring->SetText("PRODUCT='Alpha' .AND. TICKETID='T1'");
    filter_->savebtnClick(filter_.get());
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_THAT(Boxes()[0], ::testing::HasSubstr("could not be written"));
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("filters.dat")));
}

}  // namespace
