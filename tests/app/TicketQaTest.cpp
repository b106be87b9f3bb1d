// The ticket editor's QA level, the QA-step check of a save and the change history.

#include "TicketEditorSupport.h"

#include "platform/rtl/FormatSettings.h"

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QTest>

namespace {

using ::testing::ElementsAre;

// The QA controls of one ticket.
struct TQaState {
    std::string investigator;
    bool investigated = false;
    std::string resolver;
    bool resolved = false;
    std::string verifier;
    bool verified = false;
    bool approvalDate = false;
    std::string approvalStatus;
    std::string approver;
    bool completed = false;
    std::string status = "New (unconfirmed)";
};

const TQaState kAllDone{"Ann", true, "Bob", true, "Cy", true, true, "Approved", "Dee", true, "Closed"};

class TicketQa : public TicketEditorFixture {
protected:
    void Apply(const TQaState& state)
    {
        editor->cb_investigate->SetText(state.investigator);
        editor->investigate->SetChecked(state.investigated);
        editor->cb_assigned->SetText(state.resolver);
        editor->resolve->SetChecked(state.resolved);
        editor->cb_verify->SetText(state.verifier);
        editor->verify->SetChecked(state.verified);
        editor->approvaldate->SetChecked(state.approvalDate);
        editor->approvalstatus->SetText(state.approvalStatus);
        editor->approvedby->SetText(state.approver);
        editor->ck_completed->SetChecked(state.completed);
        editor->cb_status->SetText(state.status);
    }
    std::string Level()
    {
        editor->ComputeQaLevel();
        return editor->qastatus->Text();
    }
};

TEST_F(TicketQa, LevelRisesStepByStepAndStopsAtTheFirstMissingStep)
{
    struct Case {
        const char* name;
        TQaState state;
        const char* level;
    };
    TQaState noResolver = kAllDone;
    noResolver.resolver = "";
    TQaState noInvestigator = kAllDone;
    noInvestigator.investigator = "";
    TQaState wrongApproval = kAllDone;
    wrongApproval.approvalStatus = "approved";  // case matters
    TQaState notClosed = kAllDone;
    notClosed.status = "Open";
    TQaState onlyInvestigator;
    onlyInvestigator.investigator = "Ann";
    TQaState noVerifyTick = kAllDone;
    noVerifyTick.verified = false;
    const Case cases[] = {
        {"fresh ticket", TQaState{}, "0"},
        {"investigator only", onlyInvestigator, "1"},
        {"resolution ticked without resolver", noResolver, "2"},
        {"verification not ticked", noVerifyTick, "3"},
        {"approval status differs in case", wrongApproval, "4"},
        {"completed but not closed", notClosed, "5"},
        {"all steps done", kAllDone, "6"},
        {"everything but the investigator", noInvestigator, "0"},
    };
    for (const Case& c : cases) {
        Apply(c.state);
        EXPECT_EQ(Level(), c.level) << c.name;
    }
}

TEST_F(TicketQa, AutoQaLevelSelectsTheActionOfTheLevelAndAShortListShowsTheError)
{
    Set(Setting::AutoQALevel, true);
    editor->action->Items().SetCommaText("New,Assign,Investigate,Resolve,Verify,Approve,Close");
    TQaState state;
    state.investigator = "Ann";
    state.investigated = true;
    Apply(state);
    EXPECT_EQ(Level(), "2");
    EXPECT_EQ(editor->action->Text(), "Investigate");

    editor->action->Items().SetCommaText("New,Assign");
    EXPECT_EQ(Level(), "2");  // the level is set before the lookup fails
    ASSERT_EQ(dialogs->Records().size(), 1u);
    EXPECT_EQ(dialogs->Records()[0].Type, TMsgDlgType::mtError);
}

TEST_F(TicketQa, StepCheckReportsEveryFailedStepInOneWarning)
{
    Set(Setting::QASteps, true);
    struct Case {
        const char* name;
        TQaState state;
        std::vector<int> messages;  // empty: no box
        bool approvalAfter;
        bool completedAfter;
    };
    TQaState wrongApproval = kAllDone;
    wrongApproval.approvalStatus = "Rejected";
    TQaState onlyCompleted;
    onlyCompleted.completed = true;
    TQaState completedNotClosed = kAllDone;
    completedNotClosed.status = "Fixed";
    TQaState verifiedTooEarly;
    verifiedTooEarly.investigator = "Ann";
    verifiedTooEarly.verified = true;
    verifiedTooEarly.verifier = "Cy";
    const Case cases[] = {
        {"all steps done", kAllDone, {}, true, true},
        // The approval date is unticked at the approval phase; the status test still sees the
        // box as ticked and names the wrong status; completion then fails on the lower level.
        {"wrong approval status", wrongApproval, {54, 58, 59, 60, 32}, false, false},
        {"only completion ticked", onlyCompleted, {54, 60, 31, 32}, false, false},
        {"completed with another status", completedNotClosed, {54, 60, 31, 32}, true, false},
        {"verification before investigation", verifiedTooEarly, {54, 57, 32}, false, false},
    };
    for (const Case& c : cases) {
        Apply(c.state);
        editor->qastatus->SetText("0");
        dialogs->ClearRecords();
        editor->CheckQaSteps();
        if (c.messages.empty()) {
            EXPECT_TRUE(dialogs->Records().empty()) << c.name;
        } else {
            std::string expected;
            for (size_t i = 0; i < c.messages.size(); ++i) {
                expected += (i == 0 ? "" : "\r\n") + BuiltInMessage(c.messages[i]);
            }
            ASSERT_EQ(dialogs->Records().size(), 1u) << c.name;
            EXPECT_EQ(dialogs->Records()[0].Text, expected) << c.name;
            EXPECT_EQ(dialogs->Records()[0].Type, TMsgDlgType::mtWarning) << c.name;
        }
        EXPECT_EQ(editor->approvaldate->Checked(), c.approvalAfter) << c.name;
        EXPECT_EQ(editor->ck_completed->Checked(), c.completedAfter) << c.name;
    }
}

TEST_F(TicketQa, StepCheckIsOffWithoutTheSettingOrWithoutALevel)
{
    TQaState onlyCompleted;
    onlyCompleted.completed = true;
    Apply(onlyCompleted);
    editor->CheckQaSteps();
    Set(Setting::QASteps, true);
    editor->qastatus->SetText("");
    editor->CheckQaSteps();
    EXPECT_TRUE(dialogs->Records().empty());
    EXPECT_TRUE(editor->ck_completed->Checked());
}

class TicketHistory : public TicketQa {
protected:
    void SetUp() override
    {
        TicketQa::SetUp();
        clock = std::make_unique<TFixedClock>(EncodeDate(2024, 3, 15) + EncodeTime(9, 5, 7, 0));
    }
    void TearDown() override
    {
        clock.reset();
        TicketQa::TearDown();
    }
    std::vector<std::string> Lines()
    {
        std::vector<std::string> lines;
        for (int i = 0; i < editor->history->Lines().Count(); ++i) {
            lines.push_back(editor->history->Lines()[i]);
        }
        return lines;
    }
    std::unique_ptr<TFixedClock> clock;
};

TEST_F(TicketHistory, AutomaticLinesForCombosPickersAndTheCompletedBox)
{
    Set(Setting::AutoHistory, true);
    BlankTicket();
    editor->history->Clear();

    // A combo: old value from entering, new text on change.
    editor->cb_category->SetText("Bug");
    editor->cb_categoryEnter(editor->cb_category);
    editor->cb_category->SetText("Feature");
    editor->cb_categoryChange(editor->cb_category);
    // A person combo carries the group caption.
    editor->cb_investigate->SetText("Ann");
    editor->cb_investigateChange(editor->cb_investigate);
    // Unticking the due date: a single blank as the new value.
    editor->dt_due->SetDate(EncodeDate(2024, 2, 1));
    editor->dt_due->SetChecked(true);
    editor->dt_dueEnter(editor->dt_due);
    editor->dt_due->SetChecked(false);
    editor->dt_dueClick(editor->dt_due);
    // Ticking the start date.
    editor->dt_started->SetDate(EncodeDate(2024, 3, 1));
    editor->dt_started->SetChecked(true);
    editor->dt_startedClick(editor->dt_started);

    EXPECT_THAT(Lines(), ElementsAre("Category: Bug > Feature, (15/03/2024)",
                                     "Investigation Assigned to:  > Ann, (15/03/2024)",
                                     "Due: 01/02/2024 >  , (15/03/2024)",
                                     "Started:  > 01/03/2024, (15/03/2024)"));
}

TEST_F(TicketHistory, UsersDatePickerChangesWriteOneLineEachWhenCommitted)
{
    Set(Setting::AutoHistory, true);
    BlankTicket();
    editor->Show();
    editor->dt_due->SetDate(EncodeDate(2024, 2, 1));
    editor->dt_due->SetChecked(true);
    editor->dt_dueEnter(editor->dt_due);
    editor->history->Clear();

    // The user types a new day into the date text: several changes, one committed value.
    QDateTimeEdit* text = editor->dt_due->EditWidget();
    text->setFocus();
    text->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(text, "25");
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_THAT(Lines(), ElementsAre("Due: 01/02/2024 > 25/02/2024, (15/03/2024)"));
    // Leaving the field afterwards commits nothing new.
    editor->ed_subject->SetFocus();
    EXPECT_EQ(Lines().size(), 1u);

    // A tick of the box is one line too.
    editor->dt_due->CheckWidget()->click();
    EXPECT_THAT(Lines(), ElementsAre("Due: 01/02/2024 > 25/02/2024, (15/03/2024)",
                                     "Due: 01/02/2024 >  , (15/03/2024)"));
    editor->Hide();
}

TEST_F(TicketHistory, ClosingStatusTicksCompletedAndWritesBothLines)
{
    Set(Setting::AutoHistory, true);
    BlankTicket();
    editor->history->Clear();
    editor->dt_reminder->SetChecked(true);
    editor->cb_status->SetText("Closed");
    editor->cb_statusChange(editor->cb_status);
    EXPECT_TRUE(editor->ck_completed->Checked());
    EXPECT_FALSE(editor->dt_reminder->Checked());
    EXPECT_TRUE(editor->dt_finished->Checked());
    EXPECT_EQ(editor->dt_finished->Date(), EncodeDate(2024, 3, 15));
    EXPECT_THAT(Lines(), ElementsAre("Completed: Yes, (15/03/2024)",
                                     "Status: New (unconfirmed) > Closed, (15/03/2024)"));

    editor->history->Clear();
    editor->cb_status->SetText("Reopened");
    editor->cb_statusChange(editor->cb_status);
    EXPECT_FALSE(editor->ck_completed->Checked());
    EXPECT_FALSE(editor->dt_finished->Checked());
    // The old value is the one remembered when the ticket was loaded, not the last change.
    EXPECT_THAT(Lines(), ElementsAre("Completed: No, (15/03/2024)",
                                     "Status: New (unconfirmed) > Reopened, (15/03/2024)"));
}

TEST_F(TicketHistory, WithoutAutoHistoryChangesAddNothing)
{
    BlankTicket();
    editor->history->Clear();
    editor->cb_category->SetText("Bug");
    editor->cb_categoryChange(editor->cb_category);
    editor->cb_status->SetText("Closed");
    editor->cb_statusChange(editor->cb_status);
    EXPECT_TRUE(editor->ck_completed->Checked());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(TicketHistory, RememberedValuesComeFromTheLoadedTicket)
{
    Set(Setting::AutoHistory, true);
    BlankTicket();
    editor->cb_status->SetText("Open");
    editor->cb_statusEnter(editor->cb_status);  // a value left from an earlier ticket
    BlankTicket();                               // the opener loads "New (unconfirmed)"
    editor->history->Clear();
    editor->cb_status->SetText("Fixed");
    editor->cb_statusChange(editor->cb_status);
    EXPECT_THAT(Lines(), ElementsAre("Status: New (unconfirmed) > Fixed, (15/03/2024)"));
}

TEST_F(TicketHistory, MenuSentences)
{
    BlankTicket();
    editor->history->Clear();
    const TDateTime march1 = EncodeDate(2024, 3, 1);
    for (TDateTimePicker* picker : {editor->investigate, editor->resolve, editor->verify, editor->approvaldate,
                                    editor->dt_started, editor->dt_finished}) {
        picker->SetDate(march1);
    }
    editor->cb_investigate->SetText("Ann");
    editor->cb_assigned->SetText("Bob");
    editor->cb_verify->SetText("Cy");
    editor->approvedby->SetText("Dee");
    editor->approvalstatus->SetText("Approved");
    editor->cb_result->SetText("Fixed");
    editor->cb_status->SetText("Closed");

    auto all = [this] {
        editor->Addinvestigationstatustothehistory1Click(nullptr);
        editor->Addresolvestatostothehistory1Click(nullptr);
        editor->Addverificationstatustothehistory1Click(nullptr);
        editor->Addapprovalstatustothehistory1Click(nullptr);
        editor->Addcompletedstatustothehistory1Click(nullptr);
        editor->Addstartstatustothehistory1Click(nullptr);
    };
    all();  // nothing ticked
    EXPECT_THAT(Lines(), ElementsAre("Investigation failed on 15/03/2024", "Resolution failed on 15/03/2024",
                                     "Verification failed on 15/03/2024",
                                     "Approval failed on 15/03/2024 with the following result: Approved",
                                     "Completion failed on 15/03/2024 with the following result: Fixed/Closed",
                                     "It has not been started yet on 15/03/2024"));

    editor->history->Clear();
    for (TDateTimePicker* picker : {editor->investigate, editor->resolve, editor->verify, editor->approvaldate,
                                    editor->dt_started, editor->dt_finished}) {
        picker->SetChecked(true);
    }
    editor->ck_completed->SetChecked(true);
    all();
    EXPECT_THAT(Lines(),
                ElementsAre("Investigation successfully carried out on 01/03/2024 by Ann",
                            "Resolution successfully carried out on 01/03/2024 by Bob",
                            "Verification successfully carried out on 01/03/2024 by Cy",
                            "Approval successfully carried out on 01/03/2024 with the following result: Approved by Dee",
                            "Completion successfully carried out on 01/03/2024 with the following result: Fixed/Closed by Dee",
                            "Started on 01/03/2024 with the following status: Closed and assigned to Bob"));
}

}  // namespace
