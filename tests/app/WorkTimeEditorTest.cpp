// The work-time editor on the tracker's own tables: the main window's add, edit and delete
// commands, the duration from the pickers, saving every control to its position, and the sum
// of a ticket's entries into its WORKTIME.

#include "AppTestSupport.h"
#include "TicketEditorSupport.h"

#include "app/Unit10.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/DateTime.h"

#include <QDateTimeEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

TDateTime Day(int year, int month, int day)
{
    return EncodeDate(year, month, day);
}

TDateTime Clock(int hour, int minute)
{
    return EncodeTime(hour, minute, 0, 0);
}

// One stored work-time entry.
struct TEntry {
    std::string TicketId;
    TDateTime StartDate = 0;
    TDateTime EndDate = 0;
    std::string StartTime;
    std::string EndTime;
    int Duration = 0;
    std::string Assigned;
    std::string Comment;
    std::string SubTicket;
};

class WorkTimeEditor : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        AddRecord("product.dbf", false, [](TDataSet& t) {
            t.Fields().Fields(static_cast<int>(TProductField::NAME))->SetAsString("Tracker");
            t.Fields().Fields(static_cast<int>(TProductField::VERSION))->SetAsString("1.0");
        });
        // T1 is not the first ticket, and T10 begins with T1's id.
        for (const char* id : {"T2", "T1", "T10"}) {
            AddRecord("Tickets.dbf", false, [id](TDataSet& t) {
                t.Fields().Fields(static_cast<int>(TTicketField::TICKETID))->SetAsString(id);
                t.Fields().Fields(static_cast<int>(TTicketField::PRODUCT))->SetAsString("Tracker");
                t.Fields().Fields(static_cast<int>(TTicketField::VERSION))->SetAsString("1.0");
            });
        }
        AddRecord("Subtickets.dbf", false, [](TDataSet& t) {
            t.Fields().Fields(static_cast<int>(TSubticketField::TICKETID))->SetAsString("T1");
            t.Fields().Fields(static_cast<int>(TSubticketField::SUBID))->SetAsString("S1");
        });
        for (const char* name : {"Ann", "Bob", "ANN"}) {
            AddRecord("Contacts.dbf", true, [name](TDataSet& t) {
                t.Fields().Fields(static_cast<int>(TContactField::NAME))->SetAsString(name);
            });
        }
    }
    void TearDown() override
    {
        editor.reset();
        ProgramFolderTest::TearDown();
    }

    void AddRecord(const std::string& file, bool enciphered, const std::function<void(TDataSet&)>& fill)
    {
        TXbSmartDBF table(nullptr);
        ConfigureTrackerTable(table, enciphered);
        table.DBFFileName = PathOf("databases/" + file);
        table.Open();
        table.Append();
        fill(table);
        table.Post();
        table.Close();
    }
    void AddEntry(const TEntry& entry)
    {
        AddRecord("Worktime.dbf", false, [&entry](TDataSet& t) {
            auto field = [&t](TWorktimeField position) { return t.Fields().Fields(static_cast<int>(position)); };
            field(TWorktimeField::TICKETID)->SetAsString(entry.TicketId);
            field(TWorktimeField::STARTDATE)->SetAsDateTime(entry.StartDate);
            field(TWorktimeField::ENDDATE)->SetAsDateTime(entry.EndDate);
            field(TWorktimeField::STARTTIME)->SetAsString(entry.StartTime);
            field(TWorktimeField::ENDTIME)->SetAsString(entry.EndTime);
            field(TWorktimeField::DURATION)->SetAsInteger(entry.Duration);
            field(TWorktimeField::ASSIGNED)->SetAsString(entry.Assigned);
            field(TWorktimeField::COMMENT)->SetAsString(entry.Comment);
            field(TWorktimeField::SUBTICKET)->SetAsString(entry.SubTicket);
        });
    }

    Tmainfrm& StartWithEditor()
    {
        Tmainfrm& window = Start();
        editor = std::make_unique<Tworkfrm>(nullptr);
        workfrm = editor.get();
        return window;
    }

    // Moves `table` to the record whose field at `position` holds `value`.
    static void GoTo(TDataSet& table, int position, const std::string& value)
    {
        table.First();
        while (!table.Eof() && table.Fields().Fields(position)->AsString() != value) {
            table.Next();
        }
        ASSERT_FALSE(table.Eof()) << value;
    }
    static double WorkTimeOf(TDataSet& tickets, const std::string& id)
    {
        tickets.SetFiltered(false);
        GoTo(tickets, static_cast<int>(TTicketField::TICKETID), id);
        return tickets.Fields().Fields(static_cast<int>(TTicketField::WORKTIME))->AsFloat();
    }
    // Every entry of the table, whatever its filter.
    static std::vector<TEntry> Entries(TDataSet& table)
    {
        table.SetFiltered(false);
        std::vector<TEntry> entries;
        for (table.First(); !table.Eof(); table.Next()) {
            auto field = [&table](TWorktimeField position) { return table.Fields().Fields(static_cast<int>(position)); };
            entries.push_back({field(TWorktimeField::TICKETID)->AsString(), field(TWorktimeField::STARTDATE)->AsDateTime(),
                               field(TWorktimeField::ENDDATE)->AsDateTime(), field(TWorktimeField::STARTTIME)->AsString(),
                               field(TWorktimeField::ENDTIME)->AsString(), field(TWorktimeField::DURATION)->AsInteger(),
                               field(TWorktimeField::ASSIGNED)->AsString(), field(TWorktimeField::COMMENT)->AsString(),
                               field(TWorktimeField::SUBTICKET)->AsString()});
        }
        return entries;
    }

    // Clicks a control of the main window as the user does (through its bound handler) and runs
    // `whileShown` once the editor is up; an editor still open afterwards is cancelled. Returns
    // whether the editor was shown.
    bool Click(Tmainfrm& window, const char* name, const std::function<void()>& whileShown)
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            if (!editor->Visible()) {
                return;
            }
            shown = true;
            whileShown();
            if (editor->ModalResult() == TModalResult::mrNone) {
                editor->btn_cancel->Click();
            }
        });
        TComponent* component = window.FindComponent(name);
        if (auto* item = dynamic_cast<TMenuItem*>(component)) {
            item->OnClick(item);
        } else {
            auto* control = dynamic_cast<TControl*>(component);
            control->OnClick(control);
        }
        return shown;
    }
    // Sets a picker as the user does, so that its change event runs.
    static void Pick(TDateTimePicker& picker, TDateTime value)
    {
        picker.EditWidget()->setDateTime(DateTimeToQt(value));
    }
    // The user's start and end, one picker at a time.
    void PickSpan(TDateTime day, TDateTime from, TDateTime to)
    {
        Pick(*editor->startdate, day);
        Pick(*editor->enddate, day);
        Pick(*editor->starttime, day + from);
        Pick(*editor->endtime, day + to);
    }

    std::unique_ptr<Tworkfrm> editor;
};

