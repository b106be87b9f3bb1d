#include "app/Unit9.h"
#include "i18n/LangKit.h"

#include "app/EditorSupport.h"
#include "app/Settings.h"
#include "platform/classes/FormReader.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "widgets/KitCustomButton.h"

#include <array>

Tcontactfrm* contactfrm = nullptr;

namespace {

template <class T>
T* FindControl(const TComponent& form, const char* name)
{
    return FindFormControl<T>(form, "Tcontactfrm", name);
}

}  // namespace

Tcontactfrm::Tcontactfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    contactname = FindControl<TEdit>(*this, "contactname");
    contactjob = FindControl<TComboBox>(*this, "contactjob");
    contactemail = FindControl<TEdit>(*this, "contactemail");
    contactphone = FindControl<TEdit>(*this, "contactphone");
    contactaddress = FindControl<TEdit>(*this, "contactaddress");
    contactcomment = FindControl<TMemo>(*this, "contactcomment");
    company = FindControl<TComboBox>(*this, "company");
    department = FindControl<TComboBox>(*this, "department");
    country = FindControl<TComboBox>(*this, "country");
    editornot = FindControl<TCheckBox>(*this, "editornot");
    addlistitembtn = FindControl<TButton>(*this, "addlistitembtn");
    btn_ok = FindControl<TButton>(*this, "btn_ok");
    btn_cancel = FindControl<TButton>(*this, "btn_cancel");
}

Tcontactfrm::~Tcontactfrm()
{
    DoDestroy();
    if (contactfrm == this) {
        contactfrm = nullptr;
    }
}

void Tcontactfrm::RegisterClass()
{
    RegisterKitButtonClasses();
    RegisterLangKitClasses();
    using F = Tcontactfrm;
    TClassRegistration<F, TForm>("Tcontactfrm")
        .Component()
        .Handler("FormShow", &F::FormShow)
        .Handler("btn_okClick", &F::btn_okClick)
        .Handler("btn_cancelClick", &F::btn_cancelClick)
        .Handler("addlistitembtnClick", &F::addlistitembtnClick);
}

void Tcontactfrm::FormShow(TObject*)
{
    RunUserHandler([this] { FillPickLists(); });
}

void Tcontactfrm::FillPickLists()
{
    if (Host.ListTable == nullptr || !Host.ListTable->Active()) {
        return;
    }
    const bool useLocal = HostSetting(Host, Setting::UseLocalListItem);
    const std::array<TListPickList, 3> lists = {{
        {TListKind::Job, contactjob},
        {TListKind::Company, company},
        {TListKind::Department, department},
    }};
    FillListCombos(*Host.ListTable, useLocal, lists);
}

void Tcontactfrm::addlistitembtnClick(TObject* sender)
{
    RunHostCommand(Host.AddListClick, [this, sender] { FormShow(sender); });
}

void Tcontactfrm::btn_cancelClick(TObject*)
{
    CloseEditorForm(*this, TModalResult::mrCancel);
}

void Tcontactfrm::btn_okClick(TObject*)
{
    RunUserHandler([this] { SaveContact(); });
}

void Tcontactfrm::SaveContact()
{
    // An open table and a name; otherwise nothing happens. Two contacts may share a name.
    if (Host.Table == nullptr || !Host.Table->Active() || contactname->Text().empty()) {
        return;
    }
    TDataSet& table = *Host.Table;
    WriteRecord(table, editornot->Checked(), [&] {
        auto field = [&table](TContactField position) -> TField& {
            return *table.Fields().Fields(static_cast<int>(position));
        };
        field(TContactField::NAME).SetAsString(contactname->Text());
        field(TContactField::JOB).SetAsString(contactjob->Text());
        field(TContactField::EMAIL).SetAsString(contactemail->Text());
        field(TContactField::PHONE).SetAsString(contactphone->Text());
        field(TContactField::ADDRESS).SetAsString(contactaddress->Text());
        field(TContactField::COMMENT).SetAsString(MemoText(*contactcomment));
        field(TContactField::COMPANY).SetAsString(company->Text());
        field(TContactField::DEPARTMENT).SetAsString(department->Text());
        field(TContactField::COUNTRY).SetAsString(country->Text());
    });
    RefreshAfterSave(table);
    CloseEditorForm(*this, TModalResult::mrOk);
}
