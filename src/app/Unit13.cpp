#include "app/Unit13.h"

#include "app/EditorSupport.h"
#include "widgets/KitCustomButton.h"
#include "app/FilterText.h"
#include "app/Unit1.h"
#include "dbf/XbDBFDataSet.h"
#include "i18n/LangKit.h"
#include "platform/classes/FormReader.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Files.h"

Tfilterfrm* filterfrm = nullptr;

namespace {

// Messages.
constexpr int kIncorrectProductName = 40;
constexpr int kSuccessfullySaved = 41;
constexpr int kAlreadySaved = 42;
constexpr int kDeleteFilterString = 43;

std::string Message(int number)
{
    return mainfrm != nullptr ? mainfrm->Message(number) : std::string();
}

TDataSet* TicketTable()
{
    if (mainfrm == nullptr || mainfrm->maindb == nullptr || !mainfrm->maindb->Active()) {
        return nullptr;
    }
    return mainfrm->maindb;
}

void ErrorBox(const std::string& text)
{
    MessageDlg(text, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK});
}

}  // namespace

Tfilterfrm::Tfilterfrm(TComponent* owner) : TForm(owner)
{
    RegisterClass();
    LoadForm();
    filterstring = FindFormControl<TComboBox>(*this, "Tfilterfrm", "filterstring");
}

Tfilterfrm::~Tfilterfrm()
{
    DoDestroy();
    if (filterfrm == this) {
        filterfrm = nullptr;
    }
}

void Tfilterfrm::RegisterClass()
{
    RegisterLangKitClasses();
    RegisterKitButtonClasses();
    using F = Tfilterfrm;
    TClassRegistration<F, TForm>("Tfilterfrm")
        .Component()
        .Handler("FormShow", &F::FormShow)
        .Handler("btn_okClick", &F::btn_okClick)
        .Handler("btn_cancelClick", &F::btn_cancelClick)
        .Handler("savebtnClick", &F::savebtnClick)
        .Handler("obtainbtnClick", &F::obtainbtnClick)
        .Handler("deletebtnClick", &F::deletebtnClick);
}

std::string Tfilterfrm::FiltersFileName()
{
    return MapStoredPath(ApplicationFolder(), "filters.dat");
}

void Tfilterfrm::FormShow(TObject*)
{
    ClearItemsKeepText(*filterstring);
    const std::string file = FiltersFileName();
    if (FileExists(file)) {
        const std::string text = filterstring->Text();
        filterstring->Items().LoadFromFile(file);
        filterstring->SetText(text);
    }
}

void Tfilterfrm::btn_okClick(TObject*)
{
    TDataSet* tickets = TicketTable();
    if (tickets == nullptr) {
        return;
    }
    try {
        // The filter must stay inside the active project; a quote in the project's name is
        // doubled here as in every filter the program writes.
        const std::string quoted = QuotedFilterValue(mainfrm->activeproduct->Text());
        const std::string prefix = "PRODUCT=" + quoted.substr(0, quoted.size() - 1);
        const std::string text = filterstring->Text();
        if (text.compare(0, prefix.size(), prefix) != 0) {
            ErrorBox(Message(kIncorrectProductName));
            return;
        }
        mainfrm->RemoveFilter1Click(this);
        mainfrm->operation->SetItemIndex(0);
        Tmainfrm::ApplyFilter(*tickets, text);
        SetModalResult(TModalResult::mrOk);
    } catch (const Exception& error) {
        ErrorBox(error.DisplayText());
        mainfrm->RemoveFilter1Click(this);
    }
}

void Tfilterfrm::btn_cancelClick(TObject*)
{
    SetModalResult(TModalResult::mrCancel);
}

bool Tfilterfrm::WriteFilters()
{
    std::string text;
    for (int i = 0; i < filterstring->Items().Count(); ++i) {
        text += filterstring->Items()[i] + "\r\n";
    }
    if (!WriteFileAtomically(FiltersFileName(), text)) {
        ErrorBox("The saved filters could not be written to " + FiltersFileName() + ".");
        return false;
    }
    return true;
}

void Tfilterfrm::savebtnClick(TObject*)
{
    Application->Guarded([this] {
        const std::string text = filterstring->Text();
        if (ContainsText(filterstring->Items(), text)) {
            MessageDlg(text + Message(kAlreadySaved), TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
            return;
        }
        filterstring->Items().Add(text);
        filterstring->SetText(text);
        if (!WriteFilters()) {
            return;
        }
        MessageDlg(text + Message(kSuccessfullySaved), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
    });
}

void Tfilterfrm::obtainbtnClick(TObject*)
{
    if (TDataSet* tickets = TicketTable()) {
        filterstring->SetText(tickets->Filter());
    }
}

void Tfilterfrm::deletebtnClick(TObject*)
{
    const int index = filterstring->ItemIndex();
    if (index < 0) {
        return;
    }
    const std::string item = filterstring->Items()[index];
    if (MessageDlg(Message(kDeleteFilterString) + item + " ?", TMsgDlgType::mtConfirmation,
                   {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) != TModalResult::mrYes) {
        return;
    }
    filterstring->Items().Delete(index);
    WriteFilters();
    if (TDataSet* tickets = TicketTable()) {
        filterstring->SetText(tickets->Filter());
    }
}
