// The project editor: form, release types, the versions of the chosen product and saving.

#include "app/Unit7.h"
#include "i18n/LangKit.h"

#include "app/EditorSupport.h"
#include "app/tables/TrackerTables.h"
#include "platform/classes/FormReader.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"
#include "widgets/KitCustomButton.h"

#include <array>
#include <string>

Tproductfrm* productfrm = nullptr;

namespace {

TField& ProductField(TDataSet& table, TProductField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

}  // namespace

Tproductfrm::Tproductfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    product = Control<TComboBox>("product");
    version = Control<TEdit>("version");
    releasetype = Control<TComboBox>("releasetype");
    purpose = Control<TEdit>("purpose");
    started = Control<TDateTimePicker>("started");
    finished = Control<TDateTimePicker>("finished");
    released = Control<TCheckBox>("released");
    releasedate = Control<TDateTimePicker>("releasedate");
    planned = Control<TDateTimePicker>("planned");
    comment = Control<TMemo>("comment");
    closed = Control<TCheckBox>("closed");
    lastversion = Control<TComboBox>("lastversion");
    editornot = Control<TCheckBox>("editornot");
    btn_ok = Control<TButton>("btn_ok");
    btn_cancel = Control<TButton>("btn_cancel");
    addlistitembtn = Control<TButton>("addlistitembtn");
}

Tproductfrm::~Tproductfrm()
{
    DoDestroy();
    if (productfrm == this) {
        productfrm = nullptr;
    }
}

void Tproductfrm::RegisterClass()
{
    RegisterKitButtonClasses();
    RegisterLangKitClasses();
    using F = Tproductfrm;
    TClassRegistration<F, TForm>("Tproductfrm")
        .Component()
        .Handler("FormShow", &F::FormShow)
        .Handler("productChange", &F::productChange)
        .Handler("btn_okClick", &F::btn_okClick)
        .Handler("btn_cancelClick", &F::btn_cancelClick)
        .Handler("addlistitembtnClick", &F::addlistitembtnClick)
        .Handler("startedChange", &F::startedChange)
        .Handler("finishedChange", &F::finishedChange)
        .Handler("plannedChange", &F::plannedChange)
        .Handler("releasedateChange", &F::releasedateChange);
}

template <class T>
T* Tproductfrm::Control(const char* name) const
{
    return FindFormControl<T>(*this, "Tproductfrm", name);
}

std::string Tproductfrm::Message(int number) const
{
    return Host.Message ? Host.Message(number) : std::string();
}

bool Tproductfrm::SettingOn(const TBooleanSetting& key) const
{
    return Host.SettingsIni != nullptr ? ReadSetting(*Host.SettingsIni, key) : key.Default;
}

// ---------------------------------------------------------------------------------------------
// Pick lists

void Tproductfrm::FormShow(TObject*)
{
    RunUserHandler([this] { FillReleaseTypes(); });
}

void Tproductfrm::FillReleaseTypes()
{
    if (Host.ListTable == nullptr || !Host.ListTable->Active()) {
        return;
    }
    const std::array<TListPickList, 1> lists = {{{TListKind::Type, releasetype}}};
    FillListCombos(*Host.ListTable, SettingOn(Setting::UseLocalListItem), lists);
}

void Tproductfrm::addlistitembtnClick(TObject*)
{
    RunHostCommand(Host.AddListClick, [this] { FormShow(this); });
}

void Tproductfrm::productChange(TObject*)
{
    FillLastVersions();
}

void Tproductfrm::FillLastVersions()
{
    lastversion->Clear();
    const std::string name = product->Text();
    if (name.empty() || Host.ProductTable == nullptr || !Host.ProductTable->Active()) {
        return;
    }
    TDataSet& table = *Host.ProductTable;
    std::string newest;
    bool found = false;
    {
        TWholeTableWalk walk(table);
        TControlsOff controlsOff(table);
        // From the last record back, so the first version met is the product's newest.
        table.Last();
        while (!table.Bof()) {
            if (ProductField(table, TProductField::NAME).AsString() == name) {
                const std::string text = ProductField(table, TProductField::VERSION).AsString();
                if (!found) {
                    newest = text;
                    found = true;
                }
                AddUnique(lastversion->Items(), text);
            }
            table.Prior();
        }
    }
    lastversion->SetText(newest);
}

