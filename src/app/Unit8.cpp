#include "app/Unit8.h"
#include "i18n/LangKit.h"

#include "app/EditorSupport.h"
#include "platform/classes/FormReader.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/CodePages.h"
#include "widgets/KitCustomButton.h"

Tlistfrm* listfrm = nullptr;

namespace {

// "Incorrect data! Please check the List Name field!"
constexpr int kIncorrectListName = 34;

template <class T>
T* FindControl(const TComponent& form, const char* name)
{
    return FindFormControl<T>(form, "Tlistfrm", name);
}

}  // namespace

Tlistfrm::Tlistfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    listname = FindControl<TComboBox>(*this, "listname");
    listitem = FindControl<TEdit>(*this, "listitem");
    listcomment = FindControl<TMemo>(*this, "listcomment");
    readonly = FindControl<TCheckBox>(*this, "readonly");
    nodelete = FindControl<TCheckBox>(*this, "nodelete");
    localname = FindControl<TEdit>(*this, "localname");
    editornot = FindControl<TCheckBox>(*this, "editornot");
    btn_ok = FindControl<TButton>(*this, "btn_ok");
    btn_cancel = FindControl<TButton>(*this, "btn_cancel");
}

Tlistfrm::~Tlistfrm()
{
    DoDestroy();
    if (listfrm == this) {
        listfrm = nullptr;
    }
}

void Tlistfrm::RegisterClass()
{
    RegisterKitButtonClasses();
    RegisterLangKitClasses();
    using F = Tlistfrm;
    TClassRegistration<F, TForm>("Tlistfrm")
        .Component()
        .Handler("btn_okClick", &F::btn_okClick)
        .Handler("btn_cancelClick", &F::btn_cancelClick)
        .Handler("listnameChange", &F::listnameChange);
}

int Tlistfrm::ChosenListKind() const
{
    TStrings& names = listname->Items();
    const std::string text = listname->Text();
    const int index = listname->ItemIndex();
    if (index >= 0 && index < names.Count() && AnsiSameText(names[index], text)) {
        return index;
    }
    for (int i = 0; i < names.Count(); ++i) {
        if (AnsiSameText(names[i], text)) {
            return i;
        }
    }
    return -1;
}

void Tlistfrm::listnameChange(TObject*)
{
    listitem->SetText("");
}

void Tlistfrm::btn_cancelClick(TObject*)
{
    CloseEditorForm(*this, TModalResult::mrCancel);
}

void Tlistfrm::btn_okClick(TObject*)
{
    RunUserHandler([this] { SaveListItem(); });
}

void Tlistfrm::SaveListItem()
{
    // 1. The list name must be one of the seventeen.
    const int listKind = ChosenListKind();
    if (listKind < 0) {
        const std::string text = HostMessage(Host, kIncorrectListName);
        MessageDlg(text, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
        return;
    }
    // 2. An open table and both names; otherwise nothing happens.
    if (Host.Table == nullptr || !Host.Table->Active() || listname->Text().empty() || listitem->Text().empty()) {
        return;
    }
    TDataSet& table = *Host.Table;

    // 3. Write the record and come back to the record that was current.
    // A name typed in other letter case is stored as the list's own name, so that LISTNAME
    // always agrees with LISTID.
    const std::string listName = listname->Items()[listKind];
    const int rememberedRecord = table.RecNo();
    WriteRecord(table, editornot->Checked(), [&] {
        auto field = [&table](TListField position) -> TField& {
            return *table.Fields().Fields(static_cast<int>(position));
        };
        field(TListField::LISTID).SetAsInteger(listKind);
        field(TListField::LISTNAME).SetAsString(listName);
        field(TListField::LISTITEM).SetAsString(listitem->Text());
        field(TListField::COMMENT).SetAsString(MemoText(*listcomment));
        field(TListField::READONLY).SetAsBoolean(readonly->Checked());
        field(TListField::NODELETE).SetAsBoolean(nodelete->Checked());
        field(TListField::LOCALITEM).SetAsString(localname->Text());
    });
    RefreshAfterSave(table);
    if (rememberedRecord > 0 && rememberedRecord <= table.RecordCount()) {
        table.SetRecNo(rememberedRecord);
    }
    CloseEditorForm(*this, TModalResult::mrOk);
}