TEST_F(WorkTimeEditor, NewEntriesOfATicketAreSavedAndSummedIntoItsWorkTime)
{
    AddEntry({"T10", Day(2024, 5, 1), Day(2024, 5, 1), "08:00:00", "15:00:00", 7, "Bob", "", ""});
    Tmainfrm& window = StartWithEditor();
    Tmainfrm::ApplyFilter(*window.maindb, window.ProjectFilter());
    GoTo(*window.maindb, static_cast<int>(TTicketField::TICKETID), "T1");

    std::vector<std::string> offered;
    ASSERT_TRUE(Click(window, "addticketworkbtn", [&] {
        EXPECT_EQ(editor->issueid->Text(), "T1");
        EXPECT_FALSE(editor->issueid->Enabled());
        EXPECT_EQ(editor->subissueid->Text(), "");
        EXPECT_EQ(editor->duration->Text(), "0");
        EXPECT_FALSE(editor->editornot->Checked());
        for (int i = 0; i < editor->cb_assigned->Items().Count(); ++i) {
            offered.push_back(editor->cb_assigned->Items()[i]);
        }
        // Whole hours whose day fractions are not exact binary numbers.
        PickSpan(Day(2024, 5, 6), Clock(8, 0), Clock(10, 0));
        EXPECT_EQ(editor->duration->Text(), "2");
        editor->cb_assigned->SetText("Ann");
        editor->comment->Lines().SetText("first\r\nsecond");
        editor->btn_ok->Click();
    }));
    EXPECT_EQ(offered, (std::vector<std::string>{"Ann", "Bob"}));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();

    // The second one from the ticket popup, with a duration the user typed over the computed one.
    ASSERT_TRUE(Click(window, "Addworktimeentrytothisactivity1", [&] {
        EXPECT_EQ(editor->cb_assigned->Text(), "");
        EXPECT_EQ(editor->comment->Lines().Count(), 0);
        PickSpan(Day(2024, 5, 7), Clock(9, 0), Clock(17, 0));
        EXPECT_EQ(editor->duration->Text(), "8");
        editor->duration->SetText("3");
        editor->cb_assigned->SetText("Bob");
        editor->btn_ok->Click();
    }));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();

    // The work-time table is left filtered to the ticket; the ticket table keeps its filter and
    // its current ticket.
    EXPECT_TRUE(window.workdb->Filtered());
    EXPECT_EQ(window.workdb->Filter(), "TICKETID='T1'");
    EXPECT_EQ(window.maindb->Filter(), "PRODUCT='Tracker'");
    EXPECT_EQ(window.maindb->Fields().Fields(static_cast<int>(TTicketField::TICKETID))->AsString(), "T1");

    const std::vector<TEntry> entries = Entries(*window.workdb);
    ASSERT_EQ(entries.size(), 3u);
    const TEntry& first = entries[1];
    EXPECT_EQ(first.TicketId, "T1");
    EXPECT_EQ(first.StartDate, Day(2024, 5, 6));
    EXPECT_EQ(first.EndDate, Day(2024, 5, 6));
    EXPECT_EQ(first.StartTime, "08:00:00");
    EXPECT_EQ(first.EndTime, "10:00:00");
    EXPECT_EQ(first.Duration, 2);
    EXPECT_EQ(first.Assigned, "Ann");
    EXPECT_EQ(first.Comment, "first\r\nsecond\r\n");
    EXPECT_EQ(first.SubTicket, "");
    EXPECT_EQ(entries[2].Duration, 3);
    EXPECT_EQ(entries[2].Assigned, "Bob");

    // T10's entry does not count for T1, and T10 is left alone.
    EXPECT_DOUBLE_EQ(WorkTimeOf(*window.maindb, "T1"), 5.0);
    EXPECT_DOUBLE_EQ(WorkTimeOf(*window.maindb, "T10"), 0.0);
}

