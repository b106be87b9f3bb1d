#pragma once
// Window: the work-time editor, Tworkfrm.
// The work-time editor: the modal form for one entry of the work-time table, with the
// date-difference calculator that turns start and end into whole hours, and the sum of a
// ticket's booked hours into the ticket's WORKTIME.
//
// The form is created once and reused. The main window's work-time commands (Unit1WorkTime.cpp)
// load every control, tick `editornot` to edit the current entry or untick it to add one, and
// show the form modally; OK writes the entry and re-sums the ticket. The editor reaches the
// main window only through its host.

#include "app/DTCalc.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <functional>
#include <string>

class TDataSet;

// What the work-time editor uses of the main window.
struct TWorkEditorHost {
    TDataSet* WorkTable = nullptr;     // "Worktime.dbf"
    TDataSet* TicketTable = nullptr;   // "Tickets.dbf"
    TDataSet* ContactTable = nullptr;  // "Contacts.dbf"
    // The main window's "New Contact" command.
    std::function<void()> AddContactClick;
    // Empties the main window's contact filter box.
    std::function<void()> ClearContactFilter;
};

// The hours booked on a ticket: filters the work-time table to the ticket (it stays filtered)
// and adds the DURATION of every entry whose TICKETID is exactly `ticketId` (the filter alone
// also lets longer ids through). An empty DURATION counts as 0; a text that is no number
// raises EConvertError.
double SumTicketWorkTime(TDataSet& workTable, const std::string& ticketId);
// Writes `hours` into WORKTIME of the ticket `ticketId` when the ticket table is open. A
// filtered table is narrowed to the ticket for the search and gets its filter back afterwards;
// the table's current record stays the current record.
void StoreTicketWorkTime(TDataSet* ticketTable, const std::string& ticketId, double hours);

class Tworkfrm : public TForm {
public:
    explicit Tworkfrm(TComponent* owner);
    ~Tworkfrm() override;
    const char* ClassName() const noexcept override { return "Tworkfrm"; }
    static void RegisterClass();

    TWorkEditorHost Host;

    // ---- controls (work-time table position in brackets)
    TEdit* issueid = nullptr;              // [0]
    TDateTimePicker* startdate = nullptr;  // [1]
    TDateTimePicker* enddate = nullptr;    // [2]
    TDateTimePicker* starttime = nullptr;  // [3]
    TDateTimePicker* endtime = nullptr;    // [4]
    TEdit* duration = nullptr;             // [5]
    TComboBox* cb_assigned = nullptr;      // [6]
    TMemo* comment = nullptr;              // [7]
    TEdit* subissueid = nullptr;           // [11]
    TCheckBox* editornot = nullptr;        // ticked: OK edits the current entry
    TButton* btn_ok = nullptr;
    TButton* btn_cancel = nullptr;
    TButton* contactnamebtn = nullptr;
    TLabel* sublbl = nullptr;
    TDTCalc* workcalc = nullptr;

    // ---- handlers
    void FormShow(TObject* sender);
    void startdateChange(TObject* sender);
    void starttimeChange(TObject* sender);
    void enddateChange(TObject* sender);
    void endtimeChange(TObject* sender);
    void btn_okClick(TObject* sender);
    void btn_cancelClick(TObject* sender);
    void contactnamebtnClick(TObject* sender);

    // Sets `duration` to the whole hours from the start pickers to the end pickers.
    void UpdateDuration();

private:
    template <class T>
    T* Control(const char* name) const;
    void FillContactList();
    void SaveEntry();
    void CloseEditor();
};

extern Tworkfrm* workfrm;
