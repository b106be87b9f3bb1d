#pragma once
// Window: the contact editor, Tcontactfrm.
// The contact editor: the modal form for one row of the contacts table. The main window's
// contact commands fill the controls, tick `editornot` for an edit or untick it for an add,
// and show the form; OK writes the record. Its job, company and department lists come from
// the lists table each time the form is shown.

#include "app/RecordEditorHost.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

class Tcontactfrm : public TForm {
public:
    explicit Tcontactfrm(TComponent* owner);
    ~Tcontactfrm() override;
    const char* ClassName() const noexcept override { return "Tcontactfrm"; }
    static void RegisterClass();

    TRecordEditorHost Host;

    // ---- controls (contacts table position in brackets)
    TEdit* contactname = nullptr;        // [0]
    TComboBox* contactjob = nullptr;     // [1] list "Job"
    TEdit* contactemail = nullptr;       // [2]
    TEdit* contactphone = nullptr;       // [3]
    TEdit* contactaddress = nullptr;     // [4]
    TMemo* contactcomment = nullptr;     // [5]
    TComboBox* company = nullptr;        // [9] list "Company"
    TComboBox* department = nullptr;     // [10] list "Department"
    TComboBox* country = nullptr;        // [11] fixed country names
    TCheckBox* editornot = nullptr;      // ticked: edit the current record; unticked: add one
    TButton* addlistitembtn = nullptr;
    TButton* btn_ok = nullptr;
    TButton* btn_cancel = nullptr;

    // ---- handlers
    void FormShow(TObject* sender);
    void btn_okClick(TObject* sender);
    void btn_cancelClick(TObject* sender);
    // The main window's "New List Item", then the pick lists again.
    void addlistitembtnClick(TObject* sender);

private:
    void FillPickLists();
    void SaveContact();
};

extern Tcontactfrm* contactfrm;
