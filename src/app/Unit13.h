#pragma once
// Window: the custom-filter dialog, Tfilterfrm.
// The user types a filter expression for the ticket table, applies it (it must begin with the
// active project's PRODUCT='...' so it stays inside that project), and keeps a list of saved
// expressions in "filters.dat" beside the program, one per line.

#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <string>

class Tfilterfrm : public TForm {
public:
    explicit Tfilterfrm(TComponent* owner);
    ~Tfilterfrm() override;
    const char* ClassName() const noexcept override { return "Tfilterfrm"; }
    static void RegisterClass();

    TComboBox* filterstring = nullptr;

    // "filters.dat" in the program folder.
    static std::string FiltersFileName();

    void FormShow(TObject* sender);
    void btn_okClick(TObject* sender);
    void btn_cancelClick(TObject* sender);
    void savebtnClick(TObject* sender);
    void obtainbtnClick(TObject* sender);
    void deletebtnClick(TObject* sender);

private:
    // Writes the saved list to "filters.dat" through a temporary file beside it; tells the user
    // and answers false when it cannot be written (the old file stays whole).
    bool WriteFilters();
};

extern Tfilterfrm* filterfrm;