bool Tproductfrm::VersionRecorded(const std::string& text) const
{
    // The table keeps a version without its trailing blanks, so they do not make it new.
    return ContainsText(lastversion->Items(), TrimRight(text));
}

// ---------------------------------------------------------------------------------------------
// Date pickers

void Tproductfrm::PickerToggledByUser(TDateTimePicker& picker)
{
    if (SettingOn(Setting::UseManifest)) {
        picker.SetChecked(!picker.Checked());
    }
}

void Tproductfrm::startedChange(TObject*) { PickerToggledByUser(*started); }
void Tproductfrm::finishedChange(TObject*) { PickerToggledByUser(*finished); }
void Tproductfrm::plannedChange(TObject*) { PickerToggledByUser(*planned); }
void Tproductfrm::releasedateChange(TObject*) { PickerToggledByUser(*releasedate); }

// ---------------------------------------------------------------------------------------------
// Saving

void Tproductfrm::btn_cancelClick(TObject*)
{
    CloseForm(TModalResult::mrCancel);
}

void Tproductfrm::CloseForm(TModalResult result)
{
    CloseEditorForm(*this, result);
}

void Tproductfrm::btn_okClick(TObject*)
{
    RunUserHandler([this] { SaveProject(); });
}

bool Tproductfrm::ConfirmClosing()
{
    const std::string openTickets = Host.OpenTicketText ? Host.OpenTicketText() : std::string();
    if (openTickets.empty() || !closed->Checked() || StrToIntDef(Trim(openTickets), 0) <= 0) {
        return true;
    }
    return MessageDlg(openTickets + Message(28), TMsgDlgType::mtConfirmation,
                      {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) == TModalResult::mrYes;
}

void Tproductfrm::WriteFields(TDataSet& table, const std::string& commentText)
{
    auto field = [&table](TProductField position) -> TField& { return ProductField(table, position); };
    field(TProductField::NAME).SetAsString(product->Text());
    field(TProductField::VERSION).SetAsString(version->Text());
    field(TProductField::TYPE).SetAsString(releasetype->Text());
    field(TProductField::PURPOSE).SetAsString(purpose->Text());
    WriteDate(field(TProductField::STARTED), *started);
    WriteDate(field(TProductField::FINISHED), *finished);
    field(TProductField::RELEASED).SetAsBoolean(released->Checked());
    WriteDate(field(TProductField::ISSUEDATE), *releasedate);
    WriteDate(field(TProductField::PLAN_END), *planned);
    field(TProductField::COMMENT).SetAsString(commentText);
    field(TProductField::CLOSED).SetAsBoolean(closed->Checked());
}

void Tproductfrm::SaveProject()
{
    // Required: an open table, a product, a version and a release type; otherwise nothing.
    if (Host.ProductTable == nullptr || !Host.ProductTable->Active()) {
        return;
    }
    if (product->Text().empty() || version->Text().empty() || releasetype->Text().empty()) {
        return;
    }
    TDataSet& table = *Host.ProductTable;
    const bool editing = editornot->Checked();
    if (editing && table.IsEmpty()) {
        return;  // no row to edit: an edit must never turn into an append
    }

    if (!ConfirmClosing()) {
        return;
    }

    std::string commentText;
    if (editing) {
        // An edited comment keeps the memo's text as it stands: no line end after the last line.
        commentText = comment->Text();
    } else {
        // The versions the product has now, whatever the list showed before.
        FillLastVersions();
        if (VersionRecorded(version->Text())) {
            MessageDlg(Message(33), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
            return;
        }
        commentText = MemoText(*comment);
    }

    // Nothing half written may stay pending for the next post.
    WriteRecord(table, editing, [&] { WriteFields(table, commentText); });

    table.Refresh();
    if (Host.FillProductLists) {
        Host.FillProductLists();
    }
    if (table.RecordCount() < 2) {
        table.Close();
        table.Open();
    }
    CloseForm(TModalResult::mrOk);
}
