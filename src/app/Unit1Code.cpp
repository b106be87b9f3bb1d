// The main window's code-database commands: open the code editor to add or edit an entry, and
// delete an entry.

#include "app/Unit1EditorHost.h"
#include "app/Unit1HandlerBinding.h"
#include "app/RecordEditorHost.h"
#include "app/Unit1.h"
#include "app/Unit6.h"
#include "app/tables/TrackerTables.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/db/Fields.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"

#include <utility>

namespace {

TField& CodeField(TDataSet& table, TCodeField position)
{
    return *table.Fields().Fields(static_cast<int>(position));
}

}  // namespace

void Tmainfrm::addcodebtnClick(TObject*)
{
    RunCatchAll([this] {
        if (codefrm == nullptr || !codedb->Active()) {
            return;
        }
        Tcodefrm& editor = *codefrm;
        editor.Host = MainWindowEditorHost(*this, codedb);
        editor.appname->SetText("");
        editor.registrationcode->SetText("");
        for (TComboBox* combo : {editor.legalstatus, editor.registrationmode, editor.contactname}) {
            combo->SetText("");
        }
        editor.comment->Clear();
        for (TDateTimePicker* picker : {editor.installdate, editor.expirationdate}) {
            picker->SetDate(Date());
            picker->SetChecked(false);
        }
        editor.editornot->SetChecked(false);
        editor.ShowModal();
    });
}

void Tmainfrm::editcodebtnClick(TObject*)
{
    RunCatchAll([this] {
        if (codefrm == nullptr || !HasRecord(codedb)) {
            return;
        }
        Tcodefrm& editor = *codefrm;
        TDataSet& table = *codedb;
        editor.Host = MainWindowEditorHost(*this, codedb);
        editor.appname->SetText(CodeField(table, TCodeField::APPNAME).AsString());
        LoadPickerDate(*editor.installdate, CodeField(table, TCodeField::INSTALLED));
        editor.legalstatus->SetText(CodeField(table, TCodeField::LEGALSTAT).AsString());
        editor.registrationmode->SetText(CodeField(table, TCodeField::REGMODE).AsString());
        editor.registrationcode->SetText(CodeField(table, TCodeField::REGCODE).AsString());
        LoadPickerDate(*editor.expirationdate, CodeField(table, TCodeField::EXPIRES));
        editor.contactname->SetText(CodeField(table, TCodeField::CONTACT).AsString());
        editor.comment->Lines().SetText(CodeField(table, TCodeField::COMMENT).AsString());
        editor.editornot->SetChecked(true);
        editor.ShowModal();
    });
}

void Tmainfrm::deletecodebtnClick(TObject*)
{
    RunCatchAll([this] { DeleteCurrentEntry(*this, codedb, "editcodebtn", "deletecodebtn", "addcodebtn"); });
}

void Tmainfrm::BindCodeHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "addcodebtnClick", &Tmainfrm::addcodebtnClick);
    BindMainHandler(handlers, this, "editcodebtnClick", &Tmainfrm::editcodebtnClick);
    BindMainHandler(handlers, this, "deletecodebtnClick", &Tmainfrm::deletecodebtnClick);
}
