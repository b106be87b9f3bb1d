#pragma once
// Window: the list editor, Tlistfrm.
// The list editor: the modal form for one row of the lists table (a pick-list item of one of
// the seventeen lists). The main window's list commands fill the controls, tick `editornot`
// for an edit or untick it for an add, and show the form; OK writes the record.

#include "app/RecordEditorHost.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

class Tlistfrm : public TForm {
public:
    explicit Tlistfrm(TComponent* owner);
    ~Tlistfrm() override;
    const char* ClassName() const noexcept override { return "Tlistfrm"; }
    static void RegisterClass();

    TRecordEditorHost Host;

    // ---- controls (lists table position in brackets)
    TComboBox* listname = nullptr;   // [1], its chosen entry [0]
    TEdit* listitem = nullptr;       // [2]
    TMemo* listcomment = nullptr;    // [3]
    TCheckBox* readonly = nullptr;   // [4]
    TCheckBox* nodelete = nullptr;   // [5]
    TEdit* localname = nullptr;      // [6]
    TCheckBox* editornot = nullptr;  // ticked: edit the current record; unticked: add one
    TButton* btn_ok = nullptr;
    TButton* btn_cancel = nullptr;

    // The list kind the list name stands for: the chosen entry, or the entry whose name the
    // typed text is; -1 when it is none of the seventeen.
    int ChosenListKind() const;

    // ---- handlers
    void btn_okClick(TObject* sender);
    void btn_cancelClick(TObject* sender);
    // A new list name empties the item.
    void listnameChange(TObject* sender);

private:
    void SaveListItem();
};

extern Tlistfrm* listfrm;
