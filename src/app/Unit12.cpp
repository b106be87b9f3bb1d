#include "app/Unit12.h"

#include "app/EditorSupport.h"
#include "app/Unit1.h"
#include "dbf/XbDBFDataSet.h"
#include "i18n/LangKit.h"
#include "platform/classes/FormReader.h"
#include "platform/db/Fields.h"
#include "platform/rtl/CodePages.h"
#include "widgets/KitCustomButton.h"

Townerfrm* ownerfrm = nullptr;

namespace {

template <class T>
T* FindControl(const TComponent& form, const char* name)
{
    return FindFormControl<T>(form, "Townerfrm", name);
}

}  // namespace

Townerfrm::Townerfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    ownerproject = FindControl<TEdit>(*this, "ownerproject");
    ownerversion = FindControl<TEdit>(*this, "ownerversion");
    changedproject = FindControl<TComboBox>(*this, "changedproject");
    changedversion = FindControl<TComboBox>(*this, "changedversion");
}

Townerfrm::~Townerfrm()
{
    DoDestroy();
    if (ownerfrm == this) {
        ownerfrm = nullptr;
    }
}

void Townerfrm::RegisterClass()
{
    RegisterLangKitClasses();
    RegisterKitButtonClasses();
    using F = Townerfrm;
    TClassRegistration<F, TForm>("Townerfrm")
        .Component()
        .Handler("changedprojectChange", &F::changedprojectChange)
        .Handler("okbtnClick", &F::okbtnClick)
        .Handler("cancelbtnClick", &F::cancelbtnClick);
}

void Townerfrm::changedprojectChange(TObject*)
{
    changedversion->Items().Clear();
    const std::string project = changedproject->Text();
    if (project.empty() || mainfrm == nullptr || mainfrm->appsdb == nullptr || !mainfrm->appsdb->Active()) {
        return;
    }
    TDataSet& products = *mainfrm->appsdb;
    TWholeTableWalk walk(products);
    {
        TControlsOff controlsOff(products);
        products.Last();
        while (!products.Bof()) {
            if (products.FieldByName("NAME")->AsString() == project) {
                AddUnique(changedversion->Items(), products.FieldByName("VERSION")->AsString());
            }
            products.Prior();
        }
    }
    walk.Restore();
}

void Townerfrm::okbtnClick(TObject*)
{
    if (ownerproject->Text().empty() || ownerversion->Text().empty() || changedproject->Text().empty() ||
        changedversion->Text().empty()) {
        return;
    }
    if (mainfrm == nullptr || mainfrm->maindb == nullptr || !mainfrm->maindb->Active()) {
        return;
    }
    TDataSet& tickets = *mainfrm->maindb;
    tickets.Edit();
    tickets.FieldByName("PRODUCT")->SetAsString(changedproject->Text());
    tickets.FieldByName("VERSION")->SetAsString(changedversion->Text());
    tickets.Post();
    tickets.Refresh();
    SetModalResult(TModalResult::mrOk);
}

void Townerfrm::cancelbtnClick(TObject*)
{
    SetModalResult(TModalResult::mrCancel);
}
