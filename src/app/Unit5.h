#pragma once
// Window: the sub-ticket editor, Tsubissuefrm.
// The sub-ticket editor: the modal form for one row of the sub-ticket table, a smaller twin of
// the ticket editor with the same pick lists, e-mail link, attachment picker and date-picker
// workaround, a simple completion check and no QA level or history.
//
// The form is created once and reused. The main window's sub-ticket commands
// (Unit5Commands.h) set SubTicketEditMode, load the controls and show the form modally;
// OK writes the record.

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

// What the sub-ticket editor uses of the main window.
struct TSubTicketEditorHost : TEditorHost {
    TDataSet* SubTicketTable = nullptr;  // "Subtickets.dbf"
    std::function<std::string()> CurrentUserName;
    std::function<std::string()> AttachmentFolder;
    // The program version "a.b.c.d".
    std::function<std::string()> ProgramVersion;
};

class Tsubissuefrm : public TForm {
public:
    explicit Tsubissuefrm(TComponent* owner);
    ~Tsubissuefrm() override;
    const char* ClassName() const noexcept override { return "Tsubissuefrm"; }
    static void RegisterClass();

    TSubTicketEditorHost Host;

    // ---- controls (sub-ticket table position in brackets)
    TEdit* ed_mainissueid = nullptr;         // [0]
    TEdit* ed_subject = nullptr;             // [2]
    TMemo* ed_details = nullptr;             // [3]
    TComboBox* cb_priority = nullptr;        // [4]
    TComboBox* cb_assigned = nullptr;        // [5]
    TDateTimePicker* dt_due = nullptr;       // [6]
    TDateTimePicker* dt_started = nullptr;   // [7]
    TDateTimePicker* dt_finished = nullptr;  // [8]
    TEdit* ed_attachment = nullptr;          // [9]
    TComboBox* cb_status = nullptr;          // [10]
    TCheckBox* ck_completed = nullptr;       // [11]
    TDateTimePicker* dt_reminder = nullptr;  // [16]
    TButton* btn_ok = nullptr;
    TButton* btn_cancel = nullptr;
    TKitButton* emailbtn = nullptr;
    TPopupMenu* emailpopup = nullptr;
    TMenuItem* totheassignedperson1 = nullptr;
    TOpenDialog* receipts = nullptr;

    // ---- handlers
    void FormShow(TObject* sender);
    void btn_okClick(TObject* sender);
    void btn_cancelClick(TObject* sender);
    void cb_statusChange(TObject* sender);
    void emailpopupPopup(TObject* sender);
    void totheassignedperson1Click(TObject* sender);
    void attachbtnClick(TObject* sender);
    void addcontactbtnClick(TObject* sender);
    void addlistitembtnClick(TObject* sender);
    void dt_dueChange(TObject* sender);
    void dt_startedChange(TObject* sender);
    void dt_finishedChange(TObject* sender);
    void dt_reminderChange(TObject* sender);

private:
    template <class T>
    T* Control(const char* name) const;
    std::string Message(int number) const;
    bool SettingOn(const TBooleanSetting& key) const;
    std::string SettingText(const TStringSetting& key) const;
    void FillPickLists();
    void SaveSubTicket();
    void CheckCompletion();
    void PickerToggledByUser(TDateTimePicker& picker);
};

extern Tsubissuefrm* subissuefrm;
