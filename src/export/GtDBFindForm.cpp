// The record search window: loading the search's settings, handing back the user's choices.

#include "export/GtDBFindForm.h"

#include "platform/classes/PropertyRegistry.h"

#include <algorithm>

TfrmFind::TfrmFind(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    // The controls are looked up by FormCreate, which LoadForm runs once it has made them.
    LoadForm();
}

TfrmFind::~TfrmFind()
{
    DoDestroy();
}

void TfrmFind::RegisterClass()
{
    using F = TfrmFind;
    TClassRegistration<F, TForm>("TfrmFind")
        .Component()
        .Handler("FormCreate", &F::FormCreate)
        .Handler("cbFieldsClick", &F::cbFieldsClick);
}

namespace {

template <class T>
T* Find(const TComponent& form, const char* name)
{
    auto* component = dynamic_cast<T*>(form.FindComponent(name));
    if (component == nullptr) {
        throw EComponentError(std::string("TfrmFind: component ") + name + " not found");
    }
    return component;
}

}  // namespace

void TfrmFind::FormCreate(TObject*)
{
    gbFields = Find<TGroupBox>(*this, "gbFields");
    rbOneField = Find<TRadioButton>(*this, "rbOneField");
    cbFields = Find<TComboBox>(*this, "cbFields");
    rbAllFields = Find<TRadioButton>(*this, "rbAllFields");
    lblValue = Find<TLabel>(*this, "lblValue");
    edValue = Find<TEdit>(*this, "edValue");
    gbOptions = Find<TGroupBox>(*this, "gbOptions");
    cbCaseSensitive = Find<TCheckBox>(*this, "cbCaseSensitive");
    cbMode = Find<TComboBox>(*this, "cbMode");
    rgPosition = Find<TRadioGroup>(*this, "rgPosition");
    btnOk = Find<TButton>(*this, "btnOk");
    btnCancel = Find<TButton>(*this, "btnCancel");
    cbFields->SetItemIndex(cbFields->Items().Count() > 0 ? 0 : -1);
    cbMode->SetItemIndex(0);
}

void TfrmFind::cbFieldsClick(TObject*)
{
    rbOneField->SetChecked(true);
}

void TfrmFind::LoadFrom(const TGtDBFindDialog& find)
{
    entries_ = find.FieldEntries();
    TStrings& items = cbFields->Items();
    items.BeginUpdate();
    items.Clear();
    for (const TGtFindFieldEntry& entry : entries_) {
        items.Add(entry.Caption);
    }
    items.EndUpdate();
    const auto chosen = std::find_if(entries_.begin(), entries_.end(),
                                     [&](const TGtFindFieldEntry& entry) { return entry.FieldName == find.FindByField; });
    cbFields->SetItemIndex(entries_.empty() ? -1 : (chosen != entries_.end() ? static_cast<int>(chosen - entries_.begin()) : 0));

    if (find.FindByField.empty()) {
        rbAllFields->SetChecked(true);
    } else {
        rbOneField->SetChecked(true);
    }
    cbMode->SetItemIndex(static_cast<int>(find.FindMode));
    rgPosition->SetItemIndex(static_cast<int>(find.FindScore));
    cbCaseSensitive->SetChecked(!find.FindOption.Contains(TLocateOption::loCaseInsensitive));
    if (find.FindOption.Contains(TLocateOption::loPartialKey)) {
        cbMode->SetItemIndex(static_cast<int>(TGtFindMode::fmBeginPart));
    }
    edValue->SetText(find.FindValue);
    SetCaption(find.Caption);
    SetPosition(find.Position);
}

void TfrmFind::SaveTo(TGtDBFindDialog& find) const
{
    const auto mode = static_cast<TGtFindMode>(std::clamp(cbMode->ItemIndex(), 0, 2));
    find.FindOption = {};
    if (!cbCaseSensitive->Checked()) {
        find.FindOption.Include(TLocateOption::loCaseInsensitive);
    }
    if (mode == TGtFindMode::fmBeginPart) {
        find.FindOption.Include(TLocateOption::loPartialKey);
    }
    find.FindMode = mode;
    find.FindScore = rgPosition->ItemIndex() == 1 ? TGtFindScore::fsFromCurrent : TGtFindScore::fsFromFirst;
    const int field = cbFields->ItemIndex();
    if (rbAllFields->Checked() || field < 0 || field >= static_cast<int>(entries_.size())) {
        find.FindByField.clear();
    } else {
        find.FindByField = entries_[static_cast<size_t>(field)].FieldName;
    }
    find.FindValue = edValue->Text();
}