TEST_F(WorkTimeEditor, ASubTicketEntryKeepsItsSubTicketAndCountsForTheParent)
{
    AddEntry({"T1", Day(2024, 5, 1), Day(2024, 5, 1), "08:00:00", "09:00:00", 1, "Ann", "", ""});
    Tmainfrm& window = StartWithEditor();
    Tmainfrm::ApplyFilter(*window.maindb, window.ProjectFilter());
    window.subdb->SetFiltered(false);
    GoTo(*window.subdb, static_cast<int>(TSubticketField::SUBID), "S1");

    ASSERT_TRUE(Click(window, "addsubticketworkbtn", [&] {
        EXPECT_EQ(editor->issueid->Text(), "T1");
        EXPECT_EQ(editor->subissueid->Text(), "S1");
        editor->cb_assigned->SetText("Bob");
        editor->duration->SetText("4");
        editor->btn_ok->Click();
    }));
    const std::vector<TEntry> entries = Entries(*window.workdb);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].TicketId, "T1");
    EXPECT_EQ(entries[1].SubTicket, "S1");
    EXPECT_DOUBLE_EQ(WorkTimeOf(*window.maindb, "T1"), 5.0);
}

TEST_F(WorkTimeEditor, EditLoadsTheEntryAndSavesItInPlace)
{
    AddEntry({"T1", Day(2024, 5, 2), Day(2024, 5, 3), "08:00:00", "09:00:00", 1, "Ann", "note\r\n", "S1"});
    AddEntry({"T1", Day(2024, 5, 4), Day(2024, 5, 4), "08:00:00", "10:00:00", 2, "Bob", "", ""});
    Tmainfrm& window = StartWithEditor();
    Tmainfrm::ApplyFilter(*window.maindb, window.ProjectFilter());
    window.workdb->SetFiltered(false);
    GoTo(*window.workdb, static_cast<int>(TWorktimeField::ASSIGNED), "Ann");

    ASSERT_TRUE(Click(window, "editworkbtn", [&] {
        EXPECT_TRUE(editor->editornot->Checked());
        EXPECT_EQ(editor->issueid->Text(), "T1");
        EXPECT_EQ(editor->subissueid->Text(), "S1");
        EXPECT_EQ(editor->startdate->Date(), Day(2024, 5, 2));
        EXPECT_EQ(editor->enddate->Date(), Day(2024, 5, 3));
        EXPECT_EQ(MillisecondsBetween(0, editor->starttime->Time()), 8 * 3'600'000);
        EXPECT_EQ(MillisecondsBetween(0, editor->endtime->Time()), 9 * 3'600'000);
        EXPECT_EQ(editor->duration->Text(), "1");
        EXPECT_EQ(editor->cb_assigned->Text(), "Ann");
        EXPECT_EQ(editor->comment->Lines().Count(), 1);
        // One day and three hours later than the start.
        Pick(*editor->endtime, Day(2024, 5, 3) + Clock(11, 0));
        EXPECT_EQ(editor->duration->Text(), "27");
        editor->btn_ok->Click();
    }));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front();
    const std::vector<TEntry> entries = Entries(*window.workdb);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Duration, 27);
    EXPECT_EQ(entries[0].EndTime, "11:00:00");
    EXPECT_EQ(entries[0].SubTicket, "S1");
    EXPECT_EQ(entries[0].Comment, "note\r\n");
    EXPECT_DOUBLE_EQ(WorkTimeOf(*window.maindb, "T1"), 29.0);
}

