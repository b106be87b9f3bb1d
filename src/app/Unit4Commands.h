#pragma once
// Window: the ticket editor, Tmainissuefrm (the commands that open it).
// The main window's ticket commands: new ticket, new ticket for the current project version,
// edit ticket and delete ticket. The add and edit commands write nothing themselves: they set
// TicketEditMode, load the editor's controls (blanks and defaults, or the current ticket) and
// show it modally; the editor writes the record on OK.
//
// The main window's handlers (Add1Click, newticketbtnClick, Edit1Click, Delete1Click) call
// these inside its catch-all.

#include <functional>
#include <string>

class TCustomIniFile;
class TDataSet;
class Tmainissuefrm;

// What the ticket commands use of the main window.
struct TTicketCommandHost {
    TDataSet* TicketTable = nullptr;   // "Tickets.dbf"
    TDataSet* ProjectTable = nullptr;  // "product.dbf"
    TCustomIniFile* SettingsIni = nullptr;
    std::function<std::string(int)> Message;
    // NAME of the active project (the main window's data-aware `activeproduct`).
    std::function<std::string()> ActiveProductName;
    // Fills the editor's version lists from the project table for the editor's project.
    std::function<void()> FillVersionLists;
    std::function<void()> CountOpenTickets;
};

// Loading only (true when the command applies: its tables are open); the commands below
// load and then show the editor modally.
bool PrepareNewTicket(Tmainissuefrm& editor, const TTicketCommandHost& host);
bool PrepareNewTicketForVersion(Tmainissuefrm& editor, const TTicketCommandHost& host);
bool PrepareEditTicket(Tmainissuefrm& editor, const TTicketCommandHost& host);

void NewTicketCommand(Tmainissuefrm& editor, const TTicketCommandHost& host);            // Add1Click
void NewTicketForVersionCommand(Tmainissuefrm& editor, const TTicketCommandHost& host);  // newticketbtnClick
void EditTicketCommand(Tmainissuefrm& editor, const TTicketCommandHost& host);           // Edit1Click
// Asks message 3; on Yes deletes the current ticket (its sub-tickets and work time stay).
// Recounts the open tickets either way.
void DeleteTicketCommand(const TTicketCommandHost& host);                                // Delete1Click
