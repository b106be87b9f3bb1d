#pragma once
// Window: the project editor, Tproductfrm.
// The project editor: the modal form for one row of the product table, that is one version of
// one product.
//
// The form is created once and reused. The main window's project commands (Unit1Projects.cpp)
// connect its host, tick or untick the hidden `editornot` box (ticked = edit), load the
// controls and show it modally; OK writes the record. The editor refuses to add a version the
// product already has and asks before closing a version while the main window counts open
// tickets. It reaches the main window only through its host.

#include "app/Settings.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <functional>
#include <string>

class TDataSet;

// What the project editor uses of the main window.
struct TProductEditorHost {
    TDataSet* ProductTable = nullptr;  // "product.dbf"
    TDataSet* ListTable = nullptr;     // "Lists.dbf"
    TCustomIniFile* SettingsIni = nullptr;
    // Line n of the message table.
    std::function<std::string(int)> Message;
    // The text of the main window's open-ticket counter `openticket`.
    std::function<std::string()> OpenTicketText;
    // Refills the project-name lists of the main window and its dialogs.
    std::function<void()> FillProductLists;
    // The main window's "New List Item" command.
    std::function<void()> AddListClick;
};

class Tproductfrm : public TForm {
public:
    explicit Tproductfrm(TComponent* owner);
    ~Tproductfrm() override;
    const char* ClassName() const noexcept override { return "Tproductfrm"; }
    static void RegisterClass();

    TProductEditorHost Host;

    // ---- controls (product table position in brackets)
    TComboBox* product = nullptr;           // [0] NAME
    TEdit* version = nullptr;               // [1] VERSION
    TComboBox* releasetype = nullptr;       // [2] TYPE
    TEdit* purpose = nullptr;               // [3] PURPOSE
    TDateTimePicker* started = nullptr;     // [4] STARTED
    TDateTimePicker* finished = nullptr;    // [5] FINISHED
    TCheckBox* released = nullptr;          // [6] RELEASED
    TDateTimePicker* releasedate = nullptr; // [7] ISSUEDATE
    TDateTimePicker* planned = nullptr;     // [8] PLAN_END
    TMemo* comment = nullptr;               // [9] COMMENT
    TCheckBox* closed = nullptr;            // [10] CLOSED
    TComboBox* lastversion = nullptr;       // the versions the chosen product already has
    TCheckBox* editornot = nullptr;         // hidden: ticked = edit the current row
    TButton* btn_ok = nullptr;
    TButton* btn_cancel = nullptr;
    TButton* addlistitembtn = nullptr;

    // ---- handlers
    // Fills the release types from the list table.
    void FormShow(TObject* sender);
    // Fills `lastversion` with the versions of the product `product` names, newest first, and
    // shows the version of the product's last record.
    void productChange(TObject* sender);
    void btn_okClick(TObject* sender);
    void btn_cancelClick(TObject* sender);
    void addlistitembtnClick(TObject* sender);
    void startedChange(TObject* sender);
    void finishedChange(TObject* sender);
    void plannedChange(TObject* sender);
    void releasedateChange(TObject* sender);

private:
    template <class T>
    T* Control(const char* name) const;
    std::string Message(int number) const;
    bool SettingOn(const TBooleanSetting& key) const;
    void FillReleaseTypes();
    void FillLastVersions();
    // True when `version` already is one of the versions in `lastversion` (letter case ignored).
    bool VersionRecorded(const std::string& text) const;
    // The closing-with-open-tickets question; false when the user answers No.
    bool ConfirmClosing();
    void SaveProject();
    void WriteFields(TDataSet& table, const std::string& commentText);
    void PickerToggledByUser(TDateTimePicker& picker);
    void CloseForm(TModalResult result);
};

extern Tproductfrm* productfrm;
