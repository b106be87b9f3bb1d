// Sub-tickets: the editor's completion check, status coupling and pick lists on in-memory
// tables, and the main window's add, edit and delete commands on the tracker's own tables,
// with the open-sub-ticket question of the ticket editor that follows from them.

#include "TicketEditorSupport.h"

#include "app/Unit5Commands.h"
#include "app/Unit5.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/FormatSettings.h"

#include <QTimer>

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

// ---------------------------------------------------------------------------------------------
// The editor alone

class SubTicketEditor : public TicketEditorFixture {
protected:
    void SetUp() override
    {
        TicketEditorFixture::SetUp();
        subTickets = MakeTrackerMemoryTable(TTrackerTable::Subtickets);
        subEditor = std::make_unique<Tsubissuefrm>(nullptr);
        TSubTicketEditorHost& host = subEditor->Host;
        host.SubTicketTable = subTickets.get();
        host.ListTable = lists.get();
        host.ContactTable = contacts.get();
        host.SettingsIni = ini.get();
        host.Message = BuiltInMessage;
        host.CurrentUserName = [] { return std::string("tester"); };
        clock = std::make_unique<TFixedClock>(EncodeDate(2024, 3, 15) + EncodeTime(9, 5, 7, 0));
    }
    void TearDown() override
    {
        clock.reset();
        subEditor.reset();
        subTickets.reset();
        TicketEditorFixture::TearDown();
    }
    // The blanks of a new sub-ticket of ticket "T1", as the main window's command loads them.
    void NewSubTicket()
    {
        auto ticketTable = MakeTrackerMemoryTable(TTrackerTable::Tickets);
        ticketTable->Append();
        ticketTable->Fields().Fields(static_cast<int>(TTicketField::TICKETID))->SetAsString("T1");
        ticketTable->Post();
        TSubTicketCommandHost host;
        host.TicketTable = ticketTable.get();
        host.SubTicketTable = subTickets.get();
        ASSERT_TRUE(PrepareNewSubTicket(*subEditor, host));
        ASSERT_EQ(subEditor->ed_mainissueid->Text(), "T1");
    }

    std::unique_ptr<TMemoryDataSet> subTickets;
    std::unique_ptr<Tsubissuefrm> subEditor;
    std::unique_ptr<TFixedClock> clock;
};

TEST_F(SubTicketEditor, CompletionNeedsTheClosedStatusWhenQaStepsAreOn)
{
    const std::string qaBox = BuiltInMessage(30) + "\r\n" + BuiltInMessage(31) + "\r\n" + BuiltInMessage(32);
    struct Case {
        bool qaSteps;
        bool completed;
        const char* status;
        const char* subject;
        bool box;
        int records;
        bool storedCompleted;
    };
    const Case cases[] = {
        {false, true, "Open", "Task", false, 1, true},
        {true, true, "Open", "Task", true, 1, false},
        {true, true, "Closed", "Task", false, 1, true},
        {true, true, "closed", "Task", true, 1, false},   // letter case counts
        {true, false, "Open", "Task", false, 1, false},
        {true, true, "Open", "", true, 0, false},          // the check runs before the required fields
        {false, false, "", "Task", false, 0, false},       // no status: nothing saved, no word
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.status) + (c.qaSteps ? " QASteps" : "") + " subject=" + c.subject);
        subTickets = MakeTrackerMemoryTable(TTrackerTable::Subtickets);
        subEditor->Host.SubTicketTable = subTickets.get();
        dialogs->ClearRecords();
        Set(Setting::QASteps, c.qaSteps);
        NewSubTicket();
        subEditor->ed_subject->SetText(c.subject);
        subEditor->cb_status->SetText(c.status);
        subEditor->ck_completed->SetChecked(c.completed);
        subEditor->btn_ok->Click();

        EXPECT_EQ(BoxTexts(), c.box ? std::vector<std::string>{qaBox} : std::vector<std::string>{});
        ASSERT_EQ(subTickets->RecordCount(), c.records);
        if (c.records == 1) {
            subTickets->First();
            EXPECT_EQ(subTickets->Fields().Fields(static_cast<int>(TSubticketField::COMPLETED))->AsBoolean(),
                      c.storedCompleted);
        }
    }
}

