// The main window's ticket commands: they connect the ticket editor to the window's tables and
// globals and run the commands of Unit4Commands.h inside the window's catch-all.

#include "app/Unit1EditorHost.h"
#include "app/Unit4Commands.h"
#include "app/Unit1.h"
#include "app/Unit12.h"
#include "app/Unit4.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/CodePages.h"

namespace {

void ConnectEditor(Tmainfrm& window, Tmainissuefrm& editor)
{
    TTicketEditorHost& host = editor.Host;
    ConnectMainWindow(window, host);
    host.TicketTable = window.maindb;
    host.OpenSubTicketText = [&window] { return window.Get<TEdit>("opensubticket")->Text(); };
    host.CountOpenTickets = [&window] { window.CountOpenTickets(); };
}

TTicketCommandHost CommandHost(Tmainfrm& window, Tmainissuefrm& editor)
{
    TTicketCommandHost host;
    host.TicketTable = window.maindb;
    host.ProjectTable = window.appsdb;
    host.SettingsIni = SettingsIni;
    host.Message = [&window](int number) { return window.Message(number); };
    host.ActiveProductName = [&window] { return window.activeproduct->Text(); };
    host.FillVersionLists = [&window] { window.FillVersionLists(); };
    host.CountOpenTickets = [&window] { window.CountOpenTickets(); };
    return host;
}

// Loads the editor with `prepare` and shows it; nothing when the editor is not there.
void OpenEditor(Tmainfrm& window, bool (*prepare)(Tmainissuefrm&, const TTicketCommandHost&))
{
    if (mainissuefrm == nullptr) {
        return;
    }
    ConnectEditor(window, *mainissuefrm);
    if (prepare(*mainissuefrm, CommandHost(window, *mainissuefrm))) {
        mainissuefrm->ShowModal();
    }
}

}  // namespace

void Tmainfrm::Add1Click(TObject*)
{
    RunCatchAll([this] { OpenEditor(*this, &PrepareNewTicket); });
}

void Tmainfrm::newticketbtnClick(TObject*)
{
    RunCatchAll([this] { OpenEditor(*this, &PrepareNewTicketForVersion); });
}

void Tmainfrm::Edit1Click(TObject*)
{
    RunCatchAll([this] { OpenEditor(*this, &PrepareEditTicket); });
}

void Tmainfrm::Delete1Click(TObject*)
{
    RunCatchAll([this] {
        TTicketCommandHost host;
        host.TicketTable = maindb;
        host.Message = [this](int number) { return Message(number); };
        host.CountOpenTickets = [this] { CountOpenTickets(); };
        DeleteTicketCommand(host);
    });
}

void Tmainfrm::Modificationoftheprojectownership1Click(TObject*)
{
    RunCatchAll([this] {
        if (maindb == nullptr || !maindb->Active() || maindb->IsEmpty() || ownerfrm == nullptr) {
            return;
        }
        ownerfrm->ownerproject->SetText(maindb->FieldByName("PRODUCT")->AsString());
        ownerfrm->ownerversion->SetText(maindb->FieldByName("VERSION")->AsString());
        ownerfrm->changedproject->SetText("");
        ownerfrm->changedversion->Items().Clear();
        ownerfrm->changedversion->SetText("");
        // Modal: the ticket it moves is the one it was opened on.
        ownerfrm->ShowModal();
    });
}