TEST_F(WorkTimeEditor, DeleteAsksThenResumsEvenInAnUnfilteredTicketTable)
{
    AddEntry({"T1", Day(2024, 5, 2), Day(2024, 5, 2), "08:00:00", "09:00:00", 1, "Ann", "", ""});
    AddEntry({"T1", Day(2024, 5, 4), Day(2024, 5, 4), "08:00:00", "10:00:00", 2, "Bob", "", ""});
    Tmainfrm& window = StartWithEditor();
    // T1 is the second record of the unfiltered ticket table.
    window.maindb->SetFiltered(false);
    window.workdb->SetFiltered(false);
    GoTo(*window.workdb, static_cast<int>(TWorktimeField::ASSIGNED), "Bob");
    auto* deleteButton = window.Get<TButton>("deleteworkbtn");

    script_->Answer(TModalResult::mrNo);
    deleteButton->OnClick(deleteButton);
    EXPECT_EQ(Entries(*window.workdb).size(), 2u);

    GoTo(*window.workdb, static_cast<int>(TWorktimeField::ASSIGNED), "Bob");
    window.Get<TButton>("editworkbtn")->SetEnabled(true);
    script_->Answer(TModalResult::mrYes);
    deleteButton->OnClick(deleteButton);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Are you sure?", "Are you sure?"}));
    EXPECT_FALSE(window.Get<TButton>("editworkbtn")->Enabled());
    EXPECT_FALSE(deleteButton->Enabled());
    EXPECT_EQ(window.workdb->Filter(), "TICKETID='T1'");
    const std::vector<TEntry> entries = Entries(*window.workdb);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Assigned, "Ann");
    EXPECT_DOUBLE_EQ(WorkTimeOf(*window.maindb, "T1"), 1.0);
}

