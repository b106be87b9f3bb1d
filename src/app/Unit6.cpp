#include "app/Unit6.h"
#include "i18n/LangKit.h"

#include "app/EditorSupport.h"
#include "app/Settings.h"
#include "platform/classes/FormReader.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "widgets/KitCustomButton.h"

#include <array>

Tcodefrm* codefrm = nullptr;

namespace {

template <class T>
T* FindControl(const TComponent& form, const char* name)
{
    return FindFormControl<T>(form, "Tcodefrm", name);
}

}  // namespace

Tcodefrm::Tcodefrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    appname = FindControl<TEdit>(*this, "appname");
    installdate = FindControl<TDateTimePicker>(*this, "installdate");
    legalstatus = FindControl<TComboBox>(*this, "legalstatus");
    registrationmode = FindControl<TComboBox>(*this, "registrationmode");
    registrationcode = FindControl<TEdit>(*this, "registrationcode");
    expirationdate = FindControl<TDateTimePicker>(*this, "expirationdate");
    contactname = FindControl<TComboBox>(*this, "contactname");
    comment = FindControl<TMemo>(*this, "comment");
    editornot = FindControl<TCheckBox>(*this, "editornot");
    addlistitembtn = FindControl<TButton>(*this, "addlistitembtn");
    contactnamebtn = FindControl<TButton>(*this, "contactnamebtn");
    okbtn = FindControl<TButton>(*this, "okbtn");
    cancelbtn = FindControl<TButton>(*this, "cancelbtn");
}

Tcodefrm::~Tcodefrm()
{
    DoDestroy();
    if (codefrm == this) {
        codefrm = nullptr;
    }
}

void Tcodefrm::RegisterClass()
{
    RegisterKitButtonClasses();
    RegisterLangKitClasses();
    using F = Tcodefrm;
    TClassRegistration<F, TForm>("Tcodefrm")
        .Component()
        .Handler("FormShow", &F::FormShow)
        .Handler("okbtnClick", &F::okbtnClick)
        .Handler("cancelbtnClick", &F::cancelbtnClick)
        .Handler("addlistitembtnClick", &F::addlistitembtnClick)
        .Handler("contactnamebtnClick", &F::contactnamebtnClick)
        .Handler("installdateChange", &F::installdateChange)
        .Handler("expirationdateChange", &F::expirationdateChange);
}

bool Tcodefrm::UseManifest() const
{
    return HostSetting(Host, Setting::UseManifest);
}

void Tcodefrm::FormShow(TObject*)
{
    if (Host.ListTable != nullptr && Host.ListTable->Active()) {
        const bool useLocal = HostSetting(Host, Setting::UseLocalListItem);
        const std::array<TListPickList, 2> lists = {{
            {TListKind::LegalStatus, legalstatus},
            {TListKind::RegistrationMode, registrationmode},
        }};
        FillListCombos(*Host.ListTable, useLocal, lists);
    }
    if (Host.ContactTable != nullptr && Host.ContactTable->Active()) {
        // Every contact is offered: the contact page's filter goes off with its box.
        if (Host.ClearContactFilter) {
            Host.ClearContactFilter();
        }
        const std::array<TComboBox*, 1> persons = {contactname};
        FillPersonCombos(*Host.ContactTable, {}, persons);
    }
}

void Tcodefrm::addlistitembtnClick(TObject* sender)
{
    RunHostCommand(Host.AddListClick, [this, sender] { FormShow(sender); });
}

void Tcodefrm::contactnamebtnClick(TObject* sender)
{
    RunHostCommand(Host.AddContactClick, [this, sender] { FormShow(sender); });
}

void Tcodefrm::installdateChange(TObject*)
{
    if (UseManifest()) {
        installdate->SetChecked(!installdate->Checked());
    }
}

void Tcodefrm::expirationdateChange(TObject*)
{
    if (UseManifest()) {
        expirationdate->SetChecked(!expirationdate->Checked());
    }
}

void Tcodefrm::cancelbtnClick(TObject*)
{
    CloseEditorForm(*this, TModalResult::mrCancel);
}

void Tcodefrm::okbtnClick(TObject*)
{
    // An open table and an application name; otherwise nothing happens.
    if (Host.Table == nullptr || !Host.Table->Active() || appname->Text().empty()) {
        return;
    }
    TDataSet& table = *Host.Table;
    WriteRecord(table, editornot->Checked(), [&] {
        auto field = [&table](TCodeField position) -> TField& {
            return *table.Fields().Fields(static_cast<int>(position));
        };
        field(TCodeField::APPNAME).SetAsString(appname->Text());
        WriteDate(field(TCodeField::INSTALLED), *installdate);
        field(TCodeField::LEGALSTAT).SetAsString(legalstatus->Text());
        field(TCodeField::REGMODE).SetAsString(registrationmode->Text());
        field(TCodeField::REGCODE).SetAsString(registrationcode->Text());
        WriteDate(field(TCodeField::EXPIRES), *expirationdate);
        field(TCodeField::CONTACT).SetAsString(contactname->Text());
        field(TCodeField::COMMENT).SetAsString(MemoText(*comment));
    });
    RefreshAfterSave(table);
    CloseEditorForm(*this, TModalResult::mrOk);
}
