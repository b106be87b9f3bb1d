// The main window's sub-ticket commands: they connect the sub-ticket editor to the window's
// tables and globals and run the commands of Unit5Commands.h inside the window's
// catch-all.

#include "app/FilterText.h"
#include "app/Unit1EditorHost.h"
#include "app/Unit1HandlerBinding.h"
#include "app/Unit5Commands.h"
#include "app/Unit1.h"
#include "app/Unit5.h"
#include "dbf/XbDBFDataSet.h"

namespace {

void ConnectEditor(Tmainfrm& window, Tsubissuefrm& editor)
{
    TSubTicketEditorHost& host = editor.Host;
    ConnectMainWindow(window, host);
    host.SubTicketTable = window.subdb;
}

TSubTicketCommandHost CommandHost(Tmainfrm& window)
{
    TSubTicketCommandHost host;
    host.TicketTable = window.maindb;
    host.SubTicketTable = window.subdb;
    host.SettingsIni = SettingsIni;
    host.Message = [&window](int number) { return window.Message(number); };
    return host;
}

// The open-sub-ticket counter follows a change of the current ticket's sub-tickets, so that
// completing the ticket afterwards asks about the sub-tickets it really has. The count is
// taken only while the sub-ticket table shows the current ticket's sub-tickets (the count
// filters it that way), and the table returns to its record.
void RecountOpenSubTickets(Tmainfrm& window)
{
    TDataSet& subTickets = *window.subdb;
    if (!subTickets.Active() || !subTickets.Filtered() ||
        subTickets.Filter() != FieldEqualsFilter("TICKETID", window.activeticket->Text())) {
        return;
    }
    const int record = subTickets.RecNo();
    window.CountOpenSubTickets();
    if (record > 0 && !subTickets.IsEmpty()) {
        subTickets.SetRecNo(record);
    }
}

// Loads the editor with `prepare` and shows it; nothing when the editor is not there.
void OpenEditor(Tmainfrm& window, bool (*prepare)(Tsubissuefrm&, const TSubTicketCommandHost&))
{
    if (subissuefrm == nullptr) {
        return;
    }
    ConnectEditor(window, *subissuefrm);
    if (prepare(*subissuefrm, CommandHost(window)) && subissuefrm->ShowModal() == TModalResult::mrOk) {
        RecountOpenSubTickets(window);
    }
}

}  // namespace

void Tmainfrm::BindSubTicketHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "Add2Click", &Tmainfrm::Add2Click);
    BindMainHandler(handlers, this, "Edit2Click", &Tmainfrm::Edit2Click);
    BindMainHandler(handlers, this, "Delete2Click", &Tmainfrm::Delete2Click);
    BindMainHandler(handlers, this, "add_sub_btnClick", &Tmainfrm::add_sub_btnClick);
    BindMainHandler(handlers, this, "Addasubtickettothisactivity1Click", &Tmainfrm::Addasubtickettothisactivity1Click);
}

void Tmainfrm::Add2Click(TObject*)
{
    RunCatchAll([this] { OpenEditor(*this, &PrepareNewSubTicket); });
}

void Tmainfrm::Edit2Click(TObject*)
{
    RunCatchAll([this] { OpenEditor(*this, &PrepareEditSubTicket); });
}

void Tmainfrm::Delete2Click(TObject*)
{
    RunCatchAll([this] {
        if (subdb->Active() && subdb->IsEmpty()) {
            return;  // nothing to delete
        }
        if (DeleteSubTicket(CommandHost(*this))) {
            RecountOpenSubTickets(*this);
        }
    });
}

void Tmainfrm::add_sub_btnClick(TObject*)
{
    Get<TButton>("sub_btn_add")->Click();
}

void Tmainfrm::Addasubtickettothisactivity1Click(TObject*)
{
    Get<TButton>("sub_btn_add")->Click();
}
