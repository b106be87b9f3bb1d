// The main window's project-version commands: new and edit open the project editor in add or
// edit mode with its controls loaded; delete removes the current version after a confirmation.
// Each runs inside the window's catch-all and does nothing while the project table is closed.

#include "app/Unit1EditorHost.h"
#include "app/Unit1HandlerBinding.h"
#include "app/Settings.h"
#include "app/Unit1.h"
#include "app/Unit7.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"

namespace {

TField& ProductField(TDataSet& table, TProductField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

bool OnRecord(const TDataSet& table)
{
    return table.Active() && !table.IsEmpty() && table.RecNo() >= 0;
}

void ConnectEditor(Tmainfrm& window, Tproductfrm& editor)
{
    TProductEditorHost& host = editor.Host;
    ConnectMainWindow(window, host);
    host.ProductTable = window.appsdb;
    host.OpenTicketText = [&window] { return window.Get<TEdit>("openticket")->Text(); };
    host.FillProductLists = [&window] { window.FillProductLists(); };
}

void ClearAndUntick(TDateTimePicker& picker)
{
    picker.SetDate(Date());
    picker.SetChecked(false);
}

// A date picker with a check box: the field's date, ticked; today, unticked, when the field
// holds no date.
void LoadPicker(TDateTimePicker& picker, TField& field)
{
    if (field.IsNull() || field.AsString().empty()) {
        ClearAndUntick(picker);
    } else {
        picker.SetDate(DateOf(field.AsDateTime()));
        picker.SetChecked(true);
    }
}

void LoadNewVersion(Tproductfrm& editor)
{
    editor.editornot->SetChecked(false);
    editor.product->SetEnabled(true);
    editor.version->SetEnabled(true);
    editor.product->SetText("");
    editor.lastversion->Clear();
    editor.version->SetText("");
    editor.releasetype->SetText("");
    editor.purpose->SetText("");
    editor.comment->Clear();
    for (TDateTimePicker* picker : {editor.started, editor.finished, editor.releasedate, editor.planned}) {
        ClearAndUntick(*picker);
    }
    editor.released->SetChecked(false);
    editor.closed->SetChecked(false);
    editor.btn_ok->SetEnabled(true);
}

void LoadCurrentVersion(Tproductfrm& editor, TDataSet& table)
{
    editor.product->SetEnabled(false);
    editor.editornot->SetChecked(true);
    editor.lastversion->Clear();
    editor.product->SetText(ProductField(table, TProductField::NAME).AsString());
    const std::string versionText = ProductField(table, TProductField::VERSION).AsString();
    editor.version->SetText(versionText);
    // A recorded version cannot change; a row without one may get it now.
    editor.version->SetEnabled(versionText.empty());
    editor.releasetype->SetText(ProductField(table, TProductField::TYPE).AsString());
    editor.purpose->SetText(ProductField(table, TProductField::PURPOSE).AsString());
    const std::pair<TDateTimePicker*, TProductField> pickers[] = {
        {editor.started, TProductField::STARTED},
        {editor.finished, TProductField::FINISHED},
        {editor.releasedate, TProductField::ISSUEDATE},
        {editor.planned, TProductField::PLAN_END},
    };
    for (const auto& [picker, position] : pickers) {
        LoadPicker(*picker, ProductField(table, position));
    }
    editor.released->SetChecked(ProductField(table, TProductField::RELEASED).AsBoolean());
    editor.comment->SetText(ProductField(table, TProductField::COMMENT).AsString());
    editor.closed->SetChecked(ProductField(table, TProductField::CLOSED).AsBoolean());
    editor.productChange(&editor);
    const bool freeze = SettingsIni != nullptr && ReadSetting(*SettingsIni, Setting::RecordFreeze);
    editor.btn_ok->SetEnabled(!(freeze && editor.closed->Checked()));
}

}  // namespace

void Tmainfrm::BindProjectHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "addproductbtnClick", &Tmainfrm::addproductbtnClick);
    BindMainHandler(handlers, this, "editproductbtnClick", &Tmainfrm::editproductbtnClick);
    BindMainHandler(handlers, this, "deleteproductbtnClick", &Tmainfrm::deleteproductbtnClick);
}

void Tmainfrm::addproductbtnClick(TObject*)
{
    RunCatchAll([this] {
        if (productfrm == nullptr || !appsdb->Active()) {
            return;
        }
        ConnectEditor(*this, *productfrm);
        LoadNewVersion(*productfrm);
        productfrm->ShowModal();
    });
}

void Tmainfrm::editproductbtnClick(TObject*)
{
    RunCatchAll([this] {
        // Without a current row there is nothing to edit (an edit of no row would append one).
        if (productfrm == nullptr || !OnRecord(*appsdb)) {
            return;
        }
        ConnectEditor(*this, *productfrm);
        LoadCurrentVersion(*productfrm, *appsdb);
        productfrm->ShowModal();
    });
}

void Tmainfrm::deleteproductbtnClick(TObject*)
{
    RunCatchAll([this] {
        if (!OnRecord(*appsdb)) {
            return;
        }
        if (MessageDlg(Message(3), TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}) !=
            TModalResult::mrYes) {
            return;
        }
        // The version's tickets stay.
        appsdb->Delete();
        for (const char* name : {"editproductbtn", "editprojectbtn", "deleteproductbtn", "newticketbtn"}) {
            Get<TControl>(name)->SetEnabled(false);
        }
        FillProductLists();
    });
}
