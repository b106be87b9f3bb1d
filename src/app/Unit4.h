#pragma once
// Window: the ticket editor, Tmainissuefrm.
// The ticket editor: the modal form for one row of the ticket table, with its pick lists, the
// status coupling, e-mail links, the attachment picker and file store, the QA workflow and the
// change history.
//
// The form is created once and reused. The main window's ticket commands (Unit4Commands.h)
// set TicketEditMode, load every control, call ComputeQaLevel and show the form modally; OK
// writes the record. The editor reaches the main window only through its host: the tables,
// the settings file, the message table and the few main-window commands it runs.

#include "app/EditorSupport.h"
#include "app/Settings.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "widgets/KitCustomButton.h"

#include <functional>
#include <string>

class TDataSet;

// What the ticket editor uses of the main window.
struct TTicketEditorHost : TEditorHost {
    TDataSet* TicketTable = nullptr;  // "Tickets.dbf"
    std::function<std::string()> CurrentUserName;
    std::function<std::string()> AttachmentFolder;
    // The program version "a.b.c.d".
    std::function<std::string()> ProgramVersion;
    // The text of the main window's open-sub-ticket counter.
    std::function<std::string()> OpenSubTicketText;
    std::function<void()> CountOpenTickets;
};

// Slots of `addhistory`: the value each control had when it received the focus.
enum class THistorySlot {
    Available = 0,
    Category = 1,
    Readiness = 2,
    Result = 3,
    Status = 4,
    Due = 5,
    Started = 6,
    Finished = 7,
    Investigator = 9,
    Assigned = 10,
    Verifier = 11,
    Approver = 12,
    Reproduce = 13,
    Investigate = 14,
    Resolve = 15,
    Verify = 16,
    ApprovalStatus = 17,
    ApprovalDate = 18,
};

class Tmainissuefrm : public TForm {
public:
    explicit Tmainissuefrm(TComponent* owner);
    ~Tmainissuefrm() override;
    const char* ClassName() const noexcept override { return "Tmainissuefrm"; }
    static void RegisterClass();

    TTicketEditorHost Host;

    // ---- controls (ticket table position in brackets)
    TPageControl* pages = nullptr;
    TEdit* idfield = nullptr;              // [0]
    TEdit* cb_product = nullptr;           // [1]
    TComboBox* cb_version = nullptr;       // [2]
    TComboBox* cb_component = nullptr;     // [3]
    TEdit* ed_subject = nullptr;           // [4]
    TMemo* ed_details = nullptr;           // [5]
    TComboBox* cb_category = nullptr;      // [6]
    TComboBox* cb_priority = nullptr;      // [7]
    TComboBox* cb_severity = nullptr;      // [8]
    TDateTimePicker* dt_reportedon = nullptr;  // [9]
    TComboBox* cb_reportedby = nullptr;    // [10]
    TComboBox* cb_assigned = nullptr;      // [11]
    TDateTimePicker* dt_due = nullptr;     // [12]
    TDateTimePicker* dt_started = nullptr; // [13]
    TDateTimePicker* dt_finished = nullptr;  // [14]
    TComboBox* cb_available = nullptr;     // [15]
    TEdit* ed_attachment = nullptr;        // [16]
    TComboBox* cb_result = nullptr;        // [17]
    TComboBox* cb_status = nullptr;        // [18]
    TCheckBox* ck_completed = nullptr;     // [19]
    TDateTimePicker* dt_reminder = nullptr;  // [24]
    TMemo* testresult = nullptr;           // [25]
    TComboBox* approvalstatus = nullptr;   // [26]
    TDateTimePicker* approvaldate = nullptr;  // [27]
    TComboBox* approvedby = nullptr;       // [28]
    TComboBox* origin = nullptr;           // [29]
    TComboBox* cb_reproduce = nullptr;     // [31]
    TComboBox* cb_readiness = nullptr;     // [32]
    TMemo* cause = nullptr;                // [35]
    TMemo* solution = nullptr;             // [36]
    TComboBox* action = nullptr;           // [37]
    TEdit* cost = nullptr;                 // [38]
    TMemo* history = nullptr;              // [39]
    TComboBox* cb_investigate = nullptr;   // [40]
    TComboBox* cb_verify = nullptr;        // [41]
    TDateTimePicker* investigate = nullptr;  // [42, 43]
    TDateTimePicker* resolve = nullptr;    // [44, 45]
    TDateTimePicker* verify = nullptr;     // [46, 47]
    TEdit* qastatus = nullptr;             // [48]
    TListBox* filestore = nullptr;         // [49]
    TListBox* addhistory = nullptr;
    TLabel* path = nullptr;
    TGroupBox* grp5 = nullptr;
    TButton* btn_ok = nullptr;
    TButton* btn_cancel = nullptr;
    TButton* addbtn = nullptr;
    TButton* deletebtn = nullptr;
    TButton* openbtn = nullptr;
    TButton* refreshqabtn = nullptr;
    TKitButton* emailbtn = nullptr;
    TPopupMenu* emailpopup = nullptr;
    TMenuItem* tothereporter1 = nullptr;
    TMenuItem* totheassignedperson1 = nullptr;
    TOpenDialog* receipts = nullptr;

    // ---- QA workflow and history
    // Recomputes `qastatus` (0 to 6) and, with AutoQALevel, the action.
    void ComputeQaLevel();
    // The QA-step check of a save: may untick QA dates or Completed and warn.
    void CheckQaSteps();
    // Stores the values the controls show now as the old values of the history slots; the
    // opener calls it after loading a ticket.
    void RememberLoadedValues();

