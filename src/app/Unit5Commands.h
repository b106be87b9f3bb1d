#pragma once
// Window: the sub-ticket editor, Tsubissuefrm (the commands that open it).
// The main window's sub-ticket commands: new sub-ticket for the current ticket, edit and delete
// sub-ticket. The add and edit commands write nothing themselves: they set SubTicketEditMode,
// load the editor's controls (blanks with the parent ticket id, or the current sub-ticket) and
// show it modally; the editor writes the record on OK.

#include <functional>
#include <string>

class TCustomIniFile;
class TDataSet;
class Tsubissuefrm;

// What the sub-ticket commands use of the main window.
struct TSubTicketCommandHost {
    TDataSet* TicketTable = nullptr;     // "Tickets.dbf"
    TDataSet* SubTicketTable = nullptr;  // "Subtickets.dbf"
    TCustomIniFile* SettingsIni = nullptr;
    std::function<std::string(int)> Message;
};

// Loading only (true when the command applies); the main window shows the editor after it.
// A new sub-ticket needs both tables open and a current ticket with a TICKETID.
bool PrepareNewSubTicket(Tsubissuefrm& editor, const TSubTicketCommandHost& host);
// Editing needs both tables open and a current sub-ticket. Dates are read back from their
// text with the short-date parser; RecordFreeze disables OK for a completed sub-ticket.
bool PrepareEditSubTicket(Tsubissuefrm& editor, const TSubTicketCommandHost& host);
// Asks message 3; on Yes deletes the current sub-ticket. True when one was deleted.
bool DeleteSubTicket(const TSubTicketCommandHost& host);
