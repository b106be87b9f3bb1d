#pragma once
// Window: the project-ownership dialog, Townerfrm.
// Moves the current ticket to another project version. The main window's command fills the
// current owner from the ticket and shows the dialog modally, so the ticket it moves is the one
// it was opened on; OK writes PRODUCT and VERSION of that ticket (its sub-tickets and work time
// stay linked through the unchanged TICKETID).

#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

class Townerfrm : public TForm {
public:
    explicit Townerfrm(TComponent* owner);
    ~Townerfrm() override;
    const char* ClassName() const noexcept override { return "Townerfrm"; }
    static void RegisterClass();

    TEdit* ownerproject = nullptr;
    TEdit* ownerversion = nullptr;
    TComboBox* changedproject = nullptr;  // items: the product names (Tmainfrm::FillProductLists)
    TComboBox* changedversion = nullptr;

    // The versions of the chosen project, from the project table.
    void changedprojectChange(TObject* sender);
    // Moves the current ticket when all four boxes are filled and the ticket table is open.
    void okbtnClick(TObject* sender);
    void cancelbtnClick(TObject* sender);
};

extern Townerfrm* ownerfrm;