TEST_F(SubTicketEditor, StatusCouplingAndPickListsKeepTheLoadedTexts)
{
    AddListItem(TListKind::Priority, "High");
    AddListItem(TListKind::Priority, "HIGH");  // same item in other letters: kept once
    AddListItem(TListKind::Status, "Open");
    AddListItem(TListKind::Status, "Closed");
    AddListItem(TListKind::Category, "Bug");   // not a list of this editor
    AddContact("Bob", "bob@example.com");
    NewSubTicket();
    subEditor->cb_priority->SetText("Low");
    subEditor->cb_status->SetText("Waiting");
    subEditor->FormShow(subEditor.get());

    auto items = [](TComboBox& combo) {
        std::vector<std::string> texts;
        for (int i = 0; i < combo.Items().Count(); ++i) {
            texts.push_back(combo.Items()[i]);
        }
        return texts;
    };
    EXPECT_THAT(items(*subEditor->cb_priority), ElementsAre("High"));
    EXPECT_THAT(items(*subEditor->cb_status), ElementsAre("Open", "Closed"));
    EXPECT_THAT(items(*subEditor->cb_assigned), ElementsAre("Bob"));
    EXPECT_EQ(subEditor->cb_priority->Text(), "Low");
    EXPECT_EQ(subEditor->cb_status->Text(), "Waiting");

    subEditor->dt_reminder->SetChecked(true);
    subEditor->dt_finished->SetChecked(false);
    subEditor->cb_status->SetText("Closed");
    subEditor->cb_statusChange(subEditor.get());
    EXPECT_TRUE(subEditor->ck_completed->Checked());
    EXPECT_FALSE(subEditor->dt_reminder->Checked());
    EXPECT_FALSE(subEditor->dt_finished->Checked());  // no date changes with the status
    subEditor->cb_status->SetText("Open");
    subEditor->cb_statusChange(subEditor.get());
    EXPECT_FALSE(subEditor->ck_completed->Checked());
}

// ---------------------------------------------------------------------------------------------
// The main window's commands on the tracker's tables

class SubTicketRoad : public ProgramFolderTest {
protected:
    void TearDown() override
    {
        subEditor.reset();
        ticketEditor.reset();
        clock.reset();
        ProgramFolderTest::TearDown();
    }
    // Appends one record to a table file of the program folder; `fill` sets its fields.
    void AddRecord(const std::string& file, const std::function<void(TDataSet&)>& fill)
    {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, false);
        table.DBFFileName = PathOf("databases/" + file);
        table.Open();
        table.Append();
        fill(table);
        table.Post();
        table.Close();
    }
    static void Put(TDataSet& table, int position, const std::string& text)
    {
        table.Fields().Fields(position)->SetAsString(text);
    }
    Tmainfrm& StartWithTicket()
    {
        MakeDataFolders();
        MakeAllTables();
        AddRecord("product.dbf", [](TDataSet& t) {
            Put(t, static_cast<int>(TProductField::NAME), "Tracker");
            Put(t, static_cast<int>(TProductField::VERSION), "1.0");
        });
        AddRecord("Tickets.dbf", [](TDataSet& t) {
            Put(t, static_cast<int>(TTicketField::TICKETID), "T1");
            Put(t, static_cast<int>(TTicketField::PRODUCT), "Tracker");
            Put(t, static_cast<int>(TTicketField::VERSION), "1.0");
            Put(t, static_cast<int>(TTicketField::SUBJECT), "Parent");
            Put(t, static_cast<int>(TTicketField::STATUS), "Open");
            t.Fields().Fields(static_cast<int>(TTicketField::REPORTEDON))->SetAsDateTime(EncodeDate(2024, 3, 1));
        });
        // A sub-ticket of another ticket, hidden by the sub-ticket filter, whose id is the one
        // the next sub-ticket saved at 9:05:07 as record 2 would get.
        AddRecord("Subtickets.dbf", [](TDataSet& t) {
            Put(t, static_cast<int>(TSubticketField::TICKETID), "T9");
            Put(t, static_cast<int>(TSubticketField::SUBID), "2957");
            Put(t, static_cast<int>(TSubticketField::SUBJECT), "Elsewhere");
        });
        clock = std::make_unique<TFixedClock>(EncodeDate(2024, 3, 15) + EncodeTime(9, 5, 7, 0));
        Tmainfrm& window = Start();
        EXPECT_TRUE(Boxes().empty()) << Boxes().front();
        ticketEditor = std::make_unique<Tmainissuefrm>(nullptr);
        mainissuefrm = ticketEditor.get();
        subEditor = std::make_unique<Tsubissuefrm>(nullptr);
        subissuefrm = subEditor.get();
        window.maingridCellClick(nullptr);
        return window;
    }
    // Runs `inEditor` once the modal window opened by `open` shows.
    static void WhileShown(const std::function<void()>& open, const std::function<void()>& inEditor)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            inEditor();
            ran = true;
        });
        open();
        ASSERT_TRUE(ran);
    }
    std::string Sub(TDataSet& table, TSubticketField position)
    {
        return table.Fields().Fields(static_cast<int>(position))->AsString();
    }

    std::unique_ptr<TFixedClock> clock;
    std::unique_ptr<Tmainissuefrm> ticketEditor;
    std::unique_ptr<Tsubissuefrm> subEditor;
};

