// Saving tickets through the editor: the field mapping, ids, stamps, the confirmation for open
// sub-tickets, failures that must leave nothing half written, and the ticket commands.

#include "TicketEditorSupport.h"

#include "platform/rtl/FormatSettings.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

namespace {

using ::testing::ElementsAre;

TField& Field(TDataSet& table, TTicketField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

class TicketSave : public TicketEditorFixture {
protected:
    void SetUp() override
    {
        TicketEditorFixture::SetUp();
        Set(Setting::IDFlag, "#QZ#");
        clock = std::make_unique<TFixedClock>(EncodeDate(2024, 3, 15) + EncodeTime(9, 5, 7, 0));
    }
    void TearDown() override
    {
        clock.reset();
        TicketEditorFixture::TearDown();
    }
    TTicketCommandHost CommandHost()
    {
        TTicketCommandHost host;
        host.TicketTable = tickets.get();
        host.SettingsIni = ini.get();
        host.Message = BuiltInMessage;
        host.ActiveProductName = [] { return std::string("Tracker"); };
        host.CountOpenTickets = [this] { ++countOpenTicketsCalls; };
        return host;
    }
    // Fills every control the editor saves.
    void FillEverything()
    {
        BlankTicket();
        editor->cb_version->SetText("1.0");
        editor->cb_component->SetText("Core");
        editor->ed_subject->SetText("Crash on start");
        editor->ed_details->Lines().SetText("first line\r\nsecond line");
        editor->cb_category->SetText("Bug");
        editor->cb_priority->SetText("High");
        editor->cb_severity->SetText("Major");
        editor->dt_reportedon->SetDate(EncodeDate(2024, 3, 10));
        editor->cb_reportedby->SetText("Rita");
        editor->cb_assigned->SetText("Bob");
        editor->dt_due->SetDate(EncodeDate(2031, 12, 31));
        editor->dt_due->SetChecked(true);
        editor->dt_started->SetDate(EncodeDate(2024, 3, 11));
        editor->dt_started->SetChecked(true);
        editor->cb_available->SetText("1.1");
        editor->ed_attachment->SetText("logs/crash.txt");
        editor->cb_result->SetText("Fixed");
        editor->cb_status->SetText("Open");
        editor->testresult->Lines().SetText("passes");
        editor->approvalstatus->SetText("Pending");
        editor->approvedby->SetText("Dee");
        editor->origin->SetText("Customer");
        editor->cb_reproduce->SetText("Always");
        editor->cb_readiness->SetText("50%");
        editor->cause->Lines().SetText("null pointer");
        editor->solution->Lines().SetText("check it");
        editor->action->SetText("Investigate");
        editor->cost->SetText("12.5");
        editor->history->Lines().SetText("created");
        editor->cb_investigate->SetText("Ann");
        editor->cb_verify->SetText("Cy");
        editor->investigate->SetDate(EncodeDate(2024, 3, 12));
        editor->investigate->SetChecked(true);
        editor->filestore->Items().SetText("a.txt\r\nsub/b.txt");
    }
    void Save() { editor->btn_okClick(editor->btn_ok); }
    std::unique_ptr<TFixedClock> clock;
};

TEST_F(TicketSave, NewTicketWritesEveryControlToItsPosition)
{
    FillEverything();
    Save();
    ASSERT_EQ(tickets->RecordCount(), 1);
    tickets->First();
    struct Expect {
        TTicketField position;
        std::string text;
    };
    const Expect expected[] = {
        {TTicketField::TICKETID, "#QZ#1957"},
        {TTicketField::PRODUCT, "Tracker"},
        {TTicketField::VERSION, "1.0"},
        {TTicketField::COMPONENT, "Core"},
        {TTicketField::SUBJECT, "Crash on start"},
        {TTicketField::DETAILS, "first line\r\nsecond line\r\n"},
        {TTicketField::CATEGORY, "Bug"},
        {TTicketField::PRIORITY, "High"},
        {TTicketField::SEVERITY, "Major"},
        {TTicketField::REPORTEDBY, "Rita"},
        {TTicketField::ASSIGNED, "Bob"},
        {TTicketField::AVAILABLE, "1.1"},
        {TTicketField::ATTACHMENT, "logs/crash.txt"},
        {TTicketField::RESULT, "Fixed"},
        {TTicketField::STATUS, "Open"},
        {TTicketField::CREATEDBY, "tester"},
        {TTicketField::MODIFIEDBY, ""},
        {TTicketField::TESTRESULT, "passes\r\n"},
        {TTicketField::APPRSTATUS, "Pending"},
        {TTicketField::APPRDBY, "Dee"},
        {TTicketField::ORIGIN, "Customer"},
        {TTicketField::REPRODUCE, "Always"},
        {TTicketField::PERCENT, "50%"},
        {TTicketField::CAUSE, "null pointer\r\n"},
        {TTicketField::SOLUTION, "check it\r\n"},
        {TTicketField::ACTION, "Investigate"},
        {TTicketField::HISTORY, "created\r\n"},
        {TTicketField::INVESTBY, "Ann"},
        {TTicketField::VERIFYBY, "Cy"},
        {TTicketField::FILESTORE, "a.txt\r\nsub/b.txt\r\n"},
    };
    for (const Expect& e : expected) {
        EXPECT_EQ(Field(*tickets, e.position).AsString(), e.text) << static_cast<int>(e.position);
    }
    EXPECT_EQ(Field(*tickets, TTicketField::REPORTEDON).AsDateTime(), EncodeDate(2024, 3, 10));
    EXPECT_EQ(Field(*tickets, TTicketField::DUE).AsDateTime(), EncodeDate(2031, 12, 31));
    EXPECT_EQ(Field(*tickets, TTicketField::STARTED).AsDateTime(), EncodeDate(2024, 3, 11));
    EXPECT_EQ(Field(*tickets, TTicketField::CREATEDON).AsDateTime(), EncodeDate(2024, 3, 15));
    EXPECT_EQ(Field(*tickets, TTicketField::INVESTDATE).AsDateTime(), EncodeDate(2024, 3, 12));
    for (TTicketField empty : {TTicketField::FINISHED, TTicketField::REMINDERON, TTicketField::APPRDATE,
                               TTicketField::MODIFIEDON, TTicketField::RESOLVDATE, TTicketField::VERIFYDATE}) {
        EXPECT_TRUE(Field(*tickets, empty).IsNull()) << static_cast<int>(empty);
    }
    EXPECT_FALSE(Field(*tickets, TTicketField::COMPLETED).AsBoolean());
    EXPECT_TRUE(Field(*tickets, TTicketField::INVESTSTAT).AsBoolean());
    EXPECT_FALSE(Field(*tickets, TTicketField::RESOLVSTAT).AsBoolean());
    EXPECT_DOUBLE_EQ(Field(*tickets, TTicketField::COST).AsFloat(), 12.5);
    EXPECT_EQ(Field(*tickets, TTicketField::QALEVEL).AsInteger(), 2);
    EXPECT_EQ(countOpenTicketsCalls, 1);
    EXPECT_TRUE(dialogs->Records().empty());
}

TEST_F(TicketSave, EditingKeepsIdAndCreatedStampsAndLoadsEveryControlBack)
{
    FillEverything();
    Save();
    tickets->First();
    const std::string id = Field(*tickets, TTicketField::TICKETID).AsString();

    clock.reset();
    clock = std::make_unique<TFixedClock>(EncodeDate(2024, 4, 2) + EncodeTime(13, 0, 0, 0));
    TTicketCommandHost host = CommandHost();
    ASSERT_TRUE(PrepareEditTicket(*editor, host));
    EXPECT_EQ(TicketEditMode, 1);
    EXPECT_EQ(editor->idfield->Text(), id);
    EXPECT_EQ(editor->ed_details->Lines().Count(), 2);
    EXPECT_EQ(editor->filestore->Items().Count(), 2);
    EXPECT_TRUE(editor->investigate->Checked());
    EXPECT_FALSE(editor->resolve->Checked());
    EXPECT_EQ(editor->resolve->Date(), EncodeDate(2024, 4, 2));  // today when no date
    EXPECT_EQ(editor->qastatus->Text(), "2");
    editor->ed_subject->SetText("Crash on start, fixed");
    Save();

    ASSERT_EQ(tickets->RecordCount(), 1);
    tickets->First();
    EXPECT_EQ(Field(*tickets, TTicketField::TICKETID).AsString(), id);
    EXPECT_EQ(Field(*tickets, TTicketField::SUBJECT).AsString(), "Crash on start, fixed");
    EXPECT_EQ(Field(*tickets, TTicketField::CREATEDON).AsDateTime(), EncodeDate(2024, 3, 15));
    EXPECT_EQ(Field(*tickets, TTicketField::CREATEDBY).AsString(), "tester");
    EXPECT_EQ(Field(*tickets, TTicketField::MODIFIEDON).AsDateTime(), EncodeDate(2024, 4, 2));
    EXPECT_EQ(Field(*tickets, TTicketField::MODIFIEDBY).AsString(), "tester");
    EXPECT_EQ(Field(*tickets, TTicketField::DETAILS).AsString(), "first line\r\nsecond line\r\n");
    EXPECT_EQ(Field(*tickets, TTicketField::DUE).AsDateTime(), EncodeDate(2031, 12, 31));
}

TEST_F(TicketSave, TicketIdsArePrefixRecordAndTimeMadeUniqueWithinTheFieldWidth)
{
    struct Case {
        const char* name;
        std::string prefix;
        int record, hour, minute, second;
        std::vector<std::string> taken;
        std::string id;
    };
    const Case cases[] = {
        {"plain", "#QZ#", 12, 9, 5, 7, {}, "#QZ#12957"},
        {"no prefix", "", 12, 9, 5, 7, {}, "12957"},
        {"numbers run together", "", 1, 12, 5, 7, {"11257"}, "11257-2"},
        {"second collision", "", 1, 12, 5, 7, {"11257", "11257-2"}, "11257-3"},
        {"cut at the width", "#LONGPREFIX#", 123, 23, 59, 59, {}, "#LONGPREFIX#123"},
        {"cut id taken", "#LONGPREFIX#", 123, 23, 59, 58, {"#LONGPREFIX#123"}, "#LONGPREFIX#1-2"},
    };
    for (const Case& c : cases) {
        const std::string id = Tmainissuefrm::MakeTicketId(
            c.prefix, c.record, c.hour, c.minute, c.second, 15,
            [&](const std::string& candidate) { return std::find(c.taken.begin(), c.taken.end(), candidate) != c.taken.end(); });
        EXPECT_EQ(id, c.id) << c.name;
        EXPECT_LE(id.size(), 15u) << c.name;
    }
}

TEST_F(TicketSave, IdCollidingWithATicketHiddenByTheFilterGetsASuffix)
{
    Set(Setting::IDFlag, "");
    // Record 1 holds the id that record 2 at 9:05:07 would get ("2" "9" "5" "7").
    tickets->Append();
    Field(*tickets, TTicketField::TICKETID).SetAsString("2957");
    Field(*tickets, TTicketField::PRODUCT).SetAsString("Other");
    tickets->Post();
    tickets->OnFilterRecord = [](TDataSet* table, bool& accept) {
        accept = table->Fields().Fields(static_cast<int>(TTicketField::PRODUCT))->AsString() == "Tracker";
    };
    tickets->SetFiltered(true);
    BlankTicket();
    Save();
    tickets->SetFiltered(false);
    ASSERT_EQ(tickets->RecordCount(), 2);
    tickets->Last();
    EXPECT_EQ(Field(*tickets, TTicketField::TICKETID).AsString(), "2957-2");
}

TEST_F(TicketSave, OpenSubTicketsNeedConfirmationAndNoWritesNothing)
{
    BlankTicket();
    editor->ck_completed->SetChecked(true);
    editor->cb_status->SetText("Closed");
    openSubTickets = "2";
    dialogs->Answer(TModalResult::mrNo);
    Save();
    EXPECT_EQ(tickets->RecordCount(), 0);
    EXPECT_THAT(BoxTexts(), ElementsAre("2" + BuiltInMessage(28)));
    EXPECT_EQ(dialogs->Records()[0].Type, TMsgDlgType::mtConfirmation);

    dialogs->Answer(TModalResult::mrYes);
    Save();
    EXPECT_EQ(tickets->RecordCount(), 1);

    // "0" open sub-tickets or an unticked box asks nothing.
    dialogs->ClearRecords();
    openSubTickets = "0";
    BlankTicket();
    editor->ck_completed->SetChecked(true);
    Save();
    EXPECT_TRUE(dialogs->Records().empty());
    EXPECT_EQ(tickets->RecordCount(), 2);
}

TEST_F(TicketSave, RequiredFieldsAndAClosedTableRefuseSilently)
{
    for (auto clear : std::vector<std::function<void()>>{[this] { editor->cb_product->SetText(""); },
                                                          [this] { editor->cb_status->SetText(""); },
                                                          [this] { editor->cb_version->SetText(""); },
                                                          [this] { tickets->Close(); }}) {
        BlankTicket();
        clear();
        Save();
        tickets->Open();
        EXPECT_EQ(tickets->RecordCount(), 0);
    }
    EXPECT_TRUE(dialogs->Records().empty());
}

TEST_F(TicketSave, AFailedSaveLeavesNothingPendingAndTheNextOkWritesOneTicket)
{
    BlankTicket();
    editor->cost->SetText("twelve");
    Save();
    ASSERT_EQ(dialogs->Records().size(), 1u);
    EXPECT_EQ(dialogs->Records()[0].Text.rfind("EConvertError: ", 0), 0u) << dialogs->Records()[0].Text;
    EXPECT_EQ(tickets->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(tickets->RecordCount(), 0);

    tickets->failNextPost = true;
    editor->cost->SetText("");
    Save();
    EXPECT_EQ(tickets->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(tickets->RecordCount(), 0);

    Save();
    ASSERT_EQ(tickets->RecordCount(), 1);
    tickets->First();
    EXPECT_DOUBLE_EQ(Field(*tickets, TTicketField::COST).AsFloat(), 0.0);
}

TEST_F(TicketSave, ATicketWithoutReportDateCanBeEditedAndFrozenTicketsDisableOk)
{
    tickets->Append();
    Field(*tickets, TTicketField::TICKETID).SetAsString("T1");
    Field(*tickets, TTicketField::PRODUCT).SetAsString("Tracker");
    Field(*tickets, TTicketField::COMPLETED).SetAsBoolean(true);
    tickets->Post();
    Set(Setting::RecordFreeze, true);
    TTicketCommandHost host = CommandHost();
    ASSERT_TRUE(PrepareEditTicket(*editor, host));
    EXPECT_EQ(editor->dt_reportedon->Date(), EncodeDate(2024, 3, 15));
    EXPECT_FALSE(editor->btn_ok->Enabled());
    Set(Setting::RecordFreeze, false);
    ASSERT_TRUE(PrepareEditTicket(*editor, host));
    EXPECT_TRUE(editor->btn_ok->Enabled());
    EXPECT_TRUE(dialogs->Records().empty());
}

TEST_F(TicketSave, DeleteAsksFirstAndRecountsEitherWay)
{
    BlankTicket();
    Save();
    TTicketCommandHost host = CommandHost();
    countOpenTicketsCalls = 0;
    dialogs->Answer(TModalResult::mrNo);
    DeleteTicketCommand(host);
    EXPECT_EQ(tickets->RecordCount(), 1);
    tickets->First();
    EXPECT_FALSE(tickets->IsEmpty());
    dialogs->Answer(TModalResult::mrYes);
    DeleteTicketCommand(host);
    tickets->First();
    EXPECT_TRUE(tickets->IsEmpty());
    EXPECT_EQ(countOpenTicketsCalls, 2);
    EXPECT_THAT(BoxTexts(), ElementsAre("Are you sure?", "Are you sure?"));
}

TEST_F(TicketSave, PickListsHoldEachItemOnceAndPreferLocalNames)
{
    AddListItem(TListKind::Category, "Bug");
    AddListItem(TListKind::Category, "BUG");
    AddListItem(TListKind::Category, "Feature", "Funktion");
    AddListItem(TListKind::Status, "Open");
    AddListItem(TListKind::Job, "Tester");  // not an editor list
    AddContact("Ann", "ann@example.org");
    AddContact("ann", "");
    editor->cb_category->SetText("typed");
    editor->FormShow(editor.get());
    EXPECT_THAT(editor->cb_category->Items().CommaText(), "Bug,Feature");
    EXPECT_EQ(editor->cb_category->Text(), "typed");
    EXPECT_EQ(editor->cb_status->Items().CommaText(), "Open");
    EXPECT_EQ(editor->cb_verify->Items().CommaText(), "Ann");

    Set(Setting::UseLocalListItem, true);
    editor->FormShow(editor.get());
    EXPECT_EQ(editor->cb_category->Items().CommaText(), "Bug,Funktion");
}

TEST_F(TicketSave, MailGoesToTheFirstAddressAndReportsContactsWithout)
{
    TOpenerLog opener;
    AddContact("Rita Q", "");
    AddContact("Rita Q", "rita+qa@example.org");
    AddContact("Rita Q", "second@example.org");
    editor->cb_reportedby->SetText("Rita Q");
    editor->emailpopupPopup(nullptr);
    EXPECT_TRUE(editor->tothereporter1->Enabled());
    EXPECT_FALSE(editor->totheassignedperson1->Enabled());
    editor->tothereporter1Click(nullptr);
    EXPECT_THAT(BoxTexts(), ElementsAre(BuiltInMessage(29)));
    EXPECT_THAT(opener.Targets, ElementsAre("mailto:rita+qa@example.org?subject=Zentivor%20%5B1.0.0.0%5D&body="));

    // An address cannot smuggle in further header fields.
    EXPECT_EQ(Tmainissuefrm::MailLink("a@b.c?cc=x@y.z&bcc=q", "1.0"),
              "mailto:a@b.c%3Fcc%3Dx@y.z%26bcc%3Dq?subject=Zentivor%20%5B1.0%5D&body=");
    // A name without a contact opens nothing.
    editor->cb_assigned->SetText("Nobody");
    editor->totheassignedperson1Click(nullptr);
    EXPECT_EQ(opener.Targets.size(), 1u);
}

TEST_F(TicketSave, AttachmentsInsideTheFolderAreRelativeAndOthersKeepTheirFullPath)
{
    TOpenerLog opener;
    std::filesystem::create_directories(folder.File("attachments/logs"));
    std::ofstream(folder.File("attachments/logs/crash.txt")) << "x";
    std::ofstream(folder.File("outside.txt")) << "y";

    dialogs->Answer(TDialogAnswer{TModalResult::mrOk, folder.File("attachments/logs/crash.txt")});
    editor->SpeedButton11Click(nullptr);
    EXPECT_EQ(editor->ed_attachment->Text(), "logs/crash.txt");

    dialogs->Answer(TDialogAnswer{TModalResult::mrOk, folder.File("attachments/logs/crash.txt")});
    editor->addbtnClick(nullptr);
    dialogs->Answer(TDialogAnswer{TModalResult::mrOk, folder.File("outside.txt")});
    editor->addbtnClick(nullptr);
    dialogs->Answer(TDialogAnswer{TModalResult::mrCancel, ""});
    editor->addbtnClick(nullptr);
    EXPECT_EQ(editor->filestore->Items().Text(), "logs/crash.txt\r\n" + folder.File("outside.txt") + "\r\n");

    editor->filestore->SetItemIndex(1);
    editor->filestoreClick(nullptr);
    EXPECT_TRUE(editor->openbtn->Enabled());
    EXPECT_TRUE(editor->deletebtn->Enabled());
    EXPECT_EQ(editor->path->Caption(), folder.File("outside.txt"));
    editor->openbtnClick(nullptr);
    EXPECT_THAT(opener.Targets, ElementsAre(folder.File("outside.txt")));

    editor->deletebtnClick(nullptr);
    EXPECT_EQ(editor->filestore->Items().Count(), 1);
    EXPECT_FALSE(editor->openbtn->Enabled());
    EXPECT_FALSE(editor->deletebtn->Enabled());
    EXPECT_TRUE(std::filesystem::exists(folder.File("outside.txt")));
}

}  // namespace
