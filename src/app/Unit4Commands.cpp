#include "app/Unit4Commands.h"

#include "app/EditorSupport.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/Unit4.h"
#include "app/tables/TrackerTables.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"

namespace {

TField& TicketField(TDataSet& table, TTicketField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

std::string Text(TDataSet& table, TTicketField position)
{
    return TicketField(table, position).AsString();
}

bool TableOpen(const TDataSet* table)
{
    return table != nullptr && table->Active();
}

std::string ReadText(const TTicketCommandHost& host, const TStringSetting& key)
{
    return host.SettingsIni != nullptr ? ReadSetting(*host.SettingsIni, key) : std::string(key.Default);
}

void ClearAndUntick(TDateTimePicker& picker)
{
    picker.SetDate(Date());
    picker.SetChecked(false);
}

// Blanks and defaults of a new ticket; the project is already set and the version lists filled.
void LoadBlankTicket(Tmainissuefrm& editor, const TTicketCommandHost& host)
{
    // Unticked before the history is emptied, so a history line this may add goes with it.
    editor.ck_completed->SetChecked(false);
    for (TEdit* edit : {editor.idfield, editor.ed_subject, editor.ed_attachment, editor.cost}) {
        edit->SetText("");
    }
    for (TComboBox* combo : {editor.cb_version, editor.cb_component, editor.cb_category, editor.cb_priority,
                             editor.cb_severity, editor.cb_reportedby, editor.cb_assigned, editor.cb_available,
                             editor.cb_result, editor.cb_reproduce, editor.approvalstatus, editor.approvedby,
                             editor.origin, editor.cb_investigate, editor.cb_verify, editor.cb_readiness}) {
        combo->SetText("");
    }
    for (TMemo* memo : {editor.ed_details, editor.testresult, editor.cause, editor.solution, editor.history}) {
        memo->Clear();
    }
    editor.filestore->Clear();
    editor.dt_reportedon->SetDate(Date());
    for (TDateTimePicker* picker : {editor.dt_due, editor.dt_started, editor.dt_finished, editor.dt_reminder,
                                    editor.approvaldate, editor.investigate, editor.resolve, editor.verify}) {
        ClearAndUntick(*picker);
    }
    editor.cb_status->SetText(ReadText(host, Setting::New));
    editor.action->SetText(ReadText(host, Setting::QANew));
    editor.qastatus->SetText("0");
    editor.btn_ok->SetEnabled(true);
    editor.deletebtn->SetEnabled(false);
    editor.RememberLoadedValues();
}

void ShowEditor(Tmainissuefrm& editor)
{
    editor.ShowModal();
}

}  // namespace

bool PrepareNewTicket(Tmainissuefrm& editor, const TTicketCommandHost& host)
{
    if (!TableOpen(host.TicketTable)) {
        return false;
    }
    TicketEditMode = 0;
    editor.cb_product->SetText(host.ActiveProductName ? host.ActiveProductName() : std::string());
    if (host.FillVersionLists) {
        host.FillVersionLists();
    }
    LoadBlankTicket(editor, host);
    return true;
}

bool PrepareNewTicketForVersion(Tmainissuefrm& editor, const TTicketCommandHost& host)
{
    if (!TableOpen(host.TicketTable) || !TableOpen(host.ProjectTable)) {
        return false;
    }
    TicketEditMode = 0;
    TDataSet& projects = *host.ProjectTable;
    const std::string version = projects.Fields().Fields(static_cast<int>(TProductField::VERSION))->AsString();
    editor.cb_product->SetText(projects.Fields().Fields(static_cast<int>(TProductField::NAME))->AsString());
    if (host.FillVersionLists) {
        host.FillVersionLists();
    }
    LoadBlankTicket(editor, host);
    editor.cb_version->SetText(version);
    editor.RememberLoadedValues();
    return true;
}

bool PrepareEditTicket(Tmainissuefrm& editor, const TTicketCommandHost& host)
{
    if (!TableOpen(host.TicketTable) || host.TicketTable->IsEmpty()) {
        return false;
    }
    TDataSet& table = *host.TicketTable;
    TicketEditMode = 1;
    editor.idfield->SetText(Text(table, TTicketField::TICKETID));
    editor.cb_product->SetText(Text(table, TTicketField::PRODUCT));
    if (host.FillVersionLists) {
        host.FillVersionLists();
    }
    // The completed box first: ticking it may add a history line, which the ticket's own
    // history loaded below replaces.
    editor.ck_completed->SetChecked(TicketField(table, TTicketField::COMPLETED).AsBoolean());

    const std::pair<TComboBox*, TTicketField> combos[] = {
        {editor.cb_version, TTicketField::VERSION},      {editor.cb_component, TTicketField::COMPONENT},
        {editor.cb_category, TTicketField::CATEGORY},    {editor.cb_priority, TTicketField::PRIORITY},
        {editor.cb_severity, TTicketField::SEVERITY},    {editor.cb_reportedby, TTicketField::REPORTEDBY},
        {editor.cb_assigned, TTicketField::ASSIGNED},    {editor.cb_available, TTicketField::AVAILABLE},
        {editor.cb_result, TTicketField::RESULT},        {editor.cb_status, TTicketField::STATUS},
        {editor.approvalstatus, TTicketField::APPRSTATUS}, {editor.approvedby, TTicketField::APPRDBY},
        {editor.origin, TTicketField::ORIGIN},           {editor.cb_reproduce, TTicketField::REPRODUCE},
        {editor.cb_readiness, TTicketField::PERCENT},    {editor.action, TTicketField::ACTION},
        {editor.cb_investigate, TTicketField::INVESTBY}, {editor.cb_verify, TTicketField::VERIFYBY},
    };
    for (const auto& [combo, position] : combos) {
        combo->SetText(Text(table, position));
    }
    editor.ed_subject->SetText(Text(table, TTicketField::SUBJECT));
    editor.ed_attachment->SetText(Text(table, TTicketField::ATTACHMENT));
    editor.cost->SetText(Text(table, TTicketField::COST));
    const std::pair<TMemo*, TTicketField> memos[] = {
        {editor.ed_details, TTicketField::DETAILS}, {editor.testresult, TTicketField::TESTRESULT},
        {editor.cause, TTicketField::CAUSE},        {editor.solution, TTicketField::SOLUTION},
        {editor.history, TTicketField::HISTORY},
    };
    for (const auto& [memo, position] : memos) {
        memo->Lines().SetText(Text(table, position));
    }
    editor.filestore->Items().SetText(Text(table, TTicketField::FILESTORE));

    // The reported-on picker has no check box: a ticket without the date shows today.
    TField& reportedOn = TicketField(table, TTicketField::REPORTEDON);
    editor.dt_reportedon->SetDate(reportedOn.IsNull() ? Date() : DateOf(reportedOn.AsDateTime()));
    const std::pair<TDateTimePicker*, TTicketField> pickers[] = {
        {editor.dt_due, TTicketField::DUE},           {editor.dt_started, TTicketField::STARTED},
        {editor.dt_finished, TTicketField::FINISHED}, {editor.dt_reminder, TTicketField::REMINDERON},
        {editor.approvaldate, TTicketField::APPRDATE}, {editor.investigate, TTicketField::INVESTDATE},
        {editor.resolve, TTicketField::RESOLVDATE},   {editor.verify, TTicketField::VERIFYDATE},
    };
    for (const auto& [picker, position] : pickers) {
        LoadPickerDate(*picker, TicketField(table, position));
    }

    editor.ComputeQaLevel();
    const bool freeze = host.SettingsIni != nullptr && ReadSetting(*host.SettingsIni, Setting::RecordFreeze);
    editor.btn_ok->SetEnabled(!(freeze && editor.ck_completed->Checked()));
    editor.deletebtn->SetEnabled(false);
    editor.openbtn->SetEnabled(false);
    editor.RememberLoadedValues();
    return true;
}

void NewTicketCommand(Tmainissuefrm& editor, const TTicketCommandHost& host)
{
    RunUserHandler([&] {
        if (PrepareNewTicket(editor, host)) {
            ShowEditor(editor);
        }
    });
}

void NewTicketForVersionCommand(Tmainissuefrm& editor, const TTicketCommandHost& host)
{
    RunUserHandler([&] {
        if (PrepareNewTicketForVersion(editor, host)) {
            ShowEditor(editor);
        }
    });
}

void EditTicketCommand(Tmainissuefrm& editor, const TTicketCommandHost& host)
{
    RunUserHandler([&] {
        if (PrepareEditTicket(editor, host)) {
            ShowEditor(editor);
        }
    });
}

void DeleteTicketCommand(const TTicketCommandHost& host)
{
    RunUserHandler([&] {
        if (!TableOpen(host.TicketTable)) {
            return;
        }
        const std::string question = host.Message ? host.Message(3) : std::string("Are you sure?");
        if (MessageDlg(question, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) ==
            TModalResult::mrYes) {
            host.TicketTable->Delete();
        }
        if (host.CountOpenTickets) {
            host.CountOpenTickets();
        }
    });
}