TEST_F(SubTicketRoad, AddedOpenSubTicketMakesCompletingItsTicketAsk)
{
    Tmainfrm& window = StartWithTicket();
    auto* counter = window.Get<TEdit>("opensubticket");
    EXPECT_EQ(counter->Text(), "");

    // "Add a subticket to this activity" on the ticket popup.
    std::string parentShown;
    WhileShown([&] { window.Get<TMenuItem>("Addasubtickettothisactivity1")->Click(); },
               [&] {
                   parentShown = subEditor->ed_mainissueid->Text();
                   subEditor->ed_subject->SetText("Write the tests");
                   subEditor->cb_status->SetText("Open");
                   subEditor->dt_due->SetDate(EncodeDate(2024, 4, 1));
                   subEditor->dt_due->SetChecked(true);
                   subEditor->btn_ok->Click();
               });
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_EQ(parentShown, "T1");
    EXPECT_FALSE(subEditor->Visible());

    TDataSet& subs = *window.subdb;
    ASSERT_EQ(subs.RecordCount(), 2);  // whole table
    subs.First();
    ASSERT_FALSE(subs.Eof());
    EXPECT_EQ(Sub(subs, TSubticketField::TICKETID), "T1");
    EXPECT_EQ(Sub(subs, TSubticketField::SUBID), "2957-2");  // the taken id is not given twice
    EXPECT_EQ(Sub(subs, TSubticketField::SUBJECT), "Write the tests");
    EXPECT_EQ(subs.Fields().Fields(static_cast<int>(TSubticketField::DUE))->AsDateTime(), EncodeDate(2024, 4, 1));
    EXPECT_TRUE(subs.Fields().Fields(static_cast<int>(TSubticketField::STARTED))->IsNull());
    EXPECT_EQ(subs.Fields().Fields(static_cast<int>(TSubticketField::CREATEDON))->AsDateTime(),
              EncodeDate(2024, 3, 15));
    EXPECT_EQ(Sub(subs, TSubticketField::CREATEDBY), CurrentUserName);
    EXPECT_TRUE(subs.Fields().Fields(static_cast<int>(TSubticketField::MODIFIEDON))->IsNull());
    EXPECT_EQ(Sub(subs, TSubticketField::MODIFIEDBY), "");
    EXPECT_EQ(counter->Text(), "1");

    // Completing the ticket asks first; No leaves it open, Yes completes it.
    for (const TModalResult answer : {TModalResult::mrNo, TModalResult::mrYes}) {
        script_->ClearRecords();
        script_->Answer(answer);
        WhileShown([&] { window.Get<TButton>("main_btn_edit")->Click(); },
                   [&] {
                       ticketEditor->ck_completed->SetChecked(true);
                       ticketEditor->btn_ok->Click();
                       if (ticketEditor->Visible()) {
                           ticketEditor->btn_cancel->Click();
                       }
                   });
        EXPECT_THAT(Boxes(), ElementsAre("1" + window.Message(28)));
        window.maindb->First();
        EXPECT_EQ(window.maindb->Fields().Fields(static_cast<int>(TTicketField::COMPLETED))->AsBoolean(),
                  answer == TModalResult::mrYes);
    }
}

