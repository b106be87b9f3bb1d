// The ticket editor's QA workflow (level, step check) and its change history.

#include "app/Unit4.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"

// ---------------------------------------------------------------------------------------------
// QA level

int Tmainissuefrm::QaLevel()
{
    const std::string approved = SettingText(Setting::Approved);
    const std::string closed = SettingText(Setting::Closed);
    if (cb_investigate->Text().empty()) {
        return 0;
    }
    if (!investigate->Checked()) {
        return 1;
    }
    if (!resolve->Checked() || cb_assigned->Text().empty()) {
        return 2;
    }
    if (!verify->Checked() || cb_verify->Text().empty()) {
        return 3;
    }
    if (!approvaldate->Checked() || approvalstatus->Text() != approved || approvedby->Text().empty()) {
        return 4;
    }
    if (!ck_completed->Checked() || cb_status->Text() != closed) {
        return 5;
    }
    return 6;
}

void Tmainissuefrm::ComputeQaLevel()
{
    RunUserHandler([this] {
        const int level = QaLevel();
        qastatus->SetText(IntToStr(level));
        if (SettingOn(Setting::AutoQALevel)) {
            action->SetItemIndex(level);
            // The Action list is expected in the order of the levels; a shorter list leaves no
            // item to take and the lookup fails.
            action->SetText(action->Items().Strings(action->ItemIndex()));
        }
    });
}

void Tmainissuefrm::refreshqabtnClick(TObject*)
{
    ComputeQaLevel();
}

