#include "app/Unit5Commands.h"

#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/Unit5.h"
#include "app/tables/TrackerTables.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

namespace {

bool TableOpen(const TDataSet* table)
{
    return table != nullptr && table->Active();
}

std::string SubTicketText(TDataSet& table, TSubticketField position)
{
    return table.Fields().Fields(static_cast<int>(position))->AsString();
}

// A date picker with a check box, from the field's short-date text: that date, ticked; today,
// unticked, when the text is empty.
void LoadPickerFromText(TDateTimePicker& picker, const std::string& text)
{
    if (text.empty()) {
        picker.SetDate(Date());
        picker.SetChecked(false);
    } else {
        picker.SetDate(StrToDate(text));
        picker.SetChecked(true);
    }
}

}  // namespace

bool PrepareNewSubTicket(Tsubissuefrm& editor, const TSubTicketCommandHost& host)
{
    if (!TableOpen(host.SubTicketTable) || !TableOpen(host.TicketTable) || host.TicketTable->IsEmpty()) {
        return false;
    }
    const std::string parent =
        host.TicketTable->Fields().Fields(static_cast<int>(TTicketField::TICKETID))->AsString();
    if (parent.empty()) {
        return false;
    }
    SubTicketEditMode = 0;
    editor.ed_mainissueid->SetText(parent);
    editor.ed_subject->SetText("");
    editor.ed_details->Clear();
    editor.cb_priority->SetText("");
    editor.cb_assigned->SetText("");
    editor.ed_attachment->SetText("");
    editor.cb_status->SetText("");
    for (TDateTimePicker* picker : {editor.dt_due, editor.dt_started, editor.dt_finished, editor.dt_reminder}) {
        picker->SetDate(Date());
        picker->SetChecked(false);
    }
    editor.ck_completed->SetChecked(false);
    editor.btn_ok->SetEnabled(true);
    return true;
}

bool PrepareEditSubTicket(Tsubissuefrm& editor, const TSubTicketCommandHost& host)
{
    if (!TableOpen(host.SubTicketTable) || !TableOpen(host.TicketTable) || host.SubTicketTable->IsEmpty()) {
        return false;
    }
    TDataSet& table = *host.SubTicketTable;
    // Every date is converted before the first control changes, so a date that does not
    // convert leaves the editor as it was and it is not shown.
    const std::pair<TDateTimePicker*, TSubticketField> pickers[] = {
        {editor.dt_due, TSubticketField::DUE},
        {editor.dt_started, TSubticketField::STARTED},
        {editor.dt_finished, TSubticketField::FINISHED},
        {editor.dt_reminder, TSubticketField::REMINDERON},
    };
    for (const auto& [picker, position] : pickers) {
        if (const std::string text = SubTicketText(table, position); !text.empty()) {
            (void)StrToDate(text);
        }
    }
    SubTicketEditMode = 1;
    editor.ed_mainissueid->SetText(SubTicketText(table, TSubticketField::TICKETID));
    editor.ed_subject->SetText(SubTicketText(table, TSubticketField::SUBJECT));
    editor.ed_details->Lines().SetText(SubTicketText(table, TSubticketField::DETAILS));
    editor.cb_priority->SetText(SubTicketText(table, TSubticketField::PRIORITY));
    editor.cb_assigned->SetText(SubTicketText(table, TSubticketField::ASSIGNED));
    for (const auto& [picker, position] : pickers) {
        LoadPickerFromText(*picker, SubTicketText(table, position));
    }
    editor.ed_attachment->SetText(SubTicketText(table, TSubticketField::ATTACHMENT));
    editor.cb_status->SetText(SubTicketText(table, TSubticketField::STATUS));
    editor.ck_completed->SetChecked(
        table.Fields().Fields(static_cast<int>(TSubticketField::COMPLETED))->AsBoolean());
    const bool freeze = host.SettingsIni != nullptr && ReadSetting(*host.SettingsIni, Setting::RecordFreeze);
    editor.btn_ok->SetEnabled(!(freeze && editor.ck_completed->Checked()));
    return true;
}

bool DeleteSubTicket(const TSubTicketCommandHost& host)
{
    if (!TableOpen(host.SubTicketTable)) {
        return false;
    }
    const std::string question = host.Message ? host.Message(3) : std::string("Are you sure?");
    if (MessageDlg(question, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) !=
        TModalResult::mrYes) {
        return false;
    }
    host.SubTicketTable->Delete();
    return true;
}