    // ---- handlers
    void FormShow(TObject* sender);
    void btn_okClick(TObject* sender);
    void btn_cancelClick(TObject* sender);
    void cb_statusChange(TObject* sender);
    void emailpopupPopup(TObject* sender);
    void tothereporter1Click(TObject* sender);
    void totheassignedperson1Click(TObject* sender);
    void SpeedButton11Click(TObject* sender);
    void addbtnClick(TObject* sender);
    void deletebtnClick(TObject* sender);
    void openbtnClick(TObject* sender);
    void filestoreClick(TObject* sender);
    void addlistitembtnClick(TObject* sender);
    void addcontactbtnClick(TObject* sender);
    void refreshqabtnClick(TObject* sender);

    void dt_startedChange(TObject* sender);
    void dt_dueChange(TObject* sender);
    void dt_reminderChange(TObject* sender);
    void dt_finishedChange(TObject* sender);
    void investigateChange(TObject* sender);
    void resolveChange(TObject* sender);
    void verifyChange(TObject* sender);
    void approvaldateChange(TObject* sender);

    void cb_availableEnter(TObject* sender);
    void cb_categoryEnter(TObject* sender);
    void cb_readinessEnter(TObject* sender);
    void cb_resultEnter(TObject* sender);
    void cb_statusEnter(TObject* sender);
    void cb_investigateEnter(TObject* sender);
    void cb_assignedEnter(TObject* sender);
    void cb_verifyEnter(TObject* sender);
    void approvedbyEnter(TObject* sender);
    void cb_reproduceEnter(TObject* sender);
    void approvalstatusEnter(TObject* sender);
    void dt_dueEnter(TObject* sender);
    void dt_startedEnter(TObject* sender);
    void dt_finishedEnter(TObject* sender);
    void investigateEnter(TObject* sender);
    void resolveEnter(TObject* sender);
    void verifyEnter(TObject* sender);
    void approvaldateEnter(TObject* sender);

    void cb_availableChange(TObject* sender);
    void cb_categoryChange(TObject* sender);
    void cb_readinessChange(TObject* sender);
    void cb_resultChange(TObject* sender);
    void cb_investigateChange(TObject* sender);
    void cb_assignedChange(TObject* sender);
    void cb_verifyChange(TObject* sender);
    void approvedbyChange(TObject* sender);
    void cb_reproduceChange(TObject* sender);
    void approvalstatusChange(TObject* sender);

    void dt_dueClick(TObject* sender);
    void dt_dueCloseUp(TObject* sender);
    void dt_startedClick(TObject* sender);
    void dt_startedCloseUp(TObject* sender);
    void dt_finishedClick(TObject* sender);
    void dt_finishedCloseUp(TObject* sender);
    void investigateClick(TObject* sender);
    void investigateCloseUp(TObject* sender);
    void resolveClick(TObject* sender);
    void resolveCloseUp(TObject* sender);
    void verifyClick(TObject* sender);
    void verifyCloseUp(TObject* sender);
    void approvaldateClick(TObject* sender);
    void approvaldateCloseUp(TObject* sender);
    void ck_completedClick(TObject* sender);

    void Addinvestigationstatustothehistory1Click(TObject* sender);
    void Addresolvestatostothehistory1Click(TObject* sender);
    void Addverificationstatustothehistory1Click(TObject* sender);
    void Addapprovalstatustothehistory1Click(TObject* sender);
    void Addcompletedstatustothehistory1Click(TObject* sender);
    void Addstartstatustothehistory1Click(TObject* sender);

    // The ticket id a new record gets: prefix, record number and time, made unique among the
    // ids of the table (all records, whatever the filter) and cut to `width` characters.
    static std::string MakeTicketId(const std::string& prefix, int recordNumber, int hour, int minute, int second,
                                    size_t width, const std::function<bool(const std::string&)>& taken);
    // "mailto:" link with the address and subject percent-encoded (as UTF-8).
    static std::string MailLink(const std::string& address, const std::string& programVersion);

private:
    template <class T>
    T* Control(const char* name) const;
    std::string Message(int number) const;
    bool SettingOn(const TBooleanSetting& key) const;
    std::string SettingText(const TStringSetting& key) const;
    std::string Today() const;
    void FillPickLists();
    void SaveTicket();
    void SendMailTo(const std::string& name);
    std::string ChooseAttachment();
    bool TicketIdTaken(const std::string& id);

    // History helpers.
    int QaLevel();
    std::string SlotValue(THistorySlot slot) const;
    void SetSlotValue(THistorySlot slot, const std::string& value);
    void RememberCombo(THistorySlot slot, const TComboBox& combo);
    void RememberPicker(THistorySlot slot, const TDateTimePicker& picker);
    std::string PickerText(const TDateTimePicker& picker) const;
    std::string PersonLabel(const char* labelName) const;
    void ComboChanged(THistorySlot slot, const std::string& label, const TComboBox& combo);
    void PickerChanged(THistorySlot slot, const char* labelName, const TDateTimePicker& picker);
    void PickerToggledByUser(TDateTimePicker& picker);
    void AddHistoryLine(const std::string& line);
    void ScrollHistory();
    bool AutoHistory() const;
    std::string LabelCaption(const char* labelName) const;
};

extern Tmainissuefrm* mainissuefrm;