void Tmainissuefrm::CheckQaSteps()
{
    RunUserHandler([this] {
        if (!SettingOn(Setting::QASteps) || qastatus->Text().empty()) {
            return;
        }
        const std::string approved = SettingText(Setting::Approved);
        const std::string closed = SettingText(Setting::Closed);
        // Each test sees the boxes as they were when the check began: an untick made by an
        // earlier test lowers the level later tests see, but does not hide a box from the
        // status tests, so a wrong approval or closure status is always reported.
        const bool investigateTicked = investigate->Checked();
        const bool resolveTicked = resolve->Checked();
        const bool verifyTicked = verify->Checked();
        const bool approvalTicked = approvaldate->Checked();
        const bool completedTicked = ck_completed->Checked();

        std::string text = Message(54);
        bool fired = false;
        auto level = [this] {
            ComputeQaLevel();
            return StrToInt(qastatus->Text());
        };
        auto fail = [&](int message, auto untick) {
            text += "\r\n" + Message(message);
            fired = true;
            untick();
        };
        if (level() <= 1 && investigateTicked) {
            fail(55, [this] { investigate->SetChecked(false); });
        }
        if (level() <= 2 && resolveTicked) {
            fail(56, [this] { resolve->SetChecked(false); });
        }
        if (level() <= 3 && verifyTicked) {
            fail(57, [this] { verify->SetChecked(false); });
        }
        if (level() <= 4 && approvalTicked) {
            fail(58, [this] { approvaldate->SetChecked(false); });
        }
        level();
        if (approvalTicked && approvalstatus->Text() != approved) {
            fail(59, [this] { approvaldate->SetChecked(false); });
        }
        if (level() <= 5 && completedTicked) {
            fail(60, [this] { ck_completed->SetChecked(false); });
        }
        level();
        if (completedTicked && cb_status->Text() != closed) {
            fail(31, [this] { ck_completed->SetChecked(false); });
        }
        if (fired) {
            text += "\r\n" + Message(32);
            MessageDlg(text, TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
        }
    });
}

// ---------------------------------------------------------------------------------------------
// History slots

bool Tmainissuefrm::AutoHistory() const
{
    return SettingOn(Setting::AutoHistory);
}

std::string Tmainissuefrm::SlotValue(THistorySlot slot) const
{
    TStrings& items = addhistory->Items();
    const int index = static_cast<int>(slot);
    return index < items.Count() ? items[index] : std::string();
}

void Tmainissuefrm::SetSlotValue(THistorySlot slot, const std::string& value)
{
    TStrings& items = addhistory->Items();
    const int index = static_cast<int>(slot);
    while (items.Count() <= index) {
        items.Add("");
    }
    items.SetStrings(index, value);
}

std::string Tmainissuefrm::PickerText(const TDateTimePicker& picker) const
{
    return picker.Checked() ? DateToStr(picker.Date()) : std::string();
}

void Tmainissuefrm::RememberCombo(THistorySlot slot, const TComboBox& combo)
{
    if (AutoHistory()) {
        SetSlotValue(slot, combo.Text());
    }
}

void Tmainissuefrm::RememberPicker(THistorySlot slot, const TDateTimePicker& picker)
{
    if (AutoHistory()) {
        SetSlotValue(slot, PickerText(picker));
    }
}

void Tmainissuefrm::RememberLoadedValues()
{
    SetSlotValue(THistorySlot::Available, cb_available->Text());
    SetSlotValue(THistorySlot::Category, cb_category->Text());
    SetSlotValue(THistorySlot::Readiness, cb_readiness->Text());
    SetSlotValue(THistorySlot::Result, cb_result->Text());
    SetSlotValue(THistorySlot::Status, cb_status->Text());
    SetSlotValue(THistorySlot::Due, PickerText(*dt_due));
    SetSlotValue(THistorySlot::Started, PickerText(*dt_started));
    SetSlotValue(THistorySlot::Finished, PickerText(*dt_finished));
    SetSlotValue(THistorySlot::Investigator, cb_investigate->Text());
    SetSlotValue(THistorySlot::Assigned, cb_assigned->Text());
    SetSlotValue(THistorySlot::Verifier, cb_verify->Text());
    SetSlotValue(THistorySlot::Approver, approvedby->Text());
    SetSlotValue(THistorySlot::Reproduce, cb_reproduce->Text());
    SetSlotValue(THistorySlot::Investigate, PickerText(*investigate));
    SetSlotValue(THistorySlot::Resolve, PickerText(*resolve));
    SetSlotValue(THistorySlot::Verify, PickerText(*verify));
    SetSlotValue(THistorySlot::ApprovalStatus, approvalstatus->Text());
    SetSlotValue(THistorySlot::ApprovalDate, PickerText(*approvaldate));
}

void Tmainissuefrm::cb_availableEnter(TObject*) { RememberCombo(THistorySlot::Available, *cb_available); }
void Tmainissuefrm::cb_categoryEnter(TObject*) { RememberCombo(THistorySlot::Category, *cb_category); }
void Tmainissuefrm::cb_readinessEnter(TObject*) { RememberCombo(THistorySlot::Readiness, *cb_readiness); }
void Tmainissuefrm::cb_resultEnter(TObject*) { RememberCombo(THistorySlot::Result, *cb_result); }
void Tmainissuefrm::cb_statusEnter(TObject*) { RememberCombo(THistorySlot::Status, *cb_status); }
void Tmainissuefrm::cb_investigateEnter(TObject*) { RememberCombo(THistorySlot::Investigator, *cb_investigate); }
void Tmainissuefrm::cb_assignedEnter(TObject*) { RememberCombo(THistorySlot::Assigned, *cb_assigned); }
void Tmainissuefrm::cb_verifyEnter(TObject*) { RememberCombo(THistorySlot::Verifier, *cb_verify); }
void Tmainissuefrm::approvedbyEnter(TObject*) { RememberCombo(THistorySlot::Approver, *approvedby); }
void Tmainissuefrm::cb_reproduceEnter(TObject*) { RememberCombo(THistorySlot::Reproduce, *cb_reproduce); }
void Tmainissuefrm::approvalstatusEnter(TObject*) { RememberCombo(THistorySlot::ApprovalStatus, *approvalstatus); }
void Tmainissuefrm::dt_dueEnter(TObject*) { RememberPicker(THistorySlot::Due, *dt_due); }
void Tmainissuefrm::dt_startedEnter(TObject*) { RememberPicker(THistorySlot::Started, *dt_started); }
void Tmainissuefrm::dt_finishedEnter(TObject*) { RememberPicker(THistorySlot::Finished, *dt_finished); }
void Tmainissuefrm::investigateEnter(TObject*) { RememberPicker(THistorySlot::Investigate, *investigate); }
void Tmainissuefrm::resolveEnter(TObject*) { RememberPicker(THistorySlot::Resolve, *resolve); }
void Tmainissuefrm::verifyEnter(TObject*) { RememberPicker(THistorySlot::Verify, *verify); }
void Tmainissuefrm::approvaldateEnter(TObject*) { RememberPicker(THistorySlot::ApprovalDate, *approvaldate); }

// ---------------------------------------------------------------------------------------------
// Change lines

std::string Tmainissuefrm::LabelCaption(const char* labelName) const
{
    const auto* label = dynamic_cast<const TLabel*>(FindComponent(labelName));
    return label != nullptr ? label->Caption() : std::string();
}

std::string Tmainissuefrm::PersonLabel(const char* labelName) const
{
    return LabelCaption(labelName) + " " + grp5->Caption();
}

void Tmainissuefrm::AddHistoryLine(const std::string& line)
{
    history->Lines().Add(line);
}

void Tmainissuefrm::ScrollHistory()
{
    history->ScrollToCaret();
}

void Tmainissuefrm::ComboChanged(THistorySlot slot, const std::string& label, const TComboBox& combo)
{
    if (AutoHistory()) {
        AddHistoryLine(label + ": " + SlotValue(slot) + " > " + combo.Text() + ", (" + Today() + ")");
    }
    ScrollHistory();
}

void Tmainissuefrm::PickerChanged(THistorySlot slot, const char* labelName, const TDateTimePicker& picker)
{
    if (AutoHistory()) {
        const std::string value = picker.Checked() ? DateToStr(picker.Date()) : std::string(" ");
        AddHistoryLine(LabelCaption(labelName) + ": " + SlotValue(slot) + " > " + value + ", (" + Today() + ")");
    }
    ScrollHistory();
}

void Tmainissuefrm::cb_availableChange(TObject*) { ComboChanged(THistorySlot::Available, LabelCaption("lb_available"), *cb_available); }
void Tmainissuefrm::cb_categoryChange(TObject*) { ComboChanged(THistorySlot::Category, LabelCaption("lb_category"), *cb_category); }
void Tmainissuefrm::cb_readinessChange(TObject*) { ComboChanged(THistorySlot::Readiness, LabelCaption("lb_readiness"), *cb_readiness); }
void Tmainissuefrm::cb_resultChange(TObject*) { ComboChanged(THistorySlot::Result, LabelCaption("lb_result"), *cb_result); }
void Tmainissuefrm::cb_investigateChange(TObject*) { ComboChanged(THistorySlot::Investigator, PersonLabel("lb_investigate"), *cb_investigate); }
void Tmainissuefrm::cb_assignedChange(TObject*) { ComboChanged(THistorySlot::Assigned, PersonLabel("lb_assigned"), *cb_assigned); }
void Tmainissuefrm::cb_verifyChange(TObject*) { ComboChanged(THistorySlot::Verifier, PersonLabel("lb_verified"), *cb_verify); }
void Tmainissuefrm::approvedbyChange(TObject*) { ComboChanged(THistorySlot::Approver, PersonLabel("lb_approved"), *approvedby); }
void Tmainissuefrm::cb_reproduceChange(TObject*) { ComboChanged(THistorySlot::Reproduce, LabelCaption("lb_reproduce"), *cb_reproduce); }
void Tmainissuefrm::approvalstatusChange(TObject*) { ComboChanged(THistorySlot::ApprovalStatus, LabelCaption("lb_approvalstatus"), *approvalstatus); }

void Tmainissuefrm::cb_statusChange(TObject*)
{
    RunUserHandler([this] {
        const TDateTime today = Date();
        if (cb_status->Text() == SettingText(Setting::Closed)) {
            ck_completed->SetChecked(true);
            dt_reminder->SetChecked(false);
            dt_finished->SetDate(today);
            dt_finished->SetChecked(true);
        } else {
            ck_completed->SetChecked(false);
            dt_finished->SetDate(today);
            dt_finished->SetChecked(false);
        }
        ComboChanged(THistorySlot::Status, LabelCaption("lb_status"), *cb_status);
    });
}

void Tmainissuefrm::dt_dueClick(TObject*) { PickerChanged(THistorySlot::Due, "lb_due", *dt_due); }
void Tmainissuefrm::dt_dueCloseUp(TObject*) { PickerChanged(THistorySlot::Due, "lb_due", *dt_due); }
void Tmainissuefrm::dt_startedClick(TObject*) { PickerChanged(THistorySlot::Started, "lb_started", *dt_started); }
void Tmainissuefrm::dt_startedCloseUp(TObject*) { PickerChanged(THistorySlot::Started, "lb_started", *dt_started); }
void Tmainissuefrm::dt_finishedClick(TObject*) { PickerChanged(THistorySlot::Finished, "lb_finished", *dt_finished); }
void Tmainissuefrm::dt_finishedCloseUp(TObject*) { PickerChanged(THistorySlot::Finished, "lb_finished", *dt_finished); }
void Tmainissuefrm::investigateClick(TObject*) { PickerChanged(THistorySlot::Investigate, "lb_invest", *investigate); }
void Tmainissuefrm::investigateCloseUp(TObject*) { PickerChanged(THistorySlot::Investigate, "lb_invest", *investigate); }
void Tmainissuefrm::resolveClick(TObject*) { PickerChanged(THistorySlot::Resolve, "lb_resol", *resolve); }
void Tmainissuefrm::resolveCloseUp(TObject*) { PickerChanged(THistorySlot::Resolve, "lb_resol", *resolve); }
void Tmainissuefrm::verifyClick(TObject*) { PickerChanged(THistorySlot::Verify, "lb_verif", *verify); }
void Tmainissuefrm::verifyCloseUp(TObject*) { PickerChanged(THistorySlot::Verify, "lb_verif", *verify); }
void Tmainissuefrm::approvaldateClick(TObject*) { PickerChanged(THistorySlot::ApprovalDate, "lb_approv", *approvaldate); }
void Tmainissuefrm::approvaldateCloseUp(TObject*) { PickerChanged(THistorySlot::ApprovalDate, "lb_approv", *approvaldate); }

void Tmainissuefrm::ck_completedClick(TObject*)
{
    if (AutoHistory()) {
        AddHistoryLine(ck_completed->Caption() + (ck_completed->Checked() ? ": Yes" : ": No") + ", (" + Today() + ")");
    }
    ScrollHistory();
}

// ---------------------------------------------------------------------------------------------
// Check-box date pickers: OnChange fires for every change (each keystroke in the date text
// too) and runs only the date-picker workaround; the history line comes from OnClick (a tick
// or untick) and OnCloseUp (a date picked or typed and accepted), once per committed change.

void Tmainissuefrm::PickerToggledByUser(TDateTimePicker& picker)
{
    if (SettingOn(Setting::UseManifest)) {
        picker.SetChecked(!picker.Checked());
    }
}

void Tmainissuefrm::dt_reminderChange(TObject*) { PickerToggledByUser(*dt_reminder); }
void Tmainissuefrm::dt_startedChange(TObject*) { PickerToggledByUser(*dt_started); }
void Tmainissuefrm::dt_dueChange(TObject*) { PickerToggledByUser(*dt_due); }
void Tmainissuefrm::dt_finishedChange(TObject*) { PickerToggledByUser(*dt_finished); }
void Tmainissuefrm::investigateChange(TObject*) { PickerToggledByUser(*investigate); }
void Tmainissuefrm::resolveChange(TObject*) { PickerToggledByUser(*resolve); }
void Tmainissuefrm::verifyChange(TObject*) { PickerToggledByUser(*verify); }
void Tmainissuefrm::approvaldateChange(TObject*) { PickerToggledByUser(*approvaldate); }

// ---------------------------------------------------------------------------------------------
// History sentences of the popup menus

void Tmainissuefrm::Addinvestigationstatustothehistory1Click(TObject*)
{
    if (investigate->Checked()) {
        AddHistoryLine("Investigation successfully carried out on " + DateToStr(investigate->Date()) + " by " +
                       cb_investigate->Text());
    } else {
        AddHistoryLine("Investigation failed on " + Today());
    }
    ScrollHistory();
}

void Tmainissuefrm::Addresolvestatostothehistory1Click(TObject*)
{
    if (resolve->Checked()) {
        AddHistoryLine("Resolution successfully carried out on " + DateToStr(resolve->Date()) + " by " + cb_assigned->Text());
    } else {
        AddHistoryLine("Resolution failed on " + Today());
    }
    ScrollHistory();
}

void Tmainissuefrm::Addverificationstatustothehistory1Click(TObject*)
{
    if (verify->Checked()) {
        AddHistoryLine("Verification successfully carried out on " + DateToStr(verify->Date()) + " by " + cb_verify->Text());
    } else {
        AddHistoryLine("Verification failed on " + Today());
    }
    ScrollHistory();
}

void Tmainissuefrm::Addapprovalstatustothehistory1Click(TObject*)
{
    if (approvaldate->Checked()) {
        AddHistoryLine("Approval successfully carried out on " + DateToStr(approvaldate->Date()) +
                       " with the following result: " + approvalstatus->Text() + " by " + approvedby->Text());
    } else {
        AddHistoryLine("Approval failed on " + Today() + " with the following result: " + approvalstatus->Text());
    }
    ScrollHistory();
}

void Tmainissuefrm::Addcompletedstatustothehistory1Click(TObject*)
{
    if (ck_completed->Checked()) {
        AddHistoryLine("Completion successfully carried out on " + DateToStr(dt_finished->Date()) +
                       " with the following result: " + cb_result->Text() + "/" + cb_status->Text() + " by " +
                       approvedby->Text());
    } else {
        AddHistoryLine("Completion failed on " + Today() + " with the following result: " + cb_result->Text() + "/" +
                       cb_status->Text());
    }
    ScrollHistory();
}

void Tmainissuefrm::Addstartstatustothehistory1Click(TObject*)
{
    if (dt_started->Checked()) {
        AddHistoryLine("Started on " + DateToStr(dt_started->Date()) + " with the following status: " + cb_status->Text() +
                       " and assigned to " + cb_assigned->Text());
    } else {
        AddHistoryLine("It has not been started yet on " + Today());
    }
    ScrollHistory();
}
