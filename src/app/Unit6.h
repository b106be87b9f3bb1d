#pragma once
// Window: the code-database editor, Tcodefrm.
// The code-database editor: the modal form for one row of the code table (software the user
// holds: its legal status, registration mode and code, installation and expiry dates and the
// contact it came from). The main window's code commands fill the controls, tick `editornot`
// for an edit or untick it for an add, and show the form; OK writes the record. Its legal
// status and registration mode lists come from the lists table, its contact list from the
// contacts table, each time the form is shown.
//
// Unlike the list and contact editors, its handlers have no catch-all of their own: an error
// goes on to the application's error display.

#include "app/RecordEditorHost.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

class Tcodefrm : public TForm {
public:
    explicit Tcodefrm(TComponent* owner);
    ~Tcodefrm() override;
    const char* ClassName() const noexcept override { return "Tcodefrm"; }
    static void RegisterClass();

    TRecordEditorHost Host;

    // ---- controls (code table position in brackets)
    TEdit* appname = nullptr;                   // [0]
    TDateTimePicker* installdate = nullptr;     // [1]
    TComboBox* legalstatus = nullptr;           // [2] list "Legal Status"
    TComboBox* registrationmode = nullptr;      // [3] list "Registration Mode"
    TEdit* registrationcode = nullptr;          // [4]
    TDateTimePicker* expirationdate = nullptr;  // [5]
    TComboBox* contactname = nullptr;           // [6] contact names
    TMemo* comment = nullptr;                   // [7]
    TCheckBox* editornot = nullptr;             // ticked: edit the current record; unticked: add one
    TButton* addlistitembtn = nullptr;
    TButton* contactnamebtn = nullptr;
    TButton* okbtn = nullptr;
    TButton* cancelbtn = nullptr;

    // ---- handlers
    void FormShow(TObject* sender);
    void okbtnClick(TObject* sender);
    void cancelbtnClick(TObject* sender);
    // The main window's "New List Item" or "New Contact", then the pick lists again.
    void addlistitembtnClick(TObject* sender);
    void contactnamebtnClick(TObject* sender);
    // With the manifest setting on, the picker's ticked state is inverted after a change.
    void installdateChange(TObject* sender);
    void expirationdateChange(TObject* sender);

private:
    bool UseManifest() const;
};

extern Tcodefrm* codefrm;