TEST_F(WorkTimeEditor, RefusedSavesLeaveNothingBehind)
{
    Tmainfrm& window = StartWithEditor();
    GoTo(*window.maindb, static_cast<int>(TTicketField::TICKETID), "T1");
    struct TRefusal {
        const char* name;
        std::string assigned;
        std::string duration;
        bool errorShown;
    };
    const TRefusal refusals[] = {
        {"NoPerson", "", "2", false},
        {"NoDuration", "Ann", "", false},
        {"DurationNotANumber", "Ann", "two", true},
        {"DurationNotWhole", "Ann", "2.5", true},
    };
    for (const TRefusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        script_->ClearRecords();
        bool stayedOpen = false;
        ASSERT_TRUE(Click(window, "addticketworkbtn", [&] {
            editor->cb_assigned->SetText(refusal.assigned);
            editor->duration->SetText(refusal.duration);
            editor->btn_ok->Click();
            stayedOpen = editor->ModalResult() == TModalResult::mrNone;
        }));
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(Boxes().size(), refusal.errorShown ? 1u : 0u);
        if (refusal.errorShown && !Boxes().empty()) {
            EXPECT_EQ(Boxes().front(),
                      "EDatabaseError: '" + refusal.duration + "' is not a valid integer value for field 'DURATION'");
        }
        EXPECT_EQ(window.workdb->State(), TDataSetState::dsBrowse);
        EXPECT_TRUE(Entries(*window.workdb).empty());
    }
}

TEST_F(WorkTimeEditor, AnEntryWhoseTimeDoesNotConvertIsNotOpened)
{
    AddEntry({"T1", Day(2024, 5, 2), Day(2024, 5, 2), "soon", "09:00:00", 1, "Ann", "", ""});
    Tmainfrm& window = StartWithEditor();
    window.workdb->SetFiltered(false);
    window.workdb->First();
    EXPECT_FALSE(Click(window, "editworkbtn", [] {}));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes().front().rfind("EConvertError: ", 0), 0u) << Boxes().front();
}

}  // namespace

namespace {

// The sum and its store on tables whose filter lets every record through, as a filter that
// compares only the first characters would: only exact ids count and are written.
TEST(WorkTimeSum, CountsAndWritesOnlyTheExactTicketId)
{
    TestApplication();
    auto work = MakeTrackerMemoryTable(TTrackerTable::Worktime);
    auto tickets = MakeTrackerMemoryTable(TTrackerTable::Tickets);
    work->Open();
    tickets->Open();
    const std::pair<const char*, const char*> entries[] = {{"T10", "7"}, {"T1", "2"}, {"T1", ""}, {"T1", "3"}};
    for (const auto& [id, hours] : entries) {
        work->Append();
        work->Fields().Fields(static_cast<int>(TWorktimeField::TICKETID))->SetAsString(id);
        if (*hours != '\0') {
            work->Fields().Fields(static_cast<int>(TWorktimeField::DURATION))->SetAsString(hours);
        }
        work->Post();
    }
    for (const char* id : {"T10", "T1"}) {
        tickets->Append();
        tickets->Fields().Fields(static_cast<int>(TTicketField::TICKETID))->SetAsString(id);
        tickets->Post();
    }
    tickets->SetFilter("PRODUCT='Tracker'");
    tickets->SetFiltered(true);

    const double hours = SumTicketWorkTime(*work, "T1");
    EXPECT_DOUBLE_EQ(hours, 5.0);
    EXPECT_EQ(work->Filter(), "TICKETID='T1'");
    StoreTicketWorkTime(tickets.get(), "T1", hours);
    EXPECT_EQ(tickets->Filter(), "PRODUCT='Tracker'");
    EXPECT_TRUE(tickets->Filtered());
    tickets->First();
    EXPECT_TRUE(tickets->Fields().Fields(static_cast<int>(TTicketField::WORKTIME))->IsNull());
    tickets->Next();
    EXPECT_DOUBLE_EQ(tickets->Fields().Fields(static_cast<int>(TTicketField::WORKTIME))->AsFloat(), 5.0);
}

}  // namespace