TEST_F(SubTicketRoad, EditKeepsIdAndCreationStampsAndDeleteAsksFirst)
{
    Tmainfrm& window = StartWithTicket();
    WhileShown([&] { window.Get<TButton>("sub_btn_add")->Click(); },
               [&] {
                   subEditor->ed_subject->SetText("First");
                   subEditor->cb_status->SetText("Open");
                   subEditor->btn_ok->Click();
               });
    TDataSet& subs = *window.subdb;
    subs.First();
    const std::string id = Sub(subs, TSubticketField::SUBID);
    ASSERT_FALSE(id.empty());

    // A day later the sub-ticket is edited: its dates come back into ticked pickers.
    clock.reset();
    clock = std::make_unique<TFixedClock>(EncodeDate(2024, 3, 16) + EncodeTime(10, 0, 0, 0));
    subs.Edit();
    subs.Fields().Fields(static_cast<int>(TSubticketField::STARTED))->SetAsDateTime(EncodeDate(2024, 3, 2));
    subs.Post();
    window.subgridCellClick(nullptr);
    bool startedTicked = false, dueTicked = true;
    TDateTime started = 0;
    WhileShown([&] { window.Get<TButton>("sub_btn_edit")->Click(); },
               [&] {
                   startedTicked = subEditor->dt_started->Checked();
                   started = subEditor->dt_started->Date();
                   dueTicked = subEditor->dt_due->Checked();
                   subEditor->ed_subject->SetText("First, revised");
                   subEditor->cb_status->SetText("Closed");
                   subEditor->cb_statusChange(subEditor.get());
                   subEditor->btn_ok->Click();
               });
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    EXPECT_TRUE(startedTicked);
    EXPECT_EQ(started, EncodeDate(2024, 3, 2));
    EXPECT_FALSE(dueTicked);
    subs.First();
    EXPECT_EQ(Sub(subs, TSubticketField::SUBID), id);
    EXPECT_EQ(Sub(subs, TSubticketField::SUBJECT), "First, revised");
    EXPECT_EQ(subs.Fields().Fields(static_cast<int>(TSubticketField::CREATEDON))->AsDateTime(),
              EncodeDate(2024, 3, 15));
    EXPECT_EQ(subs.Fields().Fields(static_cast<int>(TSubticketField::MODIFIEDON))->AsDateTime(),
              EncodeDate(2024, 3, 16));
    EXPECT_EQ(Sub(subs, TSubticketField::MODIFIEDBY), CurrentUserName);
    EXPECT_TRUE(subs.Fields().Fields(static_cast<int>(TSubticketField::COMPLETED))->AsBoolean());
    EXPECT_EQ(window.Get<TEdit>("opensubticket")->Text(), "0");

    // With RecordFreeze a completed sub-ticket opens with OK disabled.
    WriteSetting(*SettingsIni, Setting::RecordFreeze, true);
    bool okEnabled = true;
    WhileShown([&] { window.Get<TMenuItem>("Edit2")->Click(); },
               [&] {
                   okEnabled = subEditor->btn_ok->Enabled();
                   subEditor->btn_cancel->Click();
               });
    EXPECT_FALSE(okEnabled);

    // Delete asks "Are you sure?"; No keeps the sub-ticket, Yes removes it.
    script_->Answer(TModalResult::mrNo);
    window.Get<TButton>("sub_btn_delete")->Click();
    EXPECT_EQ(subs.RecordCount(), 2);
    script_->Answer(TModalResult::mrYes);
    window.Get<TMenuItem>("Delete2")->Click();
    EXPECT_THAT(Boxes(), ElementsAre(window.Message(3), window.Message(3)));
    EXPECT_TRUE(subs.IsEmpty());  // filtered to the ticket, which has none left
    EXPECT_EQ(window.Get<TEdit>("opensubticket")->Text(), "");
}

}  // namespace
