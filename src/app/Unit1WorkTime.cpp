// The main window's work-time commands: new entry for the current ticket or sub-ticket, edit
// the current entry (both load the work-time editor and show it modally; the editor writes on
// OK), and delete the current entry with the new sum of its ticket's hours.

#include "app/Unit1EditorHost.h"
#include "app/Unit1HandlerBinding.h"
#include "app/Unit1.h"
#include "app/Unit10.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"

namespace {

bool TableOpen(const TDataSet* table)
{
    return table != nullptr && table->Active();
}

std::string FieldText(TDataSet& table, int position)
{
    return table.Fields().Fields(position)->AsString();
}

void ConnectEditor(Tmainfrm& window, Tworkfrm& editor)
{
    TWorkEditorHost& host = editor.Host;
    ConnectMainWindow(window, host);
    host.WorkTable = window.workdb;
    host.TicketTable = window.maindb;
}

// Loads the editor for a new entry of `ticketId` (and `subTicketId`, empty for the ticket
// itself) and shows it.
void OpenNewEntry(Tmainfrm& window, const std::string& ticketId, const std::string& subTicketId)
{
    Tworkfrm& editor = *workfrm;
    ConnectEditor(window, editor);
    editor.issueid->SetText(ticketId);
    editor.subissueid->SetText(subTicketId);
    editor.issueid->SetEnabled(false);
    const TDateTime now = Now();
    editor.startdate->SetDate(DateOf(now));
    editor.enddate->SetDate(DateOf(now));
    editor.starttime->SetTime(TimeOf(now));
    editor.endtime->SetTime(TimeOf(now));
    editor.duration->SetText("0");
    editor.cb_assigned->SetText("");
    editor.comment->Lines().Clear();
    editor.editornot->SetChecked(false);
    editor.ShowModal();
}

}  // namespace

void Tmainfrm::BindWorkTimeHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "Addworktimeentrytothisactivity1Click", &Tmainfrm::Addworktimeentrytothisactivity1Click);
    BindMainHandler(handlers, this, "Addworktimeentrytothisactivity2Click", &Tmainfrm::Addworktimeentrytothisactivity2Click);
    BindMainHandler(handlers, this, "editworkbtnClick", &Tmainfrm::editworkbtnClick);
    BindMainHandler(handlers, this, "deleteworkbtnClick", &Tmainfrm::deleteworkbtnClick);
}

void Tmainfrm::Addworktimeentrytothisactivity1Click(TObject*)
{
    RunCatchAll([this] {
        if (workfrm == nullptr || !TableOpen(workdb) || !TableOpen(maindb)) {
            return;
        }
        OpenNewEntry(*this, FieldText(*maindb, static_cast<int>(TTicketField::TICKETID)), "");
    });
}

void Tmainfrm::Addworktimeentrytothisactivity2Click(TObject*)
{
    RunCatchAll([this] {
        if (workfrm == nullptr || !TableOpen(workdb) || !TableOpen(subdb)) {
            return;
        }
        OpenNewEntry(*this, FieldText(*subdb, static_cast<int>(TSubticketField::TICKETID)),
                     FieldText(*subdb, static_cast<int>(TSubticketField::SUBID)));
    });
}

void Tmainfrm::editworkbtnClick(TObject*)
{
    RunCatchAll([this] {
        if (workfrm == nullptr || !TableOpen(workdb) || workdb->IsEmpty()) {
            return;
        }
        TDataSet& table = *workdb;
        auto field = [&table](TWorktimeField position) -> TField& {
            return *table.Fields().Fields(static_cast<int>(position));
        };
        // The stored times are converted first: an entry whose time text does not convert
        // stops here, before the editor shows anything of it.
        const TDateTime startTime = StrToDateTime(field(TWorktimeField::STARTTIME).AsString());
        const TDateTime endTime = StrToDateTime(field(TWorktimeField::ENDTIME).AsString());

        Tworkfrm& editor = *workfrm;
        ConnectEditor(*this, editor);
        editor.issueid->SetEnabled(false);
        editor.issueid->SetText(field(TWorktimeField::TICKETID).AsString());
        editor.subissueid->SetText(field(TWorktimeField::SUBTICKET).AsString());
        editor.startdate->SetDate(DateOf(field(TWorktimeField::STARTDATE).AsDateTime()));
        editor.enddate->SetDate(DateOf(field(TWorktimeField::ENDDATE).AsDateTime()));
        editor.starttime->SetTime(TimeOf(startTime));
        editor.endtime->SetTime(TimeOf(endTime));
        editor.duration->SetText(FloatToStr(field(TWorktimeField::DURATION).AsFloat()));
        editor.cb_assigned->SetText(field(TWorktimeField::ASSIGNED).AsString());
        editor.comment->Lines().SetText(field(TWorktimeField::COMMENT).AsString());
        editor.editornot->SetChecked(true);
        editor.ShowModal();
    });
}

void Tmainfrm::deleteworkbtnClick(TObject*)
{
    RunCatchAll([this] {
        if (!TableOpen(workdb) || workdb->IsEmpty()) {
            return;
        }
        if (MessageDlg(Message(3), TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) !=
            TModalResult::mrYes) {
            return;
        }
        const std::string ticketId = FieldText(*workdb, static_cast<int>(TWorktimeField::TICKETID));
        workdb->Delete();
        Get<TControl>("editworkbtn")->SetEnabled(false);
        Get<TControl>("deleteworkbtn")->SetEnabled(false);
        StoreTicketWorkTime(maindb, ticketId, SumTicketWorkTime(*workdb, ticketId));
    });
}
